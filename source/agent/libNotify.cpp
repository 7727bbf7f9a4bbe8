#include "agent/libNotify.h"

#include "lib/appSetup.h"
#include "lib/Clock.h"
#include "lib/libFiles.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHash>
#include <QLocale>
#include <QSet>

namespace libNotify {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// A service that does not answer within this many milliseconds is given up on.
constexpr int ReplyTimeout = 5000;

// The program's icon: its picture beside the executable when there is one, else the name
// the installed desktop entry gives it.
QString IconName()
{
    const QString picture = appSetup::AppFile(QStringLiteral("icons/arkwell.svg"));
    return libFiles::FileExists(picture) ? picture : QStringLiteral("arkwell");
}

// Sends over the session bus without waiting for the answer, and turns a click on one of its
// notifications into Events().clicked.
class BusSender final : public QObject, public Sender {
    Q_OBJECT
public:
    explicit BusSender(QObject* parent)
        : QObject(parent)
    {
        QDBusConnection::sessionBus().connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                                              SLOT(actionInvoked(uint, QString)));
    }

    void send(const Notification& notification) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
        const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))},
                                {QStringLiteral("desktop-entry"), QStringLiteral("arkwell")}};
        call << QStringLiteral("Arkwell") << uint(0) << IconName() << notification.summary << notification.body
             << QStringList{QStringLiteral("default"), QStringLiteral("Show the backup jobs")} << hints << int(-1);
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, ReplyTimeout), this);
        ++m_unanswered;
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
            const QDBusPendingReply<uint> reply = *answered;
            answered->deleteLater();
            --m_unanswered;
            if (reply.isValid() && m_clickedBeforeReply.remove(reply.value()))
                emit Events().clicked();
            else if (reply.isValid())
                m_ours.insert(reply.value());
            // With every answer in, the clicks still kept were on other programs' notifications.
            if (m_unanswered == 0)
                m_clickedBeforeReply.clear();
        });
    }

private slots:
    // A click can reach us before the answer that tells the notification's number does.
    void actionInvoked(uint id, const QString& actionKey)
    {
        if (actionKey != QLatin1String("default"))
            return;
        if (m_ours.contains(id))
            emit Events().clicked();
        else if (m_unanswered > 0)
            m_clickedBeforeReply.insert(id);
    }

private:
    QSet<uint> m_ours;
    QSet<uint> m_clickedBeforeReply;
    int m_unanswered = 0;  // notifications sent whose number has not come yet
};

Sender* installedSender = nullptr;

void Send(const Notification& notification)
{
    if (installedSender) {
        installedSender->send(notification);
        return;
    }
    // Made at the first notification and kept while the application lives, so that it
    // hears the clicks on what it sent.
    static auto* busSender = new BusSender(QCoreApplication::instance());
    busSender->send(notification);
}

}  // namespace

void SetSender(Sender* sender)
{
    installedSender = sender;
}

void ScheduledRunEnded(const QString& jobName, RunRecord::Result result, const QString& firstReason)
{
    if (result != RunRecord::Result::Failed && result != RunRecord::Result::Incomplete)
        return;
    Send({QStringLiteral("Backup Job '%1' %2").arg(jobName, result == RunRecord::Result::Failed
                                                                ? QStringLiteral("failed")
                                                                : QStringLiteral("was incomplete")),
          firstReason.isEmpty() ? QStringLiteral("See the transaction log for details.") : firstReason});
}

bool JobOverdue(const QString& jobName, const QDateTime& lastCompleted)
{
    static QHash<QString, QDate> toldOn;  // the day each job was last told overdue
    const QDateTime now = Clock::Now();
    if (toldOn.value(jobName) == now.date())
        return false;
    toldOn.insert(jobName, now.date());
    Send({QStringLiteral("Backup Job '%1' is overdue").arg(jobName),
          lastCompleted.isValid() ? QStringLiteral("It has not completed a run since %1.")
                                        .arg(QLocale::system().toString(lastCompleted, QLocale::ShortFormat))
                                  : QStringLiteral("It has never completed a run.")});
    return true;
}

void JobWaiting(const QString& jobName, const QString& drive)
{
    Send({QStringLiteral("Backup Job '%1' waits for '%2' to be connected").arg(jobName, drive),
          QStringLiteral("It runs as soon as its target is back.")});
}

Clicks& Events()
{
    static Clicks events;
    return events;
}

}  // namespace libNotify

#include "libNotify.moc"
