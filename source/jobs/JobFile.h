#pragma once
// The job file: a job's fields one a line, CR LF after each, in a fixed order, then its
// entries and its "#key=value" option lines, and an empty line. Files of the earlier layout
// (without the incremental line) read too; a job is always written in today's layout.

#include "jobs/Job.h"
#include "lib/Result.h"

#include <QByteArray>
#include <QString>

namespace JobFile {

// The job in `path`; a missing, unreadable or damaged file fails with why (the file, the line
// and what it should have held).
Result<Job> read(const QString& path);
// The job read from a job file's bytes; `path` names the file in the reason of a failure.
Result<Job> parse(const QByteArray& bytes, const QString& path);

// Writes the job file whole or not at all, readable by its owner only.
Result<> write(const Job& job, const QString& path);

// The job file's bytes for the job.
QByteArray text(const Job& job);

}  // namespace JobFile
