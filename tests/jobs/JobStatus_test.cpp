// A job's status from its run record, and the transaction log's result lines.
#include "jobs/JobStatus.h"
#include "support/ScheduledJob.h"

#include <gtest/gtest.h>

namespace {

QDateTime at(int day, int hour, int minute = 0)  // December 2026; the 7th is a Monday
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
}

TEST(JobStatus, OverdueAfterTwiceTheIntervalMissedAfterAMinute)
{
    // Due at 10:00 on weekdays only: its interval is a day, or three days over a weekend.
    const qint16 weekdays = Job::AllWeekdays & ~(Job::Saturday | Job::Sunday);
    const Job job = testing_support::ScheduledJob(Job::Daily, weekdays, 0, QTime(10, 0));
    // Each record was made when its first due moment was handled.
    const struct { QDateTime handledDue, lastCompleted, now; bool overdue, missed; } cases[] = {
        {at(4, 10), at(4, 10), at(7, 9), false, false},       // Friday to Monday: the weekend's interval
        {at(8, 10), at(8, 10), at(10, 10), false, false},     // exactly twice a day: not yet
        {at(10, 10), at(8, 10), at(10, 10, 1), true, false},  // one minute more
        {at(8, 10), QDateTime(), at(10, 11), true, true},     // never completed: judged from when its record was made
        {at(8, 10), at(8, 10), at(9, 10, 1), false, false},   // the due moment a minute ago: the scheduler's
        {at(8, 10), at(8, 10), at(9, 10, 2), false, true},
        {QDateTime(), QDateTime(), at(9, 12), false, false},  // nothing known to judge by
    };
    for (const auto& c : cases) {
        RunRecord record;
        record.handledDue = record.created = c.handledDue;
        record.lastCompleted = c.lastCompleted;
        EXPECT_EQ(JobStatus::overdue(job, record, c.now), c.overdue) << c.now.toString().toStdString();
        EXPECT_EQ(JobStatus::missed(job, record, c.now), c.missed) << c.now.toString().toStdString();
        EXPECT_EQ(JobStatus::resultWord(job, record, c.now), c.missed ? "missed" : "");
    }
    EXPECT_EQ(JobStatus::interval(Job(), at(9, 12)), std::nullopt);  // a schedule naming no day
}

TEST(JobStatus, ResultLinesNameTheJobCountsAndReason)
{
    using Result = RunRecord::Result;
    const struct { Result result; BackupRun::Counts counts; const char* line; } cases[] = {
        {Result::Completed, {1234, 56'700'000}, "Backup Job 'Nightly' completed: 1,234 files, 56.7 MB in 12 s"},
        {Result::Completed, {1, 1, 310, 0}, "Backup Job 'Nightly' completed: 1 files, 1 bytes in 12 s; 310 files left out by the job's exclusions"},
        {Result::Failed, {}, "Backup Job 'Nightly' failed: disk full"},
        {Result::Incomplete, {}, "Backup Job 'Nightly' was incomplete: disk full"},
        {Result::Stopped, {}, "Backup Job 'Nightly' was stopped."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JobStatus::resultLine("Nightly", c.result, c.counts, 12, "disk full"), c.line);
    EXPECT_EQ(JobStatus::resultLine("Nightly", Result::Failed, {}, 0, ""), "Backup Job 'Nightly' failed.");
}

}  // namespace
