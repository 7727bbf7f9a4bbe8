#pragma once
// One agent per application folder: a kernel lock on its lock file says which process is the
// agent, and a local socket lets a later start ask that agent to show its job list window (or
// whether it is alive). The kernel drops the lock when its process ends, however it ends, so a
// killed agent or a damaged lock file never blocks a start; the file's content is never read.
// A lock file that can't serve at all (a folder, a link, a file the user can't open) is set
// aside and replaced: only a living agent blocks a start.

#include "lib/Result.h"

#include <QLocalSocket>
#include <QObject>
#include <QString>

#include <optional>

class QLocalServer;

class InstanceGuard : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Acquired, HeldByAnother };
    // What a later start asks of the agent: to show its window, or only whether it is alive.
    enum class Request { ShowWindow, Ping };

    explicit InstanceGuard(QString lockPath, QObject* parent = nullptr);
    ~InstanceGuard() override;

    // Takes the lock and, with it, starts listening for later starts. A lock file that can't
    // be opened or is no plain file is set aside and replaced. Fails when not even the lock
    // file's folder can be opened.
    Result<Outcome> tryAcquire();

    // A later start: asks the agent that holds the lock, another process, and blocks until it
    // has answered. False when no answer came within `timeoutMs`.
    bool ask(Request request, int timeoutMs) const;

    // The agent's socket for the lock file `lockPath`.
    static QString socketName(const QString& lockPath);

signals:
    // A later start asked for the job list window.
    void showWindowRequested();
    // A request other than those above (the command line's): whoever takes it answers and
    // closes `peer`.
    void requestReceived(const QByteArray& request, QLocalSocket* peer);

private:
    void listen();
    void answerRequests();
    std::optional<Result<Outcome>> replaceUnusable(const QByteArray& path, int& fd);

    QString m_lockPath;
    int m_lockFd = -1;
    int m_folderFd = -1;  // the folder's own lock, where it can take no lock file
    QLocalServer* m_server = nullptr;
};
