#pragma once
// Bringing files back from a backup: the chosen files and folders (a folder with everything
// below it) to their original places or into a chosen folder; an existing file is never
// overwritten unless the user said so.

#include "jobs/KeptBackups.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

namespace Restore {

// What becomes of a file that already exists where a restored one goes.
enum class Existing {
    Skip,      // left alone, and named in the report
    Replace,   // the restored file takes its place
    KeepBoth,  // the restored file goes beside it, with the version's date in its name
};

struct Request {
    std::vector<QByteArray> paths;  // original absolute paths, files or folders
    QString toFolder;               // empty: to the original places
    bool withOriginalFolders = false;  // into `toFolder` under each item's whole original path
    Existing existing = Existing::Skip;
    QByteArray password;
};

struct Step {
    const BackedUpItem* item = nullptr;
    QByteArray destination;
    bool exists = false;  // something other than a folder is in the way
};

struct Plan {
    std::vector<Step> steps;  // folders before what they hold
    QStringList refused;      // chosen paths the backup lacks, names that would leave their folder
    qint64 bytes = 0;
    int existing = 0;         // steps that meet an existing file
};
// What restoring `request` from `contents` would write where.
Plan makePlan(const BackupContents& contents, const Request& request);

struct Report {
    qint64 restored = 0;     // files, links and folders written
    QStringList leftAlone;   // existing files not replaced
    QStringList failures;    // "path: why"
    bool stopped = false;
    // 0 all restored, 1 failed, 2 something left alone, 3 stopped.
    int exitStatus() const;
};
// Progress: bytes written so far and in all.
using Progress = std::function<void(qint64 done, qint64 total)>;
// Carries out the plan, returning what it did; `stop` ends it within a chunk.
Report run(const BackupContents& contents, const Plan& plan, const Request& request, const std::atomic<bool>& stop,
           const Progress& progress = {});

// "report (2026-03-01 14.05).txt": the name a kept-both copy gets, numbered on when taken.
QByteArray keepBothName(const QByteArray& destination, const QDateTime& modified);

}  // namespace Restore
