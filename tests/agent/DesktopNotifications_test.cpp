// Desktop notifications: what is told for which run result, the once-a-day overdue notice,
// and, on a session bus with a stand-in notification service, the notification of a failed run
// as the service gets it and a click that reaches the program.
#include "agent/libNotify.h"

#include "support/TestSupport.h"

#include <QProcess>
#include <QSignalSpy>
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

TEST(Notifications, FailedAndIncompleteRunsAreToldOverdueJobsOnceADayNothingElse)
{
    NotificationRecorder recorder;
    for (const RunRecord::Result quiet : {RunRecord::Result::Completed, RunRecord::Result::Stopped})
        libNotify::ScheduledRunEnded("Nightly", quiet, "");
    libNotify::ScheduledRunEnded("Nightly", RunRecord::Result::Failed, "Arkwell Error, disk full.");
    libNotify::ScheduledRunEnded("Photos", RunRecord::Result::Incomplete, "");

    TestClock clock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    const QDateTime lastCompleted(QDate(2026, 12, 5), QTime(9, 0));
    EXPECT_TRUE(libNotify::JobOverdue("Daily", lastCompleted));
    EXPECT_FALSE(libNotify::JobOverdue("Daily", lastCompleted));  // once a day per job
    EXPECT_TRUE(libNotify::JobOverdue("Other", lastCompleted));
    clock.advanceSeconds(24 * 3600);
    EXPECT_TRUE(libNotify::JobOverdue("Daily", lastCompleted));
    QStringList told;
    for (const libNotify::Notification& notification : recorder.sent)
        told << notification.summary + " / " + notification.body.left(14);
    const QString overdue = " is overdue / It has not com";
    EXPECT_EQ(told, (QStringList{"Backup Job 'Nightly' failed / Arkwell Error,",
                                 "Backup Job 'Photos' was incomplete / See the transa", "Backup Job 'Daily'" + overdue,
                                 "Backup Job 'Other'" + overdue, "Backup Job 'Daily'" + overdue}));
}

// Run inside dbus-run-session by its own test entry, which names the stand-in service.
TEST(NotificationBus, AFailedRunIsToldOnTheBusAndAClickArrives)
{
    const QString standIn = qEnvironmentVariable("ARKWELL_NOTIFY_STANDIN");
    if (standIn.isEmpty())
        GTEST_SKIP() << "needs a session bus of its own and the stand-in service";
    QSignalSpy clicks(&libNotify::Events(), &libNotify::Clicks::clicked);

    QProcess service;
    service.start(standIn, {"--click"});
    QByteArray heard;
    const auto hear = [&](const char* what) {
        return QTest::qWaitFor([&] { return (heard += service.readAll()).contains(what); }, 20000);
    };
    ASSERT_TRUE(hear("ready\n"));
    libNotify::ScheduledRunEnded("Nightly", RunRecord::Result::Failed, "file to backup does not exist");
    ASSERT_TRUE(hear("does not exist\n"));
    EXPECT_EQ(heard, "ready\nArkwell\tBackup Job 'Nightly' failed\tfile to backup does not exist\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.size() == 1; }, 20000)) << clicks.size();
}

}  // namespace
