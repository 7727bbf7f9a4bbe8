// Which filesystem holds a path, read from the running system.
#include "lib/Filesystems.h"
#include "support/TestSupport.h"

#include <QDir>
#include <sys/mount.h>
#include <unistd.h>

using testing_support::AppFolderTest;

TEST_F(AppFolderTest, TheFilesystemOfAPathIsTheMountHoldingItsNearestFolder)
{
    const Filesystems::System& system = Filesystems::current();
    const Filesystems::Filesystem root = system.holding(QStringLiteral("/"));
    EXPECT_EQ(root.mountPoint, "/");
    const Filesystems::Filesystem here = system.holding(appFolder());
    EXPECT_TRUE(here.isKnown());
    EXPECT_TRUE(here.isSame(system.holding(path("not/made/yet"))));  // a missing path: its nearest folder's
    EXPECT_TRUE(system.flush(appFolder()));
    EXPECT_FALSE(system.flush(path("missing")).reason().isEmpty());
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a filesystem takes root";
    const QString mountPoint = path("drive with blank");
    QDir().mkpath(mountPoint);
    ASSERT_EQ(::mount("arkwell-test", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=1m"), 0);
    const Filesystems::Filesystem mounted = system.holding(mountPoint + "/folder");
    EXPECT_EQ(mounted.mountPoint, mountPoint);
    EXPECT_EQ(mounted.source, "arkwell-test");
    EXPECT_FALSE(mounted.isSame(here));
    EXPECT_TRUE(system.flushFilesystem(mountPoint));
    ASSERT_EQ(::umount(QFile::encodeName(mountPoint).constData()), 0);
    EXPECT_TRUE(system.holding(mountPoint).isSame(here));
}
