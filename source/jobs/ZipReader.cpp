#include "jobs/ZipReader.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

constexpr zip_uint16_t ExtendedTimestampId = 0x5455;  // "UT": the modification time in UTC
constexpr qsizetype ChunkBytes = 256 * 1024;
constexpr quint32 DefaultFileMode = 0644;

QString libraryError(zip_error_t* error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

}  // namespace

QString ZipReader::systemError(const char* what, int err)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(err)));
}

namespace {

// What a failed open or read of an entry means to the user.
QString entryError(zip_error_t* error, bool encrypted)
{
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOPASSWD: return QStringLiteral("a password is needed");
    case ZIP_ER_WRONGPASSWD: return QStringLiteral("the password is wrong");
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
        // The old scheme's one check byte lets about one wrong password in 256 through; the
        // data then fails its check sum.
        return encrypted ? QStringLiteral("the password is wrong (or the entry is damaged)")
                         : QStringLiteral("the entry is damaged: ") + libraryError(error);
    default: return libraryError(error);
    }
}

// The entry's modification time: zip's UTC time field where there is one, otherwise its
// local date and time.
QDateTime modifiedTime(zip_t* archive, zip_uint64_t index, time_t dosTime)
{
    zip_uint16_t length = 0;
    const zip_uint8_t* field =
        zip_file_extra_field_get_by_id(archive, index, ExtendedTimestampId, 0, &length, ZIP_FL_CENTRAL);
    if (field && length >= 5 && (field[0] & 1))
        return QDateTime::fromSecsSinceEpoch(qFromLittleEndian<qint32>(field + 1), Qt::UTC);
    return QDateTime::fromSecsSinceEpoch(dosTime, Qt::UTC);
}

void setTimes(const QByteArray& path, const QDateTime& modified, int flags)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(modified.toSecsSinceEpoch()), 0}};
    ::utimensat(AT_FDCWD, path.constData(), times, flags);
}

// A hidden name beside `destination`, free at the moment of asking.
QByteArray hiddenSibling(const QByteArray& destination)
{
    const qsizetype slash = destination.lastIndexOf('/');
    static std::atomic<quint64> taken{0};
    return destination.left(slash + 1) + ".arkwell-restore-" + QByteArray::number(::getpid()) + '-'
           + QByteArray::number(++taken);
}

}  // namespace

ZipReader::ZipReader(zip* archive, QString path) : m_archive(archive), m_path(std::move(path)) {}

ZipReader::~ZipReader()
{
    zip_discard(m_archive);
}

// libzip turns every entry's local date and time into a moment with mktime, which looks at
// the time zone file again on each call when TZ is not set: twenty times slower on a big
// archive. Naming the same file once spares that.
void ZipReader::nameTimeZoneFile()
{
    static const bool named = qEnvironmentVariableIsSet("TZ") || qputenv("TZ", ":/etc/localtime");
    Q_UNUSED(named);
}

Result<std::unique_ptr<ZipReader>> ZipReader::open(const QString& path, bool listEntries)
{
    nameTimeZoneFile();
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        const QString why = libraryError(&reason);
        zip_error_fini(&reason);
        return Failure{why};
    }
    std::unique_ptr<ZipReader> reader(new ZipReader(archive, path));
    if (listEntries)
        reader->list();
    return reader;
}

void ZipReader::list()
{
    const zip_int64_t count = zip_get_num_entries(m_archive, 0);
    m_entries.reserve(size_t(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t index = 0; index < count; ++index)
        if (std::optional<ZipEntry> entry = entryAt(zip_uint64_t(index)))
            m_entries.push_back(std::move(*entry));
}

std::optional<ZipEntry> ZipReader::entryAt(quint64 index) const
{
    zip_stat_t stat;
    if (zip_stat_index(m_archive, index, ZIP_FL_ENC_RAW, &stat) != 0)
        return std::nullopt;
    ZipEntry entry;
    entry.index = index;
    entry.name = QByteArray(stat.name);
    entry.size = qint64(stat.size);
    entry.encrypted = stat.encryption_method != ZIP_EM_NONE;
    entry.modified = modifiedTime(m_archive, entry.index, stat.mtime);
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(m_archive, entry.index, 0, &system, &attributes);
    const mode_t mode = system == ZIP_OPSYS_UNIX ? mode_t(attributes >> 16) : 0;
    entry.mode = mode & 07777;
    if (entry.name.endsWith('/') || S_ISDIR(mode)) {
        entry.kind = ZipEntry::Kind::Folder;
        entry.name.chop(entry.name.endsWith('/') ? 1 : 0);
    } else if (S_ISLNK(mode)) {
        entry.kind = ZipEntry::Kind::Link;
    }
    return entry;
}

std::optional<ZipEntry> ZipReader::find(const QByteArray& name) const
{
    const zip_int64_t index = zip_name_locate(m_archive, name.constData(), ZIP_FL_ENC_RAW);
    return index < 0 ? std::nullopt : entryAt(zip_uint64_t(index));
}

bool ZipReader::encrypted() const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [](const ZipEntry& entry) { return entry.encrypted; });
}

// Reads the entry's data into `fd`, or into `content` when `fd` is negative.
Result<> ZipReader::copyData(const ZipEntry& entry, int fd, const QByteArray& password,
                             const std::atomic<bool>& stop, QByteArray* content) const
{
    zip_file_t* file = entry.encrypted ? zip_fopen_index_encrypted(m_archive, entry.index, 0,
                                                                   password.isEmpty() ? nullptr : password.constData())
                                       : zip_fopen_index(m_archive, entry.index, 0);
    if (!file)
        return Failure{entryError(zip_get_error(m_archive), entry.encrypted)};
    QByteArray buffer(ChunkBytes, Qt::Uninitialized);
    Result<> copied;
    for (;;) {
        if (stop) {
            copied = Failure{QStringLiteral("stopped")};
            break;
        }
        const zip_int64_t read = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
        if (read < 0) {
            copied = Failure{entryError(zip_file_get_error(file), entry.encrypted)};
            break;
        }
        if (read == 0)
            break;
        if (fd < 0) {
            content->append(buffer.constData(), qsizetype(read));
            continue;
        }
        for (zip_int64_t written = 0; written < read && copied;) {
            const ssize_t now = ::write(fd, buffer.constData() + written, size_t(read - written));
            if (now < 0 && errno != EINTR)
                copied = Failure{systemError("write", errno)};
            written += std::max<ssize_t>(now, 0);
        }
        if (!copied)
            break;
    }
    zip_fclose(file);
    return copied;
}

Result<> ZipReader::extract(const ZipEntry& entry, const QByteArray& destination, const QByteArray& password,
                            const std::atomic<bool>& stop) const
{
    return writeItem(entry, destination, [&](int fd, QByteArray* linkTarget) {
        return copyData(entry, fd, password, stop, linkTarget);
    });
}

Result<> ZipReader::writeItem(const ZipEntry& item, const QByteArray& destination, const DataFill& fill)
{
    if (item.kind == ZipEntry::Kind::Folder) {
        struct stat existing;
        if (::mkdir(destination.constData(), 0700) != 0
            && !(errno == EEXIST && ::lstat(destination.constData(), &existing) == 0 && S_ISDIR(existing.st_mode)))
            return Failure{systemError("mkdir", errno)};
        return {};
    }
    const QByteArray hidden = hiddenSibling(destination);
    Result<> written;
    if (item.kind == ZipEntry::Kind::Link) {
        QByteArray target;
        written = fill(-1, &target);
        if (written && ::symlink(target.constData(), hidden.constData()) != 0)
            written = Failure{systemError("symlink", errno)};
        if (written)
            setTimes(hidden, item.modified, AT_SYMLINK_NOFOLLOW);
    } else {
        const int fd = ::open(hidden.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return Failure{systemError("open", errno)};
        written = fill(fd, nullptr);
        if (written && ::fchmod(fd, item.mode ? item.mode : DefaultFileMode) != 0)
            written = Failure{systemError("chmod", errno)};
        if (::close(fd) != 0 && written)
            written = Failure{systemError("close", errno)};
        if (written)
            setTimes(hidden, item.modified, 0);
    }
    if (written && ::rename(hidden.constData(), destination.constData()) != 0)
        written = Failure{systemError("rename", errno)};
    if (!written)
        ::unlink(hidden.constData());
    return written;
}

void ZipReader::setFolderAttributes(const ZipEntry& folder, const QByteArray& destination)
{
    if (folder.mode)
        ::chmod(destination.constData(), folder.mode);
    setTimes(destination, folder.modified, 0);
}
