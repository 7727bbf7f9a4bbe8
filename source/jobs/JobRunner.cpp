#include "jobs/JobRunner.h"

#include "jobs/JobStatus.h"
#include "jobs/JobFile.h"
#include "lib/TransactionLog.h"

#include <QElapsedTimer>
#include <QMutexLocker>

JobRunner::~JobRunner()
{
    stop();
    if (m_worker)
        m_worker->wait();
}

bool JobRunner::start(const RunRequest& request, qint16 maxBackupCopies)
{
    if (m_worker)
        return false;
    {
        const QMutexLocker lock(&m_mutex);
        m_stopRequested = false;
        m_progress = {};
        m_statusText.clear();
    }
    m_running = request;
    m_worker.reset(QThread::create([this, maxBackupCopies] { run(maxBackupCopies); }));
    connect(m_worker.get(), &QThread::finished, this, &JobRunner::finish);
    emit started(request);
    m_worker->start();
    return true;
}

void JobRunner::stop()
{
    const QMutexLocker lock(&m_mutex);
    if (!m_worker)
        return;
    m_stopRequested = true;
    if (m_run)
        m_run->requestStop();
}

// One job's run, between a log line naming the job and one telling its result. A job file
// that can't be read fails the run; anything unforeseen inside the run fails it too, with
// its reason.
void JobRunner::run(qint16 maxBackupCopies)
{
    const QString& name = m_running.name;
    TransactionLog::append(JobStatus::startLine(name));
    const TransactionLog::Recorder runLog;
    QElapsedTimer duration;
    duration.start();
    RunReport report;
    report.request = m_running;
    report.history = m_running.history;
    if (const Result<Job> job = JobFile::read(m_running.jobFile); !job) {
        TransactionLog::append(QStringLiteral("The job file of Backup Job '%1' can't be read: %2").arg(name, job.reason()));
    } else {
        BackupRun run(*job, m_running.history);
        {
            const QMutexLocker lock(&m_mutex);
            m_run = &run;
            if (m_stopRequested)
                run.requestStop();
        }
        (void)run.run(*this, maxBackupCopies);  // its reason is read from the whole log below
        {
            const QMutexLocker lock(&m_mutex);
            m_run = nullptr;
        }
        report.result = RunRecord::resultOf(run.outcome());
        report.counts = run.counts();
        report.history = run.history();
    }
    report.logLines = runLog.lines();
    report.reason = BackupRun::firstReason(report.logLines);
    report.seconds = duration.elapsed() / 1000;
    TransactionLog::append(JobStatus::resultLine(name, report.result, report.counts, report.seconds, report.reason));
    m_report = report;
}

void JobRunner::finish()
{
    m_worker->wait();
    m_worker.reset();
    m_running = {};
    emit ended(m_report);
}

RunProgress JobRunner::progress() const
{
    const QMutexLocker lock(&m_mutex);
    return m_progress;
}

QString JobRunner::statusText() const
{
    const QMutexLocker lock(&m_mutex);
    return m_statusText;
}

void JobRunner::setStatusText(const QString& text)
{
    const QMutexLocker lock(&m_mutex);
    m_statusText = text;
    tellProgress();
}

void JobRunner::setProgress(const RunProgress& progress)
{
    const QMutexLocker lock(&m_mutex);
    m_progress = progress;
    tellProgress();
}

// Called with the mutex held, on the worker thread: one notice is queued to the runner's
// thread for however many changes come before it is delivered.
void JobRunner::tellProgress()
{
    if (!std::exchange(m_progressTold, false))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            {
                const QMutexLocker lock(&m_mutex);
                m_progressTold = true;
            }
            emit progressChanged();
        },
        Qt::QueuedConnection);
}
