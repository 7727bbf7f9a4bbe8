#pragma once
// The job list window: the view of the program's table of jobs, the job commands, the
// menus and the status bar with its activity lamps.

#include "jobs/BackupHost.h"
#include "jobs/JobTable.h"

#include <QDate>
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QTime>
#include <array>
#include <optional>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;
class CBackupJob;
class frmAbout;
class frmPreferences;

class frmSchedule : public QMainWindow, public BackupHost {
    Q_OBJECT
public:
    // Columns of lvwSchedule; ColCompressed and ColJobFile are hidden, ColLastResult is shown
    // after ColLastRun.
    enum Column {
        ColName = 0, ColLastRun = 1, ColNextRun = 2, ColStartTime = 3, ColCompressed = 4, ColJobFile = 5,
        ColLastResult = 6
    };
    // Item data role that holds the row's key, "_" followed by the job name.
    static constexpr int KeyRole = Qt::UserRole;
    // Item data role of the date and time columns: the QDate or QTime the text shows (none
    // in "Next Run" for a schedule without a real next run). Sorting uses it.
    static constexpr int ValueRole = Qt::UserRole + 1;
    // "Next Run" of a schedule that has no real next run.
    static inline const QString NoNextRunText = QStringLiteral("None");

    explicit frmSchedule(QWidget* parent = nullptr);
    ~frmSchedule() override;

    // The table of jobs the window shows; its rows follow every change of it.
    JobTable& Jobs() { return m_jobs; }

    // Appends one row. A next run of nothing (a schedule without a real next run) is shown
    // as such.
    void AddItemListView(const QString& sBackupName, const QDateTime& dDateLastRun,
                         const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                         const QString& sBackupFilename);
    // Fills an existing row's texts, key and icon from a job's fields.
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
    void setBusyPointer(bool busy) override;
    void setProgress(const RunProgress& progress) override;
    // The progress text of the run in progress ("3 of 5 entries, 40 of 120 files: 'name'");
    // empty outside a run.
    QString ProgressText() const { return m_progressText; }
    // The job whose run is in progress; empty outside a run.
    QString RunningJob() const { return m_runningName; }

    void KillForm(bool vVar);
    // Sets the first status panel to the number followed by " Backup Jobs".
    void StatusBarCount(int vNewValue);
    // Runs the named jobs one after another as Run now does: the job commands are shut off
    // while they run (Stop stays), and a failure is offered the transaction log when
    // StopOnError is set.
    void RunJobs(const QStringList& names);
    // True while Run now works through its jobs.
    bool RunInProgress() const { return m_runInProgress; }
    // Whether the user is doing nothing here that a scheduled run would get in the way of:
    // no run, no wizard, no dialog or message box open.
    bool Idle() const;
    // Ends a Run now in progress within seconds: the running job is stopped (what it built is
    // removed, the previous archives kept) and the jobs after it are not started.
    void StopRun();

    QFrame* fraToolbar = nullptr;
    QTreeWidget* lvwSchedule = nullptr;
    QToolButton* cmdAddJob = nullptr;
    QToolButton* cmdDelJob = nullptr;
    QToolButton* cmdEditJob = nullptr;
    QToolButton* cmdBackup = nullptr;
    QToolButton* cmdView = nullptr;
    QToolButton* cmdRestore = nullptr;
    QStatusBar* sbarSchedule = nullptr;
    QLabel* pnlNbrBackupJobs = nullptr;
    QLabel* pnlStatusBar = nullptr;
    QLabel* pnlProgress = nullptr;
    QWidget* picLight = nullptr;
    std::array<QLabel*, 4> imgLight{};

    QMenu* mnuFile = nullptr;
    QAction* mnuFilePreferences = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuAction = nullptr;
    QAction* mnuActionAdd = nullptr;
    QAction* mnuActionDelete = nullptr;
    QAction* mnuActionEdit = nullptr;
    QAction* mnuActionRun = nullptr;
    QAction* mnuActionStop = nullptr;  // usable only while a run is in progress
    QAction* mnuActionViewZip = nullptr;
    QAction* mnuActionRestore = nullptr;
    QAction* mnuActionViewTransactionLog = nullptr;
    QAction* mnuActionViewErrorLog = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpLicense = nullptr;
    QAction* mnuHelpHomepage = nullptr;
    QAction* mnuHelpAbout = nullptr;

signals:
    // A run's progress or a job's result changed: the tray follows it.
    void statusChanged();
    // The user closed the window (it is hidden, not unloaded).
    void closedByUser();
    // Run now has finished all of its jobs.
    void runFinished();
    // The user chose Exit Arkwell: the program is to end.
    void exitRequested();
    // One job of a run has ended with `result`; `runLogLines` are the event texts its run logged.
    void jobRunEnded(const QString& jobName, RunRecord::Result result, const QStringList& runLogLines);

public slots:
    void cmdAddJob_Click();
    void cmdEditJob_Click();
    void cmdDelJob_Click();
    void cmdBackup_Click();
    void cmdView_Click();
    void cmdRestore_Click();
    void mnuActionStop_Click();

    void mnuFilePreferences_Click();
    void mnuFileClose_Click();
    void mnuFileExit_Click();
    void mnuActionViewTransactionLog_Click();
    void mnuActionViewErrorLog_Click();
    void mnuHelpContents_Click();
    void mnuHelpLicense_Click();
    void mnuHelpHomepage_Click();
    void mnuHelpAbout_Click();

    void lvwSchedule_ColumnClick(int column);
    void lvwSchedule_DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildList();
    void buildStatusBar();
    void buildMenus();
    void Form_Activate();
    void showJobs();
    void showResult(QTreeWidgetItem* row, const QString& name);
    // The progress text in the status bar, the running row and the tray.
    void showProgress();
    void fitColumns();
    void restoreSize();
    void saveSize() const;
    QStringList selectedNames() const;
    QString currentName() const;
    bool selectionChecksPass();
    bool openJob(const QString& name, CBackupJob& job);
    void runJobs(const QStringList& names);
    RunRecord::Result runJob(const QString& name);
    void lockCommandsForRun(bool running);
    bool offerTransactionLog(const QString& jobName);
    void showWizard(bool bAddJob);
    std::optional<QString> existingArchive(const CBackupJob& job) const;
    void openArchive(const QString& archive);
    // Shows the one box of its kind, made when none is open. The boxes are windows of their
    // own, so they stay usable while this window is disabled by a run or the wizard.
    template <typename Dialog> Dialog* showSingleDialog(QPointer<Dialog>& open);

    JobTable m_jobs;
    QPointer<frmPreferences> m_preferences;
    QPointer<frmAbout> m_about;
    bool m_killForm = false;
    QString m_messageText;
    bool m_activatedOnce = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_runInProgress = false;
    bool m_stopRequested = false;
    CBackupJob* m_runningJob = nullptr;
    QString m_runningName;
    QString m_progressText;
    bool m_progressShowPending = false;  // a batch of files' progress is shown once events are processed
};
