// The table of jobs: loading, due moments run once under any clock, run records, missed runs.
#include "jobs/JobTable.h"

#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "support/ScheduledJob.h"
#include "support/TestSupport.h"

#include "lib/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <csignal>
#include <memory>
#include <sys/resource.h>

using testing_support::AppFolderTest;
using testing_support::TestClock;

namespace {

QDateTime at(int month, int day, int hour, int minute = 0)  // in 2026
{
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

class JobTableTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        startUp();
    }
    // A new table loaded from the folders, as at the program's start.
    JobTable::LoadReport startUp()
    {
        table = std::make_unique<JobTable>();
        return table->load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    }
    // Saves a job as the wizard does: its last-run day is the day it is saved.
    void save(const QString& name, qint32 frequency, qint16 weekdays, qint16 dayOfMonth, QTime start)
    {
        Job job = testing_support::ScheduledJob(frequency, weekdays, dayOfMonth, start);
        job.setName(name);
        job.setTargetDirectory(path("bk"));
        job.setCompress(true);
        job.setLastRun(QDateTime(clock.now().date(), QTime(0, 0)));
        ASSERT_TRUE(table->save(job).ok());
    }
    // Ticks every `step` seconds through [from, to], handling every due moment as the
    // scheduler does; returns the moments handled.
    std::vector<QDateTime> tickThrough(const QDateTime& from, const QDateTime& to, int step)
    {
        std::vector<QDateTime> handled;
        for (QDateTime now = from; now <= to; now = now.addSecs(step)) {
            clock.set(now);
            for (const JobTable::DueRun& due : table->dueNow()) {
                EXPECT_TRUE(table->markHandled(due.name, due.due).ok());
                handled.push_back(due.due);
            }
        }
        return handled;
    }
    // A run for `due` that the scheduler starts; a run that is not `ended` is cut off by a kill.
    void run(const QString& name, const QDateTime& due, bool ended = true)
    {
        clock.set(due.addSecs(5));
        EXPECT_TRUE(table->markHandled(name, due).ok());
        table->runStarted(name);
        clock.advanceSeconds(30);
        if (ended)
            table->runEnded(name, RunRecord::Result::Completed, runLines, {});
    }

    TestClock clock{at(12, 1, 12)};
    std::unique_ptr<JobTable> table;
    const QStringList runLines = {"Zipping 'a.txt'", "Backup Job 'Home' completed"};
};

}  // namespace

// Damaged, duplicate and oversized own files are skipped with a report, left as they are, and
// never read whole.
TEST_F(JobTableTest, LoadingSkipsDamagedDuplicateAndOversizedFilesAndLeavesThemUntouched)
{
    save("Home", Job::Daily, Job::AllWeekdays, 0, QTime(3, 0));
    run("Home", at(12, 2, 3));
    save("Work", Job::Daily, Job::AllWeekdays, 0, QTime(3, 0));
    QFile::copy(path("BackupJobs/Work.awj"), path("BackupJobs/Work copy.awj"));
    writeFile("BackupJobs/Bad.awj", "Bad\r\n");
    for (const QString& file : {"BackupJobs/Huge.awj", "RunRecords/Home.run", "Arkwell.txt"}) {
        QFile huge(path(file));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(200 * 1024 * 1024));  // sparse: nothing written
    }
    Preferences::maxBackupCopies = 5;
    Preferences::load();
    EXPECT_EQ(Preferences::maxBackupCopies, Preferences::DefaultMaxBackupCopies);
    const JobTable::LoadReport report = startUp();
    ASSERT_EQ(report.skipped.size(), 3);
    EXPECT_TRUE(report.skipped[0].startsWith("'" + path("BackupJobs/Bad.awj") + "': "));
    EXPECT_TRUE(report.skipped[1].startsWith("'" + path("BackupJobs/Huge.awj") + "': '")) << report.skipped[1].toStdString();
    EXPECT_TRUE(report.skipped[1].endsWith("is larger than 1 MiB, more than any file of Arkwell's holds"));
    EXPECT_EQ(report.skipped[2], "'" + path("BackupJobs/Work.awj") + "': the Backup Job name 'Work' is already used by '"
                                     + path("BackupJobs/Work copy.awj") + "'");
    EXPECT_EQ(table->names(), (QStringList{"Home", "Work"}));
    EXPECT_EQ(table->record("Home").result, RunRecord::Result::None);
    EXPECT_EQ(transactionLog().filter("larger than 1 MiB").size(), 2) << transactionLog().join('\n').toStdString();
    EXPECT_EQ(readFile("BackupJobs/Bad.awj"), "Bad\r\n");
    EXPECT_EQ(QFileInfo(path("RunRecords/Home.run")).size(), 200 * 1024 * 1024);
}

TEST_F(JobTableTest, ADueMomentRunsOnceOverDaylightSavingNightsAndAClockSetBack)
{
    // Each night: start times, each with the local time of its one run.
    const struct { const char* zone; QDate day; std::vector<std::pair<const char*, const char*>> startsAndRuns; } nights[] = {
        // Spring: 02:00 to 02:59 are skipped; a start time in them runs at 03:00.
        {"Europe/Berlin", QDate(2026, 3, 29), {{"1:59", "1:59"}, {"2:00", "3:00"}, {"2:30", "3:00"}, {"3:00", "3:00"}}},
        {"America/New_York", QDate(2026, 3, 8), {{"2:30", "3:00"}, {"3:00", "3:00"}}},
        // Autumn: 02:00 to 02:59 (Berlin), 01:00 to 01:59 (New York) come twice; once is run.
        {"Europe/Berlin", QDate(2026, 10, 25), {{"1:59", "1:59"}, {"2:30", "2:30"}, {"3:00", "3:00"}}},
        {"America/New_York", QDate(2026, 11, 1), {{"0:59", "0:59"}, {"1:30", "1:30"}, {"2:00", "2:00"}}},
    };
    for (const auto& [zoneName, day, startsAndRuns] : nights)
        for (const auto& [start, runsAt] : startsAndRuns) {
            const QTimeZone zone(zoneName);
            SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(zoneName, day.toString(), start).toStdString());
            clock.set(QDateTime(day.addDays(-1), QTime(12, 0), zone));
            save("Night", Job::Daily, Job::AllWeekdays, 0, QTime::fromString(start, "h:mm"));
            const QDateTime midnight(day, QTime(0, 0), zone);
            std::vector<QDateTime> runs = tickThrough(midnight, midnight.addSecs(6 * 3600), 300);
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_EQ(runs[0].toTimeZone(zone).time().toString("h:mm"), runsAt);
            // The clock set back over the run's moment: nothing runs again.
            EXPECT_TRUE(tickThrough(midnight, midnight.addSecs(6 * 3600), 300).empty());
            table->remove("Night");
        }
}

TEST_F(JobTableTest, AMonthlyDaySomeMonthsLackRunsInTheMonthsThatHaveIt)
{
    // The day, the year ticked through from January to the last month, the months it runs in.
    const struct { qint16 day; int year, lastMonth; std::vector<int> months; } years[] = {
        {31, 2026, 12, {1, 3, 5, 7, 8, 10, 12}}, {29, 2028, 3, {1, 2, 3}}, {29, 2027, 3, {1, 3}}};
    for (const auto& [dayOfMonth, year, lastMonth, months] : years) {
        SCOPED_TRACE(dayOfMonth);
        clock.set(QDateTime(QDate(year - 1, 12, 31), QTime(12, 0)));
        save("Month end", Job::Monthly, 0, dayOfMonth, QTime(3, 0));
        std::vector<int> runs;
        for (QDate day(year, 1, 1); day < QDate(year, lastMonth, 1).addMonths(1); day = day.addDays(1))
            for (const QDateTime& due : tickThrough(QDateTime(day, QTime(0, 0)), QDateTime(day, QTime(23, 0)), 6 * 3600)) {
                EXPECT_EQ(due.date().day(), dayOfMonth);
                runs.push_back(due.date().month());
                // After the run the next run is the one a fresh start computes.
                const std::optional<QDate> next = table->job("Month end")->nextRunDate();
                startUp();
                EXPECT_EQ(table->job("Month end")->nextRunDate(), next);
                EXPECT_GT(next, due.date());
            }
        EXPECT_EQ(runs, months);
        table->remove("Month end");
    }
}

TEST_F(JobTableTest, ARunMissedWhileNotRunningIsMadeUpOnceForItsLatestDueMoment)
{
    enum class History { Completed, CutOff, Never };
    // lastRun: the due moment of the last run.
    struct Case { const char* name; qint32 frequency; qint16 weekdays, dayOfMonth; QDateTime saved, lastRun; History history;
                  QDateTime startUp; std::optional<QDateTime> madeUp; };
    const qint16 all = Job::AllWeekdays;
    const qint32 daily = Job::Daily, monthly = Job::Monthly;
    using enum History;
    const Case cases[] = {
        {"Off a day", daily, all, 0, at(12, 1, 12), at(12, 7, 3), Completed, at(12, 8, 12), at(12, 8, 3)},
        {"Off a week", Job::Weekly, Job::Monday, 0, at(12, 1, 12), at(12, 7, 3), Completed, at(12, 16, 12), at(12, 14, 3)},
        {"Off a month end", monthly, 0, 15, at(11, 1, 12), at(11, 15, 3), Completed, at(12, 20, 12), at(12, 15, 3)},
        {"Not off", daily, all, 0, at(12, 1, 12), at(12, 8, 3), Completed, at(12, 8, 12), std::nullopt},
        {"Day 31", monthly, 0, 31, at(10, 1, 12), at(10, 31, 3), Completed, at(12, 1, 12), std::nullopt},
        {"Cut off", daily, all, 0, at(12, 1, 12), at(12, 8, 3), CutOff, at(12, 8, 12), at(12, 8, 3)},
        {"Never run", daily, all, 0, at(12, 6, 12), QDateTime(), Never, at(12, 8, 12), at(12, 8, 3)},
        {"New today", daily, all, 0, at(12, 8, 10), QDateTime(), Never, at(12, 8, 12), std::nullopt},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        clock.set(each.saved);
        save(each.name, each.frequency, each.weekdays, each.dayOfMonth, QTime(3, 0));
        if (each.history != Never)
            run(each.name, each.lastRun, each.history == Completed);
        clock.set(each.startUp);
        startUp();
        std::optional<QDateTime> madeUp;
        for (const JobTable::DueRun& missed : table->missedRuns())
            if (missed.name == each.name)
                madeUp = missed.due;
        EXPECT_EQ(madeUp, each.madeUp);
        table->remove(each.name);
    }
}

TEST_F(JobTableTest, TheRunRecordLiesBesideTheJobsFolderOwnerOnlyAndFollowsItsJob)
{
    save("Home", Job::Daily, Job::AllWeekdays, 0, QTime(3, 0));
    run("Home", at(12, 2, 3));
    const QString record = path("RunRecords/Home.run");
    EXPECT_EQ(QFileInfo(record).permissions() & 0x7077, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray text = readFile("RunRecords/Home.run");
    const auto utc = [](const QDateTime& moment) { return moment.toUTC().toString(Qt::ISODate); };
    const QDateTime due = at(12, 2, 3);
    const QString fields =
        QStringLiteral("due=%1\nstarted=%2\nended=%3\nresult=completed\narchive=%4\ncompleted=%2\ncreated=%2\nretried=\nnotice=\n")
            .arg(utc(due), utc(due.addSecs(5)), utc(due.addSecs(35)), path("bk/Home.zip"));
    EXPECT_EQ(text, (fields + "line=Zipping 'a.txt'\nline=Backup Job 'Home' completed\n").toUtf8());
    // The run's lines are there after a restart; a record written without them still reads.
    startUp();
    EXPECT_EQ(table->record("Home").logLines, runLines);
    writeFile("RunRecords/Home.run", fields.toUtf8());
    startUp();
    EXPECT_EQ(table->record("Home").result, RunRecord::Result::Completed);
    EXPECT_TRUE(table->record("Home").logLines.isEmpty());
    table->runEnded("Home", RunRecord::Result::Completed, runLines, {});

    Job renamed = *table->job("Home");
    renamed.setName("Work");
    ASSERT_TRUE(table->save(renamed, "Home").ok());
    EXPECT_EQ(table->names(), QStringList{"Work"});
    EXPECT_FALSE(QFile::exists(path("BackupJobs/Home.awj")) || QFile::exists(record));
    EXPECT_EQ(readFile("RunRecords/Work.run"), text);
    // What the runs leave for the next reads back; a run cut off by a kill reads as cut off,
    // never as the result of the run before.
    const BackupRun::History history{{path("bk/Data")}, {0, 2}, due.addMSecs(1234)};
    table->runEnded("Work", RunRecord::Result::Completed, runLines, history);
    startUp();
    EXPECT_EQ(table->runStarted("Work").fullArchives, history.fullArchives);  // and the program is killed
    startUp();
    const RunRecord cutOff = table->record("Work");
    EXPECT_EQ(cutOff.result, RunRecord::Result::CutOff);
    EXPECT_EQ((std::tuple(cutOff.history.madeInTarget, cutOff.history.archiveStarted)), (std::tuple(history.madeInTarget, history.archiveStarted)));
    table->remove("Work");
    EXPECT_FALSE(QFile::exists(path("BackupJobs/Work.awj")) || QFile::exists(path("RunRecords/Work.run")));
}

// The program's own files failing to write never end it: each failure is told once with the
// file's real path, the runs go on from what the table holds, and writing resumes afterwards.
TEST_F(JobTableTest, OwnFilesThatCantBeWrittenAreToldOnceAndTheRunsGoOn)
{
    QStringList told;
    Errors::setOwnFileListener([&](const QString& details) { told << details; });
    save("Home", Job::Daily, Job::AllWeekdays, 0, QTime(3, 0));
    const QByteArray jobFile = readFile("BackupJobs/Home.awj");
    QDir().mkpath(AppPaths::transactionLogPath());  // a folder in the log's place
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = 0;  // every write refused, as on a full disk
    setrlimit(RLIMIT_FSIZE, &full);
    run("Home", at(12, 2, 3));
    run("Home", at(12, 3, 3));
    Preferences::save();
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_EQ(table->record("Home").handledDue, at(12, 3, 3));
    EXPECT_EQ(readFile("BackupJobs/Home.awj"), jobFile);
    EXPECT_FALSE(QFile::exists(path("RunRecords/Home.run")));
    const QStringList paths{path("BackupJobs/Home.awj"), path("RunRecords/Home.run"), AppPaths::transactionLogPath(),
                            AppPaths::preferencesPath()};
    ASSERT_EQ(told.size(), paths.size()) << told.join('\n').toStdString();
    for (const QString& file : paths)
        EXPECT_EQ(told.filter("'" + file + "'").size(), 1) << file.toStdString();
    EXPECT_EQ(told.filter("Disk full").size(), 3) << told.join('\n').toStdString();
    EXPECT_EQ(QDir(path("BackupJobs")).entryList(QDir::Files | QDir::Hidden), QStringList{"Home.awj"});  // no temporary file left
    EXPECT_TRUE(messageBoxes.messages().empty());

    QDir().rmdir(AppPaths::transactionLogPath());
    run("Home", at(12, 4, 3));
    EXPECT_TRUE(readFile("RunRecords/Home.run").startsWith("due=" + at(12, 4, 3).toUTC().toString(Qt::ISODate).toUtf8()));
    Errors::setOwnFileListener({});
}

TEST_F(JobTableTest, AnEditKeepsADueMomentThatCameMeanwhileUnlessItChangesTheSchedule)
{
    clock.set(at(12, 2, 2));
    save("Home", Job::Daily, Job::AllWeekdays, 0, QTime(3, 0));
    clock.set(at(12, 2, 3, 10));  // the wizard was open at 3:00
    Job edited = *table->job("Home");
    edited.setCompress(false);
    ASSERT_TRUE(table->save(edited, "Home").ok());
    ASSERT_EQ(table->dueNow().size(), 1u);
    edited.setStartTime(QTime(2, 30));
    ASSERT_TRUE(table->save(edited, "Home").ok());
    EXPECT_TRUE(table->dueNow().empty());
}
