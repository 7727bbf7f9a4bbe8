#pragma once
// What a job's run record says at a glance: the last result as the job list shows it, whether
// the job needs the user's attention (its last run failed or was incomplete, or it has gone
// more than twice its interval without a completed run), and the transaction log's lines for
// a run's start and end.

#include "jobs/BackupRun.h"
#include "jobs/RunRecord.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace JobStatus {

// The time between the job's latest due moment at or before `now` and the one after it, in
// seconds; nothing for a schedule without due moments.
std::optional<qint64> interval(const Job& job, const QDateTime& now);

// Whether the job's last completed run lies more than twice its interval before `now`. A job
// that never completed a run is judged from when its run record was made (its first run or
// due moment); one without a record is not judged.
bool overdue(const Job& job, const RunRecord& record, const QDateTime& now);

// Whether a due moment came more than a minute ago and was neither run for nor skipped.
bool missed(const Job& job, const RunRecord& record, const QDateTime& now);

// The last result's word: "completed", "failed", "incomplete", "stopped", "missed", "waiting
// for its target" (naming the drive's label when known), or empty for a job never run.
QString resultWord(const Job& job, const RunRecord& record, const QDateTime& now);

// The job list's "Last Run": the day the last run started, in the user's form, or "Never" for
// a job that never ran (a job file's own date is the day the job was made, until it runs).
QString lastRunText(const RunRecord& record);

// Whether the row and the tray icon mark the job: failed, incomplete or overdue.
bool needsAttention(const Job& job, const RunRecord& record, const QDateTime& now);

// The transaction log's line for a run's start.
QString startLine(const QString& jobName);
// The transaction log's line for a run's end: counts and duration for a completed run, the
// first reason for one that failed or was incomplete ("Backup Job 'Nightly' completed:
// 1,234 files, 56.7 MB in 12 s", "Backup Job 'Nightly' was stopped."), and what the job's
// exclusions left out ("...; 310 files left out by the job's exclusions").
QString resultLine(const QString& jobName, RunRecord::Result result, const BackupRun::Counts& counts,
                   qint64 seconds, const QString& reason);

}  // namespace JobStatus
