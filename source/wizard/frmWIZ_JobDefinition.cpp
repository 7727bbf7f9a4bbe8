#include "wizard/frmWIZ_JobDefinition.h"

#include "agent/appSetup.h"
#include "agent/libPictures.h"
#include "dialogs/CBrowseDlg.h"
#include "dialogs/frmPickFile.h"
#include "jobs/CBackupJob.h"
#include "lib/Clock.h"
#include "lib/Shell32.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libForms.h"
#include "lib/libStrings.h"
#include "schedule/frmSchedule.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* ModuleTag = "frmWIZ_JobDefinition.frm";
constexpr int StepCount = 6;
// Twips of the window's first size, in pixels.
constexpr int WindowWidth = 6700 / 15;
constexpr int WindowHeight = 5000 / 15;
// Longest cleaned name in bytes: room for "_" + copy number + ".zip" and the hidden
// temporary names within a file name's 255 bytes.
constexpr int LongestCleanedName = 200;

const QString VerificationError = QStringLiteral("Verification Error");
const QString DefaultNameStem = QStringLiteral("New Backup Job");
const QString EveryFileSuffix = QStringLiteral("/*.*");

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

// Whether two paths name one file: the same text, or (on a file system that ignores letter
// case) the same file on disk.
bool sameFile(const QString& path, const QString& other)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return path == other || (!canonical.isEmpty() && canonical == QFileInfo(other).canonicalFilePath());
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

void showMessage(const QString& text, libForms::Icon icon, const QString& title = VerificationError)
{
    libForms::MsgBox({text, title, libForms::Buttons::OK, icon, libForms::Answer::OK});
}

bool askYes(const QString& text)
{
    return libForms::MsgBox({text, QStringLiteral("Warning"), libForms::Buttons::YesNoCancel, libForms::Icon::None,
                             libForms::Answer::Yes}) == libForms::Answer::Yes;
}

// The number at the start of a text as a reader of numbers takes it: leading blanks skipped,
// reading stops at the first character that can't continue the number, nothing read is 0.
double leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+(\\.\\d*)?|\\.\\d+))"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

// The time form of the start time box: "3:00 AM", "11:58 PM".
QString startTimeText(const QTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("h:mm AP"));
}

// Opens the desktop's file manager on a folder, without waiting for it.
void openFileManager(const QString& folder)
{
    Shell32::StartDetached(QStringLiteral("xdg-open"), {folder});
}

}  // namespace

frmWIZ_JobDefinition::frmWIZ_JobDefinition(frmSchedule* schedule)
    : m_schedule(schedule)
{
    setObjectName(QStringLiteral("frmWIZ_JobDefinition"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Backup Job Definition Wizard"));
    setWindowIcon(libPictures::AppIcon());
    buildWindow();
    connectHandlers();
    libForms::RegisterForm(this);
}

void frmWIZ_JobDefinition::setAddJob(bool bAddJob)
{
    m_addJob = bAddJob;
}

// ---- The window ---------------------------------------------------------------------

void frmWIZ_JobDefinition::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(named(new QFrame, elementName("linDiv", 0)));
    layout->addWidget(buildSteps(), 1);
    layout->addWidget(named(new QFrame, elementName("linDiv", 1)));
    layout->addWidget(buildFooter());
    for (auto* divider : findChildren<QFrame*>(QRegularExpression(QStringLiteral("^linDiv_")))) {
        divider->setFrameShape(QFrame::HLine);
        divider->setFrameShadow(QFrame::Sunken);
    }

    // Tab order follows the controls' tab indexes.
    const QList<QWidget*> tabOrder{txtBackupJobName, txtStartTime,     cmbFrequency, cmbDayOfMonth, chkMonday,
                                   chkTuesday,       chkWednesday,     chkThursday,  chkFriday,     chkSaturday,
                                   chkSunday,        lstFilesToBackup, cmdAddFile,   cmdRemove,     cmdExplorer1,
                                   chkSubdirectories, txtTargDir,      cmdBrowseTargDir, cmdExplorer2,
                                   cmbNumberZipFilesToKeep, chkPasswordProtect, txtPassword, cmdCancel, cmdBack,
                                   cmdNext, cmdFinish, cmdTitle, optFullBackup, optIncremental, optCompression[0],
                                   optCompression[1]};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    m_focusCandidates = {{txtBackupJobName, 0}, {txtStartTime, 1},  {cmbFrequency, 2},       {cmbDayOfMonth, 3},
                         {chkMonday, 4},        {chkTuesday, 5},    {chkWednesday, 6},       {chkThursday, 7},
                         {chkFriday, 8},        {chkSaturday, 9},   {chkSunday, 10},         {chkSubdirectories, 15},
                         {txtTargDir, 16},      {cmbNumberZipFilesToKeep, 19}, {chkPasswordProtect, 20},
                         {txtPassword, 21}};
}

QFrame* frmWIZ_JobDefinition::buildHeader()
{
    picHeader = named(new QFrame, QStringLiteral("picHeader"));
    picHeader->setAutoFillBackground(true);
    picHeader->setBackgroundRole(QPalette::Base);
    imgIcon = named(new QLabel, QStringLiteral("imgIcon"));
    imgIcon->setPixmap(windowIcon().pixmap(32, 32));
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

QFrame* frmWIZ_JobDefinition::buildFooter()
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

QStackedWidget* frmWIZ_JobDefinition::buildSteps()
{
    m_pages = new QStackedWidget;
    const std::array<QWidget* (frmWIZ_JobDefinition::*)(), StepCount> builders{
        &frmWIZ_JobDefinition::buildNameStep,       &frmWIZ_JobDefinition::buildSchedulingStep,
        &frmWIZ_JobDefinition::buildSourceStep,     &frmWIZ_JobDefinition::buildTargetStep,
        &frmWIZ_JobDefinition::buildBackupTypeStep, &frmWIZ_JobDefinition::buildOptionsStep};
    for (const auto builder : builders)
        m_pages->addWidget((this->*builder)());
    return m_pages;
}

QFrame* frmWIZ_JobDefinition::newStepPage(int element, const QString& title)
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

QWidget* frmWIZ_JobDefinition::buildNameStep()
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

QWidget* frmWIZ_JobDefinition::buildSchedulingStep()
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

QWidget* frmWIZ_JobDefinition::buildSourceStep()
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
    cmdRemove = footerButton(QStringLiteral("cmdRemove"), QStringLiteral("&Remove"));
    cmdRemove->setToolTip(QStringLiteral("Remove Files or Folders"));
    cmdExplorer1 = footerButton(QStringLiteral("cmdExplorer1"), QStringLiteral("&Drag-n-Drop..."));
    cmdExplorer1->setToolTip(QStringLiteral("Drag-n-Drop Files or Folders from the File Manager"));

    auto* list = new QVBoxLayout;
    list->setSpacing(0);
    list->addWidget(cmdTitle);
    list->addWidget(lstFilesToBackup, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdAddFile, cmdRemove, cmdExplorer1})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(list, 1);
    row->addLayout(buttons);
    layout->addLayout(row, 1);

    chkSubdirectories = named(new QCheckBox(QStringLiteral("Include subdirectories for all wildcard references?")),
                              QStringLiteral("chkSubdirectories"));
    layout->addWidget(chkSubdirectories);
    return page;
}

QWidget* frmWIZ_JobDefinition::buildTargetStep()
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

QWidget* frmWIZ_JobDefinition::buildBackupTypeStep()
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

QWidget* frmWIZ_JobDefinition::buildOptionsStep()
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
    auto* password = new QHBoxLayout;
    password->addWidget(chkPasswordProtect);
    password->addWidget(txtPassword, 1);
    layout->addLayout(password);
    layout->addStretch(1);
    return page;
}

void frmWIZ_JobDefinition::connectHandlers()
{
    connect(cmdNext, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdBack_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdCancel_Click);
    connect(cmdFinish, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdFinish_Click);
    connect(cmbFrequency, &QComboBox::currentIndexChanged, this, &frmWIZ_JobDefinition::cmbFrequency_Click);
    connect(cmdAddFile, &QPushButton::clicked, this, &frmWIZ_JobDefinition::cmdAddFile_Click);
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

std::array<QCheckBox*, 7> frmWIZ_JobDefinition::dayBoxes() const
{
    return {chkMonday, chkTuesday, chkWednesday, chkThursday, chkFriday, chkSaturday, chkSunday};
}

// ---- Load, step display and navigation ----------------------------------------------

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
    libErrorHandler::Trap(ModuleTag, "Form_Load()", [&] {
        SetupForm();
        resize(WindowWidth, WindowHeight);
        ShowCurrentStep();
    });
}

void frmWIZ_JobDefinition::ShowCurrentStep()
{
    if (m_paintGuard)
        return;
    m_paintGuard = true;
    const auto clearGuard = qScopeGuard([this] { m_paintGuard = false; });
    libErrorHandler::Trap(ModuleTag, "Form_Paint()", [&] {
        lblStepNbr->setText(QStringLiteral("Step %1 of %2").arg(m_currentStep).arg(StepCount));
        m_pages->setCurrentIndex(m_currentStep - 1);

        // The focus goes to the showing, enabled input with the lowest tab index; on a tie the
        // later control wins. A step without one (step 5) leaves the focus where it was.
        QWidget* found = nullptr;
        int lowest = 1000;
        for (const FocusCandidate& candidate : m_focusCandidates) {
            if (onCurrentPage(candidate.control) && candidate.control->isEnabled() && candidate.tabIndex <= lowest) {
                lowest = candidate.tabIndex;
                found = candidate.control;
            }
        }
        if (found)
            found->setFocus(Qt::OtherFocusReason);
    });
}

bool frmWIZ_JobDefinition::onCurrentPage(const QWidget* control) const
{
    return m_pages->currentWidget()->isAncestorOf(control) && control->isVisibleTo(m_pages->currentWidget());
}

void frmWIZ_JobDefinition::cmdNext_Click()
{
    libErrorHandler::Trap(ModuleTag, "cmdNext_Click()", [&] {
        if (m_currentStep < StepCount) {
            ++m_currentStep;
            ShowCurrentStep();
        }
        if (m_currentStep == StepCount) {
            cmdNext->setEnabled(false);
            cmdFinish->setEnabled(true);
        }
        if (m_currentStep != 1 && !cmdBack->isEnabled())
            cmdBack->setEnabled(true);
    });
}

void frmWIZ_JobDefinition::cmdBack_Click()
{
    libErrorHandler::Trap(ModuleTag, "cmdBack_Click()", [&] {
        if (m_currentStep > 1) {
            --m_currentStep;
            ShowCurrentStep();
        }
        if (m_currentStep == 1)
            cmdBack->setEnabled(false);
        if (m_currentStep != StepCount && !cmdNext->isEnabled()) {
            cmdNext->setEnabled(true);
            cmdFinish->setEnabled(false);
        }
    });
}

void frmWIZ_JobDefinition::cmdCancel_Click()
{
    libErrorHandler::Trap(ModuleTag, "cmdCancel_Click()", [&] { close(); });
}

void frmWIZ_JobDefinition::keyPressEvent(QKeyEvent* event)
{
    // F1 on any step opens the help. The press is taken: the inputs pass F1 on to the window
    // when it goes down, but some keep it to themselves when it comes up.
    if (event->key() == Qt::Key_F1 && m_schedule) {
        m_schedule->mnuHelpContents_Click();
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
    libErrorHandler::Trap(ModuleTag, "SetupForm()", [&] {
        m_currentStep = 1;
        cmbFrequency->addItems({QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
        for (int day = 1; day <= 28; ++day)
            cmbDayOfMonth->addItem(QString::number(day));
        for (int copies = 0; copies <= appSetup::MaxBackupCopies; ++copies)
            cmbNumberZipFilesToKeep->addItem(QString::number(copies));
        // The lists start without a selection, as the job's values are chosen below.
        for (QComboBox* list : {cmbFrequency, cmbDayOfMonth, cmbNumberZipFilesToKeep})
            list->setCurrentIndex(-1);

        QTreeWidgetItem* row = m_addJob || !m_schedule ? nullptr : m_schedule->lvwSchedule->currentItem();
        if (row) {
            m_editedRowKey = row->data(frmSchedule::ColName, frmSchedule::KeyRole).toString();
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
}

QString frmWIZ_JobDefinition::DefaultJobName() const
{
    int highest = -1;
    if (m_schedule) {
        for (int i = 0; i < m_schedule->lvwSchedule->topLevelItemCount(); ++i) {
            const QString text = m_schedule->lvwSchedule->topLevelItem(i)->text(frmSchedule::ColName);
            if (!text.startsWith(DefaultNameStem))
                continue;
            // Numbers too large for a job count are no part of this numbering.
            const double number = std::nearbyint(leadingNumber(text.mid(DefaultNameStem.size())));
            if (number <= 32766 && number > highest)
                highest = int(number);
        }
    }
    if (highest < 0)
        return DefaultNameStem;
    return QStringLiteral("%1 %2").arg(DefaultNameStem).arg(std::max(highest, 1) + 1);
}

void frmWIZ_JobDefinition::SetupExistingJob()
{
    setWindowTitle(QStringLiteral("Edit New Backup Job"));
    CBackupJob job;
    job.OpenBackupJob(m_schedule->FindItemByKey(m_editedRowKey)->text(frmSchedule::ColJobFile));

    txtBackupJobName->setText(job.JobName());
    txtStartTime->setText(startTimeText(job.StartTime()));
    // A frequency the wizard doesn't offer shows as the first one.
    cmbFrequency->setCurrentIndex(job.Frequency() >= CBackupJob::Daily && job.Frequency() <= CBackupJob::Monthly
                        ? job.Frequency() - 1
                        : 0);
    const std::array<qint16, 7> bits{CBackupJob::Monday,   CBackupJob::Tuesday,  CBackupJob::Wednesday,
                                     CBackupJob::Thursday, CBackupJob::Friday,   CBackupJob::Saturday,
                                     CBackupJob::Sunday};
    const std::array<QCheckBox*, 7> boxes = dayBoxes();
    for (int i = 0; i < 7; ++i)
        boxes[i]->setChecked((job.DayOfWeek() & bits[i]) != 0);
    // A day beyond the list's 28 shows as the last day offered; 0 selects none.
    cmbDayOfMonth->setCurrentIndex(std::min<int>(job.DayOfMonth(), cmbDayOfMonth->count()) - 1);
    txtTargDir->setText(job.TargetDirectory());
    for (const QString& entry : CBackupJob::GetFileList(job.FilesToZip() + QStringLiteral("\r\n")))
        lstFilesToBackup->addItem(entry);
    chkSubdirectories->setChecked(job.Subdirectories());
    (job.Incremental() ? optIncremental : optFullBackup)->setChecked(true);

    optCompression[job.Compress() ? 1 : 0]->setChecked(true);
    cmbNumberZipFilesToKeep->setEnabled(job.Compress());
    chkPasswordProtect->setEnabled(job.Compress());
    if (!job.Compress())
        chkPasswordProtect->setChecked(false);
    selectCopies(job.NumberCopies());

    chkPasswordProtect->setChecked(!job.Password().isEmpty());
    if (!job.Password().isEmpty())
        txtPassword->setText(job.Password());
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
    libErrorHandler::Trap(ModuleTag, "cmbFrequency_Click()", [&] {
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

std::optional<QTime> frmWIZ_JobDefinition::readStartTime(const QString& text)
{
    if (const std::optional<QTime> time = libDates::ParseTime(text))
        return time;
    // A plain date has no time of day: midnight.
    if (libDates::ParseDate(text))
        return QTime(0, 0);
    return std::nullopt;
}

QString frmWIZ_JobDefinition::startTimeError(const QString& text) const
{
    QString error;
    if (text.isEmpty())
        error = QStringLiteral("The Start Time field cannot be left blank.");
    else if (!readStartTime(text))
        error = QStringLiteral("The time you entered is not valid.");
    else
        return {};
    return error + QStringLiteral("  Please correct the value now using ") +
           QStringLiteral("the format 'hh:mm AM/PM'");
}

void frmWIZ_JobDefinition::txtStartTime_LostFocus()
{
    m_validatingStartTime = true;
    const auto clearFlag = qScopeGuard([this] { m_validatingStartTime = false; });
    libErrorHandler::Trap(ModuleTag, "txtStartTime_LostFocus()", [&] {
        txtStartTime->setText(txtStartTime->text().toUpper());
        const QString error = startTimeError(txtStartTime->text());
        if (!error.isEmpty()) {
            showMessage(error, libForms::Icon::None);
            txtStartTime->setFocus(Qt::OtherFocusReason);
            return;
        }
        txtStartTime->setText(startTimeText(*readStartTime(txtStartTime->text())));
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
    libErrorHandler::Trap(ModuleTag, "cmdAddFile_Click()", [&] {
        auto* picker = new frmPickFile(lstFilesToBackup);
        picker->show();
    });
}

void frmWIZ_JobDefinition::cmdRemove_Click()
{
    libErrorHandler::Trap(ModuleTag, "cmdRemove_Click()", [&] {
        if (lstFilesToBackup->selectedItems().isEmpty()) {
            showMessage(QStringLiteral("You must first select a file or folder to remove."), libForms::Icon::None);
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
        showMessage(QStringLiteral("No files were selected to drop here."), libForms::Icon::Information);
        return;
    }
    // The file system tells folders from files: a folder stands for every file in it.
    for (QString path : paths) {
        if (QFileInfo(path).isDir()) {
            libFiles::FormatPath(path, false);
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
    libErrorHandler::Trap(ModuleTag, "cmdBrowseTargDir_Click()", [&] {
        CBrowseDlg browser;
        browser.setParentHWnd(this);
        browser.setPrompt(QStringLiteral("Please select a directory into which backup will be placed."));
        for (;;) {
            QString path;
            browser.ShowBrowseDlg(path);
            if (path.isEmpty())
                return;
            if (libFiles::FolderExists(path)) {
                // The root folder keeps its separator: without it the target would be empty.
                if (path.size() > 1)
                    libFiles::FormatPath(path, false);
                txtTargDir->setText(path);
                return;
            }
            showMessage(QStringLiteral("The specified directory does not exist; please try again."),
                        libForms::Icon::None, QStringLiteral("Arkwell"));
        }
    });
}

void frmWIZ_JobDefinition::cmdExplorer2_Click()
{
    const QString target = txtTargDir->text();
    openFileManager(!target.isEmpty() && libFiles::FolderExists(target) ? target : appSetup::AppFolder());
}

void frmWIZ_JobDefinition::optCompression_Click(int)
{
    libErrorHandler::Trap(ModuleTag, "optCompression_Click()", [&] {
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
    libErrorHandler::Trap(ModuleTag, "chkPasswordProtect_Click()", [&] {
        if (chkPasswordProtect->isChecked()) {
            txtPassword->setEnabled(true);
            if (onCurrentPage(txtPassword))
                txtPassword->setFocus(Qt::OtherFocusReason);
        } else {
            txtPassword->setEnabled(false);
            txtPassword->clear();
        }
    });
}

// ---- Finish ---------------------------------------------------------------------------

std::optional<frmWIZ_JobDefinition::CheckFailure> frmWIZ_JobDefinition::NameCheckFailure() const
{
    if (!m_schedule)
        return std::nullopt;
    const QString name = txtBackupJobName->text();
    const QString cleaned = libStrings::CleanedName(name);
    const QTreeWidgetItem* editedRow = m_addJob ? nullptr : m_schedule->FindItemByKey(m_editedRowKey);
    for (int i = 0; i < m_schedule->lvwSchedule->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_schedule->lvwSchedule->topLevelItem(i);
        if (row == editedRow)
            continue;
        const QString rowName = row->text(frmSchedule::ColName);
        if (name == rowName)
            return CheckFailure{QStringLiteral("This name has already been used; please enter a different name."), 1};
        if (cleaned == libStrings::CleanedName(rowName))
            return CheckFailure{
                QStringLiteral("A derivative of this name has already been used; please enter a different name."), 1};
    }
    return std::nullopt;
}

std::optional<frmWIZ_JobDefinition::CheckFailure> frmWIZ_JobDefinition::FieldCheckFailure() const
{
    const QString name = txtBackupJobName->text();
    const QString cleaned = libStrings::CleanedName(name);
    if (name.isEmpty())
        return CheckFailure{QStringLiteral("The Backup Job Name must not be blank.  Please enter a name now."), 1};
    // The cleaned name becomes the job file's and the archive's name: it must be one file name,
    // not hidden, and not too long.
    if (name.contains(QLatin1Char('/')))
        return CheckFailure{
            QStringLiteral("The Backup Job Name must not contain the character \"/\".  Please enter a different name."),
            1};
    if (cleaned.isEmpty())
        return CheckFailure{QStringLiteral("The Backup Job Name must hold at least one character other than blanks "
                                           "and \"' ;@#!$%^&*().  Please enter a different name."),
                            1};
    if (cleaned.startsWith(QLatin1Char('.')))
        return CheckFailure{
            QStringLiteral("The Backup Job Name must not begin with a full stop.  Please enter a different name."), 1};
    if (QFile::encodeName(cleaned).size() > LongestCleanedName)
        return CheckFailure{QStringLiteral("The Backup Job Name is too long to be used as a file name.  "
                                           "Please enter a shorter name."),
                            1};
    if (JobFileTaken())  // a job file renamed by hand, or one skipped at start-up, is never overwritten
        return CheckFailure{QStringLiteral("The jobs folder already holds the file '") + JobFilePath()
                                + QStringLiteral("', which is not this Backup Job's file.  Please enter a different "
                                                 "name."),
                            1};
    if (chkPasswordProtect->isChecked() && txtPassword->text().isEmpty())
        return CheckFailure{QStringLiteral("The Password Protect flag is set; however, no password is assigned in the "
                                           "Password text box.  Please enter a password now."),
                            6};
    if (!CBackupJob::PasswordFitsZip(txtPassword->text()))
        return CheckFailure{QStringLiteral("A password may hold blanks or double quotation marks, but not both.  "
                                           "Please enter a different password now."),
                            6};
    if (txtTargDir->text().isEmpty())
        return CheckFailure{QStringLiteral("The zip output filename is blank.  Please enter select a filename now."),
                            4};
    const QString frequency = cmbFrequency->currentText();
    const std::array<QCheckBox*, 7> boxes = dayBoxes();
    if ((frequency == QLatin1String("Daily") || frequency == QLatin1String("Weekly")) &&
        std::none_of(boxes.begin(), boxes.end(), [](const QCheckBox* box) { return box->isChecked(); }))
        return CheckFailure{QStringLiteral("For a Frequency set to Daily or Weekly, you must select at least one day "
                                           "of the week from the checkboxes provided.  Please make a selection now."),
                            2};
    if (frequency == QLatin1String("Monthly") && cmbDayOfMonth->currentIndex() < 0)
        return CheckFailure{QStringLiteral("For a Frequency set to Monthly, you must select a day of the month from "
                                           "the drop down box provided.  Please make a selection now."),
                            2};
    if (lstFilesToBackup->count() == 0)
        return CheckFailure{QStringLiteral("You must select at least one file or directory to backup.  Please make a "
                                           "selection now."),
                            3};
    // The job file keeps one entry a line: a line break in a path would split it on reading.
    if (libStrings::HoldsLineBreak(txtTargDir->text()))
        return CheckFailure{QStringLiteral("The target folder's name holds a line break, which a Backup Job can't "
                                           "keep.  Please choose another folder."),
                            4};
    for (int i = 0; i < lstFilesToBackup->count(); ++i)
        if (libStrings::HoldsLineBreak(lstFilesToBackup->item(i)->text()))
            return CheckFailure{QStringLiteral("The name of '") + lstFilesToBackup->item(i)->text()
                                    + QStringLiteral("' holds a line break, which a Backup Job can't keep.  Please "
                                                     "remove it from the list."),
                                3};
    // The start time is checked when its box loses the focus; a text typed just before
    // Finish is checked here, so the job never keeps a time other than the one shown.
    const QString timeError = startTimeError(txtStartTime->text());
    if (!timeError.isEmpty())
        return CheckFailure{timeError, 2, false};
    return std::nullopt;
}

std::optional<frmWIZ_JobDefinition::CheckFailure> frmWIZ_JobDefinition::WildcardCheckFailure() const
{
    if (!optCompression[0]->isChecked())
        return std::nullopt;
    for (int i = 0; i < lstFilesToBackup->count(); ++i) {
        const QString entry = lstFilesToBackup->item(i)->text();
        if (entry.contains(QLatin1Char('*')) && !entry.contains(EveryFileSuffix))
            return CheckFailure{QStringLiteral("You cannot use wildcard specifications other than *.* for non-compress "
                                               "backup jobs.  Either set this backup job to use compression, or alter "
                                               "the wildcard spec for '") +
                                    entry + QStringLiteral("'."),
                                std::nullopt, false};
    }
    return std::nullopt;
}

CBackupJob frmWIZ_JobDefinition::RecordFromControls() const
{
    CBackupJob job;
    job.setJobName(txtBackupJobName->text());
    job.setStartTime(readStartTime(txtStartTime->text()).value_or(QTime(0, 0)));
    job.setFrequency(cmbFrequency->currentIndex() + 1);
    job.setDayOfMonth(cmbDayOfMonth->currentIndex() < 0 ? 0 : qint16(cmbDayOfMonth->currentText().toShort()));
    job.setCompress(optCompression[1]->isChecked());
    job.setNumberCopies(cmbNumberZipFilesToKeep->currentText().toShort());
    job.setPassword(txtPassword->text());
    job.setSubdirectories(chkSubdirectories->isChecked());
    job.setIncremental(optIncremental->isChecked());
    job.setTargetDirectory(txtTargDir->text());
    job.setDateLastRun(QDateTime(Clock::Today(), QTime(0, 0)));
    job.SetDayOfWeek(chkMonday->isChecked(), chkTuesday->isChecked(), chkWednesday->isChecked(),
                     chkThursday->isChecked(), chkFriday->isChecked(), chkSaturday->isChecked(),
                     chkSunday->isChecked());
    QString files;
    for (int i = 0; i < lstFilesToBackup->count(); ++i)
        files += lstFilesToBackup->item(i)->text() + QStringLiteral("\r\n");
    job.setFilesToZip(files);
    return job;
}

QString frmWIZ_JobDefinition::JobFilePath() const
{
    return appSetup::JobsFolder() + libStrings::CleanedName(txtBackupJobName->text()) + QStringLiteral(".awj");
}

bool frmWIZ_JobDefinition::JobFileTaken() const
{
    const QString path = JobFilePath();
    const QTreeWidgetItem* editedRow = m_addJob || !m_schedule ? nullptr : m_schedule->FindItemByKey(m_editedRowKey);
    if (editedRow && sameFile(editedRow->text(frmSchedule::ColJobFile), path))
        return false;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        return true;
    for (int i = 0; m_schedule && i < m_schedule->lvwSchedule->topLevelItemCount(); ++i)
        if (sameFile(m_schedule->lvwSchedule->topLevelItem(i)->text(frmSchedule::ColJobFile), path))
            return true;
    return false;
}

void frmWIZ_JobDefinition::UpdateJobList(const CBackupJob& job, const QString& jobFilePath)
{
    QTreeWidgetItem* row = m_addJob ? nullptr : m_schedule->FindItemByKey(m_editedRowKey);
    if (!row) {
        m_schedule->AddItemListView(job.JobName(), job.DateLastRun(), job.DateNextRun(), job.StartTime(),
                                    job.Compress(), jobFilePath);
        return;
    }
    // A renamed job leaves its old file behind unless both paths name the file just written
    // (on a file system that ignores letter case they can).
    const QString oldPath = row->text(frmSchedule::ColJobFile);
    if (!sameFile(oldPath, jobFilePath))
        libFiles::uKillFile(oldPath);
    // The row's key follows the new name, so a later job may take the old name.
    m_schedule->SetItemListView(row, job.JobName(), job.DateLastRun(), job.DateNextRun(), job.StartTime(),
                                job.Compress(), jobFilePath);
    m_schedule->lvwSchedule->viewport()->update();
}

void frmWIZ_JobDefinition::cmdFinish_Click()
{
    libErrorHandler::Trap(ModuleTag, "cmdFinish_Click()", [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });

        std::optional<CheckFailure> failure = NameCheckFailure();
        if (!failure)
            failure = FieldCheckFailure();
        if (!failure)
            failure = WildcardCheckFailure();
        if (failure) {
            showMessage(failure->message, failure->informationIcon ? libForms::Icon::Information : libForms::Icon::None);
            if (failure->step) {
                m_currentStep = *failure->step;
                ShowCurrentStep();
            }
            return;
        }

        const CBackupJob job = RecordFromControls();
        libFiles::uMkDir(appSetup::JobsFolder());
        const QString jobFilePath = JobFilePath();
        job.SaveBackupJob(jobFilePath);
        if (m_schedule)
            UpdateJobList(job, jobFilePath);
        close();
    });
}
