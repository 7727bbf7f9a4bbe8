#include "cli/InstanceGuard.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray PingRequest = "ping\n";
const QByteArray Answer = "yes\n";
// A request is one line (the command line's name a job); a peer that sends more is not one of ours.
constexpr qint64 LongestLine = 4096;
constexpr int ConnectRetryMs = 200;

// An abstract socket has no file permissions: every local user could reach it. Only a peer
// of this same user is answered, and only such an agent is asked.
bool peerIsThisUser(const QLocalSocket& socket)
{
    ucred peer = {};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0
           && peer.uid == ::getuid();
}

// Opens the lock file to be locked: a plain file only, never followed when it is a link. Read
// access is enough for a kernel lock, so a read-only file of the user's still serves. -1 (errno
// set) when it can't serve.
int openLockFile(const QByteArray& path)
{
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info = {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace

InstanceGuard::InstanceGuard(QString lockPath, QObject* parent)
    : QObject(parent), m_lockPath(std::move(lockPath))
{
}

InstanceGuard::~InstanceGuard()
{
    // Closing the file drops the lock. The file itself stays: removing it could let a start
    // lock a new file while another start still holds the old one.
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

// An abstract socket name (no file, gone with its process) for this user and this lock file.
// A name starting with "/" is taken as it stands, whatever the temporary folder.
QString InstanceGuard::socketName(const QString& lockPath)
{
    const QByteArray where = QFileInfo(lockPath).absoluteFilePath().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(where, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("/arkwell-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

Result<InstanceGuard::Outcome> InstanceGuard::tryAcquire()
{
    const QByteArray path = QFile::encodeName(m_lockPath);
    int fd = openLockFile(path);
    if (fd < 0) {
        const std::optional<Result<Outcome>> repaired = replaceUnusable(path, fd);
        if (repaired)
            return *repaired;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Outcome::HeldByAnother;
        return Failure{QString::fromLocal8Bit(std::strerror(err))};
    }
    m_lockFd = fd;
    // The process number, for a person who looks; the program never reads it back.
    const QByteArray pid = QByteArray::number(::getpid()) + '\n';
    if (::ftruncate(fd, 0) == 0)
        [[maybe_unused]] const ssize_t written = ::write(fd, pid.constData(), pid.size());
    listen();
    return Outcome::Acquired;
}

// The lock file can't be opened, or is no plain file (a folder, a link, a file of another user
// left by a start as root): it is renamed aside, kept for a person to look at, and a new one is
// made (its descriptor in `fd`). Starts that meet it at once take turns through a kernel lock
// on the folder; one that finds the folder locked meets a start that is replacing the file or
// an agent holding the folder itself, since a folder that can take no new lock file (read-only)
// is locked instead, for as long as the agent lives. Nothing when `fd` is ready to be locked.
std::optional<Result<InstanceGuard::Outcome>> InstanceGuard::replaceUnusable(const QByteArray& path, int& fd)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(m_lockPath).absolutePath());
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return Failure{QString::fromLocal8Bit(std::strerror(errno))};
    if (::flock(folderFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(folderFd);
        return Outcome::HeldByAnother;
    }
    fd = openLockFile(path);  // looked at again in our turn: another start may have replaced it
    if (fd >= 0) {
        ::close(folderFd);
        return std::nullopt;
    }
    const int whyUnusable = errno;
    const QByteArray aside =
        path + ".set-aside-" + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz")).toLatin1();
    if (::rename(path.constData(), aside.constData()) == 0 || errno == ENOENT)
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {  // the folder takes no new file: its own lock stands for the lock file
        m_folderFd = folderFd;
        listen();
        return Outcome::Acquired;
    }
    ::close(folderFd);
    if (QFileInfo::exists(QFile::decodeName(aside)) || QFileInfo(QFile::decodeName(aside)).isSymLink())
        std::fprintf(stderr, "Arkwell: the lock file '%s' could not be used (%s) and was set aside as '%s'.\n",
                     path.constData(), std::strerror(whyUnusable), aside.constData());
    return std::nullopt;
}

// Without a listening socket the agent still runs; a later start then only says that it runs.
void InstanceGuard::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceGuard::answerRequests);
    m_server->listen(socketName(m_lockPath));
}

void InstanceGuard::answerRequests()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (!peerIsThisUser(*peer)) {
            peer->abort();
            continue;
        }
        const auto readRequest = [this, peer] {
            if (!peer->canReadLine()) {
                if (peer->bytesAvailable() > LongestLine)
                    peer->abort();
                return;
            }
            const QByteArray request = peer->readLine(LongestLine + 1);
            if (request != ShowRequest && request != PingRequest) {
                disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
                emit requestReceived(request, peer);
                return;
            }
            if (request == ShowRequest)
                emit showWindowRequested();
            peer->write(Answer);
            peer->disconnectFromServer();
        };
        connect(peer, &QLocalSocket::readyRead, this, readRequest);
        readRequest();
    }
}

// Asked by a starting program before its own event loop runs, and always of another process:
// the socket's waits block this thread up to the deadline, and no events are processed meanwhile.
bool InstanceGuard::ask(Request request, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    const QString name = socketName(m_lockPath);
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    // The agent may be between taking its lock and listening: try again until the deadline.
    for (;;) {
        socket.connectToServer(name);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.remainingTime() <= ConnectRetryMs)
            return false;
        QThread::msleep(ConnectRetryMs);
    }
    if (!peerIsThisUser(socket))
        return false;
    socket.write(request == Request::ShowWindow ? ShowRequest : PingRequest);
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    while (!socket.canReadLine())
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    return socket.readLine(LongestLine + 1) == Answer;
}
