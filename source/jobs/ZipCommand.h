#pragma once
// The zip program's part of a compressed run: what one entry's zip start is (an argument
// list, never a shell line), how that start is written to the log, and what zip's exit code
// means.

#include "lib/Shell32.h"

#include <QDate>
#include <QString>
#include <optional>

namespace ZipCommand {

// The job's options that shape every zip start of a run.
struct ZipOptions {
    QString password;                   // empty: no encryption
    bool subdirectories = false;        // wildcard entries take their subfolders too
    std::optional<QDate> changedSince;  // incremental: only files modified on or after this day
    QString ownArchiveBase;             // the job's archives (base.zip, base_N.zip) that no entry takes
};

// Whether an entry names every file of a folder ("folder/*.*"), a wildcard group, a file.
bool IsWholeFolder(const QString& entry);
bool IsWildcardGroup(const QString& entry);

// The zip start that adds `entry` to `archive`. A wildcard entry without subfolders, and one
// holding "?" but no "*", is expanded here to the matching files of its one folder (dot files
// too), fed to zip on its standard input (-@). The password goes to the child's ZIPOPT only.
Shell32::ProgramRun EntryRun(const QString& zipProgram, const ZipOptions& options, const QString& archive,
                             const QString& entry);

// The value of ZIPOPT that hands zip the password ("" for none).
QString PasswordOption(const QString& password);

// The start as one readable line for the transaction log; the password is not in it.
QString CommandLineText(const Shell32::ProgramRun& run);
// How every CommandLineText begins.
inline const QString CommandLinePrefix = QStringLiteral("Running ");

// The transaction-log line for zip's exit code on `entry`; nothing when the run goes on
// (0, and 12 "nothing to do" on an incremental job).
std::optional<QString> ExitCodeMessage(qint32 exitCode, const QString& entry, bool incremental);

}  // namespace ZipCommand
