// Without a tray the agent outlives its window: closing it says once how to get it back, the
// icon comes as soon as a tray does, and only Exit Arkwell ends the program.
#include "agent/frmMain.h"

#include "agent/libSysTrayApp.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class NoTrayTest : public testing_support::AppFolderTest {
protected:
    void TearDown() override
    {
        libSysTrayApp::SystemTrayRemoveIcon();
        libSysTrayApp::SetTrayProbe({});
        AppFolderTest::TearDown();
    }
    bool trayUp = false;
    frmSchedule schedule;
    frmMain main{schedule, false};
};

TEST_F(NoTrayTest, ClosingTheWindowSaysOnceHowToGetItBackUntilATrayComesWithTheStatus)
{
    libSysTrayApp::SetTrayProbe([this] { return trayUp; });
    QSignalSpy ended(&main, &frmMain::ended);
    main.Form_Load({"arkwell", "/SILENT"}, false);
    EXPECT_FALSE(schedule.isVisible());
    ASSERT_TRUE(main.tmrWaitForTray->isActive());

    for (int close = 0; close < 2; ++close) {
        schedule.show();
        schedule.mnuFileClose->trigger();
    }
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(messageBoxes.messages()[0].text.contains("start Arkwell again"));
    EXPECT_EQ(ended.count(), 0);

    trayUp = true;
    main.tmrWaitForTray->setInterval(0);
    EXPECT_TRUE(QTest::qWaitFor([] { return libSysTrayApp::SystemTrayIconShown(); }));
    EXPECT_FALSE(main.tmrWaitForTray->isActive());
    EXPECT_EQ(libSysTrayApp::SystemTrayToolTip(), main.TrayToolTip());  // the late icon shows the status at once

    schedule.show();
    schedule.mnuFileExit->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(schedule.isVisible());
}

}  // namespace
