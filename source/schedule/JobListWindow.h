#pragma once
// The job list window: a view of the agent's job list model, the job commands, the menus and
// the status bar with its activity lamps. It asks the agent to run and stop jobs and shows
// what the agent's signals tell. During a run the list stays readable; only the commands
// that would start another run or change the jobs are shut off.

#include "jobs/Agent.h"
#include "jobs/JobListModel.h"

#include <array>
#include <optional>
#include <QMainWindow>
#include <QPointer>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QToolButton;
class QTreeView;
class Job;
class AboutBox;
class PreferencesDialog;

class JobListWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit JobListWindow(Agent& agent, QWidget* parent = nullptr);
    ~JobListWindow() override;

    // The table of jobs the window shows, and the model its list, the tray and its tooltip read.
    JobTable& jobs() { return m_agent.jobs(); }
    JobListModel& model() { return m_model; }
    QTreeView* view() const { return m_view; }
    // The row of the view that shows the job; invalid for a name not listed.
    QModelIndex indexOf(const QString& name, int column = JobListModel::Name) const;

    // The job whose run is in progress; empty outside a run.
    QString runningJob() const { return m_model.runningJob(); }

    // At the program's end the window closes for good, without telling that the user closed it.
    void closeForGood();
    // Asks the agent to run the named jobs one after another as Run now does.
    void runJobs(const QStringList& names);
    // Whether the user is busy here with something a scheduled run would get in the way of:
    // the wizard or a dialog open. The agent's ticks start nothing meanwhile.
    bool holdsRuns() const;

    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* actionMenu() const { return m_actionMenu; }
    QAction* stopAction() const { return m_stopAction; } // usable only while a run is in progress

signals:
    // A run's progress or a job's result changed: the tray follows it.
    void statusChanged();
    // The user closed the window (it is hidden, not unloaded).
    void closedByUser();
    // The user chose Exit Arkwell: the program is to end.
    void exitRequested();

public slots:
    void addJob();
    void editJob();
    void removeJobs();
    void runSelectedJobs();
    void viewZip();
    void restoreFiles();
    void stopRun();
    void showPreferences();
    void showTransactionLog();
    void showErrorLog();
    void showHelp();
    void showLicense();
    void showAbout();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildList();
    void buildStatusBar();
    void buildMenus();
    void selectFirstRowOnce();
    void sortByColumn(int column);
    void showJobCount();
    // The lamps, the job commands and the run's status text and progress in the status bar.
    void showProgress();
    void fitColumns();
    void restoreSize();
    void saveSize() const;
    QStringList selectedNames() const;
    QString currentName() const;
    bool selectionChecksPass();
    bool openJob(const QString& name, Job& job);
    void lockCommandsForRun(bool running);
    void offerTransactionLog(const RunReport& report);
    void showWizard(bool newJob);
    std::optional<QString> existingArchive(const Job& job) const;
    void openArchive(const QString& archive);
    // Shows the one box of its kind, made when none is open. The boxes are windows of their
    // own, so they stay usable while the wizard shuts this window off.
    template <typename Dialog> Dialog* showSingleDialog(QPointer<Dialog>& open);

    Agent& m_agent;
    JobListModel m_model;
    JobListSortModel m_sorted;
    QFrame* m_toolbar = nullptr;
    QTreeView* m_view = nullptr;
    std::array<QToolButton*, 6> m_buttons{}; // New, Remove, Open, Backup, View, Restore
    QLabel* m_jobCount = nullptr;
    QLabel* m_runStatus = nullptr;
    QLabel* m_runProgress = nullptr;
    std::array<QLabel*, 4> m_lamps{};
    QMenu* m_fileMenu = nullptr;
    QMenu* m_actionMenu = nullptr;
    QAction* m_stopAction = nullptr;
    QList<QAction*> m_jobCommands; // shut off during a run
    QPointer<PreferencesDialog> m_preferences;
    QPointer<AboutBox> m_about;
    QPointer<QWidget> m_wizard;
    bool m_closingForGood = false;
    bool m_selectedFirstRow = false;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
