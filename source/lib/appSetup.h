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

// Whether the program can write into its application folder, where it keeps its jobs,
// preferences and logs. When it can't (an installed copy in a folder of another user), the
// user is told so, and how to mend it, before anything fails later.
bool CheckAppFolderWritable();

// The jobs folder with its final separator; it is not created here.
QString JobsFolder();
// The folder of the jobs' run records, beside the jobs folder, with its final separator.
QString RunRecordsFolder();
// The application folder joined with a bare file name.
QString AppFile(const QString& fileName);
QString PreferencesPath();  // "Arkwell.txt"
QString ErrorLogPath();     // executable name + ".err"
QString TransactionLogPath();  // executable name + ".log"
QString ZipProgramPath();   // "zip" beside the executable

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
