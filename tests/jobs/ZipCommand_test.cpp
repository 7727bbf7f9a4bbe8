// What zip is started with for each kind of entry, and what its exit codes say.
#include "jobs/ZipCommand.h"
#include "support/TestSupport.h"

using ZipCommand::ExitCodeMessage;

TEST(ZipExitCodes, NothingToDoFailsOnlyAFullBackupAndUnknownCodesKeepTheirNumber)
{
    // The texts themselves are a table in the code; what is checked is the choice among them.
    const QString e = QStringLiteral("/d/*.doc");
    const QString s = QStringLiteral(" for file item '/d/*.doc'.");
    EXPECT_EQ(ExitCodeMessage(0, e, false), std::nullopt);
    EXPECT_EQ(ExitCodeMessage(12, e, true), std::nullopt);
    EXPECT_EQ(ExitCodeMessage(12, e, false), "Zip has nothing to do" + s);
    EXPECT_TRUE(ExitCodeMessage(18, e, true)->endsWith(s + "  This error is typically caused by a file in use."));
    for (int code : {6, 7, 16})
        EXPECT_EQ(ExitCodeMessage(code, e, true), "Miscellaneous Zip Error (" + QString::number(code) + ")" + s);
    for (int code : {1, 17, 19, -1, Shell32::StartFailureBase + 53})
        EXPECT_EQ(ExitCodeMessage(code, e, false), "Unhandled Error#" + QString::number(code) + " has occurred" + s);
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
