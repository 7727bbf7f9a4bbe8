// One agent per lock file: only a living holder blocks a start, whatever the file holds, and a
// later start reaches the holder to have its window shown.
#include "cli/InstanceGuard.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using Outcome = InstanceGuard::Outcome;

namespace {

class InstanceGuardTest : public testing_support::AppFolderTest {};

// The holder is another process, as a running agent is to a later start.
TEST_F(InstanceGuardTest, OnlyALivingHolderBlocksAStartAndItAnswersALaterOne)
{
    // A power cut may leave the lock file filled with garbage, the number of a living process among it.
    const QString lock = writeFile("arkwell.lock", QByteArray("1\n\0\377garbage", 11));
    QProcess holder;
    holder.start(ARKWELL_LOCK_HOLDER, {lock});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine(), "held\n");
    InstanceGuard later(lock);
    EXPECT_EQ(later.tryAcquire().value(), Outcome::HeldByAnother);
    EXPECT_TRUE(later.ask(InstanceGuard::Request::Ping, 10000));
    EXPECT_TRUE(later.ask(InstanceGuard::Request::ShowWindow, 10000));
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(holder.readAll(), "show\n");  // the ping showed nothing
    // The holder is gone: its lock went with it.
    InstanceGuard next(lock);
    EXPECT_EQ(next.tryAcquire().value(), Outcome::Acquired);

    InstanceGuard nobodyListens(path("other.lock"));
    EXPECT_FALSE(nobodyListens.ask(InstanceGuard::Request::Ping, 100));
    InstanceGuard nowhere(path("missing/arkwell.lock"));
    EXPECT_FALSE(nowhere.tryAcquire().reason().isEmpty());
}

// A lock file that can't serve is set aside and replaced; in a folder that takes no new file the
// folder itself is locked. Either way a later start meets the living holder.
TEST_F(InstanceGuardTest, ALockFileThatCantServeIsSetAsideAndOnlyItsReplacementsHolderBlocks)
{
    const bool root = ::geteuid() == 0;  // root opens every file and writes into every folder
    const std::vector<std::pair<const char*, std::function<void(const QString&)>>> unusable{
        {"a folder", [](const QString& lock) { QDir().mkpath(lock + "/inside"); }},
        {"a dangling link", [](const QString& lock) { QFile::link("/nonexistent/arkwell.lock", lock); }},
        {"a FIFO", [](const QString& lock) { ::mkfifo(QFile::encodeName(lock).constData(), 0600); }},
        {"a file the user can't open", [root](const QString& lock) {
             if (!root)
                 QFile(lock).open(QIODevice::WriteOnly), QFile::setPermissions(lock, {});
         }}};
    for (const bool readOnlyFolder : {false, true}) {
        for (const auto& [what, make] : unusable) {
            SCOPED_TRACE(std::string(what) + (readOnlyFolder ? " in a read-only folder" : ""));
            const QString folder = path(QString("%1-%2").arg(readOnlyFolder).arg(what));
            const QString lock = folder + "/arkwell.lock";
            QDir().mkpath(folder);
            make(lock);
            if (!QFileInfo(lock).exists() && !QFileInfo(lock).isSymLink())
                continue;  // as root
            if (readOnlyFolder && (root || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner)))
                continue;
            {
                InstanceGuard agent(lock);
                ASSERT_EQ(agent.tryAcquire().value(), Outcome::Acquired);
                EXPECT_TRUE(readOnlyFolder || (QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink()));
                EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
                          readOnlyFolder ? 1 : 2);  // what was there is kept beside the new file
                InstanceGuard later(lock);
                EXPECT_EQ(later.tryAcquire().value(), Outcome::HeldByAnother);
            }
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }
}

}  // namespace
