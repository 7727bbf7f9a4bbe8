// Uncompressed backup runs: folders and files copied into the target directory.
#include "BackupRunFixture.h"
#include "jobs/JobLock.h"
#include "jobs/RunRecord.h"

#include <QFileInfo>

// The folder is reached through a link: its backup folder gets the folder's mode, never the link's.
TEST_F(BackupRunTest, CopiesFoldersWithAndWithoutSubfoldersAndFilesInPlace)
{
    writeFile("src/Data/top.txt", "top");
    writeFile("src/Data/.hidden", "dot");
    writeFile("src/Data/sub/deep.txt", "deep");
    writeFile("src/Data/-lead \"q\" $x ünï", "odd");
    QFile::setPermissions(path("src/Data/top.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QDateTime old(QDate(2021, 2, 3), QTime(4, 5, 6));
    setModified(path("src/Data/sub/deep.txt"), old);
    QFile::link(path("src/Data/top.txt"), path("src/Data/link"));
    ::chmod(QFile::encodeName(path("src/Data")).constData(), 0700);
    QFile::link(path("src/Data"), path("Data"));
    const auto modeOfBackupFolder = [&] {
        struct stat info {};
        return ::lstat(QFile::encodeName(path("bk/Data")).constData(), &info) == 0 ? info.st_mode & 07777 : 0u;
    };
    TestJob tree = job({path("Data/*.*")}, {.compress = false, .subdirectories = true});
    EXPECT_FALSE(run(tree));
    EXPECT_EQ(modeOfBackupFolder(), 0700u);
    EXPECT_EQ(listed("bk/Data"), (QStringList{"-lead \"q\" $x ünï", ".hidden", "link", "sub", "top.txt"}));
    EXPECT_EQ(readFile("bk/Data/sub/deep.txt"), "deep");
    EXPECT_EQ(QFileInfo(path("bk/Data/sub/deep.txt")).lastModified(), old);
    EXPECT_EQ(QFileInfo(path("bk/Data/sub")).lastModified(), QFileInfo(path("src/Data/sub")).lastModified());
    EXPECT_EQ(QFileInfo(path("bk/Data/top.txt")).permissions() & 0x0FFF, QFileInfo(path("src/Data/top.txt")).permissions() & 0x0FFF);
    EXPECT_TRUE(QFileInfo(path("bk/Data/link")).isSymLink());
    EXPECT_EQ(listed("bk"), QStringList{"Data"});
    EXPECT_EQ((std::pair(tree.counts.files, tree.counts.bytes)), (std::pair<qint64, qint64>(5, 13)));  // a link holds no bytes

    writeFile("bk/Data/stale.txt", "gone after the next run");
    TestJob& flat = tree;
    flat.setSubdirectories(false);
    EXPECT_FALSE(run(flat));
    EXPECT_FALSE(QFileInfo::exists(path("bk/Data/sub")) || QFileInfo::exists(path("bk/Data/stale.txt")));
    EXPECT_EQ(readFile("bk/Data/.hidden"), "dot");
    EXPECT_EQ(modeOfBackupFolder(), 0700u);
    EXPECT_EQ((std::pair(flat.counts.files, flat.counts.bytes)), (std::pair<qint64, qint64>(4, 9)));

    // A single file replaces its old copy; wildcard groups are skipped, and leave the run incomplete.
    writeFile("src/report", "old copy");
    TestJob files = job({path("src/Data/*.txt"), path("src/Data/t?p.txt"), path("src/report")}, {.compress = false});
    EXPECT_TRUE(run(files));
    writeFile("src/report", "new");
    EXPECT_TRUE(run(files));
    EXPECT_EQ(files.outcome, BackupRun::Outcome::Incomplete);
    EXPECT_EQ(transactionLog().filter("Error, cannot perform wildcard backups with no compression.").size(), 4);
    EXPECT_EQ(readFile("bk/report"), "new");
    EXPECT_FALSE(QFile::exists(path("bk/top.txt")));
}

// What can't be read, or would get too long a path below the target, is named; the rest is
// copied and put in place, and the run is incomplete.
TEST_F(BackupRunTest, ACopyCopiesWhatItCanAndNamesTheRest)
{
    writeFile("src/Data/a.txt", "a");
    writeFile("src/Data/closed/b.txt", "b");
    writeFile("src/locked.txt", "l");
    QString deep = path("src/Data");  // fits below the source, too long below the target's new folder
    while (deep.size() < 4085)
        deep += "/" + QString(150, QLatin1Char('d'));
    deep = deep.left(4085);
    ASSERT_TRUE(QDir().mkpath(deep));
    for (const char* closed : {"src/Data/closed", "src/locked.txt"})
        ::chmod(QFile::encodeName(path(closed)).constData(), 0);
    {
        AsNobody nobody(*this);
        TestJob tree = job({path("src/Data/*.*"), path("src/locked.txt")}, {.compress = false, .subdirectories = true});
        EXPECT_TRUE(run(tree));
        EXPECT_EQ(tree.outcome, BackupRun::Outcome::Incomplete);
    }
    EXPECT_EQ(readFile("bk/Data/a.txt"), "a");
    const QStringList log = transactionLog();
    EXPECT_TRUE(log.contains("Arkwell Error, '" + path("src/Data/closed") + "' is not in the backup: Permission denied."));
    EXPECT_EQ(log.filter("Arkwell Error, '" + path("src/locked.txt") + "' is not in the backup: Permission denied").size(), 1);
    EXPECT_EQ(log.filter("' is not in the backup: File name too long.").size(), 1);
    ::chmod(QFile::encodeName(path("src/Data/closed")).constData(), 0755);
}

// What the job made in the target it replaces, run after run.
TEST_F(BackupRunTest, APlainCopyReplacesOnlyWhatTheJobMade)
{
    for (const char* file : {"a/notes.txt", "a/docs/x", "b/docs/y"})
        writeFile(file, file);
    TestJob own = job({path("a/notes.txt"), path("a/docs/*.*")}, {.compress = false, .subdirectories = true});
    QDir(path("bk/docs")).removeRecursively();
    for (int n = 0; n < 2; ++n)
        EXPECT_FALSE(run(own));
    EXPECT_EQ(own.history.madeInTarget, (QStringList{path("bk/notes.txt"), path("bk/docs")}));

    // A plain copy whose record comes from before the made paths were kept goes on replacing
    // its own copies; a record of a zipped job gives no such right.
    writeFile("old.run", ("completed=2026-01-05T10:00:00.000Z\narchive=" + path("bk/") + "\n").toUtf8());
    writeFile("zip.run", ("completed=2026-01-05T10:00:00.000Z\narchive=" + path("bk/Old.zip") + "\n").toUtf8());
    EXPECT_FALSE(RunRecord::read(path("zip.run"))->history.copiesMadeUntracked);
    TestJob upgraded = job({path("b/docs/*.*")}, {.compress = false, .subdirectories = true});
    upgraded.history = RunRecord::read(path("old.run"))->history;
    EXPECT_FALSE(run(upgraded));
    EXPECT_EQ(readFile("bk/docs/y"), "b/docs/y");
    EXPECT_EQ(upgraded.history.madeInTarget, QStringList{path("bk/docs")});
}

// The target inside the source: copied without the target itself, run after run.
TEST_F(BackupRunTest, ATargetInsideTheCopiedFolderIsLeftOut)
{
    writeFile("home/Data/mine.txt", "mine");
    QDir().mkpath(path("home/Data/backups"));
    TestJob below = job({path("home/Data/*.*")}, {.compress = false, .subdirectories = true});
    below.setTargetDirectory(path("home/Data/backups"));
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(run(below));
    EXPECT_EQ(listed("home/Data/backups/Data"), QStringList{"mine.txt"});
    EXPECT_EQ(readFile("home/Data/mine.txt"), "mine");
}

TEST_F(BackupRunTest, AStopEndsACopyAndKeepsThePreviousBackup)
{
    writeFile("src/a.txt", "a");
    TestJob copy = job({path("src/*.*")}, {.compress = false});
    EXPECT_FALSE(run(copy));
    writeFile("src/a.txt", "changed");
    RecordingSink stopping;  // the stop comes as the entry is taken up, as from another thread
    stopping.onProgress = [&copy] { copy.requestStop(); };
    EXPECT_TRUE(run(copy, &stopping));
    EXPECT_EQ(copy.outcome, BackupRun::Outcome::Stopped);
    EXPECT_EQ(readFile("bk/src/a.txt"), "a");
    EXPECT_EQ(listed("bk"), QStringList{"src"});
    EXPECT_TRUE(transactionLog().contains("Backup Job 'My (Job)!' was stopped; what it had built is removed, the previous backups are kept."));
}

// A run that can't be made fails before anything in the target changes, and logs why; the
// program goes on.
TEST_F(BackupRunTest, ARefusedRunLogsWhyAndChangesNothing)
{
    for (const char* file : {"a/notes.txt", "b/notes.txt", "a/pics/x", "b/pics/y", "b/docs/y", "bk/docs/precious.txt",
                             "bk/Data/precious.txt", "src/a.txt", "src/b.txt"})
        writeFile(file, file);
    const QString landsTwice = "Arkwell Error, '%1' and '%2' would both be copied to '%3': nothing is copied.";
    const QString ownSource = "Arkwell Error, the backup folder '%1' would replace its own source: '%2'.";
    const std::function<void(TestJob&)> asIs = [](TestJob&) {};
    std::unique_ptr<JobLock> restoring;
    const struct { QStringList entries; bool compress; std::function<void(TestJob&)> meanwhile; QString logged; } refusals[] = {
        {{path("a/notes.txt"), path("b/notes.txt")}, false, asIs, landsTwice.arg(path("a/notes.txt"), path("b/notes.txt"), path("bk/notes.txt"))},
        {{path("a/pics/*.*"), path("b/pics/*.*")}, false, asIs, landsTwice.arg(path("a/pics/*.*"), path("b/pics/*.*"), path("bk/pics"))},
        {{path("a/notes.txt"), path("b/docs/*.*")}, false, asIs,
         "Arkwell Error, '" + path("bk/docs") + "' in the target folder was not made by this job: it is kept as it is and nothing is copied."},
        {{"/*.*"}, false, asIs, "Arkwell Error, the root folder can't be backed up without compression: '/*.*'."},
        {{path("bk/Data/*.*")}, false, asIs, ownSource.arg(path("bk/Data"), path("bk/Data/*.*"))},
        {{path("bk/*.*")}, false, asIs, ownSource.arg(path("bk/bk"), path("bk/*.*"))},
        // The entries after a missing one are not taken up.
        {{path("src/a.txt"), path("src/gone.txt"), path("src/b.txt")}, true, asIs,
         "Arkwell Pre-Emptive Error, file to backup does not exist: '" + path("src/gone.txt") + "'."},
        {{path("gone/*.txt")}, true, asIs,
         "Arkwell Pre-Emptive Error, file specification (wildcards) to backup does not exist: '" + path("gone/*.txt") + "'."},
        {{path("src/a.txt")}, true, [&](TestJob&) { QFile::remove(path("zip")); },
         "Arkwell Error, zip could not be started ('" + path("zip") + "' does not exist)."},
        {{path("src/a.txt")}, true, [&](TestJob&) { standInZip("kill -KILL $$"); },
         "Arkwell Error, the zip program '" + path("zip") + "' ended abnormally."},
        {{path("src/a.txt")}, true, [](TestJob& job) { job.setName(QStringLiteral("../escape")); },  // a hand-edited name
         "Arkwell Error, the job name '../escape' would name files outside the target folder."},
        {{path("src/a.txt")}, true, [&](TestJob& job) { restoring = JobLock::tryTake(job.name()); },  // the run waits for no one
         "Arkwell Error, the job 'My (Job)!' is being backed up or restored elsewhere right now."},
    };
    const QStringList before = targetFiles();
    for (const auto& [entries, compress, meanwhile, logged] : refusals) {
        SCOPED_TRACE(logged.toStdString());
        TestJob refused = job(entries, {.compress = compress, .subdirectories = true});
        meanwhile(refused);
        const qsizetype logged0 = transactionLog().size();
        EXPECT_TRUE(run(refused));
        realZip();
        restoring.reset();
        EXPECT_EQ(refused.outcome, BackupRun::Outcome::Failed);
        EXPECT_TRUE(transactionLog().mid(logged0).contains(logged));
        EXPECT_TRUE(transactionLog().mid(logged0).filter(path("src/b.txt")).isEmpty());
        EXPECT_EQ(targetFiles(), before);
    }
    EXPECT_FALSE(QFile::exists(path("escape.zip")));
    EXPECT_FALSE(QFile::exists(path("arkwell.err")));
}
