#pragma once
// The job list as a table model over the agent: one row per listed job with its schedule, its
// run record's last run and result, and the run in progress. The job list window, the tray
// icon and its tooltip all read it, so a job's status is worked out in this one place.
// A run changes only its job's row; the set of rows follows the table's loads, saves and
// removals. Statuses that change with the clock alone (missed, overdue, the next run) are
// looked at again when each row's next such moment comes.

#include "jobs/RunRecord.h"

#include <optional>
#include <QAbstractTableModel>
#include <QDateTime>
#include <QHash>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QTimer>
#include <vector>

class Agent;

class JobListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, LastRun, NextRun, StartTime, Compressed, JobFile, LastResult, ColumnCount };
    // What a row asks of the user's eye; the tray icon shows the most pressing of all rows.
    enum class State { Quiet, Running, Attention, Waiting };
    enum Role {
        SortRole = Qt::UserRole + 1, // the day, time or text a column sorts by (no day: none)
        StateRole, // the row's State, as an int
        CompressedRole, // whether the job makes a zip archive
    };
    // "Next Run" of a schedule that has no real next run.
    static inline const QString NoNextRunText = QStringLiteral("None");
    // The clock-driven statuses are looked at this often (a row is refreshed only when due).
    static constexpr int RecheckInterval = 30000;

    explicit JobListModel(Agent& agent, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The row of a listed job; -1 for a name not listed.
    int rowOf(const QString& name) const { return m_rowOf.value(name, -1); }
    QString nameAt(int row) const { return m_rows.at(size_t(row)).name; }

    // The job whose run is in progress and how far it is ("entry 3 of 5, 40 of 120 files done:
    // 'name'"); both empty outside a run.
    QString runningJob() const;
    QString progressText() const { return m_progressText; }

    // What the tray shows, from every row at once.
    struct Summary {
        State state = State::Quiet; // running, else any needing attention, else any waiting
        QStringList attention; // "Nightly overdue", "Photos failed"
        QStringList waiting; // "Offsite waiting for its target 'USB'"
        QString nextJob; // the job due next and when
        QDateTime nextDue;
        QString lastResult; // the latest ended run: "Nightly completed" and when
        QDateTime lastEnded;
    };
    Summary summary() const;

signals:
    // Something the tray shows changed: a row, the run's progress, the runs' end.
    void statusChanged();

private:
    struct Row {
        QString name;
        QString file;
        bool compressed = false;
        QDate lastRun;
        QString lastRunText;
        std::optional<QDate> nextRun;
        QTime startTime;
        RunRecord::Result result = RunRecord::Result::None;
        QDateTime ended;
        QString word; // the last result's word, as JobStatus tells it
        bool overdue = false;
        bool attention = false;
        bool waiting = false;
        QString toolTip;
        QDateTime nextDue;
        // When the clock alone may change the row, in milliseconds since the epoch (the
        // largest number for never): the minute's recheck of every row compares numbers, not
        // local times, each of which goes through the time zone rules.
        qint64 recheckAtMs = 0;
    };
    void fill(Row& row, const QDateTime& now) const;
    QString resultText(const Row& row) const;
    State stateOf(const Row& row) const;
    QVariant sortValue(const Row& row, int column) const;
    void syncRows();
    void refreshJob(const QString& name);
    void refreshRow(int row);
    void recheckClockStatuses();
    void showProgress();
    void reindex(int from);

    Agent& m_agent;
    std::vector<Row> m_rows;
    QHash<QString, int> m_rowOf;
    QString m_progressText;
    QTimer m_recheck;
};

// Sorts the job list by a column's SortRole: days and times as such, rows without one (no next
// run) after the others, texts as the user's language orders them.
class JobListSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit JobListSortModel(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
