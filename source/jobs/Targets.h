#pragma once
// Targets that come and go. A job's target folder must be there, and on the filesystem that
// held it at the job's last backup (a drive's mount point is an empty folder of the internal
// disk while the drive is away), and never a folder of /media, /run/media or /mnt that sits on
// the filesystem of those folders themselves. Otherwise the job waits: it is neither run nor
// failed, nothing is written there, and it runs once its target is back.

#include "jobs/BackupRun.h"
#include "jobs/JobTable.h"
#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace Targets {

// Whether a job's target can be written now; when not, why, and the drive the job waits for.
struct Verdict {
    bool ready = false;
    QString why;    // "the target folder '/media/me/USB/Backups' does not exist"
    QString drive;  // the drive's label when known, else its mount point or the target folder
    Filesystems::Filesystem filesystem;  // what holds the target now
};
// `history` holds the target and its filesystem at the job's last backup; a target the
// user changed since (or a first backup) is taken as it is, unless it is an empty mount point.
Verdict check(const QString& target, const BackupRun::History& history);

// The log line of a job that waits for its target.
QString waitLine(const QString& jobName, const Verdict& verdict);

// The scheduler's side. A waiting job keeps, in its run record, the first due moment it
// waited for; each later moment is handled without a run.

// Asked before a scheduled run for `due` starts: true when the run is held, since the job
// waits for its target (the wait's start is logged once). A waiting job whose target is back
// is not held: the log names the moments it waited through and the run covers them all.
bool holdRun(JobTable& jobs, const QString& name, const QDateTime& due);
// The waiting jobs whose targets are back, in the order listed, each with the latest moment
// it waited for; each is logged with the moments it waited through and waits no longer.
std::vector<JobTable::DueRun> returned(JobTable& jobs);
// After a run: one that waited, or one that failed while its target went away (the drive was
// pulled), leaves the job waiting for its target; any other ends a wait (a Run now that found
// the target back).
void runEnded(JobTable& jobs, const QString& name, RunRecord::Result result);

// A waiting job to tell on the desktop, with the drive it waits for.
struct Notice {
    QString name;
    QString drive;
};
// The waiting jobs not told yet on `today`: each is told once a day at most.
std::vector<Notice> notices(JobTable& jobs, const QDate& today);

}  // namespace Targets
