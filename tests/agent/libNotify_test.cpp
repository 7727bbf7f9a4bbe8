// Desktop notifications: what is told for which run result, the once-a-day overdue notice,
// and, on a session bus with a stand-in notification service, exactly one notification for
// a failed run, none for a good one, and a click that reaches the program.
#include "agent/libNotify.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testing_support::TestClock;

namespace {

class NotificationRecorder : public libNotify::Sender {
public:
    NotificationRecorder() { libNotify::SetSender(this); }
    ~NotificationRecorder() override { libNotify::SetSender(nullptr); }
    void send(const libNotify::Notification& notification) override { sent.push_back(notification); }
    std::vector<libNotify::Notification> sent;
};

TEST(Notifications, FailedAndIncompleteRunsAreToldWithTheirReasonOthersNot)
{
    NotificationRecorder recorder;
    for (const char* quiet : {"completed", "stopped"})
        libNotify::ScheduledRunEnded("Nightly", quiet, "");
    EXPECT_TRUE(recorder.sent.empty());
    libNotify::ScheduledRunEnded("Nightly", "failed", "Arkwell Error, disk full.");
    libNotify::ScheduledRunEnded("Photos", "incomplete", "");
    ASSERT_EQ(recorder.sent.size(), 2u);
    EXPECT_EQ(recorder.sent[0].summary, "Backup Job 'Nightly' failed");
    EXPECT_EQ(recorder.sent[0].body, "Arkwell Error, disk full.");
    EXPECT_EQ(recorder.sent[1].summary, "Backup Job 'Photos' was incomplete");
    EXPECT_EQ(recorder.sent[1].body, "See the transaction log for details.");
}

TEST(Notifications, AnOverdueJobIsToldAtMostOnceADay)
{
    NotificationRecorder recorder;
    TestClock clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    const qint64 day = 24 * 3600;
    const QDateTime lastCompleted(QDate(2026, 12, 5), QTime(9, 0));
    EXPECT_FALSE(libNotify::JobOverdue("Daily", lastCompleted, day));  // exactly twice: not yet
    EXPECT_FALSE(libNotify::JobOverdue("Never", QDateTime(), day));    // nothing known to judge by
    clock.advanceSeconds(1);
    EXPECT_TRUE(libNotify::JobOverdue("Daily", lastCompleted, day));
    EXPECT_FALSE(libNotify::JobOverdue("Daily", lastCompleted, day));
    EXPECT_TRUE(libNotify::JobOverdue("Other", lastCompleted, day));
    clock.advanceSeconds(day);
    EXPECT_TRUE(libNotify::JobOverdue("Daily", lastCompleted, day));
    ASSERT_EQ(recorder.sent.size(), 3u);
    EXPECT_EQ(recorder.sent[0].summary, "Backup Job 'Daily' is overdue");
}

// Run inside dbus-run-session by its own test entry, which names the stand-in service.
TEST(NotificationBus, OneNotificationForAFailedRunNoneForAGoodOneAndAClickArrives)
{
    const QString standIn = qEnvironmentVariable("ARKWELL_NOTIFY_STANDIN");
    if (standIn.isEmpty())
        GTEST_SKIP() << "needs a session bus of its own and the stand-in service";
    QSignalSpy clicks(&libNotify::Events(), &libNotify::Clicks::clicked);
    libNotify::ScheduledRunEnded("Unheard", "failed", "nobody listens yet");  // no service: no wait, no harm

    QTemporaryDir folder;
    const QString record = folder.filePath("record");
    QProcess service;
    service.start(standIn, {record, "--click"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return service.canReadLine() || service.state() == QProcess::NotRunning; }, 20000));
    ASSERT_EQ(service.readLine().trimmed(), "ready");

    libNotify::ScheduledRunEnded("Nightly", "failed", "file to backup does not exist");
    libNotify::ScheduledRunEnded("Good", "completed", "");
    libNotify::ScheduledRunEnded("Marker", "failed", "the last one sent");
    const auto received = [&] {
        QFile file(record);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return received().contains("Marker"); }, 20000));
    EXPECT_EQ(received(), "Arkwell\tBackup Job 'Nightly' failed\tfile to backup does not exist\n"
                          "Arkwell\tBackup Job 'Marker' failed\tthe last one sent\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.size() == 2; }, 20000));
}

}  // namespace
