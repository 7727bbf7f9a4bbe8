// A log on a desktop without a viewer for it: the program's own window shows it, follows
// the lines logged while it is open, and starts over when the file is replaced.
#include "dialogs/frmLogView.h"

#include "lib/appSetup.h"
#include "lib/libLog.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

using testing_support::FindControl;
using testing_support::LauncherRecorder;

namespace {

class LogViewTest : public testing_support::AppFolderTest {};

TEST_F(LogViewTest, WithoutAViewerTheProgramShowsTheLogAndFollowsIt)
{
    LauncherRecorder launcher;
    const QString log = appSetup::TransactionLogPath();
    frmLogView::OpenLog(log);  // a viewer started: nothing of ours shows
    EXPECT_EQ(launcher.detached.back(), (QStringList{"xdg-open", log}));
    EXPECT_EQ(testing_support::OpenWindow("frmLogView"), nullptr);
    EXPECT_TRUE(QFile::exists(log)) << "created empty, so a viewer has a file to show";

    writeFile("arkwell.log", "01/02/2026 10:00:00  first\r\n");
    launcher.detachedSucceeds = false;
    frmLogView::OpenLog(log);
    QWidget* view = frmLogView::ShowLog(log);
    ASSERT_EQ(testing_support::OpenWindow("frmLogView"), view);  // the same window again, not a second one
    const auto* text = FindControl<QPlainTextEdit>(view, "txtLog");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->toPlainText(), "01/02/2026 10:00:00  first\n");

    libLog::LogEvent("second");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text->toPlainText().endsWith("  second\n"); }, 10000));
    QFile::remove(log);
    writeFile("arkwell.log", "fresh\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return text->toPlainText() == "fresh\n"; }, 10000));
    delete view;
}

}  // namespace
