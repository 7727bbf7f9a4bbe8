#include "jobs/DueMoments.h"

#include "jobs/Job.h"

#include <QTimeZone>

namespace DueMoments {
namespace {

// Every schedule that names a day at all names one within this many days of any day (a
// monthly day 31 comes back within two months; a day 29 within two as well).
constexpr int SearchDays = 400;

// The weekday number of a date, Sunday 1 to Saturday 7, as the weekday set counts them.
int weekdayNumber(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

bool scheduledOn(const Job& job, const QDate& day)
{
    switch (job.frequency()) {
    case Job::Daily:
    case Job::Weekly: return job.weekdays() & (1 << weekdayNumber(day));
    case Job::Monthly: return day.day() == job.dayOfMonth();
    default: return false;
    }
}

// Whether the schedule names any day at all, so a search can end.
bool namesAnyDay(const Job& job)
{
    switch (job.frequency()) {
    case Job::Daily:
    case Job::Weekly: return (job.weekdays() & Job::AllWeekdays) != 0;
    case Job::Monthly: return job.dayOfMonth() >= 1 && job.dayOfMonth() <= 31;
    default: return false;
    }
}

// The job's moment on `day` in `zone`: its start time, or the end of the jump when the day
// skips that time.
QDateTime momentOn(const Job& job, const QDate& day, const QTimeZone& zone)
{
    const QDateTime moment(day, job.startTime(), zone);
    if (moment.isValid())
        return moment;
    // Searched from the day before's noon, which no jump takes away (midnight may be one).
    const QTimeZone::OffsetData jump = zone.nextTransition(QDateTime(day.addDays(-1), QTime(12, 0), zone));
    return jump.atUtc.toTimeZone(zone);
}

// The zone the clock's moment is told in; a system whose zone can't be named counts in the
// moment's own offset from UTC.
QTimeZone zoneOf(const QDateTime& moment)
{
    const QTimeZone zone = moment.timeSpec() == Qt::LocalTime ? QTimeZone::systemTimeZone() : moment.timeZone();
    return zone.isValid() ? zone : QTimeZone(moment.offsetFromUtc());
}

// The first of the job's moments met walking day by day from the day of `from`, forward
// (`step` 1) or back (`step` -1), that `wanted` takes.
template <typename Wanted>
std::optional<QDateTime> firstMoment(const Job& job, const QDateTime& from, int step, Wanted&& wanted)
{
    if (!namesAnyDay(job))
        return std::nullopt;
    const QTimeZone zone = zoneOf(from);
    const QDate start = from.toTimeZone(zone).date();
    for (int days = 0; days <= SearchDays; ++days) {
        const QDate day = start.addDays(qint64(step) * days);
        if (scheduledOn(job, day))
            if (const QDateTime moment = momentOn(job, day, zone); wanted(moment))
                return moment;
    }
    return std::nullopt;
}

}  // namespace

std::optional<QDateTime> nextAfter(const Job& job, const QDateTime& after)
{
    return firstMoment(job, after, 1, [&after](const QDateTime& moment) { return moment > after; });
}

std::optional<QDateTime> latestAtOrBefore(const Job& job, const QDateTime& moment)
{
    return firstMoment(job, moment, -1, [&moment](const QDateTime& due) { return due <= moment; });
}

}  // namespace DueMoments
