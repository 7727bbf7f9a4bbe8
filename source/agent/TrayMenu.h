#pragma once
// The tray icon's menu: show the job list window, stop the running job, restore files of a
// job, or end the program.

#include <memory>
#include <QObject>

class QAction;
class QMenu;
class TrayAgent;

class TrayMenu : public QObject {
    Q_OBJECT
public:
    explicit TrayMenu(TrayAgent& tray);
    ~TrayMenu() override;

    QMenu* menu() const { return m_menu.get(); }
    QAction* showJobListAction() const { return m_showJobList; }
    QAction* exitAction() const { return m_exit; }

public slots:
    // Brings the job list window up, in front of the others.
    void showJobList();

private:
    void fillRestoreMenu();

    TrayAgent& m_tray;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_showJobList = nullptr;
    QMenu* m_restore = nullptr; // one item per job, opening its Restore window
    QAction* m_exit = nullptr;
};
