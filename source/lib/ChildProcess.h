#pragma once
// Starting other programs: waited for on the caller's thread (zip, on the job runner's worker
// thread), or handed over for good (the desktop's viewer).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace ChildProcess {

// One program to run: an argument list (no shell, so no quoting rules), extra environment
// variables for the child only, and text for its standard input.
struct ProgramRun {
    QString program;
    QStringList arguments;
    QStringList environment;  // "NAME=value" pairs added to the child's environment
    QByteArray standardInput;
    QString workingDirectory;  // empty: the program's own
    QByteArray* output = nullptr;  // when set, receives the child's standard output
    // With `output` set: given the whole lines the child has written since the last call,
    // every half second while it runs and once when it has ended.
    std::function<void(const QByteArray& lines)> newOutputLines = nullptr;
    // When set and raised while the child runs, the child is asked to end (SIGTERM) and killed
    // when it is still running two seconds later.
    const std::atomic<bool>* stop = nullptr;
};

// Added to a start failure's number so that it can't be taken for an exit code.
constexpr qint32 StartFailureBase = qint32(0x80040000u);
// What runAndWait gives for a program that could not be started, and for one that ended
// abnormally (killed by a signal).
constexpr qint32 NotStarted = StartFailureBase + 53;
constexpr qint32 EndedAbnormally = StartFailureBase + 9;

// Starts the program and blocks the calling thread until it ends (no event is processed, so
// call it off the user-interface thread), and returns its exit code; a program that can't be
// started gives a large negative number at once. Its output goes to `run.output`, or to the
// null device, so it never stalls on a full pipe.
qint32 runAndWait(const ProgramRun& run);

// Starts a program and does not wait for it. False when it can't be started.
bool startDetached(const QString& program, const QStringList& arguments);

// Starts a program without waiting for it, and runs `failed` later (events go on meanwhile)
// when it can't be started or ends unsuccessfully: how a desktop opener tells that it found
// no program for a file.
void startWatched(const QString& program, const QStringList& arguments, std::function<void()> failed);

// The launcher seam: tests install one that records what would be started.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual qint32 run(const ProgramRun& run) = 0;
    virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
    // By default a watched start is a detached one whose start is all there is to judge.
    virtual void startWatched(const QString& program, const QStringList& arguments, std::function<void()> failed)
    {
        if (!startDetached(program, arguments))
            failed();
    }
};
void setLauncher(Launcher* launcher);  // not owned; nullptr restores the real one
// runAndWait of the real launcher, for a seam that passes a run on to it.
qint32 runAndWaitForReal(const ProgramRun& run);

}  // namespace ChildProcess
