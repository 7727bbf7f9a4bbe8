#include "lib/AppPaths.h"

#include "lib/Errors.h"
#include "lib/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace AppPaths {

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

bool writableFolder(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

}  // namespace

QString appFolder()
{
    if (!appFolderOverride().isEmpty())
        return appFolderOverride();
    return QDir::cleanPath(QCoreApplication::applicationDirPath());
}

QString exeName()
{
    if (!exeNameOverride().isEmpty())
        return exeNameOverride();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void setApplicationPaths(const QString& appFolder, const QString& exeName)
{
    appFolderOverride() = appFolder;
    exeNameOverride() = appFolder.isEmpty() ? QString() : exeName;
}

bool appFolderWritable()
{
    return writableFolder(appFolder());
}

QString dataFolder()
{
    if (appFolderWritable())
        return appFolder();
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                           + QStringLiteral("/arkwell"));
}

Result<> checkDataFolder()
{
    const QString folder = dataFolder();
    // Created owner-only from the start: it holds job files with zip passwords.
    if (QDir().mkpath(QFileInfo(folder).path()))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (writableFolder(folder))
        return {};
    const int whyNotWritable = errno;
    // One that is there but read-only still holds the jobs to run: told, and the start goes on.
    if (QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), R_OK | X_OK) == 0) {
        Errors::tellOwnFileFailure(dataFile(QString()), Errors::fromErrno(whyNotWritable, folder));
        return {};
    }
    return Failure{QStringLiteral("Arkwell cannot write into its data folder '") + folder
                   + QStringLiteral("', where it keeps its backup jobs, preferences and logs.\r\n\r\n"
                                    "Make that folder yours and writable for you, or point XDG_DATA_HOME "
                                    "at a folder of your own.")};
}

QString jobsLeftBehindNotice()
{
    const QString oldJobs = appFile(QStringLiteral("BackupJobs/"));
    if (dataFolder() == appFolder())
        return {};
    QStringList leftBehind;
    for (const QString& name : QDir(oldJobs).entryList(QDir::Files, QDir::Name))
        if (!QFileInfo::exists(jobsFolder() + name))
            leftBehind << oldJobs + name;
    if (leftBehind.isEmpty())
        return {};
    return QStringLiteral("Arkwell can no longer write into its program folder '%1', so it keeps its backup jobs, "
                          "preferences and logs in '%2' now. These job files were left in the old jobs folder and "
                          "are not run:\r\n\r\n%3\r\n\r\nTo bring them over, copy them into '%4' (and their run "
                          "records from '%5' into '%6'), then start Arkwell again.")
        .arg(appFolder(), dataFolder(), leftBehind.join(QStringLiteral("\r\n")), jobsFolder(),
             appFile(QStringLiteral("RunRecords/")), runRecordsFolder());
}

QString appFile(const QString& fileName)
{
    return appFolder() + QLatin1Char('/') + fileName;
}

QString dataFile(const QString& fileName)
{
    return dataFolder() + QLatin1Char('/') + fileName;
}

QString jobsFolder()
{
    return dataFile(QStringLiteral("BackupJobs/"));
}

QString runRecordsFolder()
{
    return dataFile(QStringLiteral("RunRecords/"));
}

QString preferencesPath()
{
    return dataFile(QStringLiteral("Arkwell.txt"));
}

QString errorLogPath()
{
    return dataFile(exeName() + QStringLiteral(".err"));
}

QString transactionLogPath()
{
    return dataFile(exeName() + QStringLiteral(".log"));
}

QString zipProgramPath()
{
    return appFile(QStringLiteral("zip"));
}

QString programPath()
{
    return appFile(exeName());
}

}  // namespace AppPaths
