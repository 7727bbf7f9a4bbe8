#include "lib/Filesystems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace Filesystems {
namespace {

const System realSystem;
const System* installed = nullptr;

// Undoes the escapes in names the kernel and udev write: "\040" (octal) for a blank in a
// mount point of mountinfo, "\x20" (hex) in the name of a /dev/disk/by-label link.
QByteArray unescaped(const QByteArray& text, const QByteArray& lead, int digits, int base)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        const qsizetype length = lead.size() + digits;
        const int code = text.mid(i, lead.size()) == lead && i + length <= text.size()
                             ? text.mid(i + lead.size(), digits).toInt(&ok, base)
                             : 0;
        if (ok) {
            bytes += char(code);
            i += length - 1;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

QString mountinfoName(const QByteArray& field)
{
    return QFile::decodeName(unescaped(field, "\\", 3, 8));
}

bool holds(const QString& mountPoint, const QString& path)
{
    return mountPoint == QLatin1String("/") || path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

struct Mount {
    QString device;
    QString mountPoint;
    QString source;
};

// The mount of `device` whose mount point holds `path` most closely; a later line mounted
// over an earlier one wins. A device no line names (a btrfs subvolume that is not mounted
// itself) is held by the mount closest to the path.
std::optional<Mount> mountOf(const QString& device, const QString& path)
{
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountinfo.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<Mount> ofDevice;
    std::optional<Mount> closest;
    const auto keepCloser = [](std::optional<Mount>& kept, const Mount& mount) {
        if (!kept || mount.mountPoint.size() >= kept->mountPoint.size())
            kept = mount;
    };
    for (const QByteArray& line : mountinfo.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const Mount mount{QString::fromLatin1(fields[2]), mountinfoName(fields[4]), mountinfoName(fields[dash + 2])};
        if (!holds(mount.mountPoint, path))
            continue;
        keepCloser(closest, mount);
        if (mount.device == device)
            keepCloser(ofDevice, mount);
    }
    return ofDevice ? ofDevice : closest;
}

// The name of the link in `folder` (/dev/disk/by-uuid, by-label) that leads to `deviceNode`.
QString linkTo(const QString& folder, const QString& deviceNode)
{
    const QString node = QFileInfo(deviceNode).canonicalFilePath();
    if (node.isEmpty())
        return {};
    for (const QFileInfo& link : QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (link.canonicalFilePath() == node)
            return link.fileName();
    return {};
}

}  // namespace

bool Filesystem::isSame(const Filesystem& other) const
{
    if (!uuid.isEmpty() && !other.uuid.isEmpty())
        return uuid == other.uuid;
    return source == other.source && mountPoint == other.mountPoint;
}

Filesystem System::holding(const QString& path) const
{
    QString existing = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    struct stat info {};
    while (::stat(QFile::encodeName(existing).constData(), &info) != 0) {
        if (existing == QLatin1String("/"))
            return {};
        existing = QFileInfo(existing).path();
    }
    const QString device = QStringLiteral("%1:%2").arg(major(info.st_dev)).arg(minor(info.st_dev));
    const std::optional<Mount> mount = mountOf(device, QFileInfo(existing).canonicalFilePath());
    if (!mount)
        return {};
    const QByteArray labelLink = QFile::encodeName(linkTo(QStringLiteral("/dev/disk/by-label"), mount->source));
    return {mount->source, mount->mountPoint, linkTo(QStringLiteral("/dev/disk/by-uuid"), mount->source),
            QString::fromUtf8(unescaped(labelLink, "\\x", 2, 16))};
}

QStringList System::mountAreas() const
{
    return {QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt")};
}

// Opens `path` and hands its descriptor to `flush` (fsync, syncfs); the error's text when either fails.
static Result<> flushed(const QString& path, int (*flush)(int))
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0 || flush(descriptor) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (descriptor >= 0)
            ::close(descriptor);
        return Failure{why};
    }
    ::close(descriptor);
    return {};
}

Result<> System::flush(const QString& path) const
{
    return flushed(path, ::fsync);
}

Result<> System::flushFilesystem(const QString& path) const
{
    return flushed(path, ::syncfs);
}

const System& current()
{
    return installed ? *installed : realSystem;
}

void install(const System* system)
{
    installed = system;
}

}  // namespace Filesystems
