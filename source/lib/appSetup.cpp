#include "lib/appSetup.h"

#include "lib/libAutostart.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "lib/libStrings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace appSetup {

qint16 MaxBackupCopies = 0;
bool StopOnError = false;
bool RunMissedBackups = false;

namespace {

QString& appFolderOverride()
{
    static QString folder;
    return folder;
}

QString& exeNameOverride()
{
    static QString name;
    return name;
}

// A preference line as a 16-bit number: blanks trimmed, empty gives `fallback`, anything
// that is not a whole number in range gives nothing.
std::optional<qint16> preferenceNumber(const QString& line, qint16 fallback)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return fallback;
    bool ok = false;
    const qint16 value = trimmed.toShort(&ok);
    return ok ? std::optional<qint16>(value) : std::nullopt;
}

// A number as it is printed to a text file: a blank in place of a plus sign, a trailing blank.
QByteArray printedNumber(int value)
{
    return (value < 0 ? QByteArray() : QByteArray(" ")) + QByteArray::number(value) + ' ';
}

bool writableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

}  // namespace

QString AppFolder()
{
    if (!appFolderOverride().isEmpty())
        return appFolderOverride();
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString ExeName()
{
    if (!exeNameOverride().isEmpty())
        return exeNameOverride();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void SetApplicationPaths(const QString& appFolder, const QString& exeName)
{
    appFolderOverride() = appFolder;
    exeNameOverride() = appFolder.isEmpty() ? QString() : exeName;
}

bool AppFolderWritable()
{
    return writableFolder(AppFolder());
}

QString DataFolder()
{
    if (AppFolderWritable())
        return AppFolder();
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/arkwell"));
}

bool CheckDataFolder()
{
    const QString folder = DataFolder();
    // Created owner-only from the start: it holds job files with zip passwords.
    if (QDir().mkpath(QFileInfo(folder).path()))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (writableFolder(folder))
        return true;
    const int whyNotWritable = errno;
    // One that is there but read-only still holds the jobs to run: told, and the start goes on.
    if (QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), R_OK | X_OK) == 0) {
        libErrorHandler::TellOwnFileFailure(DataFile(QString()), libErrorHandler::FromErrno(whyNotWritable, folder));
        return true;
    }
    libForms::MsgBox({QStringLiteral("Arkwell cannot write into its data folder '") + folder
                          + QStringLiteral("', where it keeps its backup jobs, preferences and logs.\r\n\r\n"
                                           "Make that folder yours and writable for you, or point XDG_DATA_HOME "
                                           "at a folder of your own."),
                      QStringLiteral("Arkwell"), libForms::Buttons::OK, libForms::Icon::Critical});
    return false;
}

QString JobsLeftBehindNotice()
{
    const QString oldJobs = AppFile(QStringLiteral("BackupJobs/"));
    if (DataFolder() == AppFolder())
        return {};
    QStringList leftBehind;
    for (const QString& name : QDir(oldJobs).entryList(QDir::Files, QDir::Name))
        if (!QFileInfo::exists(JobsFolder() + name))
            leftBehind << oldJobs + name;
    if (leftBehind.isEmpty())
        return {};
    return QStringLiteral("Arkwell can no longer write into its program folder '%1', so it keeps its backup jobs, "
                          "preferences and logs in '%2' now. These job files were left in the old jobs folder and "
                          "are not run:\r\n\r\n%3\r\n\r\nTo bring them over, copy them into '%4' (and their run "
                          "records from '%5' into '%6'), then start Arkwell again.")
        .arg(AppFolder(), DataFolder(), leftBehind.join(QStringLiteral("\r\n")), JobsFolder(),
             AppFile(QStringLiteral("RunRecords/")), RunRecordsFolder());
}

QString AppFile(const QString& fileName)
{
    return AppFolder() + QLatin1Char('/') + fileName;
}

QString DataFile(const QString& fileName)
{
    return DataFolder() + QLatin1Char('/') + fileName;
}

QString JobsFolder()
{
    return DataFile(QStringLiteral("BackupJobs/"));
}

QString RunRecordsFolder()
{
    return DataFile(QStringLiteral("RunRecords/"));
}

QString PreferencesPath()
{
    return DataFile(QStringLiteral("Arkwell.txt"));
}

QString ErrorLogPath()
{
    return DataFile(ExeName() + QStringLiteral(".err"));
}

QString TransactionLogPath()
{
    return DataFile(ExeName() + QStringLiteral(".log"));
}

QString ZipProgramPath()
{
    return AppFile(QStringLiteral("zip"));
}

QString ProgramPath()
{
    return AppFile(ExeName());
}

void ApplyStartAtLoginDefault()
{
    if (AppFolderWritable() || QFileInfo::exists(PreferencesPath()))
        return;
    // An entry that can't be written is reported; the agent still runs.
    try {
        libAutostart::SetStartAtLogin(true, ProgramPath());
    } catch (const libErrorHandler::AppError& error) {
        libErrorHandler::ReportError(false, error.info(), QStringLiteral("appSetup.bas"),
                                     QStringLiteral("ApplyStartAtLoginDefault()"));
    }
}

void LoadPreferences()
{
    libErrorHandler::Trap("appSetup.bas", "LoadPreferences()", [] {
        MaxBackupCopies = DefaultMaxBackupCopies;
        StopOnError = DefaultStopOnError;
        RunMissedBackups = DefaultRunMissedBackups;
        const QString path = PreferencesPath();
        if (!QFileInfo::exists(path))
            return;
        QByteArray text;
        try {
            text = libFiles::ReadOwnFile(path);
        } catch (const libErrorHandler::AppError& error) {
            libLog::LogEvent(QStringLiteral("The preferences can't be read and the defaults hold: ")
                             + error.info().Description);
            return;
        }
        const QStringList lines = libStrings::SplitLines(QString::fromUtf8(text));
        if (lines.size() < 2)
            return;  // damaged: the defaults stand, and the next save writes a sound file
        const auto copies = preferenceNumber(lines[0], DefaultMaxBackupCopies);
        const auto stop = preferenceNumber(lines[1], -1);
        // The third line came later: a file without it runs missed backups.
        const auto missed = lines.size() > 2 ? preferenceNumber(lines[2], -1) : std::optional<qint16>(-1);
        if (!copies || !stop || !missed)
            return;
        MaxBackupCopies = *copies >= 1 && *copies <= 99 ? *copies : DefaultMaxBackupCopies;  // 0 would keep no copy
        StopOnError = *stop != 0;
        RunMissedBackups = *missed != 0;
    });
}

void SavePreferences()
{
    const QByteArray text = printedNumber(MaxBackupCopies) + "\r\n" + printedNumber(StopOnError ? -1 : 0) + "\r\n"
                            + printedNumber(RunMissedBackups ? -1 : 0) + "\r\n";
    const QString path = PreferencesPath();
    libErrorHandler::WriteOwnFile(path, [&] { libFiles::WriteFileWhole(path, text); });
}

}  // namespace appSetup
