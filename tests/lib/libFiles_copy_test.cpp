// Folder copy and removal.
#include "lib/libFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using testing_support::AppFolderTest;
using testing_support::FatalEnd;

namespace {
QStringList tree(const QString& folder)
{
    QStringList found;
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        found << name;
        if (QFileInfo(dir.filePath(name)).isDir() && !QFileInfo(dir.filePath(name)).isSymLink())
            for (const QString& below : tree(dir.filePath(name)))
                found << name + "/" + below;
    }
    return found;
}
}  // namespace

TEST_F(AppFolderTest, RmDirRemovesTheTreeButNeverFollowsLinksNorTakesTheRoot)
{
    writeFile("outside/keep.txt", "keep");
    writeFile("gone/a/b/c/d.txt", "d");
    writeFile("gone/.hidden", "h");
    QFile::link(path("outside"), path("gone/a/linked-folder"));
    QFile::setPermissions(path("gone/a/b"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(libFiles::uRmDir(path("gone") + "/"), 0);
    EXPECT_FALSE(QFileInfo::exists(path("gone")));
    EXPECT_EQ(readFile("outside/keep.txt"), "keep");
    EXPECT_EQ(libFiles::uRmDir("/"), 0);
    EXPECT_EQ(libFiles::uRmDir(""), 0);
    EXPECT_EQ(libFiles::uRmDir(path("never-was")), 0);
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
