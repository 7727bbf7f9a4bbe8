#include "dialogs/frmPreferences.h"

#include "agent/appSetup.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

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
    template <typename T>
    static T* control(QWidget* dialog, const char* name)
    {
        T* found = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static bool unloaded(const QPointer<frmPreferences>& dialog)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }
};

TEST_F(PreferencesTest, ShowsTheStoredPreferences)
{
    frmPreferences* dialog = open(99, false);
    EXPECT_EQ(dialog->windowTitle(), "Arkwell Preferences");
    auto* copies = control<QComboBox>(dialog, "cmbMaxBackupCopies");
    auto* stop = control<QComboBox>(dialog, "cmbStopOnError");
    ASSERT_EQ(copies->count(), 99);
    EXPECT_EQ(copies->itemText(0), "1");
    EXPECT_EQ(copies->itemText(98), "99");
    EXPECT_EQ(copies->currentText(), "99");
    ASSERT_EQ(stop->count(), 2);
    EXPECT_EQ(stop->itemText(0), "Yes");
    EXPECT_EQ(stop->currentText(), "No");
    const auto labels = dialog->findChildren<QLabel*>("lblItem");
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->text(), "Maximum number of Backup Copies in drop-down box at Job Definition Wizard?");
    EXPECT_EQ(labels[1]->text(), "Stop Auto Backups and popup message box if error encountered during backup?");
    EXPECT_EQ(control<QPushButton>(dialog, "cmdOk")->text(), "&Ok");
    EXPECT_EQ(control<QPushButton>(dialog, "cmdCancel")->text(), "&Cancel");
    delete dialog;

    dialog = open(1, true);
    EXPECT_EQ(control<QComboBox>(dialog, "cmbMaxBackupCopies")->currentText(), "1");
    EXPECT_EQ(control<QComboBox>(dialog, "cmbStopOnError")->currentText(), "Yes");
    delete dialog;
}

TEST_F(PreferencesTest, ACountOutsideTheBoxShowsTheNearestOne)
{
    for (const auto& [stored, shown] : {std::pair{0, "1"}, {-5, "1"}, {100, "99"}, {32767, "99"}}) {
        frmPreferences* dialog = open(qint16(stored), true);
        EXPECT_EQ(control<QComboBox>(dialog, "cmbMaxBackupCopies")->currentText(), shown) << stored;
        delete dialog;
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(PreferencesTest, OkStoresAndWritesBothAtOnce)
{
    {
        QPointer<frmPreferences> dialog = open(99, false);
        control<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("5");
        control<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("Yes");
        control<QPushButton>(dialog, "cmdOk")->click();
        EXPECT_EQ(appSetup::MaxBackupCopies, 5);
        EXPECT_TRUE(appSetup::StopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 5 \r\n-1 \r\n"));
        EXPECT_TRUE(unloaded(dialog));
    }
    {
        QPointer<frmPreferences> dialog = open(5, true);
        control<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("99");
        control<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("No");
        control<QPushButton>(dialog, "cmdOk")->click();
        EXPECT_EQ(appSetup::MaxBackupCopies, 99);
        EXPECT_FALSE(appSetup::StopOnError);
        EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 99 \r\n 0 \r\n"));
        EXPECT_TRUE(unloaded(dialog));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(PreferencesTest, CancelEscAndClosingChangeNothing)
{
    const std::vector<std::function<void(frmPreferences*)>> leave = {
        [](frmPreferences* d) { control<QPushButton>(d, "cmdCancel")->click(); },
        [](frmPreferences* d) { QTest::keyClick(d, Qt::Key_Escape); },
        [](frmPreferences* d) { d->close(); },
    };
    writeFile("Arkwell.txt", "12\r\n0\r\n");
    for (const auto& way : leave) {
        QPointer<frmPreferences> dialog = open(12, false);
        control<QComboBox>(dialog, "cmbMaxBackupCopies")->setCurrentText("3");
        control<QComboBox>(dialog, "cmbStopOnError")->setCurrentText("Yes");
        way(dialog);
        EXPECT_TRUE(unloaded(dialog));
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
    auto* copies = control<QComboBox>(dialog, "cmbMaxBackupCopies");
    auto* stop = control<QComboBox>(dialog, "cmbStopOnError");
    auto* ok = control<QPushButton>(dialog, "cmdOk");
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
    EXPECT_FALSE(unloaded(dialog));
    EXPECT_EQ(appSetup::MaxBackupCopies, 7);
    EXPECT_FALSE(QFile::exists(path("Arkwell.txt")));
    stop->setCurrentText("No");
    ok->click();
    EXPECT_TRUE(unloaded(dialog));
    EXPECT_EQ(readFile("Arkwell.txt"), QByteArray(" 9 \r\n 0 \r\n"));
}

}  // namespace
