#pragma once
// A job list window over a temporary application folder with the real zip, a file to back up
// (src/a.txt) and a target folder (bk), and a way to add daily jobs that back the file up.

#include "agent/appSetupMain.h"
#include "jobs/CBackupJob.h"
#include "lib/appSetup.h"
#include "lib/Clock.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <functional>

namespace testing_support {

class JobListTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path(QStringLiteral("zip")));
        writeFile(QStringLiteral("src/a.txt"), "a");
        QDir().mkpath(path(QStringLiteral("bk")));
        appSetup::MaxBackupCopies = 99;
        appSetup::StopOnError = false;
        appSetup::RunMissedBackups = true;
        appSetup::LoadJobList(schedule);
    }

    // Saves a daily job that backs up src/a.txt into bk/, last run yesterday, as `adjust` leaves
    // it, lists it and returns its job file.
    QString addJob(const QString& name, const std::function<void(CBackupJob&)>& adjust = {})
    {
        CBackupJob job;
        job.setJobName(name);
        job.setTargetDirectory(path(QStringLiteral("bk/")));
        job.setCompress(true);
        job.setFrequency(CBackupJob::Daily);
        job.SetDayOfWeek(true, true, true, true, true, true, true);
        job.setFilesToZip(path(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n"));
        job.setDateLastRun(QDateTime(Clock::Today().addDays(-1), QTime(0, 0)));
        if (adjust)
            adjust(job);
        schedule.Jobs().Save(job);
        return schedule.Jobs().JobFile(name);
    }

    frmSchedule schedule;
};

}  // namespace testing_support
