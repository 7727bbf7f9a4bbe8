// The error report: its log layout, its message boxes and the fatal end.
#include "lib/Errors.h"
#include "lib/TransactionLog.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

using Errors::report;
using testing_support::AppFolderTest;
using testing_support::FatalEnd;
using testing_support::TestClock;

TEST_F(AppFolderTest, ReportsAreLoggedCleanedAndShownAndAFatalOneEndsEvenWithoutALog)
{
    report(false, {.number = -5, .description = "it's \"odd\"; really", .osError = -2}, "JobListWindow.frm",
                "Let MessageText()");
    report(false, {.number = 7, .description = "second"}, "TransactionLog", "append()");
    const QString log = QString::fromUtf8(readFile("arkwell.err"));
    EXPECT_TRUE(log.contains("Description: ERR#-5 @ Arkwell - it~s ~odd~~ really\r\n"));
    EXPECT_TRUE(log.contains("Last DLL:    -2 \r\n"));
    EXPECT_TRUE(log.contains("Details:     ERR#-5 @ Arkwell - it`s `odd`` really\r\n"));
    EXPECT_TRUE(log.contains("Severity:    Non-Fatal"));
    // The second report follows the first directly with its row of hyphens.
    EXPECT_TRUE(log.contains("Module/Function: JobListWindow.frm/Let MessageText().\r\n\r\n\r\n" + QString(80, '-') + "\r\n"));
    ASSERT_EQ(messageBoxes.messages().size(), 2u);
    EXPECT_EQ(messageBoxes.messages()[0].title, "Non Fatal Application Error");
    EXPECT_EQ(messageBoxes.messages()[0].text, "ERR#-5 @ Arkwell - it~s ~odd~~ really\r\n\r\nPress Ok to Continue.");

    QFile::remove(path("arkwell.err"));
    TestClock clock(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
    EXPECT_THROW(report(true, {.number = 53, .description = "File not found"}, "Files", "removeMatching()"), FatalEnd);
    // Two empty lines close the report.
    EXPECT_EQ(QString::fromUtf8(readFile("arkwell.err")),
              QString(80, '-') + "\r\nDate:        2026-02-03 04:05:06\r\nComputer:    " + QSysInfo::machineHostName()
                  + "\r\nSeverity:    Fatal\r\nDescription: ERR#53 @ Arkwell - File not found\r\nLast DLL:     0 \r\n"
                    "Details:     ERR#53 @ Arkwell - File not found\r\n" + QString(40, '-')
                  + "\r\nModule/Function: Files/removeMatching().\r\n\r\n\r\n");
    ASSERT_EQ(messageBoxes.messages().size(), 3u);
    EXPECT_EQ(messageBoxes.messages()[2].title, "Fatal Application Error");
    EXPECT_EQ(messageBoxes.messages()[2].text, "ERR#53 @ Arkwell - File not found\r\n\r\nApplication will now terminate.");

    // An error log that can't be written still shows the box and ends.
    QFile::remove(path("arkwell.err"));
    QDir().mkpath(path("arkwell.err"));  // a folder where the log should be: it can't be opened
    EXPECT_THROW(report(true, {.number = 75, .description = "x"}, "AgentStart", "run()"), FatalEnd);
    EXPECT_EQ(messageBoxes.messages().at(3).title, "Fatal Application Error");
}

TEST_F(AppFolderTest, TheGuardReportsWhereItStandsAndReturnsTheDefaultAndErrnoMapsToTheProgramsNumber)
{
    Errors::setFatalEndHandler([] {});  // a fatal end that lets the guard return
    const int result = Errors::guard([]() -> int {
        Errors::throwErrno(EACCES, "/root/secret");
    });
    EXPECT_EQ(result, 0);
    const QString log = QString::fromUtf8(readFile("arkwell.err"));
    EXPECT_TRUE(log.contains("ERR#70 @ Arkwell - Permission denied: `/root/secret` (")) << log.toStdString();
    EXPECT_TRUE(log.contains("Last DLL:     13 "));
    EXPECT_TRUE(log.contains("Module/Function: Errors_test.cpp/")) << log.toStdString();
    // Outside a run the same refusal is a result with its reason.
    EXPECT_TRUE(Errors::attempt([] { Errors::throwErrno(ENOENT, "/nowhere"); }).reason().startsWith("File not found: '/nowhere'"));
}

TEST_F(AppFolderTest, LogEventWritesStampedLines)
{
    TestClock clock(QDateTime(QDate(2026, 7, 4), QTime(21, 5, 9)));
    TransactionLog::append("Zipping Up   \"quoted\" entry");
    TransactionLog::append(QString());
    TransactionLog::append("same second");
    EXPECT_EQ(readFile("arkwell.log"), QByteArray("07/04/2026 21:05:09  Zipping Up   'quoted' entry\r\n"
                                                  "07/04/2026 21:05:09  Null\r\n"
                                                  "07/04/2026 21:05:09  same second\r\n"));
}
