#pragma once
// The program's icon in the system tray.

class frmMain;

namespace libSysTrayApp {

// Shows the tray icon of `F` (its icon, its caption as the tip) and keeps `F` hidden. The
// icon's clicks go to F's Form_MouseMove.
void SystemTrayAddIcon(frmMain& F);
// Removes the icon again; nothing when there is none.
void SystemTrayRemoveIcon();
// Whether the icon is shown.
bool SystemTrayIconShown();

}  // namespace libSysTrayApp
