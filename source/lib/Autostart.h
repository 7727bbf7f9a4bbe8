#pragma once
// The user's log-in autostart entry ($XDG_CONFIG_HOME/autostart/arkwell.desktop, by default
// under ~/.config): it starts the agent in the tray with its job list window hidden. Whether
// the entry exists is the "start at log-in" setting itself.

#include <QByteArray>
#include <QString>

#include "lib/Result.h"

namespace Autostart {

QString entryPath();
// Whether the entry exists, so the agent starts at log-in.
bool startsAtLogin();
// The entry's text for `program`: a desktop entry that runs it with "/SILENT".
QByteArray entryText(const QString& program);
// Writes the entry for `program` (creating the autostart folder) or removes it; why not when
// the entry can't be written or removed.
Result<> setStartAtLogin(bool start, const QString& program);

}  // namespace Autostart
