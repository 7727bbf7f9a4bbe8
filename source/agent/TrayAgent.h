#pragma once
// The hidden main window: it owns the tray icon and its menu, tells the agent's failures and
// overdue jobs on the desktop, and ends the program.

#include "jobs/JobListModel.h"

#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

class Agent;
class TrayMenu;
struct RunReport;
class JobListWindow;

class TrayAgent : public QWidget {
    Q_OBJECT
public:
    // `trayAvailable`: whether the desktop shows tray icons now. Without one the program
    // goes on when the job list window is closed (a second start brings it back), and the
    // icon is added as soon as a tray comes up.
    TrayAgent(Agent& agent, JobListWindow& jobList, bool trayAvailable);
    ~TrayAgent() override;

    // Whether the program's arguments ask for a start without the job list window.
    static bool isSilent(const QStringList& arguments);

    // What the tray icon shows: nothing amiss, a run in progress, a job whose last run failed
    // or was incomplete or that is overdue, or a job waiting for its target's drive.
    using TrayState = JobListModel::State;
    TrayState trayState() const;
    // The tray icon's tooltip: the run in progress, the jobs needing attention and waiting
    // (the first few named, the others counted), the next run and the last result.
    QString trayToolTip() const;
    // Brings the tray icon's picture and tooltip up to date.
    void showTrayStatus();
    // Shows the job list window unless the arguments hold "/SILENT", starts the agent's
    // scheduler, and, without a tray, looks for one every few seconds (not where nobody can
    // see one: `headless`).
    void start(const QStringList& arguments, bool headless);

    JobListWindow& jobList() { return m_jobList; }
    TrayMenu& menu() { return *m_menu; }
    QTimer& trayWaitTimer() { return m_trayWait; }

    // Ends the program as "Exit Arkwell" does: preferences saved, timer stopped, tray icon
    // removed, every window closed. A backup that is running is stopped first, within
    // seconds (the jobs still queued behind it are not started), and the end follows its end.
    void exitProgram();

signals:
    // Everything is closed and saved: the program's event loop may end now.
    void ended();

public slots:
    // A click on the tray icon: a left click or the context click opens the menu.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

private:
    QString toolTipOf(const JobListModel::Summary& summary) const;
    void tellFailedRuns(const QList<RunReport>& reports);
    void lookForTray();
    void tellHowToReopen();
    void finishExit();
    void closeMessageBoxes();

    Agent& m_agent;
    JobListWindow& m_jobList;
    TrayMenu* m_menu = nullptr;
    QTimer m_trayWait;
    bool m_trayAvailable;
    bool m_menuBusy = false;
    bool m_exitPending = false;
    bool m_exited = false;
    bool m_toldHowToReopen = false;
};
