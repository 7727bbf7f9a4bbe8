#include "agent/frmMain.h"

#include "lib/appSetup.h"
#include "agent/frmPopup.h"
#include "agent/libPictures.h"
#include "agent/libSysTrayApp.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

namespace {

const char* const Module = "frmMain.frm";

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
    tmrMissedRuns = new QTimer(this);
    tmrMissedRuns->setObjectName(QStringLiteral("tmrMissedRuns"));
    tmrMissedRuns->setSingleShot(true);
    tmrMissedRuns->setInterval(MissedRunsDelay);
    connect(tmrMissedRuns, &QTimer::timeout, this, &frmMain::tmrMissedRuns_Timer);
    connect(&m_schedule, &frmSchedule::closedByUser, this, [this] {
        if (!m_trayAvailable)
            ExitProgram();
    });
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

void frmMain::Form_Load(const QStringList& arguments, bool headless)
{
    const bool silent = arguments.mid(1).join(QLatin1Char(' ')).contains(QStringLiteral("/SILENT"));
    if (!silent || (!m_trayAvailable && !headless))
        m_schedule.show();
    tmrCheckForBackupJob->start();
    tmrMissedRuns->start();
}

// --- The scheduler --------------------------------------------------------------------------

// A tick runs the due jobs, one after another, while the job list window is idle: shown or
// not, but with no wizard, dialog or run of the user's in the way.
void frmMain::tmrCheckForBackupJob_Timer()
{
    libErrorHandler::Trap(Module, "tmrCheckForBackupJob_Timer()", [&] {
        if (m_busy || !m_schedule.Idle())
            return;
        m_busy = true;
        if (std::exchange(m_missedRunsDue, false))
            runMissedJobs();
        for (const JobTable::DueRun& due : m_schedule.Jobs().DueNow())
            if (!m_exitPending)
                runDueJob(due.name, due.due);
        m_busy = false;
    });
    if (m_exitPending)
        finishExit();
}

void frmMain::tmrMissedRuns_Timer()
{
    m_missedRunsDue = appSetup::RunMissedBackups;
}

// Each job whose latest due moment before start-up has no completed run after it runs once.
void frmMain::runMissedJobs()
{
    for (const JobTable::DueRun& missed : m_schedule.Jobs().MissedRuns()) {
        if (m_exitPending)
            return;
        libLog::LogEvent(QStringLiteral("Backup Job '%1' runs now to make up for its run due %2, missed while "
                                        "Arkwell was not running.")
                             .arg(missed.name, libDates::FormatDate(missed.due.date()) + QLatin1Char(' ')
                                                   + libDates::FormatShortTime(missed.due.time())));
        runDueJob(missed.name, missed.due);
    }
}

// Brings the job's dates up to date in its file, its row and its run record, then runs it as
// Run now does.
void frmMain::runDueJob(const QString& name, const QDateTime& due)
{
    if (const std::optional<QString> why = m_schedule.Jobs().MarkHandled(name, due)) {
        libLog::LogEvent(QStringLiteral("Backup Job '%1' was not run: %2").arg(name, *why));
        return;
    }
    m_schedule.RunJobs({name});
}

// --- The tray icon --------------------------------------------------------------------------

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
        // A backup is running: let it finish, start nothing after it, and end then.
        m_exitPending = true;
        m_schedule.StopAfterCurrentJob();
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
