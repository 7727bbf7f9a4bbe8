#pragma once
// The program's icon in the system tray.

#include <QIcon>
#include <QString>
#include <functional>

class TrayAgent;

namespace SystemTray {

// Shows the tray icon of `agent` (its icon, its caption as the tip) and keeps `agent` hidden. The
// icon's clicks go to the agent's trayActivated.
void addIcon(TrayAgent& agent);
// Shows `icon` and `toolTip` in the tray icon; nothing when there is none.
void setStatus(const QIcon& icon, const QString& toolTip);
// The tray icon's tooltip; empty when there is none.
QString toolTip();
// Removes the icon again; nothing when there is none.
void removeIcon();
// Whether the icon is shown.
bool iconShown();
// Whether the desktop has a tray to show the icon in now.
bool available();
// Replaces that question (tests play a tray that comes up late); empty restores the real one.
void setTrayProbe(std::function<bool()> probe);

}  // namespace SystemTray
