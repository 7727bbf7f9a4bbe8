// Start-up with the windows: the single-instance guard, the job list, the tray icon, the
// message boxes and the end on SIGTERM or SIGINT.
#include "agent/appSetup.h"

#include "agent/frmMain.h"
#include "agent/libSysTrayApp.h"
#include "jobs/CBackupJob.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

using libForms::Answer;
using libForms::Buttons;
using libForms::Icon;
using libForms::Message;

namespace appSetup {
namespace {

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

QString Quoted(const QString& text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

}  // namespace

void LoadJobList(frmSchedule& schedule)
{
    QStringList skipped;
    QStringList unscheduled;
    const QDir folder(JobsFolder());
    for (const QString& fileName : folder.entryList(QDir::Files, QDir::Name)) {
        const QString path = JobsFolder() + fileName;
        CBackupJob job;
        if (const std::optional<QString> why = job.TryOpenBackupJob(path)) {
            skipped << Quoted(path) + QStringLiteral(": ") + *why;
            continue;
        }
        if (const QTreeWidgetItem* listed = schedule.FindItemByKey(QLatin1Char('_') + job.JobName())) {
            skipped << Quoted(path) + QStringLiteral(": the Backup Job name ") + Quoted(job.JobName())
                           + QStringLiteral(" is already used by ") + Quoted(frmSchedule::RowJobFile(listed));
            continue;
        }
        const std::optional<QDate> next = job.DateNextRun();
        schedule.AddItemListView(job.JobName(), job.DateLastRun(), next, job.StartTime(), job.Compress(), path);
        if (!next) {
            unscheduled << Quoted(job.JobName());
            job.LogNoNextRun();
        }
    }
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

        // One instance per data folder; the lock of a process that died is taken over.
        // A lock that can't be made at all ends the start too: two agents would run the same jobs.
        const QString lockPath = DataFile(ExeName() + QStringLiteral(".lock"));
        QLockFile instanceLock(lockPath);
        instanceLock.setStaleLockTime(0);
        if (!instanceLock.tryLock(0)) {
            if (instanceLock.error() == QLockFile::LockFailedError) {
                libForms::MsgBox(Message{QStringLiteral("An instance of Arkwell is already running."),
                                         QStringLiteral("Verification Error"), Buttons::OK, Icon::None, Answer::OK});
                return 0;
            }
            libForms::MsgBox(Message{QStringLiteral("Arkwell cannot create its lock file '") + lockPath
                                         + QStringLiteral("', which keeps a second copy of it from running the "
                                                          "same Backup Jobs."),
                                     QStringLiteral("Arkwell"), Buttons::OK, Icon::Critical, Answer::OK});
            return 1;
        }

        app.setQuitOnLastWindowClosed(false);
        const bool trayAvailable = !headless && QSystemTrayIcon::isSystemTrayAvailable();
        frmSchedule schedule;
        frmMain main(schedule, trayAvailable);
        QObject::connect(&main, &frmMain::ended, &app, [] { QCoreApplication::exit(0); });
        EndOnSignals(main);

        ApplyStartAtLoginDefault();
        LoadJobList(schedule);
        LoadPreferences();
        main.Form_Load(QCoreApplication::arguments(), headless);
        if (trayAvailable)
            libSysTrayApp::SystemTrayAddIcon(main);
        return app.exec();
    });
}

}  // namespace appSetup
