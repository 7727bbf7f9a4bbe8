#include "jobs/JobStatus.h"

#include "jobs/DueMoments.h"
#include "lib/DateFormats.h"

#include <QLocale>

namespace JobStatus {
namespace {

// A due moment the scheduler has not handled within this time counts as missed.
constexpr qint64 MissedAfterSeconds = 60;

// Counts and sizes in the log read the same on every system: "1,234 files, 56.7 MB".
const QLocale& logLocale()
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english;
}

// "; 310 files left out by the job's exclusions", folders left out named apart since their
// content is never looked at; empty when nothing was left out.
QString excludedText(const BackupRun::Counts& counts)
{
    QStringList parts;
    if (counts.excludedFiles > 0)
        parts << QStringLiteral("%1 files").arg(logLocale().toString(counts.excludedFiles));
    if (counts.excludedFolders > 0)
        parts << QStringLiteral("%1 folders").arg(logLocale().toString(counts.excludedFolders));
    return parts.isEmpty() ? QString() : QStringLiteral("; ") + parts.join(QStringLiteral(" and ")) + QStringLiteral(" left out by the job's exclusions");
}

}  // namespace

std::optional<qint64> interval(const Job& job, const QDateTime& now)
{
    const std::optional<QDateTime> latest = DueMoments::latestAtOrBefore(job, now);
    if (!latest)
        return std::nullopt;
    const std::optional<QDateTime> next = DueMoments::nextAfter(job, *latest);
    if (!next)
        return std::nullopt;
    return latest->secsTo(*next);
}

bool overdue(const Job& job, const RunRecord& record, const QDateTime& now)
{
    // A job that never completed a run is judged from when its run record was made.
    const QDateTime since = record.lastCompleted.isValid() ? record.lastCompleted : record.created;
    // No schedule comes more often than daily, and no daily gap is shorter than 22 hours (a
    // clock change takes one or two): a job that completed within twice that is not overdue,
    // and its schedule need not be walked (with thousands of jobs, that walk is the cost).
    constexpr qint64 ShortestIntervalSeconds = 22 * 3600;
    if (!since.isValid())
        return false;
    const qint64 age = since.secsTo(now);
    if (age <= 2 * ShortestIntervalSeconds)
        return false;
    const std::optional<qint64> every = interval(job, now);
    return every && age > 2 * *every;
}

bool missed(const Job& job, const RunRecord& record, const QDateTime& now)
{
    const std::optional<QDateTime> latest = DueMoments::latestAtOrBefore(job, now);
    return latest && record.handledDue.isValid() && *latest > record.handledDue
           && latest->secsTo(now) > MissedAfterSeconds;
}

QString resultWord(const Job& job, const RunRecord& record, const QDateTime& now)
{
    if (record.waitingSince.isValid() || record.result == RunRecord::Result::Waiting) {
        const QString& label = record.history.targetFilesystem.label;
        const bool named = !label.isEmpty() && record.history.targetPath == job.targetDirectory();
        return named ? QStringLiteral("waiting for its target '%1'").arg(label) : QStringLiteral("waiting for its target");
    }
    if (missed(job, record, now))
        return QStringLiteral("missed");
    return record.result == RunRecord::Result::None ? QString() : RunRecord::word(record.result);
}

QString lastRunText(const RunRecord& record)
{
    return record.started.isValid() ? DateFormats::formatDate(record.started.date(), QLocale::system())
                                    : QStringLiteral("Never");
}

bool needsAttention(const Job& job, const RunRecord& record, const QDateTime& now)
{
    return record.result == RunRecord::Result::Failed || record.result == RunRecord::Result::Incomplete
           || record.result == RunRecord::Result::CutOff
           || overdue(job, record, now);
}

QString startLine(const QString& jobName)
{
    return QStringLiteral("Backup Job '%1' started.").arg(jobName);
}

QString resultLine(const QString& jobName, RunRecord::Result result, const BackupRun::Counts& counts,
                   qint64 seconds, const QString& reason)
{
    if (result == RunRecord::Result::Waiting)
        return QStringLiteral("Backup Job '%1' is waiting for its target.").arg(jobName);
    const QString word = RunRecord::word(result);
    const bool plainWord = result == RunRecord::Result::Completed || result == RunRecord::Result::Failed;
    const QString head = QStringLiteral("Backup Job '%1' %2").arg(jobName, plainWord ? word : QStringLiteral("was ") + word);
    if (result == RunRecord::Result::Completed)
        return head
               + QStringLiteral(": %1 files, %2 in %3 s")
                     .arg(logLocale().toString(counts.files),
                          logLocale().formattedDataSize(counts.bytes, 1, QLocale::DataSizeSIFormat),
                          logLocale().toString(seconds))
               + excludedText(counts);
    return reason.isEmpty() || result == RunRecord::Result::Stopped ? head + QLatin1Char('.') : head + QStringLiteral(": ") + reason;
}

}  // namespace JobStatus
