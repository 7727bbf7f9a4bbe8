#pragma once
// Thin wrappers over the operating system's services that the windows and reports need.

#include <QString>

namespace libAPIWrapper {

// The computer's network name (its host name); empty when it cannot be had.
QString GetComputerNameA();

}  // namespace libAPIWrapper
