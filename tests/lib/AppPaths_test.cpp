// The preferences file: read, defaults, damage and the written layout; where the data lives.
#include "lib/AppPaths.h"
#include "lib/Preferences.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using testing_support::AppFolderTest;

TEST_F(AppFolderTest, PreferencesReadAsTheirLinesSayAndDamagedOnesAsTheDefaults)
{
    const auto preferences = [] {
        return std::tuple(Preferences::maxBackupCopies, Preferences::stopOnError, Preferences::runMissedBackups);
    };
    // Lines are trimmed; an empty first line, or a count outside 1 to 99, is the default; a file
    // without the third line runs missed backups; a damaged file gives the defaults.
    const std::vector<std::tuple<QByteArray, qint16, bool, bool>> files{
        {"   \r\n 0 \r\n", 99, false, true}, {"12\r\n-1\r\n", 12, true, true},  {" 5 \r\n 0 \r\n 0 \r\n", 5, false, false},
        {"", 99, true, true},              {"12\r\n", 99, true, true},         {"x\r\n0\r\n", 99, true, true},
        {"12\r\nmaybe\r\n", 99, true, true},  {"70000\r\n0\r\n", 99, true, true}, {"12\r\n0\r\nyes\r\n", 99, true, true},
        {"0\r\n0\r\n", 99, false, true},    {"-5\r\n-1\r\n", 99, true, true},  {"100\r\n-1\r\n", 99, true, true}};
    for (const auto& [file, copies, stop, missed] : files) {
        SCOPED_TRACE(file.toStdString());
        writeFile("Arkwell.txt", file);
        Preferences::maxBackupCopies = 0;  // so that each file's reading shows
        Preferences::stopOnError = !stop;
        Preferences::runMissedBackups = !missed;
        Preferences::load();
        EXPECT_EQ(preferences(), std::tuple(copies, stop, missed));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
    Preferences::maxBackupCopies = 5;
    Preferences::stopOnError = Preferences::runMissedBackups = false;
    Preferences::save();  // written whole and sound
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 5 \r\n 0 \r\n 0 \r\n"));

    QFile::remove(AppPaths::preferencesPath());
    Preferences::load();
    EXPECT_EQ(preferences(), std::tuple(qint16(99), true, true));
    EXPECT_FALSE(QFile::exists(AppPaths::preferencesPath()));  // not created by reading
}

// A program folder the user can't write into (here: one that isn't there) keeps its data in
// $XDG_DATA_HOME/arkwell, made owner-only; its own files stay beside the executable.
TEST_F(AppFolderTest, AnUnwritableProgramFolderKeepsItsDataInTheUsersDataFolder)
{
    const QString autostart = path("xdg-config/autostart/arkwell.desktop");
    EXPECT_EQ(AppPaths::dataFolder(), appFolder());
    Preferences::applyStartAtLoginDefault();  // a writable copy doesn't start at log-in by itself
    EXPECT_FALSE(QFile::exists(autostart));
    AppPaths::setApplicationPaths(path("installed/lib/arkwell"), "arkwell");
    const QString data = path("xdg-data/arkwell");
    ASSERT_TRUE(AppPaths::checkDataFolder());
    EXPECT_EQ(QFile::permissions(data) & 0x0077, 0);  // no group or other bits
    EXPECT_EQ(AppPaths::jobsFolder(), data + "/BackupJobs/");
    for (const QString& file : {AppPaths::preferencesPath(), AppPaths::errorLogPath(), AppPaths::transactionLogPath()})
        EXPECT_EQ(QFileInfo(file).path(), data);
    EXPECT_EQ(AppPaths::zipProgramPath(), path("installed/lib/arkwell/zip"));
    EXPECT_TRUE(messageBoxes.messages().empty());

    // First start of such a copy: it starts at log-in; later starts keep the user's choice.
    Preferences::applyStartAtLoginDefault();
    EXPECT_TRUE(QFile::remove(autostart));
    Preferences::save();
    Preferences::applyStartAtLoginDefault();
    EXPECT_FALSE(QFile::exists(autostart));

    // A data folder that can't be made is told, naming it, and the start ends.
    qputenv("XDG_DATA_HOME", QFile::encodeName(writeFile("blocked", "a file where the data home should be")));
    EXPECT_TRUE(AppPaths::checkDataFolder().reason().contains("'" + path("blocked/arkwell") + "'"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path("xdg-data")));

    // Jobs left in the program folder from when it was writable are named, with both folders,
    // until they are brought over.
    EXPECT_EQ(AppPaths::jobsLeftBehindNotice(), "");
    if (::geteuid() == 0)
        return;  // root writes into every folder
    writeFile("installed/lib/arkwell/BackupJobs/Home.awj", "Home\r\n");
    writeFile("installed/lib/arkwell/BackupJobs/Work.awj", "Work\r\n");
    QFile::setPermissions(path("installed/lib/arkwell"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    writeFile("xdg-data/arkwell/BackupJobs/Work.awj", "Work\r\n");
    const QString notice = AppPaths::jobsLeftBehindNotice();
    EXPECT_TRUE(notice.contains("\r\n\r\n" + path("installed/lib/arkwell/BackupJobs/Home.awj") + "\r\n\r\n"));
    EXPECT_TRUE(notice.contains("copy them into '" + data + "/BackupJobs/'")) << notice.toStdString();
    EXPECT_FALSE(notice.contains("Work.awj"));
    writeFile("xdg-data/arkwell/BackupJobs/Home.awj", "Home\r\n");
    EXPECT_EQ(AppPaths::jobsLeftBehindNotice(), "");
    QFile::setPermissions(path("installed/lib/arkwell"), QFile::permissions(data));

    // A data folder that is there but read-only still holds jobs to run: no box, the start goes on.
    QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(AppPaths::checkDataFolder());
    EXPECT_TRUE(messageBoxes.messages().empty());
    QFile::setPermissions(path("installed/lib/arkwell"), QFile::permissions(path("xdg-data")));
    QFile::setPermissions(data, QFile::permissions(path("xdg-data")));
}
