// Targets that come and go: the test says which drive holds a path; the files are real.
#include "BackupRunFixture.h"

#include "jobs/JobStatus.h"
#include "jobs/JobTable.h"
#include "jobs/Targets.h"
#include "lib/AppPaths.h"
#include "support/ScheduledJob.h"

using Filesystems::Filesystem;

namespace {

// The internal disk holds everything but the drive's mount point while the drive is plugged
// in (a marker file says so). Every flush is recorded, with whether its file is there.
class TestDrives : public Filesystems::System {
public:
    TestDrives(QString area, QString plugged) : area(std::move(area)), plugged(std::move(plugged))
    {
        Filesystems::install(this);
    }
    ~TestDrives() override { Filesystems::install(nullptr); }

    Filesystem holding(const QString& path) const override
    {
        const bool onDrive = path == usb.mountPoint || path.startsWith(usb.mountPoint + QLatin1Char('/'));
        return onDrive && QFile::exists(plugged) ? usb : disk;
    }
    QStringList mountAreas() const override { return {area}; }
    Result<> flush(const QString& path) const override { return flush("fsync ", path); }
    Result<> flushFilesystem(const QString& path) const override { return flush("syncfs ", path); }

    Result<> flush(const char* call, const QString& path) const
    {
        flushes << call + path + (QFileInfo::exists(path) ? QString() : QStringLiteral(" (missing)"));
        return failing ? Result<>(Failure{QStringLiteral("Input/output error")}) : Result<>();
    }

    const QString area;
    const QString plugged;
    const Filesystem disk{"/dev/sda2", "/", "disk-uuid", {}};
    const Filesystem usb{"/dev/sdb1", area + "/USB", "1234-ABCD", "USBstick"};
    mutable QStringList flushes;
    bool failing = false;
};

class TargetsTest : public BackupRunTest {
protected:
    void SetUp() override
    {
        BackupRunTest::SetUp();
        QDir().mkpath(path("media/USB"));
        writeFile("src/a.txt", "a");
    }
    void plug(bool in) const { in ? (void)writeFile("plugged", "") : (void)QFile::remove(path("plugged")); }
    TestJob onDrive(bool compress = true) const
    {
        TestJob job = this->job({path("src/a.txt")}, {.compress = compress});
        job.setTargetDirectory(path("media/USB"));
        return job;
    }
    QString waitLine(const QString& why) const
    {
        return "Backup Job 'My (Job)!' waits for its target: " + why
               + ". Nothing is written there; the job runs once it is connected.";
    }

    TestDrives drives{path("media"), path("plugged")};
};

}  // namespace

TEST_F(TargetsTest, TheCheckTellsAnAwayDriveFromANewOrChangedTarget)
{
    QDir().mkpath(path("media/USB/bk"));
    QDir().mkpath(path("media/Empty"));
    QDir().mkpath(path("bk"));
    Filesystem replugged = drives.usb;
    replugged.source = QStringLiteral("/dev/sdc1");
    const QString onUsb = path("media/USB/bk/");
    const struct { bool plugged; QString target; QString rememberedPath; Filesystem remembered; bool ready; QString drive; } cases[] = {
        {true, onUsb, {}, {}, true, path("media/USB/bk")},                  // a first run to a new drive
        {true, onUsb, onUsb, replugged, true, "USBstick"},                   // plugged in again under another device name
        {false, onUsb, onUsb, drives.usb, false, "USBstick"},                // away: its mount point is a folder of the disk
        {false, path("media/Empty/"), {}, {}, false, path("media/Empty")},  // never mounted: an empty mount point
        {false, path("bk/"), onUsb, drives.usb, true, path("bk")},           // the target changed in the wizard
        {true, path("nowhere/"), {}, {}, false, path("nowhere")},
    };
    for (const auto& [plugged, target, rememberedPath, remembered, ready, drive] : cases) {
        plug(plugged);
        BackupRun::History history;
        history.targetPath = rememberedPath;
        history.targetFilesystem = remembered;
        const Targets::Verdict verdict = Targets::check(target, history);
        EXPECT_EQ(verdict.ready, ready) << target.toStdString() << ' ' << verdict.why.toStdString();
        EXPECT_EQ(verdict.drive, drive);
    }
}

TEST_F(TargetsTest, AJobWaitsWritingNothingUntilItsDriveIsBackAndRemembersIt)
{
    for (bool compress : {true, false}) {
        QDir(path("media/USB")).removeRecursively();
        QDir().mkpath(path("media/USB"));
        TestJob job = onDrive(compress);
        plug(false);
        EXPECT_TRUE(run(job));  // a first run into an empty mount point
        EXPECT_EQ(job.outcome, BackupRun::Outcome::Waiting);
        EXPECT_TRUE(listed("media/USB").isEmpty());
        plug(true);
        EXPECT_FALSE(run(job));
        EXPECT_EQ(job.history.targetFilesystem.uuid, "1234-ABCD");
        const QStringList onIt = treeHashes(path("media/USB"));
        EXPECT_EQ(onIt.size(), 1);
        plug(false);  // the same folder, seen as the disk's: the drive is away
        EXPECT_TRUE(run(job));
        EXPECT_EQ(job.outcome, BackupRun::Outcome::Waiting);
        EXPECT_EQ(treeHashes(path("media/USB")), onIt);
    }
    const QStringList log = transactionLog();
    const QString folder = path("media/USB");
    EXPECT_EQ(log.filter(waitLine("the target folder '" + folder + "' lies in an empty mount point: its drive is not mounted")).size(), 2);
    EXPECT_EQ(log.filter(waitLine("the target folder '" + folder + "' is not on the drive of the last backup, 'USBstick': "
                                  "that drive is not mounted")).size(), 2);
}

// The archive and the folder's names reach the drive before the run ends, so it can be
// unplugged once the result is told; a flush that fails fails the run, and so does a drive
// pulled while zip writes, which keeps what is on the drive.
TEST_F(TargetsTest, TheBackupIsWrittenThroughToTheDriveAndAPulledDriveFailsTheRun)
{
    plug(true);
    const QString folder = path("media/USB");
    const struct { bool compress; QStringList flushes; } cases[] = {
        {true, {"fsync " + folder + "/MyJob.zip", "fsync " + folder}},
        {false, {"syncfs " + folder, "fsync " + folder}},
    };
    for (const auto& [compress, flushes] : cases) {
        TestJob job = onDrive(compress);
        drives.flushes.clear();
        EXPECT_FALSE(run(job));
        EXPECT_EQ(drives.flushes, flushes);
        drives.failing = true;
        EXPECT_TRUE(run(job));
        drives.failing = false;
    }
    EXPECT_EQ(transactionLog().filter("Arkwell Error, the backup in '" + folder
                                      + "' could not be written through to its drive (Input/output error).").size(), 2);

    TestJob job = onDrive();
    EXPECT_FALSE(run(job));
    const QStringList onIt = treeHashes(folder);
    standInZip("rm -f '" + QFile::encodeName(path("plugged")) + "'; exit 15");
    const qsizetype logged = transactionLog().size();
    EXPECT_TRUE(run(job));
    EXPECT_EQ(job.outcome, BackupRun::Outcome::Failed);
    EXPECT_EQ(treeHashes(folder), onIt);
    EXPECT_EQ(BackupRun::firstReason(transactionLog().mid(logged)),
              "Arkwell Error, the target drive was removed: '" + folder
                  + "' is gone; the job waits for it to be connected again.");
}

// The scheduler's side: each due moment of a waiting job is handled without a run, the wait
// is logged once and told once a day, and the job runs once for all when its target is back.
TEST_F(TargetsTest, TheSchedulerRunsAWaitingJobOnceWhenItsTargetIsBack)
{
    testing_support::TestClock clock{QDateTime(QDate(2026, 12, 1), QTime(9, 0))};
    JobTable jobs;
    jobs.load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    Job job = testing_support::ScheduledJob(Job::Daily, Job::AllWeekdays, 1, QTime(10, 0));
    job.setName(QStringLiteral("Nightly"));
    job.setTargetDirectory(path("media/USB"));
    ASSERT_TRUE(jobs.save(job).ok());
    BackupRun::History history;
    history.targetPath = job.targetDirectory();
    history.targetFilesystem = drives.usb;
    jobs.runEnded("Nightly", RunRecord::Result::Completed, {}, history);
    plug(false);
    std::vector<size_t> told;
    for (int day = 1; day <= 3; ++day) {
        clock.set(QDateTime(QDate(2026, 12, day), QTime(10, 0, 5)));
        for (const JobTable::DueRun& due : jobs.dueNow()) {
            EXPECT_TRUE(jobs.markHandled(due.name, due.due).ok());
            EXPECT_TRUE(Targets::holdRun(jobs, due.name, due.due));
        }
        told.push_back(Targets::notices(jobs, clock.today()).size() + Targets::notices(jobs, clock.today()).size());
        EXPECT_TRUE(Targets::returned(jobs).empty());
    }
    EXPECT_EQ(told, (std::vector<size_t>{1, 1, 1}));
    EXPECT_EQ(JobStatus::resultWord(*jobs.job("Nightly"), jobs.record("Nightly"), clock.now()), "waiting for its target 'USBstick'");
    EXPECT_EQ(transactionLog().filter("Backup Job 'Nightly' waits for its target").size(), 1);
    plug(true);
    const std::vector<JobTable::DueRun> back = Targets::returned(jobs);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].due, QDateTime(QDate(2026, 12, 3), QTime(10, 0)));
    EXPECT_TRUE(transactionLog().contains("Backup Job 'Nightly' runs now that its target is back, for its runs due "
                                          "Dec-01-2026 10:00 AM, Dec-02-2026 10:00 AM, Dec-03-2026 10:00 AM."));
    EXPECT_TRUE(Targets::returned(jobs).empty());

    // A run that fails while its drive is away (pulled during the run) waits again; a failure
    // with the drive in place, or a completed run, does not.
    const struct { bool plugged; RunRecord::Result result; bool waits; } runs[] = {
        {true, RunRecord::Result::Failed, false},
        {false, RunRecord::Result::Failed, true},
        {true, RunRecord::Result::Completed, false},
    };
    for (const auto& [plugged, result, waits] : runs) {
        plug(plugged);
        Targets::runEnded(jobs, "Nightly", result);
        EXPECT_EQ(jobs.record("Nightly").waitingSince.isValid(), waits);
    }

    // A run that only found its target missing is no run: the last run shown stays the one before.
    jobs.runStarted("Nightly");
    jobs.runEnded("Nightly", RunRecord::Result::Completed, {}, history);
    const QString lastRun = JobStatus::lastRunText(jobs.record("Nightly"));
    clock.set(clock.now().addDays(1));
    jobs.runStarted("Nightly");
    jobs.runEnded("Nightly", RunRecord::Result::Waiting, {}, history);
    EXPECT_EQ(JobStatus::lastRunText(jobs.record("Nightly")), lastRun);
}
