#pragma once
// The agent: the table of jobs, the job runner and the scheduler's ticks in one object. It
// runs the due jobs and the user's Run now one after another; the windows, the tray and the
// notifications listen to its signals and ask it, and it never waits on any of them.

#include "jobs/JobRunner.h"
#include "jobs/JobTable.h"
#include "jobs/Scheduler.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

class Agent : public QObject {
    Q_OBJECT
public:
    // Scheduler ticks are this many milliseconds apart.
    static constexpr int TickInterval = 5000;
    // Runs missed while the program was not running are made up this long after start-up.
    static constexpr int MakeUpDelay = 60000;

    explicit Agent(QObject* parent = nullptr);

    JobTable& jobs() { return m_jobs; }
    const JobTable& jobs() const { return m_jobs; }
    const JobRunner& runner() const { return m_runner; }

    // Starts the ticks, and the timer after which a tick makes up the missed runs.
    void start();
    // Ends the ticks; a run in progress goes on until it ends or is stopped.
    void halt();
    QTimer& tickTimer() { return m_tickTimer; }
    QTimer& makeUpTimer() { return m_makeUpTimer; }

    // One look at the schedule: unless held or busy, tells the overdue jobs and starts the
    // runs due now, one after another.
    void tick();
    // The next tick makes up the runs missed while the program was not running, when the
    // preference asks for it.
    void makeUpsDue();
    // Nothing is started by a tick while `held` answers true (a wizard or a dialog is open).
    void setHeldWhile(std::function<bool()> held) { m_held = std::move(held); }

    // The user's Run now: the named jobs one after another. False while runs are under way.
    bool runNow(const QStringList& names);
    // Stops the run in progress; the runs still queued are not started.
    void stop();
    // A run in progress or queued, or a failure waiting for the user's answer.
    bool busy() const { return m_runner.busy() || !m_queue.empty() || m_waitingForAnswer; }

    // A failed run with "Stop Auto Backups" on holds every further run until the user has
    // answered: `skipRest` drops the runs still queued.
    void answerFailure(bool skipRest);
    bool waitingForAnswer() const { return m_waitingForAnswer; }

signals:
    void runStarted(const RunRequest& request);
    void progressChanged();
    void runEnded(const RunReport& report);
    // A failed or incomplete run with "Stop Auto Backups" on; runs wait for AnswerFailure.
    void failureToAnswer(const RunReport& report);
    // The failed and incomplete scheduled runs of one batch of runs, told once it is over.
    void scheduledRunsFailed(const QList<RunReport>& reports);
    // Nothing runs and nothing is queued any more.
    void runsFinished();
    void jobOverdue(const QString& name, const QDateTime& lastCompleted);
    // A job waits for its target's drive to be connected (told once a day at most).
    void jobWaiting(const QString& name, const QString& drive);

private:
    void enqueue(const std::vector<RunRequest>& requests);
    void runNext();
    void runEndedHere(const RunReport& report);

    JobTable m_jobs;
    JobRunner m_runner;
    Scheduler m_scheduler{m_jobs};
    QTimer m_tickTimer;
    QTimer m_makeUpTimer;
    std::function<bool()> m_held;
    std::deque<RunRequest> m_queue;
    QList<RunReport> m_batchFailures;
    bool m_makeUpsDue = false;
    bool m_waitingForAnswer = false;
    bool m_runsUnderWay = false;  // a run was started since the agent was last idle
};
