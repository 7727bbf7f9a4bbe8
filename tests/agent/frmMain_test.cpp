// The agent's hidden main window: the scheduler's tick runs each due job once while the job
// list is idle, makes up missed runs once, the tray menu shows the job list, and Exit Arkwell
// ends cleanly.
#include "agent/frmMain.h"

#include "agent/appSetupMain.h"
#include "agent/frmPopup.h"
#include "lib/appSetup.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

using testing_support::AppFolderTest;
using testing_support::LauncherRecorder;
using testing_support::TestClock;

namespace {

const QDate Today(2026, 12, 7);

// Calls `during` from inside each zip run.
class RunWatcher : public LauncherRecorder {
public:
    explicit RunWatcher(std::function<void()> during) : m_during(std::move(during)) {}
    qint32 run(const Shell32::ProgramRun& program) override
    {
        m_during();
        return LauncherRecorder::run(program);
    }

private:
    std::function<void()> m_during;
};

// Closes the open window of that name.
void closeWindow(const char* name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String(name) && window->isVisible())
            window->close();
}

class SchedulerTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path("zip"));
        QDir().mkpath(path("bk"));
        writeFile("src/a.txt", "a");
        appSetup::MaxBackupCopies = 99;
        appSetup::StopOnError = false;
        appSetup::RunMissedBackups = true;
        appSetup::LoadJobList(schedule);
    }

    // A daily job, last run `lastRun` days ago, backing up src/a.txt into bk/ at `startTime`.
    QString addJob(const QString& name, QTime startTime, int lastRun = 1)
    {
        CBackupJob job;
        job.setJobName(name);
        job.setStartTime(startTime);
        job.setTargetDirectory(path("bk") + "/");
        job.setCompress(true);
        job.setFrequency(CBackupJob::Daily);
        job.SetDayOfWeek(true, true, true, true, true, true, true);
        job.setFilesToZip(path("src/a.txt") + "\r\n");
        job.setDateLastRun(QDateTime(Today.addDays(-lastRun), QTime(0, 0)));
        schedule.Jobs().Save(job);
        return schedule.Jobs().JobFile(name);
    }
    QString archive(const QString& name) const { return path("bk/" + name + ".zip"); }
    bool archived(const QString& name) const { return QProcess::execute("unzip", {"-tqq", archive(name)}) == 0; }
    // A tick at `now`; true when it made the job's archive.
    bool tickRuns(const QString& name, const QDateTime& now)
    {
        QFile::remove(archive(name));
        clock.set(now);
        main.tmrCheckForBackupJob_Timer();
        return QFile::exists(archive(name));
    }

    // Jobs are listed just before the day's first start time; the tests move the clock on.
    TestClock clock{QDateTime(Today, QTime(2, 59, 55))};
    frmSchedule schedule;
    frmMain main{schedule, true};
};

TEST_F(SchedulerTest, ADueJobRunsOnceWhileTheWindowIsIdleShownOrNot)
{
    const QString early = addJob("Early", QTime(3, 0));
    addJob("Late", QTime(23, 0));
    main.Form_Load({"arkwell", "/SILENT"}, true);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_EQ(main.tmrCheckForBackupJob->interval(), 5000);
    EXPECT_FALSE(tickRuns("Early", QDateTime(Today, QTime(2, 59, 59))));
    EXPECT_TRUE(tickRuns("Early", QDateTime(Today, QTime(3, 0, 1))));
    EXPECT_TRUE(archived("Early"));
    EXPECT_FALSE(QFile::exists(archive("Late")));
    CBackupJob saved;
    ASSERT_FALSE(saved.TryOpenBackupJob(early));
    EXPECT_EQ(saved.DateLastRun(), QDateTime(Today, QTime(0, 0)));
    EXPECT_EQ(schedule.FindItemByKey("_Early")->text(frmSchedule::ColNextRun), "Dec-08-2026");
    EXPECT_EQ(schedule.Jobs().Record("Early").result, RunRecord::Result::Completed);
    EXPECT_FALSE(tickRuns("Early", QDateTime(Today, QTime(3, 0, 6))));  // run once

    // Shown, the window holds nothing back while it is idle; the wizard or a dialog does.
    schedule.show();
    const QDateTime late(Today, QTime(23, 0, 1));
    QTimer::singleShot(0, &schedule, [&] {
        EXPECT_FALSE(tickRuns("Late", late));
        closeWindow("frmWIZ_JobDefinition");
    });
    schedule.cmdAddJob_Click();
    schedule.mnuFilePreferences_Click();
    EXPECT_FALSE(tickRuns("Late", late));
    closeWindow("frmPreferences");
    std::vector<bool> enabledDuringRun;
    RunWatcher watcher([&] { enabledDuringRun.push_back(schedule.lvwSchedule->isEnabled()); });
    EXPECT_TRUE(tickRuns("Late", late));
    EXPECT_EQ(enabledDuringRun, (std::vector<bool>{false}));  // while zip runs
    EXPECT_TRUE(schedule.isEnabled());
    EXPECT_TRUE(schedule.isVisible());
}

TEST_F(SchedulerTest, AMissedRunIsMadeUpOnceAMinuteAfterStartUpWhenThePreferenceSaysSo)
{
    for (const bool makeUp : {true, false}) {
        SCOPED_TRACE(makeUp);
        appSetup::RunMissedBackups = makeUp;
        clock.set(QDateTime(Today, QTime(12, 0)));
        addJob("Missed", QTime(9, 0), 3);  // last run three days ago: today's 9:00 AM was missed
        appSetup::LoadJobList(schedule);
        main.Form_Load({"arkwell", "/SILENT"}, true);
        EXPECT_EQ(main.tmrMissedRuns->interval(), 60000);
        EXPECT_TRUE(main.tmrMissedRuns->isActive());
        EXPECT_FALSE(tickRuns("Missed", QDateTime(Today, QTime(12, 0, 5))));
        main.tmrMissedRuns_Timer();
        EXPECT_EQ(tickRuns("Missed", QDateTime(Today, QTime(12, 1, 0))), makeUp);
        EXPECT_FALSE(tickRuns("Missed", QDateTime(Today, QTime(12, 1, 5))));
        EXPECT_EQ(transactionLog().count("Backup Job 'Missed' runs now to make up for its run due Dec-07-2026 "
                                          "09:00 AM, missed while Arkwell was not running."),
                  1);  // the first round's line alone
        schedule.Jobs().Remove("Missed");
    }
}

TEST_F(SchedulerTest, TheTrayMenuShowsTheJobListAndExitEndsWithThePreferencesSaved)
{
    main.Form_Load({"arkwell", "/SILENT"}, true);
    frmPopup& popup = main.Popup();
    popup.Schedule->trigger();
    EXPECT_TRUE(schedule.isVisible());

    QSignalSpy ended(&main, &frmMain::ended);
    appSetup::MaxBackupCopies = 12;
    popup.Exit->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_FALSE(main.tmrCheckForBackupJob->isActive());
    EXPECT_EQ(readFile("Arkwell.txt"), " 12 \r\n 0 \r\n-1 \r\n");
}

}  // namespace
