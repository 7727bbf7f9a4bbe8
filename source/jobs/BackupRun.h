#pragma once
// One run of a backup job: zips its entries into a new archive, tests it and only then
// shifts the previous archives and puts it in place; or copies the entries into the target
// folder. It tells a progress sink how far it is and logs every step. A refusal of the
// operating system (missing or read-only target, full disk, unreadable source) fails the run
// with a transaction-log line; nothing the run meets escapes it. The run blocks its thread
// until it is over: the job runner makes it on a worker thread.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>

#include "jobs/Job.h"
#include "lib/Filesystems.h"
#include "lib/Result.h"
#include "lib/Files.h"

class RunProgressSink;
struct RunProgress;
namespace ZipCommand {
struct ZipOptions;
}

class BackupRun {
public:
    // How a run ended: every entry backed up; failed with nothing changed; zip could not read
    // some files, and the archive of the rest is in place; stopped on request; not started,
    // nothing written, since its target is missing or its drive not mounted.
    enum class Outcome { Completed, Failed, Incomplete, Stopped, Waiting };
    // What a run backed up.
    struct Counts {
        qint64 files = 0;
        qint64 bytes = 0;
        qint64 excludedFiles = 0;  // left out by the job's exclusions; an excluded folder
        qint64 excludedFolders = 0;  // counts as one folder, its content is not looked at
    };

    // What the job's earlier runs left that a run must know: the paths its plain copies made
    // in the target (only those are ever replaced), which kept archives are full (0 the
    // current one, k copy k), when the run that made the current archive began, and the
    // target folder with the filesystem that held it at the last run that put a backup there.
    // The other jobs' archives are never archived either (told by whoever starts the run; not
    // kept in the run record).
    struct History {
        QStringList madeInTarget;
        QList<int> fullArchives;
        QDateTime archiveStarted;
        QStringList otherJobsArchives;
        // The job's plain copies completed before its runs kept the paths they made: the
        // names its entries land on are taken as its own (and from then on kept).
        bool copiesMadeUntracked = false;
        QString targetPath;
        Filesystems::Filesystem targetFilesystem;
    };

    BackupRun(const Job& job, const History& history) : m_job(job), m_history(history) {}
    BackupRun(const BackupRun&) = delete;
    BackupRun& operator=(const BackupRun&) = delete;

    // Runs the job once, keeping at most `maxBackupCopies` previous archives: succeeds when
    // every entry was backed up, else fails with the first reason it logged (see outcome()).
    Result<> run(RunProgressSink& sink, qint16 maxBackupCopies);

    // Asks the run in progress, or the run not begun yet, to stop: zip is terminated (killed
    // when it does not end within two seconds), what the run built is removed and the
    // previous archives are kept. Safe from any thread.
    void requestStop() { m_stopRequested = true; }

    Outcome outcome() const { return m_outcome; }
    const Counts& counts() const { return m_counts; }
    // What the run leaves for the job's next run.
    const History& history() const { return m_history; }
    // The event texts the run logged.
    const QStringList& logLines() const { return m_logLines; }

    // Why a run failed, from the event texts it logged: the drive pulled during the run, else
    // the first that is not one of its progress lines (an entry taken up, a zip command line);
    // empty when there is none.
    static QString firstReason(const QStringList& runLogLines);

private:
    Outcome runEntries(RunProgressSink& sink, int maxCopies);
    template <typename Step>
    static void refusalFailsRun(const QString& entry, Step&& step);
    Files::LeaveOut ownFiles(int maxCopies) const;
    RunProgress beginEntry(RunProgressSink& sink, const QString& prefix, const QStringList& entries, qsizetype done) const;
    Outcome zipEntries(RunProgressSink& sink, const QStringList& entries, int maxCopies);
    bool zipEntry(RunProgressSink& sink, const RunProgress& atStart, const ZipCommand::ZipOptions& options,
                  const QString& archive, const QString& entry, const Files::EntrySelection& selection);
    void countExcluded(const Files::ListedItem& item);
    void testArchive(const QString& building) const;
    void putArchiveInPlace(const QString& building, int maxCopies) const;
    bool fullRun(int kept) const;
    void recordArchivePlaced(bool full, int kept, const QDateTime& started);
    Outcome copyEntries(RunProgressSink& sink, const QStringList& entries);
    void checkCopyTargets(const QStringList& entries) const;
    void madeInTarget(const QString& path);
    void flushToDevice(const QString& placed) const;
    bool targetRemoved(const Filesystems::Filesystem& atStart) const;
    bool copyWholeFolder(RunProgressSink& sink, const RunProgress& atStart, const QString& entry);

    const Job m_job;
    History m_history;
    Outcome m_outcome = Outcome::Failed;
    Counts m_counts;
    QStringList m_logLines;
    std::atomic<bool> m_stopRequested = false;  // set from any thread, read by the run
};
