// The about box: what it shows, what its buttons and links start, and how it closes; and a log
// on a desktop without a viewer for it, which the program's own window shows and follows.
#include "dialogs/frmAbout.h"

#include "dialogs/frmLogView.h"
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
        QDir().mkpath(folder);  // a folder with blanks is passed whole
        AppPaths::setApplicationPaths(folder, "arkwell");
    }
    void TearDown() override
    {
        delete about.data();
        AppFolderTest::TearDown();
    }
    void open()
    {
        about = new frmAbout;
        about->show();
    }
    QString text(const char* name) const { return FindControl<QLabel>(about, name)->text(); }
    void click(const char* name) const { FindControl<QAbstractButton>(about, name)->click(); }
    QString logText(const QWidget* view) const { return FindControl<QPlainTextEdit>(view, "txtLog")->toPlainText(); }

    const QString folder = path("my programs/Arkwell 1");
    QPointer<frmAbout> about;
    testing_support::LauncherRecorder launcher;
};

TEST_F(AboutTest, ShowsTheVersionOpensTheErrorLogAndTheHelpAndEndsOnEnterOrEsc)
{
    open();
    EXPECT_EQ(text("lblTitle"), "Arkwell " ARKWELL_VERSION);

    click("cmdErrorLog");  // nothing logged yet: said so, nothing started
    EXPECT_EQ(messageBoxes.messages().at(0).text, "No error has been logged yet (" + folder + "/arkwell.err).");
    writeFile("my programs/Arkwell 1/arkwell.err", "an error\r\n");
    click("cmdErrorLog");
    QSignalSpy help(about.data(), &frmAbout::HelpContents);
    emit FindControl<QLabel>(about, "lblWebsite")->linkActivated("#");  // the local help, no web address
    EXPECT_EQ(help.size(), 1);
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", folder + "/arkwell.err"}));
    click("cmdThankYou");
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
    const QString log = AppPaths::transactionLogPath();
    frmLogView::OpenLog(log);  // a viewer started: nothing of ours shows
    EXPECT_EQ(launcher.detached.back(), (QStringList{"xdg-open", log}));
    EXPECT_EQ(OpenWindow("frmLogView"), nullptr);
    EXPECT_TRUE(QFile::exists(log)) << "created empty, so a viewer has a file to show";

    writeFile("my programs/Arkwell 1/arkwell.log", "01/02/2026 10:00:00  first\r\n");
    launcher.detachedSucceeds = false;
    frmLogView::OpenLog(log);
    QWidget* view = frmLogView::ShowLog(log);
    ASSERT_EQ(OpenWindow("frmLogView"), view);  // the same window again, not a second one
    EXPECT_EQ(logText(view), "01/02/2026 10:00:00  first\n");
    TransactionLog::append("second");
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(view).endsWith("  second\n"); }, 10000));
    QFile::remove(log);
    writeFile("my programs/Arkwell 1/arkwell.log", "fresh\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText(view) == "fresh\n"; }, 10000));
    delete view;
}

}  // namespace
