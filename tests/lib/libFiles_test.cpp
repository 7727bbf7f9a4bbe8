// Path, file and string helpers.
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libStrings.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using testing_support::AppFolderTest;
using testing_support::FatalEnd;

TEST(StripBadChars, ReplacesEveryCharacterOfTheSet)
{
    EXPECT_EQ(libStrings::CleanedName(QStringLiteral("\"' ;@#!$%^&*()")), QString());
    EXPECT_EQ(libStrings::CleanedName(QStringLiteral("My \"Big\" (Job)! No.2")), QStringLiteral("MyBigJobNo.2"));
    EXPECT_EQ(libStrings::StripBadChars(QStringLiteral("it's Bob's"), QStringLiteral("'"), QStringLiteral("~")),
              QStringLiteral("it~s Bob~s"));
    EXPECT_EQ(libStrings::StripBadChars(QStringLiteral("aXbx"), QStringLiteral("x"), QStringLiteral("<>")),
              QStringLiteral("a<>b<>"));  // letter case ignored, longer replacement
}

TEST_F(AppFolderTest, PathHelpersSplitAndAdjustPaths)
{
    EXPECT_EQ(libFiles::FilePathStripFileName(QStringLiteral("/home/u/Data/*.doc")), QStringLiteral("/home/u/Data/"));
    // A file without an extension is a file like any other here.
    EXPECT_EQ(libFiles::FilePathStripFileName(QStringLiteral("/home/u/src/Makefile")), QStringLiteral("/home/u/src/"));
    EXPECT_EQ(libFiles::FilePathStripFileName(QStringLiteral("report.doc")), QStringLiteral("Error, no \\'s in path"));
    EXPECT_EQ(libFiles::FilePathStripPath(QStringLiteral("/home/u/report.doc")), QStringLiteral("report.doc"));
    EXPECT_EQ(libFiles::FilePathStripPath(QStringLiteral("/home/u/Makefile")), QStringLiteral("Makefile"));
    EXPECT_THROW(libFiles::FilePathStripPath(QStringLiteral("report.doc")), FatalEnd);
    EXPECT_TRUE(readFile("arkwell.err").contains("ERR#71"));

    QString twice = QStringLiteral("/out//");
    libFiles::FormatPath(twice, false);
    EXPECT_EQ(twice, QStringLiteral("/out/"));
    QString bare = QStringLiteral("/out");
    libFiles::FormatPath(bare, true);
    EXPECT_EQ(bare, QStringLiteral("/out/"));
    libFiles::FormatPath(bare, true);
    EXPECT_EQ(bare, QStringLiteral("/out/"));
}

TEST_F(AppFolderTest, KillDeletesMatchingFilesReadOnlyOnesToo)
{
    const QString readOnly = writeFile("d/locked.zip", "x");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    writeFile("d/a.zip", "x");
    writeFile("d/.hidden.zip", "x");
    writeFile("d/keep.txt", "x");
    EXPECT_EQ(libFiles::uKill(path("d/*.zip")), 0);
    EXPECT_EQ(QDir(path("d")).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.txt"});
    EXPECT_EQ(libFiles::uKill(path("d/*.zip")), 0);  // nothing matches: no failure
    EXPECT_EQ(libFiles::uKill(path("d/keep.txt")), 0);
    EXPECT_FALSE(QFile::exists(path("d/keep.txt")));
    EXPECT_EQ(libFiles::uKill(path("d/none.txt")), 0);
}

TEST_F(AppFolderTest, MkDirCreatesTheLastLevelOnly)
{
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
    EXPECT_EQ(QDir(appFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"prefs.txt"});
    EXPECT_THROW(libFiles::WriteFileWhole(path("no/such/folder/x"), "y"), libErrorHandler::AppError);
}
