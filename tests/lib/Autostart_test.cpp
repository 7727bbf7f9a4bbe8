// The user's autostart entry: written and removed with the setting, valid for any program path.
#include "lib/Autostart.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using testing_support::AppFolderTest;

TEST_F(AppFolderTest, AutostartEntryFollowsTheSettingAndValidates)
{
    const QString entry = path("xdg-config/autostart/arkwell.desktop");
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");  // its errors go to the test's output
    EXPECT_FALSE(Autostart::startsAtLogin());
    EXPECT_TRUE(Autostart::setStartAtLogin(false, "/usr/lib/arkwell/arkwell"));  // nothing to remove: no failure
    // Paths with blanks and the characters a desktop entry's Exec quotes or escapes.
    const struct { QString program, exec, tryExec; } entries[] = {
        {"/usr/lib/arkwell/arkwell", R"(Exec="/usr/lib/arkwell/arkwell" /SILENT)", "TryExec=/usr/lib/arkwell/arkwell"},
        {"/home/a b/my \"apps\"/ark", R"(Exec="/home/a b/my \\"apps\\"/ark" /SILENT)", R"(TryExec=/home/a b/my "apps"/ark)"},
        {"/opt/$HOME/`x`/50%/a\\b", R"(Exec="/opt/\\$HOME/\\`x\\`/50%%/a\\\\b" /SILENT)", R"(TryExec=/opt/$HOME/`x`/50%/a\\b)"},
    };
    for (const auto& [program, exec, tryExec] : entries) {
        SCOPED_TRACE(program.toStdString());
        ASSERT_TRUE(Autostart::setStartAtLogin(true, program));
        EXPECT_TRUE(Autostart::startsAtLogin());
        const QList<QByteArray> lines = readFile("xdg-config/autostart/arkwell.desktop").split('\n');
        EXPECT_TRUE(lines.contains(exec.toUtf8()) && lines.contains(tryExec.toUtf8()));
        EXPECT_EQ(validator.isEmpty() ? 0 : QProcess::execute(validator, {entry}), 0);
    }
    EXPECT_EQ(QFile::permissions(entry) & 0x0077, 0);  // no group or other bits
    EXPECT_TRUE(Autostart::setStartAtLogin(false, "/usr/lib/arkwell/arkwell"));
    EXPECT_FALSE(QFile::exists(entry));
    // A folder where the entry should be: removing it fails, with the reason.
    QDir().mkpath(entry + "/inside");
    EXPECT_FALSE(Autostart::setStartAtLogin(true, "/usr/lib/arkwell/arkwell").reason().isEmpty());
}
