#pragma once
// The scheduler's rules over the job table: which runs are due at a tick, which runs missed
// while the program was not running are made up, which failed run is run again, and which
// jobs are told overdue. Each due moment is handled once, whatever its run's result.

#include "jobs/JobRunner.h"
#include "jobs/JobTable.h"

#include <QDateTime>
#include <QString>
#include <vector>

class Scheduler {
public:
    // A failed run is run again once, this long after it ended (or at the make-up pass of the
    // next start), unless the job's next moment has come by then.
    static constexpr qint64 RetryAfterSeconds = 30 * 60;

    // Overdue jobs are looked for at most this often: a notice comes once a day at most.
    static constexpr qint64 OverdueLookSeconds = 10 * 60;

    explicit Scheduler(JobTable& jobs) : m_jobs(jobs) {}

    // The runs to make now, in order, each marked handled and its reason logged: with
    // `makeUps`, the runs missed while the program was not running; then the failed runs due
    // to be run again; then each job's latest due moment not handled yet. Moments of a clock
    // that was more than a day ahead are mended first, and logged once.
    std::vector<RunRequest> dueRuns(bool makeUps);

    struct OverdueJob {
        QString name;
        QDateTime lastCompleted;
    };
    // The jobs to tell overdue now: each at most once a calendar day, across restarts and
    // clock changes (the day is kept in its run record). Nothing within OverdueLookSeconds
    // of the last look.
    std::vector<OverdueJob> overdueNotices();

private:
    void mendWrongClock();
    std::vector<RunRequest> retries(bool makeUps);
    void handle(std::vector<RunRequest>& runs, const QString& name, const QDateTime& due);

    JobTable& m_jobs;
    QDateTime m_overdueLookedAt;
};
