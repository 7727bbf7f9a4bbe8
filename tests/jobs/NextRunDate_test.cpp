// When a job is next due, under a clock the test sets.
#include "jobs/Job.h"
#include "support/ScheduledJob.h"
#include "support/TestSupport.h"

using testing_support::TestClock;

constexpr auto schedule = testing_support::ScheduledJob;

namespace {

QDateTime at(int y, int m, int d, int h, int min, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

// Each case: the clock, then the day the job is next due (none: no next run).
void expectNextRuns(const Job& job, const std::vector<std::pair<QDateTime, std::optional<QDate>>>& cases)
{
    TestClock clock(cases.front().first);
    for (const auto& [now, due] : cases) {
        clock.set(now);
        EXPECT_EQ(job.nextRunDate(), due) << now.toString(Qt::ISODate).toStdString();
    }
}

}  // namespace

TEST(NextRunDate, EachFrequencyTurnsAtItsStartTimeAndImpossibleSchedulesHaveNone)
{
    // Daily: 2026-01-06 is a Tuesday; exactly due is due the next day; the year's end is crossed.
    expectNextRuns(schedule(Job::Daily, Job::AllWeekdays, 0, QTime(23, 58)),
                   {{at(2026, 1, 6, 23, 0), QDate(2026, 1, 6)}, {at(2026, 1, 6, 23, 57, 59), QDate(2026, 1, 6)},
                    {at(2026, 1, 6, 23, 58, 0), QDate(2026, 1, 7)}, {at(2026, 1, 6, 23, 59, 59), QDate(2026, 1, 7)},
                    {at(2026, 12, 31, 23, 59), QDate(2027, 1, 1)}});
    // Weekly on the next chosen weekday: 2026-01-05 is a Monday, 2026-01-10 a Saturday.
    expectNextRuns(schedule(Job::Weekly, 68, 0, QTime(3, 0)),
                   {{at(2026, 1, 5, 2, 59), QDate(2026, 1, 5)}, {at(2026, 1, 5, 3, 0), QDate(2026, 1, 9)},
                    {at(2026, 1, 10, 12, 0), QDate(2026, 1, 12)}});
    // A Sunday after the start time.
    expectNextRuns(schedule(Job::Weekly, Job::Sunday, 0, QTime(8, 0)),
                   {{at(2026, 1, 4, 9, 0), QDate(2026, 1, 11)}});
    // Monthly, turning at the start minute.
    expectNextRuns(schedule(Job::Monthly, 0, 15, QTime(10, 30)),
                   {{at(2026, 3, 14, 23, 0), QDate(2026, 3, 15)}, {at(2026, 3, 16, 0, 0), QDate(2026, 4, 15)},
                    {at(2026, 3, 15, 10, 29, 59), QDate(2026, 3, 15)}, {at(2026, 3, 15, 10, 30, 0), QDate(2026, 4, 15)},
                    {at(2026, 3, 15, 10, 30, 59), QDate(2026, 4, 15)}});
    expectNextRuns(schedule(Job::Monthly, 0, 10, QTime(0, 0)), {{at(2025, 12, 20, 8, 0), QDate(2026, 1, 10)}});
    // Monthly days that some months lack are ticked through whole years with the job table.

    // Impossible schedules have no next run, and say so at once.
    TestClock clock(at(2026, 1, 31, 12, 0));
    const QTime one(1, 0);
    for (const Job& job : {Job(),  // a new, empty record: frequency 0
                                  schedule(Job::Daily, 0, 0, one), schedule(Job::Weekly, 1, 0, one),
                                  schedule(Job::Weekly, 256, 0, one), schedule(4, Job::AllWeekdays, 5, one),
                                  schedule(-1, Job::AllWeekdays, 5, one), schedule(Job::Monthly, 0, 0, one),
                                  schedule(Job::Monthly, 0, 32, one)})
        EXPECT_FALSE(job.nextRunDate().has_value()) << job.frequency() << " " << job.dayOfMonth();
}
