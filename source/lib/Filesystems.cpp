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

// mountinfo writes blanks and a few other bytes of a mount point as "\ooo".
QString unescapedOctal(const QByteArray& field)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                bytes += char(code);
                i += 3;
                continue;
            }
        }
        bytes += field[i];
    }
    return QFile::decodeName(bytes);
}

// udev names a label's link with "\xHH" for blanks, slashes and the like.
QString unescapedHex(const QString& name)
{
    QByteArray bytes;
    const QByteArray raw = QFile::encodeName(name);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw.mid(i, 2) == "\\x" && i + 3 < raw.size()) {
            bool ok = false;
            const int code = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes += char(code);
                i += 3;
                continue;
            }
        }
        bytes += raw[i];
    }
    return QString::fromUtf8(bytes);
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
// over an earlier one wins.
std::optional<Mount> mountOf(const QString& device, const QString& path)
{
    QFile mountinfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountinfo.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<Mount> found;
    for (const QByteArray& line : mountinfo.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        const Mount mount{QString::fromLatin1(fields[2]), unescapedOctal(fields[4]), unescapedOctal(fields[dash + 2])};
        if (mount.device == device && holds(mount.mountPoint, path)
            && (!found || mount.mountPoint.size() >= found->mountPoint.size()))
            found = mount;
    }
    return found;
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

bool Filesystem::Same(const Filesystem& other) const
{
    if (!uuid.isEmpty() && !other.uuid.isEmpty())
        return uuid == other.uuid;
    return source == other.source && mountPoint == other.mountPoint;
}

Filesystem System::Holding(const QString& path) const
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
    return {mount->source, mount->mountPoint, linkTo(QStringLiteral("/dev/disk/by-uuid"), mount->source),
            unescapedHex(linkTo(QStringLiteral("/dev/disk/by-label"), mount->source))};
}

QStringList System::MountAreas() const
{
    return {QStringLiteral("/media"), QStringLiteral("/run/media"), QStringLiteral("/mnt")};
}

// Opens `path` and hands its descriptor to `flush` (fsync, syncfs); the error's text when either fails.
static std::optional<QString> flushed(const QString& path, int (*flush)(int))
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0 || flush(descriptor) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (descriptor >= 0)
            ::close(descriptor);
        return why;
    }
    ::close(descriptor);
    return std::nullopt;
}

std::optional<QString> System::Flush(const QString& path) const
{
    return flushed(path, ::fsync);
}

std::optional<QString> System::FlushFilesystem(const QString& path) const
{
    return flushed(path, ::syncfs);
}

const System& Current()
{
    return installed ? *installed : realSystem;
}

void Install(const System* system)
{
    installed = system;
}

}  // namespace Filesystems
