#pragma once
// The job list window: the list of jobs (also the program's table of jobs), the job
// commands, the menus and the status bar with its activity lamps.

#include "jobs/BackupHost.h"

#include <QDate>
#include <QDateTime>
#include <QMainWindow>
#include <QTime>
#include <optional>

class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;

class frmSchedule : public QMainWindow, public BackupHost {
    Q_OBJECT
public:
    // Columns of lvwSchedule; the last two are hidden.
    enum Column { ColName = 0, ColLastRun = 1, ColNextRun = 2, ColStartTime = 3, ColCompressed = 4, ColJobFile = 5 };
    // Item data role that holds the row's key, "_" followed by the job name.
    static constexpr int KeyRole = Qt::UserRole;

    explicit frmSchedule(QWidget* parent = nullptr);
    ~frmSchedule() override;

    // Appends one row. A next run of nothing (a schedule without a real next run) is shown
    // as such.
    void AddItemListView(const QString& sBackupName, const QDateTime& dDateLastRun,
                         const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                         const QString& sBackupFilename);
    // Fills an existing row's texts, key and icon from a job's fields (the wizard rewrites
    // an edited job's row with it).
    void SetItemListView(QTreeWidgetItem* item, const QString& sBackupName, const QDateTime& dDateLastRun,
                         const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                         const QString& sBackupFilename);
    // Removes the row with that 1-based index; the job file is not touched.
    void DeleteItemListView(int iIndexNumber);
    // The row with that key, or nullptr.
    QTreeWidgetItem* FindItemByKey(const QString& sKey) const;

    QString MessageText() const;
    void setMessageText(const QString& text) override;
    void setLightVisible(int index, bool visible) override;
    void repaintNow() override;

    void KillForm(bool vVar);

    QTreeWidget* lvwSchedule = nullptr;
    QToolButton* cmdAddJob = nullptr;
    QToolButton* cmdDelJob = nullptr;
    QToolButton* cmdEditJob = nullptr;
    QToolButton* cmdBackup = nullptr;
    QToolButton* cmdView = nullptr;

public slots:
    void cmdAddJob_Click();
    void cmdEditJob_Click();
    void cmdDelJob_Click();
    void cmdBackup_Click();
    void cmdView_Click();
};
