#pragma once
// The program's icon, drawn at the sizes a tray and window frames ask for.

#include <QIcon>

namespace libIcons {

// The Arkwell icon from the program's resources (16 to 256 pixels).
QIcon ProgramIcon();

}  // namespace libIcons
