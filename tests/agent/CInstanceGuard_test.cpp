// One agent per lock file: only a living holder blocks a start, whatever the file holds, and a
// later start reaches the holder to have its window shown.
#include "agent/CInstanceGuard.h"

#include "support/TestSupport.h"

#include <QSignalSpy>

using Outcome = CInstanceGuard::Outcome;

namespace {

class InstanceGuardTest : public testing_support::AppFolderTest {};

TEST_F(InstanceGuardTest, OnlyALivingHolderBlocksAStartAndItAnswersALaterOne)
{
    // A power cut may leave the lock file filled with garbage, the number of a living process among it.
    const QString lock = writeFile("arkwell.lock", QByteArray("1\n\0\377garbage", 11));
    {
        CInstanceGuard agent(lock);
        ASSERT_EQ(agent.TryAcquire(), Outcome::Acquired);
        CInstanceGuard later(lock);
        EXPECT_EQ(later.TryAcquire(), Outcome::HeldByAnother);
        QSignalSpy asked(&agent, &CInstanceGuard::showWindowRequested);
        EXPECT_TRUE(later.Ask(CInstanceGuard::Request::Ping, 10000));
        EXPECT_EQ(asked.count(), 0);
        EXPECT_TRUE(later.Ask(CInstanceGuard::Request::ShowWindow, 10000));
        EXPECT_EQ(asked.count(), 1);
    }
    // The holders above are gone: their locks went with them.
    CInstanceGuard next(lock);
    EXPECT_EQ(next.TryAcquire(), Outcome::Acquired);

    CInstanceGuard nobodyListens(path("other.lock"));
    EXPECT_FALSE(nobodyListens.Ask(CInstanceGuard::Request::Ping, 100));
    CInstanceGuard nowhere(path("missing/arkwell.lock"));
    EXPECT_EQ(nowhere.TryAcquire(), Outcome::Failed);
    EXPECT_FALSE(nowhere.ErrorText().isEmpty());
}

}  // namespace
