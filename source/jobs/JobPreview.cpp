#include "jobs/JobPreview.h"

#include "lib/Errors.h"
#include "lib/Files.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <sys/stat.h>

namespace JobPreview {
namespace {

// The entry that lists what `entry` would take from its excluded folder `folder`.
QString entryBelow(const QString& entry, const QByteArray& folder)
{
    const QString pattern = Files::kindOfEntry(entry) == Files::EntryKind::WholeFolder
                                ? QStringLiteral("*.*")
                                : entry.mid(Files::folderPart(entry).size());
    return QFile::decodeName(folder) + QLatin1Char('/') + pattern;
}

void addLeftOutFolder(Counts& counts, const FolderLeftOut& folder)
{
    counts.leftOutFiles += folder.files;
    counts.leftOutBytes += folder.bytes;
    auto& largest = counts.largestLeftOut;
    largest.insert(std::upper_bound(largest.begin(), largest.end(), folder,
                                    [](const FolderLeftOut& a, const FolderLeftOut& b) { return a.bytes > b.bytes; }),
                   folder);
    if (largest.size() > LargestShown)
        largest.pop_back();
}

void measureEntry(Counts& counts, const QString& entry, bool subdirectories, const Files::EntrySelection& selection)
{
    const Files::EntryFiles files = Files::listEntry(entry, subdirectories, selection);
    counts.files += files.files;
    counts.bytes += files.bytes;
    for (const auto& [path, error] : files.unreadable)
        counts.unreadable << Files::shownPath(path);
    for (const Files::ListedItem& item : files.excluded) {
        if (!S_ISDIR(item.info.st_mode)) {
            ++counts.leftOutFiles;
            counts.leftOutBytes += S_ISREG(item.info.st_mode) ? item.info.st_size : 0;
            continue;
        }
        // What the folder would have given: the same listing below it, without exclusions.
        const Files::EntryFiles below = Files::listEntry(entryBelow(entry, item.path), true, {selection.leaveOut, {}, std::nullopt});
        addLeftOutFolder(counts, {Files::shownPath(item.path), below.files, below.bytes});
    }
}

}  // namespace

Counts measure(const QStringList& entries, bool subdirectories, const Exclusions& exclusions,
               const std::function<bool()>& cancelled)
{
    Counts counts;
    const Files::EntrySelection selection{[&cancelled](const Files::ListedItem&) {
                                                 if (cancelled())
                                                     throw Cancelled{};
                                                 return false;
                                             },
                                             exclusions, std::nullopt};
    for (const QString& entry : entries) {
        try {
            measureEntry(counts, entry, subdirectories, selection);
        } catch (const Errors::AppError& error) {
            counts.unreadable << error.info().description;
        }
    }
    return counts;
}

QString summary(const Counts& counts)
{
    const QLocale locale;
    const auto amount = [&locale](qint64 files, qint64 bytes) {
        return QStringLiteral("%1 files, %2").arg(locale.toString(files), locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
    };
    QString text = QStringLiteral("Takes %1; leaves out %2").arg(amount(counts.files, counts.bytes), amount(counts.leftOutFiles, counts.leftOutBytes));
    for (const FolderLeftOut& folder : counts.largestLeftOut)
        text += QStringLiteral("\n  %1 (%2)").arg(folder.path, amount(folder.files, folder.bytes));
    if (!counts.unreadable.isEmpty())
        text += QStringLiteral("\n%1 can't be read, such as %2").arg(locale.toString(counts.unreadable.size()), counts.unreadable.front());
    return text;
}

}  // namespace JobPreview
