#include "jobs/JobTable.h"

#include "jobs/DueMoments.h"
#include "jobs/JobFile.h"
#include "lib/Clock.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/TransactionLog.h"
#include "lib/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <limits>

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

// Whether two records name the same due moments.
bool sameSchedule(const Job& job, const Job& other)
{
    return job.frequency() == other.frequency() && job.weekdays() == other.weekdays()
           && job.dayOfMonth() == other.dayOfMonth() && job.startTime() == other.startTime();
}

// What a run of the job writes: its archive, or for an uncompressed job its target folder.
QString writtenBy(const Job& job)
{
    return job.compress() ? job.archivePath() : job.targetDirectory();
}

}  // namespace

JobTable::LoadReport JobTable::load(const QString& jobsFolder, const QString& recordsFolder)
{
    LoadReport report;
    m_jobsFolder = jobsFolder;
    m_recordsFolder = recordsFolder;
    m_entries.clear();
    m_loadedAt = Clock::now();
    const QDir folder(m_jobsFolder);
    for (const QString& fileName : folder.entryList(QDir::Files, QDir::Name)) {
        Entry entry;
        entry.file = m_jobsFolder + fileName;
        Result<Job> read = JobFile::read(entry.file);
        if (!read) {
            report.skipped << quoted(entry.file) + QStringLiteral(": ") + read.reason();
            continue;
        }
        entry.job = std::move(read).value();
        const QString name = entry.job.name();
        if (contains(name)) {
            report.skipped << quoted(entry.file) + QStringLiteral(": the Backup Job name ") + quoted(name)
                                  + QStringLiteral(" is already used by ") + quoted(jobFile(name));
            continue;
        }
        if (!entry.job.nextRunDate()) {
            report.unscheduled << quoted(name);
            entry.job.logNoNextRun();
        }
        const std::optional<RunRecord> record = RunRecord::read(recordPath(entry.file));
        entry.hasRecord = record.has_value();
        entry.record = record.value_or(RunRecord{});
        entry.listedAt = m_loadedAt;
        entry.order = m_nextOrder++;
        m_entries.emplace(name, std::move(entry));
    }
    emit changed();
    return report;
}

QStringList JobTable::names() const
{
    std::vector<std::pair<int, QString>> ordered;
    for (const auto& [name, entry] : m_entries)
        ordered.emplace_back(entry.order, name);
    std::sort(ordered.begin(), ordered.end());
    QStringList names;
    for (const auto& [order, name] : ordered)
        names << name;
    return names;
}

const Job* JobTable::job(const QString& name) const
{
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? nullptr : &found->second.job;
}

QString JobTable::jobFile(const QString& name) const
{
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? QString() : found->second.file;
}

QString JobTable::jobFilePath(const QString& name) const
{
    return m_jobsFolder + Text::cleanedName(name) + QStringLiteral(".awj");
}

const RunRecord& JobTable::record(const QString& name) const
{
    static const RunRecord none;
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? none : found->second.record;
}

QString JobTable::recordPath(const QString& jobFile) const
{
    return m_recordsFolder + QFileInfo(jobFile).completeBaseName() + QStringLiteral(".run");
}

Result<> JobTable::save(const Job& job, const QString& previousName)
{
    Entry entry;
    entry.job = job;
    entry.file = jobFilePath(job.name());
    entry.order = m_nextOrder++;
    entry.listedAt = Clock::now();
    if (!writeJobFile(job, entry.file))
        return Failure{QStringLiteral("the job file '%1' can't be written").arg(entry.file)};
    if (const auto previous = m_entries.find(previousName); !previousName.isEmpty() && previous != m_entries.end()) {
        entry.order = previous->second.order;
        entry.record = previous->second.record;
        entry.hasRecord = previous->second.hasRecord;
        // An edit that keeps the schedule keeps a due moment that came while the wizard was open.
        if (sameSchedule(job, previous->second.job))
            entry.listedAt = previous->second.listedAt;
        const QString oldFile = previous->second.file;
        if (!Files::sameFile(oldFile, entry.file)) {
            Errors::writeOwnFile(oldFile, [&] { Files::removeFile(oldFile); });
            QFile::rename(recordPath(oldFile), recordPath(entry.file));
        }
        m_entries.erase(previous);
    }
    m_entries.insert_or_assign(job.name(), std::move(entry));
    emit changed();
    return {};
}

void JobTable::remove(const QString& name)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return;
    Errors::writeOwnFile(found->second.file, [&] { Files::removeFile(found->second.file); });
    QFile::remove(recordPath(found->second.file));
    m_entries.erase(found);
    emit changed();
}

// A tick looks at each job's first moment after those it need not run for, worked out once,
// so thousands of jobs cost next to nothing while none is due.
std::vector<JobTable::DueRun> JobTable::dueNow() const
{
    const QDateTime now = Clock::now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    std::vector<std::pair<int, DueRun>> due;
    for (const auto& [name, entry] : m_entries) {
        const auto notBefore = [&entry] {
            const QDateTime& handled = entry.record.handledDue;
            return handled.isValid() && handled > entry.listedAt ? handled : entry.listedAt;
        };
        // Kept as a number: comparing local times converts each through the time zone rules.
        if (!entry.nextDueMs) {
            const std::optional<QDateTime> next = DueMoments::nextAfter(entry.job, notBefore());
            entry.nextDueMs = next ? next->toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
        }
        if (nowMs < *entry.nextDueMs)
            continue;
        if (const std::optional<QDateTime> latest = DueMoments::latestAtOrBefore(entry.job, now); latest && *latest > notBefore())
            due.push_back({entry.order, {name, *latest}});
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DueRun> runs;
    for (const auto& [order, run] : due)
        runs.push_back(run);
    return runs;
}

// A moment run for is not missed, whatever the run's result, unless the run was cut off or
// stopped; a failed one is run again by a rule of its own.
bool JobTable::missed(const Entry& entry, const QDateTime& due) const
{
    if (!entry.hasRecord)
        return due.date() > entry.job.lastRun().date();
    const RunRecord& record = entry.record;
    if (record.lastCompleted.isValid() && record.lastCompleted >= due)
        return false;
    const bool handled = record.handledDue.isValid() && record.handledDue >= due;
    return !handled || record.cutOff() || record.result == RunRecord::Result::Stopped;
}

std::vector<JobTable::DueRun> JobTable::missedRuns() const
{
    const QDateTime now = Clock::now();
    std::vector<DueRun> runs;
    for (const QString& name : names()) {
        const Entry& entry = m_entries.at(name);
        if (entry.listedAt != m_loadedAt)
            continue;  // saved since: its schedule is new
        const std::optional<QDateTime> latest = DueMoments::latestAtOrBefore(entry.job, m_loadedAt);
        const std::optional<QDateTime> latestNow = DueMoments::latestAtOrBefore(entry.job, now);
        if (latest && missed(entry, *latest) && !(latestNow && *latestNow > m_loadedAt))
            runs.push_back({name, *latest});
    }
    return runs;
}

QStringList JobTable::mendFutureMoments()
{
    const QDateTime now = Clock::now();
    const auto future = [aDayAhead = now.addDays(1)](const QDateTime& moment) { return moment > aDayAhead; };
    if (future(m_loadedAt))
        m_loadedAt = now;
    QStringList mended;
    for (auto& [name, entry] : m_entries) {
        RunRecord& record = entry.record;
        const bool handledInFuture = entry.hasRecord ? future(record.handledDue) : future(entry.job.lastRun());
        std::array<QDateTime*, 4> moments{&record.created, &record.started, &record.ended, &record.lastCompleted};
        const bool anyInFuture = std::any_of(moments.begin(), moments.end(), [&](QDateTime* m) { return future(*m); });
        if (!handledInFuture && !anyInFuture && !future(entry.listedAt))
            continue;
        entry.listedAt = std::min(entry.listedAt, m_loadedAt);
        entry.nextDueMs.reset();
        for (QDateTime* moment : moments)
            if (future(*moment))
                *moment = now;
        if (handledInFuture)
            record.handledDue = record.retriedDue = DueMoments::latestAtOrBefore(entry.job, now).value_or(now);
        writeRecord(name, entry);
        mended << name;
    }
    if (!mended.isEmpty())
        emit changed();
    return mended;
}

Result<> JobTable::markHandled(const QString& name, const QDateTime& due)
{
    Entry& entry = m_entries.at(name);
    entry.record.handledDue = due;  // a job file that can't be read is not tried again for it
    entry.nextDueMs.reset();
    Result<Job> read = JobFile::read(entry.file);
    if (!read)
        return Failure{read.reason()};
    Job job = std::move(read).value();
    job.setLastRun(QDateTime(Clock::today(), QTime(0, 0)));
    writeJobFile(job, entry.file);
    entry.job = job;
    writeRecord(name, entry);
    emit jobChanged(name);
    return {};
}

void JobTable::updateRecord(const QString& name, const std::function<void(RunRecord&)>& change)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return;
    change(found->second.record);
    found->second.nextDueMs.reset();
    writeRecord(name, found->second);
    emit jobChanged(name);
}

BackupRun::History JobTable::runStarted(const QString& name)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return {};
    found->second.startedBefore = found->second.record.started;
    found->second.record.started = Clock::now();
    found->second.record.ended = QDateTime();
    writeRecord(name, found->second);
    emit jobChanged(name);
    BackupRun::History history = found->second.record.history;
    history.otherJobsArchives.clear();
    for (const auto& [other, entry] : m_entries)
        for (int copy = 0; other != name && entry.job.compress() && copy <= entry.job.copies(); ++copy)
            history.otherJobsArchives << entry.job.archivePath(copy);
    return history;
}

void JobTable::runEnded(const QString& name, RunRecord::Result result, const QStringList& logLines,
                        const BackupRun::History& history)
{
    const auto found = m_entries.find(name);
    if (found == m_entries.end())
        return;
    RunRecord& record = found->second.record;
    record.ended = Clock::now();
    // A run that found its target missing wrote nothing: the job's last run stays the one before.
    if (result == RunRecord::Result::Waiting)
        record.started = found->second.startedBefore;
    record.result = result;
    record.logLines = logLines;
    record.history = history;
    if (result == RunRecord::Result::Completed || result == RunRecord::Result::Incomplete)
        record.archive = writtenBy(found->second.job);  // a run that failed or stopped put none in place
    if (result == RunRecord::Result::Completed)
        record.lastCompleted = record.started;
    writeRecord(name, found->second);
    emit jobChanged(name);
}

// A job file that can't be written (a read-only jobs folder, a full disk) is told; the table
// keeps the job in memory and it runs as listed.
bool JobTable::writeJobFile(const Job& job, const QString& file) const
{
    return Errors::writeOwnFile(file, [&] {
        Files::makeFolder(m_jobsFolder);
        Files::writeWhole(file, JobFile::text(job));
    });
}

// A record that can't be written is told, and logged where the log can be written; the run
// goes on, and the table keeps the record in memory for as long as the program runs.
void JobTable::writeRecord(const QString& name, Entry& entry)
{
    entry.hasRecord = true;
    if (!entry.record.created.isValid())
        entry.record.created = Clock::now();
    const QString path = recordPath(entry.file);
    const bool written = Errors::writeOwnFile(path, [&] {
        if (!QDir().mkpath(m_recordsFolder))
            Errors::throwErrno(errno, m_recordsFolder);
        QFile::setPermissions(m_recordsFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        entry.record.write(path);
    });
    if (!written)
        TransactionLog::append(QStringLiteral("The run record of Backup Job '%1' can't be written to '%2'.").arg(name, path));
}
