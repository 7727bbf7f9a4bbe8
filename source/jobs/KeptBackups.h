#pragma once
// A job's backups as a restore sees them: the current archive and every kept copy, newest
// first (a plain-copy job: its backup folder), what each holds by original path, and every
// kept version of one path.

#include "jobs/ZipReader.h"

#include "lib/Result.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class Job;
struct RunRecord;

struct KeptBackup {
    int copy = 0;       // 0: the current archive; k: the copy "_k"
    QString path;       // the archive, or the target folder of a plain copy
    QDateTime begun;    // when the run that made it began; when it was written where that isn't known
    bool full = true;   // a full backup, not an incremental one
    qint64 files = 0;
    qint64 bytes = 0;
};

// One file, folder or link of a backup, by the absolute path it was backed up from.
struct BackedUpItem {
    QByteArray original;
    ZipEntry entry;  // for a plain copy, `name` is the copy's own path
    int archive = 0;  // which of the contents' archives holds it
};

class BackupContents {
public:
    // What `backup` of `job` holds, sorted by original path; fails with why it can't be read.
    static Result<std::unique_ptr<BackupContents>> open(const Job& job, const KeptBackup& backup);
    // What the job's files were as of `backups[at]`: in an incremental chain each file from
    // the newest archive at or before it, back to the chain's full archive; otherwise that
    // backup alone. `backups` newest first.
    static Result<std::unique_ptr<BackupContents>> openAsOf(const Job& job, const std::vector<KeptBackup>& backups,
                                                            size_t at);

    const std::vector<BackedUpItem>& items() const { return m_items; }
    // The item backed up from `original`; nullptr when the backup doesn't hold it.
    const BackedUpItem* find(const QByteArray& original) const;
    // Whether the items can only be read with a password.
    bool encrypted() const;
    // Writes the item at `destination` (see ZipReader::extract).
    Result<> extract(const BackedUpItem& item, const QByteArray& destination, const QByteArray& password,
                     const std::atomic<bool>& stop) const;

private:
    void listArchive(const ZipReader& archive, int index);
    void listFolderCopy(const Job& job);
    void sort();

    std::vector<std::unique_ptr<ZipReader>> m_zips;  // none for a plain copy
    std::vector<BackedUpItem> m_items;
};

namespace KeptBackups {

// The job's backups that exist, newest first; copies are looked for up to `maxCopies`.
// `record` tells when the last run began and which archives are full.
std::vector<KeptBackup> list(const Job& job, const RunRecord& record, int maxCopies);

struct Version {
    KeptBackup backup;
    ZipEntry entry;
};

// The backups opened once, so that the versions of one path after another are found at once
// (opening an archive is most of the work). Backups that can't be read are passed over.
class VersionFinder {
public:
    VersionFinder(const Job& job, std::vector<KeptBackup> backups);
    // Every backup holding the file `original`, in the backups' order.
    std::vector<Version> versions(const QByteArray& original) const;

private:
    std::vector<KeptBackup> m_backups;
    std::vector<std::unique_ptr<ZipReader>> m_archives;      // unlisted; one a backup, or
    std::vector<std::unique_ptr<BackupContents>> m_copies;   // a plain copy's contents
};

}  // namespace KeptBackups
