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
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace libFiles {
namespace {

constexpr QDir::Filters AnyFile = QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive;

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

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

struct stat lstatChecked(const QString& path)
{
    struct stat info {};
    if (::lstat(native(path).constData(), &info) != 0)
        libErrorHandler::RaiseErrno(errno, path);
    return info;
}

void unlinkChecked(const QString& path)
{
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        libErrorHandler::RaiseErrno(errno, path);
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a late write error (a full disk on a network folder) is seen.
    void closeChecked(const QString& path)
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            libErrorHandler::RaiseErrno(errno, path);
    }

private:
    int m_fd;
};

void copyBytes(int from, int to, const QString& source, const QString& target)
{
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (copied == 0)
            return;
        if (copied > 0)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            libErrorHandler::RaiseErrno(errno, target);
        break;  // this file system pair can't: copy through a buffer
    }
    QByteArray buffer(1 << 17, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0)
            libErrorHandler::RaiseErrno(errno, source);
        if (got == 0)
            return;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::write(to, buffer.constData() + done, got - done);
            if (written < 0)
                libErrorHandler::RaiseErrno(errno, target);
            done += written;
        }
    }
}

void setTimes(const QString& path, const struct stat& from, int flags = 0)
{
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (::utimensat(AT_FDCWD, native(path).constData(), times, flags) != 0)
        libErrorHandler::RaiseErrno(errno, path);
}

// Copies a regular file's bytes, permissions and times to `target`, which must not exist.
void copyNewFile(const QString& source, const QString& target)
{
    FileDescriptor from(::open(native(source).constData(), O_RDONLY | O_CLOEXEC));
    if (from.get() < 0)
        libErrorHandler::RaiseErrno(errno, source);
    struct stat info {};
    if (::fstat(from.get(), &info) != 0)
        libErrorHandler::RaiseErrno(errno, source);
    FileDescriptor to(::open(native(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (to.get() < 0)
        libErrorHandler::RaiseErrno(errno, target);
    copyBytes(from.get(), to.get(), source, target);
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fchmod(to.get(), info.st_mode & 07777) != 0 || ::futimens(to.get(), times) != 0)
        libErrorHandler::RaiseErrno(errno, target);
    to.closeChecked(target);
}

void copySymLink(const QString& source, const QString& target)
{
    QByteArray link(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(native(source).constData(), link.data(), link.size());
    if (length < 0)
        libErrorHandler::RaiseErrno(errno, source);
    link.truncate(length);
    unlinkChecked(target);
    if (::symlink(link.constData(), native(target).constData()) != 0)
        libErrorHandler::RaiseErrno(errno, target);
    setTimes(target, lstatChecked(source), AT_SYMLINK_NOFOLLOW);
}

// Replaces whatever file or link is at `target` by a copy of `source`.
void copyEntry(const QString& source, const QString& target, const struct stat& info)
{
    if (S_ISLNK(info.st_mode)) {
        copySymLink(source, target);
    } else if (S_ISREG(info.st_mode)) {
        unlinkChecked(target);
        copyNewFile(source, target);
    }
    // Pipes, sockets and devices hold no data to back up.
}

using FolderIds = std::set<std::pair<dev_t, ino_t>>;

// The folder itself and every folder above it: a source folder among them would hold the copy.
FolderIds folderAndParents(QString path)
{
    FolderIds ids;
    for (;;) {
        struct stat info {};
        if (::stat(native(path).constData(), &info) == 0)
            ids.insert({info.st_dev, info.st_ino});
        if (path == QLatin1String("/") || path.isEmpty())
            return ids;
        path = QFileInfo(path).absolutePath();
    }
}

constexpr QDir::Filters EveryEntry = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// Copies the content of `source` into the existing folder `target`, with its subfolders
// when `withSubfolders`; folders in `leaveOut` are not copied.
void copyFolderContent(const QString& source, const QString& target, bool withSubfolders, const FolderIds& leaveOut)
{
    const QStringList names = QDir(source).entryList(EveryEntry, QDir::Name);
    for (const QString& name : names) {
        const QString from = source + QLatin1Char('/') + name;
        const QString to = target + QLatin1Char('/') + name;
        const struct stat info = lstatChecked(from);
        if (!S_ISDIR(info.st_mode)) {
            copyEntry(from, to, info);
        } else if (withSubfolders && !leaveOut.count({info.st_dev, info.st_ino})) {
            if (::mkdir(native(to).constData(), 0700) != 0 && errno != EEXIST)
                libErrorHandler::RaiseErrno(errno, to);
            copyFolderContent(from, to, true, leaveOut);
            if (::chmod(native(to).constData(), info.st_mode & 07777) != 0)
                libErrorHandler::RaiseErrno(errno, to);
            setTimes(to, info);
        }
    }
}

QString withoutTrailingSlash(QString path)
{
    if (path.size() > 1)
        FormatPath(path, false);
    return path;
}

}  // namespace

void uKillChecked(const QString& sPath)
{
    for (const QString& path : MatchingFiles(sPath))
        uKillFileChecked(path);
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

QStringList MatchingFiles(const QString& sPath)
{
    const QString name = nameOf(sPath);
    if (!hasWildcard(name))
        return QFileInfo(sPath).isFile() || QFileInfo(sPath).isSymLink() ? QStringList{sPath} : QStringList{};
    const QDir folder(folderOf(sPath));
    QStringList paths;
    for (const QString& entry : folder.entryList({name}, AnyFile, QDir::Name))
        paths << folder.filePath(entry);
    return paths;
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

void CopyFileWhole(const QString& source, const QString& target)
{
    const QFileInfo targetInfo(target);
    QTemporaryFile temp(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".XXXXXX"));
    errno = 0;
    if (!temp.open())  // a temporary file that could not be made has no name: name the target
        throw libErrorHandler::AppError(libErrorHandler::FromFileError(temp.error(), target, errno));
    temp.close();
    const QString tempName = temp.fileName();
    unlinkChecked(tempName);  // its name was wanted, not the file
    try {
        copyNewFile(source, tempName);
        if (std::rename(native(tempName).constData(), native(target).constData()) != 0)
            libErrorHandler::RaiseErrno(errno, target);
    } catch (...) {
        ::unlink(native(tempName).constData());
        throw;
    }
    temp.setAutoRemove(false);
}

void uRmDirChecked(const QString& sPath)
{
    const QString path = QDir::cleanPath(sPath);
    if (path.isEmpty() || path == QLatin1String("/") || path == QLatin1String("."))
        return;
    struct stat info {};
    if (::lstat(native(path).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    if ((info.st_mode & S_IRWXU) != S_IRWXU && ::chmod(native(path).constData(), (info.st_mode & 07777) | S_IRWXU) != 0)
        libErrorHandler::RaiseErrno(errno, path);
    for (const QString& name : QDir(path).entryList(EveryEntry)) {
        const QString entry = path + QLatin1Char('/') + name;
        if (S_ISDIR(lstatChecked(entry).st_mode))
            uRmDirChecked(entry);
        else
            unlinkChecked(entry);
    }
    if (::rmdir(native(path).constData()) != 0)
        libErrorHandler::RaiseErrno(errno, path);
}

qint16 uRmDir(const QString& sPath)
{
    return libErrorHandler::Trap("libFiles.bas", "uRmDir()", [&] {
        uRmDirChecked(sPath);
        return qint16(0);
    });
}

void uCopyDirAllChecked(const QString& sSource, const QString& sDestination)
{
    const QString source = withoutTrailingSlash(sSource);
    const QString target = withoutTrailingSlash(sDestination) + QLatin1Char('/') + QFileInfo(source).fileName();
    const struct stat info = lstatChecked(source);
    if (::mkdir(native(target).constData(), 0700) != 0 && errno != EEXIST)
        libErrorHandler::RaiseErrno(errno, target);
    copyFolderContent(source, target, true, folderAndParents(target));
    if (::chmod(native(target).constData(), info.st_mode & 07777) != 0)
        libErrorHandler::RaiseErrno(errno, target);
    setTimes(target, info);
}

qint16 uCopyDirAll(const QString& sSource, const QString& sDestination)
{
    return libErrorHandler::Trap("libFiles.bas", "uCopyDirAll()", [&] {
        uCopyDirAllChecked(sSource, sDestination);
        return qint16(0);
    });
}

void uCopyDirOneChecked(const QString& sSource, const QString& sTarget)
{
    const QString target = withoutTrailingSlash(sTarget);
    if (!FolderExists(target))
        libErrorHandler::RaiseErrno(ENOENT, target);
    copyFolderContent(withoutTrailingSlash(sSource), target, false, {});
}

qint16 uCopyDirOne(const QString& sSource, const QString& sTarget)
{
    return libErrorHandler::Trap("libFiles.bas", "uCopyDirOne()", [&] {
        uCopyDirOneChecked(sSource, sTarget);
        return qint16(0);
    });
}

void uCopyDirChecked(const QString& sSource, const QString& sDestination, bool bSubdirs)
{
    if (bSubdirs)
        uCopyDirAllChecked(sSource, sDestination);
    else
        uCopyDirOneChecked(sSource, withoutTrailingSlash(sDestination) + QLatin1Char('/')
                                        + QFileInfo(withoutTrailingSlash(sSource)).fileName());
}

qint16 uCopyDir(const QString& sSource, const QString& sDestination, bool bSubdirs)
{
    return libErrorHandler::Trap("libFiles.bas", "uCopyDir()", [&] {
        uCopyDirChecked(sSource, sDestination, bSubdirs);
        return qint16(0);
    });
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
        uKillFileChecked(sPath);
        return qint16(0);
    });
}

void uKillFileChecked(const QString& sPath)
{
    // A folder of that name is no file of that name: left alone, as a missing file is.
    if (::unlink(QFile::encodeName(sPath).constData()) != 0 && errno != ENOENT && errno != EISDIR)
        libErrorHandler::RaiseErrno(errno, sPath);
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
