#include "dialogs/FilePicker.h"

#include "dialogs/FolderBrowser.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/Text.h"
#include "shared/Controls.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString RootFolder = QStringLiteral("/");
const QString AllFilesPattern = QStringLiteral("*.*");
const QString ExtensionPrefix = QStringLiteral("*.");

QString& remembered()
{
    static QString folder;
    return folder;
}

// A folder the picker can work in: an existing folder named by its full path.
bool isFolder(const QString& path)
{
    return QDir::isAbsolutePath(path) && Files::folderExists(path);
}

void tellNoFolder()
{
    Messages::verificationError(FilePicker::tr("The backup path selected does not exist; please correct it."));
}

// The folder chooser for a folder to back up, until the user picks one that exists or cancels
// (an empty text).
QString chooseFolder(QWidget* parent, const QString& startFolder)
{
    return FolderBrowser(parent, FilePicker::tr("Please select a directory to backup."), startFolder)
        .chooseExisting([] {
            Messages::verificationError(FilePicker::tr("The specified directory does not exist; please try again."),
                Messages::Icon::Exclamation);
        });
}

bool isExtensionCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

} // namespace

FilePicker::FilePicker(QWidget* wizard)
    : QDialog(wizard)
    , m_wizard(wizard)
{
    setObjectName(QStringLiteral("FilePicker"));
    setWindowTitle(tr("Select File(s) to Backup"));

    m_folder = Controls::named(new QLineEdit(remembered().isEmpty() ? QDir::homePath() : remembered()), "folderEdit");
    m_folder->installEventFilter(this);
    auto* browse = Controls::named(new QToolButton, "browseButton");
    browse->setText(QStringLiteral("..."));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(tr("Folder:")));
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    m_tabs = Controls::named(new QTabWidget, "tabs");
    m_tabs->addTab(buildSpecificFilesPage(), tr("Specific File(s)"));
    m_tabs->setTabToolTip(0, tr("Choose specific file(s)"));
    m_tabs->addTab(buildWildcardsPage(), tr("Wildcard Groups"));
    m_tabs->setTabToolTip(1, tr("Choose groups of files by wildcard"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buildButtons());

    connect(m_folder, &QLineEdit::textChanged, this, &FilePicker::showFolder);
    connect(browse, &QToolButton::clicked, this, &FilePicker::browseForFolder);
    showFolder();
    resize(sizeHint().expandedTo(QSize(560, 380)));
}

QWidget* FilePicker::buildSpecificFilesPage()
{
    auto* page = new QWidget;
    m_files = Controls::named(new QListWidget, "fileList");
    m_files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* instructions = new QVBoxLayout;
    for (const QString& text : {tr("Highlight the file or files that you want to include in this backup set."),
             tr("To select multiple contingent files, click the first file, then while depressing the "
                "shift-key, click the last file.  This should select a range of files for backup."),
             tr("To add files, depress the ctrl-key and click the file."),
             tr("Drag and Drop from the file manager will not work here.")})
        instructions->addWidget(Controls::wrappedLabel(text));
    instructions->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(m_files, 1);
    layout->addLayout(instructions, 1);
    return page;
}

QWidget* FilePicker::buildWildcardsPage()
{
    m_wildcardsPage = new QWidget;
    m_allFiles = Controls::named(new QRadioButton(tr("All Files (*.*)")), "allFilesOption");
    m_commonExtension = Controls::named(new QRadioButton(tr("Common Extension:")), "commonExtensionOption");
    m_commonExtensions = Controls::named(new QComboBox, "commonExtensionList");
    m_commonExtensions->addItems({"pdf", "odt", "ods", "odp", "docx", "xlsx", "pptx", "doc", "xls", "txt", "md", "csv",
        "jpg", "jpeg", "png", "heic", "mp3", "mp4"});
    m_commonExtensions->model()->sort(0); // a sorted list, whatever the order of adding
    m_commonExtensions->setCurrentIndex(-1);
    m_otherExtension = Controls::named(new QRadioButton(tr("Other Extension:")), "otherExtensionOption");
    m_otherExtensionText = Controls::named(new QLineEdit, "otherExtensionEdit");
    // Typed keys are judged one by one (with a message); this keeps pasted text to the same
    // characters, so the pattern never holds a separator, a blank or another wildcard.
    m_otherExtensionText->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(\\*\\.)?[A-Za-z0-9]*")), m_otherExtensionText));
    m_otherExtensionText->installEventFilter(this);

    auto* examples = new QVBoxLayout;
    for (const QString& text : {tr("Here are some examples:"), tr("doc  -  Word documents only"),
             tr("c      -  All source code files"), tr("html  -  All html files")})
        examples->addWidget(new QLabel(text));
    auto* layout = new QGridLayout(m_wildcardsPage);
    layout->addWidget(m_allFiles, 0, 0, 1, 2);
    layout->addWidget(Controls::wrappedLabel(tr("This option will backup all files, regardless of type.")), 0, 2);
    layout->addWidget(m_commonExtension, 1, 0, 1, 2);
    layout->addWidget(
        Controls::wrappedLabel(tr("Select specific extensions by which to filter backup files in directory.")), 1, 2);
    layout->addWidget(m_commonExtensions, 2, 1);
    layout->addLayout(examples, 2, 2, 3, 1);
    layout->addWidget(m_otherExtension, 3, 0, 1, 2);
    layout->addWidget(m_otherExtensionText, 4, 1);
    layout->addWidget(
        Controls::wrappedLabel(tr("Note that this option only works with compression backup jobs.")), 5, 1, 1, 2);
    layout->setColumnMinimumWidth(0, 16);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(6, 1);

    for (QRadioButton* option : {m_allFiles, m_commonExtension, m_otherExtension})
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                enableExtensionBoxes();
        });
    m_allFiles->setChecked(true);
    return m_wildcardsPage;
}

QLayout* FilePicker::buildButtons()
{
    auto* addFolder = Controls::named(new QPushButton(tr("Add &Folder...")), "addFolderButton");
    addFolder->setToolTip(tr("Add a whole folder"));
    auto* cancel = Controls::named(new QPushButton(tr("&Cancel")), "cancelButton");
    auto* ok = Controls::named(new QPushButton(tr("&Ok")), "okButton");
    for (QPushButton* button : {addFolder, cancel})
        button->setAutoDefault(false);
    ok->setDefault(true);
    connect(addFolder, &QPushButton::clicked, this, &FilePicker::addWholeFolder);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addFolder);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    return buttons;
}

QString FilePicker::rememberedFolder()
{
    return remembered();
}

void FilePicker::setRememberedFolder(const QString& folder)
{
    remembered() = folder;
}

// Each wildcard option enables its own box alone; leaving the typed extension clears it.
void FilePicker::enableExtensionBoxes()
{
    m_commonExtensions->setEnabled(m_commonExtension->isChecked());
    m_otherExtensionText->setEnabled(m_otherExtension->isChecked());
    if (m_allFiles->isChecked())
        m_otherExtensionText->clear();
    else
        (m_commonExtension->isChecked() ? static_cast<QWidget*>(m_commonExtensions) : m_otherExtensionText)->setFocus();
}

bool FilePicker::acceptsExtensionCharacter(QChar typed) const
{
    if (isExtensionCharacter(typed))
        return true;
    Messages::verificationError(tr("You cannot press the '%1' key when defining a wildcard extension.").arg(typed));
    return false;
}

bool FilePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_folder && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        goToTypedFolder(); // not Ok: Enter here means "go there"
        return true;
    }
    if (watched == m_otherExtensionText) {
        const QString typed = key->text();
        // Only characters are judged: shortcuts (paste and the like), Tab and the editing
        // keys keep their usual meaning.
        const bool character
            = typed.size() == 1 && typed[0].isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
        if (character && !acceptsExtensionCharacter(typed[0]))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool FilePicker::listFiles(const QString& folder)
{
    if (!isFolder(folder) || !QFileInfo(folder).isReadable())
        return false;
    m_files->clear();
    // A job keeps one entry a line: a name holding a line break can't be one.
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    names.removeIf(Text::holdsLineBreak);
    m_files->addItems(names);
    m_listedFolder = folder;
    return true;
}

// The list shows the typed folder's files; while the text names no folder it keeps the last
// folder's files, disabled.
void FilePicker::showFolder()
{
    listFiles(m_folder->text());
    m_files->setEnabled(m_listedFolder == m_folder->text());
}

void FilePicker::goToTypedFolder()
{
    if (isFolder(m_folder->text()))
        m_files->setFocus(Qt::OtherFocusReason);
    else
        tellNoFolder();
}

void FilePicker::browseForFolder()
{
    const QString folder = chooseFolder(this, m_folder->text());
    activateWindow();
    if (!folder.isEmpty())
        m_folder->setText(folder);
}

bool FilePicker::wildcardsShown() const
{
    return m_tabs->currentWidget() == m_wildcardsPage;
}

// The selected files of the list, when it shows the typed folder (an unreadable folder leaves
// the names of the one before).
QStringList FilePicker::selectedFiles() const
{
    QStringList files;
    if (m_listedFolder == m_folder->text())
        for (int row = 0; row < m_files->count(); ++row)
            if (m_files->item(row)->isSelected())
                files << m_files->item(row)->text();
    return files;
}

std::optional<QString> FilePicker::chosenPattern() const
{
    if (m_allFiles->isChecked())
        return AllFilesPattern;
    // zip would take the whole file system for a wildcard group of the root folder.
    if (QFileInfo(m_folder->text()).canonicalFilePath() == RootFolder) {
        Messages::verificationError(tr("You cannot select any wildcard other than '*.*' for use "
                                       "with a full drive path.  Either go to a subdirectory to "
                                       "use the *.extension notation, or select *.* to backup "
                                       "the entire drive or disk.  This is a weakness of the "
                                       "zip.exe engine that Arkwell calls.  Fix will have to wait "
                                       "until we replace with dll."));
        return std::nullopt;
    }
    if (m_commonExtension->isChecked())
        return m_commonExtensions->currentIndex() < 0 ? AllFilesPattern
                                                      : ExtensionPrefix + m_commonExtensions->currentText();
    QString extension = m_otherExtensionText->text();
    if (extension.startsWith(ExtensionPrefix))
        extension.remove(0, ExtensionPrefix.size());
    return extension.isEmpty() ? AllFilesPattern : ExtensionPrefix + extension;
}

void FilePicker::accept()
{
    if (!isFolder(m_folder->text()))
        return tellNoFolder();
    QString folder = m_folder->text();
    Files::setTrailingSlash(folder, true);
    QStringList entries;
    if (wildcardsShown()) {
        const std::optional<QString> pattern = chosenPattern();
        if (!pattern)
            return;
        entries << folder + *pattern;
    } else {
        for (const QString& file : selectedFiles())
            entries << folder + file;
        if (entries.isEmpty())
            return Messages::verificationError(tr("You must select files to backup from the file list box "
                                                  "before clicking Ok, or leave the Wildcards tab visible.  "
                                                  "Please do so now."));
    }
    remembered() = m_folder->text();
    handOver(entries);
}

QString FilePicker::chooseWholeFolder(QWidget* parent)
{
    QString folder = chooseFolder(parent, remembered());
    if (folder.isEmpty())
        return folder;
    remembered() = folder;
    Files::setTrailingSlash(folder, true);
    return folder + AllFilesPattern;
}

void FilePicker::addWholeFolder()
{
    const QString entry = chooseWholeFolder(this);
    if (!entry.isEmpty())
        handOver({entry});
}

void FilePicker::handOver(const QStringList& entries)
{
    emit entriesChosen(entries);
    QDialog::accept();
}

void FilePicker::done(int result)
{
    if (m_wizard)
        m_wizard->activateWindow();
    QDialog::done(result);
    deleteLater();
}
