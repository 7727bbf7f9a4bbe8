#pragma once
// A job that holds a schedule and nothing else, for the tests of due moments.

#include "jobs/CBackupJob.h"

namespace testing_support {

inline CBackupJob ScheduledJob(qint32 frequency, qint16 weekdays, qint16 dayOfMonth, QTime start)
{
    CBackupJob job;
    job.setFrequency(frequency);
    job.setDayOfWeek(weekdays);
    job.setDayOfMonth(dayOfMonth);
    job.setStartTime(start);
    return job;
}

}  // namespace testing_support
