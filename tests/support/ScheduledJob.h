#pragma once
// A job that holds a schedule and nothing else, for the tests of due moments.

#include "jobs/Job.h"

namespace testing_support {

inline Job ScheduledJob(qint32 frequency, qint16 weekdays, qint16 dayOfMonth, QTime start)
{
    Job job;
    job.setFrequency(frequency);
    job.setWeekdays(weekdays);
    job.setDayOfMonth(dayOfMonth);
    job.setStartTime(start);
    return job;
}

}  // namespace testing_support
