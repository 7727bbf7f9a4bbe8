// The file picker: specific files, wildcard groups, the folder field and browser.
#include "dialogs/FilePicker.h"

#include "support/FolderChooserStub.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QTabWidget>
#include <QTest>

using testing_support::FolderChooserStub;
using testing_support::ItemTexts;

namespace {

class PickFileTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        FilePicker::setRememberedFolder(QString());
        for (const char* name : {"c.txt", "a.txt", "b.doc", ".hidden", "Makefile", "two\nlines", "odd\rname"})
            writeFile(QStringLiteral("data/") + QLatin1String(name), "x");
        QDir().mkpath(path("data/sub.folder"));
    }
    // Opens a new picker (the last one goes), in the folder if one is given.
    void open(const QString& folder = QString())
    {
        delete picker.data();
        picker = new FilePicker(&wizard);
        QObject::connect(picker, &FilePicker::entriesChosen, [this](const QStringList& entries) { chosen << entries; });
        picker->show();
        if (!folder.isNull())
            folderField()->setText(folder);
    }
    template <typename Control = QAbstractButton> Control* control(const char* name) const
    {
        return testing_support::FindControl<Control>(picker, name);
    }
    QLineEdit* folderField() const { return control<QLineEdit>("folderEdit"); }
    QListWidget* files() const { return control<QListWidget>("fileList"); }
    void click(const char* name) const { control(name)->click(); }
    void select(const QStringList& names) const
    {
        for (const QString& name : names)
            files()->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }
    void showTab(int tab) const { control<QTabWidget>("tabs")->setCurrentIndex(tab); }
    bool closed() const { return testing_support::Unloaded(picker); }
    QString lastMessage() const
    {
        return messageBoxes.messages().empty() ? QString() : messageBoxes.messages().back().text;
    }

    QWidget wizard; // the picker's owner, which takes the last one with it
    QPointer<FilePicker> picker;
    QStringList chosen; // the entries the picker gave, in their order
    const QString data = path("data");
};

TEST_F(PickFileTest, EachWildcardOptionTakesItsOwnBoxAndSettlesItsPatternAndTheRootTakesOnlyAllFiles)
{
    open();
    showTab(1);
    auto* other = control<QLineEdit>("otherExtensionEdit");
    click("otherExtensionOption");
    // The extension takes letters and digits only; a pasted text is held to them without a message.
    QTest::keyClicks(other, "Mp3");
    for (const char* key : {".", "*", "/", " "}) {
        QTest::keyClicks(other, key);
        EXPECT_EQ(lastMessage(),
            QStringLiteral("You cannot press the '%1' key when defining a wildcard extension.")
                .arg(QLatin1String(key)));
    }
    QTest::keyClick(other, Qt::Key_Backspace);
    other->insert("x/y");
    other->insert("a b");
    EXPECT_EQ(other->text(), "Mp");
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
    click("allFilesOption"); // leaving the typed extension clears and disables it
    EXPECT_TRUE(other->text().isEmpty() && !other->isEnabled());

    ASSERT_TRUE(QFile::link(QStringLiteral("/"), path("rootlink")));
    // The folder, the option, the extension chosen in its box, and the entry (none: refused as a
    // wildcard on the root folder).
    using Case = std::tuple<QString, const char*, const char*, QString>;
    const Case cases[] = {
        {data, "allFilesOption", nullptr, data + "/*.*"},
        {data, "commonExtensionOption", "pdf", data + "/*.pdf"},
        {data, "commonExtensionOption", nullptr, data + "/*.*"},
        {data, "otherExtensionOption", "txt", data + "/*.txt"},
        {data, "otherExtensionOption", nullptr, data + "/*.*"},
        {data, "otherExtensionOption", "*.cpp", data + "/*.cpp"},
        {"/", "allFilesOption", nullptr, "/*.*"},
        {"/", "commonExtensionOption", "doc", {}},
        {data + "/../../../../../../../..", "commonExtensionOption", "doc", {}},
        {path("rootlink"), "otherExtensionOption", "doc", {}},
    };
    for (const auto& [folder, option, extension, entry] : cases) {
        SCOPED_TRACE(folder.toStdString() + " " + option);
        chosen.clear();
        open(folder);
        if (folder == data)
            select({"a.txt"}); // ignored: the wildcard tab is showing
        showTab(1);
        click(option); // each option enables its own box alone
        const bool common = option == std::string_view("commonExtensionOption");
        EXPECT_EQ(control<QComboBox>("commonExtensionList")->isEnabled(), common);
        EXPECT_EQ(
            control<QLineEdit>("otherExtensionEdit")->isEnabled(), option == std::string_view("otherExtensionOption"));
        if (extension && common)
            control<QComboBox>("commonExtensionList")->setCurrentText(extension);
        else if (extension)
            control<QLineEdit>("otherExtensionEdit")->setText(extension);
        click("okButton");
        EXPECT_EQ(chosen, entry.isEmpty() ? QStringList() : QStringList{entry});
        EXPECT_EQ(closed(), !entry.isEmpty());
        EXPECT_TRUE(!entry.isEmpty()
            || lastMessage().startsWith(
                "You cannot select any wildcard other than '*.*' for use with a full drive path."));
    }
    EXPECT_EQ(messageBoxes.messages().size(), 4u + 3u);
}

TEST_F(PickFileTest, FilesOfAnExistingFolderAreAppendedAndTheNextOpeningStartsWhereTheLastOkLeft)
{
    open();
    EXPECT_EQ(folderField()->text(), QDir::homePath()); // the first opening
    // Enter in the folder box goes there, or tells it is no folder; it is never Ok.
    for (const QString& typed : {data + "/nothing", data}) {
        folderField()->setText(typed);
        QTest::keyClick(folderField(), Qt::Key_Return);
    }
    EXPECT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_EQ(lastMessage(), "The backup path selected does not exist; please correct it.");
    EXPECT_TRUE(files()->isEnabled() && !closed());
    // No hidden file, no folder, and no name that would split a job's entry in two.
    EXPECT_EQ(ItemTexts(files()), QStringList({"Makefile", "a.txt", "b.doc", "c.txt"}));
    // A field that names no folder disables the list, which keeps the last folder's files; Ok is refused.
    for (const QString& bad : {data + "/nothing", data + "/a.txt", QStringLiteral("data"), QString()}) {
        folderField()->setText(bad);
        EXPECT_FALSE(files()->isEnabled()) << bad.toStdString();
        EXPECT_EQ(files()->count(), 4);
        showTab(bad.isEmpty() ? 0 : 1); // refused on either tab; the last leaves the files shown
        click("okButton");
        EXPECT_EQ(lastMessage(), "The backup path selected does not exist; please correct it.");
    }

    // Nothing selected: told, nothing appended, still open.
    folderField()->setText(data + "/"); // typed with its final separator
    click("okButton");
    EXPECT_TRUE(lastMessage().startsWith("You must select files to backup from the file list box"));
    EXPECT_FALSE(closed());
    select({"c.txt", "Makefile", "a.txt"});
    click("okButton");
    EXPECT_TRUE(closed());

    // Cancel and closing the window hand over nothing and keep the folder of the last Ok, as typed.
    open(data + "/sub.folder");
    click("cancelButton");
    EXPECT_TRUE(closed());
    open();
    EXPECT_EQ(folderField()->text(), data + "/");
    picker->close();
    EXPECT_TRUE(closed());
    EXPECT_EQ(chosen, QStringList({data + "/Makefile", data + "/a.txt", data + "/c.txt"}));

    // A folder gone meanwhile is told and the browser opens again; the root stays the root;
    // a cancel changes nothing.
    open();
    FolderChooserStub chooser({data + "/gone", data + "/sub.folder/", "/", "", data + "/sub.folder"});
    for (const QString& shown : {data + "/sub.folder", QStringLiteral("/"), QStringLiteral("/")}) {
        click("browseButton");
        EXPECT_EQ(folderField()->text(), shown);
    }
    EXPECT_EQ(lastMessage(), "The specified directory does not exist; please try again.");
    EXPECT_EQ(chooser.prompts, QStringList(4, "Please select a directory to backup."));
    EXPECT_EQ(chooser.parents.front(), picker);
    EXPECT_EQ(chooser.starts.front(), data + "/"); // the browser starts in the folder shown

    // Add Folder hands over a whole folder, starting in the folder remembered, and remembers it.
    click("addFolderButton");
    EXPECT_EQ(chosen.last(), data + "/sub.folder/*.*");
    EXPECT_EQ(chooser.starts.last(), data + "/");
    EXPECT_TRUE(closed());
    open();
    EXPECT_EQ(folderField()->text(), data + "/sub.folder");
}

} // namespace
