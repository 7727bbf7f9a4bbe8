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

TEST(ZipCommandLine, ArgumentsForEachKindOfEntry)
{
    QTemporaryDir dir;
    for (const char* name : {"a.txt", ".b.txt", "c.TXT", "Makefile", "sub/d.txt"}) {
        QDir().mkpath(QFileInfo(dir.filePath(name)).absolutePath());
        QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    }
    const QString d = dir.path();
    ZipCommand::ZipOptions options;
    const QString zip = QStringLiteral("/app/zip");
    const QString archive = QStringLiteral("/bk/J.zip");
    {
        options.subdirectories = true;  // a single file never recurses
        const Shell32::ProgramRun run = ZipCommand::EntryRun(zip, options, archive, d + "/a.txt");
        EXPECT_EQ(run.program, zip);
        EXPECT_EQ(run.arguments, (QStringList{"-v", "-n", ".zip", archive, d + "/a.txt"}));
        EXPECT_TRUE(run.environment.contains("ZIPOPT="));  // the user's own options never reach zip
    }
    {
        const Shell32::ProgramRun run = ZipCommand::EntryRun(zip, options, archive, d + "/*.txt");
        EXPECT_EQ(run.arguments, (QStringList{"-v", "-r", "-n", ".zip", archive, d, "-i", "*.txt"}));
        EXPECT_EQ(ZipCommand::EntryRun(zip, options, archive, d + "/*.*").arguments,
                  (QStringList{"-v", "-r", "-n", ".zip", archive, d}));  // every file: no pattern
        options.ownArchiveBase = "/bk/J";
        EXPECT_EQ(ZipCommand::EntryRun(zip, options, archive, d + "/*.txt").arguments,
                  (QStringList{"-v", "-r", "-n", ".zip", archive, d, "-x", "/bk/J.zip", "/bk/J_*.zip", "-i", "*.txt"}));
        options.ownArchiveBase.clear();
    }
    {
        options.subdirectories = false;
        options.changedSince = QDate(2026, 1, 5);
        const Shell32::ProgramRun run = ZipCommand::EntryRun(zip, options, archive, d + "/*.txt");
        EXPECT_EQ(run.arguments, (QStringList{"-v", "-n", ".zip", "-t", "01052026", archive, "-@"}));
        EXPECT_EQ(run.standardInput, (d + "/.b.txt\n" + d + "/a.txt\n").toUtf8());  // case-sensitive, dot files too
        EXPECT_EQ(ZipCommand::EntryRun(zip, options, archive, d + "/*.*").standardInput.count('\n'), 4);
    }
    {
        options.password = QStringLiteral("two words");
        const Shell32::ProgramRun run = ZipCommand::EntryRun(zip, options, archive, d + "/a.txt");
        EXPECT_FALSE(run.arguments.join(' ').contains("two"));
        EXPECT_TRUE(run.environment.contains("ZIPOPT=-P \"two words\""));
        EXPECT_FALSE(ZipCommand::CommandLineText(run).contains("two"));
        EXPECT_TRUE(ZipCommand::CommandLineText(run).contains("-P (password not shown)"));
        EXPECT_EQ(ZipCommand::PasswordOption(QStringLiteral("ab\"cd")), "-P ab\"cd");
        EXPECT_EQ(ZipCommand::PasswordOption(QString()), "");
    }
}
