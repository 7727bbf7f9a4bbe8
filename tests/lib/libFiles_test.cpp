// Path, file and string helpers, folder copy and removal.
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
    EXPECT_EQ(libStrings::CleanedName("My \"Big\" (Job)! No.2"), "MyBigJobNo.2");
    EXPECT_EQ(libStrings::StripBadChars("it's Bob's", "'", "~"), "it~s Bob~s");
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
    for (auto [folder, addSlash] : {std::pair<QString, bool>{"/out//", false}, {"/out", true}, {"/out/", true}}) {
        libFiles::FormatPath(folder, addSlash);
        EXPECT_EQ(folder, "/out/");
    }
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

TEST_F(AppFolderTest, CopyDirWithAndWithoutSubfolders)
{
    writeFile("src/Data/a.txt", "a");
    writeFile("src/Data/.h", "h");
    writeFile("src/Data/sub/b.txt", "b");
    QDir().mkpath(path("bk/Data"));
    EXPECT_EQ(libFiles::uCopyDir(path("src/Data/"), path("bk/"), false), 0);
    EXPECT_EQ(tree(path("bk")), (QStringList{"Data", "Data/.h", "Data/a.txt"}));
    writeFile("bk/Data/a.txt", "replaced without asking");
    EXPECT_EQ(libFiles::uCopyDir(path("src/Data"), path("bk"), true), 0);
    EXPECT_EQ(tree(path("bk")), (QStringList{"Data", "Data/.h", "Data/a.txt", "Data/sub", "Data/sub/b.txt"}));
    EXPECT_EQ(readFile("bk/Data/a.txt"), "a");
    EXPECT_EQ(QFileInfo(path("bk/Data/sub")).lastModified(), QFileInfo(path("src/Data/sub")).lastModified());
    // A destination inside the source is not copied into itself: the subfolder that holds it stays out.
    EXPECT_EQ(libFiles::uCopyDirAll(path("src/Data"), path("src/Data/sub")), 0);
    EXPECT_EQ(tree(path("src/Data/sub/Data")), (QStringList{".h", "a.txt"}));
    EXPECT_THROW(libFiles::uCopyDirOne(path("src/Data"), path("missing")), FatalEnd);
    EXPECT_TRUE(readFile("arkwell.err").contains("uCopyDirOne()"));
}
