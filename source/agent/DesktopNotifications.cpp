#include "agent/DesktopNotifications.h"

#include "lib/AppPaths.h"
#include "lib/Errors.h"
#include "lib/Files.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace DesktopNotifications {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// A service that does not answer within this many milliseconds is given up on.
constexpr int ReplyTimeout = 5000;

// The program's icon: its picture beside the executable when there is one, else the name
// the installed desktop entry gives it.
QString iconName()
{
    const QString picture = AppPaths::appFile(QStringLiteral("icons/arkwell.svg"));
    return Files::fileExists(picture) ? picture : QStringLiteral("arkwell");
}

// Speaks to the session bus from a thread of its own: connecting to a bus, and some of Qt's
// calls on it, wait for the bus's answer, and a bus that accepts and never answers must cost
// the agent no run and no signal. Calls are made without waiting for their answer (which is
// given up on after ReplyTimeout); a click on one of the program's notifications becomes
// events().clicked (delivered to the listeners' own thread). The number the service gives a
// notification of failed runs is kept, so that it can be closed once its jobs have completed.
class BusSender final : public QObject, public Sender {
    Q_OBJECT
public:
    void send(const Notification& notification) override
    {
        QMetaObject::invokeMethod(
            this, [this, notification] { deliver(notification); }, Qt::QueuedConnection);
    }
    void withdraw(const QString& jobName) override
    {
        QMetaObject::invokeMethod(
            this, [this, jobName] { forget(jobName); }, Qt::QueuedConnection);
    }

private slots:
    // A click can reach us before the answer that tells the notification's number does.
    void actionInvoked(uint id, const QString& actionKey)
    {
        if (actionKey != QLatin1String("default"))
            return;
        if (m_ours.contains(id))
            emit events().clicked();
        else if (m_unanswered > 0)
            m_clickedBeforeReply.insert(id);
    }

private:
    void deliver(const Notification& notification)
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        if (!std::exchange(m_listening, true))
            bus.connect(
                Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))},
            {QStringLiteral("desktop-entry"), QStringLiteral("arkwell")}};
        call << QStringLiteral("Arkwell") << uint(0) << iconName() << notification.summary << notification.body
             << QStringList{QStringLiteral("default"), QStringLiteral("Show the backup jobs")} << hints << int(-1);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, ReplyTimeout), this);
        ++m_unanswered;
        const quint64 sent = ++m_sent;
        for (const QString& job : notification.failedJobs)
            m_failures[job] << Failure{sent, 0};
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, sent](QDBusPendingCallWatcher* answered) {
            const QDBusPendingReply<uint> reply = *answered;
            answered->deleteLater();
            --m_unanswered;
            if (reply.isValid())
                numbered(sent, reply.value());
            else
                unanswered(sent);
            // With every answer in, the clicks still kept were on other programs' notifications.
            if (m_unanswered == 0)
                m_clickedBeforeReply.clear();
        });
    }

    // The service's number for the notification sent as `sent` has come.
    void numbered(quint64 sent, uint id)
    {
        if (m_clickedBeforeReply.remove(id))
            emit events().clicked();
        else
            m_ours.insert(id);
        bool stillTold = false;
        for (QList<Failure>& failures : m_failures)
            for (Failure& failure : failures)
                if (failure.sent == sent) {
                    failure.id = id;
                    stillTold = true;
                }
        if (m_withdrawnBeforeReply.remove(sent) && !stillTold)
            close(id);
    }

    // No number came (no service, or none in time): there is nothing to close later.
    void unanswered(quint64 sent)
    {
        for (QList<Failure>& failures : m_failures)
            failures.removeIf([sent](const Failure& failure) { return failure.sent == sent; });
        m_failures.removeIf([](const auto& entry) { return entry.value().isEmpty(); });
        m_withdrawnBeforeReply.remove(sent);
    }

    // The job completed: each notification of failures that named it is closed once no job it
    // named is still failing.
    void forget(const QString& jobName)
    {
        for (const Failure& failure : m_failures.take(jobName)) {
            const bool stillTold
                = std::any_of(m_failures.cbegin(), m_failures.cend(), [&](const QList<Failure>& other) {
                      return std::any_of(
                          other.cbegin(), other.cend(), [&](const Failure& f) { return f.sent == failure.sent; });
                  });
            if (stillTold)
                continue;
            if (failure.id != 0)
                close(failure.id);
            else
                m_withdrawnBeforeReply.insert(failure.sent);
        }
    }

    void close(uint id)
    {
        QDBusMessage call
            = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("CloseNotification"));
        call << id;
        auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, ReplyTimeout), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
        m_ours.remove(id);
    }

    // A notification of failed runs: which one it was, and the service's number once known.
    struct Failure {
        quint64 sent = 0;
        uint id = 0;
    };

    bool m_listening = false;
    QSet<uint> m_ours;
    QSet<uint> m_clickedBeforeReply;
    int m_unanswered = 0; // notifications sent whose number has not come yet
    quint64 m_sent = 0; // notifications sent so far
    QHash<QString, QList<Failure>> m_failures; // by job: the notifications telling its failure
    QSet<quint64> m_withdrawnBeforeReply;
};

// The bus thread and its sender, made at the first notification.
QThread* busThread = nullptr;
BusSender* busSender = nullptr;

Sender* installedSender = nullptr;

// The installed sender, else the session bus's, made at the first notification.
Sender& sender()
{
    if (installedSender)
        return *installedSender;
    // Kept until the program ends, so that it hears the clicks on what it sent.
    if (!busThread) {
        busThread = new QThread;
        busThread->setObjectName(QStringLiteral("session bus"));
        busSender = new BusSender;
        busSender->moveToThread(busThread);
        QObject::connect(busThread, &QThread::finished, busSender, &QObject::deleteLater);
        busThread->start();
    }
    return *busSender;
}

void tell(const Notification& notification)
{
    sender().send(notification);
}

} // namespace

void setSender(Sender* sender)
{
    installedSender = sender;
}

void scheduledRunEnded(const QString& jobName, RunRecord::Result result, const QString& firstReason)
{
    if (result != RunRecord::Result::Failed && result != RunRecord::Result::Incomplete)
        return;
    tell({QStringLiteral("Backup Job '%1' %2")
              .arg(jobName,
                  result == RunRecord::Result::Failed ? QStringLiteral("failed") : QStringLiteral("was incomplete")),
        firstReason.isEmpty() ? QStringLiteral("See the transaction log for details.") : firstReason, {jobName}});
}

void scheduledRunsFailed(const QStringList& jobNames)
{
    tell({QStringLiteral("%1 Backup Jobs failed or were incomplete").arg(jobNames.size()),
        jobNames.join(QStringLiteral(", ")) + QStringLiteral(". See the transaction log for details."), jobNames});
}

void ownFilesNotWritten(const QString& details)
{
    tell({Errors::OwnFilesSummary, details, {}});
}

void runCompleted(const QString& jobName)
{
    if (installedSender || busSender) // nothing was told on a bus not spoken to yet
        sender().withdraw(jobName);
}

void jobOverdue(const QString& jobName, const QDateTime& lastCompleted)
{
    tell({QStringLiteral("Backup Job '%1' is overdue").arg(jobName),
        lastCompleted.isValid() ? QStringLiteral("It has not completed a run since %1.")
                                      .arg(QLocale::system().toString(lastCompleted, QLocale::ShortFormat))
                                : QStringLiteral("It has never completed a run."),
        {}});
}

void jobWaiting(const QString& jobName, const QString& drive)
{
    tell({QStringLiteral("Backup Job '%1' waits for '%2' to be connected").arg(jobName, drive),
        QStringLiteral("It runs as soon as its target is back."), {}});
}

namespace {

// The socket of one "unix:" entry of a bus address ("unix:path=/run/bus" or "unix:abstract=x").
struct UnixSocket {
    sockaddr_un address = {};
    socklen_t size = 0;
};
std::optional<UnixSocket> unixSocketOf(const QByteArray& entry)
{
    if (!entry.startsWith("unix:"))
        return std::nullopt;
    for (const QByteArray& pair : entry.mid(5).split(',')) {
        const bool abstract = pair.startsWith("abstract=");
        if (!abstract && !pair.startsWith("path="))
            continue;
        const QByteArray name = QByteArray::fromPercentEncoding(pair.mid(pair.indexOf('=') + 1));
        UnixSocket socket;
        socket.address.sun_family = AF_UNIX;
        if (name.size() + 1 > qsizetype(sizeof socket.address.sun_path))
            return std::nullopt;
        // An abstract name starts with a zero byte and has no end mark.
        std::memcpy(socket.address.sun_path + (abstract ? 1 : 0), name.constData(), name.size());
        socket.size = socklen_t(offsetof(sockaddr_un, sun_path) + name.size() + 1);
        return socket;
    }
    return std::nullopt;
}

} // namespace

bool sessionBusAnswers(int timeoutMs)
{
    for (const QByteArray& entry : qgetenv("DBUS_SESSION_BUS_ADDRESS").split(';')) {
        const std::optional<UnixSocket> bus = unixSocketOf(entry);
        if (!bus)
            continue;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&bus->address), bus->size) != 0) {
            if (fd >= 0)
                ::close(fd);
            continue; // refused at once: the bus library will find the same, just as quickly
        }
        // The first words of the bus's own greeting: a byte, then a request to be known.
        const QByteArray hello
            = QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
        pollfd answer = {fd, POLLIN, 0};
        const bool answered = ::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) == hello.size()
            && ::poll(&answer, 1, timeoutMs) == 1;
        ::close(fd);
        return answered;
    }
    return true;
}

void avoidSessionBus()
{
    std::fprintf(stderr, "Arkwell: the session bus at '%s' does not answer; desktop notifications are off.\n",
        qgetenv("DBUS_SESSION_BUS_ADDRESS").constData());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/arkwell-avoids-a-bus-that-does-not-answer");
}

bool finish(int waitMs)
{
    if (!busThread)
        return true;
    busThread->quit();
    if (!busThread->wait(waitMs))
        return false; // held by the bus: left as it is, the process ends without it
    delete busThread;
    busThread = nullptr;
    busSender = nullptr;
    return true;
}

Clicks& events()
{
    static Clicks events;
    return events;
}

} // namespace DesktopNotifications

#include "DesktopNotifications.moc"
