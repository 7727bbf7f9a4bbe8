#pragma once
// One backup job: its record, its job file, its next run, and its run.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <atomic>
#include <optional>

#include "lib/Filesystems.h"
#include "lib/Files.h"

class RunProgressSink;
struct RunProgress;
namespace ZipCommand {
struct ZipOptions;
}

class CBackupJob {
public:
    // Frequencies, as the job file stores them.
    enum : qint32 { Daily = 1, Weekly = 2, Monthly = 3 };
    // The weekday set: bit 2^n for weekday n, Sunday 1 to Saturday 7.
    enum : qint16 { Sunday = 2, Monday = 4, Tuesday = 8, Wednesday = 16, Thursday = 32, Friday = 64, Saturday = 128,
                    AllWeekdays = 254 };

    const QString& JobName() const { return m_jobName; }
    void setJobName(const QString& value) { m_jobName = value; }

    const QDateTime& DateLastRun() const { return m_dateLastRun; }
    void setDateLastRun(const QDateTime& value) { m_dateLastRun = value; }

    // The day the job is next due (at its start time), counted from the clock; nothing when
    // the schedule has no next run at all (no weekday, an unknown frequency, a day of month
    // no month has).
    std::optional<QDate> DateNextRun() const;
    // Tells the transaction log that the job has no next run and is not run until its
    // schedule is mended.
    void LogNoNextRun() const;

    const QTime& StartTime() const { return m_startTime; }
    void setStartTime(const QTime& value) { m_startTime = value; }

    qint32 Frequency() const { return m_frequency; }
    void setFrequency(qint32 value) { m_frequency = value; }

    qint16 DayOfWeek() const { return m_dayOfWeek; }
    void setDayOfWeek(qint16 value) { m_dayOfWeek = value; }

    qint16 DayOfMonth() const { return m_dayOfMonth; }
    void setDayOfMonth(qint16 value) { m_dayOfMonth = value; }

    bool Compress() const { return m_compress; }
    void setCompress(bool value) { m_compress = value; }

    qint16 NumberCopies() const { return m_numberCopies; }
    void setNumberCopies(qint16 value) { m_numberCopies = value; }

    const QString& Password() const { return m_password; }
    void setPassword(const QString& value) { m_password = value; }

    bool Incremental() const { return m_incremental; }
    void setIncremental(bool value) { m_incremental = value; }

    // Setting a folder without a trailing separator stores it with one.
    const QString& TargetDirectory() const { return m_targetDirectory; }
    void setTargetDirectory(const QString& value);

    // The entries, each followed by CR LF.
    const QString& FilesToZip() const { return m_filesToZip; }
    void setFilesToZip(const QString& value) { m_filesToZip = value; }

    // The options on "#key=value" lines after the entries, kept as read; unknown keys are
    // written back as they are.
    const QStringList& OptionLines() const { return m_optionLines; }
    void setOptionLines(const QStringList& lines) { m_optionLines = lines; }
    // The patterns ("#exclude=") and whether folders tagged as caches are left out
    // ("#cachedir-tag=1"; a job file without the line leaves them in, as it always did).
    QStringList ExcludePatterns() const;
    bool LeavesOutCaches() const;
    // Sets both; the option lines stay as they are when neither changes.
    void setExclusions(const QStringList& patterns, bool leaveOutCaches);
    Exclusions JobExclusions() const { return Exclusions(ExcludePatterns(), LeavesOutCaches()); }

    bool Subdirectories() const { return m_subdirectories; }
    void setSubdirectories(bool value) { m_subdirectories = value; }

    bool Failure() const { return m_failure; }

    // How the last run ended: every entry backed up; failed with nothing changed; zip could
    // not read some files, and the archive of the rest is in place; stopped on request; not
    // started, nothing written, since its target is missing or its drive not mounted.
    enum class RunResult { Completed, Failed, Incomplete, Stopped, Waiting };
    RunResult LastResult() const { return m_lastResult; }
    // What the last run backed up.
    struct RunCounts {
        qint64 files = 0;
        qint64 bytes = 0;
        qint64 excludedFiles = 0;  // left out by the job's exclusions; an excluded folder
        qint64 excludedFolders = 0;  // counts as one folder, its content is not looked at
    };
    const RunCounts& LastCounts() const { return m_lastCounts; }

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
    const History& RunHistory() const { return m_history; }
    void setRunHistory(const History& history) { m_history = history; }

    // Asks the run in progress, or the next run of this record, to stop: zip is terminated
    // (killed when it does not end within two seconds), what the run built is removed and the
    // previous archives are kept. Safe from any thread.
    void RequestStop();

    // Rebuilds the weekday set from seven day choices, Monday first.
    void SetDayOfWeek(bool bMon, bool bTue, bool bWed, bool bThu, bool bFri, bool bSat, bool bSun);

    // Loads the record from a job file. A missing, unreadable or damaged file is a fatal
    // report; TryOpenBackupJob instead returns why the file can't be read, for callers that
    // can go on without it.
    void OpenBackupJob(const QString& sFileName);
    [[nodiscard]] std::optional<QString> TryOpenBackupJob(const QString& sFileName);

    // Writes the record as a job file, whole or not at all. Returns why it can't be written.
    [[nodiscard]] std::optional<QString> SaveBackupJob(const QString& sFileName) const;

    // Whether zip and unzip (its prompt too) can be handed this password, so that the archive
    // opens with it exactly as typed.
    static bool PasswordFitsZip(const QString& password);

    // Whether the job's cleaned name names files inside their folder: not empty, "." or "..",
    // no "/" and no control character. A job file whose name doesn't is damaged.
    static bool NameStaysInFolder(const QString& jobName);

    // Where a plain copy of the entry lands: its folder's or file's own name in the target.
    static QString CopyTarget(const QString& targetDirectory, const QString& entry);

    // The job's archive (copy 0) or its previous copy k, newest first.
    QString ArchivePath(int copy = 0) const;

    // The job file's text for this record.
    QByteArray JobFileText() const;

    // Runs the job now: zips its entries into a new archive, tests it and only then shifts
    // the previous archives (up to `maxBackupCopies`) and puts it in place; or copies the
    // entries into the target directory. Tells `sink` how far it is and logs every step.
    // Returns true unless the run completed (the same value Failure() then holds); see
    // LastResult. A refusal of the operating system (missing or read-only target, full disk,
    // unreadable source) fails the run with a transaction-log line; it does not end the program.
    // The run blocks its thread until it is over: the job runner calls it on a worker thread.
    bool ExecuteBackupNow(RunProgressSink& sink, qint16 maxBackupCopies);

    // Why a run failed, from the event texts it logged: the drive pulled during the run, else
    // the first that is not one of its progress lines (an entry taken up, a zip command line);
    // empty when there is none.
    static QString FirstReason(const QStringList& runLogLines);

    // The entries of a FilesToZip text: every piece closed by CR LF that is not blank,
    // untrimmed; text after the last CR LF is not an entry.
    static QStringList GetFileList(const QString& sFilesToZip);

private:
    void readJobFile(const QString& sFileName);

    template <typename Step>
    static void refusalFailsRun(const QString& entry, Step&& step);
    QString workFolder() const;
    Files::LeaveOut ownFiles(int maxCopies) const;
    RunResult runEntries(RunProgressSink& sink, int maxCopies);
    RunProgress beginEntry(RunProgressSink& sink, const QString& prefix, const QStringList& entries, qsizetype done) const;
    RunResult zipEntries(RunProgressSink& sink, const QStringList& entries, int maxCopies);
    bool zipEntry(RunProgressSink& sink, const RunProgress& atStart, const ZipCommand::ZipOptions& options,
                  const QString& archive, const QString& entry, const Files::EntrySelection& selection);
    void countExcluded(const Files::ListedItem& item);
    void testArchive(const QString& building) const;
    void putArchiveInPlace(const QString& building, int maxCopies) const;
    bool fullRun(int kept) const;
    void recordArchivePlaced(bool full, int kept, const QDateTime& started);
    RunResult copyEntries(RunProgressSink& sink, const QStringList& entries);
    void checkCopyTargets(const QStringList& entries) const;
    void madeInTarget(const QString& path);
    void flushToDevice(const QString& placed) const;
    bool targetRemoved(const Filesystems::Filesystem& atStart) const;
    bool copyWholeFolder(RunProgressSink& sink, const RunProgress& atStart, const QString& entry);

    QString m_jobName;
    QDateTime m_dateLastRun;
    QTime m_startTime = QTime(0, 0);
    qint32 m_frequency = 0;
    qint16 m_dayOfWeek = 0;
    qint16 m_dayOfMonth = 0;
    bool m_compress = false;
    qint16 m_numberCopies = 0;
    QString m_password;
    QString m_targetDirectory;
    QString m_filesToZip;
    QStringList m_optionLines;  // "#key=value" lines after the entries, kept as read
    bool m_subdirectories = false;
    bool m_failure = false;
    bool m_incremental = false;
    RunResult m_lastResult = RunResult::Completed;
    RunCounts m_lastCounts;
    History m_history;
    // Set by RequestStop from any thread, read by the run; a copied record starts unset.
    struct StopFlag {
        std::atomic<bool> raised = false;
        StopFlag() = default;
        StopFlag(const StopFlag&) {}
        StopFlag& operator=(const StopFlag&) { return *this; }
    };
    StopFlag m_stopRequested;
};
