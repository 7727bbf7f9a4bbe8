// Desktop notifications: what is told for which run result, the failures withdrawn once their
// jobs complete, and, on a session bus with a stand-in notification service, the notification
// of a failed run as the service gets it, a click that reaches the program and the
// notification closed by the job's next completed run.
#include "agent/DesktopNotifications.h"

#include "support/TestSupport.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

class NotificationRecorder : public DesktopNotifications::Sender {
public:
    NotificationRecorder() { DesktopNotifications::setSender(this); }
    ~NotificationRecorder() override { DesktopNotifications::setSender(nullptr); }
    void send(const DesktopNotifications::Notification& notification) override { sent.push_back(notification); }
    void withdraw(const QString& jobName) override { withdrawn << jobName; }
    std::vector<DesktopNotifications::Notification> sent;
    QStringList withdrawn;
};

TEST(Notifications, FailedAndIncompleteRunsAreToldWithTheirJobsOverdueJobsAsToldNothingElse)
{
    NotificationRecorder recorder;
    for (const RunRecord::Result quiet : {RunRecord::Result::Completed, RunRecord::Result::Stopped})
        DesktopNotifications::scheduledRunEnded("Nightly", quiet, "");
    DesktopNotifications::scheduledRunEnded("Nightly", RunRecord::Result::Failed, "Arkwell Error, disk full.");
    DesktopNotifications::scheduledRunEnded("Photos", RunRecord::Result::Incomplete, "");
    DesktopNotifications::scheduledRunsFailed({"A", "B"});
    DesktopNotifications::jobOverdue("Daily", QDateTime(QDate(2026, 12, 5), QTime(9, 0)));
    DesktopNotifications::runCompleted("Nightly");
    QStringList told;
    for (const DesktopNotifications::Notification& notification : recorder.sent)
        told << notification.summary + " / " + notification.body.left(14) + " / " + notification.failedJobs.join(',');
    EXPECT_EQ(told, (QStringList{"Backup Job 'Nightly' failed / Arkwell Error, / Nightly",
                                 "Backup Job 'Photos' was incomplete / See the transa / Photos",
                                 "2 Backup Jobs failed or were incomplete / A, B. See the  / A,B",
                                 "Backup Job 'Daily' is overdue / It has not com / "}));
    EXPECT_EQ(recorder.withdrawn, QStringList{"Nightly"});
}

// Run inside dbus-run-session by its own test entry, which names the stand-in service.
TEST(NotificationBus, AFailedRunIsToldOnTheBusAClickArrivesAndTheNextCompletedRunClosesIt)
{
    const QString standIn = qEnvironmentVariable("ARKWELL_NOTIFY_STANDIN");
    if (standIn.isEmpty())
        GTEST_SKIP() << "needs a session bus of its own and the stand-in service";
    QSignalSpy clicks(&DesktopNotifications::events(), &DesktopNotifications::Clicks::clicked);

    QProcess service;
    service.start(standIn, {"--click"});
    QByteArray heard;
    const auto hear = [&](const char* what) {
        return QTest::qWaitFor([&] { return (heard += service.readAll()).contains(what); }, 20000);
    };
    ASSERT_TRUE(hear("ready\n"));
    DesktopNotifications::scheduledRunEnded("Nightly", RunRecord::Result::Failed, "file to backup does not exist");
    ASSERT_TRUE(hear("does not exist\n"));
    EXPECT_EQ(heard, "ready\nArkwell\tBackup Job 'Nightly' failed\tfile to backup does not exist\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.size() == 1; }, 20000)) << clicks.size();
    DesktopNotifications::runCompleted("Nightly");
    ASSERT_TRUE(hear("closed 1\n"));
}

}  // namespace
