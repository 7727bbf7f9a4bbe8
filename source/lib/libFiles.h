#pragma once
// File and path operations. The u-operations report a refusal of the operating system as a
// fatal error; their *Checked twins throw libErrorHandler::AppError instead, for callers
// (a backup run) that deal with the refusal themselves.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace libFiles {

// Deletes every file that matches `sPath` (its last part may hold the wildcards * and ?),
// read-only ones too. Nothing matching is no failure. Returns 0. A path made of a job's name
// wants uKillFile: a "?" in it would take other files too.
qint16 uKill(const QString& sPath);
void uKillChecked(const QString& sPath);

// Creates the folder (its last level only; the parent must exist) unless it is there. Returns 0.
qint16 uMkDir(const QString& sPath);
void uMkDirChecked(const QString& sPath);

// Adds or removes one trailing separator.
void FormatPath(QString& sPath, bool bTrailingSlash);

// The folder part of a path, up to and including its last separator; "Error, no \'s in path"
// when it holds none.
QString FilePathStripFileName(const QString& sPath);
// The file-name part of a path, after its last separator.
QString FilePathStripPath(const QString& sPath);

// Whether the path names an ordinary file, a folder.
bool FileExists(const QString& sPath);
bool FolderExists(const QString& sPath);
// The files (hidden ones too) that `sPath` names, sorted by name; its last part may hold the
// wildcards * and ?, matched with letter case.
QStringList MatchingFiles(const QString& sPath);

// Writes `contents` as the whole new content of `path`: first to a hidden temporary file in
// the same folder, then renamed over the old file, so a failed write leaves the old file as it
// was. The file is readable and writable by its owner only. Throws AppError on failure.
void WriteFileWhole(const QString& path, const QByteArray& contents);

// Copies the file `source` to `target` whole or not at all (a hidden temporary file beside
// the target, renamed over it), with the source's permissions and times. Throws AppError.
void CopyFileWhole(const QString& source, const QString& target);

// Removes the folder with everything in it. Symbolic links inside are removed, never
// followed; read-only subfolders are removed too. The root folder, the empty path and a
// missing folder are left alone. Returns 0.
qint16 uRmDir(const QString& sPath);
void uRmDirChecked(const QString& sPath);

// Copies the folder `sSource` into the folder `sDestination`: afterwards the folder named
// like the source inside the destination holds every file of the source (hidden ones too)
// and, with `bSubdirs`, all its subfolders. Returns 0.
qint16 uCopyDir(const QString& sSource, const QString& sDestination, bool bSubdirs);
void uCopyDirChecked(const QString& sSource, const QString& sDestination, bool bSubdirs);

// Copies the folder `sSource` with its whole tree into `sDestination`, creating the folder
// named like the source there or merging into it, replacing files of the same name. File
// and folder times and permissions are copied, symbolic links are copied as links. A
// subfolder of the source that holds the destination is left out, so a destination inside
// the source never copies into itself. Returns 0.
qint16 uCopyDirAll(const QString& sSource, const QString& sDestination);
void uCopyDirAllChecked(const QString& sSource, const QString& sDestination);

// Copies every file directly in `sSource` (hidden ones too, no subfolders) into the folder
// `sTarget`, which must exist, replacing files of the same name. Returns 0.
qint16 uCopyDirOne(const QString& sSource, const QString& sTarget);
void uCopyDirOneChecked(const QString& sSource, const QString& sTarget);

// Appends `bytes` to `path`, creating it when absent. Throws AppError on failure.
void AppendToFile(const QString& path, const QByteArray& bytes);

// Deletes exactly that one file (no wildcards, so a name holding "?" or "*" never takes
// another file with it). A file that is not there, or a folder of that name, is no failure.
// Returns 0.
qint16 uKillFile(const QString& sPath);
void uKillFileChecked(const QString& sPath);

// The desktop entry (a .desktop file) of the program registered to open files of this
// file's type, or the empty text when none is registered.
QString FindExecutable(const QString& sFileName);
// The program and arguments that a desktop entry starts to open `document`; empty when the
// entry has no command.
QStringList DesktopEntryCommand(const QString& desktopEntry, const QString& document);

}  // namespace libFiles
