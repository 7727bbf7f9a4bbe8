#include "agent/frmMain.h"

#include "lib/appSetup.h"
#include "agent/frmPopup.h"
#include "agent/libNotify.h"
#include "agent/libPictures.h"
#include "agent/libSysTrayApp.h"
#include "jobs/DueMoments.h"
#include "jobs/JobStatus.h"
#include "jobs/Targets.h"
#include "lib/Clock.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QCursor>
#include <QLocale>
#include <algorithm>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

using libForms::Answer;
using libForms::Buttons;
using libForms::Icon;
using libForms::Message;

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
    tmrWaitForTray = new QTimer(this);
    tmrWaitForTray->setObjectName(QStringLiteral("tmrWaitForTray"));
    tmrWaitForTray->setInterval(TickInterval);
    connect(tmrWaitForTray, &QTimer::timeout, this, &frmMain::lookForTray);
    connect(&m_schedule, &frmSchedule::closedByUser, this, &frmMain::tellHowToReopen);
    connect(&m_schedule, &frmSchedule::exitRequested, this, &frmMain::ExitProgram);
    // A scheduled run that fails or is incomplete is told on the desktop; a click on that shows the jobs.
    connect(&m_schedule, &frmSchedule::jobRunEnded, this,
            [this](const QString& name, RunRecord::Result result, const QStringList& lines) {
        if (m_busy)  // the scheduler's run, not the user's
            libNotify::ScheduledRunEnded(name, result, CBackupJob::FirstReason(lines));
    });
    connect(&libNotify::Events(), &libNotify::Clicks::clicked, m_popup, &frmPopup::Schedule_Click);
    connect(&m_schedule, &frmSchedule::statusChanged, this, &frmMain::ShowTrayStatus);
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
    tmrMissedRuns->start();
    if (!m_trayAvailable && !headless)
        tmrWaitForTray->start();
}

// --- The scheduler --------------------------------------------------------------------------

// A tick runs the due jobs, one after another, while the job list window is idle: shown or
// not, but with no wizard, dialog or run of the user's in the way.
void frmMain::tmrCheckForBackupJob_Timer()
{
    libErrorHandler::Trap(Module, "tmrCheckForBackupJob_Timer()", [&] {
        ShowTrayStatus();
        if (m_busy || !m_schedule.Idle())
            return;
        m_busy = true;
        tellOverdueJobs();
        for (const Targets::Notice& waiting : Targets::Notices(m_schedule.Jobs(), Clock::Today()))
            libNotify::JobWaiting(waiting.name, waiting.drive);
        if (std::exchange(m_missedRunsDue, false))
            runMissedJobs();
        for (const JobTable::DueRun& back : Targets::Returned(m_schedule.Jobs()))
            if (!m_exitPending)
                m_schedule.RunJobs({back.name});
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
    if (!Targets::HoldRun(m_schedule.Jobs(), name, due))
        m_schedule.RunJobs({name});
}

// A job gone more than twice its interval without a completed run is told on the desktop,
// at most once a day.
void frmMain::tellOverdueJobs()
{
    const JobTable& jobs = m_schedule.Jobs();
    for (const QString& name : jobs.Names()) {
        const RunRecord record = jobs.Record(name);
        if (JobStatus::Overdue(*jobs.Job(name), record, Clock::Now()))
            libNotify::JobOverdue(name, record.lastCompleted);
    }
}

// --- The tray icon --------------------------------------------------------------------------

frmMain::TrayState frmMain::TrayStateNow() const
{
    if (!m_schedule.RunningJob().isEmpty())
        return TrayState::Running;
    return attentionNotes(Clock::Now()).isEmpty() ? TrayState::Idle : TrayState::Attention;
}

// The jobs that need the user's attention, each with why: "Nightly overdue", "Photos failed".
QStringList frmMain::attentionNotes(const QDateTime& now) const
{
    const JobTable& jobs = m_schedule.Jobs();
    QStringList notes;
    for (const QString& name : jobs.Names()) {
        const CBackupJob& job = *jobs.Job(name);
        const RunRecord record = jobs.Record(name);
        if (JobStatus::NeedsAttention(job, record, now))
            notes << (JobStatus::Overdue(job, record, now) ? name + QStringLiteral(" overdue")
                                                           : name + QLatin1Char(' ') + RunRecord::Word(record.result));
    }
    return notes;
}

QString frmMain::TrayToolTip() const
{
    const JobTable& jobs = m_schedule.Jobs();
    const QDateTime now = Clock::Now();
    QString next;
    QDateTime nextDue;
    QString last;
    QDateTime lastEnded;
    for (const QString& name : jobs.Names()) {
        const CBackupJob& job = *jobs.Job(name);
        const RunRecord record = jobs.Record(name);
        const std::optional<QDateTime> due = DueMoments::NextAfter(job, now);
        if (due && (!nextDue.isValid() || *due < nextDue)) {
            nextDue = *due;
            next = name;
        }
        if (record.ended.isValid() && record.result != RunRecord::Result::None && record.ended > lastEnded) {
            lastEnded = record.ended;
            last = QStringLiteral("%1 %2").arg(name, RunRecord::Word(record.result));
        }
    }
    const auto moment = [](const QDateTime& when) { return QLocale::system().toString(when, QLocale::ShortFormat); };
    QStringList lines{QStringLiteral("Arkwell")};
    if (!m_schedule.RunningJob().isEmpty())
        lines << QStringLiteral("Running %1: %2").arg(m_schedule.RunningJob(), m_schedule.ProgressText());
    if (const QStringList attention = attentionNotes(now); !attention.isEmpty())
        lines << QStringLiteral("Needs attention: ") + attention.join(QStringLiteral(", "));
    QStringList waiting;
    for (const QString& name : jobs.Names())
        if (const RunRecord record = jobs.Record(name); record.waitingSince.isValid())
            waiting << name + QLatin1Char(' ') + JobStatus::ResultWord(*jobs.Job(name), record, now);
    if (!waiting.isEmpty())
        lines << QStringLiteral("Waiting: ") + waiting.join(QStringLiteral(", "));
    lines << QStringLiteral("Next run: ") + (next.isEmpty() ? QStringLiteral("none") : next + QLatin1Char(' ') + moment(nextDue));
    lines << QStringLiteral("Last result: ") + (last.isEmpty() ? QStringLiteral("none") : last + QLatin1Char(' ') + moment(lastEnded));
    return lines.join(QLatin1Char('\n'));
}

void frmMain::ShowTrayStatus()
{
    libSysTrayApp::SystemTraySetStatus(libPictures::TrayIcon(int(TrayStateNow())), TrayToolTip());
}

// A tray that comes up after the program (a desktop still starting at log-in) gets the icon.
void frmMain::lookForTray()
{
    if (!libSysTrayApp::SystemTrayAvailable())
        return;
    tmrWaitForTray->stop();
    m_trayAvailable = true;
    libSysTrayApp::SystemTrayAddIcon(*this);
    ShowTrayStatus();
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
