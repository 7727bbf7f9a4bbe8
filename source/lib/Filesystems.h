#pragma once
// Which filesystem holds a path (its device, mount point, UUID and label), and writing a
// file's data through to its device. The platform's calls live here, behind one replaceable
// object with the real system as default, so tests decide what is mounted and see the flushes.

#include "lib/Result.h"

#include <QString>
#include <QStringList>

namespace Filesystems {

struct Filesystem {
    QString source;      // what is mounted: "/dev/sdb1", "server:/export", "tmpfs"
    QString mountPoint;  // where it is mounted; empty for none known
    QString uuid;        // empty when the device has none
    QString label;       // empty when it has none

    bool isKnown() const { return !mountPoint.isEmpty(); }
    // One filesystem: the same UUID where both have one, else the same source at the same
    // mount point (a device's number may change when it is plugged in again).
    bool isSame(const Filesystem& other) const;
    // How the user knows it: its label, else its mount point.
    QString name() const { return label.isEmpty() ? mountPoint : label; }
};

class System {
public:
    virtual ~System() = default;
    // The filesystem holding `path`, or, for a path that does not exist, its nearest existing folder.
    virtual Filesystem holding(const QString& path) const;
    // The folders under which drives and shares are mounted, each mount point one or two
    // levels below (/media/<user>/<drive>, /mnt/<drive>).
    virtual QStringList mountAreas() const;
    // Writes the data of a file or folder (its names) through to its device, or says why it can't.
    virtual Result<> flush(const QString& path) const;
    // Writes every file's data of the filesystem holding `path` through to its device.
    virtual Result<> flushFilesystem(const QString& path) const;
};

// The system in use: the real one unless a test installed its own.
const System& current();
// Installs `system` (kept by the caller) in place of the real one; nullptr puts the real one back.
void install(const System* system);

}  // namespace Filesystems
