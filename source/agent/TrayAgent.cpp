#include "agent/TrayAgent.h"

#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "agent/TrayMenu.h"
#include "agent/libNotify.h"
#include "shared/Pictures.h"
#include "agent/SystemTray.h"
#include "jobs/Agent.h"
#include "jobs/DueMoments.h"
#include "jobs/JobStatus.h"
#include "lib/Clock.h"
#include "lib/Messages.h"
#include "schedule/JobListWindow.h"

#include <QApplication>
#include <QCursor>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

using Messages::Answer;
using Messages::Buttons;
using Messages::Icon;
using Messages::Message;

TrayAgent::TrayAgent(Agent& agent, JobListWindow& schedule, bool trayAvailable)
    : m_agent(agent), m_schedule(schedule), m_trayAvailable(trayAvailable)
{
    setObjectName(QStringLiteral("TrayAgent"));
    setWindowTitle(QStringLiteral("Arkwell"));
    setWindowIcon(Pictures::appIcon());
    m_popup = new TrayMenu(*this);
    tmrWaitForTray = new QTimer(this);
    tmrWaitForTray->setObjectName(QStringLiteral("tmrWaitForTray"));
    tmrWaitForTray->setInterval(Agent::TickInterval);
    connect(tmrWaitForTray, &QTimer::timeout, this, &TrayAgent::lookForTray);
    connect(&m_schedule, &JobListWindow::closedByUser, this, &TrayAgent::tellHowToReopen);
    connect(&m_schedule, &JobListWindow::exitRequested, this, &TrayAgent::ExitProgram);
    // Scheduled runs that fail or are incomplete, and overdue jobs, are told on the desktop; a
    // click on that shows the jobs.
    connect(&m_agent, &Agent::scheduledRunsFailed, this, &TrayAgent::tellFailedRuns);
    connect(&m_agent, &Agent::jobOverdue, this, &libNotify::JobOverdue);
    connect(&m_agent, &Agent::jobWaiting, this, &libNotify::JobWaiting);
    connect(&libNotify::Events(), &libNotify::Clicks::clicked, m_popup, &TrayMenu::Schedule_Click);
    connect(&m_schedule, &JobListWindow::statusChanged, this, &TrayAgent::ShowTrayStatus);
    connect(&m_agent, &Agent::runsFinished, this, [this] {
        if (m_exitPending)
            finishExit();
    });
}

TrayAgent::~TrayAgent()
{
    delete m_popup;
}

bool TrayAgent::IsSilent(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' ')).contains(QStringLiteral("/SILENT"));
}

void TrayAgent::Form_Load(const QStringList& arguments, bool headless)
{
    if (!IsSilent(arguments))
        m_schedule.show();
    m_agent.start();
    if (!m_trayAvailable && !headless)
        tmrWaitForTray->start();
}

// --- The desktop's notices -------------------------------------------------------------------

// One notification for the failed and incomplete runs of one batch of scheduled runs.
void TrayAgent::tellFailedRuns(const QList<RunReport>& reports)
{
    if (reports.size() == 1) {
        libNotify::ScheduledRunEnded(reports[0].request.name, reports[0].result, reports[0].reason);
        return;
    }
    QStringList names;
    for (const RunReport& report : reports)
        names << report.request.name;
    libNotify::ScheduledRunsFailed(names);
}

// --- The tray icon --------------------------------------------------------------------------

TrayAgent::TrayState TrayAgent::TrayStateNow() const
{
    if (m_agent.busy())
        return TrayState::Running;
    return attentionNotes(Clock::now()).isEmpty() ? TrayState::Idle : TrayState::Attention;
}

// The jobs that need the user's attention, each with why: "Nightly overdue", "Photos failed".
QStringList TrayAgent::attentionNotes(const QDateTime& now) const
{
    const JobTable& jobs = m_schedule.Jobs();
    QStringList notes;
    for (const QString& name : jobs.names()) {
        const Job& job = *jobs.job(name);
        const RunRecord record = jobs.record(name);
        if (JobStatus::needsAttention(job, record, now))
            notes << (JobStatus::overdue(job, record, now) ? name + QStringLiteral(" overdue")
                                                           : name + QLatin1Char(' ') + RunRecord::word(record.result));
    }
    return notes;
}

QString TrayAgent::TrayToolTip() const
{
    const JobTable& jobs = m_schedule.Jobs();
    const QDateTime now = Clock::now();
    QString next;
    QDateTime nextDue;
    QString last;
    QDateTime lastEnded;
    QStringList waiting;
    for (const QString& name : jobs.names()) {
        const Job& job = *jobs.job(name);
        const RunRecord record = jobs.record(name);
        if (record.waitingSince.isValid())
            waiting << name + QLatin1Char(' ') + JobStatus::resultWord(job, record, now);
        const std::optional<QDateTime> due = DueMoments::nextAfter(job, now);
        if (due && (!nextDue.isValid() || *due < nextDue)) {
            nextDue = *due;
            next = name;
        }
        if (record.ended.isValid() && record.result != RunRecord::Result::None && record.ended > lastEnded) {
            lastEnded = record.ended;
            last = QStringLiteral("%1 %2").arg(name, RunRecord::word(record.result));
        }
    }
    const auto moment = [](const QDateTime& when) { return QLocale::system().toString(when, QLocale::ShortFormat); };
    QStringList lines{QStringLiteral("Arkwell")};
    if (!m_schedule.RunningJob().isEmpty())
        lines << QStringLiteral("Running %1: %2").arg(m_schedule.RunningJob(), m_schedule.ProgressText());
    if (const QStringList attention = attentionNotes(now); !attention.isEmpty())
        lines << QStringLiteral("Needs attention: ") + attention.join(QStringLiteral(", "));
    if (!waiting.isEmpty())
        lines << QStringLiteral("Waiting: ") + waiting.join(QStringLiteral(", "));
    lines << QStringLiteral("Next run: ") + (next.isEmpty() ? QStringLiteral("none") : next + QLatin1Char(' ') + moment(nextDue));
    lines << QStringLiteral("Last result: ") + (last.isEmpty() ? QStringLiteral("none") : last + QLatin1Char(' ') + moment(lastEnded));
    return lines.join(QLatin1Char('\n'));
}

void TrayAgent::ShowTrayStatus()
{
    SystemTray::setStatus(Pictures::trayIcon(int(TrayStateNow())), TrayToolTip());
}

// A tray that comes up after the program (a desktop still starting at log-in) gets the icon.
void TrayAgent::lookForTray()
{
    if (!SystemTray::available())
        return;
    tmrWaitForTray->stop();
    m_trayAvailable = true;
    SystemTray::addIcon(*this);
    ShowTrayStatus();
}

// Without a tray icon a closed window is out of reach until the program is started again:
// the user is told so, once.
void TrayAgent::tellHowToReopen()
{
    if (m_trayAvailable || m_toldHowToReopen)
        return;
    m_toldHowToReopen = true;
    Messages::show(Message{QStringLiteral("Arkwell goes on running without a window and makes the Backup Jobs "
                                            "when they are due.\r\n\r\nTo get this window back, start Arkwell "
                                            "again. To end Arkwell, choose Exit Arkwell in the File menu."),
                             QStringLiteral("Arkwell"), Buttons::OK, Icon::Information, Answer::OK});
}

void TrayAgent::Form_MouseMove(QSystemTrayIcon::ActivationReason reason)
{
    if (m_menuBusy || (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context))
        return;
    m_menuBusy = true;
    m_popup->Arkwell->exec(QCursor::pos());
    m_menuBusy = false;
}

// --- The end ----------------------------------------------------------------------------------

void TrayAgent::ExitProgram()
{
    if (m_exited)
        return;
    m_agent.halt();
    if (m_agent.busy()) {
        // A backup is running: stop it, start nothing after it, and end once it has stopped.
        m_exitPending = true;
        m_agent.stop();
        closeMessageBoxes();
        return;
    }
    finishExit();
}

// A message that waits for an answer would hold the end back: it is taken as cancelled.
void TrayAgent::closeMessageBoxes()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible())
            box->reject();
}

void TrayAgent::finishExit()
{
    if (m_exited)
        return;
    m_exited = true;
    Preferences::save();
    m_agent.halt();
    SystemTray::removeIcon();
    m_schedule.KillForm(true);
    m_schedule.close();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
    emit ended();
}
