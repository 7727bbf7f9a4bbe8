// A stand-in for the desktop's notification service: it owns the service's name on the
// session bus and appends each notification it is sent to a file, one line each:
// application name, summary and body, separated by tabs. With --click it answers every
// notification that offers a default action with a click on it, as a user would.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class NotificationService : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    NotificationService(QObject* parent, QString recordFile, bool click)
        : QDBusAbstractAdaptor(parent), m_record(std::move(recordFile)), m_click(click)
    {
    }

public slots:
    uint Notify(const QString& appName, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int)
    {
        QFile record(m_record);
        if (record.open(QIODevice::WriteOnly | QIODevice::Append))
            record.write((appName + u'\t' + summary + u'\t' + body + u'\n').toUtf8());
        const uint id = ++m_lastId;
        if (m_click && actions.contains(QStringLiteral("default")))  // after the reply has gone
            QTimer::singleShot(0, this, [this, id] { emit ActionInvoked(id, QStringLiteral("default")); });
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

signals:
    void ActionInvoked(uint id, const QString& actionKey);

private:
    QString m_record;
    bool m_click;
    uint m_lastId = 0;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: %s RECORD-FILE [--click]\n", argv[0]);
        return 2;
    }
    QObject root;
    new NotificationService(&root, arguments[1], arguments.contains(QStringLiteral("--click")));
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
