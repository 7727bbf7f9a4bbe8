#include "lib/Files.h"

#include "lib/Errors.h"
#include "lib/ChildProcess.h"
#include "lib/TransactionLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <climits>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {
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

[[noreturn]] void raiseErrno(int err, const QByteArray& path)
{
    Errors::throwErrno(err, shownPath(path));
}

struct stat lstatChecked(const QByteArray& path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        raiseErrno(errno, path);
    return info;
}

void unlinkChecked(const QByteArray& path)
{
    if (::unlink(path.constData()) != 0 && errno != ENOENT)
        raiseErrno(errno, path);
}

bool holdsData(const struct stat& info)
{
    return S_ISREG(info.st_mode) || S_ISLNK(info.st_mode) || S_ISDIR(info.st_mode);
}

// Whether the item is a file, link or folder; a socket, FIFO or device is told in the log.
bool takesItem(const ListedItem& item)
{
    if (holdsData(item.info))
        return true;
    logSkipped(item.path);
    return false;
}

// The name pattern of a hidden temporary file in the folder of `path`, where a rename puts
// it in place of `path` at once.
QString hiddenTemporaryBeside(const QString& path)
{
    const QFileInfo target(path);
    return target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX");
}

bool atOrAfter(const timespec& time, const timespec& moment)
{
    return time.tv_sec > moment.tv_sec || (time.tv_sec == moment.tv_sec && time.tv_nsec >= moment.tv_nsec);
}

bool changedAtOrAfter(const struct stat& info, const timespec& moment)
{
    return atOrAfter(info.st_mtim, moment) || atOrAfter(info.st_ctim, moment);
}

QByteArray withSlash(const QByteArray& folder)
{
    return folder.endsWith('/') ? folder : folder + '/';
}

// Lists `folder` into `listing`; `top` is the length of the listed top folder's path with
// its separator, so that the exclusions see paths relative to it.
void listInto(const QByteArray& folder, bool recurse, const LeaveOut& leaveOut, const Exclusions& exclusions,
              FolderListing& listing, qsizetype top)
{
    DIR* const dir = ::opendir(folder.constData());
    if (!dir) {
        if (top == withSlash(folder).size())
            raiseErrno(errno, folder);
        listing.unreadable.emplace_back(folder, errno);
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    const bool excluding = !exclusions.isEmpty();
    for (const QByteArray& name : names) {
        ListedItem item{withSlash(folder) + name, {}};
        if (::lstat(item.path.constData(), &item.info) != 0) {
            // Of an item whose kind can't be known, what a pattern names is left out all the same.
            if (excluding && exclusions.leavesOut(item.path, top, true, false))
                continue;
            if (errno != ENOENT)  // gone since the folder was read: nothing to take
                listing.unreadable.emplace_back(item.path, errno);
            continue;
        }
        const bool isFolder = S_ISDIR(item.info.st_mode);
        if ((leaveOut && leaveOut(item)) || (isFolder && !recurse))
            continue;
        if (excluding && exclusions.leavesOut(item.path, top, isFolder)) {
            listing.excluded.push_back(item);
            continue;
        }
        listing.items.push_back(item);
        if (isFolder)
            listInto(item.path, true, leaveOut, exclusions, listing, top);
    }
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
            Errors::throwErrno(errno, path);
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
            Errors::throwErrno(errno, target);
        break;  // this file system pair can't: copy through a buffer
    }
    QByteArray buffer(1 << 17, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0)
            Errors::throwErrno(errno, source);
        if (got == 0)
            return;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::write(to, buffer.constData() + done, got - done);
            if (written < 0)
                Errors::throwErrno(errno, target);
            done += written;
        }
    }
}

void setTimes(const QByteArray& path, const struct stat& from, int flags = 0)
{
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (::utimensat(AT_FDCWD, path.constData(), times, flags) != 0)
        raiseErrno(errno, path);
}

// Copies a regular file's bytes, permissions and times to `target`, which must not exist.
void copyNewFile(const QByteArray& source, const QByteArray& target)
{
    FileDescriptor from(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (from.get() < 0)
        raiseErrno(errno, source);
    struct stat info {};
    if (::fstat(from.get(), &info) != 0)
        raiseErrno(errno, source);
    FileDescriptor to(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (to.get() < 0)
        raiseErrno(errno, target);
    copyBytes(from.get(), to.get(), shownPath(source), shownPath(target));
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fchmod(to.get(), info.st_mode & 07777) != 0 || ::futimens(to.get(), times) != 0)
        raiseErrno(errno, target);
    to.closeChecked(shownPath(target));
}

void copySymLink(const QByteArray& source, const QByteArray& target)
{
    QByteArray link(4096, Qt::Uninitialized);
    const ssize_t length = ::readlink(source.constData(), link.data(), link.size());
    if (length < 0)
        raiseErrno(errno, source);
    link.truncate(length);
    unlinkChecked(target);
    if (::symlink(link.constData(), target.constData()) != 0)
        raiseErrno(errno, target);
    setTimes(target, lstatChecked(source), AT_SYMLINK_NOFOLLOW);
}

// Replaces whatever file or link is at `target` by a copy of `source`.
void copyEntry(const QByteArray& source, const QByteArray& target, const struct stat& info)
{
    if (S_ISLNK(info.st_mode)) {
        copySymLink(source, target);
    } else {
        unlinkChecked(target);
        copyNewFile(source, target);
    }
}

// The reason the item can't be read, 0 when it can.
int unreadableReason(const ListedItem& item)
{
    if (S_ISLNK(item.info.st_mode)) {
        char target[1];
        return ::readlink(item.path.constData(), target, sizeof target) < 0 ? errno : 0;
    }
    FileDescriptor file(::open(item.path.constData(), O_RDONLY | O_CLOEXEC));
    return file.get() < 0 ? errno : 0;
}

// Copies the item; one the copy can't read is told to the watch and left out (false) when
// the watch wants to hear of it, every other failure fails the copy.
bool copyOrTell(const ListedItem& item, const QByteArray& to, const CopyWatch& watch)
{
    try {
        copyEntry(item.path, to, item.info);
        return true;
    } catch (const Errors::AppError&) {
        const int reason = unreadableReason(item);
        if (!watch.unreadable || reason == 0)
            throw;
        watch.unreadable({item.path, reason});
        return false;
    }
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

void setModeAndTimes(const QByteArray& path, const struct stat& info)
{
    if (::chmod(path.constData(), info.st_mode & 07777) != 0)
        raiseErrno(errno, path);
    setTimes(path, info);
}

// Copies the content of `source` into the existing folder `target`, with its subfolders
// when `withSubfolders`; folders in `leaveOut` are not copied. A subfolder that can't be
// read fails the copy.
void copyFolderContent(const QByteArray& source, const QByteArray& target, bool withSubfolders,
                       const FolderIds& leaveOut, const CopyWatch& watch)
{
    const FolderListing listing = listFolder(source, withSubfolders, [&leaveOut](const ListedItem& item) {
        return S_ISDIR(item.info.st_mode) && leaveOut.count({item.info.st_dev, item.info.st_ino});
    }, watch.exclusions);
    if (watch.excluded)
        std::for_each(listing.excluded.begin(), listing.excluded.end(), watch.excluded);
    if (!listing.unreadable.empty() && !watch.unreadable)
        raiseErrno(listing.unreadable.front().second, listing.unreadable.front().first);
    for (const Unreadable& item : listing.unreadable)
        watch.unreadable(item);
    std::vector<const ListedItem*> folders;
    const qint64 files = std::count_if(listing.items.begin(), listing.items.end(), [](const ListedItem& item) {
        return !S_ISDIR(item.info.st_mode) && holdsData(item.info);
    });
    qint64 filesCopied = 0;
    std::size_t looked = 0;
    for (const ListedItem& item : listing.items) {
        if (watch.stop && ++looked % 64 == 0 && watch.stop())
            throw CopyStopped{};
        const QByteArray to = target + item.path.mid(withSlash(source).size() - 1);
        if (watch.unreadable && to.size() >= PATH_MAX) {  // fits below the source, not below the target
            watch.unreadable({item.path, ENAMETOOLONG});
            continue;
        }
        if (S_ISDIR(item.info.st_mode)) {
            if (::mkdir(to.constData(), 0700) != 0 && errno != EEXIST)
                raiseErrno(errno, to);
            folders.push_back(&item);
        } else if (takesItem(item)) {
            if (!copyOrTell(item, to, watch))
                continue;
            if (watch.copied)
                watch.copied(item, ++filesCopied, files);
        }
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)  // their times, once filled
        setModeAndTimes(target + (*folder)->path.mid(withSlash(source).size() - 1), (*folder)->info);
}

}  // namespace

QString withoutTrailingSlash(QString path)
{
    if (path.size() > 1)
        setTrailingSlash(path, false);
    return path;
}

EntryKind kindOfEntry(const QString& entry)
{
    if (entry.contains(QStringLiteral("/*.*")))
        return EntryKind::WholeFolder;
    // A file whose own name holds "*" or "?" (as the file picker writes it) is that file.
    if (hasWildcard(entry) && !QFileInfo(entry).isFile())
        return EntryKind::WildcardGroup;
    return EntryKind::File;
}

QByteArray nativePath(const QString& path)
{
    return native(path);
}

QString shownPath(const QByteArray& path)
{
    // A line break would split a log line in two.
    return QString::fromUtf8(path).replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

FolderListing listFolder(const QByteArray& folder, bool recurse, const LeaveOut& leaveOut, const Exclusions& exclusions)
{
    FolderListing listing;
    listInto(folder, recurse, leaveOut, exclusions, listing, withSlash(folder).size());
    return listing;
}

void logSkipped(const QByteArray& path)
{
    TransactionLog::append(QStringLiteral("Skipped '") + shownPath(path)
                     + QStringLiteral("': a socket, FIFO or device holds no data to back up."));
}

EntryFiles listEntry(const QString& entry, bool subdirectories, const EntrySelection& selection)
{
    EntryFiles files;
    const auto take = [&files, &selection](const ListedItem& item) {
        if (!holdsData(item.info)) {
            files.skipped.push_back(item.path);
        } else if (selection.changedSince && !changedAtOrAfter(item.info, *selection.changedSince)) {
            ++files.unchanged;
        } else {
            files.names.push_back(item.path);
            if (!S_ISDIR(item.info.st_mode)) {
                ++files.files;
                files.bytes += S_ISREG(item.info.st_mode) ? item.info.st_size : 0;
            }
        }
    };
    const EntryKind kind = kindOfEntry(entry);
    if (kind == EntryKind::File) {  // followed when it is a link: the entry names what it points to
        ListedItem item{native(entry), {}};
        if (::stat(item.path.constData(), &item.info) != 0)
            raiseErrno(errno, item.path);
        take(item);
        return files;
    }
    const QString folder = folderPart(entry);
    const QByteArray pattern = native(entry.mid(folder.size()));
    const bool recurse = subdirectories && entry.contains(QLatin1Char('*'));
    const bool withFolders = kind == EntryKind::WholeFolder && recurse;
    const QByteArray top = native(withoutTrailingSlash(folder));
    FolderListing listing = listFolder(top, recurse, selection.leaveOut, selection.exclusions);
    // The entry's own folder followed when it is a link: zip would keep the link itself.
    if (const struct stat topInfo = lstatChecked(top); withFolders && S_ISDIR(topInfo.st_mode))
        take({top, topInfo});
    const auto matches = [&](const ListedItem& item) {
        const QByteArray name = item.path.mid(item.path.lastIndexOf('/') + 1);
        return kind == EntryKind::WholeFolder || ::fnmatch(pattern.constData(), name.constData(), FNM_CASEFOLD) == 0;
    };
    for (const ListedItem& item : listing.items)
        if (S_ISDIR(item.info.st_mode) ? withFolders : matches(item))
            take(item);
    std::copy_if(listing.excluded.begin(), listing.excluded.end(), std::back_inserter(files.excluded),
                 [&](const ListedItem& item) { return S_ISDIR(item.info.st_mode) || matches(item); });
    files.unreadable = std::move(listing.unreadable);
    return files;
}

void removeMatching(const QString& path)
{
    for (const QString& file : matchingFiles(path))
        removeFile(file);
}

void makeFolder(const QString& path)
{
    const QString folder = withoutTrailingSlash(path);
    if (QFileInfo(folder).isDir())
        return;
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0 && errno != EEXIST)
        Errors::throwErrno(errno, folder);
}

void setTrailingSlash(QString& path, bool trailingSlash)
{
    const bool endsWithSlash = path.endsWith(QLatin1Char('/'));
    if (trailingSlash && !endsWithSlash)
        path += QLatin1Char('/');
    else if (!trailingSlash && endsWithSlash)
        path.chop(1);
}

QString folderPart(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QStringList matchingFiles(const QString& path)
{
    const QString name = nameOf(path);
    if (!hasWildcard(name))
        return QFileInfo(path).isFile() || QFileInfo(path).isSymLink() ? QStringList{path} : QStringList{};
    const QDir folder(folderOf(path));
    QStringList paths;
    for (const QString& entry : folder.entryList({name}, AnyFile, QDir::Name))
        paths << folder.filePath(entry);
    return paths;
}

bool sameFile(const QString& path, const QString& other)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return path == other || (!canonical.isEmpty() && canonical == QFileInfo(other).canonicalFilePath());
}

bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

bool folderExists(const QString& path)
{
    return QFileInfo(path).isDir();
}

void writeWhole(const QString& path, const QByteArray& contents)
{
    // A failure names the file being written, never the hidden temporary one (which has no
    // name at all when it could not be made).
    QTemporaryFile temp(hiddenTemporaryBeside(path));
    const auto raise = [&] { throw Errors::AppError(Errors::fromFileError(temp.error(), path, errno)); };
    errno = 0;
    if (!temp.open())
        raise();
    errno = 0;
    if (temp.write(contents) != contents.size() || !temp.flush() || ::fsync(temp.handle()) != 0)
        raise();
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    temp.close();
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        Errors::throwErrno(errno, path);
    temp.setAutoRemove(false);  // it now is the file at `path`
}

void copyFileWhole(const QString& source, const QString& target)
{
    QTemporaryFile temp(hiddenTemporaryBeside(target));
    errno = 0;
    if (!temp.open())  // a temporary file that could not be made has no name: name the target
        throw Errors::AppError(Errors::fromFileError(temp.error(), target, errno));
    temp.close();
    const QByteArray tempName = native(temp.fileName());
    unlinkChecked(tempName);  // its name was wanted, not the file
    try {
        copyNewFile(native(source), tempName);
        if (std::rename(tempName.constData(), native(target).constData()) != 0)
            Errors::throwErrno(errno, target);
    } catch (...) {
        ::unlink(tempName.constData());
        throw;
    }
    temp.setAutoRemove(false);
}

namespace {

void makeOwnerWritable(const QByteArray& folder, const struct stat& info)
{
    if ((info.st_mode & S_IRWXU) != S_IRWXU && ::chmod(folder.constData(), (info.st_mode & 07777) | S_IRWXU) != 0)
        raiseErrno(errno, folder);
}

// Removes the folder and everything below it, read-only subfolders too; links are removed,
// never followed.
void removeTree(const QByteArray& path)
{
    makeOwnerWritable(path, lstatChecked(path));
    const FolderListing listing = listFolder(path, true);
    for (const ListedItem& item : listing.items) {
        if (S_ISDIR(item.info.st_mode))
            makeOwnerWritable(item.path, item.info);
        else
            unlinkChecked(item.path);
    }
    for (auto item = listing.items.rbegin(); item != listing.items.rend(); ++item)
        if (S_ISDIR(item->info.st_mode) && ::rmdir(item->path.constData()) != 0)
            raiseErrno(errno, item->path);
    if (::rmdir(path.constData()) != 0)
        raiseErrno(errno, path);
}

}  // namespace

void removeFolder(const QString& path)
{
    const QString folder = QDir::cleanPath(path);
    if (folder.isEmpty() || folder == QLatin1String("/") || folder == QLatin1String("."))
        return;
    struct stat info {};
    if (::lstat(native(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode))
        removeTree(native(folder));
}

void copyFolderTree(const QString& sourceFolder, const QString& destination, const CopyWatch& watch)
{
    const QString source = withoutTrailingSlash(sourceFolder);
    const QString target = withoutTrailingSlash(destination) + QLatin1Char('/') + QFileInfo(source).fileName();
    struct stat info {};  // the source's own folder is followed when it is a link
    if (::stat(native(source).constData(), &info) != 0)
        raiseErrno(errno, native(source));
    if (::mkdir(native(target).constData(), 0700) != 0 && errno != EEXIST)
        Errors::throwErrno(errno, target);
    copyFolderContent(native(source), native(target), true, folderAndParents(target), watch);
    setModeAndTimes(native(target), info);
}

void copyFolderFiles(const QString& source, const QString& targetFolder, const CopyWatch& watch)
{
    const QString target = withoutTrailingSlash(targetFolder);
    if (!folderExists(target))
        Errors::throwErrno(ENOENT, target);
    copyFolderContent(native(withoutTrailingSlash(source)), native(target), false, {}, watch);
}

void copyFolder(const QString& source, const QString& destination, bool withSubfolders, const CopyWatch& watch)
{
    if (withSubfolders)
        copyFolderTree(source, destination, watch);
    else
        copyFolderFiles(source, withoutTrailingSlash(destination) + QLatin1Char('/')
                                        + QFileInfo(withoutTrailingSlash(source)).fileName(), watch);
}

Result<QByteArray> readOwnFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())  // a FIFO would hold the reader until someone writes
        return Failure{QStringLiteral("'%1' is not a plain file").arg(path)};
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return Failure{Errors::fromFileError(file.error(), path, errno).description};
    const QByteArray bytes = file.read(LargestOwnFile + 1);
    if (bytes.size() > LargestOwnFile)
        return Failure{QStringLiteral("'%1' is larger than 1 MiB, more than any file of Arkwell's holds").arg(path)};
    return bytes;
}

void copyFolderMode(const QString& source, const QString& target)
{
    struct stat info {};
    if (::stat(native(source).constData(), &info) != 0)
        raiseErrno(errno, native(source));
    if (::chmod(native(target).constData(), info.st_mode & 07777) != 0)
        raiseErrno(errno, native(target));
}

void appendToFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner) || file.write(bytes) != bytes.size() || !file.flush())
        Errors::throwFileError(file);
}

void removeFile(const QString& path)
{
    // A folder of that name is no file of that name: left alone, as a missing file is.
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT && errno != EISDIR)
        Errors::throwErrno(errno, path);
}

namespace {

// Runs a short query program, waiting for it, and returns its standard output. Nothing when it
// can't be started or fails.
QByteArray queryOutput(const QString& program, const QStringList& arguments)
{
    QByteArray output;
    ChildProcess::ProgramRun run{program, arguments, {}, {}, {}, &output};
    return ChildProcess::runAndWait(run) == 0 ? output : QByteArray();
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

QString openerOf(const QString& fileName)
{
    const QString type = QMimeDatabase().mimeTypeForFile(fileName).name();
    const QString entryName = QString::fromUtf8(
        queryOutput(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type})).trimmed();
    return entryName.isEmpty() ? QString() : desktopEntryPath(entryName);
}

QStringList desktopEntryCommand(const QString& desktopEntry, const QString& document)
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

}  // namespace Files
