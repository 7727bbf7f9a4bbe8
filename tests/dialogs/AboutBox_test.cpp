// The about box: what it shows, what its buttons and links start, and how it closes; and a log
// on a desktop without a viewer for it, which the program's own window shows and follows.
#include "dialogs/AboutBox.h"

#include "dialogs/LogWindow.h"
#include "lib/appSetup.h"
#include "lib/libLog.h"
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
        QDir().mkpath(folder);  // a folder with blanks is passed whole
        appSetup::SetApplicationPaths(folder, "arkwell");
    }
    void TearDown() override
    {
        delete about.data();
        AppFolderTest::TearDown();
    }
    void open()
    {
        about = new AboutBox;
        about->show();
    }
    QString text(const char* name) const { return FindControl<QLabel>(about, name)->text(); }
    void click(const char* name) const { FindControl<QAbstractButton>(about, name)->click(); }
    QString logText(const QWidget* view) const { return FindControl<QPlainTextEdit>(view, "logText")->toPlainText(); }

    const QString folder = path("my programs/Arkwell 1");
    QPointer<AboutBox> about;
    testing_support::LauncherRecorder launcher;
};

TEST_F(AboutTest, ShowsTheVersionOpensTheErrorLogAndTheHelpAndEndsOnEnterOrEsc)
{
    open();
    EXPECT_EQ(text("title"), "Arkwell " ARKWELL_VERSION);

    click("errorLogButton");  // nothing logged yet: said so, nothing started
    EXPECT_EQ(messageBoxes.messages().at(0).text, "No error has been logged yet (" + folder + "/arkwell.err).");
    writeFile("my programs/Arkwell 1/arkwell.err", "an error\r\n");
    click("errorLogButton");
    QSignalSpy help(about.data(), &AboutBox::helpRequested);
    emit FindControl<QLabel>(about, "helpLink")->linkActivated("#");  // the local help, no web address
    EXPECT_EQ(help.size(), 1);
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", folder + "/arkwell.err"}));
    click("thankYouButton");
    EXPECT_EQ(messageBoxes.messages().at(1).title, "Thank You");
    EXPECT_TRUE(about->isVisible());

    // Enter clicks Close; Esc, as the window's own close button, ends the box the same way.
    QTest::keyClick(about, Qt::Key_Return);
    EXPECT_TRUE(Unloaded(about));
    open();
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(Unloaded(about));
    EXPECT_EQ(messageBoxes.messages().size(), 2u);
}

TEST_F(AboutTest, WithoutAViewerTheProgramShowsALogAndFollowsIt)
{
    const QString log = appSetup::TransactionLogPath();
    LogWindow::openLog(log);  // a viewer started: nothing of ours shows
    EXPECT_EQ(launcher.detached.back(), (QStringList{"xdg-open", log}));
    EXPECT_EQ(OpenWindow("LogWindow"), nullptr);
    EXPECT_TRUE(QFile::exists(log)) << "created empty, so a viewer has a file to show";

    writeFile("my programs/Arkwell 1/arkwell.log", "01/02/2026 10:00:00  first\r\n");
    launcher.detachedSucceeds = false;
    LogWindow::openLog(log);
    QWidget* view = LogWindow::showLog(log);
    ASSERT_EQ(OpenWindow("LogWindow"), view);  // the same window again, not a second one
    EXPECT_EQ(logText(view), "01/02/2026 10:00:00  first\n");
    libLog::LogEvent("second");
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(view).endsWith("  second\n"); }, 10000));
    QFile::remove(log);
    writeFile("my programs/Arkwell 1/arkwell.log", "fresh\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(view) == "fresh\n"; }, 10000));
    delete view;
}

}  // namespace
