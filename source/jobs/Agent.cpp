#include "jobs/Agent.h"

#include "jobs/Targets.h"
#include "lib/Preferences.h"
#include "lib/Clock.h"

#include "lib/AppPaths.h"

Agent::Agent(QObject* parent)
    : QObject(parent)
{
    m_tickTimer.setInterval(TickInterval);
    connect(&m_tickTimer, &QTimer::timeout, this, &Agent::tick);
    m_makeUpTimer.setSingleShot(true);
    m_makeUpTimer.setInterval(MakeUpDelay);
    connect(&m_makeUpTimer, &QTimer::timeout, this, &Agent::makeUpsDue);
    connect(&m_runner, &JobRunner::started, this, &Agent::runStarted);
    connect(&m_runner, &JobRunner::progressChanged, this, &Agent::progressChanged);
    connect(&m_runner, &JobRunner::ended, this, &Agent::runEndedHere);
}

void Agent::start()
{
    m_tickTimer.start();
    m_makeUpTimer.start();
}

void Agent::halt()
{
    m_tickTimer.stop();
    m_makeUpTimer.stop();
}

void Agent::makeUpsDue()
{
    m_makeUpsDue = Preferences::runMissedBackups;
}

void Agent::tick()
{
    if (busy() || (m_held && m_held()))
        return;
    for (const Scheduler::OverdueJob& overdue : m_scheduler.overdueNotices())
        emit jobOverdue(overdue.name, overdue.lastCompleted);
    for (const Targets::Notice& waiting : Targets::notices(m_jobs, Clock::today()))
        emit jobWaiting(waiting.name, waiting.drive);
    enqueue(m_scheduler.dueRuns(std::exchange(m_makeUpsDue, false)));
}

bool Agent::runNow(const QStringList& names)
{
    if (busy())
        return false;
    std::vector<RunRequest> requests;
    for (const QString& name : names)
        requests.push_back({name, m_jobs.jobFile(name), false, {}});
    enqueue(requests);
    return true;
}

void Agent::enqueue(const std::vector<RunRequest>& requests)
{
    m_queue.insert(m_queue.end(), requests.begin(), requests.end());
    runNext();
}

// Starts the next queued run of a job still listed, its start kept in the run record first.
void Agent::runNext()
{
    while (!m_waitingForAnswer && !m_runner.busy() && !m_queue.empty()) {
        RunRequest request = m_queue.front();
        m_queue.pop_front();
        if (!m_jobs.contains(request.name))
            continue;
        request.history = m_jobs.runStarted(request.name);
        m_runner.start(request, Preferences::maxBackupCopies);
        m_runsUnderWay = true;
    }
    if (busy() || !std::exchange(m_runsUnderWay, false))
        return;
    if (!m_batchFailures.isEmpty())
        emit scheduledRunsFailed(std::exchange(m_batchFailures, {}));
    emit runsFinished();
}

// A failure still waiting for its answer holds nothing back any more.
void Agent::stop()
{
    m_queue.clear();
    m_runner.stop();
    answerFailure(true);
}

void Agent::runEndedHere(const RunReport& report)
{
    const RunRecord::Result result = report.result;
    m_jobs.runEnded(report.request.name, result, report.logLines, report.history);
    Targets::runEnded(m_jobs, report.request.name, result);
    const bool failed = result == RunRecord::Result::Failed || result == RunRecord::Result::Incomplete;
    if (report.request.scheduled && failed)
        m_batchFailures << report;
    emit runEnded(report);
    if (failed && Preferences::stopOnError) {
        m_waitingForAnswer = true;
        emit failureToAnswer(report);
        return;
    }
    runNext();
}

void Agent::answerFailure(bool skipRest)
{
    if (!std::exchange(m_waitingForAnswer, false))
        return;
    if (skipRest)
        m_queue.clear();
    runNext();
}
