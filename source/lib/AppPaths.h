#pragma once
// The program's folders and the paths of its own files.

#include "lib/Result.h"

#include <QString>

namespace AppPaths {

// The folder that holds the executable, without a trailing separator.
QString appFolder();
// The executable's file name without its extension.
QString exeName();
// Points the program at another application folder and executable name (tests, and the
// black-box runs use a copied executable instead). An empty folder restores the real one.
void setApplicationPaths(const QString& appFolder, const QString& exeName);

// Whether the user can write into the application folder: a build tree or a copy of one's
// own, rather than an installed copy.
bool appFolderWritable();
// The folder of everything the program writes for itself (jobs, preferences, logs, the
// lock): the application folder when the user can write into it, otherwise
// $XDG_DATA_HOME/arkwell (~/.local/share/arkwell). No trailing separator.
QString dataFolder();
// Creates the data folder (owner-only) when it is missing and checks that the user can write
// into it. One that is there but read-only is told as an own file that can't be written, and
// the start goes on; one that can't be made fails, with the text that tells the user.
Result<> checkDataFolder();

// The data folder has moved away from an application folder that is no longer writable: the
// text that names the job files left in the old jobs folder (those not brought over yet), where
// they are and how to bring them over. Empty when there are none.
QString jobsLeftBehindNotice();

// The jobs folder with its final separator; it is not created here.
QString jobsFolder();
// The folder of the jobs' run records, beside the jobs folder, with its final separator.
QString runRecordsFolder();
// The application folder joined with a bare file name: the program's own files (zip link,
// help page, icons).
QString appFile(const QString& fileName);
// The data folder joined with a bare file name.
QString dataFile(const QString& fileName);
QString preferencesPath();  // "Arkwell.txt"
QString errorLogPath();     // executable name + ".err"
QString transactionLogPath();  // executable name + ".log"
QString zipProgramPath();   // "zip" beside the executable
QString programPath();      // the executable itself

}  // namespace AppPaths
