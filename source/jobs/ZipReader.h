#pragma once
// Reads zip archives (zip64 too, entries under zip's old password scheme or AES): lists their
// entries by the bytes of their names and extracts chosen entries with their modes, times and
// symbolic links. Failures are returned with a reason, never thrown.

#include "lib/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct zip;

struct ZipEntry {
    enum class Kind { File, Folder, Link };
    QByteArray name;  // as stored: no leading "/", folders without their trailing "/"
    Kind kind = Kind::File;
    qint64 size = 0;  // uncompressed bytes (a link: its target's length)
    QDateTime modified;  // in UTC (local time is slow to compute for many entries)
    quint32 mode = 0;  // permission bits; 0 when the archive doesn't say
    bool encrypted = false;
    quint64 index = 0;  // the entry's place in the archive
};

class ZipReader {
public:
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // The archive at `path`, read and (unless not `listEntries`) listed; fails with why it
    // can't be.
    static Result<std::unique_ptr<ZipReader>> open(const QString& path, bool listEntries = true);
    // Sets TZ to the system's zone file when it isn't set (see Open); called before archives
    // are opened on several threads at once.
    static void nameTimeZoneFile();

    const QString& path() const { return m_path; }
    const std::vector<ZipEntry>& entries() const { return m_entries; }
    // The entry of that name (as stored; a folder's with its trailing "/"), listed or not.
    std::optional<ZipEntry> find(const QByteArray& name) const;
    // Whether any entry is encrypted, so a password is needed.
    bool encrypted() const;

    // Writes `entry` to `destination` (bytes of a path whose folder exists): a file through a
    // hidden name beside it, renamed over whatever is there only once it is whole and has its
    // mode and time; a link as a link; a folder created when missing. `stop` is looked at
    // once a chunk. The reason when it failed: a wrong or missing password, damaged data,
    // a refusal of the file system, stopped.
    Result<> extract(const ZipEntry& entry, const QByteArray& destination, const QByteArray& password,
                     const std::atomic<bool>& stop) const;

    // Writes an item at `destination` the way Extract does, its data given by `fill`: into
    // the open file `fd`, or (fd -1) a link's target into `linkTarget`.
    using DataFill = std::function<Result<>(int fd, QByteArray* linkTarget)>;
    static Result<> writeItem(const ZipEntry& item, const QByteArray& destination, const DataFill& fill);
    // "what: the system's reason".
    static QString systemError(const char* what, int err);

    // Sets a folder's mode and time once its contents are written (writing into it changes
    // its time).
    static void setFolderAttributes(const ZipEntry& folder, const QByteArray& destination);

private:
    ZipReader(zip* archive, QString path);
    void list();
    std::optional<ZipEntry> entryAt(quint64 index) const;
    Result<> copyData(const ZipEntry& entry, int fd, const QByteArray& password,
                                    const std::atomic<bool>& stop, QByteArray* content) const;

    zip* m_archive;
    QString m_path;
    std::vector<ZipEntry> m_entries;
};
