#include "wizard/JobWizardPages.h"

#include "shared/Controls.h"
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
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QPushButton* button(const char* name, const QString& caption)
{
    auto* button = Controls::named(new QPushButton(caption), name);
    button->setAutoDefault(false);
    return button;
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QVBoxLayout* pageLayout(QWidget* page)
{
    return static_cast<QVBoxLayout*>(page->layout());
}

} // namespace

void JobWizardPages::buildControls(QDialog* wizard, const QIcon& icon)
{
    auto* layout = new QVBoxLayout(wizard);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader(icon));
    layout->addWidget(divider());
    layout->addWidget(buildSteps(), 1);
    layout->addWidget(divider());
    layout->addWidget(buildFooter());
    setTabOrder();
}

void JobWizardPages::setTabOrder()
{
    const std::array<QWidget*, 33> tabOrder{nameEdit, startTimeEdit, frequencyList, dayOfMonthList, dayBoxes[0],
        dayBoxes[1], dayBoxes[2], dayBoxes[3], dayBoxes[4], dayBoxes[5], dayBoxes[6], sourceList, addFileButton,
        addFolderButton, removeButton, sourceFileManagerButton, subfoldersBox, targetEdit, browseTargetButton,
        targetFileManagerButton, copiesList, passwordBox, passwordEdit, passwordConfirmEdit, cancelButton, backButton,
        nextButton, finishButton, sourcesHeading, fullBackupOption, incrementalOption, noCompressionOption,
        zipCompressionOption};
    for (std::size_t i = 0; i < tabOrder.size(); ++i) {
        if (i > 0)
            QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
        if (qobject_cast<QLineEdit*>(tabOrder[i]) || qobject_cast<QComboBox*>(tabOrder[i])
            || qobject_cast<QCheckBox*>(tabOrder[i]))
            m_inputs.push_back(tabOrder[i]);
    }
}

QFrame* JobWizardPages::buildHeader(const QIcon& icon)
{
    auto* header = new QFrame;
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    auto* picture = new QLabel;
    picture->setPixmap(icon.pixmap(32, 32));
    auto* title = new QLabel(tr("Backup Job Definition Wizard"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    auto* layout = new QHBoxLayout(header);
    layout->addWidget(picture);
    layout->addWidget(title, 1);
    return header;
}

QFrame* JobWizardPages::buildFooter()
{
    auto* footer = new QFrame;
    stepCounter = Controls::named(new QLabel, "stepCounter");
    cancelButton = button("cancelButton", tr("&Cancel"));
    backButton = button("backButton", tr("< &Back"));
    nextButton = button("nextButton", tr("&Next >"));
    finishButton = button("finishButton", tr("&Finish"));
    auto* layout = new QHBoxLayout(footer);
    layout->addWidget(stepCounter);
    layout->addStretch(1);
    for (QPushButton* footerButton : {cancelButton, backButton, nextButton, finishButton})
        layout->addWidget(footerButton);
    return footer;
}

QStackedWidget* JobWizardPages::buildSteps()
{
    m_pages = new QStackedWidget;
    for (QWidget* page : {buildNameStep(), buildSchedulingStep(), buildSourceStep(), buildTargetStep(),
             buildBackupTypeStep(), buildOptionsStep()})
        m_pages->addWidget(page);
    return m_pages;
}

QFrame* JobWizardPages::newStepPage(int step, const QString& title)
{
    QFrame* page = stepPages[std::size_t(step - 1)] = new QFrame;
    auto* heading = new QLabel(title);
    QFont headingFont(QStringLiteral("Arial"));
    headingFont.setBold(true);
    heading->setFont(headingFont);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(heading);
    return page;
}

QWidget* JobWizardPages::buildNameStep()
{
    QFrame* page = newStepPage(1, tr("BACKUP JOB NAME"));
    nameEdit = Controls::named(new QLineEdit, "nameEdit");
    pageLayout(page)->addWidget(Controls::wrappedLabel(tr("Enter a name that uniquely identifies this backup job:")));
    pageLayout(page)->addWidget(nameEdit);
    pageLayout(page)->addStretch(1);
    return page;
}

QWidget* JobWizardPages::buildSchedulingStep()
{
    QFrame* page = newStepPage(2, tr("SCHEDULING"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(
        Controls::wrappedLabel(tr("Select the time, frequency, and day you want this backup job to start.")));

    startTimeEdit = Controls::named(new QLineEdit, "startTimeEdit");
    frequencyList = Controls::named(new QComboBox, "frequencyList");
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("Start time:")), 0, 0);
    fields->addWidget(startTimeEdit, 0, 1);
    fields->addWidget(new QLabel(tr("Frequency:")), 1, 0);
    fields->addWidget(frequencyList, 1, 1);
    fields->setColumnStretch(2, 1);
    layout->addLayout(fields);

    dayPrompt = new QLabel(tr("Select the day(s) of the week or day of month below:"));
    layout->addWidget(dayPrompt);

    // The day of month list and the Monday box share one place: one group shows at a time.
    dayOfMonthList = Controls::named(new QComboBox, "dayOfMonthList");
    const std::array<std::pair<const char*, QString>, 7> days{{{"mondayBox", tr("Monday")},
        {"tuesdayBox", tr("Tuesday")}, {"wednesdayBox", tr("Wednesday")}, {"thursdayBox", tr("Thursday")},
        {"fridayBox", tr("Friday")}, {"saturdayBox", tr("Saturday")}, {"sundayBox", tr("Sunday")}}};
    auto* grid = new QGridLayout;
    grid->addWidget(dayOfMonthList, 0, 0, Qt::AlignLeft);
    for (std::size_t i = 0; i < days.size(); ++i) {
        dayBoxes[i] = Controls::named(new QCheckBox(days[i].second), days[i].first);
        grid->addWidget(dayBoxes[i], int(i % 5), int(i / 5));
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

QWidget* JobWizardPages::buildSourceStep()
{
    QFrame* page = newStepPage(3, tr("SOURCE FILE SELECTION"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(Controls::wrappedLabel(tr("Select files to backup (or use the file manager to drag and drop):")));

    sourcesHeading = button("sourcesHeading", tr("File Specifications"));
    sourceList = Controls::named(new QListWidget, "sourceList");
    sourceList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourceList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    sourceList->viewport()->setAcceptDrops(true);
    addFileButton = button("addFileButton", tr("Add ..."));
    addFileButton->setToolTip(tr("Add Single File"));
    addFolderButton = button("addFolderButton", tr("Add &Folder..."));
    addFolderButton->setToolTip(tr("Add a whole folder"));
    removeButton = button("removeButton", tr("&Remove"));
    removeButton->setToolTip(tr("Remove Files or Folders"));
    sourceFileManagerButton = button("sourceFileManagerButton", tr("&Drag-n-Drop..."));
    sourceFileManagerButton->setToolTip(tr("Drag-n-Drop Files or Folders from the File Manager"));

    auto* list = new QVBoxLayout;
    list->setSpacing(0);
    list->addWidget(sourcesHeading);
    list->addWidget(sourceList, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* sourceButton : {addFileButton, addFolderButton, removeButton, sourceFileManagerButton})
        buttons->addWidget(sourceButton);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(list, 1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);

    subfoldersBox
        = Controls::named(new QCheckBox(tr("Include subdirectories for all wildcard references?")), "subfoldersBox");
    layout->addWidget(subfoldersBox);
    exclusions = new ExclusionsPanel([this] {
        ExclusionsPanel::Sources sources{{}, subfoldersBox->isChecked()};
        for (int row = 0; row < sourceList->count(); ++row)
            sources.entries << sourceList->item(row)->text();
        return sources;
    });
    layout->addWidget(exclusions);
    return page;
}

QWidget* JobWizardPages::buildTargetStep()
{
    QFrame* page = newStepPage(4, tr("TARGET DIRECTORY SELECTION"));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(Controls::wrappedLabel(tr("Select a target directory into which the backup will be placed:")));
    targetEdit = Controls::named(new QLineEdit, "targetEdit");
    browseTargetButton = button("browseTargetButton", tr("&Browse..."));
    auto* target = new QHBoxLayout;
    target->addWidget(targetEdit, 1);
    target->addWidget(browseTargetButton);
    layout->addLayout(target);

    targetFileManagerButton = button("targetFileManagerButton", tr("&File Manager..."));
    auto* fileManager = new QHBoxLayout;
    fileManager->addWidget(
        Controls::wrappedLabel(tr("Use the file manager to create new directories, look for existing files, "
                                  "etc.  Click the button on the right to open the file manager:")),
        1);
    fileManager->addWidget(targetFileManagerButton, 0, Qt::AlignTop);
    layout->addLayout(fileManager);
    layout->addStretch(1);
    return page;
}

QWidget* JobWizardPages::buildBackupTypeStep()
{
    QFrame* page = newStepPage(5, tr("BACKUP TYPE"));
    QVBoxLayout* layout = pageLayout(page);
    fullBackupOption = Controls::named(new QRadioButton(tr("Full Backup")), "fullBackupOption");
    fullBackupOption->setChecked(true);
    incrementalOption = Controls::named(new QRadioButton(tr("Incremental Backup")), "incrementalOption");
    layout->addWidget(fullBackupOption);
    layout->addWidget(
        Controls::wrappedLabel(tr("Full backup will copy all files, every time.  This is the default backup "
                                  "method.  It works with compression On or Off (see Advanced Options tab).")));
    layout->addWidget(incrementalOption);
    layout->addWidget(Controls::wrappedLabel(
        tr("Incremental Backup will only copy files whose date modified has occurred on or after the last backup "
           "occurred.  To properly use an Incremental backup, you must also create a matching full backup job.  "
           "We recommend making your Full backup job run Weekly, with a second incremental backup job that runs "
           "daily except on the day that the full backup runs.")));
    layout->addWidget(
        Controls::wrappedLabel(tr("Also note that you should schedule Incremental Backups to run just before "
                                  "midnight (11:58pm) to ensure you get the entire day's changes.")));
    layout->addStretch(1);
    return page;
}

QWidget* JobWizardPages::buildOptionsStep()
{
    QFrame* page = newStepPage(6, tr("ADVANCED OPTIONS"));
    QVBoxLayout* layout = pageLayout(page);
    noCompressionOption = Controls::named(new QRadioButton(tr("No Compression")), "noCompressionOption");
    zipCompressionOption = Controls::named(new QRadioButton(tr("Zip Compression")), "zipCompressionOption");
    zipCompressionOption->setChecked(true);
    layout->addWidget(noCompressionOption);
    layout->addWidget(Controls::wrappedLabel(
        tr("Copy files using no compression; just straight file copy from source to destination directory.")));
    layout->addWidget(zipCompressionOption);
    layout->addWidget(Controls::wrappedLabel(tr("Copy files using zip compression (opens with any zip program)")));

    copiesList = Controls::named(new QComboBox, "copiesList");
    copiesLabel = new QLabel(tr("Number previous zip backup copies to keep"));
    auto* copies = new QHBoxLayout;
    copies->addWidget(copiesList);
    copies->addWidget(copiesLabel, 1);
    layout->addLayout(copies);

    passwordBox = Controls::named(new QCheckBox(tr("Protect using the following password:")), "passwordBox");
    passwordEdit = Controls::named(new QLineEdit, "passwordEdit");
    passwordConfirmEdit = Controls::named(new QLineEdit, "passwordConfirmEdit");
    for (QLineEdit* edit : {passwordEdit, passwordConfirmEdit}) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setEnabled(false);
    }
    auto* password = new QGridLayout;
    password->addWidget(passwordBox, 0, 0);
    password->addWidget(passwordEdit, 0, 1);
    password->addWidget(new QLabel(tr("Type the password again:")), 1, 0, Qt::AlignRight);
    password->addWidget(passwordConfirmEdit, 1, 1);
    password->setColumnStretch(1, 1);
    layout->addLayout(password);
    layout->addWidget(
        Controls::wrappedLabel(tr("The password uses zip's own old scheme: it keeps out a casual look, not a "
                                  "determined one.  Anyone who has one file that is in the archive (a standard "
                                  ".bashrc, say) can break it in about a minute.")));
    layout->addStretch(1);
    return page;
}

void JobWizardPages::showStepPage(int step)
{
    m_pages->setCurrentIndex(step - 1);
}

bool JobWizardPages::onCurrentPage(const QWidget* control) const
{
    return m_pages->currentWidget()->isAncestorOf(control) && control->isVisibleTo(m_pages->currentWidget());
}

QWidget* JobWizardPages::firstInputOnCurrentPage() const
{
    const auto found = std::find_if(m_inputs.begin(), m_inputs.end(),
        [this](QWidget* input) { return onCurrentPage(input) && input->isEnabled(); });
    return found == m_inputs.end() ? nullptr : *found;
}
