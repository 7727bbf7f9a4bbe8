#pragma once
// The program's pictures: the application icon, the job list's two row images and the
// activity lamps, all without any image plugin.

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace Pictures {

// The application icon of the tray and the windows: the program's icon at its drawn sizes
// (16 to 256 pixels), from the resources.
QIcon appIcon();
// The tray icon in a state: 0 idle (the application icon), 1 running (a green lamp on it),
// 2 needs attention (a red lamp on it), 3 a job waits for its target's drive (an amber lamp).
QIcon trayIcon(int state);
// Row image 1 (a compressed job: a zipped parcel) or 2 (a plain copy: two sheets).
QIcon jobIcon(bool compressed);
// One lamp of the activity indicator: a 12 by 13 circle with transparent corners.
QPixmap lamp(const QColor& colour);

} // namespace Pictures
