#pragma once
// The job list window: the view of the agent's table of jobs, the job commands, the menus
// and the status bar with its activity lamps. It asks the agent to run and stop jobs and
// shows what the agent's signals tell.

#include "jobs/Agent.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
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
class Job;
class AboutBox;
class PreferencesDialog;

class JobListWindow : public QMainWindow {
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

    explicit JobListWindow(Agent& agent, QWidget* parent = nullptr);
    ~JobListWindow() override;

    // The table of jobs the window shows; its rows follow every change of it.
    JobTable& Jobs() { return m_agent.jobs(); }

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

    // The progress text of the run in progress ("entry 3 of 5, 40 of 120 files done: 'name'");
    // empty outside a run.
    QString ProgressText() const { return m_progressText; }
    // The job whose run is in progress; empty outside a run.
    QString RunningJob() const { return m_agent.runner().runningJob(); }

    void KillForm(bool vVar);
    // Sets the first status panel to the number followed by " Backup Jobs".
    void StatusBarCount(int vNewValue);
    // Asks the agent to run the named jobs one after another as Run now does: the job
    // commands are shut off while runs are under way (Stop stays).
    void RunJobs(const QStringList& names);
    // Whether the user is busy here with something a scheduled run would get in the way of:
    // the wizard or a dialog open. The agent's ticks start nothing meanwhile.
    bool HoldsRuns() const;

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
    // The user chose Exit Arkwell: the program is to end.
    void exitRequested();

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
    // The run's status text and progress in the status bar, the running row and the tray.
    void showProgress();
    void showRunning(bool running);
    void fitColumns();
    void restoreSize();
    void saveSize() const;
    QStringList selectedNames() const;
    QString currentName() const;
    bool selectionChecksPass();
    bool openJob(const QString& name, Job& job);
    void lockCommandsForRun(bool running);
    void offerTransactionLog(const RunReport& report);
    void showWizard(bool bAddJob);
    std::optional<QString> existingArchive(const Job& job) const;
    void openArchive(const QString& archive);
    // Shows the one box of its kind, made when none is open. The boxes are windows of their
    // own, so they stay usable while this window is disabled by a run or the wizard.
    template <typename Dialog> Dialog* showSingleDialog(QPointer<Dialog>& open);

    Agent& m_agent;
    QPointer<PreferencesDialog> m_preferences;
    QPointer<AboutBox> m_about;
    QPointer<QWidget> m_wizard;
    QHash<QString, QTreeWidgetItem*> m_rows;  // by key
    bool m_killForm = false;
    bool m_activatedOnce = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_progressText;
};
