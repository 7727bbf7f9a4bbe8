#pragma once
// SIGTERM, SIGINT and SIGHUP (the terminal closed) turned into an ordinary event of the event
// loop, so that the program ends through its usual way out (a running backup stopped, its
// work removed, files written whole) and never in the middle of a write.

#include "lib/Result.h"

#include <functional>

namespace EndSignals {

// From now on each of the three signals calls `onEnd` on the application's event loop.
// Fails, with nothing changed, when the signals can't be turned into events.
Result<> catchThem(std::function<void()> onEnd);

}  // namespace EndSignals
