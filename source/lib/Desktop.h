#pragma once
// The desktop's services that the windows and the error report need: the computer's name and
// the default program for a file or address.

#include <QString>
#include <functional>

namespace Desktop {

// The computer's network name (its host name); empty when it cannot be had.
QString hostName();

// Hands a file, folder or web address to the desktop's default program for it (xdg-open),
// without waiting; `failed` runs later (events go on meanwhile) when the opener can't be
// started or the desktop had no program that could open it.
void open(const QString& pathOrAddress, std::function<void()> failed);

}  // namespace Desktop
