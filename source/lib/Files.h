#pragma once
// File and path operations. Those that change files throw Errors::AppError when the operating
// system refuses: they serve a backup run, which turns the refusal into its failure.

#include "lib/Exclusions.h"
#include "lib/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace Files {

// What a job entry names: one file (also one whose name holds "*" or "?"); every file of a
// folder ("folder/*.*"); a group of a folder's files ("folder/*.ext", or a pattern holding
// "?") when no file has the entry's name.
enum class EntryKind { File, WholeFolder, WildcardGroup };
EntryKind kindOfEntry(const QString& entry);

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
FolderListing listFolder(const QByteArray& folder, bool recurse, const LeaveOut& leaveOut = {},
                         const Exclusions& exclusions = {});

// The transaction log's line for a socket, FIFO or device, left out: it holds no data.
void logSkipped(const QByteArray& path);

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
EntryFiles listEntry(const QString& entry, bool subdirectories, const EntrySelection& selection = {});

// The path as the file system names it, and as text for people and the log (not always the
// same bytes: a line break is shown as "\n").
QByteArray nativePath(const QString& path);
QString shownPath(const QByteArray& path);

// Deletes every file that matches `path` (its last part may hold the wildcards * and ?),
// read-only ones too. Nothing matching is no failure. A path made of a job's name
// wants removeFile: a "?" in it would take other files too.
void removeMatching(const QString& path);

// Creates the folder (its last level only; the parent must exist) unless it is there.
void makeFolder(const QString& path);

// Adds or removes one trailing separator.
void setTrailingSlash(QString& path, bool trailingSlash);
// The path without a trailing separator, except the root folder, which keeps its own.
QString withoutTrailingSlash(QString path);

// The folder part of a path, up to and including its last separator; empty when it holds none.
QString folderPart(const QString& path);

// Whether the path names an ordinary file, a folder.
bool fileExists(const QString& path);
bool folderExists(const QString& path);
// Whether two paths name one file: the same text, or (on a file system that ignores letter
// case) the same file on disk.
bool sameFile(const QString& path, const QString& other);
// The files (hidden ones too) that `path` names, sorted by name; its last part may hold the
// wildcards * and ?, matched with letter case.
QStringList matchingFiles(const QString& path);

// Writes `contents` as the whole new content of `path`: first to a hidden temporary file in
// the same folder, then renamed over the old file, so a failed write leaves the old file as it
// was. The file is readable and writable by its owner only. Throws AppError on failure.
void writeWhole(const QString& path, const QByteArray& contents);

// Copies the file `source` to `target` whole or not at all (a hidden temporary file beside
// the target, renamed over it), with the source's permissions and times. Throws AppError.
void copyFileWhole(const QString& source, const QString& target);

// Removes the folder with everything in it. Symbolic links inside are removed, never
// followed; read-only subfolders are removed too. The root folder, the empty path and a
// missing folder are left alone.
void removeFolder(const QString& path);

// Copies the folder `source` into the folder `destination`: afterwards the folder named
// like the source inside the destination holds every file of the source (hidden ones too)
// and, with `withSubfolders`, all its subfolders.
// What a folder copy tells and asks as it works: `copied` is told of each file or link
// copied (as the source's listing has it, its path and status, the files copied so far and
// all the files to copy); `stop` is asked now and then, and true ends the copy with
// CopyStopped.
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
void copyFolder(const QString& source, const QString& destination, bool withSubfolders, const CopyWatch& watch = {});

// Copies the folder `source` with its whole tree into `destination`, creating the folder
// named like the source there or merging into it, replacing files of the same name. File
// and folder times and permissions are copied, symbolic links are copied as links, names
// byte for byte. A subfolder of the source that holds the destination is left out, so a
// destination inside the source never copies into itself.
void copyFolderTree(const QString& source, const QString& destination, const CopyWatch& watch = {});

// Copies every file directly in `source` (hidden ones too, no subfolders) into the folder
// `target`, which must exist, replacing files of the same name.
void copyFolderFiles(const QString& source, const QString& target, const CopyWatch& watch = {});

// The largest of the program's own files it reads whole (preferences, job files, run
// records): a larger one is damaged, and never read whole.
constexpr qint64 LargestOwnFile = 1024 * 1024;
// Reads one of the program's own files whole; fails when it is not a plain file, can't be
// read or is larger than LargestOwnFile (then no more than that is read).
Result<QByteArray> readOwnFile(const QString& path);

// Gives the folder `target` the mode of the folder `source`, followed when it is a link.
void copyFolderMode(const QString& source, const QString& target);

// Appends `bytes` to `path`, creating it when absent. Throws AppError on failure.
void appendToFile(const QString& path, const QByteArray& bytes);

// Deletes exactly that one file (no wildcards, so a name holding "?" or "*" never takes
// another file with it). A file that is not there, or a folder of that name, is no failure.
void removeFile(const QString& path);

// The desktop entry (a .desktop file) of the program registered to open files of this
// file's type, or the empty text when none is registered.
QString openerOf(const QString& fileName);
// The program and arguments that a desktop entry starts to open `document`; empty when the
// entry has no command.
QStringList desktopEntryCommand(const QString& desktopEntry, const QString& document);

}  // namespace Files
