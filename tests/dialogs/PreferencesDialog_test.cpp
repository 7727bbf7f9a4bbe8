// The preferences dialog: what it shows, what Ok stores and writes, and what leaving it keeps.
#include "dialogs/PreferencesDialog.h"

#include "lib/Preferences.h"
#include "lib/AppPaths.h"
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
        dialog = new PreferencesDialog;
        dialog->show();
    }
    QComboBox* copies() const { return FindControl<QComboBox>(dialog, "maxCopiesList"); }
    QComboBox* stop() const { return FindControl<QComboBox>(dialog, "stopOnErrorList"); }
    QAbstractButton* button(const char* name) const { return FindControl<QAbstractButton>(dialog, name); }
    QString lastMessage() const { return messageBoxes.messages().back().text; }

    QPointer<PreferencesDialog> dialog;
    const QString autostart = path("xdg-config/autostart/arkwell.desktop");
};

TEST_F(PreferencesTest, ShowsTheStoredPreferencesRefusesAnEmptyBoxAndLeavingChangesNothing)
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
    writeFile("Arkwell.txt", "12\r\n0\r\n");
    for (const std::function<void()>& leave : std::vector<std::function<void()>>{
             [this] { button("cancelButton")->click(); }, [this] { QTest::keyClick(dialog, Qt::Key_Escape); }}) {
        open(12, false);
        button("startAtLoginBox")->setChecked(true);
        copies()->setCurrentIndex(-1);
        stop()->setCurrentIndex(-1);
        button("okButton")->click();
        EXPECT_TRUE(lastMessage().startsWith("You must select a value between 1 and 99"));
        copies()->setCurrentText("3");
        button("okButton")->click();
        EXPECT_TRUE(lastMessage().startsWith("You must select either Yes or No"));
        EXPECT_FALSE(Unloaded(dialog));
        stop()->setCurrentText("Yes");
        leave();
        EXPECT_TRUE(Unloaded(dialog));
        EXPECT_FALSE(QFile::exists(autostart));
        EXPECT_TRUE(Preferences::maxBackupCopies == 12 && !Preferences::stopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray("12\r\n0\r\n"));
    }
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(PreferencesTest, OkWritesThePreferencesAndTheLogInEntryOrTellsWhyItCant)
{
    // The log-in setting is the user's autostart entry: Ok writes it, and removes it again.
    for (const auto& [copiesText, stopText, runMissed, file] :
        {std::tuple{"5", "Yes", false, " 5 \r\n-1 \r\n 0 \r\n"}, {"99", "No", true, " 99 \r\n 0 \r\n-1 \r\n"}}) {
        open(7, stopText == QLatin1String("No"), !runMissed);
        EXPECT_EQ(button("runMissedBox")->isChecked(), !runMissed);
        EXPECT_EQ(button("startAtLoginBox")->isChecked(), runMissed); // as the row before left it
        copies()->setCurrentText(copiesText);
        stop()->setCurrentText(stopText);
        button("runMissedBox")->setChecked(runMissed);
        button("startAtLoginBox")->setChecked(!runMissed);
        button("okButton")->click();
        EXPECT_EQ(QFile::exists(autostart), !runMissed);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(file)); // written from the values Ok stored
        EXPECT_TRUE(Unloaded(dialog));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());

    // An entry that can't be written (a folder in its place): told, and the dialog stays open.
    QDir().mkpath(autostart);
    open(5, true);
    button("startAtLoginBox")->setChecked(true);
    button("okButton")->click();
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(lastMessage().contains(autostart));
    EXPECT_FALSE(Unloaded(dialog));
}

} // namespace
