#pragma once
// Runs backup jobs, one at a time, each on a worker thread of its own: the run may wait for
// zip and check its archive there while the program's event loop goes on. Start, progress and
// end are told through signals in the runner's own thread; a stop reaches the run at once.

#include "jobs/BackupRun.h"
#include "jobs/RunProgress.h"
#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <memory>

// A run to make: the job, the file it is read from when the run begins, for a scheduled run
// the due moment it is made for, and what the run must know of the job's earlier runs.
struct RunRequest {
    QString name;
    QString jobFile;
    bool scheduled = false;
    QDateTime due;
    BackupRun::History history;
};

// How a run ended.
struct RunReport {
    RunRequest request;
    RunRecord::Result result = RunRecord::Result::Failed;
    BackupRun::Counts counts;
    QString reason;        // why it failed or was incomplete: the first line it logged that says so
    QStringList logLines;  // every event text the run logged
    qint64 seconds = 0;
    BackupRun::History history;  // what the run leaves for the job's next run
};

class JobRunner : public QObject, private RunProgressSink {
    Q_OBJECT
public:
    using QObject::QObject;
    // Stops a run in progress and waits for it to end.
    ~JobRunner() override;

    // Starts the run on a worker thread, keeping at most `maxBackupCopies` previous archives.
    // False while another run is in progress.
    bool start(const RunRequest& request, qint16 maxBackupCopies);
    // Asks the run in progress to stop (zip ended, its work removed, the archives kept); the
    // end is told by `ended` as for any run. Nothing outside a run.
    void stop();
    bool busy() const { return m_worker != nullptr; }
    // The job at work; empty outside a run.
    QString runningJob() const { return m_running.name; }
    // The latest progress and status text of the run in progress.
    RunProgress progress() const;
    QString statusText() const;

signals:
    void started(const RunRequest& request);
    // The progress or status text changed; several changes in a row are told once.
    void progressChanged();
    void ended(const RunReport& report);

private:
    void run(qint16 maxBackupCopies);  // on the worker thread
    void finish();
    void setStatusText(const QString& text) override;
    void setProgress(const RunProgress& progress) override;
    void tellProgress();

    RunRequest m_running;
    std::unique_ptr<QThread> m_worker;
    RunReport m_report;  // written by the worker, read once it has finished

    mutable QMutex m_mutex;  // guards what follows, shared with the worker
    BackupRun* m_run = nullptr;
    bool m_stopRequested = false;
    RunProgress m_progress;
    QString m_statusText;
    bool m_progressTold = true;  // no change waits to be told
};
