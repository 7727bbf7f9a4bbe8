// Uncompressed backup runs: folders and files copied into the target directory.
#include "BackupRunFixture.h"

#include <QFileInfo>

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
    writeFile("bk/Data/stale.txt", "gone after the run");
    CBackupJob tree = job({path("src/Data/*.*")}, {.compress = false, .subdirectories = true});
    EXPECT_FALSE(run(tree));
    EXPECT_EQ(listed("bk/Data"), (QStringList{"-lead \"q\" $x ünï", ".hidden", "link", "sub", "top.txt"}));
    EXPECT_EQ(readFile("bk/Data/sub/deep.txt"), "deep");
    EXPECT_EQ(QFileInfo(path("bk/Data/sub/deep.txt")).lastModified(), old);
    EXPECT_EQ(QFileInfo(path("bk/Data/sub")).lastModified(), QFileInfo(path("src/Data/sub")).lastModified());
    EXPECT_EQ(QFileInfo(path("bk/Data/top.txt")).permissions() & 0x0FFF, QFileInfo(path("src/Data/top.txt")).permissions() & 0x0FFF);
    EXPECT_TRUE(QFileInfo(path("bk/Data/link")).isSymLink());
    EXPECT_EQ(listed("bk"), QStringList{"Data"});
    EXPECT_EQ((std::pair(tree.LastCounts().files, tree.LastCounts().bytes)), (std::pair<qint64, qint64>(5, 13)));  // a link holds no bytes

    CBackupJob flat = job({path("src/Data/*.*")}, {.compress = false});
    EXPECT_FALSE(run(flat));
    EXPECT_FALSE(QFileInfo::exists(path("bk/Data/sub")));
    EXPECT_EQ(readFile("bk/Data/.hidden"), "dot");
    EXPECT_EQ((std::pair(flat.LastCounts().files, flat.LastCounts().bytes)), (std::pair<qint64, qint64>(4, 9)));

    // A single file replaces its old copy; wildcard groups are skipped, not failed.
    writeFile("bk/report", "old copy");
    writeFile("src/report", "new");
    CBackupJob files = job({path("src/Data/*.txt"), path("src/Data/t?p.txt"), path("src/report")}, {.compress = false});
    EXPECT_FALSE(run(files));
    EXPECT_EQ(transactionLog().filter("Error, cannot perform wildcard backups with no compression.").size(), 2);
    EXPECT_EQ(readFile("bk/report"), "new");
    EXPECT_FALSE(QFile::exists(path("bk/top.txt")));
}

TEST_F(BackupRunTest, FailingCopyLeavesThePreviousBackupFolderIntact)
{
    writeFile("src/Data/a.txt", "first");
    CBackupJob tree = job({path("src/Data/*.*")}, {.compress = false, .subdirectories = true});
    ASSERT_FALSE(run(tree));
    // A path that fits below the source but is too long below the target's new folder.
    QString deep = path("src/Data");
    while (deep.size() < 4085)
        deep += "/" + QString(150, QLatin1Char('d'));
    deep = deep.left(4085);
    ASSERT_TRUE(QDir().mkpath(deep));
    writeFile(deep.mid(appFolder().size() + 1) + "/f.txt", "deep");
    writeFile("src/Data/a.txt", "second");
    EXPECT_TRUE(run(tree));
    EXPECT_EQ(readFile("bk/Data/a.txt"), "first");
    EXPECT_EQ(listed("bk"), QStringList{"Data"});
    EXPECT_FALSE(transactionLog().filter(QRegularExpression("^Arkwell Error, .*File name too long.* while backing up '"
                                                            + QRegularExpression::escape(path("src/Data/*.*")) + "'.$"))
                     .isEmpty());
    EXPECT_TRUE(transactionLog().contains("The previous backup folder '" + path("bk/Data")
                                          + "' is kept as it was: the new copy was not completed."));
    EXPECT_FALSE(QFile::exists(path("arkwell.err")));

    // A refusal of the system fails the run, not the program.
    CBackupJob noTarget = job({path("src/Data/a.txt")}, {.compress = false});
    noTarget.setTargetDirectory(path("nowhere"));
    EXPECT_TRUE(run(noTarget));
    EXPECT_FALSE(transactionLog().filter("Arkwell Error, ").filter(path("nowhere")).isEmpty());
}

TEST_F(BackupRunTest, NeverRemovesTheRootTheTargetOrASource)
{
    writeFile("bk/Data/precious.txt", "source inside the target");
    writeFile("bk/same.txt", "target is the source");
    const struct { QString entry, logged; } refusals[] = {
        {"/*.*", "Arkwell Error, the root folder can't be backed up without compression: '/*.*'."},
        {path("bk/Data/*.*"), "Arkwell Error, the backup folder '" + path("bk/Data") + "' would replace its own source: '" + path("bk/Data/*.*") + "'."},
        {path("bk/*.*"), "Arkwell Error, the backup folder '" + path("bk/bk") + "' would replace its own source: '" + path("bk/*.*") + "'."},
    };
    for (const auto& [entry, logged] : refusals) {
        CBackupJob refused = job({entry}, {.compress = false});
        EXPECT_TRUE(run(refused));
        EXPECT_TRUE(transactionLog().contains(logged)) << logged.toStdString();
    }
    EXPECT_EQ(readFile("bk/Data/precious.txt"), "source inside the target");
    EXPECT_EQ(readFile("bk/same.txt"), "target is the source");

    // The target inside the source: copied without the target itself, run after run.
    writeFile("home/Data/mine.txt", "mine");
    QDir().mkpath(path("home/Data/backups"));
    CBackupJob below = job({path("home/Data/*.*")}, {.compress = false, .subdirectories = true});
    below.setTargetDirectory(path("home/Data/backups"));
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(run(below));
    EXPECT_EQ(listed("home/Data/backups/Data"), QStringList{"mine.txt"});
    EXPECT_EQ(readFile("home/Data/mine.txt"), "mine");
}

TEST_F(BackupRunTest, AStopEndsACopyAndKeepsThePreviousBackup)
{
    writeFile("src/a.txt", "a");
    CBackupJob copy = job({path("src/*.*")}, {.compress = false});
    EXPECT_FALSE(run(copy));
    writeFile("src/a.txt", "changed");
    RecordingSink stopping;  // the stop comes as the entry is taken up, as from another thread
    stopping.onProgress = [&copy] { copy.RequestStop(); };
    EXPECT_TRUE(run(copy, &stopping));
    EXPECT_EQ(copy.LastResult(), CBackupJob::RunResult::Stopped);
    EXPECT_EQ(readFile("bk/src/a.txt"), "a");
    EXPECT_EQ(listed("bk"), QStringList{"src"});
    EXPECT_TRUE(transactionLog().contains("Backup Job 'My (Job)!' was stopped; what it had built is removed, the previous backups are kept."));
}
