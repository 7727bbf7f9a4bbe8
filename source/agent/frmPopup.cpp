#include "agent/frmPopup.h"

#include "agent/frmMain.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "restore/RestoreWindow.h"
#include "schedule/frmSchedule.h"

#include <QAction>
#include <QMenu>

frmPopup::frmPopup(frmMain& main)
    : m_main(main)
{
    setObjectName(QStringLiteral("frmPopup"));
    setWindowTitle(QStringLiteral("Arkwell"));
    Arkwell = new QMenu(QStringLiteral("Arkwell"), this);
    Arkwell->setObjectName(QStringLiteral("Arkwell"));
    Schedule = Arkwell->addAction(QStringLiteral("Schedule Backup Jobs"), this, &frmPopup::Schedule_Click);
    Schedule->setObjectName(QStringLiteral("Schedule"));
    Stop = m_main.Schedule().mnuActionStop;
    Arkwell->addAction(Stop);
    Restore = Arkwell->addMenu(QStringLiteral("Restore Files"));
    Restore->setObjectName(QStringLiteral("Restore"));
    connect(Restore, &QMenu::aboutToShow, this, [this] {
        Restore->clear();
        for (const QString& name : m_main.Schedule().Jobs().Names())
            Restore->addAction(name, this, [this, name] { RestoreWindow::Show(m_main.Schedule().Jobs(), name); });
    });
    Slash2 = Arkwell->addSeparator();
    Slash2->setObjectName(QStringLiteral("Slash2"));
    Exit = Arkwell->addAction(QStringLiteral("Exit Arkwell"), this, &frmPopup::Exit_Click);
    Exit->setObjectName(QStringLiteral("Exit"));
    libForms::RegisterForm(this);
}

void frmPopup::Schedule_Click()
{
    frmSchedule& schedule = m_main.Schedule();
    schedule.showNormal();
    schedule.raise();
    schedule.activateWindow();
}

void frmPopup::Exit_Click()
{
    libErrorHandler::Trap("frmPopup.frm", "Exit_Click()", [&] { m_main.ExitProgram(); });
}
