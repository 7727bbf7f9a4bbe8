// The preferences file: read, defaults, damage and the written layout.
#include "lib/appSetup.h"
#include "support/TestSupport.h"

using testing_support::AppFolderTest;

namespace {

class PreferencesTest : public AppFolderTest {
protected:
    void expectPreferences(qint16 copies, bool stop, bool missed = true) const
    {
        EXPECT_EQ(appSetup::MaxBackupCopies, copies);
        EXPECT_EQ(appSetup::StopOnError, stop);
        EXPECT_EQ(appSetup::RunMissedBackups, missed);
    }
};

}  // namespace

TEST_F(PreferencesTest, FilesReadAsTheirLinesSayAndDamagedOnesAsTheDefaults)
{
    // Lines are trimmed; an empty first line, or a count outside 1 to 99, is the default; a file
    // without the third line runs missed backups; a damaged file gives the defaults.
    const std::vector<std::tuple<QByteArray, qint16, bool, bool>> files{
        {"   \r\n 0 \r\n", 99, false, true}, {"12\r\n-1\r\n", 12, true, true},  {" 5 \r\n 0 \r\n 0 \r\n", 5, false, false},
        {"", 99, true, true},              {"12\r\n", 99, true, true},         {"x\r\n0\r\n", 99, true, true},
        {"12\r\nmaybe\r\n", 99, true, true},  {"70000\r\n0\r\n", 99, true, true}, {"12\r\n0\r\nyes\r\n", 99, true, true},
        {"0\r\n0\r\n", 99, false, true},    {"-5\r\n-1\r\n", 99, true, true},  {"100\r\n-1\r\n", 99, true, true}};
    for (const auto& [file, copies, stop, missed] : files) {
        writeFile("Arkwell.txt", file);
        appSetup::MaxBackupCopies = 0;  // so that each file's reading shows
        appSetup::StopOnError = !stop;
        appSetup::RunMissedBackups = !missed;
        appSetup::LoadPreferences();
        expectPreferences(copies, stop, missed);
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
    appSetup::SavePreferences();  // written whole and sound
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 99 \r\n-1 \r\n-1 \r\n"));
    appSetup::MaxBackupCopies = 5;
    appSetup::StopOnError = false;
    appSetup::RunMissedBackups = false;
    appSetup::SavePreferences();
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 5 \r\n 0 \r\n 0 \r\n"));

    QFile::remove(appSetup::PreferencesPath());
    appSetup::LoadPreferences();
    expectPreferences(99, true);
    EXPECT_FALSE(QFile::exists(appSetup::PreferencesPath()));  // not created by reading
}
