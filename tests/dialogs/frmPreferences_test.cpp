// The preferences dialog: what it shows, what Ok stores and writes, and what leaving it keeps.
#include "dialogs/frmPreferences.h"

#include "lib/AppPaths.h"
#include "lib/Preferences.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

using testing_support::FindControl;
using testing_support::Unloaded;

namespace {

class PreferencesTest : public testing_support::AppFolderTest {
protected:
    void TearDown() override
    {
        delete dialog.data();
        Preferences::maxBackupCopies = Preferences::DefaultMaxBackupCopies;
        Preferences::stopOnError = Preferences::DefaultStopOnError;
        Preferences::runMissedBackups = Preferences::DefaultRunMissedBackups;
        AppFolderTest::TearDown();
    }
    void open(qint16 copies, bool stop, bool missed = true)
    {
        Preferences::maxBackupCopies = copies;
        Preferences::stopOnError = stop;
        Preferences::runMissedBackups = missed;
        dialog = new frmPreferences;
        dialog->show();
    }
    QComboBox* copies() const { return FindControl<QComboBox>(dialog, "cmbMaxBackupCopies"); }
    QComboBox* stop() const { return FindControl<QComboBox>(dialog, "cmbStopOnError"); }
    QAbstractButton* missed() const { return FindControl<QAbstractButton>(dialog, "chkRunMissedBackups"); }
    QAbstractButton* atLogin() const { return FindControl<QAbstractButton>(dialog, "chkStartAtLogin"); }
    void ok() const { FindControl<QAbstractButton>(dialog, "cmdOk")->click(); }

    QPointer<frmPreferences> dialog;
};

TEST_F(PreferencesTest, ShowsTheStoredPreferencesRefusesAnEmptyBoxOkWritesThemAndLeavingChangesNothing)
{
    // A count outside the box shows the nearest one.
    for (const auto& [stored, shown] : {std::pair{99, "99"}, {1, "1"}, {-5, "1"}, {100, "99"}, {32767, "99"}}) {
        open(qint16(stored), stored != 99);
        EXPECT_EQ(copies()->currentText(), shown) << stored;
        EXPECT_EQ(stop()->currentText(), stored != 99 ? "Yes" : "No");
        delete dialog.data();
    }
    // Ok without a choice tells the first empty box and keeps the dialog open; Cancel or Esc
    // then leaves everything as it was.
    const QString autostart = path("xdg-config/autostart/arkwell.desktop");
    writeFile("Arkwell.txt", "12\r\n0\r\n");
    const std::vector<std::function<void()>> leave = {
        [this] { FindControl<QAbstractButton>(dialog, "cmdCancel")->click(); },
        [this] { QTest::keyClick(dialog, Qt::Key_Escape); },
    };
    for (const auto& way : leave) {
        open(12, false);
        atLogin()->setChecked(true);
        copies()->setCurrentIndex(-1);
        stop()->setCurrentIndex(-1);
        ok();
        copies()->setCurrentText("3");
        ok();
        EXPECT_FALSE(Unloaded(dialog));
        stop()->setCurrentText("Yes");
        way();
        EXPECT_TRUE(Unloaded(dialog));
        EXPECT_FALSE(QFile::exists(autostart));
        EXPECT_EQ(Preferences::maxBackupCopies, 12);
        EXPECT_FALSE(Preferences::stopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray("12\r\n0\r\n"));
    }
    ASSERT_EQ(messageBoxes.messages().size(), 4u);
    EXPECT_TRUE(messageBoxes.messages()[0].text.startsWith("You must select a value between 1 and 99"));
    EXPECT_TRUE(messageBoxes.messages()[1].text.startsWith("You must select either Yes or No"));

    // The log-in setting is the user's autostart entry: Ok writes it, and removes it again.
    for (const auto& [copiesText, stopText, runMissed, file] :
         {std::tuple{"5", "Yes", false, " 5 \r\n-1 \r\n 0 \r\n"}, {"99", "No", true, " 99 \r\n 0 \r\n-1 \r\n"}}) {
        open(7, stopText == QLatin1String("No"), !runMissed);
        EXPECT_EQ(missed()->isChecked(), !runMissed);
        EXPECT_EQ(atLogin()->isChecked(), runMissed);  // as the row before left it
        copies()->setCurrentText(copiesText);
        stop()->setCurrentText(stopText);
        missed()->setChecked(runMissed);
        atLogin()->setChecked(!runMissed);
        ok();
        EXPECT_EQ(QFile::exists(autostart), !runMissed);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(file));  // written from the values Ok stored
        EXPECT_TRUE(Unloaded(dialog));
    }
    EXPECT_EQ(messageBoxes.messages().size(), 4u);

    // An entry that can't be written (a folder in its place): told, and the dialog stays open.
    QDir().mkpath(autostart);
    open(5, true);
    atLogin()->setChecked(true);
    ok();
    ASSERT_EQ(messageBoxes.messages().size(), 5u);
    EXPECT_TRUE(messageBoxes.messages()[4].text.contains(autostart));
    EXPECT_FALSE(Unloaded(dialog));
}

}  // namespace
