#pragma once
// The program's paths and its program-wide preferences.

#include <QString>

namespace appSetup {

// The folder that holds the executable, without a trailing separator.
QString AppFolder();
// The executable's file name without its extension.
QString ExeName();
// Points the program at another application folder and executable name (tests, and the
// black-box runs use a copied executable instead). An empty folder restores the real one.
void SetApplicationPaths(const QString& appFolder, const QString& exeName);

// Whether the user can write into the application folder: a build tree or a copy of one's
// own, rather than an installed copy.
bool AppFolderWritable();
// The folder of everything the program writes for itself (jobs, preferences, logs, the
// lock): the application folder when the user can write into it, otherwise
// $XDG_DATA_HOME/arkwell (~/.local/share/arkwell). No trailing separator.
QString DataFolder();
// Creates the data folder (owner-only) when it is missing and checks that the user can write
// into it. One that is there but read-only is told as an own file that can't be written, and
// the start goes on; one that can't be made is told in a box naming it, and the start ends.
bool CheckDataFolder();

// The data folder has moved away from an application folder that is no longer writable: the
// text that names the job files left in the old jobs folder (those not brought over yet), where
// they are and how to bring them over. Empty when there are none.
QString JobsLeftBehindNotice();

// The jobs folder with its final separator; it is not created here.
QString JobsFolder();
// The folder of the jobs' run records, beside the jobs folder, with its final separator.
QString RunRecordsFolder();
// The application folder joined with a bare file name: the program's own files (zip link,
// help page, icons).
QString AppFile(const QString& fileName);
// The data folder joined with a bare file name.
QString DataFile(const QString& fileName);
QString PreferencesPath();  // "Arkwell.txt"
QString ErrorLogPath();     // executable name + ".err"
QString TransactionLogPath();  // executable name + ".log"
QString ZipProgramPath();   // "zip" beside the executable
QString ProgramPath();      // the executable itself

// On the first start of an installed copy (no preferences yet, a folder the user can't write
// into), the agent is set to start at log-in; a copy run from a writable folder, such as a
// build tree, is left off. Later starts keep whatever the user chose.
void ApplyStartAtLoginDefault();

// Preferences: zero until LoadPreferences has run.
extern qint16 MaxBackupCopies;
extern bool StopOnError;
extern bool RunMissedBackups;  // run backups missed while the program was not running

constexpr qint16 DefaultMaxBackupCopies = 99;
constexpr bool DefaultStopOnError = true;
constexpr bool DefaultRunMissedBackups = true;

// Reads the preferences file; a missing or damaged file gives the defaults.
void LoadPreferences();
// Writes the preferences file whole (never half a file).
void SavePreferences();

}  // namespace appSetup
