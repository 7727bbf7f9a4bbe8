#pragma once
// The zip program's part of a compressed run: what one entry's zip start is (an argument
// list, never a shell line, the names on standard input), the unzip start that tests the
// new archive, how a start is written to the log, and what zip's exit code and warnings mean.

#include "lib/ChildProcess.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace ZipCommand {

// The job's options that shape every zip start of a run.
struct ZipOptions {
    QString password;                   // empty: no encryption
    QString workFolder;                 // where zip keeps its temporary files
};

// The zip start that adds `names` to `archive`: one a line on standard input, and as
// arguments the names holding a line end, which zip would split on its list. zip starts in
// the work folder, so nothing is ever read from another, and takes no name for a wildcard.
// Symbolic links are stored as links (`keepLinks`), except that a file entry's own link is
// followed. Files whose content is already compressed are stored as they are.
ChildProcess::ProgramRun entryRun(const QString& zipProgram, const ZipOptions& options, const QString& archive,
                             const std::vector<QByteArray>& names, bool keepLinks);

// Whether zip can't be given the name at all: one holding a line end goes as an argument,
// which must be text.
bool nameZipCantTake(const QByteArray& name);

// The unzip start that checks every entry of `archive` against its check sum.
ChildProcess::ProgramRun testRun(const QString& zipProgram, const QString& password, const QString& archive);

// The start as one readable line for the transaction log; the password is not in it.
QString commandLineText(const ChildProcess::ProgramRun& run);
// How every CommandLineText begins.
inline const QString CommandLinePrefix = QStringLiteral("Running ");

// The transaction-log line for zip's exit code on `entry`; nothing when the run goes on
// (0, and 12 "nothing to do" on an incremental job).
std::optional<QString> exitCodeMessage(qint32 exitCode, const QString& entry, bool incremental);

// A warning zip wrote: the file it names (empty when it names none) and what it says. A
// file zip could not read or find is not in the archive (`leftOut`); one that changed while
// zip read it is there, but may match no version of it.
struct Warning {
    QByteArray file;
    QString text;
    bool leftOut = false;
};
// Every warning in zip's output but its closing "Not all files were readable".
std::vector<Warning> warnings(const QByteArray& output);

// The files (not folders) zip's output lines say it has added, each as the path it was given.
std::vector<QByteArray> addedFiles(const QByteArray& lines);

}  // namespace ZipCommand
