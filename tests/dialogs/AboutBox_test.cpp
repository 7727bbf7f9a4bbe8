// The about box, and a log on a desktop without a viewer for it.
#include "dialogs/AboutBox.h"

#include "dialogs/LogWindow.h"
#include "lib/AppPaths.h"
#include "lib/TransactionLog.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QPlainTextEdit>
#include <QSignalSpy>

using testing_support::FindControl;
using testing_support::OpenWindow;
using testing_support::Unloaded;

namespace {

class AboutTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QDir().mkpath(folder); // a folder with blanks is passed whole
        AppPaths::setApplicationPaths(folder, "arkwell");
    }
    QPointer<AboutBox> open()
    {
        auto* about = new AboutBox;
        about->show();
        return about;
    }

    const QString folder = path("my programs/Arkwell 1");
    testing_support::LauncherRecorder launcher;
};

TEST_F(AboutTest, ShowsTheVersionOpensTheErrorLogAndTheHelpAndEndsOnEnterOrEsc)
{
    QPointer<AboutBox> about = open();
    const auto click = [&about](const char* name) { FindControl<QAbstractButton>(about, name)->click(); };
    click("errorLogButton"); // nothing logged yet: said so, nothing started
    EXPECT_EQ(messageBoxes.messages().at(0).text, "No error has been logged yet (" + folder + "/arkwell.err).");
    writeFile("my programs/Arkwell 1/arkwell.err", "an error\r\n");
    click("errorLogButton");
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", folder + "/arkwell.err"}));
    QSignalSpy help(about.data(), &AboutBox::helpRequested);
    emit FindControl<QLabel>(about, "helpLink")->linkActivated("#"); // the local help, no web address
    EXPECT_EQ(help.size(), 1);
    click("thankYouButton");
    EXPECT_EQ(messageBoxes.messages().size(), 2u);

    // Enter clicks OK; Esc, as the window's own close button, ends the box the same way.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        if (!about)
            about = open();
        QTest::keyClick(about, key);
        EXPECT_TRUE(Unloaded(about));
    }
}

TEST_F(AboutTest, WithoutAViewerTheProgramShowsALogAndFollowsIt)
{
    const QString log = AppPaths::transactionLogPath();
    const auto shown = [](const QWidget* view) { return FindControl<QPlainTextEdit>(view, "logText")->toPlainText(); };
    LogWindow::openLog(log); // a viewer started: nothing of ours shows
    EXPECT_EQ(launcher.detached.back(), (QStringList{"xdg-open", log}));
    EXPECT_EQ(OpenWindow("LogWindow"), nullptr);
    EXPECT_TRUE(QFile::exists(log)) << "created empty, so a viewer has a file to show";

    writeFile("my programs/Arkwell 1/arkwell.log", "01/02/2026 10:00:00  first\r\n");
    launcher.detachedSucceeds = false;
    LogWindow::openLog(log);
    QWidget* view = LogWindow::showLog(log);
    ASSERT_EQ(OpenWindow("LogWindow"), view); // the same window again, not a second one
    EXPECT_EQ(shown(view), "01/02/2026 10:00:00  first\n");
    TransactionLog::append("second");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(view).endsWith("  second\n"); }, 10000));
    QFile::remove(log);
    writeFile("my programs/Arkwell 1/arkwell.log", "fresh\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown(view) == "fresh\n"; }, 10000));
    delete view;
}

} // namespace
