#pragma once
// What the program knows of a job's runs, kept in a small file of its own beside the jobs
// folder: the due moment last handled, when the last run started and ended, its result and
// the archive it wrote, when the last completed run started, what the job's runs must know of
// their past (the paths its copies made, its full archives), and the lines the last run
// logged (a "line=" each, last; a record without them reads as a run that logged nothing).
// The file is written whole and readable by its owner only.

#include "jobs/BackupRun.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

struct RunRecord {
    // CutOff: the last run began and the program ended before it did (killed, crashed).
    // Waiting: not run, its target missing or its drive not mounted.
    enum class Result { None, Completed, Failed, Incomplete, Stopped, CutOff, Waiting };
    // The record's word for how a run of the job ended.
    static Result resultOf(BackupRun::Outcome run);
    // The result's word in the record file and the program's texts ("completed", "failed", ...).
    static QString word(Result result);

    QDateTime handledDue;     // the due moment last run (or skipped) for
    QDateTime started;        // the last run's start
    QDateTime ended;          // its end; before `started` (or none) while it runs or when it was cut off
    Result result = Result::None;
    QString archive;          // what the last run wrote
    QDateTime lastCompleted;  // the start of the last run that completed
    QDateTime created;        // when the record was first written: a job never completed is judged from it
    QDateTime retriedDue;     // the due moment whose failed run has been run again
    QDate overdueNoticeDay;   // the day the job was last told overdue
    BackupRun::History history;
    QDateTime waitingSince;   // while the job waits for its target: the first moment it waited for
    QDate waitNoticeDay;      // the day the job was last told waiting on the desktop
    QStringList logLines;     // what the last run logged, one line each

    // Whether the last run started and never ended (the program was killed or crashed).
    bool cutOff() const { return started.isValid() && !(ended.isValid() && ended >= started); }

    // The record in `path`; nothing when there is none or it can't be read (a damaged one, too
    // large to be a record, is logged and left as it is). A run that was cut off reads as
    // such, whatever result the run before it had.
    static std::optional<RunRecord> read(const QString& path);
    // Writes the record whole (never half a file). Throws the file error on failure.
    void write(const QString& path) const;
};
