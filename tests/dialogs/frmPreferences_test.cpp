#include "dialogs/frmPreferences.h"

#include "agent/appSetup.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using testing_support::FindControl;
using testing_support::Unloaded;

namespace {

class PreferencesTest : public testing_support::AppFolderTest {
protected:
    void TearDown() override
    {
        appSetup::MaxBackupCopies = appSetup::DefaultMaxBackupCopies;
        appSetup::StopOnError = appSetup::DefaultStopOnError;
        AppFolderTest::TearDown();
    }
    frmPreferences* open(qint16 copies, bool stop)
    {
        appSetup::MaxBackupCopies = copies;
        appSetup::StopOnError = stop;
        auto* dialog = new frmPreferences;
        dialog->show();
        return dialog;
    }
};

TEST_F(PreferencesTest, ShowsTheStoredPreferences)
{
    frmPreferences* dialog = open(99, false);
    EXPECT_EQ(dialog->windowTitle(), "Arkwell Preferences");
    auto* copies = FindControl<QComboBox>(dialog, "cmbMaxBackupCopies");
    auto* stop = FindControl<QComboBox>(dialog, "cmbStopOnError");
    ASSERT_EQ(copies->count(), 99);
    EXPECT_EQ(copies->itemText(0), "1");
    EXPECT_EQ(copies->itemText(98), "99");
    EXPECT_EQ(copies->currentText(), "99");
    ASSERT_EQ(stop->count(), 2);
    EXPECT_EQ(stop->itemText(0), "Yes");
    EXPECT_EQ(stop->currentText(), "No");
    delete dialog;

    // A count outside the box shows the nearest one.
    for (const auto& [stored, shown] : {std::pair{1, "1"}, {0, "1"}, {-5, "1"}, {100, "99"}, {32767, "99"}}) {
        dialog = open(qint16(stored), true);
        EXPECT_EQ(FindControl<QComboBox>(dialog, "cmbMaxBackupCopies")->currentText(), shown) << stored;
        EXPECT_EQ(FindControl<QComboBox>(dialog, "cmbStopOnError")->currentText(), "Yes");
        delete dialog;
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(PreferencesTest, OkStoresAndWritesBothAtOnce)
{
    // The log-in setting is the user's autostart entry: Ok writes it, and removes it again.
    const QString autostart = path("xdg-config/autostart/arkwell.desktop");
    {
        QPointer<frmPreferences> dialog = open(99, false);
        EXPECT_FALSE(FindControl<QCheckBox>(dialog, "chkStartAtLogin")->isChecked());
        FindControl<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("5");
        FindControl<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("Yes");
        FindControl<QCheckBox>(dialog, "chkStartAtLogin")->setChecked(true);
        FindControl<QPushButton>(dialog, "cmdOk")->click();
        EXPECT_EQ(appSetup::MaxBackupCopies, 5);
        EXPECT_TRUE(appSetup::StopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 5 \r\n-1 \r\n"));
        EXPECT_TRUE(Unloaded(dialog));
        EXPECT_TRUE(QFile::exists(autostart));
    }
    {
        QPointer<frmPreferences> dialog = open(5, true);
        EXPECT_TRUE(FindControl<QCheckBox>(dialog, "chkStartAtLogin")->isChecked());
        FindControl<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("99");
        FindControl<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("No");
        FindControl<QCheckBox>(dialog, "chkStartAtLogin")->setChecked(false);
        FindControl<QPushButton>(dialog, "cmdOk")->click();
        EXPECT_FALSE(QFile::exists(autostart));
        EXPECT_EQ(appSetup::MaxBackupCopies, 99);
        EXPECT_FALSE(appSetup::StopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 99 \r\n 0 \r\n"));
        EXPECT_TRUE(Unloaded(dialog));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());

    // An entry that can't be written (a folder in its place): told, and the dialog stays open.
    QDir().mkpath(autostart);
    QPointer<frmPreferences> dialog = open(5, true);
    FindControl<QCheckBox>(dialog, "chkStartAtLogin")->setChecked(true);
    FindControl<QPushButton>(dialog, "cmdOk")->click();
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(messageBoxes.messages()[0].text.contains(autostart));
    EXPECT_FALSE(Unloaded(dialog));
    delete dialog;
}

TEST_F(PreferencesTest, CancelEscAndClosingChangeNothing)
{
    const std::vector<std::function<void(frmPreferences*)>> leave = {
        [](frmPreferences* d) { FindControl<QPushButton>(d, "cmdCancel")->click(); },
        [](frmPreferences* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](frmPreferences* d) { d->close(); },
    };
    writeFile("Arkwell.txt", "12\r\n0\r\n");
    for (const auto& way : leave) {
        QPointer<frmPreferences> dialog = open(12, false);
        FindControl<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("3");
        FindControl<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("Yes");
        FindControl<QCheckBox>(dialog, "chkStartAtLogin")->setChecked(true);
        way(dialog);
        EXPECT_FALSE(QFile::exists(path("xdg-config/autostart/arkwell.desktop")));
        EXPECT_TRUE(Unloaded(dialog));
        EXPECT_EQ(appSetup::MaxBackupCopies, 12);
        EXPECT_FALSE(appSetup::StopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray("12\r\n0\r\n"));
    }
}

TEST_F(PreferencesTest, OkWithoutAChoiceTellsTheFirstEmptyBox)
{
    const QString copiesMessage = "You must select a value between 1 and 99 \r\nfor the 'Maximum Number of Backup "
                                  "Copies' \r\ndrop-down box.";
    const QString stopMessage = "You must select either Yes or No from \r\nthe 'Stop on Error' drop-down box. ";
    QPointer<frmPreferences> dialog = open(7, true);
    auto* copies = FindControl<QComboBox>(dialog, "cmbMaxBackupCopies");
    auto* stop = FindControl<QComboBox>(dialog, "cmbStopOnError");
    auto* ok = FindControl<QPushButton>(dialog, "cmdOk");
    copies->setCurrentIndex(-1);
    stop->setCurrentIndex(-1);
    ok->click();
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_EQ(messageBoxes.messages()[0].text, copiesMessage);
    EXPECT_EQ(messageBoxes.messages()[0].title, "Verification Error");
    EXPECT_EQ(messageBoxes.messages()[0].icon, libForms::Icon::None);
    copies->setCurrentText("9");
    ok->click();
    ASSERT_EQ(messageBoxes.messages().size(), 2u);
    EXPECT_EQ(messageBoxes.messages()[1].text, stopMessage);
    EXPECT_FALSE(Unloaded(dialog));
    EXPECT_EQ(appSetup::MaxBackupCopies, 7);
    EXPECT_FALSE(QFile::exists(path("Arkwell.txt")));
    stop->setCurrentText("No");
    ok->click();
    EXPECT_TRUE(Unloaded(dialog));
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 9 \r\n 0 \r\n"));
}

}  // namespace
