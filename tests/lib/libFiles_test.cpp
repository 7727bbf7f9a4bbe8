// Path, file and string helpers, folder creation and removal (folder copies are checked on
// backup runs).
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libStrings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using testing_support::AppFolderTest;
using testing_support::FatalEnd;

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

TEST(StripBadChars, ReplacesEveryCharacterOfTheSet)
{
    EXPECT_EQ(libStrings::CleanedName("\"' ;@#!$%^&*()"), QString());
    EXPECT_EQ(libStrings::StripBadChars("aXbx", "x", "<>"), "a<>b<>");  // letter case ignored, longer replacement
}

TEST_F(AppFolderTest, PathHelpersSplitAndAdjustPaths)
{
    EXPECT_EQ(libFiles::FilePathStripFileName("/home/u/Data/*.doc"), "/home/u/Data/");
    // A file without an extension is a file like any other here.
    EXPECT_EQ(libFiles::FilePathStripFileName("/home/u/src/Makefile"), "/home/u/src/");
    EXPECT_EQ(libFiles::FilePathStripFileName("report.doc"), "Error, no \\'s in path");
    EXPECT_EQ(libFiles::FilePathStripPath("/home/u/report.doc"), "report.doc");
    EXPECT_EQ(libFiles::FilePathStripPath("/home/u/Makefile"), "Makefile");
    EXPECT_THROW(libFiles::FilePathStripPath("report.doc"), FatalEnd);
    EXPECT_TRUE(readFile("arkwell.err").contains("ERR#71"));
    QString folder = "/out//";  // a job's target always gets its separator: checked on the job
    libFiles::FormatPath(folder, false);
    EXPECT_EQ(folder, "/out/");
}

TEST_F(AppFolderTest, KillDeletesMatchingFilesReadOnlyOnesTooAndMkDirMakesTheLastLevelOnly)
{
    QFile::setPermissions(writeFile("d/locked.zip", "x"), QFileDevice::ReadOwner);
    writeFile("d/a.zip", "x");
    writeFile("d/.hidden.zip", "x");
    writeFile("d/keep.txt", "x");
    EXPECT_EQ(libFiles::uKill(path("d/*.zip")), 0);
    EXPECT_EQ(tree(path("d")), QStringList{"keep.txt"});
    EXPECT_EQ(libFiles::uKill(path("d/*.zip")), 0);  // nothing matches: no failure
    EXPECT_EQ(libFiles::uKill(path("d/keep.txt")), 0);
    EXPECT_EQ(libFiles::uKill(path("d/none.txt")), 0);
    EXPECT_EQ(tree(path("d")), QStringList());

    EXPECT_EQ(libFiles::uMkDir(path("jobs/")), 0);
    EXPECT_TRUE(libFiles::FolderExists(path("jobs")));
    EXPECT_EQ(libFiles::uMkDir(path("jobs")), 0);  // already there
    EXPECT_THROW(libFiles::uMkDir(path("missing/parent/leaf")), FatalEnd);
    EXPECT_TRUE(readFile("arkwell.err").contains("ERR#76 @ Arkwell - Path not found"));
    EXPECT_TRUE(readFile("arkwell.err").contains("Module/Function: libFiles.bas/uMkDir()."));
}

TEST_F(AppFolderTest, WriteFileWholeReplacesAtomicallyAndOwnerOnly)
{
    const QString file = writeFile("prefs.txt", "old");
    libFiles::WriteFileWhole(file, "new content");
    EXPECT_EQ(readFile("prefs.txt"), QByteArray("new content"));
    EXPECT_EQ(QFile::permissions(file) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    EXPECT_EQ(tree(appFolder()), QStringList{"prefs.txt"});
    EXPECT_THROW(libFiles::WriteFileWhole(path("no/such/folder/x"), "y"), libErrorHandler::AppError);
}

TEST_F(AppFolderTest, RmDirRemovesTheTreeButNeverFollowsLinksNorTakesTheRoot)
{
    writeFile("outside/keep.txt", "keep");
    writeFile("gone/a/b/c/d.txt", "d");
    writeFile("gone/.hidden", "h");
    QFile::link(path("outside"), path("gone/a/linked-folder"));
    QFile::setPermissions(path("gone/a/b"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(libFiles::uRmDir(path("gone") + "/"), 0);
    EXPECT_EQ(tree(appFolder()), (QStringList{"outside", "outside/keep.txt"}));
    EXPECT_EQ(readFile("outside/keep.txt"), "keep");
    for (const QString& refused : {QString("/"), QString(""), path("never-was")})
        EXPECT_EQ(libFiles::uRmDir(refused), 0);
    EXPECT_TRUE(QFileInfo::exists("/usr"));
}
