#include "agent/TrayMenu.h"

#include "agent/TrayAgent.h"
#include "restore/RestoreWindow.h"
#include "schedule/JobListWindow.h"

#include <QAction>
#include <QMenu>

TrayMenu::TrayMenu(TrayAgent& tray)
    : m_tray(tray)
    , m_menu(std::make_unique<QMenu>(tr("Arkwell")))
{
    setObjectName(QStringLiteral("TrayMenu"));
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_showJobList = m_menu->addAction(tr("Schedule Backup Jobs"), this, &TrayMenu::showJobList);
    m_showJobList->setObjectName(QStringLiteral("showJobListAction"));
    m_menu->addAction(m_tray.jobList().stopAction()); // the job list's Stop, usable while a job runs
    m_restore = m_menu->addMenu(tr("Restore Files"));
    m_restore->setObjectName(QStringLiteral("restoreMenu"));
    connect(m_restore, &QMenu::aboutToShow, this, &TrayMenu::fillRestoreMenu);
    m_menu->addSeparator();
    m_exit = m_menu->addAction(tr("Exit Arkwell"), &m_tray, &TrayAgent::exitProgram);
    m_exit->setObjectName(QStringLiteral("exitAction"));
}

TrayMenu::~TrayMenu() = default;

void TrayMenu::fillRestoreMenu()
{
    m_restore->clear();
    JobTable& jobs = m_tray.jobList().jobs();
    for (const QString& name : jobs.names())
        m_restore->addAction(name, this, [&jobs, name] { RestoreWindow::showFor(jobs, name); });
}

void TrayMenu::showJobList()
{
    JobListWindow& window = m_tray.jobList();
    window.showNormal();
    window.raise();
    window.activateWindow();
}
