#include "lib/ChildProcess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>
#include <utility>

namespace ChildProcess {
namespace {

constexpr int KillAfterMilliseconds = 2000;
// How often the waiting thread wakes to look at the stop flag.
constexpr int StopLookMilliseconds = 100;
// How often the output of a waited program is passed on: seldom enough to cost next to nothing.
constexpr int ReadOutputMilliseconds = 500;

QProcessEnvironment environmentOf(const ProgramRun& run)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : run.environment) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        environment.insert(pair.left(equals), pair.mid(equals + 1));
    }
    return environment;
}

// Passes on the whole lines the child has written to its output file since the last call,
// read by the file's own position so the child's writes are never disturbed.
class OutputReader {
public:
    OutputReader(QTemporaryFile& file, const ProgramRun& run) : m_file(file), m_run(run) {}
    void passOn(bool ended)
    {
        if (!m_file.isOpen() || !m_run.newOutputLines || !m_file.seek(m_passedOn))
            return;
        const QByteArray fresh = m_file.readAll();
        const qsizetype whole = ended ? fresh.size() : fresh.lastIndexOf('\n') + 1;
        m_passedOn += whole;
        if (whole > 0)
            m_run.newOutputLines(fresh.left(whole));
    }

private:
    QTemporaryFile& m_file;
    const ProgramRun& m_run;
    qint64 m_passedOn = 0;
};

// Waits for the child in short slices, passing its output on now and then and ending it when
// the stop flag is raised.
void waitFor(QProcess& process, const ProgramRun& run, OutputReader& reader)
{
    QElapsedTimer sinceRead;
    sinceRead.start();
    QElapsedTimer sinceStop;
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(StopLookMilliseconds)) {
        if (run.stop && *run.stop && !sinceStop.isValid()) {
            process.terminate();
            sinceStop.start();
        } else if (sinceStop.isValid() && sinceStop.elapsed() > KillAfterMilliseconds) {
            process.kill();
        }
        if (sinceRead.elapsed() >= ReadOutputMilliseconds) {
            reader.passOn(false);
            sinceRead.restart();
        }
    }
}

class ProcessLauncher final : public Launcher {
public:
    qint32 run(const ProgramRun& run) override
    {
        QProcess process;
        process.setProcessEnvironment(environmentOf(run));
        if (!run.workingDirectory.isEmpty())
            process.setWorkingDirectory(run.workingDirectory);
        // Output nobody wants goes straight to the null device; wanted output goes to a
        // temporary file read now and then, which costs no wake-up per line the child writes.
        // Either way a full pipe can never stall the child.
        process.setStandardErrorFile(QProcess::nullDevice());
        QTemporaryFile outputFile;
        if (run.output && outputFile.open())
            process.setStandardOutputFile(outputFile.fileName());
        else
            process.setStandardOutputFile(QProcess::nullDevice());
        process.start(run.program, run.arguments);
        if (!process.waitForStarted(-1))
            return NotStarted;
        // Standard input is written as the child takes it, while it is waited for.
        process.write(run.standardInput);
        process.closeWriteChannel();
        OutputReader reader(outputFile, run);
        waitFor(process, run, reader);
        reader.passOn(true);
        if (run.output && outputFile.seek(0))
            *run.output = outputFile.readAll();
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

qint32 runAndWait(const ProgramRun& run)
{
    return launcher().run(run);
}

qint32 runAndWaitForReal(const ProgramRun& run)
{
    return processLauncher.run(run);
}

bool startDetached(const QString& program, const QStringList& arguments)
{
    return launcher().startDetached(program, arguments);
}

void startWatched(const QString& program, const QStringList& arguments, std::function<void()> failed)
{
    launcher().startWatched(program, arguments, std::move(failed));
}

void setLauncher(Launcher* launcher)
{
    installedLauncher = launcher;
}

}  // namespace ChildProcess
