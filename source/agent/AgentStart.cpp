// Start-up with the windows: the single-instance guard, the job list, the tray icon, the
// message boxes and the end on SIGTERM, SIGINT or SIGHUP.
#include "agent/AgentStart.h"

#include "cli/InstanceGuard.h"
#include "agent/TrayAgent.h"
#include "agent/TrayMenu.h"
#include "agent/DesktopNotifications.h"
#include "agent/SystemTray.h"
#include "jobs/Agent.h"
#include "cli/AgentLink.h"
#include "jobs/Job.h"
#include "lib/AppPaths.h"
#include "lib/EndSignals.h"
#include "lib/Errors.h"
#include "lib/Messages.h"
#include "lib/Preferences.h"
#include "lib/TransactionLog.h"
#include "schedule/JobListWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

using Messages::Answer;
using Messages::Buttons;
using Messages::Icon;
using Messages::Message;

namespace AgentStart {
namespace {

// How long a second start waits for the running agent to show its window.
constexpr int AgentAnswerMs = 10000;

// The answer of a box closed without a button (Escape, the close box, the program's end).
Answer escapeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo: return Answer::No;
    case Buttons::OKCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    case Buttons::OK: break;
    }
    return Answer::OK;
}

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

Answer showMessageBox(const Message& message)
{
    QMessageBox box(boxIcon(message.icon), message.title,
                    QString(message.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    const std::pair<Answer, QMessageBox::StandardButton> all[] = {
        {Answer::OK, QMessageBox::Ok}, {Answer::Yes, QMessageBox::Yes}, {Answer::No, QMessageBox::No},
        {Answer::Cancel, QMessageBox::Cancel}};
    const auto offered = [&message](Answer answer) {
        switch (message.buttons) {
        case Buttons::OK: return answer == Answer::OK;
        case Buttons::YesNo: return answer == Answer::Yes || answer == Answer::No;
        case Buttons::OKCancel: return answer == Answer::OK || answer == Answer::Cancel;
        case Buttons::YesNoCancel: return answer != Answer::OK;
        }
        return false;
    };
    std::vector<std::pair<QAbstractButton*, Answer>> buttons;
    for (const auto& [answer, standard] : all) {
        if (!offered(answer))
            continue;
        QPushButton* button = box.addButton(standard);
        if (buttons.size() < size_t(message.captions.size()))
            button->setText(message.captions[qsizetype(buttons.size())]);
        buttons.emplace_back(button, answer);
        if (answer == message.defaultAnswer)
            box.setDefaultButton(button);
    }
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    return escapeAnswer(message.buttons);
}

// Where no display is, nobody can answer a box: it goes to standard error instead.
bool noDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// A signal has come: the start goes no further, and nothing may begin the event loop again.
bool endRequested = false;
// How the agent ends once it is made; before that the start stops where it is.
std::function<void()> endProgram;

// Every dialog and message box waiting for an answer is closed as cancelled: the code that
// opened it goes on, and none of them holds the end back.
void closeDialogs()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
            dialog->reject();
}

void endOnSignal()
{
    endRequested = true;
    closeDialogs();
    if (endProgram)
        endProgram();
    else
        QCoreApplication::exit(0);
}

// Catches the signals from the first moment on: one that comes while the start still asks
// something (a box about the lock or the job files) ends the start there.
void catchEndSignals()
{
    if (const Result<> caught = EndSignals::catchThem(endOnSignal); !caught)
        std::fprintf(stderr, "Arkwell: %s\n", qPrintable(caught.reason()));
}

// The bus may still hold its thread (a bus that never answers): the program then ends
// without waiting for it.
int endWith(int exitCode)
{
    constexpr int BusGraceMs = 1000;
    if (!DesktopNotifications::finish(BusGraceMs)) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}

// Another start holds the lock. It is asked to show its window (a start with "/SILENT" only
// asks whether it is alive). True when it answered.
bool agentAnswered(const InstanceGuard& guard)
{
    const bool silent = TrayAgent::isSilent(QCoreApplication::arguments());
    return guard.ask(silent ? InstanceGuard::Request::Ping : InstanceGuard::Request::ShowWindow, AgentAnswerMs);
}

// Makes this start the agent by taking the lock. Otherwise the exit code of this start: another
// agent runs (asked for its window, or named when it doesn't answer), or no lock can be had.
std::optional<int> endUnlessAgent(InstanceGuard& guard, const QString& lockPath)
{
    Result<InstanceGuard::Outcome> outcome = guard.tryAcquire();
    const auto heldByAnother = [&outcome] { return outcome && *outcome == InstanceGuard::Outcome::HeldByAnother; };
    if (heldByAnother() && agentAnswered(guard))
        return 0;
    if (heldByAnother())  // an agent that was ending has let go
        outcome = guard.tryAcquire();
    if (!outcome) {
        Messages::show(Message{QStringLiteral("Arkwell cannot lock its lock file '") + lockPath
                                   + QStringLiteral("' (") + outcome.reason()
                                   + QStringLiteral("), which keeps a second copy of it from running the "
                                                    "same Backup Jobs."),
                               QStringLiteral("Arkwell"), Buttons::OK, Icon::Critical, Answer::OK});
        return 1;
    }
    if (heldByAnother()) {
        if (!TrayAgent::isSilent(QCoreApplication::arguments()))
            Messages::show(Message{QStringLiteral("An instance of Arkwell is already running."),
                                   QStringLiteral("Verification Error"), Buttons::OK, Icon::None, Answer::OK});
        return 0;
    }
    return std::nullopt;
}

// Runs asked for by the command line wait for the run in progress, then run as Run now does.
void serveCommandLine(InstanceGuard& guard, Agent& agent)
{
    auto* commands = new AgentCommands({[&agent](const QString& name) { return agent.jobs().contains(name); },
                                        [&agent](const QString& name) { return agent.runNow({name}); }},
                                       &agent);
    QObject::connect(&guard, &InstanceGuard::requestReceived, commands, &AgentCommands::serve);
    QObject::connect(&agent, &Agent::runEnded, commands,
                     [commands](const RunReport& report) { commands->runEnded(report.request.name, report.result); });
    QObject::connect(&agent, &Agent::runsFinished, commands, &AgentCommands::startNext);
}

}  // namespace

// The boxes about the jobs folder come once the event loop runs: the scheduler is started by
// then and goes on while they are open.
void loadJobList(JobListWindow& schedule)
{
    if (const QString leftBehind = AppPaths::jobsLeftBehindNotice(); !leftBehind.isEmpty()) {
        TransactionLog::append(QString(leftBehind).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
        Messages::show(Message{leftBehind, QStringLiteral("Backup Jobs Left Behind"), Buttons::OK,
                                 Icon::Exclamation, Answer::OK});
    }
    const auto [skipped, unscheduled] = schedule.jobs().load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    const auto tell = [&schedule](const QStringList& names, const QString& text, const QString& title) {
        if (!names.isEmpty())
            QTimer::singleShot(0, &schedule, [text = text + names.join(QStringLiteral("\r\n")), title] {
                Messages::show(Message{text, title, Buttons::OK, Icon::Exclamation, Answer::OK});
            });
    };
    tell(skipped, QStringLiteral("These files of the jobs folder were skipped and left as they are:\r\n\r\n"),
         QStringLiteral("Backup Job Files Skipped"));
    tell(unscheduled,
         QStringLiteral("These Backup Jobs have no next run and will not run until their schedule is mended in the "
                        "job wizard:\r\n\r\n"),
         QStringLiteral("Backup Jobs Without Next Run"));
}

int run(QApplication& app)
{
    return Errors::guard([&] {
        catchEndSignals();
        const bool headless = noDisplay();
        if (!headless)
            Messages::setHandler(showMessageBox);

        Errors::setOwnFileListener(DesktopNotifications::ownFilesNotWritten);
        // Jobs, preferences, logs and the lock all live in the data folder: one the user can't
        // write into is told now instead of at the first save.
        if (const Result<> usable = AppPaths::checkDataFolder(); !usable) {
            Messages::show({usable.reason(), QStringLiteral("Arkwell"), Buttons::OK, Icon::Critical});
            return 1;
        }

        // One agent per data folder. A later start brings the agent's window up instead
        // (quietly nothing with "/SILENT"); a lock that can't be taken at all ends the start, since
        // two agents would run the same jobs.
        const QString lockPath = AppPaths::dataFile(AppPaths::exeName() + QStringLiteral(".lock"));
        InstanceGuard guard(lockPath);
        if (const std::optional<int> exitCode = endUnlessAgent(guard, lockPath))
            return *exitCode;
        if (endRequested)
            return 0;

        app.setQuitOnLastWindowClosed(false);
        const bool trayAvailable = !headless && SystemTray::available();
        Agent agent;
        JobListWindow schedule(agent);
        TrayAgent main(agent, schedule, trayAvailable);
        QObject::connect(&main, &TrayAgent::ended, &app, [] { QCoreApplication::exit(0); });
        endProgram = [&main] { main.exitProgram(); };
        QObject::connect(&guard, &InstanceGuard::showWindowRequested, &main.menu(), &TrayMenu::showJobList);
        serveCommandLine(guard, agent);

        Preferences::applyStartAtLoginDefault();
        // Read before anything can end the program, whose end writes them back.
        Preferences::load();
        loadJobList(schedule);
        if (endRequested) {  // a signal came while a box of the start was open
            endProgram = nullptr;
            return endWith(0);
        }
        main.start(QCoreApplication::arguments(), headless);
        if (trayAvailable)
            SystemTray::addIcon(main);
        main.showTrayStatus();
        const int exitCode = app.exec();
        endProgram = nullptr;
        return endWith(exitCode);
    });
}

}  // namespace AgentStart
