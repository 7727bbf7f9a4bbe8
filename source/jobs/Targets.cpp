#include "jobs/Targets.h"

#include "jobs/DueMoments.h"
#include "lib/Clock.h"
#include "lib/DateFormats.h"
#include "lib/Files.h"
#include "lib/TransactionLog.h"

#include <QFileInfo>

namespace Targets {
namespace {

// Moments named one by one in the log line of a wait's end; more are told as a span.
constexpr int MomentsNamed = 3;

bool below(const QString& folder, const QString& area)
{
    return folder.startsWith(area + QLatin1Char('/'));
}

// Whether the folder lies under a mount area on the area's own filesystem: a drive's mount
// point left behind while the drive is away.
bool inEmptyMountPoint(const QString& folder, const Filesystems::Filesystem& holding)
{
    const Filesystems::System& system = Filesystems::current();
    for (const QString& area : system.mountAreas())
        if (below(folder, area) && holding.isSame(system.holding(area)))
            return true;
    return false;
}

// The due moments from the first one waited for to `last`, as the log names them.
QString waitedMoments(const Job& job, const QDateTime& first, const QDateTime& last)
{
    QList<QDateTime> moments{first};
    for (std::optional<QDateTime> next = DueMoments::nextAfter(job, first); next && *next <= last;
         next = DueMoments::nextAfter(job, *next))
        moments << *next;
    if (moments.size() > MomentsNamed)
        return QStringLiteral("its %1 runs due from %2 to %3")
            .arg(moments.size())
            .arg(DateFormats::formatMoment(moments.first()), DateFormats::formatMoment(moments.last()));
    QStringList named;
    for (const QDateTime& moment : moments)
        named << DateFormats::formatMoment(moment);
    return (moments.size() == 1 ? QStringLiteral("its run due ") : QStringLiteral("its runs due "))
           + named.join(QStringLiteral(", "));
}

Verdict checkJob(const JobTable& jobs, const QString& name)
{
    return check(jobs.job(name)->targetDirectory(), jobs.record(name).history);
}

// The wait is over: logged with the moments it covered.
void endWait(JobTable& jobs, const QString& name, const QDateTime& last)
{
    const RunRecord& record = jobs.record(name);
    TransactionLog::append(QStringLiteral("Backup Job '%1' runs now that its target is back, for %2.")
                         .arg(name, waitedMoments(*jobs.job(name), record.waitingSince, last)));
    jobs.updateRecord(name, [](RunRecord& changed) { changed.waitingSince = QDateTime(); });
}

}  // namespace

Verdict check(const QString& target, const BackupRun::History& history)
{
    const QString folder = Files::withoutTrailingSlash(target);
    const Filesystems::Filesystem& remembered = history.targetFilesystem;
    const bool sameTarget = remembered.isKnown() && history.targetPath == target;
    Verdict verdict;
    verdict.filesystem = Filesystems::current().holding(folder);
    verdict.drive = sameTarget ? remembered.name() : folder;
    const bool whereItWas = sameTarget && verdict.filesystem.isSame(remembered);
    if (sameTarget && !whereItWas)
        verdict.why = QStringLiteral("the target folder '%1' is not on the drive of the last backup, '%2': "
                                     "that drive is not mounted")
                          .arg(folder, remembered.name());
    else if (!whereItWas && inEmptyMountPoint(folder, verdict.filesystem))
        verdict.why = QStringLiteral("the target folder '%1' lies in an empty mount point: its drive is not mounted")
                          .arg(folder);
    else if (!QFileInfo::exists(folder))
        verdict.why = QStringLiteral("the target folder '%1' does not exist").arg(folder);
    verdict.ready = verdict.why.isEmpty();
    return verdict;
}

QString waitLine(const QString& jobName, const Verdict& verdict)
{
    return QStringLiteral("Backup Job '%1' waits for its target: %2. Nothing is written there; the job runs once it is connected.")
        .arg(jobName, verdict.why);
}

bool holdRun(JobTable& jobs, const QString& name, const QDateTime& due)
{
    const Verdict verdict = checkJob(jobs, name);
    const bool waiting = jobs.record(name).waitingSince.isValid();
    if (verdict.ready) {
        if (waiting)
            endWait(jobs, name, due);
        return false;
    }
    if (!waiting) {
        TransactionLog::append(waitLine(name, verdict));
        jobs.updateRecord(name, [&due](RunRecord& changed) {
            changed.waitingSince = due;
            changed.result = RunRecord::Result::Waiting;
            changed.ended = Clock::now();
        });
    }
    return true;
}

std::vector<JobTable::DueRun> returned(JobTable& jobs)
{
    std::vector<JobTable::DueRun> runs;
    for (const QString& name : jobs.names()) {
        const RunRecord& record = jobs.record(name);
        if (!record.waitingSince.isValid() || !checkJob(jobs, name).ready)
            continue;
        const QDateTime last = std::max(record.waitingSince, record.handledDue);
        endWait(jobs, name, last);
        runs.push_back({name, last});
    }
    return runs;
}

void runEnded(JobTable& jobs, const QString& name, RunRecord::Result result)
{
    const bool waits = result == RunRecord::Result::Waiting
                       || (result == RunRecord::Result::Failed && !checkJob(jobs, name).ready);
    if (waits == jobs.record(name).waitingSince.isValid())
        return;
    jobs.updateRecord(name, [waits](RunRecord& changed) {
        changed.waitingSince = !waits                         ? QDateTime()
                               : changed.handledDue.isValid() ? changed.handledDue
                                                              : Clock::now();
    });
}

std::vector<Notice> notices(JobTable& jobs, const QDate& today)
{
    std::vector<Notice> notices;
    for (const QString& name : jobs.names()) {
        const RunRecord& record = jobs.record(name);
        if (!record.waitingSince.isValid() || record.waitNoticeDay == today)
            continue;
        jobs.updateRecord(name, [&today](RunRecord& changed) { changed.waitNoticeDay = today; });
        notices.push_back({name, checkJob(jobs, name).drive});
    }
    return notices;
}

}  // namespace Targets
