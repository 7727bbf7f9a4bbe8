// File helpers: removal by pattern and of folders, folder creation, reading own files.
#include "lib/Errors.h"
#include "lib/Files.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using testing_support::AppFolderTest;

namespace {

// Every entry below `folder`, hidden ones too, sorted; links are not followed.
QStringList tree(const QString& folder)
{
    QStringList found;
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        found << QDir(folder).relativeFilePath(entries.next());
    found.sort();
    return found;
}

}  // namespace

TEST_F(AppFolderTest, RemoveMatchingTakesReadOnlyFilesTooAndMakeFolderMakesTheLastLevelOnly)
{
    QFile::setPermissions(writeFile("d/locked.zip", "x"), QFileDevice::ReadOwner);
    writeFile("d/a.zip", "x");
    writeFile("d/.hidden.zip", "x");
    writeFile("d/keep.txt", "x");
    Files::removeMatching(path("d/*.zip"));
    EXPECT_EQ(tree(path("d")), QStringList{"keep.txt"});
    for (const char* name : {"d/*.zip", "d/keep.txt", "d/none.txt"})  // nothing matching is no failure
        Files::removeMatching(path(name));
    EXPECT_EQ(tree(path("d")), QStringList());

    Files::makeFolder(path("jobs/"));
    EXPECT_TRUE(Files::folderExists(path("jobs")));
    Files::makeFolder(path("jobs"));  // already there
    try {
        Files::makeFolder(path("missing/parent/leaf"));
        ADD_FAILURE() << "a folder without its parent was made";
    } catch (const Errors::AppError& error) {
        EXPECT_TRUE(error.info().description.startsWith("Path not found")) << error.what();
    }
}

TEST_F(AppFolderTest, OwnFilesAreReadWholeOrFailWithTheirReason)
{
    writeFile("big", QByteArray(Files::LargestOwnFile + 1, 'x'));
    QDir().mkpath(path("folder"));
    ::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600);  // would hold a reader until written to
    for (const auto& [name, reason] : {std::pair{"big", "is larger than 1 MiB"}, {"folder", "is not a plain file"},
                                       {"fifo", "is not a plain file"}, {"missing", "File not found"}})
        EXPECT_TRUE(Files::readOwnFile(path(name)).reason().contains(reason)) << name;
    EXPECT_EQ(Files::readOwnFile(writeFile("prefs.txt", "12\r\n")).value(), "12\r\n");
}

TEST_F(AppFolderTest, RemoveFolderTakesTheTreeButNeverFollowsLinksNorTakesTheRoot)
{
    writeFile("outside/keep.txt", "keep");
    writeFile("gone/a/b/c/d.txt", "d");
    writeFile("gone/.hidden", "h");
    QFile::link(path("outside"), path("gone/a/linked-folder"));
    QFile::setPermissions(path("gone/a/b"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    Files::removeFolder(path("gone") + "/");
    EXPECT_EQ(tree(appFolder()), (QStringList{"outside", "outside/keep.txt"}));
    EXPECT_EQ(readFile("outside/keep.txt"), "keep");
    for (const QString& refused : {QString("/"), QString(""), path("never-was")})
        Files::removeFolder(refused);
    EXPECT_TRUE(QFileInfo::exists("/usr"));
}
