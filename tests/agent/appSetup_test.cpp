// The preferences file: read, defaults, damage and the written layout.
#include "agent/appSetup.h"
#include "support/TestSupport.h"

using testing_support::AppFolderTest;

namespace {

class PreferencesTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        appSetup::MaxBackupCopies = 0;
        appSetup::StopOnError = false;
    }
    void expectPreferences(qint16 copies, bool stop) const
    {
        EXPECT_EQ(appSetup::MaxBackupCopies, copies);
        EXPECT_EQ(appSetup::StopOnError, stop);
    }
};

}  // namespace

TEST_F(PreferencesTest, LinesAreTrimmedAndAnEmptyFirstLineIsTheDefault)
{
    writeFile("Arkwell.txt", "   \r\n 0 \r\n");
    appSetup::LoadPreferences();
    expectPreferences(99, false);

    writeFile("Arkwell.txt", "12\r\n-1\r\n");
    appSetup::LoadPreferences();
    expectPreferences(12, true);
    appSetup::SavePreferences();
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 12 \r\n-1 \r\n"));

    appSetup::MaxBackupCopies = 5;
    appSetup::StopOnError = false;
    appSetup::SavePreferences();
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 5 \r\n 0 \r\n"));
}

TEST_F(PreferencesTest, MissingOrDamagedFileReadsAsTheDefaultsAndIsRewrittenSound)
{
    appSetup::LoadPreferences();
    expectPreferences(99, true);
    EXPECT_FALSE(QFile::exists(appSetup::PreferencesPath()));  // not created by reading
    for (const QByteArray& damaged : {QByteArray(), QByteArray("12\r\n"), QByteArray("x\r\n0\r\n"),
                                     QByteArray("12\r\nmaybe\r\n"), QByteArray("70000\r\n0\r\n"),
                                     QByteArray("0\r\n-1\r\n"), QByteArray("-5\r\n-1\r\n"), QByteArray("100\r\n-1\r\n")}) {
        writeFile("Arkwell.txt", damaged);
        appSetup::MaxBackupCopies = 0;  // so that each file's reading shows
        appSetup::StopOnError = false;
        appSetup::LoadPreferences();
        expectPreferences(99, true);
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
    appSetup::SavePreferences();
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 99 \r\n-1 \r\n"));
}
