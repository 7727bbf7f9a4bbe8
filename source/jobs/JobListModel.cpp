#include "jobs/JobListModel.h"

#include "jobs/Agent.h"
#include "jobs/DueMoments.h"
#include "jobs/JobStatus.h"
#include "lib/Clock.h"
#include "lib/DateFormats.h"

#include <QLocale>

#include <limits>

namespace {

QString shortMoment(const QDateTime& moment)
{
    return QLocale::system().toString(moment, QLocale::ShortFormat);
}

// The earlier of two moments, an invalid one counting as none.
QDateTime earlier(const QDateTime& one, const QDateTime& other)
{
    if (!one.isValid())
        return other;
    return other.isValid() && other < one ? other : one;
}

} // namespace

JobListModel::JobListModel(Agent& agent, QObject* parent)
    : QAbstractTableModel(parent)
    , m_agent(agent)
{
    const JobTable& jobs = m_agent.jobs();
    connect(&jobs, &JobTable::changed, this, &JobListModel::syncRows);
    connect(&jobs, &JobTable::jobChanged, this, &JobListModel::refreshJob);
    connect(&m_agent, &Agent::runStarted, this, [this](const RunRequest& request) { refreshJob(request.name); });
    connect(&m_agent, &Agent::runEnded, this, [this](const RunReport& report) { refreshJob(report.request.name); });
    connect(&m_agent, &Agent::progressChanged, this, &JobListModel::showProgress);
    connect(&m_agent, &Agent::runsFinished, this, &JobListModel::showProgress);
    m_recheck.setInterval(RecheckInterval);
    connect(&m_recheck, &QTimer::timeout, this, &JobListModel::recheckClockStatuses);
    m_recheck.start();
    syncRows();
}

int JobListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JobListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return tr("Backup Job Name");
    case LastRun:
        return tr("Last Run");
    case NextRun:
        return tr("Next Run");
    case StartTime:
        return tr("Start Time");
    case Compressed:
        return tr("Compressed");
    case JobFile:
        return tr("BackupFolder");
    case LastResult:
        return tr("Last Result");
    default:
        return {};
    }
}

QVariant JobListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Name:
            return row.name;
        case LastRun:
            return row.lastRunText;
        case NextRun:
            return row.nextRun ? DateFormats::formatDate(*row.nextRun, QLocale::system()) : NoNextRunText;
        case StartTime:
            return DateFormats::formatShortTime(row.startTime);
        case Compressed:
            return row.compressed ? QStringLiteral("True") : QStringLiteral("False");
        case JobFile:
            return row.file;
        case LastResult:
            return resultText(row);
        default:
            return {};
        }
    case Qt::ToolTipRole:
        return row.toolTip;
    case SortRole:
        return sortValue(row, index.column());
    case StateRole:
        return int(stateOf(row));
    case CompressedRole:
        return row.compressed;
    default:
        return {};
    }
}

QVariant JobListModel::sortValue(const Row& row, int column) const
{
    switch (column) {
    case LastRun:
        return row.lastRun.isValid() ? QVariant(row.lastRun) : QVariant();
    case NextRun:
        return row.nextRun ? QVariant(*row.nextRun) : QVariant();
    case StartTime:
        return row.startTime;
    default:
        return data(index(rowOf(row.name), column), Qt::DisplayRole);
    }
}

QString JobListModel::runningJob() const
{
    return m_agent.runner().runningJob();
}

// "completed 12/07/26 9:00 PM", "running: entry 1 of 2, ...", or empty for a job never run.
QString JobListModel::resultText(const Row& row) const
{
    if (row.name == runningJob())
        return tr("running: ") + m_progressText;
    if (!row.word.isEmpty() && row.ended.isValid())
        return row.word + QLatin1Char(' ') + shortMoment(row.ended);
    return row.word;
}

JobListModel::State JobListModel::stateOf(const Row& row) const
{
    if (row.name == runningJob())
        return State::Running;
    if (row.attention)
        return State::Attention;
    return row.waiting ? State::Waiting : State::Quiet;
}

// Everything a row shows, from the job and its run record as they are at `now`.
void JobListModel::fill(Row& row, const QDateTime& now) const
{
    const JobTable& jobs = m_agent.jobs();
    const Job& job = *jobs.job(row.name);
    const RunRecord& record = jobs.record(row.name);
    row.file = jobs.jobFile(row.name);
    row.compressed = job.compress();
    row.lastRun = record.started.date();
    row.lastRunText = JobStatus::lastRunText(record);
    row.nextDue = DueMoments::nextAfter(job, now).value_or(QDateTime());
    row.nextRun = row.nextDue.isValid() ? std::optional<QDate>(row.nextDue.date()) : std::nullopt;
    row.startTime = job.startTime();
    row.result = record.result;
    row.ended = record.ended;
    row.word = JobStatus::resultWord(job, record, now);
    row.attention = JobStatus::needsAttention(job, record, now);
    row.overdue = row.attention && JobStatus::overdue(job, record, now);  // an overdue job needs attention
    row.waiting = record.waitingSince.isValid() || record.result == RunRecord::Result::Waiting;
    row.toolTip = (row.overdue ? tr("No completed run for more than twice the job's interval.\n") : QString())
        + record.logLines.join(QLatin1Char('\n'));
    // The clock alone changes the row a minute after its next due moment (missed, unless
    // the scheduler handled it) and when the job becomes overdue.
    QDateTime recheckAt = row.nextDue.isValid() ? row.nextDue.addSecs(61) : QDateTime();
    const QDateTime since = record.lastCompleted.isValid() ? record.lastCompleted : record.created;
    if (since.isValid() && !row.overdue)
        if (const std::optional<qint64> interval = JobStatus::interval(job, now))
            recheckAt = earlier(recheckAt, since.addSecs(2 * *interval + 1));
    row.recheckAtMs = recheckAt.isValid() ? recheckAt.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
}

// Rows of jobs gone are removed, the others refreshed in place, new jobs appended.
void JobListModel::syncRows()
{
    const JobTable& jobs = m_agent.jobs();
    for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
        if (jobs.contains(m_rows[size_t(row)].name))
            continue;
        beginRemoveRows({}, row, row);
        m_rowOf.remove(m_rows[size_t(row)].name);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        reindex(row);
    }
    const QDateTime now = Clock::now();
    for (Row& row : m_rows)
        fill(row, now);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    QStringList added;
    for (const QString& name : jobs.names())
        if (!m_rowOf.contains(name))
            added << name;
    if (!added.isEmpty()) {
        beginInsertRows({}, rowCount(), rowCount() + int(added.size()) - 1);
        for (const QString& name : added) {
            m_rowOf.insert(name, int(m_rows.size()));
            m_rows.push_back(Row{name});
            fill(m_rows.back(), now);
        }
        endInsertRows();
    }
    emit statusChanged();
}

void JobListModel::reindex(int from)
{
    for (int row = from; row < int(m_rows.size()); ++row)
        m_rowOf.insert(m_rows[size_t(row)].name, row);
}

void JobListModel::refreshJob(const QString& name)
{
    if (const int row = rowOf(name); row >= 0 && m_agent.jobs().contains(name))
        refreshRow(row);
}

void JobListModel::refreshRow(int row)
{
    fill(m_rows[size_t(row)], Clock::now());
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    emit statusChanged();
}

void JobListModel::recheckClockStatuses()
{
    const qint64 nowMs = Clock::now().toMSecsSinceEpoch();
    for (int row = 0; row < int(m_rows.size()); ++row)
        if (m_rows[size_t(row)].recheckAtMs <= nowMs)
            refreshRow(row);
}

// The progress of the run in progress, in its row's result; cleared outside a run.
void JobListModel::showProgress()
{
    const RunProgress progress = m_agent.runner().progress();
    const QLocale locale = QLocale::system();
    const QString files = progress.files > progress.filesDone
        ? tr("%1 of %2").arg(locale.toString(progress.filesDone), locale.toString(progress.files))
        : locale.toString(progress.filesDone);
    m_progressText = progress.entries == 0 || runningJob().isEmpty() ? QString()
                                                                     : tr("entry %1 of %2, %3 files done: '%4'")
                                                                           .arg(progress.entriesDone + 1)
                                                                           .arg(progress.entries)
                                                                           .arg(files, progress.current);
    if (const int row = rowOf(runningJob()); row >= 0)
        emit dataChanged(index(row, LastResult), index(row, LastResult));
    emit statusChanged();
}

JobListModel::Summary JobListModel::summary() const
{
    Summary summary;
    bool anyWaiting = false;
    for (const Row& row : m_rows) {
        if (row.attention)
            summary.attention << (row.overdue ? tr("%1 overdue").arg(row.name)
                                              : row.name + QLatin1Char(' ') + RunRecord::word(row.result));
        if (row.waiting)
            summary.waiting << row.name + QLatin1Char(' ') + row.word;
        anyWaiting = anyWaiting || row.waiting;
        if (row.nextDue.isValid() && (!summary.nextDue.isValid() || row.nextDue < summary.nextDue)) {
            summary.nextDue = row.nextDue;
            summary.nextJob = row.name;
        }
        if (row.ended.isValid() && row.result != RunRecord::Result::None && row.ended > summary.lastEnded) {
            summary.lastEnded = row.ended;
            summary.lastResult = row.name + QLatin1Char(' ') + RunRecord::word(row.result);
        }
    }
    summary.state = m_agent.busy()     ? State::Running
        : !summary.attention.isEmpty() ? State::Attention
        : anyWaiting                   ? State::Waiting
                                       : State::Quiet;
    return summary;
}

JobListSortModel::JobListSortModel(QObject* parent)
    : QSortFilterProxyModel(parent)
{
    setSortRole(JobListModel::SortRole);
}

bool JobListSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QVariant mine = left.data(sortRole());
    const QVariant theirs = right.data(sortRole());
    if (mine.typeId() == QMetaType::QString && theirs.typeId() == QMetaType::QString)
        return mine.toString().localeAwareCompare(theirs.toString()) < 0;
    if (!mine.isValid() || !theirs.isValid()) // rows without a day come after those with one
        return mine.isValid() && !theirs.isValid();
    return QVariant::compare(mine, theirs) == QPartialOrdering::Less;
}
