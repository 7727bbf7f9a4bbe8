#include "lib/libFiles.h"

#include "lib/libErrorHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

}  // namespace libFiles
