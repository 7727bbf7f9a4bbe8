// The agent with no window: scheduled runs through the runner with the real zip, retries,
// a clock set ahead, overdue and failure notices, and a failure that holds the runs.
#include "support/AgentTest.h"

#include <QProcess>
#include <QRegularExpression>

using testing_support::TestClock;

namespace {

const QDate Today(2026, 12, 7);
QDateTime at(int hour, int minute, int second = 0, int days = 0)
{
    return QDateTime(Today.addDays(days), QTime(hour, minute, second));
}

class AgentRunTest : public testing_support::AgentTest {
protected:
    void SetUp() override
    {
        AgentTest::SetUp();
        QObject::connect(&agent, &Agent::runEnded, [this](const RunReport& report) { reports << report; });
        QObject::connect(&agent, &Agent::scheduledRunsFailed,
                         [this](const QList<RunReport>& failed) { failureNotices << failed.size(); });
        QObject::connect(&agent, &Agent::jobOverdue, [this](const QString& name) { overdue << name; });
    }
    // The names of the runs a tick at `now` made (with the make-up pass when `makeUps`).
    QStringList tick(const QDateTime& now, bool makeUps = false)
    {
        reports.clear();
        clock.set(now);
        if (makeUps)
            agent.makeUpsDue();
        agent.tick();
        settle();
        QStringList names;
        for (const RunReport& report : reports)
            names << report.request.name;
        return names;
    }
    // A new start of the program at `now`.
    void restart(const QDateTime& now)
    {
        clock.set(now);
        startUp();
    }
    void addFailingJob(const QString& name)
    {
        addJob(name, [this](Job& job) { job.setFilesToZip(path("gone/a.txt") + "\r\n"); });
    }

    TestClock clock{at(23, 59, 55, -1)};  // the jobs are listed just before the day begins
    QList<RunReport> reports;
    QList<qsizetype> failureNotices;
    QStringList overdue;
};

// A scheduled job runs through the runner with no window, once; a clock a year ahead for a
// minute costs one run and the schedule goes on.
TEST_F(AgentRunTest, AScheduledJobRunsThroughTheRunnerOnceWhateverTheClock)
{
    addJob("Early", [](Job& job) { job.setStartTime(QTime(3, 0)); });
    EXPECT_EQ(tick(at(2, 59, 59)), QStringList());
    EXPECT_EQ(tick(at(3, 0, 1)), QStringList{"Early"});
    const RunReport& report = reports.front();
    EXPECT_TRUE(report.request.scheduled);
    EXPECT_EQ(report.request.due, at(3, 0));
    EXPECT_EQ(report.result, RunRecord::Result::Completed);
    EXPECT_TRUE(report.reason.isEmpty());
    EXPECT_EQ(report.logLines.first(), "Zipping Up   " + path("src/a.txt"));
    EXPECT_EQ(agent.jobs().record("Early").logLines, report.logLines);
    EXPECT_EQ(QProcess::execute("unzip", {"-tqq", path("bk/Early.zip")}), 0);
    EXPECT_TRUE(transactionLog().contains("Backup Job 'Early' started."));
    EXPECT_FALSE(transactionLog().filter(QRegularExpression("^Backup Job 'Early' completed: 1 files, 1 bytes in \\d+ s$")).isEmpty());
    EXPECT_EQ(tick(at(3, 0, 6)), QStringList());  // once

    EXPECT_EQ(tick(at(10, 0, 0, 365)), QStringList{"Early"});
    EXPECT_EQ(tick(at(10, 1)), QStringList());
    EXPECT_EQ(tick(at(10, 2)), QStringList());
    EXPECT_EQ(transactionLog().filter("was last handled by a clock more than a day ahead").size(), 1);
    EXPECT_EQ(tick(at(3, 0, 1, 1)), QStringList{"Early"});
}

// A failed run is not made up as missed: it is run again once, by its own rule, after a while
// or at the next start, and never again for the same moment.
TEST_F(AgentRunTest, AFailedRunIsRunAgainOnceByItsOwnRule)
{
    addFailingJob("Unplugged");
    EXPECT_EQ(tick(at(0, 0, 1)), QStringList{"Unplugged"});
    EXPECT_EQ(tick(at(0, 0, 6)), QStringList());
    EXPECT_EQ(tick(at(0, 29, 0)), QStringList());
    EXPECT_EQ(tick(at(0, 31, 0)), QStringList{"Unplugged"});  // half an hour after it failed
    for (int start = 0; start < 2; ++start) {  // at later starts: neither made up nor run again
        restart(at(1, start));
        EXPECT_EQ(tick(at(1, start, 5), true), QStringList());
    }
    const QStringList log = transactionLog();
    EXPECT_EQ(log.count("Backup Job 'Unplugged' runs again after its failed run due Dec-07-2026 12:00 AM."), 1);
    EXPECT_TRUE(log.filter("missed while Arkwell was not running").isEmpty());

    // After a restart, the retry comes with the make-up pass.
    addFailingJob("Later");
    EXPECT_EQ(tick(at(0, 0, 1, 1)), (QStringList{"Unplugged", "Later"}));
    restart(at(0, 1, 0, 1));
    EXPECT_EQ(tick(at(0, 2, 0, 1), true), (QStringList{"Later", "Unplugged"}));  // in file-name order
}

// A job that never completed is overdue two intervals after its record was made; it is told
// once a calendar day, across restarts and a clock moved back and forth.
TEST_F(AgentRunTest, OverdueIsToldOnceADayPerJob)
{
    addFailingJob("Never");
    tick(at(0, 0, 1));
    const std::vector<std::pair<QDateTime, bool>> ticks{
        {at(0, 1, 0, 1), false}, {at(0, 1, 0, 2), true}, {at(0, 2, 0, 2), false}, {at(5, 0, 0, 2), false},
        {at(23, 0, 0, 1), false}, {at(6, 0, 0, 2), false}, {at(0, 1, 0, 3), true}};
    for (const auto& [now, told] : ticks) {
        SCOPED_TRACE(now.toString().toStdString());
        restart(now);
        overdue.clear();
        tick(now.addSecs(5));
        EXPECT_EQ(overdue.size(), told ? 1 : 0);
    }
}

TEST_F(AgentRunTest, FiftyFailuresInOneTickGiveOneNotice)
{
    for (int job = 0; job < 50; ++job)
        addFailingJob(QStringLiteral("Job %1").arg(job));
    EXPECT_EQ(tick(at(0, 0, 1)).size(), 50);
    EXPECT_EQ(failureNotices, QList<qsizetype>{50});
}

// With "Stop Auto Backups" on, a failure holds every further run until it is answered.
TEST_F(AgentRunTest, AFailureHoldsTheRunsUntilItIsAnswered)
{
    Preferences::stopOnError = true;
    addFailingJob("First");
    addJob("Second");
    QStringList asked;
    QObject::connect(&agent, &Agent::failureToAnswer, [&asked](const RunReport& report) { asked << report.request.name; });
    EXPECT_EQ(tick(at(0, 0, 1)), QStringList{"First"});
    EXPECT_EQ(asked, QStringList{"First"});
    EXPECT_EQ(tick(at(0, 0, 6)), QStringList());
    agent.answerFailure(false);
    settle();
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(reports.front().request.name, "Second");
}

}  // namespace
