#include "dialogs/frmPickFile.h"

#include "dialogs/CBrowseDlg.h"
#include "dialogs/libControls.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/Text.h"
#include "lib/Twips.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QVBoxLayout>

using libControls::NewControl;

namespace {

const QString RootFolder = QStringLiteral("/");
const QString AllFilesPattern = QStringLiteral("*.*");
const QString ExtensionPrefix = QStringLiteral("*.");

QString& rememberedFolder()
{
    static QString folder;
    return folder;
}

// A folder the picker can work in: an existing folder named by its full path.
bool isFolder(const QString& sPath)
{
    return QDir::isAbsolutePath(sPath) && Files::folderExists(sPath);
}

// The folder chooser for a folder to back up, until the user picks one that exists or cancels
// (an empty text).
QString chooseFolder(QWidget* parent, const QString& startFolder)
{
    CBrowseDlg dlg;
    dlg.setParentHWnd(parent);
    dlg.setPrompt(QStringLiteral("Please select a directory to backup."));
    dlg.setStartFolder(startFolder);
    return dlg.ShowBrowseDlgForExistingFolder([] {
        Messages::verificationError(QStringLiteral("The specified directory does not exist; please try again."),
                                    Messages::Icon::Exclamation);
    });
}

bool isExtensionCharacter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
           || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

}  // namespace

frmPickFile::frmPickFile(QWidget* wizard)
    : QDialog(wizard), m_wizard(wizard)
{
    setObjectName(QStringLiteral("frmPickFile"));
    setWindowTitle(QStringLiteral("Select File(s) to Backup"));
    setFixedSize(Twips::rect(0, 0, 6570, 4110).size());
    createControls();
    Form_Load();
}

QString frmPickFile::RememberedFolder()
{
    return rememberedFolder();
}

void frmPickFile::SetRememberedFolder(const QString& sFolder)
{
    rememberedFolder() = sFolder;
}

void frmPickFile::createControls()
{
    lblFolder = NewControl<QLabel>(this, "lblFolder", Twips::rect(60, 180, 615, 195));
    lblFolder->setText(QStringLiteral("Folder:"));
    txtPath = NewControl<QLineEdit>(this, "txtPath", Twips::rect(720, 120, 5355, 315));
    txtPath->setText(QDir::homePath());
    txtPath->installEventFilter(this);
    cmdBrowsePath = NewControl<QPushButton>(this, "cmdBrowsePath", Twips::rect(6180, 120, 315, 315));
    cmdBrowsePath->setText(QStringLiteral("..."));
    cmdBrowsePath->setAutoDefault(false);

    // The tab strip: its tabs on top, the body below them holds the two pages in one place.
    tabFilePick = NewControl<QTabBar>(this, "tabFilePick", Twips::rect(60, 600, 6435, 380));
    tabFilePick->addTab(QStringLiteral("Specific File(s)"));
    tabFilePick->setTabData(0, QStringLiteral("SpecificFiles"));
    tabFilePick->setTabToolTip(0, QStringLiteral("Choose specific file(s)"));
    tabFilePick->addTab(QStringLiteral("Wildcard Groups"));
    tabFilePick->setTabData(1, QStringLiteral("WildcardGroups"));
    tabFilePick->setTabToolTip(1, QStringLiteral("Choose groups of files by wildcard"));
    auto* tabBody = new QFrame(this);
    tabBody->setFrameShape(QFrame::StyledPanel);
    tabBody->setGeometry(Twips::rect(60, 960, 6435, 2655));
    tabBody->lower();
    createSpecificFilesPage();
    createWildcardsPage();

    cmdAddFolder = NewControl<QPushButton>(this, "cmdAddFolder", Twips::rect(60, 3720, 1700, 375));
    cmdAddFolder->setText(QStringLiteral("Add &Folder..."));
    cmdAddFolder->setToolTip(QStringLiteral("Add a whole folder"));
    cmdAddFolder->setAutoDefault(false);
    cmdCancel = NewControl<QPushButton>(this, "cmdCancel", Twips::rect(1980, 3720, 1128, 375));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setAutoDefault(false);
    cmdOk = NewControl<QPushButton>(this, "cmdOk", Twips::rect(3300, 3720, 1128, 375));
    cmdOk->setText(QStringLiteral("&Ok"));
    cmdOk->setDefault(true);

    connect(tabFilePick, &QTabBar::currentChanged, this, &frmPickFile::tabFilePick_Click);
    connect(txtPath, &QLineEdit::textChanged, this, &frmPickFile::txtPath_Change);
    connect(cmdBrowsePath, &QPushButton::clicked, this, &frmPickFile::cmdBrowsePath_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmPickFile::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPickFile::cmdCancel_Click);
    connect(cmdAddFolder, &QPushButton::clicked, this, &frmPickFile::cmdAddFolder_Click);
}

QLabel* frmPickFile::addInstruction(int index, QWidget* page, const QString& text)
{
    auto* label = new QLabel(text, page);
    label->setObjectName(QStringLiteral("lblInstrux"));
    label->setProperty("Index", index);
    label->setWordWrap(true);
    lblInstrux[std::size_t(index)] = label;
    return label;
}

void frmPickFile::createSpecificFilesPage()
{
    fraSpecificFiles = NewControl<QFrame>(this, "fraSpecificFiles", Twips::rect(120, 980, 6315, 2535));
    filFileList = NewControl<QListWidget>(fraSpecificFiles, "filFileList", Twips::rect(0, 0, 2895, 2430));
    filFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto* instructions = new QWidget(fraSpecificFiles);
    instructions->setGeometry(Twips::rect(3060, 0, 3195, 2535));
    auto* column = new QVBoxLayout(instructions);
    column->setContentsMargins(0, 0, 0, 0);
    const QStringList texts = {
        QStringLiteral("Highlight the file or files that you want to include in this backup set."),
        QStringLiteral("To select multiple contingent files, click the first file, then while depressing the "
                       "shift-key, click the last file.  This should select a range of files for backup."),
        QStringLiteral("To add files, depress the ctrl-key and click the file."),
        QStringLiteral("Drag and Drop from the file manager will not work here."),
    };
    for (int i = 0; i < texts.size(); ++i)
        column->addWidget(addInstruction(i, instructions, texts[i]));
    column->addStretch();
}

void frmPickFile::createWildcardsPage()
{
    fraWildcards = NewControl<QFrame>(this, "fraWildcards", Twips::rect(120, 980, 6315, 2535));
    optAllFiles = NewControl<QRadioButton>(fraWildcards, "optAllFiles", Twips::rect(540, 60, 1875, 255));
    optAllFiles->setText(QStringLiteral("All Files (*.*)"));
    optOtherCommon = NewControl<QRadioButton>(fraWildcards, "optOtherCommon", Twips::rect(540, 480, 2235, 255));
    optOtherCommon->setText(QStringLiteral("Common Extension:"));
    cmbCommonExt = NewControl<QComboBox>(fraWildcards, "cmbCommonExt", Twips::rect(840, 720, 1095, 315));
    optOtherWildcard = NewControl<QRadioButton>(fraWildcards, "optOtherWildcard", Twips::rect(540, 1200, 2235, 255));
    optOtherWildcard->setText(QStringLiteral("Other Extension:"));
    txtOtherWildcard = NewControl<QLineEdit>(fraWildcards, "txtOtherWildcard", Twips::rect(840, 1440, 1095, 315));
    // Typed keys are judged one by one (with a message); this keeps pasted text to the same
    // characters, so the pattern never holds a separator, a blank or another wildcard.
    txtOtherWildcard->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(\\*\\.)?[A-Za-z0-9]*")), txtOtherWildcard));
    txtOtherWildcard->installEventFilter(this);

    const int left = 3060;
    addInstruction(4, fraWildcards, QStringLiteral("This option will backup all files, regardless of type."))
        ->setGeometry(Twips::rect(left, 0, 3195, 420));
    addInstruction(5, fraWildcards,
                   QStringLiteral("Select specific extensions by which to filter backup files in directory."))
        ->setGeometry(Twips::rect(left, 420, 3195, 420));
    const QStringList examples = {
        QStringLiteral("Here are some examples:"),
        QStringLiteral("doc  -  Word documents only"),
        QStringLiteral("c      -  All source code files"),
        QStringLiteral("html  -  All html files"),
    };
    for (int i = 0; i < examples.size(); ++i)
        addInstruction(6 + i, fraWildcards, examples[i])->setGeometry(Twips::rect(left, 900 + i * 240, 3195, 240));
    addInstruction(10, fraWildcards, QStringLiteral("Note that this option only works with compression backup jobs."))
        ->setGeometry(Twips::rect(840, 1860, 5415, 420));

    connect(optAllFiles, &QRadioButton::toggled, this, [this](bool on) { if (on) optAllFiles_Click(); });
    connect(optOtherCommon, &QRadioButton::toggled, this, [this](bool on) { if (on) optOtherCommon_Click(); });
    connect(optOtherWildcard, &QRadioButton::toggled, this, [this](bool on) { if (on) optOtherWildcard_Click(); });
}

void frmPickFile::Form_Load()
{
    if (!rememberedFolder().isEmpty())
        txtPath->setText(rememberedFolder());
    tabFilePick_Click();
    txtPath_Change();
    cmbCommonExt->addItems({"pdf", "odt", "ods", "odp", "docx", "xlsx", "pptx", "doc", "xls", "txt", "md", "csv",
                            "jpg", "jpeg", "png", "heic", "mp3", "mp4"});
    cmbCommonExt->model()->sort(0);  // a sorted list, whatever the order of adding
    cmbCommonExt->setCurrentIndex(-1);
    optAllFiles->setChecked(true);
}

void frmPickFile::tabFilePick_Click()
{
    const bool specificFiles = tabFilePick->tabText(tabFilePick->currentIndex()) == QStringLiteral("Specific File(s)");
    fraSpecificFiles->setVisible(specificFiles);
    fraWildcards->setVisible(!specificFiles);
}

void frmPickFile::optAllFiles_Click()
{
    txtOtherWildcard->clear();
    txtOtherWildcard->setEnabled(false);
    cmbCommonExt->setEnabled(false);
}

void frmPickFile::optOtherCommon_Click()
{
    txtOtherWildcard->setEnabled(false);
    cmbCommonExt->setEnabled(true);
    cmbCommonExt->setFocus();
}

void frmPickFile::optOtherWildcard_Click()
{
    cmbCommonExt->setEnabled(false);
    txtOtherWildcard->setEnabled(true);
    txtOtherWildcard->setFocus();
}

bool frmPickFile::txtOtherWildcard_KeyPress(QChar KeyAscii)
{
    if (isExtensionCharacter(KeyAscii) || KeyAscii == QChar(8) || KeyAscii == QChar(13))
        return true;
    Messages::verificationError(QStringLiteral("You cannot press the '") + KeyAscii
                                + QStringLiteral("' key when defining a wildcard extension."));
    return false;
}

bool frmPickFile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtPath && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {  // not Ok: Enter here means "go there"
            txtPath_Enter();
            return true;
        }
    }
    if (watched == txtOtherWildcard && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        // Only characters are judged: shortcuts (paste and the like), Tab and the editing
        // keys keep their usual meaning.
        const bool character = typed.size() == 1 && typed[0].isPrint()
                               && !(key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
        if (character && !txtOtherWildcard_KeyPress(typed[0]))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool frmPickFile::pointFileList(const QString& sFolder)
{
    if (!isFolder(sFolder) || !QFileInfo(sFolder).isReadable())
        return false;
    filFileList->clear();
    // A job keeps one entry a line: a name holding a line break can't be one.
    QStringList names = QDir(sFolder).entryList(QDir::Files, QDir::Name);
    names.removeIf(Text::holdsLineBreak);
    filFileList->addItems(names);
    m_fileListFolder = sFolder;
    return true;
}

void frmPickFile::txtPath_Change()
{
    pointFileList(txtPath->text());
    filFileList->setEnabled(m_fileListFolder == txtPath->text());
}

void frmPickFile::cmdBrowsePath_Click()
{
    Errors::trap("frmPickFile", "cmdAddDirectory_Click()", [&] {
        const QString sPath = chooseFolder(this, txtPath->text());
        activateWindow();
        if (!sPath.isEmpty())
            txtPath->setText(sPath);
    });
}

bool frmPickFile::wildcardTabSelected() const
{
    return tabFilePick->currentIndex() == 1;
}

std::optional<QString> frmPickFile::settledPattern() const
{
    if (optAllFiles->isChecked())
        return AllFilesPattern;
    // zip would take the whole file system for a wildcard group of the root folder.
    if (QFileInfo(txtPath->text()).canonicalFilePath() == RootFolder) {
        Messages::verificationError(QStringLiteral(
            "You cannot select any wildcard other than '*.*' for use "
            "with a full drive path.  Either go to a subdirectory to "
            "use the *.extension notation, or select *.* to backup "
            "the entire drive or disk.  This is a weakness of the "
            "zip.exe engine that Arkwell calls.  Fix will have to wait "
            "until we replace with dll."));
        return std::nullopt;
    }
    if (optOtherCommon->isChecked())
        return cmbCommonExt->currentIndex() < 0 ? AllFilesPattern : ExtensionPrefix + cmbCommonExt->currentText();
    QString extension = txtOtherWildcard->text();
    if (extension.startsWith(ExtensionPrefix))
        extension.remove(0, ExtensionPrefix.size());
    return extension.isEmpty() ? AllFilesPattern : ExtensionPrefix + extension;
}

void frmPickFile::cmdOk_Click()
{
    Errors::trap("frmPickFile", "cmdOK_Click()", [&] {
        QString sFolder = txtPath->text();
        Files::setTrailingSlash(sFolder, true);
        QStringList files;
        // Only a list that shows the typed folder is picked from (an unreadable folder leaves
        // the names of the one before).
        if (!wildcardTabSelected() && m_fileListFolder == txtPath->text())
            for (int row = 0; row < filFileList->count(); ++row)
                if (filFileList->item(row)->isSelected())
                    files << filFileList->item(row)->text();
        if (!isFolder(txtPath->text())) {
            Messages::verificationError(QStringLiteral("The backup path selected does not exist; please correct it."));
            return;
        }
        if (!wildcardTabSelected() && files.isEmpty()) {
            Messages::verificationError(QStringLiteral("You must select files to backup from the file list box "
                                                       "before clicking Ok, or leave the Wildcards tab visible.  "
                                                       "Please do so now."));
            return;
        }
        QStringList entries;
        if (wildcardTabSelected()) {
            const std::optional<QString> pattern = settledPattern();
            if (!pattern)
                return;
            entries << sFolder + *pattern;
        } else {
            for (const QString& file : files)
                entries << sFolder + file;
        }
        rememberedFolder() = txtPath->text();
        handOver(entries);
    });
}

void frmPickFile::txtPath_Enter()
{
    if (isFolder(txtPath->text()))
        filFileList->setFocus(Qt::OtherFocusReason);
    else
        Messages::verificationError(QStringLiteral("The backup path selected does not exist; please correct it."));
}

QString frmPickFile::ChooseWholeFolder(QWidget* parent)
{
    QString folder = chooseFolder(parent, rememberedFolder());
    if (folder.isEmpty())
        return folder;
    rememberedFolder() = folder;
    Files::setTrailingSlash(folder, true);
    return folder + AllFilesPattern;
}

void frmPickFile::cmdAddFolder_Click()
{
    Errors::trap("frmPickFile", "cmdAddFolder_Click()", [&] {
        const QString entry = ChooseWholeFolder(this);
        if (!entry.isEmpty())
            handOver({entry});
    });
}

void frmPickFile::handOver(const QStringList& entries)
{
    emit EntriesChosen(entries);
    unload();
}

void frmPickFile::cmdCancel_Click()
{
    unload();
}

void frmPickFile::reject()
{
    cmdCancel_Click();
}

void frmPickFile::unload()
{
    if (m_wizard)
        m_wizard->activateWindow();
    hide();
    deleteLater();
}
