// What zip is started with beyond what the real runs show, and what its rarer exit codes say.
#include "jobs/ZipCommand.h"
#include "support/TestSupport.h"

using ZipCommand::exitCodeMessage;

// Codes 0, 12 and 18 are met on real runs; these are not.
TEST(ZipExitCodes, CodesZipRarelyGivesKeepTheirNumber)
{
    const QString e = QStringLiteral("/d/*.doc");
    const QString s = QStringLiteral(" for file item '/d/*.doc'.");
    for (int code : {6, 7, 16})
        EXPECT_EQ(exitCodeMessage(code, e, true), "Miscellaneous Zip Error (" + QString::number(code) + ")" + s);
    for (int code : {1, 17, 19, -1, ChildProcess::StartFailureBase + 53})
        EXPECT_EQ(exitCodeMessage(code, e, false), "Unhandled Error#" + QString::number(code) + " has occurred" + s);
}

// The argument order, the names on standard input, the logged line and the stored suffixes
// are checked on real runs.
TEST(ZipCommandLine, OnlyTheOptionsItSetsItselfAndThePasswordInTheEnvironment)
{
    ZipCommand::ZipOptions options{QStringLiteral("two words"), {}};
    // A file entry's own link is followed.
    EXPECT_FALSE(ZipCommand::entryRun("/app/zip", options, "/bk/J.zip", {}, false).arguments.contains("-y"));
    EXPECT_EQ(ZipCommand::entryRun("/app/zip", options, "/bk/J.zip", {}, true).environment,
              (QStringList{"ZIPOPT=-P \"two words\"", "ZIP="}));
    EXPECT_TRUE(ZipCommand::testRun("/app/zip", {}, "/bk/J.zip").environment.contains("UNZIP="));
}

TEST(ZipCommandLine, EveryWarningCountsAndNamesItsFile)
{
    const QByteArray output = "  adding: a\t(stored 0%)\n\tzip warning: could not open for reading: d/c\n"
                              "\tzip warning: name not matched: d/gone\n\tzip warning:  file size changed while zipping /d/s\n"
                              "zip warning: something else\nzip warning: Not all files were readable\n";
    std::vector<std::tuple<QByteArray, QString, bool>> seen;
    for (const ZipCommand::Warning& w : ZipCommand::warnings(output))
        seen.emplace_back(w.file, w.text, w.leftOut);
    EXPECT_EQ(seen, (std::vector<std::tuple<QByteArray, QString, bool>>{{"/d/c", "could not open for reading:", true},
                                                                         {"/d/gone", "name not matched:", true},
                                                                         {"/d/s", "file size changed while zipping", false},
                                                                         {"", "something else", false}}));
}

// zip's verbose lines: a large file's name is followed by a space and a dot per chunk done.
TEST(ZipCommandLine, AddedFilesAreNamedWithoutZipsProgressDots)
{
    const QByteArray output = "  adding: d/small.txt\t(in=2) (out=2) (stored 0%)\n"
                              "  adding: d/big file.bin ...\t(in=40000000) (out=40006105) (deflated 0%)\n"
                              "updating: d/mid.bin \t(in=3000000) (out=2923) (deflated 100%)\n  adding: d/sub/\t(in=0)\n";
    EXPECT_EQ(ZipCommand::addedFiles(output),
              (std::vector<QByteArray>{"/d/small.txt", "/d/big file.bin", "/d/mid.bin"}));
}
