#include "wizard/CJobWizardControls.h"

#include "wizard/ExclusionsPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

template <typename Widget>
Widget* named(Widget* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QString elementName(const char* arrayName, int element)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(arrayName)).arg(element);
}

QLabel* wrappedLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QPushButton* footerButton(const QString& name, const QString& caption)
{
    auto* button = named(new QPushButton(caption), name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

void CJobWizardControls::buildControls(QDialog* wizard, const QIcon& icon)
{
    auto* layout = new QVBoxLayout(wizard);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader(icon));
    layout->addWidget(named(new QFrame, elementName("linDiv", 0)));
    layout->addWidget(buildSteps(), 1);
    layout->addWidget(named(new QFrame, elementName("linDiv", 1)));
    layout->addWidget(buildFooter());
    for (auto* divider : wizard->findChildren<QFrame*>(QRegularExpression(QStringLiteral("^linDiv_")))) {
        divider->setFrameShape(QFrame::HLine);
        divider->setFrameShadow(QFrame::Sunken);
    }
    setTabOrder();
}

// The tab order follows the controls' tab indexes; the inputs among them are the focus
// rule's candidates.
void CJobWizardControls::setTabOrder()
{
    const QList<QWidget*> tabOrder{txtBackupJobName, txtStartTime,     cmbFrequency, cmbDayOfMonth, chkMonday,
                                   chkTuesday,       chkWednesday,     chkThursday,  chkFriday,     chkSaturday,
                                   chkSunday,        lstFilesToBackup, cmdAddFile,   cmdAddFolder, cmdRemove,     cmdExplorer1,
                                   chkSubdirectories, txtTargDir,      cmdBrowseTargDir, cmdExplorer2,
                                   cmbNumberZipFilesToKeep, chkPasswordProtect, txtPassword, txtPasswordConfirm, cmdCancel, cmdBack,
                                   cmdNext, cmdFinish, cmdTitle, optFullBackup, optIncremental, optCompression[0],
                                   optCompression[1]};
    for (int i = 0; i < int(tabOrder.size()); ++i) {
        if (i > 0)
            QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
        if (qobject_cast<QLineEdit*>(tabOrder[i]) || qobject_cast<QComboBox*>(tabOrder[i])
            || qobject_cast<QCheckBox*>(tabOrder[i]))
            m_focusCandidates.push_back({tabOrder[i], i});
    }
}

QFrame* CJobWizardControls::buildHeader(const QIcon& icon)
{
    picHeader = named(new QFrame, QStringLiteral("picHeader"));
    picHeader->setAutoFillBackground(true);
    picHeader->setBackgroundRole(QPalette::Base);
    imgIcon = named(new QLabel, QStringLiteral("imgIcon"));
    imgIcon->setPixmap(icon.pixmap(32, 32));
    lblWizTitle = named(new QLabel(QStringLiteral("Backup Job Definition Wizard")), QStringLiteral("lblWizTitle"));
    QFont titleFont = lblWizTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    lblWizTitle->setFont(titleFont);
    auto* layout = new QHBoxLayout(picHeader);
    layout->addWidget(imgIcon);
    layout->addWidget(lblWizTitle, 1);
    return picHeader;
}

QFrame* CJobWizardControls::buildFooter()
{
    picFooter = named(new QFrame, QStringLiteral("picFooter"));
    lblStepNbr = named(new QLabel(QStringLiteral("Step 1 of 3")), QStringLiteral("lblStepNbr"));
    cmdCancel = footerButton(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdBack = footerButton(QStringLiteral("cmdBack"), QStringLiteral("< &Back"));
    cmdNext = footerButton(QStringLiteral("cmdNext"), QStringLiteral("&Next >"));
    cmdFinish = footerButton(QStringLiteral("cmdFinish"), QStringLiteral("&Finish"));
    cmdBack->setEnabled(false);
    cmdFinish->setEnabled(false);
    cmdNext->setDefault(true);
    auto* layout = new QHBoxLayout(picFooter);
    layout->addWidget(lblStepNbr);
    layout->addStretch(1);
    for (QPushButton* button : {cmdCancel, cmdBack, cmdNext, cmdFinish})
        layout->addWidget(button);
    return picFooter;
}

QStackedWidget* CJobWizardControls::buildSteps()
{
    m_pages = new QStackedWidget;
    const std::array<QWidget* (CJobWizardControls::*)(), 6> builders{
        &CJobWizardControls::buildNameStep,       &CJobWizardControls::buildSchedulingStep,
        &CJobWizardControls::buildSourceStep,     &CJobWizardControls::buildTargetStep,
        &CJobWizardControls::buildBackupTypeStep, &CJobWizardControls::buildOptionsStep};
    for (const auto builder : builders)
        m_pages->addWidget((this->*builder)());
    return m_pages;
}

QFrame* CJobWizardControls::newStepPage(int element, const QString& title)
{
    QFrame* page = fraWizSteps[element] = named(new QFrame, elementName("fraWizSteps", element));
    lblFrameTitle[element] = named(new QLabel(title), elementName("lblFrameTitle", element));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setBold(true);
    lblFrameTitle[element]->setFont(titleFont);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lblFrameTitle[element]);
    return page;
}

QWidget* CJobWizardControls::buildNameStep()
{
    QFrame* page = newStepPage(0, QStringLiteral("BACKUP JOB NAME"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->addWidget(named(wrappedLabel(QStringLiteral("Enter a name that uniquely identifies this backup job:")),
                            elementName("lblInstrux", 0)));
    txtBackupJobName = named(new QLineEdit, QStringLiteral("txtBackupJobName"));
    layout->addWidget(txtBackupJobName);
    layout->addStretch(1);
    return page;
}

QWidget* CJobWizardControls::buildSchedulingStep()
{
    QFrame* page = newStepPage(1, QStringLiteral("SCHEDULING"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "Select the time, frequency, and day you want this backup job to start.")),
                            elementName("lblStep", 2)));

    txtStartTime = named(new QLineEdit, QStringLiteral("txtStartTime"));
    cmbFrequency = named(new QComboBox, QStringLiteral("cmbFrequency"));
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Start time:")), 0, 0);
    fields->addWidget(txtStartTime, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Frequency:")), 1, 0);
    fields->addWidget(cmbFrequency, 1, 1);
    fields->setColumnStretch(2, 1);
    layout->addLayout(fields);

    lblSelectDayOf = named(new QLabel(QStringLiteral("Select the day(s) of the week or day of month below:")),
                           QStringLiteral("lblSelectDayOf"));
    layout->addWidget(lblSelectDayOf);

    // The day of month list and the Monday box share one place: one group shows at a time.
    cmbDayOfMonth = named(new QComboBox, QStringLiteral("cmbDayOfMonth"));
    chkMonday = named(new QCheckBox(QStringLiteral("Monday")), QStringLiteral("chkMonday"));
    chkTuesday = named(new QCheckBox(QStringLiteral("Tuesday")), QStringLiteral("chkTuesday"));
    chkWednesday = named(new QCheckBox(QStringLiteral("Wednesday")), QStringLiteral("chkWednesday"));
    chkThursday = named(new QCheckBox(QStringLiteral("Thursday")), QStringLiteral("chkThursday"));
    chkFriday = named(new QCheckBox(QStringLiteral("Friday")), QStringLiteral("chkFriday"));
    chkSaturday = named(new QCheckBox(QStringLiteral("Saturday")), QStringLiteral("chkSaturday"));
    chkSunday = named(new QCheckBox(QStringLiteral("Sunday")), QStringLiteral("chkSunday"));
    auto* days = new QGridLayout;
    days->addWidget(cmbDayOfMonth, 0, 0, Qt::AlignLeft);
    const std::array<QCheckBox*, 7> boxes = dayBoxes();
    for (int i = 0; i < 7; ++i)
        days->addWidget(boxes[i], i % 5, i / 5);
    days->setColumnStretch(2, 1);
    layout->addLayout(days);
    layout->addStretch(1);
    return page;
}

QWidget* CJobWizardControls::buildSourceStep()
{
    QFrame* page = newStepPage(2, QStringLiteral("SOURCE FILE SELECTION"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "Select files to backup (or use the file manager to drag and drop):")),
                            elementName("lblStep", 0)));

    cmdTitle = named(new QPushButton(QStringLiteral("File Specifications")), QStringLiteral("cmdTitle"));
    cmdTitle->setAutoDefault(false);
    lstFilesToBackup = named(new QListWidget, QStringLiteral("lstFilesToBackup"));
    lstFilesToBackup->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFilesToBackup->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lstFilesToBackup->viewport()->setAcceptDrops(true);
    cmdAddFile = footerButton(QStringLiteral("cmdAddFile"), QStringLiteral("Add ..."));
    cmdAddFile->setToolTip(QStringLiteral("Add Single File"));
    cmdAddFolder = footerButton(QStringLiteral("cmdAddFolder"), QStringLiteral("Add &Folder..."));
    cmdAddFolder->setToolTip(QStringLiteral("Add a whole folder"));
    cmdRemove = footerButton(QStringLiteral("cmdRemove"), QStringLiteral("&Remove"));
    cmdRemove->setToolTip(QStringLiteral("Remove Files or Folders"));
    cmdExplorer1 = footerButton(QStringLiteral("cmdExplorer1"), QStringLiteral("&Drag-n-Drop..."));
    cmdExplorer1->setToolTip(QStringLiteral("Drag-n-Drop Files or Folders from the File Manager"));

    auto* list = new QVBoxLayout;
    list->setSpacing(0);
    list->addWidget(cmdTitle);
    list->addWidget(lstFilesToBackup, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdAddFile, cmdAddFolder, cmdRemove, cmdExplorer1})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(list, 1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);

    chkSubdirectories = named(new QCheckBox(QStringLiteral("Include subdirectories for all wildcard references?")),
                              QStringLiteral("chkSubdirectories"));
    layout->addWidget(chkSubdirectories);
    exclusions = new ExclusionsPanel([this] {
        ExclusionsPanel::Sources sources{{}, chkSubdirectories->isChecked()};
        for (int row = 0; row < lstFilesToBackup->count(); ++row)
            sources.entries << lstFilesToBackup->item(row)->text();
        return sources;
    });
    layout->addWidget(exclusions);
    return page;
}

QWidget* CJobWizardControls::buildTargetStep()
{
    QFrame* page = newStepPage(3, QStringLiteral("TARGET DIRECTORY SELECTION"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "Select a target directory into which the backup will be placed:")),
                            elementName("lblStep", 1)));
    txtTargDir = named(new QLineEdit, QStringLiteral("txtTargDir"));
    cmdBrowseTargDir = footerButton(QStringLiteral("cmdBrowseTargDir"), QStringLiteral("&Browse..."));
    auto* target = new QHBoxLayout;
    target->addWidget(txtTargDir, 1);
    target->addWidget(cmdBrowseTargDir);
    layout->addLayout(target);

    cmdExplorer2 = footerButton(QStringLiteral("cmdExplorer2"), QStringLiteral("&File Manager..."));
    auto* explorer = new QHBoxLayout;
    explorer->addWidget(named(wrappedLabel(QStringLiteral(
                                  "Use the file manager to create new directories, look for existing files, etc.  "
                                  "Click the button on the right to open the file manager:")),
                              elementName("lblStep", 6)),
                        1);
    explorer->addWidget(cmdExplorer2, 0, Qt::AlignTop);
    layout->addLayout(explorer);
    layout->addStretch(1);
    return page;
}

QWidget* CJobWizardControls::buildBackupTypeStep()
{
    QFrame* page = newStepPage(4, QStringLiteral("BACKUP TYPE"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    optFullBackup = named(new QRadioButton(QStringLiteral("Full Backup")), QStringLiteral("optFullBackup"));
    optFullBackup->setChecked(true);
    layout->addWidget(optFullBackup);
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "Full backup will copy all files, every time.  This is the default backup method.  "
                                "It works with compression On or Off (see Advanced Options tab).")),
                            elementName("lblStep", 7)));
    optIncremental = named(new QRadioButton(QStringLiteral("Incremental Backup")), QStringLiteral("optIncremental"));
    layout->addWidget(optIncremental);
    layout->addWidget(named(
        wrappedLabel(QStringLiteral(
            "Incremental Backup will only copy files whose date modified has occurred on or after the last backup "
            "occurred.  To properly use an Incremental backup, you must also create a matching full backup job.  "
            "We recommend making your Full backup job run Weekly, with a second incremental backup job that runs "
            "daily except on the day that the full backup runs.")),
        elementName("lblIncremental", 0)));
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "Also note that you should schedule Incremental Backups to run just before midnight "
                                "(11:58pm) to ensure you get the entire day's changes.")),
                            elementName("lblIncremental", 1)));
    layout->addStretch(1);
    return page;
}

QWidget* CJobWizardControls::buildOptionsStep()
{
    QFrame* page = newStepPage(5, QStringLiteral("ADVANCED OPTIONS"));
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    optCompression[0] = named(new QRadioButton(QStringLiteral("No Compression")), elementName("optCompression", 0));
    layout->addWidget(optCompression[0]);
    layout->addWidget(wrappedLabel(QStringLiteral(
        "Copy files using no compression; just straight file copy from source to destination directory.")));
    optCompression[1] = named(new QRadioButton(QStringLiteral("Zip Compression")), elementName("optCompression", 1));
    optCompression[1]->setChecked(true);
    layout->addWidget(optCompression[1]);
    layout->addWidget(wrappedLabel(QStringLiteral("Copy files using zip compression (opens with any zip program)")));

    cmbNumberZipFilesToKeep = named(new QComboBox, QStringLiteral("cmbNumberZipFilesToKeep"));
    lblNbrCopies = named(new QLabel(QStringLiteral("Number previous zip backup copies to keep")),
                         QStringLiteral("lblNbrCopies"));
    auto* copies = new QHBoxLayout;
    copies->addWidget(cmbNumberZipFilesToKeep);
    copies->addWidget(lblNbrCopies, 1);
    layout->addLayout(copies);

    chkPasswordProtect = named(new QCheckBox(QStringLiteral("Protect using the following password:")),
                               QStringLiteral("chkPasswordProtect"));
    txtPassword = named(new QLineEdit, QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setEnabled(false);
    txtPasswordConfirm = named(new QLineEdit, QStringLiteral("txtPasswordConfirm"));
    txtPasswordConfirm->setEchoMode(QLineEdit::Password);
    txtPasswordConfirm->setEnabled(false);
    auto* password = new QGridLayout;
    password->addWidget(chkPasswordProtect, 0, 0);
    password->addWidget(txtPassword, 0, 1);
    password->addWidget(named(new QLabel(QStringLiteral("Type the password again:")), QStringLiteral("lblPasswordConfirm")),
                        1, 0, Qt::AlignRight);
    password->addWidget(txtPasswordConfirm, 1, 1);
    password->setColumnStretch(1, 1);
    layout->addLayout(password);
    layout->addWidget(named(wrappedLabel(QStringLiteral(
                                "The password uses zip's own old scheme: it keeps out a casual look, not a "
                                "determined one.  Anyone who has one file that is in the archive (a standard "
                                ".bashrc, say) can break it in about a minute.")),
                            QStringLiteral("lblPasswordStrength")));
    layout->addStretch(1);
    return page;
}

void CJobWizardControls::showStepPage(int step)
{
    m_pages->setCurrentIndex(step - 1);
}

bool CJobWizardControls::onCurrentPage(const QWidget* control) const
{
    return m_pages->currentWidget()->isAncestorOf(control) && control->isVisibleTo(m_pages->currentWidget());
}

QWidget* CJobWizardControls::firstInputOnCurrentPage() const
{
    QWidget* found = nullptr;
    int lowest = 1000;
    for (const FocusCandidate& candidate : m_focusCandidates) {
        if (onCurrentPage(candidate.control) && candidate.control->isEnabled() && candidate.tabIndex <= lowest) {
            lowest = candidate.tabIndex;
            found = candidate.control;
        }
    }
    return found;
}

std::array<QCheckBox*, 7> CJobWizardControls::dayBoxes() const
{
    return {chkMonday, chkTuesday, chkWednesday, chkThursday, chkFriday, chkSaturday, chkSunday};
}
