// Reading archives of the real zip back, and restoring from them and from plain copies.
#include "jobs/Job.h"
#include "jobs/Restore.h"
#include "jobs/RunRecord.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray NotUtf8 = "caf\xe9.txt";
const QDateTime Moment = QDateTime::fromSecsSinceEpoch(1760000000);

QByteArray Sha256(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : "none";
}

}  // namespace

class ZipReaderTest : public testing_support::AppFolderTest {
protected:
    // "src": a text file, a script (mode 0750), a name that is not UTF-8, a link and an empty
    // folder, all modified at `Moment`; zipped by absolute path, as the backup run does.
    void SetUp() override
    {
        AppFolderTest::SetUp();
        src = QFile::encodeName(path("src"));
        writeFile("src/a.txt", "some text");
        writeFile("src/sub/run.sh", "#!/bin/sh\n");
        ::chmod(src + "/sub/run.sh", 0750);
        QFile odd;  // named by its bytes: the name is not UTF-8
        odd.open(std::fopen(src + '/' + NotUtf8, "w"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
        odd.write("latin-1");
        odd.close();
        ::symlink("a.txt", src + "/link");
        QDir().mkpath(path("src/empty"));
        for (const char* item : {"/a.txt", "/sub/run.sh", "/link", "/empty", "/sub"}) {
            const timespec times[2] = {{0, UTIME_OMIT}, {Moment.toSecsSinceEpoch(), 0}};
            ::utimensat(AT_FDCWD, src + item, times, AT_SYMLINK_NOFOLLOW);
        }
    }
    void TearDown() override
    {
        ::unlink(src + '/' + NotUtf8);
        AppFolderTest::TearDown();
    }
    QString zip(const QString& name, const QStringList& options)
    {
        QProcess process;
        process.start("zip", QStringList{"-q", "-r", "-y"} + options + QStringList{path(name), path("src")});
        EXPECT_TRUE(process.waitForFinished() && process.exitCode() == 0) << process.readAllStandardError().constData();
        return path(name);
    }
    std::unique_ptr<BackupContents> contents(const QString& archive)
    {
        Job job;
        job.setCompress(true);
        auto opened = BackupContents::open(job, KeptBackup{0, archive, {}, true, 0, 0});
        EXPECT_TRUE(opened) << opened.reason().toStdString();
        return opened ? std::move(opened).value() : nullptr;
    }
    Restore::Report restore(const BackupContents& from, const QString& to, Restore::Existing existing,
                            const QByteArray& password = {})
    {
        Restore::Request request{{src}, to, false, existing, password};
        return Restore::run(from, Restore::makePlan(from, request), request, std::atomic<bool>(false));
    }
    QByteArray src;
};

TEST_F(ZipReaderTest, ArchivesOfZipAreListedByBytesAndRestoredWithModesTimesAndLinks)
{
    for (const auto& [name, options, password] : {std::tuple{"plain.zip", QStringList{}, QByteArray()},
                                                  {"zip64.zip", {"-fz"}, {}},
                                                  {"secret.zip", {"-P", "two words"}, "two words"}}) {
        SCOPED_TRACE(name);
        const auto backup = contents(zip(name, options));
        ASSERT_TRUE(backup);
        EXPECT_EQ(backup->encrypted(), !password.isEmpty());
        const BackedUpItem* odd = backup->find(src + '/' + NotUtf8);
        ASSERT_TRUE(odd);
        EXPECT_EQ(odd->entry.size, 7);
        EXPECT_EQ(backup->find(src + "/link")->entry.kind, ZipEntry::Kind::Link);
        EXPECT_EQ(backup->find(src + "/empty")->entry.kind, ZipEntry::Kind::Folder);
        EXPECT_EQ(backup->find(src + "/a.txt")->entry.modified, Moment);

        const QString out = path(QString("out-") + name);
        for (const QByteArray& wrong : {QByteArray("wrong"), QByteArray()})  // a wrong or missing password restores nothing
            if (!password.isEmpty()) {
                const Restore::Report refused = restore(*backup, out, Restore::Existing::Replace, wrong);
                EXPECT_EQ(refused.exitStatus(), 1);
                EXPECT_TRUE(refused.failures.join('\n').contains("password")) << refused.failures.join('\n').toStdString();
                EXPECT_FALSE(QFile::exists(out + "/src/a.txt"));
            }
        const Restore::Report report = restore(*backup, out, Restore::Existing::Skip, password);
        EXPECT_EQ(report.exitStatus(), 0) << report.failures.join('\n').toStdString();
        const QByteArray to = QFile::encodeName(out) + "/src";
        for (const QByteArray& item : {QByteArray("/a.txt"), QByteArray("/sub/run.sh"), "/" + NotUtf8})
            EXPECT_EQ(Sha256(to + item), Sha256(src + item)) << item.constData();
        struct stat info;
        ASSERT_EQ(::stat(to + "/sub/run.sh", &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0750u);
        EXPECT_EQ(info.st_mtime, Moment.toSecsSinceEpoch());
        EXPECT_EQ(QFile::symLinkTarget(QFile::decodeName(to + "/link")), QFile::decodeName(to + "/a.txt"));
        EXPECT_TRUE(QFileInfo(QFile::decodeName(to + "/empty")).isDir());
    }
}

TEST_F(ZipReaderTest, AnExistingFileIsSkippedReplacedOrKeptBesideTheRestoredOne)
{
    const auto backup = contents(zip("plain.zip", {}));
    const struct { Restore::Existing existing; int status; QByteArray atName; QStringList besides; } cases[] = {
        {Restore::Existing::Skip, 2, "mine", {}},
        {Restore::Existing::Replace, 0, "some text", {}},
        {Restore::Existing::KeepBoth, 0, "mine", {"a (" + Moment.toString("yyyy-MM-dd hh.mm") + ").txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.status));
        QDir(path("out")).removeRecursively();
        writeFile("out/src/a.txt", "mine");
        const Restore::Report report = restore(*backup, path("out"), c.existing);
        EXPECT_EQ(report.exitStatus(), c.status);
        EXPECT_EQ(readFile("out/src/a.txt"), c.atName);
        EXPECT_EQ(QDir(path("out/src")).entryList({"a (*"}, QDir::Files), c.besides);
        EXPECT_EQ(report.leftAlone.size(), c.existing == Restore::Existing::Skip ? 1 : 0);
    }
}

TEST_F(ZipReaderTest, APlainCopyIsBrowsedAndRestoredByOriginalPaths)
{
    Job job;
    job.setTargetDirectory(path("bk"));
    job.setFilesToZip(path("src/*.*") + "\r\n" + path("elsewhere/one.txt") + "\r\n" + path("src/*.txt") + "\r\n");
    writeFile("bk/src/a.txt", "copied a");
    writeFile("bk/one.txt", "copied one");
    const std::vector<KeptBackup> backups = KeptBackups::list(job, RunRecord{}, 99);
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].files, 2);
    const auto copy = BackupContents::open(job, backups[0]);
    ASSERT_TRUE(copy && (*copy)->find(src + "/a.txt") && (*copy)->find(QFile::encodeName(path("elsewhere/one.txt"))));
    EXPECT_EQ(KeptBackups::VersionFinder(job, backups).versions(src + "/a.txt").size(), 1u);
    EXPECT_EQ(restore(**copy, path("out"), Restore::Existing::Skip).exitStatus(), 0);
    EXPECT_EQ(readFile("out/src/a.txt"), "copied a");
}
