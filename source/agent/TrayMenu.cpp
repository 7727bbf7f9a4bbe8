#include "agent/TrayMenu.h"

#include "agent/TrayAgent.h"
#include "schedule/JobListWindow.h"
#include "restore/RestoreWindow.h"

#include <QAction>
#include <QMenu>

TrayMenu::TrayMenu(TrayAgent& main)
    : m_main(main)
{
    setObjectName(QStringLiteral("TrayMenu"));
    setWindowTitle(QStringLiteral("Arkwell"));
    Arkwell = new QMenu(QStringLiteral("Arkwell"), this);
    Arkwell->setObjectName(QStringLiteral("Arkwell"));
    Schedule = Arkwell->addAction(QStringLiteral("Schedule Backup Jobs"), this, &TrayMenu::Schedule_Click);
    Schedule->setObjectName(QStringLiteral("Schedule"));
    Stop = m_main.Schedule().mnuActionStop;
    Arkwell->addAction(Stop);
    Restore = Arkwell->addMenu(QStringLiteral("Restore Files"));
    Restore->setObjectName(QStringLiteral("Restore"));
    connect(Restore, &QMenu::aboutToShow, this, [this] {
        Restore->clear();
        for (const QString& name : m_main.Schedule().Jobs().names())
            Restore->addAction(name, this, [this, name] { RestoreWindow::showFor(m_main.Schedule().Jobs(), name); });
    });
    Slash2 = Arkwell->addSeparator();
    Slash2->setObjectName(QStringLiteral("Slash2"));
    Exit = Arkwell->addAction(QStringLiteral("Exit Arkwell"), this, &TrayMenu::Exit_Click);
    Exit->setObjectName(QStringLiteral("Exit"));
}

void TrayMenu::Schedule_Click()
{
    JobListWindow& schedule = m_main.Schedule();
    schedule.showNormal();
    schedule.raise();
    schedule.activateWindow();
}

void TrayMenu::Exit_Click()
{
    m_main.ExitProgram();
}
