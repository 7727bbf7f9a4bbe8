#include "jobs/Scheduler.h"

#include "jobs/Targets.h"

#include "jobs/DueMoments.h"
#include "jobs/JobStatus.h"
#include "lib/Clock.h"
#include "lib/DateFormats.h"
#include "lib/TransactionLog.h"

namespace {

// Whether the overdue notice of `day` leaves today to be told: a later day, or a notice day
// that a clock more than a day ahead left in the future.
bool toldBefore(const QDate& noticeDay, const QDate& today)
{
    return !noticeDay.isValid() || noticeDay < today || noticeDay > today.addDays(1);
}

}  // namespace

std::vector<RunRequest> Scheduler::dueRuns(bool makeUps)
{
    mendWrongClock();
    std::vector<RunRequest> runs;
    if (makeUps)
        for (const JobTable::DueRun& missed : m_jobs.missedRuns()) {
            TransactionLog::append(QStringLiteral("Backup Job '%1' runs now to make up for its run due %2, missed while "
                                            "Arkwell was not running.")
                                 .arg(missed.name, DateFormats::formatMoment(missed.due)));
            handle(runs, missed.name, missed.due);
        }
    for (const JobTable::DueRun& back : Targets::returned(m_jobs))
        runs.push_back({back.name, m_jobs.jobFile(back.name), true, back.due});
    for (RunRequest& retry : retries(makeUps))
        runs.push_back(retry);
    for (const JobTable::DueRun& due : m_jobs.dueNow())
        handle(runs, due.name, due.due);
    return runs;
}

// Marks the moment handled and adds its run, unless the job waits for its target; a job file
// that can't be read is logged instead.
void Scheduler::handle(std::vector<RunRequest>& runs, const QString& name, const QDateTime& due)
{
    if (const Result<> handled = m_jobs.markHandled(name, due); !handled)
        TransactionLog::append(QStringLiteral("Backup Job '%1' was not run: %2").arg(name, handled.reason()));
    else if (!Targets::holdRun(m_jobs, name, due))
        runs.push_back({name, m_jobs.jobFile(name), true, due});
}

void Scheduler::mendWrongClock()
{
    for (const QString& name : m_jobs.mendFutureMoments())
        TransactionLog::append(QStringLiteral("Backup Job '%1' was last handled by a clock more than a day ahead: its "
                                        "schedule is worked out from now, and it runs at its next due moment.")
                             .arg(name));
}

// A failed run of the job's latest moment is run again once: RetryAfterSeconds after it
// ended, or at the make-up pass of a new start, never once a later moment has come.
std::vector<RunRequest> Scheduler::retries(bool makeUps)
{
    const QDateTime now = Clock::now();
    std::vector<RunRequest> runs;
    for (const QString& name : m_jobs.names()) {
        const RunRecord& record = m_jobs.record(name);
        const bool failed = record.result == RunRecord::Result::Failed && !record.cutOff()
                            && record.handledDue.isValid() && record.retriedDue != record.handledDue;
        if (!failed || record.waitingSince.isValid() || DueMoments::latestAtOrBefore(*m_jobs.job(name), now) != record.handledDue)
            continue;
        if (!makeUps && record.ended.secsTo(now) < RetryAfterSeconds)
            continue;
        m_jobs.updateRecord(name, [](RunRecord& changed) { changed.retriedDue = changed.handledDue; });
        TransactionLog::append(QStringLiteral("Backup Job '%1' runs again after its failed run due %2.")
                             .arg(name, DateFormats::formatMoment(record.handledDue)));
        runs.push_back({name, m_jobs.jobFile(name), true, record.handledDue});
    }
    return runs;
}

std::vector<Scheduler::OverdueJob> Scheduler::overdueNotices()
{
    const QDateTime now = Clock::now();
    std::vector<OverdueJob> overdue;
    if (m_overdueLookedAt.isValid() && qAbs(m_overdueLookedAt.secsTo(now)) < OverdueLookSeconds)
        return overdue;
    m_overdueLookedAt = now;
    for (const QString& name : m_jobs.names()) {
        const RunRecord& record = m_jobs.record(name);
        if (!toldBefore(record.overdueNoticeDay, now.date()) || !JobStatus::overdue(*m_jobs.job(name), record, now))
            continue;
        m_jobs.updateRecord(name, [&now](RunRecord& changed) { changed.overdueNoticeDay = now.date(); });
        overdue.push_back({name, record.lastCompleted});
    }
    return overdue;
}
