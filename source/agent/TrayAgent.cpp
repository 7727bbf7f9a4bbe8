#include "agent/TrayAgent.h"

#include "agent/DesktopNotifications.h"
#include "agent/SystemTray.h"
#include "agent/TrayMenu.h"
#include "jobs/Agent.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Messages.h"
#include "schedule/JobListWindow.h"
#include "shared/Pictures.h"

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

TrayAgent::TrayAgent(Agent& agent, JobListWindow& jobList, bool trayAvailable)
    : m_agent(agent)
    , m_jobList(jobList)
    , m_trayAvailable(trayAvailable)
{
    setObjectName(QStringLiteral("TrayAgent"));
    setWindowTitle(QStringLiteral("Arkwell"));
    setWindowIcon(Pictures::appIcon());
    m_menu = new TrayMenu(*this);
    m_trayWait.setObjectName(QStringLiteral("trayWait"));
    m_trayWait.setInterval(Agent::TickInterval);
    connect(&m_trayWait, &QTimer::timeout, this, &TrayAgent::lookForTray);
    connect(&m_jobList, &JobListWindow::closedByUser, this, &TrayAgent::tellHowToReopen);
    connect(&m_jobList, &JobListWindow::exitRequested, this, &TrayAgent::exitProgram);
    // Scheduled runs that fail or are incomplete, and overdue jobs, are told on the desktop; a
    // click on that shows the jobs. A job's next completed run withdraws its failure's notice.
    connect(&m_agent, &Agent::scheduledRunsFailed, this, &TrayAgent::tellFailedRuns);
    connect(&m_agent, &Agent::jobOverdue, this, &DesktopNotifications::jobOverdue);
    connect(&m_agent, &Agent::jobWaiting, this, &DesktopNotifications::jobWaiting);
    connect(&m_agent, &Agent::runEnded, this, [](const RunReport& report) {
        if (report.result == RunRecord::Result::Completed)
            DesktopNotifications::runCompleted(report.request.name);
    });
    connect(&DesktopNotifications::events(), &DesktopNotifications::Clicks::clicked, m_menu, &TrayMenu::showJobList);
    connect(&m_jobList.model(), &JobListModel::statusChanged, this, &TrayAgent::showTrayStatus);
    connect(&m_agent, &Agent::runsFinished, this, [this] {
        if (m_exitPending)
            finishExit();
    });
}

TrayAgent::~TrayAgent()
{
    delete m_menu;
}

bool TrayAgent::isSilent(const QStringList& arguments)
{
    return arguments.mid(1).join(QLatin1Char(' ')).contains(QStringLiteral("/SILENT"));
}

void TrayAgent::start(const QStringList& arguments, bool headless)
{
    if (!isSilent(arguments))
        m_jobList.show();
    m_agent.start();
    if (!m_trayAvailable && !headless)
        m_trayWait.start();
}

// --- The desktop's notices -------------------------------------------------------------------

// One notification for the failed and incomplete runs of one batch of scheduled runs.
void TrayAgent::tellFailedRuns(const QList<RunReport>& reports)
{
    if (reports.size() == 1) {
        DesktopNotifications::scheduledRunEnded(reports[0].request.name, reports[0].result, reports[0].reason);
        return;
    }
    QStringList names;
    for (const RunReport& report : reports)
        names << report.request.name;
    DesktopNotifications::scheduledRunsFailed(names);
}

// --- The tray icon --------------------------------------------------------------------------

namespace {

// At most this many jobs are named on one line of the tooltip; the rest are counted.
constexpr qsizetype NamedJobsPerLine = 5;

QString jobsLine(const QStringList& notes)
{
    QString line = notes.mid(0, NamedJobsPerLine).join(QStringLiteral(", "));
    if (notes.size() > NamedJobsPerLine)
        line += TrayAgent::tr(" and %1 more").arg(notes.size() - NamedJobsPerLine);
    return line;
}

} // namespace

TrayAgent::TrayState TrayAgent::trayState() const
{
    return m_jobList.model().summary().state;
}

QString TrayAgent::trayToolTip() const
{
    return toolTipOf(m_jobList.model().summary());
}

QString TrayAgent::toolTipOf(const JobListModel::Summary& summary) const
{
    const JobListModel& model = m_jobList.model();
    const auto moment = [](const QDateTime& when) { return QLocale::system().toString(when, QLocale::ShortFormat); };
    QStringList lines{QStringLiteral("Arkwell")};
    if (!model.runningJob().isEmpty())
        lines << tr("Running %1: %2").arg(model.runningJob(), model.progressText());
    if (!summary.attention.isEmpty())
        lines << tr("Needs attention: ") + jobsLine(summary.attention);
    if (!summary.waiting.isEmpty())
        lines << tr("Waiting: ") + jobsLine(summary.waiting);
    lines << tr("Next run: ")
            + (summary.nextJob.isEmpty() ? tr("none") : summary.nextJob + QLatin1Char(' ') + moment(summary.nextDue));
    lines << tr("Last result: ")
            + (summary.lastResult.isEmpty() ? tr("none")
                                            : summary.lastResult + QLatin1Char(' ') + moment(summary.lastEnded));
    return lines.join(QLatin1Char('\n'));
}

void TrayAgent::showTrayStatus()
{
    const JobListModel::Summary summary = m_jobList.model().summary();
    SystemTray::setStatus(Pictures::trayIcon(int(summary.state)), toolTipOf(summary));
}

// A tray that comes up after the program (a desktop still starting at log-in) gets the icon.
void TrayAgent::lookForTray()
{
    if (!SystemTray::available())
        return;
    m_trayWait.stop();
    m_trayAvailable = true;
    SystemTray::addIcon(*this);
    showTrayStatus();
}

// Without a tray icon a closed window is out of reach until the program is started again:
// the user is told so, once.
void TrayAgent::tellHowToReopen()
{
    if (m_trayAvailable || m_toldHowToReopen)
        return;
    m_toldHowToReopen = true;
    Messages::show(Message{tr("Arkwell goes on running without a window and makes the Backup Jobs "
                                "when they are due.\r\n\r\nTo get this window back, start Arkwell "
                                "again. To end Arkwell, choose Exit Arkwell in the File menu."),
        QStringLiteral("Arkwell"), Buttons::OK, Icon::Information, Answer::OK});
}

void TrayAgent::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (m_menuBusy || (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context))
        return;
    m_menuBusy = true;
    m_menu->menu()->exec(QCursor::pos());
    m_menuBusy = false;
}

// --- The end ----------------------------------------------------------------------------------

void TrayAgent::exitProgram()
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
    m_jobList.closeForGood();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
    emit ended();
}
