#include "jobs/Restore.h"

#include "lib/Files.h"

#include <cerrno>
#include <sys/stat.h>

namespace Restore {
namespace {

bool exists(const QByteArray& path, struct stat* info)
{
    return ::lstat(path.constData(), info) == 0;
}

// A name that would climb out of the folder it is restored into, or that names nothing.
bool unsafeName(const QByteArray& original)
{
    return !original.startsWith('/') || original.contains("//") || original.contains("/../")
           || original.endsWith("/..") || original.contains("/./") || original.endsWith("/.");
}

bool below(const QByteArray& path, const QByteArray& folder)
{
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

// Creates the folders leading to `path` that are missing.
Result<> makeParents(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (::mkdir(path.left(slash).constData(), 0777) != 0 && errno != EEXIST)
            return Failure{ZipReader::systemError("mkdir", errno)};
    }
    return {};
}

QByteArray destination(const Request& request, const QByteArray& chosen, const QByteArray& original)
{
    if (request.toFolder.isEmpty())
        return original;
    const QByteArray folder = Files::nativePath(Files::withoutTrailingSlash(request.toFolder));
    if (request.withOriginalFolders)
        return folder + original;
    return folder + original.mid(chosen.lastIndexOf('/'));
}

}  // namespace

Plan makePlan(const BackupContents& contents, const Request& request)
{
    Plan plan;
    std::vector<QByteArray> links;
    for (const BackedUpItem& item : contents.items())
        if (item.entry.kind == ZipEntry::Kind::Link)
            links.push_back(item.original);
    for (QByteArray chosen : request.paths) {
        while (chosen.size() > 1 && chosen.endsWith('/'))
            chosen.chop(1);
        bool found = false;
        for (const BackedUpItem& item : contents.items()) {
            if (!below(item.original, chosen))
                continue;
            found = true;
            const bool underLink = std::any_of(links.begin(), links.end(), [&item](const QByteArray& link) {
                return item.original != link && below(item.original, link);
            });
            if (unsafeName(item.original) || underLink) {
                plan.refused << Files::shownPath(item.original) + QStringLiteral(": its name leaves its folder");
                continue;
            }
            Step step{&item, destination(request, chosen, item.original), false};
            struct stat info;
            step.exists = exists(step.destination, &info)
                          && !(item.entry.kind == ZipEntry::Kind::Folder && S_ISDIR(info.st_mode));
            plan.existing += step.exists ? 1 : 0;
            plan.bytes += item.entry.kind == ZipEntry::Kind::File ? item.entry.size : 0;
            plan.steps.push_back(std::move(step));
        }
        if (!found)
            plan.refused << Files::shownPath(chosen) + QStringLiteral(": not in this backup");
    }
    return plan;
}

Report run(const BackupContents& contents, const Plan& plan, const Request& request, const std::atomic<bool>& stop,
           const Progress& progress)
{
    Report report;
    report.failures = plan.refused;
    qint64 done = 0;
    std::vector<const Step*> folders;
    for (const Step& step : plan.steps) {
        if (stop) {
            report.stopped = true;
            break;
        }
        QByteArray destination = step.destination;
        if (step.exists && request.existing == Existing::Skip) {
            report.leftAlone << Files::shownPath(destination);
            continue;
        }
        if (step.exists && request.existing == Existing::KeepBoth)
            destination = keepBothName(destination, step.item->entry.modified);
        Result<> restored = makeParents(destination);
        if (restored)
            restored = contents.extract(*step.item, destination, request.password, stop);
        if (!restored && stop) {
            report.stopped = true;
            break;
        }
        if (!restored) {
            report.failures << Files::shownPath(destination) + QStringLiteral(": ") + restored.reason();
            continue;
        }
        ++report.restored;
        if (step.item->entry.kind == ZipEntry::Kind::Folder)
            folders.push_back(&step);
        done += step.item->entry.kind == ZipEntry::Kind::File ? step.item->entry.size : 0;
        if (progress)
            progress(done, plan.bytes);
    }
    // Writing into a folder changes its time, and a read-only one takes nothing: last, deepest first.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        ZipReader::setFolderAttributes((*folder)->item->entry, (*folder)->destination);
    return report;
}

int Report::exitStatus() const
{
    if (stopped)
        return 3;
    if (!failures.isEmpty())
        return 1;
    return leftAlone.isEmpty() ? 0 : 2;
}

QByteArray keepBothName(const QByteArray& destination, const QDateTime& modified)
{
    const qsizetype slash = destination.lastIndexOf('/');
    const qsizetype dot = destination.lastIndexOf('.');
    const qsizetype split = dot > slash + 1 ? dot : destination.size();
    const QByteArray stem = destination.left(split) + " (" + modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh.mm")).toLatin1();
    struct stat info;
    QByteArray name = stem + ')' + destination.mid(split);
    for (int number = 2; exists(name, &info); ++number)
        name = stem + ' ' + QByteArray::number(number) + ')' + destination.mid(split);
    return name;
}

}  // namespace Restore
