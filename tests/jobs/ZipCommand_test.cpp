// What zip is started with for each kind of entry, and what its exit codes say.
#include "jobs/ZipCommand.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using ZipCommand::ExitCodeMessage;

TEST(ZipExitCodes, EveryRowWordForWord)
{
    const QString e = QStringLiteral("/d/*.doc");
    const QString s = QStringLiteral(" for file item '/d/*.doc'.");
    EXPECT_EQ(ExitCodeMessage(0, e, false), std::nullopt);
    EXPECT_EQ(ExitCodeMessage(12, e, true), std::nullopt);
    EXPECT_EQ(ExitCodeMessage(12, e, false), "Zip has nothing to do" + s);
    EXPECT_EQ(ExitCodeMessage(2, e, false), "Unexpected end of zip file" + s);
    EXPECT_EQ(ExitCodeMessage(3, e, false), "A generic error in the zipfile format was detected" + s
                                                + ".  Processing may have completed successfully anyway; some broken "
                                                  "zipfiles created by other archivers have simple work-arounds.");
    EXPECT_EQ(ExitCodeMessage(4, e, false),
              "zip was unable to allocate memory for one or more buffers during program initialization" + s);
    EXPECT_EQ(ExitCodeMessage(5, e, false),
              "A severe error in the zipfile format was detected.  Processing probably failed immediately" + s);
    for (int code : {6, 7, 16})
        EXPECT_EQ(ExitCodeMessage(code, e, true), "Miscellaneous Zip Error (" + QString::number(code) + ")" + s);
    EXPECT_EQ(ExitCodeMessage(8, e, false), "Out of memory or Zip -T failed" + s);
    EXPECT_EQ(ExitCodeMessage(9, e, false), "The user aborted zip prematurely with control-C (or similar)" + s);
    EXPECT_EQ(ExitCodeMessage(10, e, false), "Zip encountered an error while using a temp file" + s);
    EXPECT_EQ(ExitCodeMessage(11, e, false), "Read or seek error" + s);
    EXPECT_EQ(ExitCodeMessage(13, e, false), "Missing or empty zip file" + s);
    EXPECT_EQ(ExitCodeMessage(14, e, false), "Error writing to a file" + s);
    EXPECT_EQ(ExitCodeMessage(15, e, false), "Zip was unable to create a file to write to" + s);
    EXPECT_EQ(ExitCodeMessage(18, e, false), "One or more source files were unable to be archived from the filespec" + s
                                                 + "  This error is typically caused by a file in use.");
    for (int code : {1, 17, 19, -1})
        EXPECT_EQ(ExitCodeMessage(code, e, false), "Unhandled Error#" + QString::number(code) + " has occurred" + s);
    EXPECT_EQ(ExitCodeMessage(Shell32::StartFailureBase + 53, e, false),
              "Unhandled Error#-2147221451 has occurred" + s);
}

TEST(ZipCommandLine, NamesOnStandardInputPasswordOnlyInTheEnvironment)
{
    ZipCommand::ZipOptions options{QStringLiteral("two words"), QDate(2026, 1, 5), QStringLiteral("/bk/.J.arkwell")};
    const std::vector<QByteArray> names{"/d/caf\xe9.txt", "/d/sub"};
    const Shell32::ProgramRun run = ZipCommand::EntryRun("/app/zip", options, "/bk/J.zip", names, true);
    const QStringList arguments = run.arguments;
    EXPECT_EQ(arguments.mid(0, 2), (QStringList{"-v", "-y"}));
    EXPECT_EQ(arguments.mid(4), (QStringList{"-t", "01052026", "-b", "/bk/.J.arkwell", "/bk/J.zip", "-@"}));
    for (const char* stored : {".jpg", ".JPG", ".Jpeg", ".mp4", ".MP4", ".zip", ".docx", ".7z"})
        EXPECT_TRUE(arguments[3].split(':').contains(stored)) << stored;
    EXPECT_EQ(run.standardInput, QByteArray("/d/caf\xe9.txt\n/d/sub\n"));  // bytes as the file system has them
    EXPECT_EQ(run.environment, (QStringList{"ZIPOPT=-P \"two words\"", "ZIP="}));
    EXPECT_FALSE(ZipCommand::CommandLineText(run).contains("two"));
    EXPECT_TRUE(ZipCommand::CommandLineText(run).contains("-P (password not shown)"));
    EXPECT_FALSE(ZipCommand::EntryRun("/app/zip", {}, "/bk/J.zip", names, false).arguments.contains("-y"));
    EXPECT_TRUE(ZipCommand::TestRun("/app/zip", {}, "/bk/J.zip").environment.contains("UNZIP="));
}

TEST(ZipCommandLine, WarningsNameTheFilesLeftOut)
{
    const QByteArray output = "  adding: a\t(stored 0%)\n\tzip warning: could not open for reading: d/c\n"
                              "\tzip warning: name not matched: d/gone\nzip warning: Not all files were readable\n";
    EXPECT_EQ(ZipCommand::LeftOutFiles(output), (std::vector<QByteArray>{"/d/c", "/d/gone"}));
}
