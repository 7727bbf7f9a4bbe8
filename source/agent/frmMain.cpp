#include "agent/frmMain.h"

#include "agent/appSetup.h"
#include "agent/frmPopup.h"
#include "agent/libPictures.h"
#include "agent/libSysTrayApp.h"
#include "jobs/CBackupJob.h"
#include "lib/Clock.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>

using libForms::Answer;
using libForms::Buttons;
using libForms::Icon;
using libForms::Message;

namespace {

const char* const Module = "frmMain.frm";

// The moment a row's job falls due: its next-run day at its start time; none without one.
std::optional<QDateTime> DueMoment(const QTreeWidgetItem* row)
{
    const std::optional<QDate> day = frmSchedule::RowNextRun(row);
    if (!day)
        return std::nullopt;
    return QDateTime(*day, frmSchedule::RowStartTime(row));
}

}  // namespace

frmMain::frmMain(frmSchedule& schedule, bool trayAvailable)
    : m_schedule(schedule), m_trayAvailable(trayAvailable)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Arkwell"));
    setWindowIcon(libPictures::AppIcon());
    m_popup = new frmPopup(*this);
    tmrCheckForBackupJob = new QTimer(this);
    tmrCheckForBackupJob->setObjectName(QStringLiteral("tmrCheckForBackupJob"));
    tmrCheckForBackupJob->setInterval(TickInterval);
    connect(tmrCheckForBackupJob, &QTimer::timeout, this, &frmMain::tmrCheckForBackupJob_Timer);
    tmrWaitForTray = new QTimer(this);
    tmrWaitForTray->setObjectName(QStringLiteral("tmrWaitForTray"));
    tmrWaitForTray->setInterval(TickInterval);
    connect(tmrWaitForTray, &QTimer::timeout, this, &frmMain::lookForTray);
    connect(&m_schedule, &frmSchedule::closedByUser, this, &frmMain::tellHowToReopen);
    connect(&m_schedule, &frmSchedule::exitRequested, this, &frmMain::ExitProgram);
    connect(&m_schedule, &frmSchedule::runFinished, this, [this] {
        if (m_exitPending && !m_busy)
            finishExit();
    });
    libForms::RegisterForm(this);
}

frmMain::~frmMain()
{
    delete m_popup;
}

bool frmMain::IsSilent(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' ')).contains(QStringLiteral("/SILENT"));
}

void frmMain::Form_Load(const QStringList& arguments, bool headless)
{
    if (!IsSilent(arguments))
        m_schedule.show();
    tmrCheckForBackupJob->start();
    if (!m_trayAvailable && !headless)
        tmrWaitForTray->start();
}

// --- The scheduler --------------------------------------------------------------------------

void frmMain::tmrCheckForBackupJob_Timer()
{
    libErrorHandler::Trap(Module, "tmrCheckForBackupJob_Timer()", [&] {
        QTreeWidget* list = m_schedule.lvwSchedule;
        // A disabled job list means a command of the user is under way (the wizard is open).
        if (list->topLevelItemCount() == 0 || m_schedule.isVisible() || !m_schedule.isEnabled() || m_busy)
            return;
        m_busy = true;
        const int rows = list->topLevelItemCount();
        for (int index = 0; index < rows && index < list->topLevelItemCount() && !m_exitPending; ++index) {
            list->clearSelection();
            QTreeWidgetItem* row = list->topLevelItem(index);
            if (!isDue(row))
                continue;
            runDueJob(row);
            m_schedule.hide();
        }
        m_busy = false;
    });
    if (m_exitPending)
        finishExit();
}

bool frmMain::isDue(const QTreeWidgetItem* row) const
{
    const std::optional<QDateTime> due = DueMoment(row);
    return due && Clock::Now() > *due && row->data(frmSchedule::ColName, frmSchedule::RanDueRole).toDateTime() != *due;
}

// Brings the job's dates up to date in its file and its row, then runs it as Run now does.
void frmMain::runDueJob(QTreeWidgetItem* row)
{
    row->setData(frmSchedule::ColName, frmSchedule::RanDueRole, *DueMoment(row));
    CBackupJob job;
    if (const std::optional<QString> why = job.TryOpenBackupJob(frmSchedule::RowJobFile(row))) {
        libLog::LogEvent(QStringLiteral("Backup Job '%1' was not run: %2").arg(row->text(frmSchedule::ColName), *why));
        return;
    }
    job.setDateLastRun(QDateTime(Clock::Today(), QTime(0, 0)));
    job.SaveBackupJob(frmSchedule::RowJobFile(row));
    const std::optional<QDate> next = job.DateNextRun();
    m_schedule.SetItemDates(row, job.DateLastRun().date(), next);
    if (!next)  // a monthly day the coming month lacks: the job stops here, and says so
        job.LogNoNextRun();
    m_schedule.lvwSchedule->setCurrentItem(row);
    row->setSelected(true);
    m_schedule.cmdBackup_Click();
}

// --- The tray icon --------------------------------------------------------------------------

// A tray that comes up after the program (a desktop still starting at log-in) gets the icon.
void frmMain::lookForTray()
{
    if (!libSysTrayApp::SystemTrayAvailable())
        return;
    tmrWaitForTray->stop();
    m_trayAvailable = true;
    libSysTrayApp::SystemTrayAddIcon(*this);
}

// Without a tray icon a closed window is out of reach until the program is started again:
// the user is told so, once.
void frmMain::tellHowToReopen()
{
    if (m_trayAvailable || m_toldHowToReopen)
        return;
    m_toldHowToReopen = true;
    libForms::MsgBox(Message{QStringLiteral("Arkwell goes on running without a window and makes the Backup Jobs "
                                            "when they are due.\r\n\r\nTo get this window back, start Arkwell "
                                            "again. To end Arkwell, choose Exit Arkwell in the File menu."),
                             QStringLiteral("Arkwell"), Buttons::OK, Icon::Information, Answer::OK});
}

void frmMain::Form_MouseMove(QSystemTrayIcon::ActivationReason reason)
{
    libErrorHandler::Trap(Module, "Form_MouseMove()", [&] {
        if (m_menuBusy)
            return;
        if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
            return;
        m_menuBusy = true;
        m_popup->Arkwell->exec(QCursor::pos());
        m_menuBusy = false;
    });
}

// --- The end ----------------------------------------------------------------------------------

void frmMain::ExitProgram()
{
    if (m_exited)
        return;
    tmrCheckForBackupJob->stop();
    if (m_busy || m_schedule.RunInProgress()) {
        // A backup is running: stop it, start nothing after it, and end once it has stopped.
        m_exitPending = true;
        m_schedule.StopRun();
        closeMessageBoxes();
        return;
    }
    finishExit();
}

// A message that waits for an answer would hold the end back: it is taken as cancelled.
void frmMain::closeMessageBoxes()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            box->reject();
}

void frmMain::finishExit()
{
    if (m_exited)
        return;
    m_exited = true;
    appSetup::SavePreferences();
    tmrCheckForBackupJob->stop();
    libSysTrayApp::SystemTrayRemoveIcon();
    m_schedule.KillForm(true);
    m_schedule.close();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
    emit ended();
}
