// A stand-in for the desktop's notification service: it owns the service's name on the
// session bus, says "ready" on standard output once it does, and then writes each
// notification it is sent there, one line each: application name, summary and body,
// separated by tabs, and "closed <number>" for each notification it is asked to close. With --click it answers every
// notification that offers a default action with a click on it, as a user would.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class NotificationService : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    NotificationService(QObject* parent, bool click)
        : QDBusAbstractAdaptor(parent), m_click(click)
    {
    }

public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        std::puts((appName + u'\t' + summary + u'\t' + body).toUtf8().constData());
        std::fflush(stdout);
        const uint id = ++m_lastId;
        if (m_click && actions.contains(QStringLiteral("default")))  // after the reply has gone
            QTimer::singleShot(0, this, [this, id] { emit ActionInvoked(id, QStringLiteral("default")); });
        return id;
    }

    void CloseNotification(uint id)
    {
        std::printf("closed %u\n", id);
        std::fflush(stdout);
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);

private:
    bool m_click;
    uint m_lastId = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QObject root;
    new NotificationService(&root, app.arguments().contains(QStringLiteral("--click")));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &root)
        || !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "the notification service's name is taken or there is no session bus\n");
        return 1;
    }
    std::puts("ready");  // the name is ours from here on
    std::fflush(stdout);
    return app.exec();
}

#include "NotificationService.moc"
