#include "lib/libFiles.h"

#include "lib/libErrorHandler.h"

#include <QDir>
#include <QFile>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace libFiles {
namespace {

constexpr QDir::Filters AnyFile = QDir::Files | QDir::Hidden | QDir::System;

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
}

QString nameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool hasWildcard(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

// The files of one folder that match a name or a wildcard pattern.
QStringList matchingFiles(const QString& sPath)
{
    const QString name = nameOf(sPath);
    if (!hasWildcard(name))
        return QFileInfo(sPath).isFile() || QFileInfo(sPath).isSymLink() ? QStringList{sPath} : QStringList{};
    const QDir folder(folderOf(sPath));
    QStringList paths;
    for (const QString& entry : folder.entryList({name}, AnyFile))
        paths << folder.filePath(entry);
    return paths;
}

}  // namespace

void uKillChecked(const QString& sPath)
{
    for (const QString& path : matchingFiles(sPath)) {
        QFile file(path);
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
            libErrorHandler::RaiseErrno(errno, path);
    }
}

qint16 uKill(const QString& sPath)
{
    return libErrorHandler::Trap("libFiles.bas", "uKill()", [&] {
        uKillChecked(sPath);
        return qint16(0);
    });
}

void uMkDirChecked(const QString& sPath)
{
    QString path = sPath;
    FormatPath(path, false);
    if (QFileInfo(path).isDir())
        return;
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 && errno != EEXIST)
        libErrorHandler::RaiseErrno(errno, path);
}

qint16 uMkDir(const QString& sPath)
{
    return libErrorHandler::Trap("libFiles.bas", "uMkDir()", [&] {
        uMkDirChecked(sPath);
        return qint16(0);
    });
}

void FormatPath(QString& sPath, bool bTrailingSlash)
{
    const bool endsWithSlash = sPath.endsWith(QLatin1Char('/'));
    if (bTrailingSlash && !endsWithSlash)
        sPath += QLatin1Char('/');
    else if (!bTrailingSlash && endsWithSlash)
        sPath.chop(1);
}

QString FilePathStripFileName(const QString& sPath)
{
    const qsizetype slash = sPath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral("Error, no \\'s in path");
    return sPath.left(slash + 1);
}

QString FilePathStripPath(const QString& sPath)
{
    return libErrorHandler::Trap("libFiles.bas", "FilePathStripPath()", [&] {
        if (!sPath.contains(QLatin1Char('/')))
            libErrorHandler::Raise(libErrorHandler::ErrNoExtension, QStringLiteral("Error, no \\'s in path"));
        return nameOf(sPath);
    });
}

bool FileExists(const QString& sPath)
{
    return QFileInfo(sPath).isFile();
}

bool FolderExists(const QString& sPath)
{
    return QFileInfo(sPath).isDir();
}

void WriteFileWhole(const QString& path, const QByteArray& contents)
{
    const QFileInfo target(path);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        libErrorHandler::RaiseFileError(temp);
    errno = 0;
    if (temp.write(contents) != contents.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        libErrorHandler::RaiseFileError(temp);
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    temp.close();
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        libErrorHandler::RaiseErrno(errno, path);
    temp.setAutoRemove(false);  // it now is the file at `path`
}

void AppendToFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        libErrorHandler::RaiseFileError(file);
}

qint16 uKillFile(const QString& sPath)
{
    return libErrorHandler::Trap("libFiles.bas", "uKillFile()", [&] {
        if (::unlink(QFile::encodeName(sPath).constData()) != 0 && errno != ENOENT)
            libErrorHandler::RaiseErrno(errno, sPath);
        return qint16(0);
    });
}

namespace {

// Runs a short query program and returns its standard output; events are processed while it
// runs. Nothing when it can't be started or fails.
QByteArray queryOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    process.start(program, arguments, QIODevice::ReadOnly);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// Where desktop entries live: the user's data folder first, then the system's.
QString desktopEntryPath(const QString& entryName)
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QStringList folders{home};
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    folders += system.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QString candidate = folder + QStringLiteral("/applications/") + entryName;
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

QString desktopEntryExecLine(const QString& desktopEntry)
{
    QFile file(desktopEntry);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    bool inMainGroup = false;
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

}  // namespace

QString FindExecutable(const QString& sFileName)
{
    return libErrorHandler::Trap("libFiles.bas", "FindExecutable()", [&] {
        const QString type = QMimeDatabase().mimeTypeForFile(sFileName).name();
        const QString entryName = QString::fromUtf8(
            queryOutput(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type}))
                                      .trimmed();
        return entryName.isEmpty() ? QString() : desktopEntryPath(entryName);
    });
}

QStringList DesktopEntryCommand(const QString& desktopEntry, const QString& document)
{
    QStringList command;
    bool documentPlaced = false;
    for (const QString& word : QProcess::splitCommand(desktopEntryExecLine(desktopEntry))) {
        static const QStringList documentCodes{QStringLiteral("%f"), QStringLiteral("%F"), QStringLiteral("%u"),
                                               QStringLiteral("%U")};
        if (documentCodes.contains(word)) {
            command << document;
            documentPlaced = true;
        } else if (word.size() == 2 && word.startsWith(QLatin1Char('%')) && word != QLatin1String("%%")) {
            continue;  // icon, name and location codes: nothing to pass here
        } else {
            command << QString(word).replace(QStringLiteral("%%"), QStringLiteral("%"));
        }
    }
    if (!command.isEmpty() && !documentPlaced)
        command << document;
    return command;
}

}  // namespace libFiles
