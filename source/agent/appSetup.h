#pragma once
// The program's paths and its two program-wide preferences.

#include <QString>

class QApplication;
class frmSchedule;

namespace appSetup {

// The program's start, run and end (with the windows, in appSetupMain.cpp): refuses a
// second instance, loads the job list, shows the tray icon and runs the event loop until
// the program ends. Returns the exit code.
int Main(QApplication& app);
// Adds one row per job file of the jobs folder. A file that is not a readable job file, or
// names a job already listed, is skipped and left untouched; one message names each
// skipped file and why. A job whose schedule has no next run is listed as such, told once
// and written to the transaction log.
void LoadJobList(frmSchedule& schedule);

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
// into it. When that fails the user is told so, naming the folder, and the start ends.
bool CheckDataFolder();

// The jobs folder with its final separator; it is not created here.
QString JobsFolder();
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

// Preferences: both zero until LoadPreferences has run.
extern qint16 MaxBackupCopies;
extern bool StopOnError;

constexpr qint16 DefaultMaxBackupCopies = 99;
constexpr bool DefaultStopOnError = true;

// Reads the preferences file; a missing or damaged file gives the defaults.
void LoadPreferences();
// Writes the preferences file whole (never half a file).
void SavePreferences();

}  // namespace appSetup
