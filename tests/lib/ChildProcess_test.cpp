// Starting a program and waiting for it.
#include "lib/ChildProcess.h"

#include <QtCore/qtestsupport_core.h>
#include <atomic>
#include <algorithm>
#include <gtest/gtest.h>

using ChildProcess::ProgramRun;
using ChildProcess::runAndWait;

TEST(WaitedRun, ExitCodesStartFailuresBigPipesAndAStop)
{
    EXPECT_EQ(runAndWait({"/bin/sh", {"-c", "exit 12"}, {}, {}}), 12);
    EXPECT_EQ(runAndWait({"/nonexistent/zip", {}, {}, {}}), ChildProcess::StartFailureBase + 53);
    // 20 MB of output and 4 MB of input: neither pipe stalls the child.
    EXPECT_EQ(runAndWait({"/bin/sh", {"-c", "head -c 20000000 /dev/zero; exit 3"}, {}, {}}), 3);
    EXPECT_EQ(runAndWait({"/bin/sh", {"-c", "test $(wc -c) -eq 4000000"}, {}, QByteArray(4000000, 'x')}), 0);
    // The child's extra environment reaches the child only.
    EXPECT_EQ(runAndWait({"/bin/sh", {"-c", "test \"$ARKWELL_T\" = 'a b'"}, {"ARKWELL_T=a b"}, {}}), 0);
    EXPECT_TRUE(qgetenv("ARKWELL_T").isEmpty());
    // A raised stop flag ends the child.
    const std::atomic<bool> stop = true;
    ProgramRun endless{"/bin/sh", {"-c", "sleep 60"}, {}, {}};
    endless.stop = &stop;
    EXPECT_EQ(runAndWait(endless), ChildProcess::EndedAbnormally);
}

TEST(WatchedStart, FailureIsToldOnlyForAProgramThatCantStartOrEndsBadly)
{
    const QList<QStringList> commands{{"/bin/sh", "-c", "exit 0"},
                                      {"/bin/sh", "-c", "exit 3"},  // how xdg-open says it found no program
                                      {"/bin/sh", "-c", "kill -KILL $$"},
                                      {"/nonexistent/xdg-open"}};
    QList<int> failed;
    for (int index = 0; index < commands.size(); ++index)
        ChildProcess::startWatched(commands[index].first(), commands[index].mid(1), [&failed, index] { failed << index; });
    EXPECT_TRUE(QTest::qWaitFor([&failed] { return failed.size() >= 3; }, 30000));
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, (QList<int>{1, 2, 3}));
}
