#include "wizard/JobWizard.h"

#include "dialogs/FilePicker.h"
#include "dialogs/FolderBrowser.h"
#include "jobs/JobFile.h"
#include "jobs/JobTable.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Clock.h"
#include "lib/Desktop.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "shared/Pictures.h"
#include "wizard/ExclusionsPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QUrl>

#include <algorithm>

namespace {

const QString EveryFileSuffix = QStringLiteral("/*.*");
constexpr int DefaultWidth = 446; // pixels; the height follows from the texts at this width
constexpr int DefaultHeight = 333;

bool askYes(const QString& text)
{
    return Messages::show({text, JobWizard::tr("Warning"), Messages::Buttons::YesNoCancel, Messages::Icon::None,
               Messages::Answer::Yes})
        == Messages::Answer::Yes;
}

// Opens the desktop's file manager on a folder, without waiting for it; a desktop without
// one is told.
void openFileManager(const QString& folder)
{
    Desktop::open(folder, [folder] {
        Messages::show({JobWizard::tr("No file manager could be started to show the folder '%1'.").arg(folder),
            JobWizard::tr("File Manager"), Messages::Buttons::OK, Messages::Icon::Exclamation});
    });
}

void tellFailure(const JobDefinition::Failure& failure)
{
    Messages::verificationError(failure.message, failure.icon);
}

} // namespace

JobWizard::JobWizard(JobTable& jobs, const QString& editedJob, QWidget* parent)
    : QDialog(parent)
    , m_jobs(jobs)
    , m_editedJob(editedJob)
{
    setObjectName(QStringLiteral("JobWizard"));
    // Above its window (centred on it, never hidden behind it), which waits meanwhile.
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Backup Job Definition Wizard"));
    setWindowIcon(Pictures::appIcon());
    buildControls(this, windowIcon());
    connectControls();
}

void JobWizard::connectControls()
{
    connect(nextButton, &QPushButton::clicked, this, &JobWizard::next);
    connect(backButton, &QPushButton::clicked, this, &JobWizard::back);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(finishButton, &QPushButton::clicked, this, &JobWizard::finish);
    connect(frequencyList, &QComboBox::currentIndexChanged, this, &JobWizard::frequencyChosen);
    connect(addFileButton, &QPushButton::clicked, this, &JobWizard::addFiles);
    connect(addFolderButton, &QPushButton::clicked, this, &JobWizard::addFolder);
    connect(removeButton, &QPushButton::clicked, this, &JobWizard::removeSelectedSources);
    connect(sourceList, &QListWidget::itemDoubleClicked, this, &JobWizard::removeSelectedSources);
    connect(sourceList->model(), &QAbstractItemModel::rowsInserted, this, &JobWizard::sortSources);
    connect(sourceFileManagerButton, &QPushButton::clicked, this, [] { openFileManager(QDir::homePath()); });
    connect(sourcesHeading, &QPushButton::clicked, this, [this] { sourceList->setFocus(Qt::OtherFocusReason); });
    connect(browseTargetButton, &QPushButton::clicked, this, &JobWizard::browseForTarget);
    connect(targetFileManagerButton, &QPushButton::clicked, this, &JobWizard::openTargetInFileManager);
    for (QRadioButton* option : {noCompressionOption, zipCompressionOption})
        connect(option, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                compressionChosen();
        });
    connect(incrementalOption, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            incrementalChosen();
    });
    connect(passwordBox, &QCheckBox::toggled, this, &JobWizard::passwordProtectionChosen);
    for (QObject* watched :
        std::initializer_list<QObject*>{nameEdit, startTimeEdit, sourceList, sourceList->viewport()})
        watched->installEventFilter(this);
}

void JobWizard::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        m_loaded = true;
        load();
    }
    QDialog::showEvent(event);
}

void JobWizard::load()
{
    fillLists();
    if (!m_editedJob.isEmpty() && m_jobs.contains(m_editedJob)) {
        showEditedJob();
    } else {
        m_editedJob.clear();
        showNewJob();
    }
    resize(DefaultWidth, DefaultHeight);
    // Wrapped texts need more height the narrower the window: the smallest window allowed
    // still shows every step's text whole.
    setMinimumSize(width(), layout()->heightForWidth(width()));
    resize(size().expandedTo(minimumSize()));
    showCurrentStep();
}

void JobWizard::showCurrentStep()
{
    stepCounter->setText(tr("Step %1 of %2").arg(m_currentStep).arg(StepCount));
    showStepPage(m_currentStep);
    updateButtons();
    // A step without inputs (step 5) leaves the focus where it was.
    if (QWidget* input = firstInputOnCurrentPage())
        input->setFocus(Qt::OtherFocusReason);
}

// Back and Next move between the steps; Finish works on the last step, and on any step once
// the definition is complete (an edited job, or a new one whose last step was reached). Enter
// presses Next, or Finish on the last step.
void JobWizard::updateButtons()
{
    const bool last = m_currentStep == StepCount;
    m_lastStepReached = m_lastStepReached || last;
    backButton->setEnabled(m_currentStep > 1);
    nextButton->setEnabled(!last);
    finishButton->setEnabled(last || !addsJob() || m_lastStepReached);
    (last ? finishButton : nextButton)->setDefault(true);
}

void JobWizard::next()
{
    if (m_currentStep >= StepCount)
        return;
    if (const auto failure = definition().stepFailure(m_currentStep, neighbours()))
        return tellFailure(*failure);
    ++m_currentStep;
    showCurrentStep();
}

void JobWizard::back()
{
    if (m_currentStep > 1) {
        --m_currentStep;
        showCurrentStep();
    }
}

void JobWizard::keyPressEvent(QKeyEvent* event)
{
    // F1 on any step opens the help. The press is taken: the inputs pass F1 on to the window
    // when it goes down, but some keep it to themselves when it comes up.
    if (event->key() == Qt::Key_F1) {
        emit helpRequested();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool JobWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == sourceList->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            dropSources(drop->mimeData());
            drop->acceptProposedAction();
            return true;
        }
    } else if (watched == sourceList && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace)
            removeSelectedSources();
    } else if ((watched == nameEdit || watched == startTimeEdit) && event->type() == QEvent::FocusIn) {
        // Entering the name or the start time box selects its text, so typing replaces it.
        static_cast<QLineEdit*>(watched)->selectAll();
    } else if (watched == startTimeEdit && event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of the wizard checks it; switching to another
        // window (or to the check's own message box) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            checkStartTime();
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Set-up ---------------------------------------------------------------------------

void JobWizard::fillLists()
{
    frequencyList->addItems({tr("Daily"), tr("Weekly"), tr("Monthly")});
    for (int day = 1; day <= 28; ++day)
        dayOfMonthList->addItem(QString::number(day));
    for (int copies = 0; copies <= Preferences::maxBackupCopies; ++copies)
        copiesList->addItem(QString::number(copies));
    // The lists start without a selection, as the job's values are chosen next.
    for (QComboBox* list : {frequencyList, dayOfMonthList, copiesList})
        list->setCurrentIndex(-1);
}

void JobWizard::showNewJob()
{
    setWindowTitle(tr("Add New Backup Job"));
    nameEdit->setText(JobDefinition::defaultName(m_jobs.names()));
    startTimeEdit->setText(QStringLiteral("3:00 AM"));
    frequencyList->setCurrentIndex(0);
    fullBackupOption->setChecked(true);
    zipCompressionOption->setChecked(true);
    selectCopies(3);
    passwordBox->setChecked(false);
    passwordProtectionChosen();
    exclusions->setExclusions({}, true);
}

void JobWizard::showEditedJob()
{
    setWindowTitle(tr("Edit Backup Job"));
    // The job as its file holds it now; the listed one should the file have become unreadable
    // since the list read it.
    const Result<Job> read = JobFile::read(m_jobs.jobFile(m_editedJob));
    const Job job = read ? *read : *m_jobs.job(m_editedJob);

    nameEdit->setText(job.name());
    startTimeEdit->setText(JobDefinition::startTimeText(job.startTime()));
    // A frequency the wizard doesn't offer shows as the first one.
    frequencyList->setCurrentIndex(
        job.frequency() >= Job::Daily && job.frequency() <= Job::Monthly ? job.frequency() - 1 : 0);
    const std::array<qint16, 7> bits{
        Job::Monday, Job::Tuesday, Job::Wednesday, Job::Thursday, Job::Friday, Job::Saturday, Job::Sunday};
    for (std::size_t i = 0; i < bits.size(); ++i)
        dayBoxes[i]->setChecked((job.weekdays() & bits[i]) != 0);
    // A day beyond the list's 28 shows as the last day offered; 0 selects none.
    dayOfMonthList->setCurrentIndex(std::min<int>(job.dayOfMonth(), dayOfMonthList->count()) - 1);
    targetEdit->setText(job.targetDirectory());
    sourceList->addItems(job.entries());
    subfoldersBox->setChecked(job.subdirectories());
    exclusions->setExclusions(job.excludePatterns(), job.leavesOutCaches());
    m_optionLines = job.optionLines();
    (job.incremental() ? incrementalOption : fullBackupOption)->setChecked(true);
    (job.compress() ? zipCompressionOption : noCompressionOption)->setChecked(true);
    selectCopies(job.copies());
    passwordBox->setChecked(!job.password().isEmpty());
    passwordEdit->setText(job.password());
    passwordConfirmEdit->setText(job.password());
    passwordProtectionChosen();
}

void JobWizard::selectCopies(qint16 copies)
{
    // A count above the preference's limit is offered too, so editing a job never lowers the
    // number of archives it keeps behind the user's back.
    const QString text = QString::number(std::max<qint16>(copies, 0));
    if (copiesList->findText(text) < 0)
        copiesList->addItem(text);
    copiesList->setCurrentIndex(copiesList->findText(text));
}

// ---- Scheduling step ------------------------------------------------------------------

// Daily checks every day, Weekly Sunday alone; Monthly shows the day of the month instead.
void JobWizard::frequencyChosen()
{
    const int frequency = frequencyList->currentIndex() + 1;
    if (frequency < Job::Daily || frequency > Job::Monthly)
        return;
    const bool monthly = frequency == Job::Monthly;
    if (monthly)
        dayOfMonthList->setCurrentIndex(0);
    else
        for (QCheckBox* box : dayBoxes)
            box->setChecked(frequency == Job::Daily || box == dayBoxes.back());
    dayPrompt->setText(monthly ? tr("Select the day of the month:") : tr("Select the day(s) of the week:"));
    dayOfMonthList->setVisible(monthly);
    for (QCheckBox* box : dayBoxes)
        box->setVisible(!monthly);
}

void JobWizard::checkStartTime()
{
    if (m_checkingStartTime)
        return;
    m_checkingStartTime = true;
    const auto clearFlag = qScopeGuard([this] { m_checkingStartTime = false; });
    startTimeEdit->setText(startTimeEdit->text().toUpper());
    const QString error = JobDefinition::startTimeError(startTimeEdit->text());
    if (!error.isEmpty()) {
        Messages::verificationError(error);
        startTimeEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    startTimeEdit->setText(JobDefinition::startTimeText(*JobDefinition::readStartTime(startTimeEdit->text())));
}

// ---- Source step ----------------------------------------------------------------------

void JobWizard::sortSources()
{
    // The list keeps its entries in ascending order of their text, letter case ignored,
    // whoever added them (the picker writes into it directly).
    if (m_sortingSources)
        return;
    m_sortingSources = true;
    const auto clearFlag = qScopeGuard([this] { m_sortingSources = false; });
    std::vector<std::pair<QListWidgetItem*, bool>> items;
    while (sourceList->count() > 0) {
        const bool selected = sourceList->item(0)->isSelected();
        items.emplace_back(sourceList->takeItem(0), selected);
    }
    std::stable_sort(items.begin(), items.end(),
        [](const auto& a, const auto& b) { return a.first->text().compare(b.first->text(), Qt::CaseInsensitive) < 0; });
    for (const auto& [item, selected] : items) {
        sourceList->addItem(item);
        item->setSelected(selected);
    }
}

void JobWizard::addFiles()
{
    auto* picker = new FilePicker(this);
    connect(picker, &FilePicker::entriesChosen, sourceList,
        [this](const QStringList& entries) { sourceList->addItems(entries); });
    picker->show();
}

void JobWizard::addFolder()
{
    const QString entry = FilePicker::chooseWholeFolder(this);
    if (!entry.isEmpty())
        sourceList->addItem(entry);
}

void JobWizard::removeSelectedSources()
{
    if (sourceList->selectedItems().isEmpty())
        return Messages::verificationError(tr("You must first select a file or folder to remove."));
    qDeleteAll(sourceList->selectedItems());
}

void JobWizard::dropSources(const QMimeData* data)
{
    QStringList paths;
    if (data) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return Messages::verificationError(tr("No files were selected to drop here."), Messages::Icon::Information);
    // The file system tells folders from files: a folder stands for every file in it.
    for (QString path : paths) {
        if (QFileInfo(path).isDir()) {
            Files::setTrailingSlash(path, false);
            path += EveryFileSuffix;
        }
        sourceList->addItem(path);
    }
}

// ---- Target and options steps ---------------------------------------------------------

void JobWizard::browseForTarget()
{
    const FolderBrowser browser(this, tr("Please select a directory into which backup will be placed."));
    const QString path = browser.chooseExisting([] {
        Messages::show({tr("The specified directory does not exist; please try again."), tr("Arkwell")});
    });
    if (!path.isEmpty())
        targetEdit->setText(path);
}

void JobWizard::openTargetInFileManager()
{
    const QString target = targetEdit->text();
    openFileManager(!target.isEmpty() && Files::folderExists(target) ? target : AppPaths::appFolder());
}

// Without compression there are no archives to keep, no password and no incremental backup:
// an incremental job asks before it becomes a full one.
void JobWizard::compressionChosen()
{
    const bool compress = zipCompressionOption->isChecked();
    if (!compress && incrementalOption->isChecked()
        && !askYes(tr("Removing Compression will also reset this to a Full Backup\r\n"
                      "job and cancel the Incremental Backup setting on the \r\n"
                      "previous page.\r\n\r\n"
                      "Are you sure you want to do this?"))) {
        zipCompressionOption->setChecked(true);
        return;
    }
    copiesList->setEnabled(compress);
    copiesLabel->setEnabled(compress);
    passwordBox->setEnabled(compress);
    if (compress) {
        if (onCurrentPage(copiesList))
            copiesList->setFocus(Qt::OtherFocusReason);
        return;
    }
    passwordBox->setChecked(false);
    fullBackupOption->setChecked(true);
}

void JobWizard::incrementalChosen()
{
    // Only the user's choice on the backup type step asks; set-up filling the controls doesn't.
    if (!onCurrentPage(incrementalOption) || zipCompressionOption->isChecked())
        return;
    if (askYes(tr("Incremental Backups must use compression.\r\n"
                  "If you select 'Yes' below, then compression\r\n"
                  "will be set to checked on the 'Advanced Options'\r\n"
                  "step of this wizard.\r\n\r\n"
                  "Are you sure you want to do this?")))
        zipCompressionOption->setChecked(true);
    else
        fullBackupOption->setChecked(true);
}

void JobWizard::passwordProtectionChosen()
{
    const bool protect = passwordBox->isChecked();
    for (QLineEdit* edit : {passwordEdit, passwordConfirmEdit}) {
        edit->setEnabled(protect);
        if (!protect)
            edit->clear();
    }
    if (protect && onCurrentPage(passwordEdit))
        passwordEdit->setFocus(Qt::OtherFocusReason);
}

// ---- Finish ---------------------------------------------------------------------------

JobDefinition JobWizard::definition() const
{
    JobDefinition job;
    job.name = nameEdit->text();
    job.startTime = startTimeEdit->text();
    job.frequency = frequencyList->currentIndex() + 1;
    std::transform(
        dayBoxes.begin(), dayBoxes.end(), job.days.begin(), [](const QCheckBox* box) { return box->isChecked(); });
    job.dayOfMonth = dayOfMonthList->currentIndex() < 0 ? 0 : qint16(dayOfMonthList->currentText().toShort());
    for (int row = 0; row < sourceList->count(); ++row)
        job.entries << sourceList->item(row)->text();
    job.subdirectories = subfoldersBox->isChecked();
    job.targetDirectory = targetEdit->text();
    job.incremental = incrementalOption->isChecked();
    job.compress = zipCompressionOption->isChecked();
    job.numberCopies = copiesList->currentText().toShort();
    job.passwordProtect = passwordBox->isChecked();
    job.password = passwordEdit->text();
    job.passwordConfirmation = passwordConfirmEdit->text();
    job.excludePatterns = exclusions->patterns();
    job.leaveOutCaches = exclusions->leavesOutCaches();
    job.optionLines = m_optionLines;
    return job;
}

JobDefinition::Neighbours JobWizard::neighbours() const
{
    JobDefinition::Neighbours neighbours;
    neighbours.jobFilePath = m_jobs.jobFilePath(nameEdit->text());
    for (const QString& name : m_jobs.names()) {
        if (name == m_editedJob) {
            neighbours.ownJobFile = m_jobs.jobFile(name);
        } else {
            neighbours.jobNames << name;
            neighbours.jobFiles << m_jobs.jobFile(name);
        }
    }
    return neighbours;
}

void JobWizard::finish()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });

    const JobDefinition job = definition();
    if (const std::optional<JobDefinition::Failure> failure = job.firstFailure(neighbours())) {
        tellFailure(*failure);
        if (failure->step) {
            m_currentStep = *failure->step;
            showCurrentStep();
        }
        return;
    }
    if (const Result<> saved = m_jobs.save(job.toJob(Clock::today()), m_editedJob); !saved) {
        Messages::verificationError(
            tr("The Backup Job can't be saved: %1").arg(saved.reason()), Messages::Icon::Exclamation);
        return;
    }
    close();
}
