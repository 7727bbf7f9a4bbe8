#include "lib/Shell32.h"

#include "lib/libErrorHandler.h"

#include <QEventLoop>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <utility>

namespace Shell32 {
namespace {

constexpr int KillAfterMilliseconds = 2000;
// How often the output of a waited program is looked at: seldom enough to cost next to nothing.
constexpr int ReadOutputMilliseconds = 500;

// The program ShellAndClose waits for (one at a time: the wait is on the one user thread).
QProcess* waitedProcess = nullptr;

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
        if (!run.workingDirectory.isEmpty())
            process.setWorkingDirectory(run.workingDirectory);
        // Output nobody wants goes straight to the null device; wanted output goes to a
        // temporary file read at the end, which costs no wake-up per line the child writes.
        // Either way a full pipe can never stall the child.
        process.setStandardErrorFile(QProcess::nullDevice());
        QTemporaryFile outputFile;
        if (run.output && outputFile.open())
            process.setStandardOutputFile(outputFile.fileName());
        else
            process.setStandardOutputFile(QProcess::nullDevice());

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
        // The output file is read by its own position, so the child's writes are never disturbed.
        qint64 passedOn = 0;
        const auto passOnNewLines = [&](bool ended) {
            if (!outputFile.isOpen() || !run.newOutputLines || !outputFile.seek(passedOn))
                return;
            const QByteArray fresh = outputFile.readAll();
            const qsizetype whole = ended ? fresh.size() : fresh.lastIndexOf('\n') + 1;
            passedOn += whole;
            if (whole > 0)
                run.newOutputLines(fresh.left(whole));
        };
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&passOnNewLines] { passOnNewLines(false); });
        if (run.output && run.newOutputLines)
            reader.start(ReadOutputMilliseconds);
        process.start(run.program, run.arguments);
        if (!startFailed) {  // a start can fail before start() returns: then nothing would end the loop
            QProcess* const outer = std::exchange(waitedProcess, &process);
            loop.exec();
            waitedProcess = outer;
        }
        reader.stop();
        passOnNewLines(true);
        if (run.output && outputFile.seek(0))
            *run.output = outputFile.readAll();
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

void TerminateWaitedProgram()
{
    if (!waitedProcess)
        return;
    waitedProcess->terminate();
    QProcess* const process = waitedProcess;
    QTimer::singleShot(KillAfterMilliseconds, process, [process] { process->kill(); });
}

void SetLauncher(Launcher* launcher)
{
    installedLauncher = launcher;
}

}  // namespace Shell32
