#include "jobs/CBackupJob.h"

#include "jobs/ArchiveCheck.h"
#include "jobs/DueMoments.h"
#include "jobs/RunProgress.h"
#include "jobs/JobDefinition.h"
#include "jobs/JobLock.h"
#include "jobs/Targets.h"
#include "jobs/ZipCommand.h"
#include "lib/AppPaths.h"
#include "lib/ChildProcess.h"
#include "lib/TransactionLog.h"

#include "lib/Clock.h"
#include "lib/DateFormats.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Text.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>

#include <algorithm>
#include <map>
#include <set>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

using Errors::throwError;

namespace {

const QString CRLF = QStringLiteral("\r\n");
constexpr qsizetype LongestPassword = 80;
const QString ExcludeKey = QStringLiteral("#exclude=");
const QString CacheTagKey = QStringLiteral("#cachedir-tag=");

QString booleanWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Reads the lines of a job file one after another; running out of lines is a damaged file.
class JobFileLines {
public:
    JobFileLines(const QString& fileName, QStringList lines) : m_fileName(fileName), m_lines(std::move(lines)) {}

    QString next()
    {
        if (m_next >= m_lines.size())
            throwError(Errors::ErrInputPastEnd,
                  QStringLiteral("'%1' ends after %2 lines").arg(m_fileName).arg(m_lines.size()));
        return m_lines[m_next++];
    }
    bool atEnd() const { return m_next >= m_lines.size(); }

    // The line just read is not what its field needs.
    [[noreturn]] void raiseBadLine(const QString& field, const QString& needed) const
    {
        throwError(Errors::ErrTypeMismatch, QStringLiteral("'%1' line %2 (%3) is not %4: '%5'")
                                                    .arg(m_fileName).arg(m_next).arg(field, needed, m_lines[m_next - 1]));
    }

private:
    QString m_fileName;
    QStringList m_lines;
    qsizetype m_next = 0;
};

qint16 frequencyLine(JobFileLines& lines)
{
    bool ok = false;
    const qint16 value = lines.next().trimmed().toShort(&ok);
    if (!ok)
        lines.raiseBadLine(QStringLiteral("frequency"), QStringLiteral("a number"));
    return value;
}

// A weekday, day or copies line: an empty line is 0, otherwise plain digits.
qint16 countLine(JobFileLines& lines, const QString& what)
{
    const QString digits = lines.next().trimmed();
    bool ok = digits.isEmpty();
    qint16 value = 0;
    if (!ok && digits.front().isDigit())
        value = digits.toShort(&ok);
    if (!ok)
        lines.raiseBadLine(what, QStringLiteral("a number"));
    return value;
}

// "True" or "False" in any letter case, or a number: 0 is False, any other True.
bool booleanLine(JobFileLines& lines, const QString& what)
{
    const QString word = lines.next().trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = word.toDouble(&ok);
    if (!ok)
        lines.raiseBadLine(what, QStringLiteral("True, False or a number"));
    return number != 0;
}

}  // namespace

bool CBackupJob::PasswordFitsZip(const QString& password)
{
    // zip and unzip read the password from their environment, where a leading quotation mark,
    // or one in a password holding white space, is taken for quoting; unzip takes a password
    // starting with a hyphen for an option, and its prompt takes 80 bytes at most. A job file
    // has no line break in a field.
    const bool hasWhiteSpace = std::any_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); });
    return password.toUtf8().size() <= LongestPassword && !password.startsWith(QLatin1Char('-')) && !password.startsWith(QLatin1Char('"'))
           && !(hasWhiteSpace && password.contains(QLatin1Char('"'))) && !Text::holdsLineBreak(password)
           && !password.contains(QChar(0));
}

void CBackupJob::setTargetDirectory(const QString& value)
{
    m_targetDirectory = value;
    Files::setTrailingSlash(m_targetDirectory, true);
}

QStringList CBackupJob::ExcludePatterns() const
{
    QStringList patterns;
    for (const QString& line : m_optionLines)
        if (line.startsWith(ExcludeKey))
            patterns << line.mid(ExcludeKey.size());
    return patterns;
}

bool CBackupJob::LeavesOutCaches() const
{
    return m_optionLines.contains(CacheTagKey + QLatin1Char('1'));
}

void CBackupJob::setExclusions(const QStringList& patterns, bool leaveOutCaches)
{
    if (patterns == ExcludePatterns() && leaveOutCaches == LeavesOutCaches())
        return;
    QStringList lines;
    for (const QString& pattern : patterns)
        lines << ExcludeKey + pattern;
    if (leaveOutCaches)
        lines << CacheTagKey + QLatin1Char('1');
    for (const QString& line : m_optionLines)
        if (!line.startsWith(ExcludeKey) && !line.startsWith(CacheTagKey))
            lines << line;
    m_optionLines = lines;
}

void CBackupJob::SetDayOfWeek(bool bMon, bool bTue, bool bWed, bool bThu, bool bFri, bool bSat, bool bSun)
{
    qint16 set = 0;
    const std::pair<bool, qint16> days[] = {{bMon, Monday},   {bTue, Tuesday}, {bWed, Wednesday}, {bThu, Thursday},
                                            {bFri, Friday},   {bSat, Saturday}, {bSun, Sunday}};
    for (const auto& [chosen, bit] : days)
        if (chosen)
            set |= bit;
    m_dayOfWeek = set;
}

std::optional<QDate> CBackupJob::DateNextRun() const
{
    const std::optional<QDateTime> next = DueMoments::NextAfter(*this, Clock::now());
    return next ? std::optional<QDate>(next->date()) : std::nullopt;
}

void CBackupJob::LogNoNextRun() const
{
    TransactionLog::append(QStringLiteral("Backup Job '%1' has no next run: its schedule names no day that comes. It is "
                                    "not run until its schedule is mended.")
                         .arg(m_jobName));
}

QByteArray CBackupJob::JobFileText() const
{
    const QStringList fixedLines = {
        m_jobName,
        DateFormats::formatDate(m_dateLastRun.date()),
        DateFormats::formatTime(m_startTime),
        QString::number(m_frequency),
        QString::number(m_dayOfWeek),
        QString::number(m_dayOfMonth),
        booleanWord(m_compress),
        QString::number(m_numberCopies),
        m_password,
        booleanWord(m_subdirectories),
        booleanWord(m_incremental),
        m_targetDirectory,
    };
    QString options;
    for (const QString& option : m_optionLines)
        options += option + CRLF;
    return (fixedLines.join(CRLF) + CRLF + m_filesToZip + options + CRLF).toUtf8();
}

std::optional<QString> CBackupJob::SaveBackupJob(const QString& sFileName) const
{
    try {
        Files::writeWhole(sFileName, JobFileText());
        return std::nullopt;
    } catch (const Errors::AppError& error) {
        return error.info().description;
    }
}

void CBackupJob::readJobFile(const QString& sFileName)
{
    JobFileLines lines(sFileName, Text::splitLines(QString::fromUtf8(Files::readOwnFile(sFileName))));

    CBackupJob read = *this;
    read.m_jobName = lines.next();
    if (!NameStaysInFolder(read.m_jobName))
        lines.raiseBadLine(QStringLiteral("job name"), QStringLiteral("a name whose files stay in their folders"));
    read.m_dateLastRun = QDateTime(DateFormats::parseDate(lines.next()).value_or(Clock::today()), QTime(0, 0));
    const std::optional<QTime> startTime = JobDefinition::ReadStartTime(lines.next());
    if (!startTime)
        lines.raiseBadLine(QStringLiteral("start time"), QStringLiteral("a time"));
    read.m_startTime = *startTime;
    read.m_frequency = frequencyLine(lines);
    read.m_dayOfWeek = countLine(lines, QStringLiteral("weekdays"));
    read.m_dayOfMonth = countLine(lines, QStringLiteral("day of month"));
    read.m_compress = booleanLine(lines, QStringLiteral("compress"));
    read.m_numberCopies = countLine(lines, QStringLiteral("copies"));
    read.m_password = lines.next();
    if (!PasswordFitsZip(read.m_password))
        lines.raiseBadLine(QStringLiteral("password"), QStringLiteral("a password zip and unzip can be given"));
    read.m_subdirectories = booleanLine(lines, QStringLiteral("subdirectories"));
    QString line = lines.next();
    read.m_incremental = line == QLatin1String("True");
    if (line == QLatin1String("True") || line == QLatin1String("False"))
        line = lines.next();  // otherwise a file of the earlier layout, without this line
    if (!QDir::isAbsolutePath(line))  // else the backups would go wherever the agent was started
        lines.raiseBadLine(QStringLiteral("target folder"), QStringLiteral("a full path"));
    read.setTargetDirectory(line);
    read.m_filesToZip.clear();
    read.m_optionLines.clear();
    while (!lines.atEnd()) {
        const QString entry = lines.next();
        if (entry.startsWith(QLatin1Char('#'))) {  // an option line: kept as it is, never an entry
            read.m_optionLines << entry;
            if (entry.startsWith(CacheTagKey) && entry != CacheTagKey + QLatin1Char('1') && entry != CacheTagKey + QLatin1Char('0'))
                lines.raiseBadLine(QStringLiteral("cachedir-tag"), QStringLiteral("1 or 0"));
            if (entry.startsWith(ExcludeKey) && entry.mid(ExcludeKey.size()).trimmed().isEmpty())
                lines.raiseBadLine(QStringLiteral("exclude"), QStringLiteral("a pattern"));
        }
        else if (!entry.trimmed().isEmpty())
            read.m_filesToZip += entry + CRLF;
    }
    *this = read;
}

std::optional<QString> CBackupJob::TryOpenBackupJob(const QString& sFileName)
{
    try {
        readJobFile(sFileName);
        return std::nullopt;
    } catch (const Errors::AppError& error) {
        return error.info().description;
    }
}

void CBackupJob::OpenBackupJob(const QString& sFileName)
{
    Errors::trap("CBackupJob.cls", "OpenBackupJob()", [&] { readJobFile(sFileName); });
}

QStringList CBackupJob::GetFileList(const QString& sFilesToZip)
{
    return Errors::trap("CBackupJob.cls", "GetFileList()", [&] {
        QStringList entries;
        const QStringList pieces = sFilesToZip.split(CRLF);
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i)  // the last piece has no CR LF
            if (!pieces[i].trimmed().isEmpty())
                entries << pieces[i];
        return entries;
    });
}

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

QString CBackupJob::FirstReason(const QStringList& runLogLines)
{
    const auto removed = std::find_if(runLogLines.begin(), runLogLines.end(),
                                      [](const QString& line) { return line.startsWith(TargetRemovedPrefix); });
    if (removed != runLogLines.end())
        return *removed;
    const auto reason = std::find_if_not(runLogLines.begin(), runLogLines.end(), isProgressLine);
    return reason == runLogLines.end() ? QString() : *reason;
}

bool CBackupJob::NameStaysInFolder(const QString& jobName)
{
    const QString cleaned = Text::cleanedName(jobName);
    const bool control = std::any_of(cleaned.begin(), cleaned.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    return !cleaned.isEmpty() && cleaned != QLatin1String(".") && cleaned != QLatin1String("..")
           && !cleaned.contains(QLatin1Char('/')) && !control;
}

QString CBackupJob::CopyTarget(const QString& targetDirectory, const QString& entry)
{
    const QString source = Files::kindOfEntry(entry) == Files::EntryKind::WholeFolder
                               ? QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))))
                               : entry;
    return QDir::cleanPath(targetDirectory) + QLatin1Char('/') + QFileInfo(source).fileName();
}

QString CBackupJob::ArchivePath(int copy) const
{
    const QString base = m_targetDirectory + Text::cleanedName(m_jobName);
    return copy == 0 ? base + QStringLiteral(".zip")
                     : base + QLatin1Char('_') + QString::number(copy) + QStringLiteral(".zip");
}

// The hidden folder of the job's own in the target where a run builds its archive or copies
// (and zip keeps its temporary files) until they are complete.
QString CBackupJob::workFolder() const
{
    return m_targetDirectory + QLatin1Char('.') + Text::cleanedName(m_jobName) + QStringLiteral(".arkwell");
}

// What no entry takes: the job's own work folder and archives and the other jobs' archives,
// known by their identity on disk whatever spelling reaches them, and any job's work folder,
// so a target inside a source never archives itself, another job's backups or a run in
// progress.
Files::LeaveOut CBackupJob::ownFiles(int maxCopies) const
{
    std::set<std::pair<dev_t, ino_t>> own;
    const auto add = [&own](const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            own.insert({info.st_dev, info.st_ino});
    };
    add(workFolder());
    for (int copy = 0; copy <= maxCopies; ++copy)
        add(ArchivePath(copy));
    for (const QString& archive : m_history.otherJobsArchives)
        add(archive);
    return [own](const Files::ListedItem& item) {
        const QByteArray name = item.path.mid(item.path.lastIndexOf('/') + 1);
        return own.count({item.info.st_dev, item.info.st_ino}) > 0
               || (S_ISDIR(item.info.st_mode) && name.startsWith('.') && name.endsWith(".arkwell"));
    };
}

void CBackupJob::countExcluded(const Files::ListedItem& item)
{
    ++(S_ISDIR(item.info.st_mode) ? m_lastCounts.excludedFolders : m_lastCounts.excludedFiles);
}

void CBackupJob::RequestStop()
{
    m_stopRequested.raised = true;  // zip and the archive check look at it while they work
}

bool CBackupJob::ExecuteBackupNow(RunProgressSink& sink, qint16 maxBackupCopies)
{
    m_lastCounts = {};
    sink.setStatusText(QStringLiteral("Initializing..."));
    m_lastResult = runEntries(sink, std::clamp<int>(maxBackupCopies, 1, 99));
    m_stopRequested.raised = false;
    m_failure = m_lastResult != RunResult::Completed;
    sink.setStatusText(QString());
    return m_failure;
}

CBackupJob::RunResult CBackupJob::runEntries(RunProgressSink& sink, int maxCopies)
{
    const QStringList entries = GetFileList(m_filesToZip);
    const QString work = workFolder();
    RunResult result = RunResult::Failed;
    bool stopped = false;
    Filesystems::Filesystem target;  // what held the target when the run began
    try {
        if (entries.isEmpty())
            failRun(QStringLiteral("Arkwell Error, the job '") + m_jobName + QStringLiteral("' names nothing to back up."));
        if (!NameStaysInFolder(m_jobName))
            failRun(QStringLiteral("Arkwell Error, the job name '") + m_jobName
                    + QStringLiteral("' would name files outside the target folder."));
        // A target that is away is waited for: nothing is written there, not even the work folder.
        const Targets::Verdict verdict = Targets::Check(m_targetDirectory, m_history);
        if (QDir::isAbsolutePath(m_targetDirectory) && !verdict.ready) {
            TransactionLog::append(Targets::WaitLine(m_jobName, verdict));
            return RunResult::Waiting;
        }
        if (!QDir::isAbsolutePath(m_targetDirectory) || !Files::folderExists(m_targetDirectory))
            failRun(QStringLiteral("Arkwell Error, the target folder '") + Files::withoutTrailingSlash(m_targetDirectory)
                    + QStringLiteral("' does not exist."));
        const std::unique_ptr<JobLock> lock = JobLock::TryTake(m_jobName);
        if (!lock)
            failRun(QStringLiteral("Arkwell Error, the job '") + m_jobName
                    + QStringLiteral("' is being backed up or restored elsewhere right now."));
        target = verdict.filesystem;
        // A killed run's leftovers go first; the folder is the owner's alone.
        refusalFailsRun(work, [&] {
            Files::removeFolder(work);
            if (::mkdir(QFile::encodeName(work).constData(), 0700) != 0)
                Errors::throwErrno(errno, work);
        });
        result = m_compress ? zipEntries(sink, entries, maxCopies) : copyEntries(sink, entries);
        if (result != RunResult::Failed) {
            m_history.targetPath = m_targetDirectory;
            m_history.targetFilesystem = target;
        }
    } catch (const RunFailed&) {
        result = RunResult::Failed;
    } catch (const RunStopped&) {
        stopped = true;
    } catch (const Files::CopyStopped&) {
        stopped = true;
    }
    if (stopped) {
        TransactionLog::append(QStringLiteral("Backup Job '") + m_jobName
                         + QStringLiteral("' was stopped; what it had built is removed, the previous backups are kept."));
        result = RunResult::Stopped;
    }
    if (result == RunResult::Failed && targetRemoved(target)) {  // what is on the drive stays as it is
        TransactionLog::append(TargetRemovedPrefix + QStringLiteral(": '") + Files::withoutTrailingSlash(m_targetDirectory)
                         + QStringLiteral("' is gone; the job waits for it to be connected again."));
        return result;
    }
    try {
        if (NameStaysInFolder(m_jobName))
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
void CBackupJob::refusalFailsRun(const QString& entry, Step&& step)
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
RunProgress CBackupJob::beginEntry(RunProgressSink& sink, const QString& prefix, const QStringList& entries,
                                   qsizetype done) const
{
    const QString& entry = entries[done];
    const RunProgress progress{done, entries.size(), m_lastCounts.files, m_lastCounts.files, entry};
    sink.setProgress(progress);
    showEntryStatus(sink, prefix, entry);
    if (m_stopRequested.raised)
        throw RunStopped{};
    checkEntryExists(entry);
    return progress;
}

CBackupJob::RunResult CBackupJob::zipEntries(RunProgressSink& sink, const QStringList& entries, int maxCopies)
{
    if (!PasswordFitsZip(m_password))  // zip would encrypt with another password than the user's
        failRun(QStringLiteral("Arkwell Error, the password of the job '") + m_jobName
                + QStringLiteral("' is longer than 80 characters, starts with a hyphen or a quotation mark, or holds both a blank and a quotation mark, which zip can't be given."));
    const QString building = workFolder() + QStringLiteral("/new.zip");
    const ZipCommand::ZipOptions options{m_password, workFolder()};
    const QDateTime started = fileClockAt(workFolder());
    const int kept = std::min<int>(m_numberCopies, maxCopies);
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
            leftOut |= zipEntry(sink, progress, options, building, entry, {leaveOut, JobExclusions(), changedSince});
        }
        if (!Files::fileExists(building)) {  // no entry had a file, or none changed
            if (leftOut)
                return RunResult::Incomplete;
            TransactionLog::append(QStringLiteral("Nothing changed since the archive '") + ArchivePath(0)
                             + QStringLiteral("' was made: it stays as it is."));
            return RunResult::Completed;
        }
        testArchive(building);
        refusalFailsRun(ArchivePath(0), [&] { putArchiveInPlace(building, maxCopies); });
        recordArchivePlaced(full, kept, started);
    } catch (const RunFailed&) {
        TransactionLog::append(QStringLiteral("The previous archives of the job '") + m_jobName
                         + QStringLiteral("' are kept as they were: the new one was not completed."));
        throw;
    }
    flushToDevice(ArchivePath(0));
    return leftOut ? RunResult::Incomplete : RunResult::Completed;
}

// Zips one entry's files into the archive being built, telling the host of each file zip has
// added; true when some of them are left out (named in the log), the archive holding the rest.
bool CBackupJob::zipEntry(RunProgressSink& sink, const RunProgress& atStart, const ZipCommand::ZipOptions& options,
                          const QString& archive, const QString& entry, const Files::EntrySelection& selection)
{
    Files::EntryFiles files;
    refusalFailsRun(entry, [&] { files = Files::listEntry(entry, m_subdirectories, selection); });
    std::for_each(files.skipped.begin(), files.skipped.end(), Files::logSkipped);
    for (const Files::ListedItem& item : files.excluded)
        countExcluded(item);
    bool leftOut = !files.unreadable.empty();
    for (const auto& [path, error] : files.unreadable)
        logLeftOut(path, QStringLiteral("its folder can't be read (") + qt_error_string(error) + QLatin1Char(')'));
    std::erase_if(files.names, [&leftOut](const QByteArray& name) {
        if (!ZipCommand::NameZipCantTake(name))
            return false;
        logLeftOut(name, QStringLiteral("zip can't be given a name holding a line break that is not text"));
        return leftOut = true;
    });
    m_lastCounts.files += files.files;
    m_lastCounts.bytes += files.bytes;
    if (files.names.empty() && files.unchanged == 0) {  // the other entries are backed up all the same
        TransactionLog::append(*ZipCommand::ExitCodeMessage(12, entry, false));
        return true;
    }
    if (files.names.empty())  // nothing changed since the previous archive
        return leftOut;

    QByteArray output;
    ChildProcess::ProgramRun run = ZipCommand::EntryRun(AppPaths::zipProgramPath(), options, archive, files.names,
                                                   Files::kindOfEntry(entry) != Files::EntryKind::File);
    run.output = &output;
    run.stop = &m_stopRequested.raised;
    RunProgress progress = atStart;
    progress.files = m_lastCounts.files;
    run.newOutputLines = [&sink, &progress](const QByteArray& lines) {
        for (const QByteArray& file : ZipCommand::AddedFiles(lines)) {
            progress.filesDone = std::min(progress.filesDone + 1, progress.files);
            progress.current = Files::shownPath(file);
            sink.setProgress(progress);
        }
    };
    TransactionLog::append(ZipCommand::CommandLineText(run));
    const qint32 exitCode = ChildProcess::runAndWait(run);
    if (m_stopRequested.raised)
        throw RunStopped{};
    for (const ZipCommand::Warning& warning : ZipCommand::Warnings(output)) {
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
    if (const std::optional<QString> message = ZipCommand::ExitCodeMessage(exitCode, entry, m_incremental)) {
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
bool CBackupJob::fullRun(int kept) const
{
    const QDateTime& since = m_history.archiveStarted;
    if (!m_incremental || !since.isValid() || since > QDateTime::currentDateTimeUtc() || !Files::fileExists(ArchivePath(0)))
        return true;
    return std::none_of(m_history.fullArchives.begin(), m_history.fullArchives.end(),
                        [&](int copy) { return copy < kept && Files::fileExists(ArchivePath(copy)); });
}

// The new archive is in place: the full archives have moved one copy down.
void CBackupJob::recordArchivePlaced(bool full, int kept, const QDateTime& started)
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
void CBackupJob::testArchive(const QString& building) const
{
    const ArchiveCheck::Result check = ArchiveCheck::Check(building, m_stopRequested.raised);
    QString failure = check.reason;
    if (check.verdict == ArchiveCheck::Verdict::NeedsUnzip && !m_stopRequested.raised) {
        ChildProcess::ProgramRun run = ZipCommand::TestRun(AppPaths::zipProgramPath(), m_password, building);
        run.stop = &m_stopRequested.raised;
        if (const qint32 exitCode = ChildProcess::runAndWait(run); exitCode != 0)
            failure = QLatin1Char('\'') + run.program + QStringLiteral("' ended with %1").arg(exitCode);
    }
    if (m_stopRequested.raised)
        throw RunStopped{};
    if (!failure.isEmpty())
        failRun(QStringLiteral("Arkwell Error, the new archive failed its test (") + failure
                + QStringLiteral("): it replaces nothing."));
}

// Shifts the previous archives one place down (copy 1 the newest), keeping NumberCopies of
// them, and puts the new archive in place. Whatever fails on the way puts every archive
// back under its old name; a current archive that can't be moved is told in a box.
void CBackupJob::putArchiveInPlace(const QString& building, int maxCopies) const
{
    if (::chmod(QFile::encodeName(building).constData(), 0600) != 0)
        Errors::throwErrno(errno, building);
    const QString aside = workFolder() + QStringLiteral("/previous_");
    const int kept = std::min<int>(m_numberCopies, maxCopies);
    Renames renames;
    try {
        for (int k = maxCopies; k >= std::max(kept, 1); --k)  // the copies that go, the oldest kept one too
            if (Files::fileExists(ArchivePath(k)))
                renames.move(ArchivePath(k), aside + QString::number(k));
        for (int k = kept; k >= 2; --k)
            if (Files::fileExists(ArchivePath(k - 1)))
                renames.move(ArchivePath(k - 1), ArchivePath(k));
        const QString current = ArchivePath(0);
        if (Files::fileExists(current) && !renames.tryMove(current, kept >= 1 ? ArchivePath(1) : aside + QLatin1Char('0'))) {
            renames.undo();
            failArchiveLocked(current.chopped(4));
        }
        renames.move(building, current);
    } catch (const Errors::AppError&) {
        renames.undo();
        throw;
    }
}

CBackupJob::RunResult CBackupJob::copyEntries(RunProgressSink& sink, const QStringList& entries)
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
                Files::copyFileWhole(entry, CopyTarget(m_targetDirectory, entry));
            } catch (const Errors::AppError& error) {  // the other entries are copied all the same
                logNotCopied(entry, error.info().description);
                leftOut = true;
                break;
            }
            madeInTarget(CopyTarget(m_targetDirectory, entry));
            ++m_lastCounts.files;
            m_lastCounts.bytes += QFileInfo(entry).size();
            sink.setProgress({progress.entriesDone, entries.size(), m_lastCounts.files, m_lastCounts.files, entry});
            break;
        }
    }
    flushToDevice(QString());
    return leftOut ? RunResult::Incomplete : RunResult::Completed;
}

// Writes what the run placed through to the device before the run tells its result, so the
// drive can be unplugged once it says so: the archive and the target folder's names, or for
// plain copies (`placed` empty) every file of the target's filesystem.
void CBackupJob::flushToDevice(const QString& placed) const
{
    const Filesystems::System& system = Filesystems::current();
    const QString folder = Files::withoutTrailingSlash(m_targetDirectory);
    Result<> flushed = placed.isEmpty() ? system.flushFilesystem(folder) : system.flush(placed);
    if (flushed)
        flushed = system.flush(folder);
    if (!flushed)
        failRun(QStringLiteral("Arkwell Error, the backup in '") + folder
                + QStringLiteral("' could not be written through to its drive (") + flushed.reason() + QStringLiteral(")."));
}

// Whether the target went away during the run: gone, or held by another filesystem than
// when the run began.
bool CBackupJob::targetRemoved(const Filesystems::Filesystem& atStart) const
{
    if (!atStart.isKnown())
        return false;
    return !Files::folderExists(m_targetDirectory)
           || !Filesystems::current().holding(Files::withoutTrailingSlash(m_targetDirectory)).isSame(atStart);
}

// Fails the run before anything changes when two entries would land on one name in the
// target, or an entry on a name there that the job's own runs did not make.
void CBackupJob::checkCopyTargets(const QStringList& entries) const
{
    std::map<QString, QString> landing;  // the name in the target, the entry copied to it
    for (const QString& entry : entries) {
        const Files::EntryKind kind = Files::kindOfEntry(entry);
        if (kind == Files::EntryKind::WildcardGroup)
            continue;
        const QString target = CopyTarget(m_targetDirectory, entry);
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

void CBackupJob::madeInTarget(const QString& path)
{
    if (!m_history.madeInTarget.contains(path))
        m_history.madeInTarget << path;
}

// Copies the folder into the job's work folder, telling the host of each file copied, and
// only then swaps it with its old backup folder, so a failing copy leaves the previous backup
// as it was. Files and folders it can't read are named in the log and left out (true).
bool CBackupJob::copyWholeFolder(RunProgressSink& sink, const RunProgress& atStart, const QString& entry)
{
    const QString source = QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))));
    const QString name = QFileInfo(source).fileName();
    const QString backupFolder = CopyTarget(m_targetDirectory, entry);
    const QString staging = workFolder();
    const QString fresh = staging + QLatin1Char('/') + name;
    const QString previous = staging + QStringLiteral("/.previous");
    RunCounts counts;  // of the files and links copied
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
        Files::copyFolder(source, staging, m_subdirectories,
                                  {copied, [this] { return m_stopRequested.raised.load(); }, unreadable, JobExclusions(), excluded});
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
    m_lastCounts.files += counts.files;
    m_lastCounts.bytes += counts.bytes;
    return leftOut;
}
