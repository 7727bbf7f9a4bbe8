#pragma once
// The program's table of backup jobs: one record per job, keyed by the job's name, read from
// the job files of the jobs folder, each with its run record (kept in a folder of its own
// beside the jobs folder). The job list window shows it; the scheduler, start-up and the
// wizard ask it.

#include "jobs/BackupRun.h"
#include "jobs/Job.h"
#include "lib/Result.h"
#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>

class JobTable : public QObject {
    Q_OBJECT
public:
    // What loading the jobs folder left out or found unscheduled, for one message each.
    struct LoadReport {
        QStringList skipped;      // "'path': why" for each file not listed
        QStringList unscheduled;  // the names of listed jobs without a next run
    };
    // A job and the due moment it runs for.
    struct DueRun {
        QString name;
        QDateTime due;
    };

    using QObject::QObject;

    // Lists every job file of `jobsFolder`, in file-name order, in place of what was listed,
    // with the run records of `recordsFolder`. A file that is not a readable job file, or names a job already listed, is
    // skipped and left untouched. A job without a next run is written to the transaction log.
    LoadReport load(const QString& jobsFolder, const QString& recordsFolder);

    QStringList names() const;  // in the order listed
    bool contains(const QString& name) const { return m_entries.count(name) != 0; }
    // The listed record of a job; nullptr for a name not listed.
    const Job* job(const QString& name) const;
    // The file a listed job was read from or saved to; empty for a name not listed.
    QString jobFile(const QString& name) const;
    // The file a job of that name is saved to.
    QString jobFilePath(const QString& name) const;
    // The job's run record; an empty one when it has none.
    const RunRecord& record(const QString& name) const;

    // Writes the job's file and lists the job. `previousName` names the listed job it
    // replaces (an edit): its file is removed unless it is the one written, and its run
    // record follows the new name. A due moment before the save is not run for, unless the
    // edit keeps the schedule (the moment came while the job was being edited). Returns why
    // the job file can't be written, in which case nothing is changed.
    Result<> save(const Job& job, const QString& previousName = {});
    // Removes a job with its file and run record.
    void remove(const QString& name);

    // The jobs whose latest due moment has come since they were listed or last run, each
    // with that moment, in the order listed. A moment already handled never comes again,
    // even when the clock is set back.
    std::vector<DueRun> dueNow() const;
    // The jobs whose latest due moment before they were listed lies after their last
    // completed run (or, without a run record, whose latest due day lies after the last-run
    // day of their job file): runs missed while the program was not running, cut off or
    // stopped. Decided now: a moment run for since (a failed run too), or a job with a later
    // moment come since, is not made up.
    std::vector<DueRun> missedRuns() const;
    // Records that a job is run for `due`: the job file's last-run day becomes today and the
    // run record holds the moment, so it is never run for again. Returns why the job file
    // can't be read, in which case nothing is changed. A job file that can't be written is
    // told to the transaction log; the moment is handled all the same.
    Result<> markHandled(const QString& name, const QDateTime& due);
    // A clock that was more than a day ahead left moments in the future (a run record's
    // handled moment, the last-run day of a job file, when the jobs were listed): they are
    // taken back to now, so each job runs at its next due moment. Returns the jobs mended.
    QStringList mendFutureMoments();
    // Changes a job's run record and writes it.
    void updateRecord(const QString& name, const std::function<void(RunRecord&)>& change);

    // The run record's start and end of a run of a listed job: the start gives what the run
    // must know of the job's past and the other jobs' archives; `logLines` are what the run logged, `history` what it
    // leaves for the next.
    BackupRun::History runStarted(const QString& name);
    void runEnded(const QString& name, RunRecord::Result result, const QStringList& logLines,
                  const BackupRun::History& history);

signals:
    // Jobs were listed, saved or removed: the set of jobs may have changed.
    void changed();
    // One listed job's record or job file changed (a run started or ended, a moment handled).
    void jobChanged(const QString& name);

private:
    struct Entry {
        Job job;
        QString file;
        RunRecord record;
        bool hasRecord = false;
        QDateTime listedAt;  // due moments up to this one are no business of the scheduler
        int order = 0;
        QDateTime startedBefore;  // the last run's start before the run under way
        // The first due moment after those handled or before the listing, worked out once, in
        // milliseconds since the epoch (the largest number for a schedule without one).
        // Forgotten whenever the record's moments change.
        mutable std::optional<qint64> nextDueMs;
    };
    QString recordPath(const QString& jobFile) const;
    bool writeJobFile(const Job& job, const QString& file) const;  // false: told, not written
    void writeRecord(const QString& name, Entry& entry);
    bool missed(const Entry& entry, const QDateTime& due) const;

    QString m_jobsFolder;
    QString m_recordsFolder;
    std::map<QString, Entry> m_entries;
    QDateTime m_loadedAt;
    int m_nextOrder = 0;
};
