#include "dialogs/frmPickFile.h"

#include "support/FolderChooserStub.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

using testing_support::FolderChooserStub;

using testing_support::FindControl;
using testing_support::Unloaded;

namespace {

const QString DriveMessage = QStringLiteral(
    "You cannot select any wildcard other than '*.*' for use with a full drive path.  Either go to a "
    "subdirectory to use the *.extension notation, or select *.* to backup the entire drive or disk.  This is "
    "a weakness of the zip.exe engine that Arkwell calls.  Fix will have to wait until we replace with dll.");

class PickFileTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        frmPickFile::SetRememberedFolder(QString());
        list = new QListWidget(&wizard);
        list->setSortingEnabled(true);
        for (const char* name : {"c.txt", "a.txt", "b.doc", ".hidden", "Makefile", "two\nlines", "odd\rname"})
            writeFile(QStringLiteral("data/") + QLatin1String(name), "x");
        QDir().mkpath(path("data/sub.folder"));
        data = path("data");
    }

    frmPickFile* open()
    {
        auto* picker = new frmPickFile(list);
        picker->show();
        return picker;
    }
    static QStringList texts(const QListWidget* box)
    {
        QStringList all;
        for (int row = 0; row < box->count(); ++row)
            all << box->item(row)->text();
        return all;
    }
    static void select(frmPickFile* picker, const QStringList& names)
    {
        auto* files = FindControl<QListWidget>(picker, "filFileList");
        for (const QString& name : names)
            files->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }
    static void showWildcards(frmPickFile* picker) { FindControl<QTabBar>(picker, "tabFilePick")->setCurrentIndex(1); }
    static void clickOk(frmPickFile* picker) { FindControl<QPushButton>(picker, "cmdOk")->click(); }
    QString lastMessage() const
    {
        return messageBoxes.messages().empty() ? QString() : messageBoxes.messages().back().text;
    }

    QWidget wizard;
    QListWidget* list = nullptr;
    QString data;
};

TEST_F(PickFileTest, OpensInTheRootFolderWithItsControls)
{
    frmPickFile* picker = open();
    EXPECT_EQ(picker->windowTitle(), "Select File(s) to Backup");
    EXPECT_EQ(FindControl<QLineEdit>(picker, "txtPath")->text(), "/");
    auto* tabs = FindControl<QTabBar>(picker, "tabFilePick");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Specific File(s)");
    EXPECT_EQ(tabs->tabData(1).toString(), "WildcardGroups");
    EXPECT_EQ(tabs->tabToolTip(1), "Choose groups of files by wildcard");
    EXPECT_TRUE(FindControl<QWidget>(picker, "fraSpecificFiles")->isVisible());
    EXPECT_FALSE(FindControl<QWidget>(picker, "fraWildcards")->isVisible());
    showWildcards(picker);
    EXPECT_FALSE(FindControl<QWidget>(picker, "fraSpecificFiles")->isVisible());
    EXPECT_TRUE(FindControl<QWidget>(picker, "fraWildcards")->isVisible());

    auto* extensions = FindControl<QComboBox>(picker, "cmbCommonExt");
    ASSERT_EQ(extensions->count(), 18);
    QStringList shown;
    for (int i = 0; i < extensions->count(); ++i)
        shown << extensions->itemText(i);
    EXPECT_EQ(shown, QStringList({"bat", "bmp", "cfg", "dat", "dll", "doc", "exe", "gif", "ini", "jpeg", "jpg",
                                  "mdb", "mp3", "ocx", "pdf", "ppt", "sys", "xls"}));
    EXPECT_EQ(extensions->currentIndex(), -1);
    EXPECT_EQ(picker->findChildren<QLabel*>("lblInstrux").size(), 11);
    delete picker;
}

TEST_F(PickFileTest, OptionsEnableTheirOwnBoxOnly)
{
    frmPickFile* picker = open();
    showWildcards(picker);
    auto* all = FindControl<QRadioButton>(picker, "optAllFiles");
    auto* extensions = FindControl<QComboBox>(picker, "cmbCommonExt");
    auto* other = FindControl<QLineEdit>(picker, "txtOtherWildcard");
    EXPECT_TRUE(all->isChecked());
    EXPECT_FALSE(extensions->isEnabled());
    EXPECT_FALSE(other->isEnabled());

    FindControl<QRadioButton>(picker, "optOtherCommon")->click();
    EXPECT_FALSE(all->isChecked());
    EXPECT_TRUE(extensions->isEnabled());
    EXPECT_FALSE(other->isEnabled());

    FindControl<QRadioButton>(picker, "optOtherWildcard")->click();
    EXPECT_FALSE(extensions->isEnabled());
    EXPECT_TRUE(other->isEnabled());
    QTest::keyClicks(other, "txt");
    all->click();
    EXPECT_TRUE(other->text().isEmpty());
    EXPECT_FALSE(other->isEnabled());
    delete picker;
}

TEST_F(PickFileTest, SpecificFilesAreAppendedInListOrder)
{
    frmPickFile* picker = open();
    auto* folder = FindControl<QLineEdit>(picker, "txtPath");
    auto* files = FindControl<QListWidget>(picker, "filFileList");
    folder->setText(data);
    EXPECT_TRUE(files->isEnabled());
    // No hidden file, no folder, and no name that would split a job's entry in two.
    EXPECT_EQ(texts(files), QStringList({"Makefile", "a.txt", "b.doc", "c.txt"}));

    {  // nothing selected: told, nothing appended, still open
        QPointer<frmPickFile> guard(picker);
        clickOk(picker);
        EXPECT_EQ(lastMessage(), "You must select files to backup from the file list box before clicking Ok, or "
                                 "leave the Wildcards tab visible.  Please do so now.");
        EXPECT_EQ(messageBoxes.messages().back().title, "Verification Error");
        EXPECT_EQ(list->count(), 0);
        EXPECT_FALSE(Unloaded(guard));
    }
    {  // three selected, the folder typed with its final separator
        folder->setText(data + "/");
        select(picker, {"c.txt", "Makefile", "a.txt"});
        QPointer<frmPickFile> guard(picker);
        clickOk(picker);
        EXPECT_EQ(texts(list), QStringList({data + "/Makefile", data + "/a.txt", data + "/c.txt"}));
        EXPECT_TRUE(Unloaded(guard));
    }
}

TEST_F(PickFileTest, WildcardGroupsSettleTheirPattern)
{
    struct Case {
        const char* option;
        std::function<void(frmPickFile*)> fill;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"optAllFiles", [](frmPickFile*) {}, "/*.*"},
        {"optOtherCommon", [](frmPickFile* p) { FindControl<QComboBox>(p, "cmbCommonExt")->setCurrentText("pdf"); },
         "/*.pdf"},
        {"optOtherCommon", [](frmPickFile*) {}, "/*.*"},
        {"optOtherWildcard", [](frmPickFile* p) { QTest::keyClicks(FindControl<QLineEdit>(p, "txtOtherWildcard"), "txt"); },
         "/*.txt"},
        {"optOtherWildcard", [](frmPickFile*) {}, "/*.*"},
        {"optOtherWildcard",
         [](frmPickFile* p) { FindControl<QLineEdit>(p, "txtOtherWildcard")->setText("*.cpp"); }, "/*.cpp"},
    };
    for (const Case& c : cases) {
        list->clear();
        frmPickFile* picker = open();
        FindControl<QLineEdit>(picker, "txtPath")->setText(data);
        select(picker, {"a.txt"});  // ignored: the wildcard tab is showing
        showWildcards(picker);
        FindControl<QRadioButton>(picker, c.option)->click();
        c.fill(picker);
        QPointer<frmPickFile> guard(picker);
        clickOk(picker);
        EXPECT_EQ(texts(list), QStringList{data + c.expected}) << c.option;
        EXPECT_TRUE(Unloaded(guard));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(PickFileTest, TheRootFolderTakesOnlyAllFiles)
{
    {
        frmPickFile* picker = open();
        showWildcards(picker);
        clickOk(picker);
        EXPECT_EQ(texts(list), QStringList{"/*.*"});
    }
    ASSERT_TRUE(QFile::link(QStringLiteral("/"), path("rootlink")));
    for (const QString& root : {QStringLiteral("/"), data + "/../../../../../../../..", path("rootlink")}) {
        list->clear();
        frmPickFile* picker = open();
        FindControl<QLineEdit>(picker, "txtPath")->setText(root);
        showWildcards(picker);
        FindControl<QRadioButton>(picker, "optOtherCommon")->click();
        FindControl<QComboBox>(picker, "cmbCommonExt")->setCurrentText("doc");
        clickOk(picker);
        EXPECT_EQ(lastMessage(), DriveMessage) << root.toStdString();
        EXPECT_EQ(list->count(), 0);
        delete picker;
    }
    {  // a short folder name below the root is no drive
        list->clear();
        frmPickFile* picker = open();
        FindControl<QLineEdit>(picker, "txtPath")->setText(data);
        showWildcards(picker);
        FindControl<QRadioButton>(picker, "optOtherCommon")->click();
        FindControl<QComboBox>(picker, "cmbCommonExt")->setCurrentText("doc");
        clickOk(picker);
        EXPECT_EQ(texts(list), QStringList{data + "/*.doc"});
    }
}

TEST_F(PickFileTest, TheExtensionBoxTakesLettersAndDigitsOnly)
{
    frmPickFile* picker = open();
    showWildcards(picker);
    FindControl<QRadioButton>(picker, "optOtherWildcard")->click();
    auto* other = FindControl<QLineEdit>(picker, "txtOtherWildcard");
    QTest::keyClicks(other, "Mp3");
    for (const char* key : {".", "*", "/", " "}) {
        QTest::keyClicks(other, key);
        EXPECT_EQ(lastMessage(), QStringLiteral("You cannot press the '%1' key when defining a wildcard extension.")
                                     .arg(QLatin1String(key)));
        EXPECT_EQ(messageBoxes.messages().back().title, "Verification Error");
    }
    EXPECT_EQ(other->text(), "Mp3");
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
    QTest::keyClick(other, Qt::Key_Backspace);
    EXPECT_EQ(other->text(), "Mp");
    // Pasted text is held to the same characters, without a message.
    other->insert("x/y");
    other->insert("a b");
    EXPECT_EQ(other->text(), "Mp");
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
    delete picker;
}

TEST_F(PickFileTest, AFolderThatIsNoneDisablesTheListAndIsRefusedAtOk)
{
    frmPickFile* picker = open();
    auto* folder = FindControl<QLineEdit>(picker, "txtPath");
    auto* files = FindControl<QListWidget>(picker, "filFileList");
    folder->setText(data);
    for (const QString& bad : {data + "/nothing", data + "/a.txt", QStringLiteral("data"), QString()}) {
        folder->setText(bad);
        EXPECT_FALSE(files->isEnabled()) << bad.toStdString();
        EXPECT_EQ(files->count(), 4);  // still the previous folder's files
        showWildcards(picker);
        clickOk(picker);
        EXPECT_EQ(lastMessage(), "The backup path selected does not exist; please correct it.");
        FindControl<QTabBar>(picker, "tabFilePick")->setCurrentIndex(0);
    }
    EXPECT_EQ(list->count(), 0);
    folder->setText(data + "/sub.folder");
    EXPECT_TRUE(files->isEnabled());
    EXPECT_EQ(files->count(), 0);
    delete picker;
}

TEST_F(PickFileTest, BrowsingPutsTheChosenFolderIntoTheField)
{
    frmPickFile* picker = open();
    auto* folder = FindControl<QLineEdit>(picker, "txtPath");
    {  // a folder gone meanwhile is told and the browser opens again
        FolderChooserStub chooser({data + "/gone", data + "/sub.folder/"});
        FindControl<QPushButton>(picker, "cmdBrowsePath")->click();
        EXPECT_EQ(chooser.prompts, QStringList(2, "Please select a directory to backup."));
        EXPECT_EQ(chooser.parents.front(), picker);
        ASSERT_EQ(messageBoxes.messages().size(), 1u);
        EXPECT_EQ(lastMessage(), "The specified directory does not exist; please try again.");
        EXPECT_EQ(messageBoxes.messages().back().icon, libForms::Icon::Exclamation);
        EXPECT_EQ(folder->text(), data + "/sub.folder");
    }
    {  // the root folder stays the root folder
        FolderChooserStub chooser({"/"});
        FindControl<QPushButton>(picker, "cmdBrowsePath")->click();
        EXPECT_EQ(folder->text(), "/");
    }
    {  // a cancel changes nothing
        folder->setText(data);
        FolderChooserStub chooser;
        FindControl<QPushButton>(picker, "cmdBrowsePath")->click();
        EXPECT_EQ(folder->text(), data);
        EXPECT_EQ(FindControl<QListWidget>(picker, "filFileList")->count(), 4);
    }
    delete picker;
}

TEST_F(PickFileTest, TheNextOpeningStartsWhereTheLastOkLeft)
{
    {
        frmPickFile* picker = open();
        FindControl<QLineEdit>(picker, "txtPath")->setText(data);
        select(picker, {"a.txt"});
        clickOk(picker);
    }
    {
        frmPickFile* picker = open();
        EXPECT_EQ(FindControl<QLineEdit>(picker, "txtPath")->text(), data);
        EXPECT_EQ(FindControl<QListWidget>(picker, "filFileList")->count(), 4);
        select(picker, {"a.txt"});
        clickOk(picker);  // the same file again: the picker looks for no duplicates
    }
    {
        frmPickFile* picker = open();
        FindControl<QLineEdit>(picker, "txtPath")->setText(data + "/sub.folder");
        select(picker, {});
        QPointer<frmPickFile> guard(picker);
        FindControl<QPushButton>(picker, "cmdCancel")->click();
        EXPECT_TRUE(Unloaded(guard));
    }
    {  // closing the window is a cancel too
        frmPickFile* picker = open();
        EXPECT_EQ(FindControl<QLineEdit>(picker, "txtPath")->text(), data);
        QPointer<frmPickFile> guard(picker);
        picker->close();
        EXPECT_TRUE(Unloaded(guard));
    }
    EXPECT_EQ(texts(list), QStringList(2, data + "/a.txt"));
    EXPECT_EQ(frmPickFile::RememberedFolder(), data);
}

TEST_F(PickFileTest, ClosingTheWizardTakesThePickerWithIt)
{
    auto* host = new QWidget;
    auto* sources = new QListWidget(host);
    QPointer<frmPickFile> picker = new frmPickFile(sources);
    picker->show();
    delete host;
    EXPECT_TRUE(picker.isNull());
}

}  // namespace
