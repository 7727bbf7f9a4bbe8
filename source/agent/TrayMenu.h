#pragma once
// The tray icon's menu: show the job list window, stop the running job, or end the program. The form itself is
// never shown.

#include <QWidget>

class QAction;
class QMenu;
class TrayAgent;

class TrayMenu : public QWidget {
    Q_OBJECT
public:
    explicit TrayMenu(TrayAgent& main);

    QMenu* Arkwell = nullptr;
    QAction* Schedule = nullptr;
    QAction* Stop = nullptr;  // the job list window's Stop command, usable while a job runs
    QMenu* Restore = nullptr;  // one item per job, opening its Restore window
    QAction* Slash2 = nullptr;
    QAction* Exit = nullptr;

public slots:
    void Schedule_Click();
    void Exit_Click();

private:
    TrayAgent& m_main;
};
