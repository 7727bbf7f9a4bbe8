#pragma once
// The hidden main window: it owns the tray icon and its menu, tells the agent's failures and
// overdue jobs on the desktop, and ends the program.

#include <QSystemTrayIcon>
#include <QWidget>

class Agent;
class QTimer;
class TrayMenu;
struct RunReport;
class JobListWindow;

class TrayAgent : public QWidget {
    Q_OBJECT
public:
    // `trayAvailable`: whether the desktop shows tray icons now. Without one the program
    // goes on when the job list window is closed (a second start brings it back), and the
    // icon is added as soon as a tray comes up.
    TrayAgent(Agent& agent, JobListWindow& schedule, bool trayAvailable);
    ~TrayAgent() override;

    // Whether the program's arguments ask for a start without the job list window.
    static bool IsSilent(const QStringList& arguments);

    // What the tray icon shows: no run and nothing amiss, a run in progress, or a job whose
    // last run failed or was incomplete or that is overdue.
    enum class TrayState { Idle, Running, Attention };
    TrayState TrayStateNow() const;
    // The tray icon's tooltip: the state, the next run and the last result.
    QString TrayToolTip() const;
    // Brings the tray icon's picture and tooltip up to date.
    void ShowTrayStatus();
    // The load step: shows the job list window unless the arguments hold "/SILENT", starts
    // the agent's scheduler, and, without a tray, looks for one every few seconds (not where
    // nobody can see one: `headless`).
    void Form_Load(const QStringList& arguments, bool headless);

    JobListWindow& Schedule() { return m_schedule; }
    TrayMenu& Popup() { return *m_popup; }
    QTimer* tmrWaitForTray = nullptr;

    // Ends the program as "Exit Arkwell" does: preferences saved, timer stopped, tray icon
    // removed, every window closed. A backup that is running is stopped first, within
    // seconds (the jobs still queued behind it are not started), and the end follows its end.
    void ExitProgram();
    bool ExitPending() const { return m_exitPending; }

signals:
    // Everything is closed and saved: the program's event loop may end now.
    void ended();

public slots:
    // A click on the tray icon: a left click or the context click opens the menu.
    void Form_MouseMove(QSystemTrayIcon::ActivationReason reason);

private:
    QStringList attentionNotes(const QDateTime& now) const;
    void tellFailedRuns(const QList<RunReport>& reports);
    void lookForTray();
    void tellHowToReopen();
    void finishExit();
    void closeMessageBoxes();

    Agent& m_agent;
    JobListWindow& m_schedule;
    TrayMenu* m_popup = nullptr;
    bool m_trayAvailable;
    bool m_menuBusy = false;
    bool m_exitPending = false;
    bool m_exited = false;
    bool m_toldHowToReopen = false;
};
