#include "lib/Shell32.h"

#include "lib/libErrorHandler.h"

#include <QEventLoop>
#include <QProcess>

namespace Shell32 {
namespace {

class ProcessLauncher final : public Launcher {
public:
    qint32 run(const ProgramRun& run) override
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& pair : run.environment) {
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            environment.insert(pair.left(equals), pair.mid(equals + 1));
        }
        process.setProcessEnvironment(environment);
        // Nobody reads the child's output: it goes straight to the null device, so a full
        // pipe can never stall the child and no time is spent passing it on.
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());

        // One nested loop waits for the start and the end alike: windows stay live, nothing
        // blocks. Standard input is written as the child takes it.
        QEventLoop loop;
        bool startFailed = false;
        QObject::connect(&process, &QProcess::started, &process, [&process, &run] {
            process.write(run.standardInput);
            process.closeWriteChannel();
        });
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop, &startFailed](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                startFailed = true;
                loop.quit();
            }
        });
        process.start(run.program, run.arguments);
        if (!startFailed)  // a start can fail before start() returns: then nothing would end the loop
            loop.exec();
        if (startFailed)
            return NotStarted;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : EndedAbnormally;
    }

    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }

    void startWatched(const QString& program, const QStringList& arguments, std::function<void()> failed) override
    {
        // The process object lives until the program ends; what the program says goes to
        // our own standard error, where a desktop opener's reason can be read.
        auto* process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setStandardInputFile(QProcess::nullDevice());
        const auto ended = [process, failed](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0)
                failed();
            process->deleteLater();
        };
        QObject::connect(process, &QProcess::finished, process, ended);
        QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                failed();
                process->deleteLater();
            }
        });
        process->start(program, arguments);
    }
};

ProcessLauncher processLauncher;
Launcher* installedLauncher = nullptr;

Launcher& launcher()
{
    return installedLauncher ? *installedLauncher : processLauncher;
}

}  // namespace

qint32 ShellAndClose(const ProgramRun& run, int /*windowStyle*/)
{
    return libErrorHandler::Trap("Shell32.bas", "ShellAndClose()", [&] { return launcher().run(run); });
}

bool StartDetached(const QString& program, const QStringList& arguments)
{
    return launcher().startDetached(program, arguments);
}

void StartWatched(const QString& program, const QStringList& arguments, std::function<void()> failed)
{
    launcher().startWatched(program, arguments, std::move(failed));
}

void OpenWithDesktop(const QString& path, std::function<void()> failed)
{
    StartWatched(QStringLiteral("xdg-open"), {path}, std::move(failed));
}

void SetLauncher(Launcher* launcher)
{
    installedLauncher = launcher;
}

}  // namespace Shell32
