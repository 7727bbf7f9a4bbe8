#include "jobs/BackupRun.h"

#include "jobs/ArchiveCheck.h"
#include "jobs/RunProgress.h"
#include "jobs/JobLock.h"
#include "jobs/Targets.h"
#include "jobs/ZipCommand.h"
#include "lib/AppPaths.h"
#include "lib/ChildProcess.h"
#include "lib/TransactionLog.h"

#include "lib/Errors.h"
#include "lib/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>

#include <algorithm>
#include <map>
#include <set>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>


namespace {

const QString ZippingUpPrefix = QStringLiteral("Zipping Up   ");
const QString BackingUpPrefix = QStringLiteral("Backing Up   ");

// A foreseen end of a run, already logged or shown: the run fails and the program goes on.
struct RunFailed {};
// The run was asked to stop.
struct RunStopped {};

[[noreturn]] void failRun(const QString& logLine)
{
    TransactionLog::append(logLine);
    throw RunFailed{};
}

// The reason of a run that failed because its target went away while it ran.
const QString TargetRemovedPrefix = QStringLiteral("Arkwell Error, the target drive was removed");

bool isProgressLine(const QString& logLine)
{
    return logLine.startsWith(ZippingUpPrefix) || logLine.startsWith(BackingUpPrefix)
           || logLine.startsWith(ZipCommand::CommandLinePrefix);
}

// The entry as the status text shows it: at most 40 characters, its middle cut out.
QString shownEntry(const QString& entry)
{
    return entry.size() < 40 ? entry : entry.left(3) + QStringLiteral("...") + entry.right(34);
}

void showEntryStatus(RunProgressSink& sink, const QString& prefix, const QString& entry)
{
    sink.setStatusText(prefix + shownEntry(entry));
    TransactionLog::append(prefix + entry);
}

// Fails the run when the entry's file, or a wildcard entry's folder, is not there.
void checkEntryExists(const QString& entry)
{
    if (Files::kindOfEntry(entry) == Files::EntryKind::File) {
        if (!Files::fileExists(entry))
            failRun(QStringLiteral("Arkwell Pre-Emptive Error, file to backup does not exist: '") + entry
                    + QStringLiteral("'."));
    } else if (!Files::folderExists(Files::folderPart(entry))) {
        failRun(QStringLiteral("Arkwell Pre-Emptive Error, file specification (wildcards) to backup does not exist: '")
                + entry + QStringLiteral("'."));
    }
}

bool renamed(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Renames that are taken back in reverse order when a later one fails, so that a rotation
// cut short leaves every archive under its old name.
class Renames {
public:
    bool tryMove(const QString& from, const QString& to)
    {
        if (!renamed(from, to))
            return false;
        m_done.emplace_back(from, to);
        return true;
    }
    void move(const QString& from, const QString& to)
    {
        if (!tryMove(from, to))
            Errors::throwErrno(errno, from);
    }
    void undo()
    {
        for (auto done = m_done.rbegin(); done != m_done.rend(); ++done)
            renamed(done->second, done->first);
        m_done.clear();
    }

private:
    std::vector<std::pair<QString, QString>> m_done;
};

// The current archive can't be moved aside: the run fails, telling the likely cause.
[[noreturn]] void failArchiveLocked(const QString& archiveBase)
{
    failRun(QStringLiteral("Fatal Error intercepted by Arkwell when renaming your previous zip file '") + archiveBase
            + QStringLiteral(".zip. This is due most likely to the zip file being locked because you were just "
                             "viewing the zip file. The fix is to close all open zip files you are viewing."));
}

void logNotCopied(const QString& path, const QString& reason)
{
    TransactionLog::append(QStringLiteral("Arkwell Error, '") + path + QStringLiteral("' is not in the backup: ") + reason
                     + QLatin1Char('.'));
}

// The run's start as the file system's clock has it (the status-change time of the work
// folder it has just made): every file changed after it has a time at or after it, although
// the system keeps file times a little coarser than its clock.
QDateTime fileClockAt(const QString& folder)
{
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return QDateTime::currentDateTimeUtc();
    return QDateTime::fromMSecsSinceEpoch(qint64(info.st_ctim.tv_sec) * 1000 + info.st_ctim.tv_nsec / 1000000, Qt::UTC);
}

// Fails the run when a whole folder's backup folder would replace its source or a folder
// holding it, or the entry is the root folder, which has no name of its own to copy to.
void checkNotOwnSource(const QString& entry, const QString& backupFolder)
{
    const QString source = QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))));
    if (QFileInfo(source).fileName().isEmpty())
        failRun(QStringLiteral("Arkwell Error, the root folder can't be backed up without compression: '") + entry
                + QStringLiteral("'."));
    const QString sourceReal = QFileInfo(source).canonicalFilePath();
    const QString targetReal = QFileInfo(QFileInfo(backupFolder).path()).canonicalFilePath();
    const QString backupReal = targetReal + QLatin1Char('/') + QFileInfo(source).fileName();
    if (targetReal == sourceReal || backupReal == sourceReal || sourceReal.startsWith(backupReal + QLatin1Char('/')))
        failRun(QStringLiteral("Arkwell Error, the backup folder '") + backupFolder
                + QStringLiteral("' would replace its own source: '") + entry + QStringLiteral("'."));
}

// Why a program could not be started, as far as its file tells.
QString whyNotStarted(const QString& program)
{
    const QFileInfo file(program);
    if (!file.exists())
        return QLatin1Char('\'') + program + QStringLiteral("' does not exist");
    if (!file.isExecutable())
        return QLatin1Char('\'') + program + QStringLiteral("' is not executable");
    return QStringLiteral("the system refused to start '") + program + QLatin1Char('\'');
}

void logLeftOut(const QByteArray& path, const QString& reason)
{
    TransactionLog::append(QStringLiteral("Arkwell Error, '") + Files::shownPath(path) + QStringLiteral("' is not in the archive: ")
                     + reason + QLatin1Char('.'));
}

}  // namespace

QString BackupRun::firstReason(const QStringList& runLogLines)
{
    const auto removed = std::find_if(runLogLines.begin(), runLogLines.end(),
                                      [](const QString& line) { return line.startsWith(TargetRemovedPrefix); });
    if (removed != runLogLines.end())
        return *removed;
    const auto reason = std::find_if_not(runLogLines.begin(), runLogLines.end(), isProgressLine);
    return reason == runLogLines.end() ? QString() : *reason;
}

Files::LeaveOut BackupRun::ownFiles(int maxCopies) const
{
    std::set<std::pair<dev_t, ino_t>> own;
    const auto add = [&own](const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            own.insert({info.st_dev, info.st_ino});
    };
    add(m_job.workFolder());
    for (int copy = 0; copy <= maxCopies; ++copy)
        add(m_job.archivePath(copy));
    for (const QString& archive : m_history.otherJobsArchives)
        add(archive);
    return [own](const Files::ListedItem& item) {
        const QByteArray name = item.path.mid(item.path.lastIndexOf('/') + 1);
        return own.count({item.info.st_dev, item.info.st_ino}) > 0
               || (S_ISDIR(item.info.st_mode) && name.startsWith('.') && name.endsWith(".arkwell"));
    };
}

void BackupRun::countExcluded(const Files::ListedItem& item)
{
    ++(S_ISDIR(item.info.st_mode) ? m_counts.excludedFolders : m_counts.excludedFiles);
}

Result<> BackupRun::run(RunProgressSink& sink, qint16 maxBackupCopies)
{
    const TransactionLog::Recorder runLog;
    m_counts = {};
    sink.setStatusText(QStringLiteral("Initializing..."));
    try {
        m_outcome = runEntries(sink, std::clamp<int>(maxBackupCopies, 1, 99));
    } catch (const Errors::AppError& error) {  // unforeseen: the run fails with its reason
        m_outcome = Outcome::Failed;
        TransactionLog::append(QStringLiteral("Arkwell Error, ") + error.info().description + QLatin1Char('.'));
    } catch (const std::exception& error) {
        m_outcome = Outcome::Failed;
        TransactionLog::append(QStringLiteral("Arkwell Error, ") + QString::fromLocal8Bit(error.what()) + QLatin1Char('.'));
    }
    sink.setStatusText(QString());
    m_logLines = runLog.lines();
    if (m_outcome != Outcome::Completed)
        return Failure{firstReason(m_logLines)};
    return {};
}
BackupRun::Outcome BackupRun::runEntries(RunProgressSink& sink, int maxCopies)
{
    const QStringList entries = m_job.entries();
    const QString work = m_job.workFolder();
    Outcome result = Outcome::Failed;
    bool stopped = false;
    Filesystems::Filesystem target;  // what held the target when the run began
    try {
        if (entries.isEmpty())
            failRun(QStringLiteral("Arkwell Error, the job '") + m_job.name() + QStringLiteral("' names nothing to back up."));
        if (!Job::nameStaysInFolder(m_job.name()))
            failRun(QStringLiteral("Arkwell Error, the job name '") + m_job.name()
                    + QStringLiteral("' would name files outside the target folder."));
        // A target that is away is waited for: nothing is written there, not even the work folder.
        const Targets::Verdict verdict = Targets::check(m_job.targetDirectory(), m_history);
        if (QDir::isAbsolutePath(m_job.targetDirectory()) && !verdict.ready) {
            TransactionLog::append(Targets::waitLine(m_job.name(), verdict));
            return Outcome::Waiting;
        }
        if (!QDir::isAbsolutePath(m_job.targetDirectory()) || !Files::folderExists(m_job.targetDirectory()))
            failRun(QStringLiteral("Arkwell Error, the target folder '") + Files::withoutTrailingSlash(m_job.targetDirectory())
                    + QStringLiteral("' does not exist."));
        const std::unique_ptr<JobLock> lock = JobLock::tryTake(m_job.name());
        if (!lock)
            failRun(QStringLiteral("Arkwell Error, the job '") + m_job.name()
                    + QStringLiteral("' is being backed up or restored elsewhere right now."));
        target = verdict.filesystem;
        // A killed run's leftovers go first; the folder is the owner's alone.
        refusalFailsRun(work, [&] {
            Files::removeFolder(work);
            if (::mkdir(QFile::encodeName(work).constData(), 0700) != 0)
                Errors::throwErrno(errno, work);
        });
        result = m_job.compress() ? zipEntries(sink, entries, maxCopies) : copyEntries(sink, entries);
        if (result != Outcome::Failed) {
            m_history.targetPath = m_job.targetDirectory();
            m_history.targetFilesystem = target;
        }
    } catch (const RunFailed&) {
        result = Outcome::Failed;
    } catch (const RunStopped&) {
        stopped = true;
    } catch (const Files::CopyStopped&) {
        stopped = true;
    }
    if (stopped) {
        TransactionLog::append(QStringLiteral("Backup Job '") + m_job.name()
                         + QStringLiteral("' was stopped; what it had built is removed, the previous backups are kept."));
        result = Outcome::Stopped;
    }
    if (result == Outcome::Failed && targetRemoved(target)) {  // what is on the drive stays as it is
        TransactionLog::append(TargetRemovedPrefix + QStringLiteral(": '") + Files::withoutTrailingSlash(m_job.targetDirectory())
                         + QStringLiteral("' is gone; the job waits for it to be connected again."));
        return result;
    }
    try {
        if (Job::nameStaysInFolder(m_job.name()))
            Files::removeFolder(work);
    } catch (const Errors::AppError& error) {  // the next run of the job tries again
        TransactionLog::append(QStringLiteral("Arkwell Error, ") + error.info().description + QStringLiteral(" while cleaning up '")
                         + work + QStringLiteral("'."));
    }
    return result;
}

// The run goes on only while the operating system grants what it asks; a refusal (a
// missing or read-only target, a full disk, an unreadable file) is logged with the file
// and the reason and fails the run.
template <typename Step>
void BackupRun::refusalFailsRun(const QString& entry, Step&& step)
{
    try {
        step();
    } catch (const Errors::AppError& error) {
        failRun(QStringLiteral("Arkwell Error, ") + error.info().description + QStringLiteral(" while backing up '")
                + entry + QStringLiteral("'."));
    }
}

// Takes up entry number `done` (from 0): its progress and status shown and logged; a stop
// request or a missing entry ends the run here.
RunProgress BackupRun::beginEntry(RunProgressSink& sink, const QString& prefix, const QStringList& entries,
                                   qsizetype done) const
{
    const QString& entry = entries[done];
    const RunProgress progress{done, entries.size(), m_counts.files, m_counts.files, entry};
    sink.setProgress(progress);
    showEntryStatus(sink, prefix, entry);
    if (m_stopRequested)
        throw RunStopped{};
    checkEntryExists(entry);
    return progress;
}

BackupRun::Outcome BackupRun::zipEntries(RunProgressSink& sink, const QStringList& entries, int maxCopies)
{
    if (!Job::passwordFitsZip(m_job.password()))  // zip would encrypt with another password than the user's
        failRun(QStringLiteral("Arkwell Error, the password of the job '") + m_job.name()
                + QStringLiteral("' is longer than 80 characters, starts with a hyphen or a quotation mark, or holds both a blank and a quotation mark, which zip can't be given."));
    const QString building = m_job.workFolder() + QStringLiteral("/new.zip");
    const ZipCommand::ZipOptions options{m_job.password(), m_job.workFolder()};
    const QDateTime started = fileClockAt(m_job.workFolder());
    const int kept = std::min<int>(m_job.copies(), maxCopies);
    const bool full = fullRun(kept);
    std::optional<timespec> changedSince;
    if (!full) {
        const qint64 ms = m_history.archiveStarted.toMSecsSinceEpoch();
        changedSince = timespec{ms / 1000, (ms % 1000) * 1000000};
    }
    const Files::LeaveOut leaveOut = ownFiles(maxCopies);
    bool leftOut = false;
    try {
        for (qsizetype done = 0; const QString& entry : entries) {
            const RunProgress progress = beginEntry(sink, ZippingUpPrefix, entries, done++);
            leftOut |= zipEntry(sink, progress, options, building, entry, {leaveOut, m_job.exclusions(), changedSince});
        }
        if (!Files::fileExists(building)) {  // no entry had a file, or none changed
            if (leftOut)
                return Outcome::Incomplete;
            TransactionLog::append(QStringLiteral("Nothing changed since the archive '") + m_job.archivePath(0)
                             + QStringLiteral("' was made: it stays as it is."));
            return Outcome::Completed;
        }
        testArchive(building);
        refusalFailsRun(m_job.archivePath(0), [&] { putArchiveInPlace(building, maxCopies); });
        recordArchivePlaced(full, kept, started);
    } catch (const RunFailed&) {
        TransactionLog::append(QStringLiteral("The previous archives of the job '") + m_job.name()
                         + QStringLiteral("' are kept as they were: the new one was not completed."));
        throw;
    }
    flushToDevice(m_job.archivePath(0));
    return leftOut ? Outcome::Incomplete : Outcome::Completed;
}

// Zips one entry's files into the archive being built, telling the sink of each file zip has
// added; true when some of them are left out (named in the log), the archive holding the rest.
bool BackupRun::zipEntry(RunProgressSink& sink, const RunProgress& atStart, const ZipCommand::ZipOptions& options,
                          const QString& archive, const QString& entry, const Files::EntrySelection& selection)
{
    Files::EntryFiles files;
    refusalFailsRun(entry, [&] { files = Files::listEntry(entry, m_job.subdirectories(), selection); });
    std::for_each(files.skipped.begin(), files.skipped.end(), Files::logSkipped);
    for (const Files::ListedItem& item : files.excluded)
        countExcluded(item);
    bool leftOut = !files.unreadable.empty();
    for (const auto& [path, error] : files.unreadable)
        logLeftOut(path, QStringLiteral("its folder can't be read (") + qt_error_string(error) + QLatin1Char(')'));
    std::erase_if(files.names, [&leftOut](const QByteArray& name) {
        if (!ZipCommand::nameZipCantTake(name))
            return false;
        logLeftOut(name, QStringLiteral("zip can't be given a name holding a line break that is not text"));
        return leftOut = true;
    });
    m_counts.files += files.files;
    m_counts.bytes += files.bytes;
    if (files.names.empty() && files.unchanged == 0) {  // the other entries are backed up all the same
        TransactionLog::append(*ZipCommand::exitCodeMessage(12, entry, false));
        return true;
    }
    if (files.names.empty())  // nothing changed since the previous archive
        return leftOut;

    QByteArray output;
    ChildProcess::ProgramRun run = ZipCommand::entryRun(AppPaths::zipProgramPath(), options, archive, files.names,
                                                   Files::kindOfEntry(entry) != Files::EntryKind::File);
    run.output = &output;
    run.stop = &m_stopRequested;
    RunProgress progress = atStart;
    progress.files = m_counts.files;
    run.newOutputLines = [&sink, &progress](const QByteArray& lines) {
        for (const QByteArray& file : ZipCommand::addedFiles(lines)) {
            progress.filesDone = std::min(progress.filesDone + 1, progress.files);
            progress.current = Files::shownPath(file);
            sink.setProgress(progress);
        }
    };
    TransactionLog::append(ZipCommand::commandLineText(run));
    const qint32 exitCode = ChildProcess::runAndWait(run);
    if (m_stopRequested)
        throw RunStopped{};
    for (const ZipCommand::Warning& warning : ZipCommand::warnings(output)) {
        if (warning.leftOut)
            logLeftOut(warning.file, QStringLiteral("zip could not read it"));
        else if (!warning.file.isEmpty())
            TransactionLog::append(QStringLiteral("Arkwell Error, '") + Files::shownPath(warning.file)
                             + QStringLiteral("' may be damaged in the archive: zip warned '") + warning.text + QStringLiteral("'."));
        else
            TransactionLog::append(QStringLiteral("Arkwell Error, zip warned '") + warning.text + QStringLiteral("'."));
        leftOut = true;
    }
    if (exitCode == ChildProcess::NotStarted)
        failRun(QStringLiteral("Arkwell Error, zip could not be started (") + whyNotStarted(run.program) + QStringLiteral(")."));
    if (const std::optional<QString> message = ZipCommand::exitCodeMessage(exitCode, entry, m_job.incremental())) {
        TransactionLog::append(*message);
        if (exitCode == 18)  // every file but those named is in the archive
            return true;
        if (exitCode == ChildProcess::EndedAbnormally)
            TransactionLog::append(QStringLiteral("Arkwell Error, the zip program '") + run.program + QStringLiteral("' ended abnormally."));
        throw RunFailed{};
    }
    return leftOut;
}

// Whether the run makes a full archive: always but for an incremental job whose kept
// archives, after this run's rotation, still hold a full one, made by a run that began
// before now (a clock set back since would hide changes).
bool BackupRun::fullRun(int kept) const
{
    const QDateTime& since = m_history.archiveStarted;
    if (!m_job.incremental() || !since.isValid() || since > QDateTime::currentDateTimeUtc() || !Files::fileExists(m_job.archivePath(0)))
        return true;
    return std::none_of(m_history.fullArchives.begin(), m_history.fullArchives.end(),
                        [&](int copy) { return copy < kept && Files::fileExists(m_job.archivePath(copy)); });
}

// The new archive is in place: the full archives have moved one copy down.
void BackupRun::recordArchivePlaced(bool full, int kept, const QDateTime& started)
{
    QList<int> fullArchives;
    if (full)
        fullArchives << 0;
    for (int copy : m_history.fullArchives)
        if (copy + 1 <= kept)
            fullArchives << copy + 1;
    m_history.fullArchives = fullArchives;
    m_history.archiveStarted = started;
}

// Checks every entry of the new archive against its check sum before it replaces anything:
// in this process while no entry is encrypted, else with unzip, the password in its environment.
void BackupRun::testArchive(const QString& building) const
{
    const ArchiveCheck::Result check = ArchiveCheck::check(building, m_stopRequested);
    QString failure = check.reason;
    if (check.verdict == ArchiveCheck::Verdict::NeedsUnzip && !m_stopRequested) {
        ChildProcess::ProgramRun run = ZipCommand::testRun(AppPaths::zipProgramPath(), m_job.password(), building);
        run.stop = &m_stopRequested;
        if (const qint32 exitCode = ChildProcess::runAndWait(run); exitCode != 0)
            failure = QLatin1Char('\'') + run.program + QStringLiteral("' ended with %1").arg(exitCode);
    }
    if (m_stopRequested)
        throw RunStopped{};
    if (!failure.isEmpty())
        failRun(QStringLiteral("Arkwell Error, the new archive failed its test (") + failure
                + QStringLiteral("): it replaces nothing."));
}

// Shifts the previous archives one place down (copy 1 the newest), keeping as many as the job
// asks, and puts the new archive in place. Whatever fails on the way puts every archive back
// under its old name; a current archive that can't be moved fails the run, the likely cause logged.
void BackupRun::putArchiveInPlace(const QString& building, int maxCopies) const
{
    if (::chmod(QFile::encodeName(building).constData(), 0600) != 0)
        Errors::throwErrno(errno, building);
    const QString aside = m_job.workFolder() + QStringLiteral("/previous_");
    const int kept = std::min<int>(m_job.copies(), maxCopies);
    Renames renames;
    try {
        for (int k = maxCopies; k >= std::max(kept, 1); --k)  // the copies that go, the oldest kept one too
            if (Files::fileExists(m_job.archivePath(k)))
                renames.move(m_job.archivePath(k), aside + QString::number(k));
        for (int k = kept; k >= 2; --k)
            if (Files::fileExists(m_job.archivePath(k - 1)))
                renames.move(m_job.archivePath(k - 1), m_job.archivePath(k));
        const QString current = m_job.archivePath(0);
        if (Files::fileExists(current) && !renames.tryMove(current, kept >= 1 ? m_job.archivePath(1) : aside + QLatin1Char('0'))) {
            renames.undo();
            failArchiveLocked(current.chopped(4));
        }
        renames.move(building, current);
    } catch (const Errors::AppError&) {
        renames.undo();
        throw;
    }
}

BackupRun::Outcome BackupRun::copyEntries(RunProgressSink& sink, const QStringList& entries)
{
    checkCopyTargets(entries);
    bool leftOut = false;
    for (qsizetype done = 0; const QString& entry : entries) {
        const RunProgress progress = beginEntry(sink, BackingUpPrefix, entries, done++);
        switch (Files::kindOfEntry(entry)) {
        case Files::EntryKind::WholeFolder:
            leftOut |= copyWholeFolder(sink, progress, entry);
            break;
        case Files::EntryKind::WildcardGroup:
            TransactionLog::append(QStringLiteral("Error, cannot perform wildcard backups with no compression."));
            leftOut = true;
            break;
        case Files::EntryKind::File:
            try {
                Files::copyFileWhole(entry, Job::copyTarget(m_job.targetDirectory(), entry));
            } catch (const Errors::AppError& error) {  // the other entries are copied all the same
                logNotCopied(entry, error.info().description);
                leftOut = true;
                break;
            }
            madeInTarget(Job::copyTarget(m_job.targetDirectory(), entry));
            ++m_counts.files;
            m_counts.bytes += QFileInfo(entry).size();
            sink.setProgress({progress.entriesDone, entries.size(), m_counts.files, m_counts.files, entry});
            break;
        }
    }
    flushToDevice(QString());
    return leftOut ? Outcome::Incomplete : Outcome::Completed;
}

// Writes what the run placed through to the device before the run tells its result, so the
// drive can be unplugged once it says so: the archive and the target folder's names, or for
// plain copies (`placed` empty) every file of the target's filesystem.
void BackupRun::flushToDevice(const QString& placed) const
{
    const Filesystems::System& system = Filesystems::current();
    const QString folder = Files::withoutTrailingSlash(m_job.targetDirectory());
    Result<> flushed = placed.isEmpty() ? system.flushFilesystem(folder) : system.flush(placed);
    if (flushed)
        flushed = system.flush(folder);
    if (!flushed)
        failRun(QStringLiteral("Arkwell Error, the backup in '") + folder
                + QStringLiteral("' could not be written through to its drive (") + flushed.reason() + QStringLiteral(")."));
}

// Whether the target went away during the run: gone, or held by another filesystem than
// when the run began.
bool BackupRun::targetRemoved(const Filesystems::Filesystem& atStart) const
{
    if (!atStart.isKnown())
        return false;
    return !Files::folderExists(m_job.targetDirectory())
           || !Filesystems::current().holding(Files::withoutTrailingSlash(m_job.targetDirectory())).isSame(atStart);
}

// Fails the run before anything changes when two entries would land on one name in the
// target, or an entry on a name there that the job's own runs did not make.
void BackupRun::checkCopyTargets(const QStringList& entries) const
{
    std::map<QString, QString> landing;  // the name in the target, the entry copied to it
    for (const QString& entry : entries) {
        const Files::EntryKind kind = Files::kindOfEntry(entry);
        if (kind == Files::EntryKind::WildcardGroup)
            continue;
        const QString target = Job::copyTarget(m_job.targetDirectory(), entry);
        if (kind == Files::EntryKind::WholeFolder)
            checkNotOwnSource(entry, target);
        if (const auto [other, added] = landing.emplace(target, entry); !added)
            failRun(QStringLiteral("Arkwell Error, '") + other->second + QStringLiteral("' and '") + entry
                    + QStringLiteral("' would both be copied to '") + target + QStringLiteral("': nothing is copied."));
        struct stat info {};
        if (::lstat(QFile::encodeName(target).constData(), &info) == 0 && !m_history.madeInTarget.contains(target)
            && !m_history.copiesMadeUntracked)
            failRun(QStringLiteral("Arkwell Error, '") + target
                    + QStringLiteral("' in the target folder was not made by this job: it is kept as it is and nothing is copied."));
    }
}

void BackupRun::madeInTarget(const QString& path)
{
    if (!m_history.madeInTarget.contains(path))
        m_history.madeInTarget << path;
}

// Copies the folder into the job's work folder, telling the sink of each file copied, and
// only then swaps it with its old backup folder, so a failing copy leaves the previous backup
// as it was. Files and folders it can't read are named in the log and left out (true).
bool BackupRun::copyWholeFolder(RunProgressSink& sink, const RunProgress& atStart, const QString& entry)
{
    const QString source = QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))));
    const QString name = QFileInfo(source).fileName();
    const QString backupFolder = Job::copyTarget(m_job.targetDirectory(), entry);
    const QString staging = m_job.workFolder();
    const QString fresh = staging + QLatin1Char('/') + name;
    const QString previous = staging + QStringLiteral("/.previous");
    Counts counts;  // of the files and links copied
    bool leftOut = false;
    try {
        Files::makeFolder(fresh);
        RunProgress progress = atStart;
        const auto copied = [&sink, &progress, &atStart, &counts](const Files::ListedItem& file, qint64 done, qint64 total) {
            counts.bytes += S_ISREG(file.info.st_mode) ? file.info.st_size : 0;
            counts.files = done;
            progress.filesDone = atStart.filesDone + done;
            progress.files = atStart.filesDone + total;
            progress.current = Files::shownPath(file.path);
            sink.setProgress(progress);
        };
        const auto unreadable = [&leftOut](const Files::Unreadable& item) {
            logNotCopied(Files::shownPath(item.first), qt_error_string(item.second));
            leftOut = true;
        };
        const auto excluded = [this](const Files::ListedItem& item) { countExcluded(item); };
        Files::copyFolder(source, staging, m_job.subdirectories(),
                                  {copied, [this] { return m_stopRequested.load(); }, unreadable, m_job.exclusions(), excluded});
        Files::copyFolderMode(source, fresh);  // followed through a link, with or without subfolders
        struct stat existing {};
        const bool hadBackup = ::lstat(QFile::encodeName(backupFolder).constData(), &existing) == 0;
        Renames renames;
        if (hadBackup)
            renames.move(backupFolder, previous);
        try {
            renames.move(fresh, backupFolder);
        } catch (const Errors::AppError&) {
            renames.undo();
            throw;
        }
    } catch (const Errors::AppError& error) {
        TransactionLog::append(QStringLiteral("Arkwell Error, ") + error.info().description + QStringLiteral(" while backing up '")
                         + entry + QStringLiteral("'."));
        failRun(QStringLiteral("The previous backup folder '") + backupFolder
                + QStringLiteral("' is kept as it was: the new copy was not completed."));
    }
    madeInTarget(backupFolder);
    refusalFailsRun(entry, [&] { Files::removeFolder(previous); });  // the old backup folder, moved aside
    m_counts.files += counts.files;
    m_counts.bytes += counts.bytes;
    return leftOut;
}
