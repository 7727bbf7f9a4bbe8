#include "jobs/CBackupJob.h"

#include "jobs/BackupHost.h"
#include "jobs/ZipCommand.h"
#include "agent/appSetup.h"
#include "lib/Shell32.h"
#include "lib/libForms.h"
#include "lib/libLog.h"

#include "lib/Clock.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libStrings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

using libErrorHandler::Raise;

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString booleanWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The weekday number of a date, Sunday 1 to Saturday 7, as the weekday set counts them.
int weekdayNumber(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

// Reads the lines of a job file one after another; running out of lines is a damaged file.
class JobFileLines {
public:
    JobFileLines(const QString& fileName, QStringList lines) : m_fileName(fileName), m_lines(std::move(lines)) {}

    QString next()
    {
        if (m_next >= m_lines.size())
            Raise(libErrorHandler::ErrInputPastEnd,
                  QStringLiteral("'%1' ends after %2 lines").arg(m_fileName).arg(m_lines.size()));
        return m_lines[m_next++];
    }
    bool atEnd() const { return m_next >= m_lines.size(); }

    // The line just read is not what its field needs.
    [[noreturn]] void raiseBadLine(const QString& field, const QString& needed) const
    {
        Raise(libErrorHandler::ErrTypeMismatch, QStringLiteral("'%1' line %2 (%3) is not %4: '%5'")
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
    const bool hasWhiteSpace = std::any_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); });
    return !(hasWhiteSpace && password.contains(QLatin1Char('"')));
}

void CBackupJob::setTargetDirectory(const QString& value)
{
    m_targetDirectory = value;
    libFiles::FormatPath(m_targetDirectory, true);
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
    const QDateTime now = Clock::Now();
    const QDate today = now.date();
    switch (m_frequency) {
    case Daily:
    case Weekly: {
        if ((m_dayOfWeek & AllWeekdays) == 0)
            return std::nullopt;  // no weekday at all: never due
        QDate candidate = QDateTime(today, m_startTime) > now ? today : today.addDays(1);
        while (!(m_dayOfWeek & (1 << weekdayNumber(candidate))))
            candidate = candidate.addDays(1);
        return candidate;
    }
    case Monthly: {
        int month = today.month();
        int year = today.year();
        const QTime nowToTheMinute(now.time().hour(), now.time().minute());
        const bool thisMonth = m_dayOfMonth > today.day()
                               || (m_dayOfMonth == today.day() && nowToTheMinute < m_startTime);
        if (!thisMonth && ++month == 13) {
            month = 1;
            ++year;
        }
        const QDate date(year, month, m_dayOfMonth);  // invalid for a day the month lacks
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

void CBackupJob::LogNoNextRun() const
{
    libLog::LogEvent(QStringLiteral("Backup Job '%1' has no next run: its schedule names no day that comes. It is "
                                    "not run until its schedule is mended.")
                         .arg(m_jobName));
}

QByteArray CBackupJob::JobFileText() const
{
    const QStringList fixedLines = {
        m_jobName,
        libDates::FormatDate(m_dateLastRun.date()),
        libDates::FormatTime(m_startTime),
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
    return (fixedLines.join(CRLF) + CRLF + m_filesToZip + CRLF).toUtf8();
}

void CBackupJob::SaveBackupJob(const QString& sFileName) const
{
    libErrorHandler::Trap("CBackupJob.cls", "SaveBackupJob()", [&] { libFiles::WriteFileWhole(sFileName, JobFileText()); });
}

void CBackupJob::readJobFile(const QString& sFileName)
{
    QFile file(sFileName);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        libErrorHandler::RaiseFileError(file);
    JobFileLines lines(sFileName, libStrings::SplitLines(QString::fromUtf8(file.readAll())));

    CBackupJob read = *this;
    read.m_jobName = lines.next();
    read.m_dateLastRun = QDateTime(libDates::ParseDate(lines.next()).value_or(Clock::Today()), QTime(0, 0));
    read.m_startTime = libDates::ParseTime(lines.next()).value_or(QTime(0, 0));
    read.m_frequency = frequencyLine(lines);
    read.m_dayOfWeek = countLine(lines, QStringLiteral("weekdays"));
    read.m_dayOfMonth = countLine(lines, QStringLiteral("day of month"));
    read.m_compress = booleanLine(lines, QStringLiteral("compress"));
    read.m_numberCopies = countLine(lines, QStringLiteral("copies"));
    read.m_password = lines.next();
    read.m_subdirectories = booleanLine(lines, QStringLiteral("subdirectories"));
    QString line = lines.next();
    read.m_incremental = line == QLatin1String("True");
    if (line == QLatin1String("True") || line == QLatin1String("False"))
        line = lines.next();  // otherwise a file of the earlier layout, without this line
    read.m_targetDirectory = line;
    read.m_filesToZip.clear();
    while (!lines.atEnd()) {
        const QString entry = lines.next();
        if (!entry.trimmed().isEmpty())
            read.m_filesToZip += entry + CRLF;
    }
    *this = read;
}

std::optional<QString> CBackupJob::TryOpenBackupJob(const QString& sFileName)
{
    try {
        readJobFile(sFileName);
        return std::nullopt;
    } catch (const libErrorHandler::AppError& error) {
        return error.info().Description;
    }
}

void CBackupJob::OpenBackupJob(const QString& sFileName)
{
    libErrorHandler::Trap("CBackupJob.cls", "OpenBackupJob()", [&] { readJobFile(sFileName); });
}

QStringList CBackupJob::GetFileList(const QString& sFilesToZip)
{
    return libErrorHandler::Trap("CBackupJob.cls", "GetFileList()", [&] {
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

[[noreturn]] void failRun(const QString& logLine)
{
    libLog::LogEvent(logLine);
    throw RunFailed{};
}

void showLight(BackupHost& frm, bool busy)
{
    frm.setLightVisible(0, !busy);
    frm.setLightVisible(1, busy);
    frm.setLightVisible(2, busy);
    frm.setLightVisible(3, !busy);
    frm.repaintNow();
    for (int round = 0; round < 20; ++round)
        QCoreApplication::processEvents();
}

// The entry as the status text shows it: at most 40 characters, its middle cut out.
QString shownEntry(const QString& entry)
{
    return entry.size() < 40 ? entry : entry.left(3) + QStringLiteral("...") + entry.right(34);
}

void showEntryStatus(BackupHost& frm, const QString& prefix, const QString& entry)
{
    showLight(frm, false);
    showLight(frm, true);
    frm.setMessageText(prefix + shownEntry(entry));
    libLog::LogEvent(prefix + entry);
}

// Fails the run when the entry's file, a "?" entry's files, or a "*" entry's folder is not there.
void checkEntryExists(const QString& entry)
{
    if (entry.contains(QLatin1Char('*'))) {
        if (!libFiles::FolderExists(libFiles::FilePathStripFileName(entry)))
            failRun(QStringLiteral("Arkwell Pre-Emptive Error, file specification (wildcards) to backup does not exist: '")
                    + entry + QStringLiteral("'."));
    } else if (ZipCommand::IsWildcardGroup(entry) ? libFiles::MatchingFiles(entry).isEmpty()
                                                   : !libFiles::FileExists(entry)) {
        failRun(QStringLiteral("Arkwell Pre-Emptive Error, file to backup does not exist: '") + entry
                + QStringLiteral("'."));
    }
}

bool renamed(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void renameChecked(const QString& from, const QString& to)
{
    if (!renamed(from, to))
        libErrorHandler::RaiseErrno(errno, from);
}

QString copyName(const QString& archiveBase, int k)
{
    return archiveBase + QLatin1Char('_') + QString::number(k) + QStringLiteral(".zip");
}

void showArchiveLockedBox(const QString& archiveBase)
{
    libForms::Message box;
    box.title = QStringLiteral("Fatal Error");
    box.icon = libForms::Icon::Exclamation;
    box.text = QStringLiteral("Fatal Error intercepted by Arkwell when renaming ") + CRLF
               + QStringLiteral(" your previous zip file '") + archiveBase + QStringLiteral(".zip.") + CRLF + CRLF
               + QStringLiteral("This is due most likely to the zip file being locked ") + CRLF
               + QStringLiteral("because you were just viewing the zip file.  ") + CRLF + CRLF
               + QStringLiteral("The fix is to close all open zip files you are ") + CRLF
               + QStringLiteral("viewing.") + CRLF;
    libForms::MsgBox(box);
}

// Shifts the previous archives one place down (copy 1 the newest) and moves the current
// archive into the first place, keeping `numberCopies` of them. The current archive that
// can't be moved is told in a box and fails the run.
void rotatePreviousCopies(const QString& archiveBase, int numberCopies)
{
    const QString current = archiveBase + QStringLiteral(".zip");
    for (int k = appSetup::MaxBackupCopies; k >= 1; --k) {
        libFiles::uKillFileChecked(copyName(archiveBase, k));
        if (numberCopies == 0 || k > numberCopies)
            continue;
        const QString previous = k == 1 ? current : copyName(archiveBase, k - 1);
        if (!libFiles::FileExists(previous))
            continue;
        if (k > 1) {
            renameChecked(previous, copyName(archiveBase, k));
        } else if (!renamed(current, copyName(archiveBase, 1))) {
            showArchiveLockedBox(archiveBase);
            throw RunFailed{};
        }
    }
}

}  // namespace

void CBackupJob::RequestStop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    Shell32::TerminateWaitedProgram();
}

bool CBackupJob::ExecuteBackupNow(BackupHost& frm, qint16 maxBackupCopies)
{
    appSetup::MaxBackupCopies = maxBackupCopies;
    return libErrorHandler::Trap("CBackupJob.cls", "ExecuteBackupNow()", [&] {
        frm.setBusyPointer(true);
        frm.setMessageText(QStringLiteral("Initializing..."));
        showLight(frm, true);
        m_failure = false;
        m_running = true;
        m_stopRequested = false;
        m_lastCounts = {};
        const QStringList entries = GetFileList(m_filesToZip);
        try {
            if (entries.isEmpty())
                failRun(QStringLiteral("Arkwell Error, the job '") + m_jobName + QStringLiteral("' names nothing to back up."));
            if (m_compress)
                zipEntries(frm, entries);
            else
                copyEntries(frm, entries);
        } catch (const RunFailed&) {
            m_failure = true;
        }
        m_running = false;
        m_lastResult = m_stopRequested ? RunResult::Stopped : m_failure ? RunResult::Failed : RunResult::Completed;
        m_failure = m_lastResult != RunResult::Completed;
        frm.setMessageText(QString());
        showLight(frm, false);
        frm.setBusyPointer(false);
        return m_failure;
    });
}

// The run goes on only while the operating system grants what it asks; a refusal (a
// missing or read-only target, a full disk, an unreadable file) is logged with the file
// and the reason and fails the run.
template <typename Step>
void CBackupJob::refusalFailsRun(const QString& entry, Step&& step)
{
    try {
        step();
    } catch (const libErrorHandler::AppError& error) {
        failRun(QStringLiteral("Arkwell Error, ") + error.info().Description + QStringLiteral(" while backing up '")
                + entry + QStringLiteral("'."));
    }
}

void CBackupJob::zipEntries(BackupHost& frm, const QStringList& entries)
{
    const QString archiveBase = m_targetDirectory + libStrings::CleanedName(m_jobName);
    const QString archive = archiveBase + QStringLiteral(".zip");
    // The new archive grows under a name of its own until it is complete, so a failing run
    // never leaves the user without the archive of the run before.
    const QString building = m_targetDirectory + QLatin1Char('.') + libStrings::CleanedName(m_jobName)
                             + QStringLiteral(".arkwell-new.zip");
    if (!PasswordFitsZip(m_password))  // zip would encrypt with another password than the user's
        failRun(QStringLiteral("Arkwell Error, the password of the job '") + m_jobName
                + QStringLiteral("' holds both a blank and a quotation mark, which zip can't be given."));
    refusalFailsRun(archive, [&] {
        rotatePreviousCopies(archiveBase, m_numberCopies);
        libFiles::uKillFileChecked(building);
    });

    // A target inside a source folder, or a source folder that is the target, must not put
    // the job's own archives into the new one.
    ZipCommand::ZipOptions options{m_password, m_subdirectories, std::nullopt, archiveBase};
    if (m_incremental) {
        const QString copy1 = copyName(archiveBase, 1);
        const QDate since = libFiles::FileExists(copy1) ? QFileInfo(copy1).lastModified().date() : m_dateLastRun.date();
        if (since.isValid())
            options.changedSince = since;
    }

    bool complete = false;
    try {
        for (const QString& entry : entries) {
            showEntryStatus(frm, ZippingUpPrefix, entry);
            checkEntryExists(entry);
            zipEntry(options, building, entry);
        }
        complete = true;
    } catch (const RunFailed&) {
        // logged already; the archive built so far is dealt with below
    }
    refusalFailsRun(archive, [&] { putArchiveInPlace(building, archive, complete); });
    if (!complete)
        throw RunFailed{};
}

void CBackupJob::zipEntry(const ZipCommand::ZipOptions& options, const QString& archive, const QString& entry) const
{
    const Shell32::ProgramRun run = ZipCommand::EntryRun(appSetup::ZipProgramPath(), options, archive, entry);
    libLog::LogEvent(ZipCommand::CommandLineText(run));
    const qint32 exitCode = Shell32::ShellAndClose(run, 0);
    if (const std::optional<QString> message = ZipCommand::ExitCodeMessage(exitCode, entry, m_incremental)) {
        libLog::LogEvent(*message);
        const QString program = QStringLiteral("Arkwell Error, the zip program '") + run.program;
        if (exitCode == Shell32::NotStarted)
            libLog::LogEvent(program + QStringLiteral("' could not be started."));
        else if (exitCode == Shell32::EndedAbnormally)
            libLog::LogEvent(program + QStringLiteral("' ended abnormally."));
        throw RunFailed{};
    }
}

// A complete new archive replaces the current one. An incomplete one does too when the
// current archive has already become previous copy 1; with no previous copies kept, the
// current archive is the user's only backup and stays.
void CBackupJob::putArchiveInPlace(const QString& building, const QString& archive, bool complete) const
{
    if (!complete && m_numberCopies == 0) {
        libFiles::uKillFileChecked(building);
        if (libFiles::FileExists(archive))
            libLog::LogEvent(QStringLiteral("The previous archive '") + archive
                             + QStringLiteral("' is kept as it was: the new one was not completed."));
        return;
    }
    libFiles::uKillFileChecked(archive);
    if (libFiles::FileExists(building))
        renameChecked(building, archive);
}

void CBackupJob::copyEntries(BackupHost& frm, const QStringList& entries) const
{
    for (const QString& entry : entries) {
        showEntryStatus(frm, BackingUpPrefix, entry);
        checkEntryExists(entry);
        if (ZipCommand::IsWholeFolder(entry))
            refusalFailsRun(entry, [&] { copyWholeFolder(entry); });
        else if (ZipCommand::IsWildcardGroup(entry))
            libLog::LogEvent(QStringLiteral("Error, cannot perform wildcard backups with no compression."));
        else
            refusalFailsRun(entry, [&] {
                libFiles::CopyFileWhole(entry, m_targetDirectory + QFileInfo(entry).fileName());
            });
    }
}

// Copies the folder into a new folder beside its old backup folder and only then swaps the
// two, so a failing copy leaves the previous backup as it was.
void CBackupJob::copyWholeFolder(const QString& entry) const
{
    const QString source = QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))));
    const QString name = QFileInfo(source).fileName();
    const QString target = QDir::cleanPath(m_targetDirectory);
    const QString backupFolder = target + QLatin1Char('/') + name;
    if (name.isEmpty())
        failRun(QStringLiteral("Arkwell Error, the root folder can't be backed up without compression: '") + entry
                + QStringLiteral("'."));
    const QString sourceReal = QFileInfo(source).canonicalFilePath();
    const QString targetReal = QFileInfo(target).canonicalFilePath();
    const QString backupReal = targetReal + QLatin1Char('/') + name;
    if (targetReal == sourceReal || backupReal == sourceReal || sourceReal.startsWith(backupReal + QLatin1Char('/')))
        failRun(QStringLiteral("Arkwell Error, the backup folder '") + backupFolder
                + QStringLiteral("' would replace its own source: '") + entry + QStringLiteral("'."));

    QTemporaryDir staging(target + QStringLiteral("/.") + name + QStringLiteral(".arkwell-XXXXXX"));
    staging.setAutoRemove(false);
    if (!staging.isValid())
        libErrorHandler::RaiseErrno(errno, target);
    const QString fresh = staging.path() + QLatin1Char('/') + name;
    try {
        libFiles::uMkDirChecked(fresh);
        libFiles::uCopyDirChecked(source, staging.path(), m_subdirectories);
        struct stat existing {};
        const bool hadBackup = ::lstat(QFile::encodeName(backupFolder).constData(), &existing) == 0;
        const QString previous = staging.path() + QStringLiteral("/.previous");
        if (hadBackup)
            renameChecked(backupFolder, previous);
        try {
            renameChecked(fresh, backupFolder);
        } catch (const libErrorHandler::AppError&) {
            if (hadBackup)
                renamed(previous, backupFolder);
            throw;
        }
    } catch (const libErrorHandler::AppError&) {
        try {
            libFiles::uRmDirChecked(staging.path());
        } catch (const libErrorHandler::AppError&) {
            // the refusal that matters is the one being reported
        }
        libLog::LogEvent(QStringLiteral("The previous backup folder '") + backupFolder
                         + QStringLiteral("' is kept as it was: the new copy was not completed."));
        throw;
    }
    libFiles::uRmDirChecked(staging.path());  // the old backup folder, moved aside
}
