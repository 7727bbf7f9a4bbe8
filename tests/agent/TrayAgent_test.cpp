// The agent's hidden main window: ticks beside the job list window, the tray, Exit Arkwell.
#include "agent/TrayAgent.h"

#include "agent/TrayMenu.h"
#include "agent/SystemTray.h"
#include "schedule/JobListWindow.h"
#include "support/AgentTest.h"
#include "support/WidgetLookup.h"

#include <QAction>
#include <QSignalSpy>
#include <QTreeView>
#include <set>

using testing_support::OpenWindow;

namespace {

const QDate Today(2026, 12, 7);

class SchedulerTest : public testing_support::AgentTest {
protected:
    void TearDown() override
    {
        SystemTray::removeIcon();
        SystemTray::setTrayProbe({});
        AgentTest::TearDown();
    }
    QString archive(const QString& name) const { return path("bk/" + name + ".zip"); }
    // A tick at `now`; true when it made the job's archive.
    bool tickRuns(const QString& name, const QDateTime& now)
    {
        QFile::remove(archive(name));
        clock.set(now);
        agent.tick();
        settle();
        return QFile::exists(archive(name));
    }

    // Jobs are listed just before the day's first start time; the tests move the clock on.
    testing_support::TestClock clock{QDateTime(Today, QTime(2, 59, 55))};
    JobListWindow schedule{agent};
    TrayAgent main{agent, schedule, false};
    QAction* action(const char* name) { return testing_support::FindControl<QAction>(&schedule, name); }
    bool trayUp = false;
};

TEST_F(SchedulerTest, ADueJobRunsWhileTheWindowIsIdleShownOrNot)
{
    addJob("Early", [](Job& job) { job.setStartTime(QTime(3, 0)); });
    addJob("Late", [](Job& job) { job.setStartTime(QTime(23, 0)); });
    main.start({"arkwell", "/SILENT"}, true);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_TRUE(tickRuns("Early", QDateTime(Today, QTime(3, 0, 1))));

    // Shown, the window holds nothing back while it is idle; the wizard or a dialog does.
    schedule.show();
    const QDateTime late(Today, QTime(23, 0, 1));
    schedule.addJob();
    EXPECT_FALSE(tickRuns("Late", late));
    QPointer<QWidget> wizard = OpenWindow("JobWizard");
    wizard->close();
    EXPECT_TRUE(QTest::qWaitFor([&wizard] { return wizard.isNull(); }));
    schedule.showPreferences();
    EXPECT_FALSE(tickRuns("Late", late));
    OpenWindow("PreferencesDialog")->close();
    // During the run the list stays usable; only the job commands are shut off.
    std::set<std::pair<bool, bool>> listAndRunCommand;
    QObject watch;
    QObject::connect(&schedule, &JobListWindow::statusChanged, &watch, [&] {
        if (schedule.runningJob().isEmpty())
            return;
        listAndRunCommand.insert({schedule.view()->isEnabled(), action("runJobAction")->isEnabled()});
        emit schedule.view()->doubleClicked(schedule.indexOf("Late"));  // opens no wizard during the run
        EXPECT_FALSE(schedule.holdsRuns());
    });
    schedule.view()->setCurrentIndex(schedule.indexOf("Late"));
    EXPECT_TRUE(tickRuns("Late", late));
    EXPECT_EQ(listAndRunCommand, (std::set<std::pair<bool, bool>>{{true, false}}));
    EXPECT_TRUE(action("runJobAction")->isEnabled());
    EXPECT_TRUE(schedule.isEnabled() && schedule.isVisible());
}

// Without a tray, closing the window says once how to get it back; the icon comes with a tray.
TEST_F(SchedulerTest, WithoutATrayTheAgentOutlivesItsWindowUntilExitWhichSavesThePreferences)
{
    SystemTray::setTrayProbe([this] { return trayUp; });
    QSignalSpy ended(&main, &TrayAgent::ended);
    main.start({"arkwell", "/SILENT"}, false);
    EXPECT_FALSE(schedule.isVisible());
    ASSERT_TRUE(main.trayWaitTimer().isActive());
    for (int close = 0; close < 2; ++close) {
        schedule.show();
        action("closeAction")->trigger();
    }
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(messageBoxes.messages()[0].text.contains("start Arkwell again"));

    trayUp = true;
    main.trayWaitTimer().setInterval(0);
    EXPECT_TRUE(QTest::qWaitFor([] { return SystemTray::iconShown(); }));
    EXPECT_FALSE(main.trayWaitTimer().isActive());
    EXPECT_EQ(SystemTray::toolTip(), main.trayToolTip());  // the late icon shows the status at once
    main.menu().showJobListAction()->trigger();
    EXPECT_TRUE(schedule.isVisible());
    EXPECT_EQ(ended.count(), 0);

    Preferences::maxBackupCopies = 12;
    action("exitAction")->trigger();  // the File menu's; the tray menu's ends a hanging run in the job list's tests
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_FALSE(agent.tickTimer().isActive());
    EXPECT_EQ(readFile("Arkwell.txt"), " 12 \r\n 0 \r\n-1 \r\n");
}

}  // namespace
