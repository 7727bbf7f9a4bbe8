#include "agent/libSysTrayApp.h"

#include "agent/TrayAgent.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace libSysTrayApp {
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

void SystemTrayAddIcon(TrayAgent& F)
{
    auto* icon = new QSystemTrayIcon(F.windowIcon(), &F);
    icon->setObjectName(QStringLiteral("trayIcon"));
    icon->setToolTip(F.windowTitle());
    QObject::connect(icon, &QSystemTrayIcon::activated, &F, &TrayAgent::trayActivated);
    icon->show();
    trayIcon() = icon;
    F.hide();
}

void SystemTraySetStatus(const QIcon& icon, const QString& toolTip)
{
    if (!trayIcon())
        return;
    trayIcon()->setIcon(icon);
    trayIcon()->setToolTip(toolTip);
}

QString SystemTrayToolTip()
{
    return trayIcon() ? trayIcon()->toolTip() : QString();
}

void SystemTrayRemoveIcon()
{
    delete trayIcon().data();
}

bool SystemTrayAvailable()
{
    return trayProbe() ? trayProbe()() : QSystemTrayIcon::isSystemTrayAvailable();
}

void SetTrayProbe(std::function<bool()> probe)
{
    trayProbe() = std::move(probe);
}

bool SystemTrayIconShown()
{
    return trayIcon() && trayIcon()->isVisible();
}

}  // namespace libSysTrayApp
