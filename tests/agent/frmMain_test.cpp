// The agent's hidden main window: the scheduler's tick runs each due job once and records the
// run, the tray menu shows the job list, and Exit Arkwell ends cleanly.
#include "agent/frmMain.h"

#include "agent/appSetup.h"
#include "agent/frmPopup.h"
#include "jobs/CBackupJob.h"
#include "lib/libStrings.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

using testing_support::AppFolderTest;
using testing_support::TestClock;

namespace {

const QDate Today(2026, 12, 7);

class SchedulerTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path("zip"));
        QDir().mkpath(appSetup::JobsFolder());
        QDir().mkpath(path("bk"));
        writeFile("src/a.txt", "a");
        appSetup::MaxBackupCopies = 99;
        appSetup::StopOnError = false;
    }

    // A daily job, last run yesterday, backing up src/a.txt into bk/ at `startTime`.
    QString addJob(const QString& name, QTime startTime)
    {
        CBackupJob job;
        job.setJobName(name);
        job.setStartTime(startTime);
        job.setTargetDirectory(path("bk") + "/");
        job.setCompress(true);
        job.setNumberCopies(0);
        job.setFrequency(CBackupJob::Daily);
        job.SetDayOfWeek(true, true, true, true, true, true, true);
        job.setFilesToZip(path("src/a.txt") + "\r\n");
        job.setDateLastRun(QDateTime(Today.addDays(-1), QTime(0, 0)));
        const QString file = appSetup::JobsFolder() + libStrings::CleanedName(name) + ".awj";
        job.SaveBackupJob(file);
        schedule.AddItemListView(name, job.DateLastRun(), job.DateNextRun(), job.StartTime(), true, file);
        return file;
    }
    QString archive(const QString& name) const { return path("bk/" + name + ".zip"); }

    // Jobs are listed just before the day's first start time; the tests move the clock on.
    TestClock clock{QDateTime(Today, QTime(2, 59, 55))};
    frmSchedule schedule;
    frmMain main{schedule, true};
};

TEST_F(SchedulerTest, ATickRunsEachDueJobOnceAndMovesItsDates)
{
    const QString early = addJob("Early", QTime(3, 0));
    addJob("Late", QTime(23, 0));
    main.Form_Load({"arkwell", "/SILENT"}, true);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_TRUE(main.tmrCheckForBackupJob->isActive());
    EXPECT_EQ(main.tmrCheckForBackupJob->interval(), 5000);
    main.tmrCheckForBackupJob_Timer();
    EXPECT_FALSE(QFile::exists(archive("Early")));

    clock.set(QDateTime(Today, QTime(3, 0, 1)));
    main.tmrCheckForBackupJob_Timer();
    EXPECT_EQ(QProcess::execute("unzip", {"-tqq", archive("Early")}), 0);
    EXPECT_FALSE(QFile::exists(archive("Late")));
    CBackupJob saved;
    ASSERT_FALSE(saved.TryOpenBackupJob(early));
    EXPECT_EQ(saved.DateLastRun(), QDateTime(Today, QTime(0, 0)));
    QTreeWidgetItem* row = schedule.FindItemByKey("_Early");
    EXPECT_EQ(frmSchedule::RowNextRun(row), Today.addDays(1));

    // Run once: a later tick the same day leaves the archive alone.
    QFile::remove(archive("Early"));
    clock.advanceSeconds(5);
    main.tmrCheckForBackupJob_Timer();
    EXPECT_FALSE(QFile::exists(archive("Early")));

    // While the job list window is open, or disabled by the wizard, nothing runs; once it is
    // closed the due job runs.
    clock.set(QDateTime(Today, QTime(23, 0, 1)));
    schedule.show();
    main.tmrCheckForBackupJob_Timer();
    EXPECT_FALSE(QFile::exists(archive("Late")));
    schedule.hide();
    schedule.setEnabled(false);
    main.tmrCheckForBackupJob_Timer();
    EXPECT_FALSE(QFile::exists(archive("Late")));
    schedule.setEnabled(true);
    main.tmrCheckForBackupJob_Timer();
    EXPECT_EQ(QProcess::execute("unzip", {"-tqq", archive("Late")}), 0);
}

TEST_F(SchedulerTest, AMonthlyJobWhoseDayTheNextMonthLacksSaysSoAfterItsRun)
{
    clock.set(QDateTime(QDate(2027, 1, 31), QTime(2, 59, 55)));
    const QString file = addJob("Month end", QTime(3, 0));
    CBackupJob job;
    ASSERT_FALSE(job.TryOpenBackupJob(file));
    job.setFrequency(CBackupJob::Monthly);
    job.setDayOfMonth(31);
    job.SaveBackupJob(file);
    schedule.SetItemDates(schedule.FindItemByKey("_Month end"), job.DateLastRun().date(), job.DateNextRun());

    clock.set(QDateTime(QDate(2027, 1, 31), QTime(3, 0, 1)));
    main.tmrCheckForBackupJob_Timer();
    EXPECT_EQ(QProcess::execute("unzip", {"-tqq", archive("Monthend")}), 0);
    EXPECT_EQ(frmSchedule::RowNextRun(schedule.FindItemByKey("_Month end")), std::nullopt);
    EXPECT_TRUE(transactionLog().contains("Backup Job 'Month end' has no next run: its schedule names no day that "
                                          "comes. It is not run until its schedule is mended."));
}

TEST_F(SchedulerTest, TheTrayMenuShowsTheJobListAndExitEndsWithThePreferencesSaved)
{
    main.Form_Load({"arkwell", "/SILENT"}, true);
    frmPopup& popup = main.Popup();
    ASSERT_EQ(popup.Arkwell->actions().size(), 4);
    EXPECT_EQ(popup.Schedule->text(), "Schedule Backup Jobs");
    EXPECT_FALSE(popup.Stop->isEnabled());
    EXPECT_TRUE(popup.Slash2->isSeparator());
    EXPECT_EQ(popup.Exit->text(), "Exit Arkwell");

    popup.Schedule->trigger();
    EXPECT_TRUE(schedule.isVisible());

    QSignalSpy ended(&main, &frmMain::ended);
    appSetup::MaxBackupCopies = 12;
    popup.Exit->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_FALSE(main.tmrCheckForBackupJob->isActive());
    EXPECT_EQ(readFile("Arkwell.txt"), " 12 \r\n 0 \r\n");
}

}  // namespace
