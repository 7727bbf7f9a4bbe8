#pragma once
// Backup runs against the real zip, with a sink that records what they tell and unzip to read the archives.

#include "jobs/BackupRun.h"
#include "jobs/RunProgress.h"
#include "lib/Files.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <array>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

class RecordingSink : public RunProgressSink {
public:
    void setStatusText(const QString& text) override { texts.push_back(text); }
    void setProgress(const RunProgress& p) override
    {
        progress << QStringLiteral("%1/%2 %3/%4 %5").arg(p.entriesDone).arg(p.entries).arg(p.filesDone).arg(p.files).arg(p.current);
        if (onProgress)
            onProgress();
    }

    QStringList texts;
    QStringList progress;  // "entries done/entries files done/files current", one a call
    std::function<void()> onProgress;
};

// A job with what its runs leave: the history the next run is given, and how the last one
// ended. A stop asked of it reaches its run in progress.
struct TestJob : Job {
    BackupRun::History history;
    BackupRun::Outcome outcome = BackupRun::Outcome::Failed;
    BackupRun::Counts counts;
    BackupRun* running = nullptr;
    void requestStop() { running->requestStop(); }
};

// What kind of backup a test job makes.
struct JobKind {
    bool compress = true;
    bool subdirectories = false;
    int copies = 0;
};

class BackupRunTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        realZip();
        QDir().mkpath(path("bk"));
    }

    void realZip() const
    {
        QFile::remove(path("zip"));
        QFile::link(QStringLiteral("/usr/bin/zip"), path("zip"));
    }

    // Puts a script in zip's place; "$ZIP_REAL" in it is the real zip.
    void standInZip(const QByteArray& body) const
    {
        QFile::remove(path("zip"));
        writeFile("zip", "#!/bin/sh\nZIP_REAL=/usr/bin/zip\n" + body + "\n");
        ::chmod(QFile::encodeName(path("zip")).constData(), 0755);
    }

    // A job that backs the entries up into the folder bk of the application folder.
    TestJob job(const QStringList& entries, JobKind kind = {}) const
    {
        TestJob job;
        job.setName(QStringLiteral("My (Job)!"));
        job.setTargetDirectory(path("bk"));
        job.setCompress(kind.compress);
        job.setSubdirectories(kind.subdirectories);
        job.setCopies(qint16(kind.copies));
        job.setFilesToZip(entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        job.setLastRun(QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
        return job;
    }

    // Runs the job and checks what every run must leave behind on its sink; true when the
    // run did not complete.
    bool run(TestJob& job, RecordingSink* shown = nullptr)
    {
        RecordingSink own;
        RecordingSink& sink = shown ? *shown : own;
        BackupRun backup(job, job.history);
        job.running = &backup;
        const Result<> done = backup.run(sink, maxCopies);
        job.running = nullptr;
        job.history = backup.history();
        job.outcome = backup.outcome();
        job.counts = backup.counts();
        EXPECT_EQ(done.ok(), job.outcome == BackupRun::Outcome::Completed);
        EXPECT_EQ(done.reason(), done ? QString() : BackupRun::firstReason(backup.logLines()));
        EXPECT_EQ(sink.texts.back(), QString());
        return !done;
    }

    // The names in a folder of the application folder, hidden ones too.
    QStringList listed(const QString& folder) const
    {
        return QDir(path(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // The target's names (an empty work folder shows too) and every file below it with its sha256.
    QStringList targetFiles() const { return listed("bk") + treeHashes(path("bk")); }

    // While it lives, a root test process reads and writes files as the user nobody (its
    // children are root again), so a mode 000 file or folder is unreadable to the run, as it
    // is to an ordinary user, for whom this does nothing.
    struct AsNobody {
        explicit AsNobody(const BackupRunTest& test)
        {
            if (!root)
                return;
            QFile log(test.path("arkwell.log"));
            log.open(QIODevice::Append);
            for (const char* open : {"", "bk", "arkwell.log"})
                ::chmod(QFile::encodeName(test.path(open)).constData(), 0777);
            ::setfsuid(65534);
        }
        ~AsNobody()
        {
            if (root)
                ::setfsuid(0);
        }
        const bool root = ::geteuid() == 0;
    };

    static void setModified(const QString& file, const QDateTime& when)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(when, QFileDevice::FileModificationTime));
    }

    QString archive(const QString& suffix = QString()) const { return path("bk/MyJob" + suffix + ".zip"); }

    static int unzip(const QStringList& arguments, QByteArray* output = nullptr)
    {
        QProcess process;
        process.start(QStringLiteral("unzip"), arguments);
        process.closeWriteChannel();
        process.waitForFinished(-1);
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitCode();
    }

    // zip stores full paths without their leading separator.
    QString stored(const QString& relative) const { return appFolder().mid(1) + QLatin1Char('/') + relative; }

    // The archive's names relative to the application folder, sorted.
    QStringList namesBelow(const QString& zipFile) const
    {
        QByteArray listing;
        if (unzip({QStringLiteral("-Z1"), zipFile}, &listing) != 0)
            return {QStringLiteral("(no archive)")};
        QStringList names = QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        names.replaceInStrings(QRegularExpression("^" + QRegularExpression::escape(stored(""))), QString()).sort();
        return names;
    }

    // One file's content in an archive (unzip -p).
    QByteArray member(const QString& zipFile, const QString& relative, const QString& password = QString()) const
    {
        QByteArray content;
        unzip(QStringList{QStringLiteral("-p"), QStringLiteral("-P"), password, zipFile, stored(relative)}, &content);
        return content;
    }

    // Every file below `folder` (names as bytes, relative to it, a line end shown as "\r" or
    // "\n") with its sha256, one "name sha256" a line.
    static QStringList treeHashes(const QString& folder)
    {
        const QByteArray top = QFile::encodeName(folder) + '/';
        QStringList hashes;
        for (const Files::ListedItem& item : Files::listFolder(top, true).items)
            if (S_ISREG(item.info.st_mode)) {  // by the name's bytes, which need not be UTF-8
                std::stringstream bytes;
                bytes << std::ifstream(item.path.toStdString(), std::ios::binary).rdbuf();
                hashes << Files::shownPath(item.path.mid(top.size())) + QLatin1Char(' ')
                              + QCryptographicHash::hash(QByteArray::fromStdString(bytes.str()), QCryptographicHash::Sha256).toHex();
            }
        return hashes;
    }

    // The files of an archive below the application folder, with their sha256, as unzip
    // restores them.
    QStringList restored(const QString& zipFile) const
    {
        QDir(path("restored")).removeRecursively();
        EXPECT_EQ(unzip({QStringLiteral("-qq"), QStringLiteral("-^"), zipFile, QStringLiteral("-d"), path("restored")}), 0);
        return treeHashes(path("restored") + appFolder());
    }

    int maxCopies = 99;
};
