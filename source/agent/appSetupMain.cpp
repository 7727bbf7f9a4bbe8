// Start-up with the windows: the single-instance guard, the job list, the tray icon, the
// message boxes and the end on SIGTERM or SIGINT.
#include "agent/appSetupMain.h"

#include "agent/CInstanceGuard.h"
#include "agent/frmMain.h"
#include "agent/frmPopup.h"
#include "agent/libSysTrayApp.h"
#include "cli/AgentLink.h"
#include "jobs/CBackupJob.h"
#include "lib/appSetup.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using libForms::Answer;
using libForms::Buttons;
using libForms::Icon;
using libForms::Message;

namespace appSetup {
namespace {

// How long a second start waits for the running agent to show its window.
constexpr int AgentAnswerMs = 10000;

// The answer of a box closed without a button (Escape, the close box, the program's end).
Answer EscapeAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::YesNo: return Answer::No;
    case Buttons::OKCancel:
    case Buttons::YesNoCancel: return Answer::Cancel;
    case Buttons::OK: break;
    }
    return Answer::OK;
}

QMessageBox::Icon BoxIcon(Icon icon)
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

Answer ShowMessageBox(const Message& message)
{
    QMessageBox box(BoxIcon(message.icon), message.title,
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
    return EscapeAnswer(message.buttons);
}

// Where no display is, nobody can answer a box: it goes to standard error instead.
bool Headless()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// SIGTERM and SIGINT are turned into an ordinary event, so the program ends through its
// usual exit (preferences saved, tray icon removed) and never in the middle of a write.
int endSignalPipe[2] = {-1, -1};

void OnEndSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endSignalPipe[1], &byte, 1);
}

// Catches the signals from the first moment on; one that comes before the windows exist
// waits in the pipe and ends the program as soon as its event loop runs.
void CatchEndSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, endSignalPipe) != 0)
        libErrorHandler::RaiseErrno(errno, QStringLiteral("socketpair"));
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void EndOnSignals(frmMain& main)
{
    auto* notifier = new QSocketNotifier(endSignalPipe[0], QSocketNotifier::Read, &main);
    QObject::connect(notifier, &QSocketNotifier::activated, &main, [&main] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(endSignalPipe[0], &byte, 1);
        main.ExitProgram();
    });
}

// Another start holds the lock. It is asked to show its window (a start with "/SILENT" only
// asks whether it is alive). True when it answered.
bool AgentAnswered(const CInstanceGuard& guard)
{
    const bool silent = frmMain::IsSilent(QCoreApplication::arguments());
    return guard.Ask(silent ? CInstanceGuard::Request::Ping : CInstanceGuard::Request::ShowWindow, AgentAnswerMs);
}

// Makes this start the agent by taking the lock. Otherwise the exit code of this start: another
// agent runs (asked for its window, or named when it doesn't answer), or no lock can be had.
std::optional<int> EndUnlessAgent(CInstanceGuard& guard, const QString& lockPath)
{
    CInstanceGuard::Outcome outcome = guard.TryAcquire();
    if (outcome == CInstanceGuard::Outcome::HeldByAnother && AgentAnswered(guard))
        return 0;
    if (outcome == CInstanceGuard::Outcome::HeldByAnother)  // an agent that was ending has let go
        outcome = guard.TryAcquire();
    switch (outcome) {
    case CInstanceGuard::Outcome::Acquired: break;
    case CInstanceGuard::Outcome::HeldByAnother:
        if (!frmMain::IsSilent(QCoreApplication::arguments()))
            libForms::MsgBox(Message{QStringLiteral("An instance of Arkwell is already running."),
                                     QStringLiteral("Verification Error"), Buttons::OK, Icon::None, Answer::OK});
        return 0;
    case CInstanceGuard::Outcome::Failed:
        libForms::MsgBox(Message{QStringLiteral("Arkwell cannot lock its lock file '") + lockPath
                                     + QStringLiteral("' (") + guard.ErrorText()
                                     + QStringLiteral("), which keeps a second copy of it from running the "
                                                      "same Backup Jobs."),
                                 QStringLiteral("Arkwell"), Buttons::OK, Icon::Critical, Answer::OK});
        return 1;
    }
    return std::nullopt;
}

// Runs asked for by the command line wait for the run in progress, then run as Run now does.
void ServeCommandLine(CInstanceGuard& guard, frmSchedule& schedule)
{
    auto* commands = new AgentCommands(
        {[&schedule](const QString& name) { return schedule.Jobs().Contains(name); },
         [&schedule](const QString& name) { return !schedule.RunInProgress() && (schedule.RunJobs({name}), true); }},
        &schedule);
    QObject::connect(&guard, &CInstanceGuard::requestReceived, commands, &AgentCommands::Serve);
    QObject::connect(&schedule, &frmSchedule::jobRunEnded, commands,
                     [commands](const QString& name, RunRecord::Result result) { commands->RunEnded(name, result); });
    QObject::connect(&schedule, &frmSchedule::runFinished, commands, &AgentCommands::StartNext);
}

}  // namespace

void LoadJobList(frmSchedule& schedule)
{
    const auto [skipped, unscheduled] = schedule.Jobs().Load(JobsFolder(), RunRecordsFolder());
    if (!skipped.isEmpty())
        libForms::MsgBox(Message{QStringLiteral("These files of the jobs folder were skipped and left as they "
                                                "are:\r\n\r\n")
                                     + skipped.join(QStringLiteral("\r\n")),
                                 QStringLiteral("Backup Job Files Skipped"), Buttons::OK, Icon::Exclamation,
                                 Answer::OK});
    if (!unscheduled.isEmpty())
        libForms::MsgBox(Message{QStringLiteral("These Backup Jobs have no next run and will not run until their "
                                                "schedule is mended in the job wizard:\r\n\r\n")
                                     + unscheduled.join(QStringLiteral("\r\n")),
                                 QStringLiteral("Backup Jobs Without Next Run"), Buttons::OK, Icon::Exclamation,
                                 Answer::OK});
}

int Main(QApplication& app)
{
    return libErrorHandler::Trap("appSetup.bas", "Main()", [&] {
        CatchEndSignals();
        const bool headless = Headless();
        if (!headless)
            libForms::SetMessageBoxHandler(ShowMessageBox);

        // Jobs, preferences, logs and the lock all live in the data folder: one the user can't
        // write into is told now instead of failing at the first save.
        if (!CheckDataFolder())
            return 1;

        // One agent per data folder. A later start brings the agent's window up instead
        // (quietly nothing with "/SILENT"); a lock that can't be taken at all ends the start, since
        // two agents would run the same jobs.
        const QString lockPath = DataFile(ExeName() + QStringLiteral(".lock"));
        CInstanceGuard guard(lockPath);
        if (const std::optional<int> exitCode = EndUnlessAgent(guard, lockPath))
            return *exitCode;

        app.setQuitOnLastWindowClosed(false);
        const bool trayAvailable = !headless && libSysTrayApp::SystemTrayAvailable();
        frmSchedule schedule;
        frmMain main(schedule, trayAvailable);
        QObject::connect(&main, &frmMain::ended, &app, [] { QCoreApplication::exit(0); });
        EndOnSignals(main);
        QObject::connect(&guard, &CInstanceGuard::showWindowRequested, &main.Popup(), &frmPopup::Schedule_Click);
        ServeCommandLine(guard, schedule);

        ApplyStartAtLoginDefault();
        LoadJobList(schedule);
        LoadPreferences();
        main.Form_Load(QCoreApplication::arguments(), headless);
        if (trayAvailable)
            libSysTrayApp::SystemTrayAddIcon(main);
        main.ShowTrayStatus();
        return app.exec();
    });
}

}  // namespace appSetup
