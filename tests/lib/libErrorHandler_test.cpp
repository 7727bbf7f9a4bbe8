// The error report: its log layout, its message boxes and the fatal end.
#include "lib/libErrorHandler.h"
#include "lib/libLog.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using libErrorHandler::ErrorInfo;
using libErrorHandler::ReportError;
using testing_support::AppFolderTest;
using testing_support::FatalEnd;
using testing_support::TestClock;

namespace {

ErrorInfo failure(qint32 number, const QString& description, qint32 lastDll = 0)
{
    ErrorInfo info;
    info.Number = number;
    info.Description = description;
    info.LastDllError = lastDll;
    return info;
}

}  // namespace

TEST_F(AppFolderTest, FatalReportIsLoggedThenShownThenEndsEvenWithoutALog)
{
    TestClock clock(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
    EXPECT_THROW(ReportError(true, failure(53, "File not found"), "libFiles.bas", "uKill()"), FatalEnd);
    const QStringList lines = QString::fromUtf8(readFile("arkwell.err")).split("\r\n");
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines[0], QString(80, '-'));
    EXPECT_EQ(lines[1], "Date:        2026-02-03 04:05:06");
    EXPECT_TRUE(lines[2].startsWith("Computer:    "));
    EXPECT_EQ(lines[3], "Severity:    Fatal");
    EXPECT_EQ(lines[4], "Description: ERR#53 @ Arkwell - File not found");
    EXPECT_EQ(lines[5], "Last DLL:     0 ");
    EXPECT_EQ(lines[6], "Details:     ERR#53 @ Arkwell - File not found");
    EXPECT_EQ(lines[7], QString(40, '-'));
    EXPECT_EQ(lines[8], "Module/Function: libFiles.bas/uKill().");
    EXPECT_EQ(lines[9], "");
    EXPECT_EQ(lines[10], "");
    EXPECT_EQ(lines[11], "");  // the end of the file: two empty lines close the report

    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    const libForms::Message& box = messageBoxes.messages()[0];
    EXPECT_EQ(box.title, "Fatal Application Error");
    EXPECT_EQ(box.text, "ERR#53 @ Arkwell - File not found\r\n\r\nApplication will now terminate.");
    EXPECT_EQ(box.buttons, libForms::Buttons::OK);
    EXPECT_EQ(box.icon, libForms::Icon::Exclamation);

    // An error log that can't be written still shows the box and ends.
    QFile::remove(path("arkwell.err"));
    QDir().mkpath(path("arkwell.err"));  // a folder where the log should be: it can't be opened
    EXPECT_THROW(ReportError(true, failure(75, "x"), "appSetup.bas", "Main()"), FatalEnd);
    ASSERT_EQ(messageBoxes.messages().size(), 2u);
    EXPECT_EQ(messageBoxes.messages()[1].title, "Fatal Application Error");
}

TEST_F(AppFolderTest, QuotesAndSemicolonsAreCleanedDifferentlyInSummaryAndDetails)
{
    ReportError(false, failure(-5, "it's \"odd\"; really", -2), "frmSchedule.frm", "Let MessageText()");
    ReportError(false, failure(7, "second"), "libLog.bas", "LogEvent()");
    const QString log = QString::fromUtf8(readFile("arkwell.err"));
    EXPECT_TRUE(log.contains("Description: ERR#-5 @ Arkwell - it~s ~odd~~ really\r\n"));
    EXPECT_TRUE(log.contains("Last DLL:    -2 \r\n"));
    EXPECT_TRUE(log.contains("Details:     ERR#-5 @ Arkwell - it`s `odd`` really\r\n"));
    EXPECT_TRUE(log.contains("Severity:    Non-Fatal"));
    // The second report follows the first directly with its row of hyphens.
    EXPECT_TRUE(log.contains("Module/Function: frmSchedule.frm/Let MessageText().\r\n\r\n\r\n" + QString(80, '-') + "\r\n"));
    ASSERT_EQ(messageBoxes.messages().size(), 2u);
    EXPECT_EQ(messageBoxes.messages()[0].title, "Non Fatal Application Error");
    EXPECT_EQ(messageBoxes.messages()[0].text, "ERR#-5 @ Arkwell - it~s ~odd~~ really\r\n\r\nPress Ok to Continue.");
}

TEST_F(AppFolderTest, TrapReportsAndReturnsTheDefault)
{
    libErrorHandler::SetFatalEndHandler([] {});  // a fatal end that lets the trap return
    const int result = libErrorHandler::Trap("libFiles.bas", "FormatPath()", []() -> int {
        libErrorHandler::RaiseErrno(EACCES, "/root/secret");
    });
    EXPECT_EQ(result, 0);
    const QString log = QString::fromUtf8(readFile("arkwell.err"));
    EXPECT_TRUE(log.contains("ERR#70 @ Arkwell - Permission denied: `/root/secret` (")) << log.toStdString();
    EXPECT_TRUE(log.contains("Last DLL:     13 "));
}

TEST(ErrorNumbers, ErrnoMapsToTheProgramsNumbers)
{
    EXPECT_EQ(libErrorHandler::FromErrno(ENOENT, "/tmp/none.txt").Number, 53);
    EXPECT_EQ(libErrorHandler::FromErrno(ENOENT, "/no/such/dir/none.txt").Number, 76);
    EXPECT_EQ(libErrorHandler::FromErrno(EACCES, "/x").Number, 70);
    EXPECT_EQ(libErrorHandler::FromErrno(EROFS, "/x").Number, 70);
    EXPECT_EQ(libErrorHandler::FromErrno(ENOSPC, "/x").Number, 61);
    EXPECT_EQ(libErrorHandler::FromErrno(EIO, "/x").Number, 57);
    EXPECT_EQ(libErrorHandler::FromErrno(EEXIST, "/x").Number, 58);
    EXPECT_EQ(libErrorHandler::FromErrno(EBUSY, "/x").Number, 75);
    EXPECT_TRUE(libErrorHandler::FromErrno(ENOENT, "/tmp/none.txt").Description.startsWith("File not found: '/tmp/none.txt'"));
}

TEST_F(AppFolderTest, LogEventWritesStampedLines)
{
    TestClock clock(QDateTime(QDate(2026, 7, 4), QTime(21, 5, 9)));
    libLog::LogEvent("Zipping Up   \"quoted\" entry");
    libLog::LogEvent(QString());
    libLog::LogEvent("same second");
    EXPECT_EQ(readFile("arkwell.log"), QByteArray("07/04/2026 21:05:09  Zipping Up   'quoted' entry\r\n"
                                                  "07/04/2026 21:05:09  Null\r\n"
                                                  "07/04/2026 21:05:09  same second\r\n"));
    libLog::LogEvent("later");
    EXPECT_EQ(transactionLog().size(), 4);
}
