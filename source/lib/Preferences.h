#pragma once
// The program-wide preferences, read from and written to the preferences file.

#include <QtGlobal>

namespace Preferences {

// On the first start of an installed copy (no preferences yet, a folder the user can't write
// into), the agent is set to start at log-in; a copy run from a writable folder, such as a
// build tree, is left off. Later starts keep whatever the user chose.
void applyStartAtLoginDefault();

// Preferences: zero until load has run.
extern qint16 maxBackupCopies;
extern bool stopOnError;
extern bool runMissedBackups;  // run backups missed while the program was not running

constexpr qint16 DefaultMaxBackupCopies = 99;
constexpr bool DefaultStopOnError = true;
constexpr bool DefaultRunMissedBackups = true;

// Reads the preferences file; a missing or damaged file gives the defaults.
void load();
// Writes the preferences file whole (never half a file).
void save();

}  // namespace Preferences
