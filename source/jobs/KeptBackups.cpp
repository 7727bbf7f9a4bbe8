#include "jobs/KeptBackups.h"

#include "jobs/Job.h"
#include "jobs/RunRecord.h"
#include "lib/Errors.h"
#include "lib/Files.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ZipEntry entryOfFile(const QByteArray& path, const struct stat& info)
{
    ZipEntry entry;
    entry.name = path;
    entry.kind = S_ISDIR(info.st_mode)   ? ZipEntry::Kind::Folder
                 : S_ISLNK(info.st_mode) ? ZipEntry::Kind::Link
                                         : ZipEntry::Kind::File;
    entry.size = entry.kind == ZipEntry::Kind::Folder ? 0 : qint64(info.st_size);
    entry.modified = QDateTime::fromSecsSinceEpoch(info.st_mtime, Qt::UTC);
    entry.mode = info.st_mode & 07777;
    return entry;
}

// Copies a plain copy's file into `fd`, or reads its link target.
Result<> copyOut(const QByteArray& source, int fd, QByteArray* linkTarget, const std::atomic<bool>& stop)
{
    if (fd < 0) {
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t length = ::readlink(source.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            return Failure{ZipReader::systemError("readlink", errno)};
        *linkTarget = target.left(length);
        return {};
    }
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Failure{ZipReader::systemError("open", errno)};
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    Result<> copied;
    for (ssize_t read; copied && (read = ::read(in, buffer.data(), size_t(buffer.size()))) != 0;) {
        if (stop)
            copied = Failure{QStringLiteral("stopped")};
        else if (read < 0 && errno != EINTR)
            copied = Failure{ZipReader::systemError("read", errno)};
        else if (read > 0 && ::write(fd, buffer.constData(), size_t(read)) != read)
            copied = Failure{ZipReader::systemError("write", errno)};
    }
    ::close(in);
    return copied;
}

// Whether the archive holds a full backup. A job that isn't incremental makes only full
// ones; in an incremental chain the run record names the full ones, and a record that names
// none (archives older than the record's knowledge) leaves the oldest kept one as the
// chain's start.
bool fullBackup(const Job& job, const RunRecord& record, int copy, bool oldest)
{
    if (!job.incremental())
        return true;
    return record.history.fullArchives.isEmpty() ? oldest : record.history.fullArchives.contains(copy);
}

}  // namespace

Result<std::unique_ptr<BackupContents>> BackupContents::open(const Job& job, const KeptBackup& backup)
{
    return openAsOf(job, {backup}, 0);
}

Result<std::unique_ptr<BackupContents>> BackupContents::openAsOf(const Job& job, const std::vector<KeptBackup>& backups,
                                                                 size_t at)
{
    std::unique_ptr<BackupContents> contents(new BackupContents);
    if (!job.compress()) {
        try {
            contents->listFolderCopy(job);
        } catch (const Errors::AppError& failure) {
            return Failure{QString::fromLocal8Bit(failure.what())};
        }
        contents->sort();
        return contents;
    }
    size_t oldest = at;  // the chain's full archive, or the oldest kept
    while (job.incremental() && !backups[oldest].full && oldest + 1 < backups.size())
        ++oldest;
    for (size_t index = oldest + 1; index-- > at;) {
        Result<std::unique_ptr<ZipReader>> archive = ZipReader::open(backups[index].path);
        if (!archive)
            return Failure{archive.reason()};
        contents->listArchive(**archive, int(contents->m_zips.size()));
        contents->m_zips.push_back(std::move(archive).value());
    }
    contents->sort();
    return contents;
}

// zip keeps absolute paths without their leading "/". Archives are listed oldest first; a
// later one's item stands for the path (sort keeps the last).
void BackupContents::listArchive(const ZipReader& archive, int index)
{
    m_items.reserve(m_items.size() + archive.entries().size());
    for (const ZipEntry& entry : archive.entries())
        m_items.push_back({'/' + entry.name, entry, index});
}

void BackupContents::sort()
{
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const BackedUpItem& a, const BackedUpItem& b) { return a.original < b.original; });
    // Of equal paths the last listed (the newest archive's) stays.
    const auto last = std::unique(m_items.rbegin(), m_items.rend(), [](const BackedUpItem& a, const BackedUpItem& b) {
        return a.original == b.original;
    });
    m_items.erase(m_items.begin(), last.base());
}

bool BackupContents::encrypted() const
{
    return std::any_of(m_zips.begin(), m_zips.end(), [](const auto& archive) { return archive->encrypted(); });
}

// A plain copy holds each whole folder as a folder of that name in the target, and each
// single file under its own name there; wildcard groups are never copied.
void BackupContents::listFolderCopy(const Job& job)
{
    const QByteArray target = Files::nativePath(job.targetDirectory());
    for (const QString& entry : Job::entriesIn(job.filesToZip())) {
        const Files::EntryKind kind = Files::kindOfEntry(entry);
        if (kind == Files::EntryKind::WildcardGroup)
            continue;
        const QByteArray source = Files::nativePath(
            kind == Files::EntryKind::File ? entry : Files::withoutTrailingSlash(Files::folderPart(entry)));
        const QByteArray copy = target + source.mid(source.lastIndexOf('/') + 1);
        struct stat info;
        if (::lstat(copy.constData(), &info) != 0)
            continue;
        m_items.push_back({source, entryOfFile(copy, info)});
        if (kind == Files::EntryKind::File || !S_ISDIR(info.st_mode))
            continue;
        for (const Files::ListedItem& item : Files::listFolder(copy, true).items)
            m_items.push_back({source + item.path.mid(copy.size()), entryOfFile(item.path, item.info)});
    }
}

const BackedUpItem* BackupContents::find(const QByteArray& original) const
{
    const auto found = std::lower_bound(m_items.begin(), m_items.end(), original,
                                        [](const BackedUpItem& item, const QByteArray& path) { return item.original < path; });
    return found != m_items.end() && found->original == original ? &*found : nullptr;
}

Result<> BackupContents::extract(const BackedUpItem& item, const QByteArray& destination, const QByteArray& password,
                                 const std::atomic<bool>& stop) const
{
    if (!m_zips.empty())
        return m_zips[size_t(item.archive)]->extract(item.entry, destination, password, stop);
    return ZipReader::writeItem(item.entry, destination, [&](int fd, QByteArray* linkTarget) {
        return copyOut(item.entry.name, fd, linkTarget, stop);
    });
}

namespace KeptBackups {

std::vector<KeptBackup> list(const Job& job, const RunRecord& record, int maxCopies)
{
    std::vector<KeptBackup> backups;
    for (int copy = 0; copy <= (job.compress() ? maxCopies : 0); ++copy) {
        const QString path = job.compress() ? job.archivePath(copy) : job.targetDirectory();
        const QFileInfo file(path);
        if (!file.exists())
            continue;
        KeptBackup backup{copy, path, file.lastModified(), true, 0, 0};
        if (copy == 0 && record.history.archiveStarted.isValid())
            backup.begun = record.history.archiveStarted;
        if (const Result<std::unique_ptr<BackupContents>> contents = BackupContents::open(job, backup)) {
            for (const BackedUpItem& item : (*contents)->items()) {
                backup.files += item.entry.kind == ZipEntry::Kind::Folder ? 0 : 1;
                backup.bytes += item.entry.size;
            }
        }
        backups.push_back(backup);
    }
    for (KeptBackup& backup : backups)
        backup.full = fullBackup(job, record, backup.copy, &backup == &backups.back());
    return backups;
}

// An archive is searched by name without listing it: twice as fast to open.
VersionFinder::VersionFinder(const Job& job, std::vector<KeptBackup> backups) : m_backups(std::move(backups))
{
    for (const KeptBackup& backup : m_backups) {
        // A backup that can't be opened has no versions to give.
        Result<std::unique_ptr<ZipReader>> archive = job.compress() ? ZipReader::open(backup.path, false) : Failure{};
        Result<std::unique_ptr<BackupContents>> copy = job.compress() ? Failure{} : BackupContents::open(job, backup);
        m_archives.push_back(archive ? std::move(archive).value() : nullptr);
        m_copies.push_back(copy ? std::move(copy).value() : nullptr);
    }
}

std::vector<Version> VersionFinder::versions(const QByteArray& original) const
{
    std::vector<Version> versions;
    for (size_t index = 0; index < m_backups.size(); ++index) {
        std::optional<ZipEntry> entry;
        if (m_archives[index] && original.startsWith('/'))
            entry = m_archives[index]->find(original.mid(1));
        if (const BackedUpItem* item = m_copies[index] ? m_copies[index]->find(original) : nullptr)
            entry = item->entry;
        if (entry && entry->kind != ZipEntry::Kind::Folder)
            versions.push_back({m_backups[index], *entry});
    }
    return versions;
}

}  // namespace KeptBackups
