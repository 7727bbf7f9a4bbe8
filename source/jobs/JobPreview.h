#pragma once
// What a job would take and leave out, worked out with the run's own listing before the job
// is saved: the files and bytes taken, those the exclusions leave out, and the largest
// folders left out. Nothing is logged, so it may run on a worker thread.

#include "lib/Exclusions.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace JobPreview {

struct FolderLeftOut {
    QString path;
    qint64 files = 0;
    qint64 bytes = 0;
};

struct Counts {
    qint64 files = 0;
    qint64 bytes = 0;
    qint64 leftOutFiles = 0;
    qint64 leftOutBytes = 0;
    std::vector<FolderLeftOut> largestLeftOut;  // the largest first, at most LargestShown
    QStringList unreadable;  // entries and folders that can't be listed
};
constexpr std::size_t LargestShown = 5;

// Thrown out of Measure when `cancelled` answers true (it is asked at every item listed).
struct Cancelled {};

Counts measure(const QStringList& entries, bool subdirectories, const Exclusions& exclusions,
               const std::function<bool()>& cancelled);

// The preview as the wizard shows it: "Takes 1,234 files, 56.7 MB; leaves out 310 files,
// 1.2 GB", then one line for each of the largest folders left out.
QString summary(const Counts& counts);

}  // namespace JobPreview
