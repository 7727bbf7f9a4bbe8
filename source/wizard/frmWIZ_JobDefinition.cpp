#include "wizard/frmWIZ_JobDefinition.h"

#include "wizard/ExclusionsPanel.h"

#include "lib/Twips.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "shared/libPictures.h"
#include "dialogs/CBrowseDlg.h"
#include "dialogs/frmPickFile.h"
#include "jobs/JobFile.h"
#include "jobs/JobDefinition.h"
#include "jobs/JobTable.h"
#include "lib/Clock.h"
#include "lib/Desktop.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/Text.h"

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

constexpr const char* ModuleTag = "frmWIZ_JobDefinition.frm";
constexpr int StepCount = 6;
const QString EveryFileSuffix = QStringLiteral("/*.*");

bool askYes(const QString& text)
{
    return Messages::show({text, QStringLiteral("Warning"), Messages::Buttons::YesNoCancel, Messages::Icon::None,
                             Messages::Answer::Yes}) == Messages::Answer::Yes;
}

// Opens the desktop's file manager on a folder, without waiting for it; a desktop without
// one is told.
void openFileManager(const QString& folder)
{
    Desktop::open(folder, [folder] {
        Messages::show({QStringLiteral("No file manager could be started to show the folder '") + folder
                              + QStringLiteral("'."),
                          QStringLiteral("File Manager"), Messages::Buttons::OK, Messages::Icon::Exclamation});
    });
}

}  // namespace

frmWIZ_JobDefinition::frmWIZ_JobDefinition(JobTable& jobs, const QString& editedJob, QWidget* parent)
    : QDialog(parent), m_jobs(jobs), m_editedJob(editedJob)
{
    setObjectName(QStringLiteral("frmWIZ_JobDefinition"));
    // Above its window (centred on it, never hidden behind it), which waits meanwhile.
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Backup Job Definition Wizard"));
    setWindowIcon(libPictures::AppIcon());
    buildControls(this, windowIcon());
    connectHandlers();
}

void frmWIZ_JobDefinition::setAddJob(bool bAddJob)
{
    m_addJob = bAddJob;
}

void frmWIZ_JobDefinition::connectHandlers()
{
    connect(cmdNext, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdBack_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdCancel_Click);
    connect(cmdFinish, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdFinish_Click);
    connect(cmbFrequency, &QComboBox::currentIndexChanged, this, &frmWIZ_JobDefinition::cmbFrequency_Click);
    connect(cmdAddFile, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdAddFile_Click);
    connect(cmdAddFolder, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdAddFolder_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdRemove_Click);
    connect(lstFilesToBackup, &QListWidget::itemDoubleClicked, this, &frmWIZ_JobDefinition::lstFilesToBackup_DblClick);
    connect(lstFilesToBackup->model(), &QAbstractItemModel::rowsInserted, this, &frmWIZ_JobDefinition::sortFileList);
    connect(cmdExplorer1, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdExplorer1_Click);
    connect(cmdTitle, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdTitle_Click);
    connect(cmdBrowseTargDir, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdBrowseTargDir_Click);
    connect(cmdExplorer2, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdExplorer2_Click);
    for (int index = 0; index < 2; ++index) {
        connect(optCompression[index], &QRadioButton::toggled, this, [this, index](bool checked) {
            if (checked)
                optCompression_Click(index);
        });
    }
    connect(optIncremental, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            optIncremental_Click();
    });
    connect(chkPasswordProtect, &QCheckBox::toggled, this, &frmWIZ_JobDefinition::chkPasswordProtect_Click);
    for (QObject* watched : {static_cast<QObject*>(txtBackupJobName), static_cast<QObject*>(txtStartTime),
                             static_cast<QObject*>(lstFilesToBackup), static_cast<QObject*>(lstFilesToBackup->viewport())})
        watched->installEventFilter(this);
}


void frmWIZ_JobDefinition::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmWIZ_JobDefinition::Form_Load()
{
    Errors::trap(ModuleTag, "Form_Load()", [&] {
        SetupForm();
        resize(Twips::toPixels(6700), Twips::toPixels(5000));
        // Wrapped texts need more height the narrower the window: the smallest window allowed
        // still shows every step's text whole.
        setMinimumSize(width(), layout()->heightForWidth(width()));
        resize(size().expandedTo(minimumSize()));
        ShowCurrentStep();
    });
}

void frmWIZ_JobDefinition::ShowCurrentStep()
{
    if (m_paintGuard)
        return;
    m_paintGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_paintGuard = false; });
    Errors::trap(ModuleTag, "Form_Paint()", [&] {
        lblStepNbr->setText(QStringLiteral("Step %1 of %2").arg(m_currentStep).arg(StepCount));
        showStepPage(m_currentStep);
        updateButtons();
        // A step without inputs (step 5) leaves the focus where it was.
        if (QWidget* input = firstInputOnCurrentPage())
            input->setFocus(Qt::OtherFocusReason);
    });
}

// Back and Next move between the steps; Finish works on the last step, and on any step once
// the definition is complete (an edited job, or a new one whose last step was reached). Enter
// presses Next, or Finish on the last step.
void frmWIZ_JobDefinition::updateButtons()
{
    const bool last = m_currentStep == StepCount;
    m_lastStepReached = m_lastStepReached || last;
    cmdBack->setEnabled(m_currentStep > 1);
    cmdNext->setEnabled(!last);
    cmdFinish->setEnabled(last || !m_addJob || m_lastStepReached);
    (last ? cmdFinish : cmdNext)->setDefault(true);
}

// Leaving a step forward checks it: a failure is told and the step stays.
void frmWIZ_JobDefinition::cmdNext_Click()
{
    Errors::trap(ModuleTag, "cmdNext_Click()", [&] {
        if (m_currentStep >= StepCount)
            return;
        if (const auto failure = Definition().stepFailure(m_currentStep, Neighbours())) {
            Messages::verificationError(failure->message, failure->icon);
            return;
        }
        ++m_currentStep;
        ShowCurrentStep();
    });
}

void frmWIZ_JobDefinition::cmdBack_Click()
{
    Errors::trap(ModuleTag, "cmdBack_Click()", [&] {
        if (m_currentStep > 1) {
            --m_currentStep;
            ShowCurrentStep();
        }
    });
}

void frmWIZ_JobDefinition::cmdCancel_Click()
{
    Errors::trap(ModuleTag, "cmdCancel_Click()", [&] { close(); });
}

void frmWIZ_JobDefinition::keyPressEvent(QKeyEvent* event)
{
    // F1 on any step opens the help. The press is taken: the inputs pass F1 on to the window
    // when it goes down, but some keep it to themselves when it comes up.
    if (event->key() == Qt::Key_F1) {
        emit helpRequested();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmWIZ_JobDefinition::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstFilesToBackup->viewport()) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            static_cast<QDragMoveEvent*>(event)->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            lstFilesToBackup_OLEDragDrop(drop->mimeData());
            drop->acceptProposedAction();
            return true;
        }
    } else if (watched == lstFilesToBackup && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace)
            cmdRemove_Click();
    } else if ((watched == txtBackupJobName || watched == txtStartTime) && event->type() == QEvent::FocusIn) {
        // Entering the name or the start time box selects its text, so typing replaces it.
        static_cast<QLineEdit*>(watched)->selectAll();
    } else if (watched == txtStartTime && event->type() == QEvent::FocusOut) {
        // Leaving the box for another control of the wizard checks it; switching to another
        // window (or to the check's own message box) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !m_validatingStartTime)
            txtStartTime_LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Set-up ---------------------------------------------------------------------------

void frmWIZ_JobDefinition::SetupForm()
{
    Errors::trap(ModuleTag, "SetupForm()", [&] {
        m_currentStep = 1;
        cmbFrequency->addItems({QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
        for (int day = 1; day <= 28; ++day)
            cmbDayOfMonth->addItem(QString::number(day));
        for (int copies = 0; copies <= Preferences::maxBackupCopies; ++copies)
            cmbNumberZipFilesToKeep->addItem(QString::number(copies));
        // The lists start without a selection, as the job's values are chosen below.
        for (QComboBox* list : {cmbFrequency, cmbDayOfMonth, cmbNumberZipFilesToKeep})
            list->setCurrentIndex(-1);

        if (!m_addJob && m_jobs.contains(m_editedJob)) {
            SetupExistingJob();
        } else {
            m_addJob = true;
            SetupNewJob();
        }
    });
}

void frmWIZ_JobDefinition::SetupNewJob()
{
    setWindowTitle(QStringLiteral("Add New Backup Job"));
    txtBackupJobName->setText(DefaultJobName());
    txtStartTime->setText(QStringLiteral("3:00 AM"));
    cmbFrequency->setCurrentIndex(0);
    optFullBackup->setChecked(true);
    optCompression[1]->setChecked(true);
    selectCopies(3);
    chkPasswordProtect->setChecked(false);
    chkPasswordProtect_Click();
    exclusions->setExclusions({}, true);
}

QString frmWIZ_JobDefinition::DefaultJobName() const
{
    return JobDefinition::defaultName(m_jobs.names());
}

void frmWIZ_JobDefinition::SetupExistingJob()
{
    setWindowTitle(QStringLiteral("Edit Backup Job"));
    // The job as its file holds it now; the listed one should the file have become unreadable
    // since the list checked it.
    const Result<Job> read = JobFile::read(m_jobs.jobFile(m_editedJob));
    const Job job = read ? *read : *m_jobs.job(m_editedJob);

    txtBackupJobName->setText(job.name());
    txtStartTime->setText(JobDefinition::startTimeText(job.startTime()));
    // A frequency the wizard doesn't offer shows as the first one.
    cmbFrequency->setCurrentIndex(job.frequency() >= Job::Daily && job.frequency() <= Job::Monthly
                        ? job.frequency() - 1
                        : 0);
    const std::array<qint16, 7> bits{Job::Monday,   Job::Tuesday,  Job::Wednesday,
                                     Job::Thursday, Job::Friday,   Job::Saturday,
                                     Job::Sunday};
    const std::array<QCheckBox*, 7> boxes = dayBoxes();
    for (int i = 0; i < 7; ++i)
        boxes[i]->setChecked((job.weekdays() & bits[i]) != 0);
    // A day beyond the list's 28 shows as the last day offered; 0 selects none.
    cmbDayOfMonth->setCurrentIndex(std::min<int>(job.dayOfMonth(), cmbDayOfMonth->count()) - 1);
    txtTargDir->setText(job.targetDirectory());
    for (const QString& entry : Job::entriesIn(job.filesToZip() + QStringLiteral("\r\n")))
        lstFilesToBackup->addItem(entry);
    chkSubdirectories->setChecked(job.subdirectories());
    exclusions->setExclusions(job.excludePatterns(), job.leavesOutCaches());
    m_optionLines = job.optionLines();
    (job.incremental() ? optIncremental : optFullBackup)->setChecked(true);

    optCompression[job.compress() ? 1 : 0]->setChecked(true);
    cmbNumberZipFilesToKeep->setEnabled(job.compress());
    chkPasswordProtect->setEnabled(job.compress());
    if (!job.compress())
        chkPasswordProtect->setChecked(false);
    selectCopies(job.copies());

    chkPasswordProtect->setChecked(!job.password().isEmpty());
    if (!job.password().isEmpty()) {
        txtPassword->setText(job.password());
        txtPasswordConfirm->setText(job.password());
    }
    chkPasswordProtect_Click();
}

void frmWIZ_JobDefinition::selectCopies(qint16 copies)
{
    // A count above the preference's limit is offered too, so editing a job never lowers the
    // number of archives it keeps behind the user's back.
    const QString text = QString::number(std::max<qint16>(copies, 0));
    int index = cmbNumberZipFilesToKeep->findText(text);
    if (index < 0) {
        cmbNumberZipFilesToKeep->addItem(text);
        index = cmbNumberZipFilesToKeep->count() - 1;
    }
    cmbNumberZipFilesToKeep->setCurrentIndex(index);
}

// ---- Scheduling step ------------------------------------------------------------------

void frmWIZ_JobDefinition::cmbFrequency_Click()
{
    Errors::trap(ModuleTag, "cmbFrequency_Click()", [&] {
        const QString frequency = cmbFrequency->currentText();
        const std::array<QCheckBox*, 7> boxes = dayBoxes();
        if (frequency == QLatin1String("Daily") || frequency == QLatin1String("Weekly")) {
            const bool daily = frequency == QLatin1String("Daily");
            for (QCheckBox* box : boxes)
                box->setChecked(daily || box == chkSunday);
            lblSelectDayOf->setText(QStringLiteral("Select the day(s) of the week:"));
            cmbDayOfMonth->setVisible(false);
            for (QCheckBox* box : boxes)
                box->setVisible(true);
        } else if (frequency == QLatin1String("Monthly")) {
            cmbDayOfMonth->setCurrentIndex(0);
            lblSelectDayOf->setText(QStringLiteral("Select the day of the month:"));
            cmbDayOfMonth->setVisible(true);
            for (QCheckBox* box : boxes)
                box->setVisible(false);
        }
    });
}

void frmWIZ_JobDefinition::txtStartTime_LostFocus()
{
    m_validatingStartTime = true;
    const auto clearFlag = qScopeGuard([this] { m_validatingStartTime = false; });
    Errors::trap(ModuleTag, "txtStartTime_LostFocus()", [&] {
        txtStartTime->setText(txtStartTime->text().toUpper());
        const QString error = JobDefinition::startTimeError(txtStartTime->text());
        if (!error.isEmpty()) {
            Messages::verificationError(error);
            txtStartTime->setFocus(Qt::OtherFocusReason);
            return;
        }
        txtStartTime->setText(JobDefinition::startTimeText(*JobDefinition::readStartTime(txtStartTime->text())));
    });
}

// ---- Source file selection step -------------------------------------------------------

void frmWIZ_JobDefinition::sortFileList()
{
    // The list keeps its entries in ascending order of their text, letter case ignored,
    // whoever added them (the picker writes into it directly).
    if (m_sortingFileList)
        return;
    m_sortingFileList = true;
    const auto clearFlag = qScopeGuard([this] { m_sortingFileList = false; });
    std::vector<std::pair<QListWidgetItem*, bool>> items;
    while (lstFilesToBackup->count() > 0) {
        QListWidgetItem* item = lstFilesToBackup->item(0);
        const bool selected = item->isSelected();
        items.emplace_back(lstFilesToBackup->takeItem(0), selected);
    }
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a.first->text().compare(b.first->text(), Qt::CaseInsensitive) < 0;
    });
    for (const auto& [item, selected] : items) {
        lstFilesToBackup->addItem(item);
        item->setSelected(selected);
    }
}

void frmWIZ_JobDefinition::cmdAddFile_Click()
{
    Errors::trap(ModuleTag, "cmdAddFile_Click()", [&] {
        auto* picker = new frmPickFile(this);
        connect(picker, &frmPickFile::EntriesChosen, lstFilesToBackup,
                [this](const QStringList& entries) { lstFilesToBackup->addItems(entries); });
        picker->show();
    });
}

void frmWIZ_JobDefinition::cmdAddFolder_Click()
{
    Errors::trap(ModuleTag, "cmdAddFolder_Click()", [&] {
        const QString entry = frmPickFile::ChooseWholeFolder(this);
        if (!entry.isEmpty())
            lstFilesToBackup->addItem(entry);
    });
}

void frmWIZ_JobDefinition::cmdRemove_Click()
{
    Errors::trap(ModuleTag, "cmdRemove_Click()", [&] {
        if (lstFilesToBackup->selectedItems().isEmpty()) {
            Messages::verificationError(QStringLiteral("You must first select a file or folder to remove."));
            return;
        }
        for (int position = 0; position < lstFilesToBackup->count();) {
            if (lstFilesToBackup->item(position)->isSelected())
                delete lstFilesToBackup->takeItem(position);
            else
                ++position;
        }
    });
}

void frmWIZ_JobDefinition::lstFilesToBackup_DblClick()
{
    cmdRemove_Click();
}

void frmWIZ_JobDefinition::lstFilesToBackup_OLEDragDrop(const QMimeData* data)
{
    QStringList paths;
    if (data) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                paths << url.toLocalFile();
        }
    }
    if (paths.isEmpty()) {
        Messages::verificationError(QStringLiteral("No files were selected to drop here."),
                                    Messages::Icon::Information);
        return;
    }
    // The file system tells folders from files: a folder stands for every file in it.
    for (QString path : paths) {
        if (QFileInfo(path).isDir()) {
            Files::setTrailingSlash(path, false);
            lstFilesToBackup->addItem(path + EveryFileSuffix);
        } else {
            lstFilesToBackup->addItem(path);
        }
    }
}

void frmWIZ_JobDefinition::cmdExplorer1_Click()
{
    openFileManager(QDir::homePath());
}

void frmWIZ_JobDefinition::cmdTitle_Click()
{
    lstFilesToBackup->setFocus(Qt::OtherFocusReason);
}

// ---- Target and options steps ---------------------------------------------------------

void frmWIZ_JobDefinition::cmdBrowseTargDir_Click()
{
    Errors::trap(ModuleTag, "cmdBrowseTargDir_Click()", [&] {
        CBrowseDlg browser;
        browser.setParentHWnd(this);
        browser.setPrompt(QStringLiteral("Please select a directory into which backup will be placed."));
        const QString path = browser.ShowBrowseDlgForExistingFolder([] {
            Messages::show({QStringLiteral("The specified directory does not exist; please try again."),
                              QStringLiteral("Arkwell")});
        });
        if (!path.isEmpty())
            txtTargDir->setText(path);
    });
}

void frmWIZ_JobDefinition::cmdExplorer2_Click()
{
    const QString target = txtTargDir->text();
    openFileManager(!target.isEmpty() && Files::folderExists(target) ? target : AppPaths::appFolder());
}

void frmWIZ_JobDefinition::optCompression_Click(int)
{
    Errors::trap(ModuleTag, "optCompression_Click()", [&] {
        if (optCompression[1]->isChecked()) {
            cmbNumberZipFilesToKeep->setEnabled(true);
            lblNbrCopies->setEnabled(true);
            if (onCurrentPage(cmbNumberZipFilesToKeep))
                cmbNumberZipFilesToKeep->setFocus(Qt::OtherFocusReason);
            chkPasswordProtect->setEnabled(true);
            return;
        }
        if (optIncremental->isChecked() &&
            !askYes(QStringLiteral("Removing Compression will also reset this to a Full Backup\r\n"
                                   "job and cancel the Incremental Backup setting on the \r\n"
                                   "previous page.\r\n\r\n"
                                   "Are you sure you want to do this?"))) {
            optCompression[1]->setChecked(true);
            return;
        }
        cmbNumberZipFilesToKeep->setEnabled(false);
        lblNbrCopies->setEnabled(false);
        chkPasswordProtect->setEnabled(false);
        chkPasswordProtect->setChecked(false);
        optFullBackup->setChecked(true);
    });
}

void frmWIZ_JobDefinition::optIncremental_Click()
{
    // Only the user's choice on the backup type step asks; set-up filling the controls doesn't.
    if (!onCurrentPage(optIncremental) || optCompression[1]->isChecked())
        return;
    if (askYes(QStringLiteral("Incremental Backups must use compression.\r\n"
                              "If you select 'Yes' below, then compression\r\n"
                              "will be set to checked on the 'Advanced Options'\r\n"
                              "step of this wizard.\r\n\r\n"
                              "Are you sure you want to do this?")))
        optCompression[1]->setChecked(true);
    else
        optFullBackup->setChecked(true);
}

void frmWIZ_JobDefinition::chkPasswordProtect_Click()
{
    Errors::trap(ModuleTag, "chkPasswordProtect_Click()", [&] {
        const bool protect = chkPasswordProtect->isChecked();
        for (QLineEdit* box : {txtPassword, txtPasswordConfirm}) {
            box->setEnabled(protect);
            if (!protect)
                box->clear();
        }
        if (protect && onCurrentPage(txtPassword))
            txtPassword->setFocus(Qt::OtherFocusReason);
    });
}

// ---- Finish ---------------------------------------------------------------------------

JobDefinition frmWIZ_JobDefinition::Definition() const
{
    JobDefinition job;
    job.name = txtBackupJobName->text();
    job.startTime = txtStartTime->text();
    job.frequency = cmbFrequency->currentIndex() + 1;
    const std::array<QCheckBox*, 7> boxes = dayBoxes();
    std::transform(boxes.begin(), boxes.end(), job.days.begin(), [](const QCheckBox* box) { return box->isChecked(); });
    job.dayOfMonth = cmbDayOfMonth->currentIndex() < 0 ? 0 : qint16(cmbDayOfMonth->currentText().toShort());
    for (int i = 0; i < lstFilesToBackup->count(); ++i)
        job.entries << lstFilesToBackup->item(i)->text();
    job.subdirectories = chkSubdirectories->isChecked();
    job.targetDirectory = txtTargDir->text();
    job.incremental = optIncremental->isChecked();
    job.compress = optCompression[1]->isChecked();
    job.numberCopies = cmbNumberZipFilesToKeep->currentText().toShort();
    job.passwordProtect = chkPasswordProtect->isChecked();
    job.password = txtPassword->text();
    job.passwordConfirmation = txtPasswordConfirm->text();
    job.excludePatterns = exclusions->Patterns();
    job.leaveOutCaches = exclusions->LeavesOutCaches();
    job.optionLines = m_optionLines;
    return job;
}

JobDefinition::Neighbours frmWIZ_JobDefinition::Neighbours() const
{
    JobDefinition::Neighbours neighbours;
    neighbours.jobFilePath = JobFilePath();
    for (const QString& name : m_jobs.names()) {
        if (!m_addJob && name == m_editedJob) {
            neighbours.ownJobFile = m_jobs.jobFile(name);
        } else {
            neighbours.jobNames << name;
            neighbours.jobFiles << m_jobs.jobFile(name);
        }
    }
    return neighbours;
}

QString frmWIZ_JobDefinition::JobFilePath() const
{
    return m_jobs.jobFilePath(txtBackupJobName->text());
}

void frmWIZ_JobDefinition::cmdFinish_Click()
{
    Errors::trap(ModuleTag, "cmdFinish_Click()", [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });

        const JobDefinition definition = Definition();
        if (const std::optional<JobDefinition::Failure> failure = definition.firstFailure(Neighbours())) {
            Messages::verificationError(failure->message, failure->icon);
            if (failure->step) {
                m_currentStep = *failure->step;
                ShowCurrentStep();
            }
            return;
        }

        if (const Result<> saved = m_jobs.save(definition.toJob(Clock::today()), m_addJob ? QString() : m_editedJob); !saved) {
            Messages::verificationError(QStringLiteral("The Backup Job can't be saved: ") + saved.reason(), Messages::Icon::Exclamation);
            return;
        }
        close();
    });
}
