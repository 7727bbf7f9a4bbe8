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
using testing_support::ItemTexts;

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
    void TearDown() override
    {
        delete picker.data();
        AppFolderTest::TearDown();
    }

    // Opens a new picker (the last one goes), in the folder if one is given.
    void open(const QString& folder = QString())
    {
        delete picker.data();
        picker = new frmPickFile(list);
        picker->show();
        if (!folder.isNull())
            folderField()->setText(folder);
    }
    template <typename Control>
    Control* control(const char* name) const
    {
        return testing_support::FindControl<Control>(picker, name);
    }
    QLineEdit* folderField() const { return control<QLineEdit>("txtPath"); }
    QListWidget* files() const { return control<QListWidget>("filFileList"); }
    void click(const char* name) const { control<QAbstractButton>(name)->click(); }
    void select(const QStringList& names) const
    {
        for (const QString& name : names)
            files()->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }
    void showWildcards() const { control<QTabBar>("tabFilePick")->setCurrentIndex(1); }
    // The wildcard tab with one of the common extensions, then Ok.
    void okWithCommonExtension(const QString& extension) const
    {
        showWildcards();
        click("optOtherCommon");
        control<QComboBox>("cmbCommonExt")->setCurrentText(extension);
        click("cmdOk");
    }
    bool closed() const { return testing_support::Unloaded(picker); }
    QString lastMessage() const
    {
        return messageBoxes.messages().empty() ? QString() : messageBoxes.messages().back().text;
    }

    QWidget wizard;
    QListWidget* list = nullptr;
    QPointer<frmPickFile> picker;
    QString data;
};

TEST_F(PickFileTest, OpensInTheRootFolderWithItsControlsAndOptionsEnableTheirOwnBoxOnly)
{
    open();
    EXPECT_EQ(picker->windowTitle(), "Select File(s) to Backup");
    EXPECT_EQ(folderField()->text(), "/");
    auto* tabs = control<QTabBar>("tabFilePick");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Specific File(s)");
    EXPECT_EQ(tabs->tabData(1).toString(), "WildcardGroups");
    EXPECT_EQ(tabs->tabToolTip(1), "Choose groups of files by wildcard");
    EXPECT_TRUE(control<QWidget>("fraSpecificFiles")->isVisible());
    EXPECT_FALSE(control<QWidget>("fraWildcards")->isVisible());
    showWildcards();
    EXPECT_FALSE(control<QWidget>("fraSpecificFiles")->isVisible());
    EXPECT_TRUE(control<QWidget>("fraWildcards")->isVisible());

    auto* extensions = control<QComboBox>("cmbCommonExt");
    QStringList shown;
    for (int i = 0; i < extensions->count(); ++i)
        shown << extensions->itemText(i);
    EXPECT_EQ(shown, QStringList({"csv", "doc", "docx", "heic", "jpeg", "jpg", "md", "mp3", "mp4", "odp", "ods",
                                  "odt", "pdf", "png", "pptx", "txt", "xls", "xlsx"}));
    EXPECT_EQ(extensions->currentIndex(), -1);
    EXPECT_EQ(picker->findChildren<QLabel*>("lblInstrux").size(), 11);

    auto* all = control<QRadioButton>("optAllFiles");
    auto* other = control<QLineEdit>("txtOtherWildcard");
    EXPECT_TRUE(all->isChecked());
    EXPECT_FALSE(extensions->isEnabled());
    EXPECT_FALSE(other->isEnabled());
    click("optOtherCommon");
    EXPECT_FALSE(all->isChecked());
    EXPECT_TRUE(extensions->isEnabled());
    EXPECT_FALSE(other->isEnabled());
    click("optOtherWildcard");
    EXPECT_FALSE(extensions->isEnabled());
    EXPECT_TRUE(other->isEnabled());
    QTest::keyClicks(other, "txt");
    all->click();
    EXPECT_TRUE(other->text().isEmpty());
    EXPECT_FALSE(other->isEnabled());
}

TEST_F(PickFileTest, SpecificFilesAreAppendedInListOrder)
{
    open(data);
    EXPECT_TRUE(files()->isEnabled());
    // No hidden file, no folder, and no name that would split a job's entry in two.
    EXPECT_EQ(ItemTexts(files()), QStringList({"Makefile", "a.txt", "b.doc", "c.txt"}));

    // Nothing selected: told, nothing appended, still open.
    click("cmdOk");
    EXPECT_EQ(lastMessage(), "You must select files to backup from the file list box before clicking Ok, or "
                             "leave the Wildcards tab visible.  Please do so now.");
    EXPECT_EQ(messageBoxes.messages().back().title, "Verification Error");
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(closed());

    // Three selected, the folder typed with its final separator.
    folderField()->setText(data + "/");
    select({"c.txt", "Makefile", "a.txt"});
    click("cmdOk");
    EXPECT_EQ(ItemTexts(list), QStringList({data + "/Makefile", data + "/a.txt", data + "/c.txt"}));
    EXPECT_TRUE(closed());
}

TEST_F(PickFileTest, WildcardGroupsSettleTheirPattern)
{
    struct Case {
        const char* option;
        std::function<void()> fill;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"optAllFiles", [] {}, "/*.*"},
        {"optOtherCommon", [this] { control<QComboBox>("cmbCommonExt")->setCurrentText("pdf"); }, "/*.pdf"},
        {"optOtherCommon", [] {}, "/*.*"},
        {"optOtherWildcard", [this] { QTest::keyClicks(control<QLineEdit>("txtOtherWildcard"), "txt"); }, "/*.txt"},
        {"optOtherWildcard", [] {}, "/*.*"},
        {"optOtherWildcard", [this] { control<QLineEdit>("txtOtherWildcard")->setText("*.cpp"); }, "/*.cpp"},
    };
    for (const Case& c : cases) {
        list->clear();
        open(data);
        select({"a.txt"});  // ignored: the wildcard tab is showing
        showWildcards();
        click(c.option);
        c.fill();
        click("cmdOk");
        EXPECT_EQ(ItemTexts(list), QStringList{data + c.expected}) << c.option;
        EXPECT_TRUE(closed());
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(PickFileTest, TheRootFolderTakesOnlyAllFiles)
{
    open();
    showWildcards();
    click("cmdOk");
    EXPECT_EQ(ItemTexts(list), QStringList{"/*.*"});

    ASSERT_TRUE(QFile::link(QStringLiteral("/"), path("rootlink")));
    for (const QString& root : {QStringLiteral("/"), data + "/../../../../../../../..", path("rootlink")}) {
        list->clear();
        open(root);
        okWithCommonExtension("doc");
        EXPECT_EQ(lastMessage(), DriveMessage) << root.toStdString();
        EXPECT_EQ(list->count(), 0);
    }
    // A short folder name below the root is no drive.
    open(data);
    okWithCommonExtension("doc");
    EXPECT_EQ(ItemTexts(list), QStringList{data + "/*.doc"});
}

TEST_F(PickFileTest, TheExtensionBoxTakesLettersAndDigitsOnly)
{
    open();
    showWildcards();
    click("optOtherWildcard");
    auto* other = control<QLineEdit>("txtOtherWildcard");
    QTest::keyClicks(other, "Mp3");
    for (const char* key : {".", "*", "/", " "}) {
        QTest::keyClicks(other, key);
        EXPECT_EQ(lastMessage(), QStringLiteral("You cannot press the '%1' key when defining a wildcard extension.")
                                     .arg(QLatin1String(key)));
        EXPECT_EQ(messageBoxes.messages().back().title, "Verification Error");
    }
    EXPECT_EQ(other->text(), "Mp3");
    QTest::keyClick(other, Qt::Key_Backspace);
    EXPECT_EQ(other->text(), "Mp");
    // Pasted text is held to the same characters, without a message.
    other->insert("x/y");
    other->insert("a b");
    EXPECT_EQ(other->text(), "Mp");
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(PickFileTest, AFolderThatIsNoneDisablesTheListAndIsRefusedAtOk)
{
    open(data);
    for (const QString& bad : {data + "/nothing", data + "/a.txt", QStringLiteral("data"), QString()}) {
        folderField()->setText(bad);
        EXPECT_FALSE(files()->isEnabled()) << bad.toStdString();
        EXPECT_EQ(files()->count(), 4);  // still the previous folder's files
        showWildcards();
        click("cmdOk");
        EXPECT_EQ(lastMessage(), "The backup path selected does not exist; please correct it.");
        control<QTabBar>("tabFilePick")->setCurrentIndex(0);
    }
    EXPECT_EQ(list->count(), 0);
    folderField()->setText(data + "/sub.folder");
    EXPECT_TRUE(files()->isEnabled());
    EXPECT_EQ(files()->count(), 0);
}

TEST_F(PickFileTest, BrowsingPutsTheChosenFolderIntoTheField)
{
    open();
    {  // a folder gone meanwhile is told and the browser opens again
        FolderChooserStub chooser({data + "/gone", data + "/sub.folder/"});
        click("cmdBrowsePath");
        EXPECT_EQ(chooser.prompts, QStringList(2, "Please select a directory to backup."));
        EXPECT_EQ(chooser.parents.front(), picker);
        ASSERT_EQ(messageBoxes.messages().size(), 1u);
        EXPECT_EQ(lastMessage(), "The specified directory does not exist; please try again.");
        EXPECT_EQ(messageBoxes.messages().back().icon, libForms::Icon::Exclamation);
        EXPECT_EQ(folderField()->text(), data + "/sub.folder");
    }
    {  // the root folder stays the root folder
        FolderChooserStub chooser({"/"});
        click("cmdBrowsePath");
        EXPECT_EQ(folderField()->text(), "/");
    }
    {  // a cancel changes nothing
        folderField()->setText(data);
        FolderChooserStub chooser;
        click("cmdBrowsePath");
        EXPECT_EQ(folderField()->text(), data);
        EXPECT_EQ(files()->count(), 4);
    }
}

TEST_F(PickFileTest, TheNextOpeningStartsWhereTheLastOkLeft)
{
    open(data);
    select({"a.txt"});
    click("cmdOk");

    open();
    EXPECT_EQ(folderField()->text(), data);
    EXPECT_EQ(files()->count(), 4);
    select({"a.txt"});
    click("cmdOk");  // the same file again: the picker looks for no duplicates

    open(data + "/sub.folder");
    click("cmdCancel");
    EXPECT_TRUE(closed());

    open();  // closing the window is a cancel too
    EXPECT_EQ(folderField()->text(), data);
    picker->close();
    EXPECT_TRUE(closed());
    EXPECT_EQ(ItemTexts(list), QStringList(2, data + "/a.txt"));
    EXPECT_EQ(frmPickFile::RememberedFolder(), data);
}

TEST_F(PickFileTest, ClosingTheWizardTakesThePickerWithIt)
{
    auto* host = new QWidget;
    QPointer<frmPickFile> orphan = new frmPickFile(new QListWidget(host));
    orphan->show();
    delete host;
    EXPECT_TRUE(orphan.isNull());
}

}  // namespace
