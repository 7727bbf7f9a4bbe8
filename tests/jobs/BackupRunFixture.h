#pragma once
// A backup run against the real zip: an application folder with its zip link, a host that
// records what the run shows, and readers of the archives built with unzip.

#include "agent/appSetup.h"
#include "jobs/BackupHost.h"
#include "jobs/CBackupJob.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <array>

class RecordingHost : public BackupHost {
public:
    void setMessageText(const QString& text) override { texts.push_back(text); }
    void setLightVisible(int index, bool visible) override { lights.at(index) = visible; }
    void repaintNow() override { ++repaints; }
    void setBusyPointer(bool busy) override { busyPointer = busy; }

    bool idle() const { return lights == std::array<bool, 4>{true, false, false, true}; }

    QStringList texts;
    std::array<bool, 4> lights{};
    int repaints = 0;
    bool busyPointer = false;
};

class BackupRunTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path("zip"));
        appSetup::MaxBackupCopies = 99;
        QDir().mkpath(path("bk"));
    }

    // A job that backs the entries up into the folder bk of the application folder.
    CBackupJob job(const QStringList& entries, bool compress = true) const
    {
        CBackupJob job;
        job.setJobName(QStringLiteral("My (Job)!"));
        job.setTargetDirectory(path("bk"));
        job.setCompress(compress);
        job.setFilesToZip(entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        job.setDateLastRun(QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
        return job;
    }

    // Runs the job and checks what every run must leave behind on its host.
    bool run(CBackupJob& job)
    {
        RecordingHost host;
        const bool failed = job.ExecuteBackupNow(host, appSetup::MaxBackupCopies);
        EXPECT_EQ(failed, job.Failure());
        EXPECT_TRUE(host.idle());
        EXPECT_FALSE(host.busyPointer);
        EXPECT_EQ(host.texts.back(), QString());
        return failed;
    }

    static void setModified(const QString& file, const QDateTime& when)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
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

    // The archive's names (from unzip -l) relative to the application folder: zip stores full
    // paths without their leading separator.
    QStringList namesBelow(const QString& zipFile) const
    {
        QByteArray listing;
        if (unzip({QStringLiteral("-l"), zipFile}, &listing) != 0)
            return {QStringLiteral("(no archive)")};
        static const QRegularExpression line(QStringLiteral("^\\s*\\d+\\s+\\S+\\s+\\d\\d:\\d\\d\\s+(.*)$"));
        const QString prefix = appFolder().mid(1) + QLatin1Char('/');
        QStringList found;
        for (const QString& text : QString::fromUtf8(listing).split(QLatin1Char('\n'))) {
            const QString name = line.match(text).captured(1);
            if (!name.isEmpty())
                found << (name.startsWith(prefix) ? name.mid(prefix.size()) : name);
        }
        found.sort();
        return found;
    }

    // One file's content in an archive (unzip -p).
    QByteArray member(const QString& zipFile, const QString& relative, const QString& password = QString()) const
    {
        QByteArray content;
        QStringList arguments{QStringLiteral("-p")};
        if (!password.isEmpty())
            arguments << QStringLiteral("-P") << password;
        unzip(arguments << zipFile << appFolder().mid(1) + QLatin1Char('/') + relative, &content);
        return content;
    }
};
