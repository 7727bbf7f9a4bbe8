#pragma once
// The program's icon in the system tray.

#include <QIcon>
#include <QString>
#include <functional>

class TrayAgent;

namespace libSysTrayApp {

// Shows the tray icon of `F` (its icon, its caption as the tip) and keeps `F` hidden. The
// icon's clicks go to F's Form_MouseMove.
void SystemTrayAddIcon(TrayAgent& F);
// Shows `icon` and `toolTip` in the tray icon; nothing when there is none.
void SystemTraySetStatus(const QIcon& icon, const QString& toolTip);
// The tray icon's tooltip; empty when there is none.
QString SystemTrayToolTip();
// Removes the icon again; nothing when there is none.
void SystemTrayRemoveIcon();
// Whether the icon is shown.
bool SystemTrayIconShown();
// Whether the desktop has a tray to show the icon in now.
bool SystemTrayAvailable();
// Replaces that question (tests play a tray that comes up late); empty restores the real one.
void SetTrayProbe(std::function<bool()> probe);

}  // namespace libSysTrayApp
