#pragma once
// An agent over a temporary application folder with the real zip, a file to back up
// (src/a.txt) and a target folder (bk), a way to add daily jobs that back the file up, and a
// wait for the agent's runs to end.

#include "jobs/Agent.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtCore/qtestsupport_core.h>
#include <functional>

namespace testing_support {

class AgentTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path(QStringLiteral("zip")));
        writeFile(QStringLiteral("src/a.txt"), "a");
        QDir().mkpath(path(QStringLiteral("bk")));
        Preferences::maxBackupCopies = 99;
        Preferences::stopOnError = false;
        Preferences::runMissedBackups = true;
        startUp();
    }

    // Lists the jobs folder afresh, as a new start of the program does.
    void startUp() { agent.jobs().load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder()); }

    // Saves a daily job that backs up src/a.txt into bk/, last run yesterday, as `adjust` leaves
    // it, lists it and returns its job file.
    QString addJob(const QString& name, const std::function<void(Job&)>& adjust = {})
    {
        Job job;
        job.setName(name);
        job.setTargetDirectory(path(QStringLiteral("bk/")));
        job.setCompress(true);
        job.setFrequency(Job::Daily);
        job.setWeekdays(Job::AllWeekdays);
        job.setFilesToZip(path(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n"));
        job.setLastRun(QDateTime(Clock::today().addDays(-1), QTime(0, 0)));
        if (adjust)
            adjust(job);
        EXPECT_TRUE(agent.jobs().save(job).ok());
        return agent.jobs().jobFile(name);
    }

    // Waits until the agent's runs have ended, or wait for an answer.
    void settle()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !agent.busy() || agent.waitingForAnswer(); }, 60000));
    }

    Agent agent;
};

}  // namespace testing_support
