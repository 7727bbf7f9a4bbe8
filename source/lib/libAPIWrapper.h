#pragma once
// Thin wrappers over the operating system's services that the windows and reports need.

#include <QString>

namespace libAPIWrapper {

// The computer's network name (its host name); empty when it cannot be had.
QString GetComputerNameA();

// Hands a file, folder or web address to the desktop's default program for it (xdg-open),
// without waiting. False when the opener can't be started.
bool OpenOnDesktop(const QString& pathOrAddress);

}  // namespace libAPIWrapper
