#pragma once
// File and path operations. The u-operations report a refusal of the operating system as a
// fatal error; their *Checked twins throw libErrorHandler::AppError instead, for callers
// (a backup run) that deal with the refusal themselves.

#include "lib/Exclusions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace libFiles {

// What a job entry names: one file (also one whose name holds "*" or "?"); every file of a
// folder ("folder/*.*"); a group of a folder's files ("folder/*.ext", or a pattern holding
// "?") when no file has the entry's name.
enum class EntryKind { File, WholeFolder, WildcardGroup };
EntryKind KindOfEntry(const QString& entry);

// A folder tree listed by the file system's own bytes, so names that are not UTF-8 survive.
struct ListedItem {
    QByteArray path;
    struct stat info;  // of the item itself: a symbolic link is listed, never followed
};
using Unreadable = std::pair<QByteArray, int>;  // a path and its errno
struct FolderListing {
    std::vector<ListedItem> items;       // a folder before what it holds, names sorted as bytes
    std::vector<Unreadable> unreadable;  // folders below the top one that could not be listed
    std::vector<ListedItem> excluded;    // what the exclusions left out; a folder is not entered
};
// Whether an item (with everything below it) stays out of a listing.
using LeaveOut = std::function<bool(const ListedItem&)>;
// Lists what `folder` holds, with every subfolder's content when `recurse`. A top folder
// that can't be listed throws AppError. Items that `exclusions` leave out are not listed,
// never entered and never reported unreadable.
FolderListing ListFolder(const QByteArray& folder, bool recurse, const LeaveOut& leaveOut = {},
                         const Exclusions& exclusions = {});

// The transaction log's line for a socket, FIFO or device, left out: it holds no data.
void LogSkipped(const QByteArray& path);

// What one entry takes: for a file entry the file itself (followed when a link); for a "*"
// entry with subfolders the whole tree, folders included for a whole-folder entry so empty
// folders stay; otherwise the matching files directly in its folder. Extension groups and
// "?" patterns match regardless of letter case.
// With `changedSince`, only items whose modification or status-change time is at or after
// it are taken (a move or a copy keeping old times changes the status-change time); the
// others are counted as `unchanged`. The exclusions apply below the entry's folder, never to
// a file named as an entry. Sockets, FIFOs and devices are `skipped`.
struct EntrySelection {
    LeaveOut leaveOut;
    Exclusions exclusions;
    std::optional<timespec> changedSince;
};
struct EntryFiles {
    std::vector<QByteArray> names;
    std::vector<Unreadable> unreadable;
    std::vector<ListedItem> excluded;  // files the entry would take, and folders, left out
    std::vector<QByteArray> skipped;
    qint64 files = 0;
    qint64 bytes = 0;
    qint64 unchanged = 0;
};
EntryFiles ListEntry(const QString& entry, bool subdirectories, const EntrySelection& selection = {});

// The path as the file system names it, and as text for people and the log (not always the
// same bytes: a line break is shown as "\n").
QByteArray NativePath(const QString& path);
QString ShownPath(const QByteArray& path);

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
// The path without a trailing separator, except the root folder, which keeps its own.
QString WithoutTrailingSlash(QString path);

// The folder part of a path, up to and including its last separator; "Error, no \'s in path"
// when it holds none.
QString FilePathStripFileName(const QString& sPath);
// The file-name part of a path, after its last separator.
QString FilePathStripPath(const QString& sPath);

// Whether the path names an ordinary file, a folder.
bool FileExists(const QString& sPath);
bool FolderExists(const QString& sPath);
// Whether two paths name one file: the same text, or (on a file system that ignores letter
// case) the same file on disk.
bool SameFile(const QString& path, const QString& other);
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
// What a folder copy tells and asks as it works: `copied` is told of each file or link
// copied (as the source's listing has it, its path and status, the files copied so far and
// all the files to copy); `stop` is asked now and then
// (events are processed first), and true ends the copy with CopyStopped.
// When `unreadable` is set, a subfolder that can't be listed, a file or link that can't be
// read, or an item whose copy's path would be too long, is told to it and left out, and the
// copy goes on; otherwise it fails the copy.
// Items that `exclusions` leave out are told to `excluded` and not copied.
struct CopyWatch {
    std::function<void(const ListedItem& copied, qint64 done, qint64 total)> copied;
    std::function<bool()> stop;
    std::function<void(const Unreadable& item)> unreadable;
    Exclusions exclusions;
    std::function<void(const ListedItem& item)> excluded;
};
struct CopyStopped {};
void uCopyDirChecked(const QString& sSource, const QString& sDestination, bool bSubdirs, const CopyWatch& watch = {});

// Copies the folder `sSource` with its whole tree into `sDestination`, creating the folder
// named like the source there or merging into it, replacing files of the same name. File
// and folder times and permissions are copied, symbolic links are copied as links, names
// byte for byte. A subfolder of the source that holds the destination is left out, so a
// destination inside the source never copies into itself. Returns 0.
qint16 uCopyDirAll(const QString& sSource, const QString& sDestination);
void uCopyDirAllChecked(const QString& sSource, const QString& sDestination, const CopyWatch& watch = {});

// Copies every file directly in `sSource` (hidden ones too, no subfolders) into the folder
// `sTarget`, which must exist, replacing files of the same name. Returns 0.
qint16 uCopyDirOne(const QString& sSource, const QString& sTarget);
void uCopyDirOneChecked(const QString& sSource, const QString& sTarget, const CopyWatch& watch = {});

// The largest of the program's own files it reads whole (preferences, job files, run
// records): a larger one is damaged, and never read whole.
constexpr qint64 LargestOwnFile = 1024 * 1024;
// Reads one of the program's own files whole. Throws AppError when it is not a plain file,
// can't be read or is larger than LargestOwnFile (then no more than that is read).
QByteArray ReadOwnFile(const QString& path);

// Gives the folder `target` the mode of the folder `source`, followed when it is a link.
void CopyFolderMode(const QString& source, const QString& target);

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
