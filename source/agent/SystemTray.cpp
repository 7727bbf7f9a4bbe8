#include "agent/SystemTray.h"

#include "agent/TrayAgent.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace SystemTray {
namespace {

QPointer<QSystemTrayIcon>& trayIcon()
{
    static QPointer<QSystemTrayIcon> icon;
    return icon;
}

std::function<bool()>& trayProbe()
{
    static std::function<bool()> probe;
    return probe;
}

}  // namespace

void addIcon(TrayAgent& agent)
{
    auto* icon = new QSystemTrayIcon(agent.windowIcon(), &agent);
    icon->setObjectName(QStringLiteral("trayIcon"));
    icon->setToolTip(agent.windowTitle());
    QObject::connect(icon, &QSystemTrayIcon::activated, &agent, &TrayAgent::trayActivated);
    icon->show();
    trayIcon() = icon;
    agent.hide();
}

void setStatus(const QIcon& icon, const QString& toolTip)
{
    if (!trayIcon())
        return;
    trayIcon()->setIcon(icon);
    trayIcon()->setToolTip(toolTip);
}

QString toolTip()
{
    return trayIcon() ? trayIcon()->toolTip() : QString();
}

void removeIcon()
{
    delete trayIcon().data();
}

bool available()
{
    return trayProbe() ? trayProbe()() : QSystemTrayIcon::isSystemTrayAvailable();
}

void setTrayProbe(std::function<bool()> probe)
{
    trayProbe() = std::move(probe);
}

bool iconShown()
{
    return trayIcon() && trayIcon()->isVisible();
}

}  // namespace SystemTray
