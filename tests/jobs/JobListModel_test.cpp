// The job list model with no window: row texts and states, the tray's summary, the sort order.
#include "jobs/JobListModel.h"

#include "lib/DateFormats.h"
#include "support/AgentTest.h"

#include <memory>

namespace {

class JobListModelTest : public testing_support::AgentTest {
protected:
    QString text(const QString& name, int column) const
    {
        return model.index(model.rowOf(name), column).data().toString();
    }
    JobListModel::State state(const QString& name) const
    {
        return JobListModel::State(model.index(model.rowOf(name), 0).data(JobListModel::StateRole).toInt());
    }

    JobListModel model{agent};
};

TEST_F(JobListModelTest, RowsTellEachJobsStatusAndRunsChangeOnlyTheirOwnRow)
{
    addJob("Fresh");
    addJob("Away", [](Job& job) { job.setWeekdays(0); }); // no next run
    addJob("Broken", [this](Job& job) { job.setFilesToZip(path("gone/a.txt") + "\r\n"); });
    addJob("Good");
    addJob("Late");
    agent.jobs().updateRecord("Late", [](RunRecord& record) { record.created = Clock::now().addDays(-3); });
    agent.jobs().updateRecord("Away", [](RunRecord& record) {
        record.result = RunRecord::Result::Waiting;
        record.waitingSince = Clock::now();
    });
    ASSERT_EQ(model.rowCount(), 5);

    auto watch = std::make_unique<QObject>();
    int rowsMoved = 0; // rows inserted or removed, or the model reset
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(&model, signal, watch.get(), [&rowsMoved] { ++rowsMoved; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, watch.get(), [&rowsMoved] { ++rowsMoved; });
    QSet<int> rowsChanged;
    QObject::connect(
        &model, &QAbstractItemModel::dataChanged, watch.get(), [&](const QModelIndex& first, const QModelIndex& last) {
            EXPECT_EQ(first.row(), last.row());
            rowsChanged << first.row();
        });
    QStringList whileRunning;
    QObject::connect(&model, &JobListModel::statusChanged, watch.get(), [&] {
        if (model.runningJob() == "Good" && !model.progressText().isEmpty())
            whileRunning << text("Good", JobListModel::LastResult) + " | " + QString::number(int(state("Good")));
    });
    agent.runNow({"Good", "Broken"});
    settle();
    EXPECT_TRUE(whileRunning.contains("running: entry 1 of 1, 1 files done: '" + path("src/a.txt") + "' | 1"))
        << whileRunning.join('\n').toStdString();
    watch.reset();
    EXPECT_EQ(rowsMoved, 0);
    EXPECT_EQ(rowsChanged, (QSet<int>{model.rowOf("Good"), model.rowOf("Broken")}));

    const QString today = DateFormats::formatDate(Clock::today(), QLocale::system());
    using Row = std::tuple<QString, QString, QString, QString, JobListModel::State>; // name, last run, next run, result
    for (const auto& [name, lastRun, nextRun, result, rowState] :
        {Row{"Fresh", "Never", "", "", JobListModel::State::Quiet},
            Row{"Away", "Never", JobListModel::NoNextRunText, "waiting for its target", JobListModel::State::Waiting},
            Row{"Late", "Never", "", "", JobListModel::State::Attention},  // never completed, made 3 days ago
          Row{"Broken", today, "", "failed ", JobListModel::State::Attention},
            Row{"Good", today, "", "completed ", JobListModel::State::Quiet}}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(text(name, JobListModel::LastRun), lastRun);
        const QString shown = text(name, JobListModel::LastResult);
        EXPECT_TRUE(result.isEmpty() ? shown.isEmpty() : shown.startsWith(result)) << shown.toStdString();
        EXPECT_EQ(text(name, JobListModel::NextRun) == JobListModel::NoNextRunText, !nextRun.isEmpty());
        EXPECT_EQ(state(name), rowState);
    }
    EXPECT_TRUE(model.index(model.rowOf("Good"), 0).data(Qt::ToolTipRole).toString().contains("Zipping Up   "));

    const JobListModel::Summary summary = model.summary();
    EXPECT_EQ(summary.state, JobListModel::State::Attention); // a failure outranks a wait
    EXPECT_EQ(summary.attention, (QStringList{"Broken failed", "Late overdue"}));  // in the order listed
    EXPECT_TRUE(model.index(model.rowOf("Late"), 0).data(Qt::ToolTipRole).toString().startsWith("No completed run"));
    EXPECT_EQ(summary.waiting, QStringList{"Away waiting for its target"});
    for (const char* name : {"Broken", "Late"})
        agent.jobs().remove(name);
    EXPECT_EQ(model.summary().state, JobListModel::State::Waiting);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.rowOf("Broken"), -1);

    // Sorted by next run, the job without one comes last, whichever way round it was listed.
    JobListSortModel sorted;
    sorted.setSourceModel(&model);
    sorted.sort(JobListModel::NextRun, Qt::AscendingOrder);
    EXPECT_EQ(sorted.index(2, JobListModel::Name).data().toString(), "Away");
    sorted.sort(JobListModel::LastRun, Qt::AscendingOrder);
    EXPECT_EQ(sorted.index(0, JobListModel::Name).data().toString(), "Good");
}

} // namespace
