#include "schedule/frmSchedule.h"

#include "lib/appSetup.h"
#include "agent/libPictures.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmHelpView.h"
#include "dialogs/frmLogView.h"
#include "dialogs/frmPreferences.h"
#include "jobs/CBackupJob.h"
#include "jobs/JobStatus.h"
#include "jobs/Targets.h"
#include "lib/Clock.h"
#include "lib/libAPIWrapper.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libForms.h"
#include "lib/libLog.h"
#include "lib/libStrings.h"
#include "lib/Shell32.h"
#include "wizard/frmWIZ_JobDefinition.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLocale>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

using libForms::Answer;
using libForms::Buttons;
using libForms::Icon;
using libForms::Message;
using libForms::TwipsToPixels;

namespace {

const char* const Module = "frmSchedule.frm";

QString DateText(const QDate& date)
{
    return libDates::FormatDate(date, QLocale::system());
}

// A row of the job list. Date and time columns sort by the day or time they show (a day
// with no next run after every real one); the other columns by their text.
class JobRow : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, frmSchedule::ValueRole);
        const QVariant theirs = other.data(column, frmSchedule::ValueRole);
        if (column == frmSchedule::ColNextRun || mine.isValid() || theirs.isValid()) {
            if (!mine.isValid() || !theirs.isValid())
                return mine.isValid() && !theirs.isValid();
            return QVariant::compare(mine, theirs) == QPartialOrdering::Less;
        }
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

void Inform(const QString& text, const QString& title, Icon icon = Icon::Exclamation)
{
    libForms::MsgBox(Message{text, title, Buttons::OK, icon, Answer::OK});
}

// Hands a file to the program of a desktop entry. False when it can't be started.
bool OpenWithDesktopEntry(const QString& desktopEntry, const QString& document)
{
    const QStringList command = libFiles::DesktopEntryCommand(desktopEntry, document);
    return !command.isEmpty() && Shell32::StartDetached(command.first(), command.mid(1));
}

}  // namespace

frmSchedule::frmSchedule(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Scheduled Backup Jobs"));
    setWindowIcon(libPictures::AppIcon());
    setMinimumSize(TwipsToPixels(6000), TwipsToPixels(4000));
    resize(TwipsToPixels(6360) + 200, TwipsToPixels(3945) + 120);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildToolbar();
    buildList();
    layout->addWidget(fraToolbar);
    layout->addWidget(lvwSchedule, 1);
    buildStatusBar();
    buildMenus();

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &frmSchedule::mnuHelpContents_Click);
    connect(&m_jobs, &JobTable::changed, this, &frmSchedule::showJobs);
    restoreSize();
    libForms::RegisterForm(this);
}

frmSchedule::~frmSchedule()
{
    if (isVisible())
        saveSize();
    delete m_preferences.data();
    delete m_about.data();
}

void frmSchedule::buildToolbar()
{
    fraToolbar = new QFrame(this);
    fraToolbar->setObjectName(QStringLiteral("fraToolbar"));
    fraToolbar->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(fraToolbar);
    const int margin = TwipsToPixels(60);
    row->setContentsMargins(margin, margin, margin, margin);
    row->setSpacing(1);
    const auto button = [this, row](QToolButton*& member, const char* name, const QString& caption,
                                     const QString& tip, QStyle::StandardPixmap picture, void (frmSchedule::*handler)()) {
        member = new QToolButton(fraToolbar);
        member->setObjectName(QString::fromLatin1(name));
        member->setText(caption);
        member->setToolTip(tip);
        member->setIcon(style()->standardIcon(picture));
        member->setIconSize(QSize(24, 24));
        member->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        member->setFixedSize(TwipsToPixels(855), TwipsToPixels(855));
        member->setAutoRaise(true);
        connect(member, &QToolButton::clicked, this, handler);
        row->addWidget(member);
    };
    button(cmdAddJob, "cmdAddJob", QStringLiteral("&New"), QStringLiteral("New Backup Job"),
           QStyle::SP_FileIcon, &frmSchedule::cmdAddJob_Click);
    button(cmdDelJob, "cmdDelJob", QStringLiteral("&Remove"), QStringLiteral("Remove Backup Job"),
           QStyle::SP_TrashIcon, &frmSchedule::cmdDelJob_Click);
    button(cmdEditJob, "cmdEditJob", QStringLiteral("&Open"), QStringLiteral("Open Backup Job"),
           QStyle::SP_DialogOpenButton, &frmSchedule::cmdEditJob_Click);
    button(cmdBackup, "cmdBackup", QStringLiteral("&Backup"), QStringLiteral("Execute Backup Job Now"),
           QStyle::SP_MediaPlay, &frmSchedule::cmdBackup_Click);
    button(cmdView, "cmdView", QStringLiteral("&View"), QStringLiteral("View Backup Zip File"),
           QStyle::SP_FileDialogContentsView, &frmSchedule::cmdView_Click);
    row->addStretch(1);
}

void frmSchedule::buildList()
{
    lvwSchedule = new QTreeWidget(this);
    lvwSchedule->setObjectName(QStringLiteral("lvwSchedule"));
    lvwSchedule->setRootIsDecorated(false);
    lvwSchedule->setUniformRowHeights(true);
    lvwSchedule->setAllColumnsShowFocus(true);
    lvwSchedule->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwSchedule->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwSchedule->setHeaderLabels({QStringLiteral("Backup Job Name"), QStringLiteral("Last Run"),
                                  QStringLiteral("Next Run"), QStringLiteral("Start Time"),
                                  QStringLiteral("Compressed"), QStringLiteral("BackupFolder"),
                                  QStringLiteral("Last Result")});
    lvwSchedule->header()->moveSection(ColLastResult, ColNextRun);
    lvwSchedule->header()->setSectionResizeMode(QHeaderView::Interactive);
    lvwSchedule->header()->setStretchLastSection(true);
    lvwSchedule->setColumnHidden(ColCompressed, true);
    lvwSchedule->setColumnHidden(ColJobFile, true);
    lvwSchedule->header()->setSectionsClickable(true);
    lvwSchedule->header()->setSortIndicatorShown(true);
    lvwSchedule->header()->setSortIndicator(-1, m_sortOrder);
    connect(lvwSchedule->header(), &QHeaderView::sectionClicked, this, &frmSchedule::lvwSchedule_ColumnClick);
    connect(lvwSchedule, &QTreeWidget::itemDoubleClicked, this, &frmSchedule::lvwSchedule_DblClick);
}

void frmSchedule::buildStatusBar()
{
    sbarSchedule = statusBar();
    sbarSchedule->setObjectName(QStringLiteral("sbarSchedule"));
    pnlNbrBackupJobs = new QLabel(QStringLiteral("X Backup Jobs"), sbarSchedule);
    pnlNbrBackupJobs->setObjectName(QStringLiteral("NbrBackupJobs"));
    pnlNbrBackupJobs->setMinimumWidth(TwipsToPixels(1440));
    pnlStatusBar = new QLabel(sbarSchedule);
    pnlStatusBar->setObjectName(QStringLiteral("StatusBar"));
    pnlProgress = new QLabel(sbarSchedule);
    pnlProgress->setObjectName(QStringLiteral("Progress"));
    sbarSchedule->addWidget(pnlNbrBackupJobs);
    sbarSchedule->addWidget(pnlStatusBar, 1);
    sbarSchedule->addWidget(pnlProgress);

    // Two lamps side by side, each a lit and a dark picture on one spot: green lit and red
    // dark at rest.
    picLight = new QWidget(sbarSchedule);
    picLight->setObjectName(QStringLiteral("picLight"));
    picLight->setFixedSize(TwipsToPixels(410), TwipsToPixels(195));
    const QColor colours[] = {QColor(0, 230, 0), QColor(0, 90, 0), QColor(240, 0, 0), QColor(100, 0, 0)};
    const QString idle = QStringLiteral("Ready: no backup job is running");
    const QString busy = QStringLiteral("A backup job is running");
    const QString tips[] = {idle, busy, busy, idle};
    for (int index = 0; index < 4; ++index) {
        QLabel* lamp = new QLabel(picLight);
        lamp->setObjectName(QStringLiteral("imgLight%1").arg(index));
        lamp->setPixmap(libPictures::Lamp(colours[index]));
        lamp->setGeometry(index < 2 ? 0 : TwipsToPixels(210), 0, TwipsToPixels(180),
                          TwipsToPixels(195));
        lamp->setVisible(index == 0 || index == 3);
        lamp->setToolTip(tips[index]);
        imgLight[index] = lamp;
    }
    sbarSchedule->addPermanentWidget(picLight);
}

void frmSchedule::buildMenus()
{
    const auto menu = [this](QMenu*& member, const char* name, const QString& caption) {
        member = menuBar()->addMenu(caption);
        member->setObjectName(QString::fromLatin1(name));
        member->menuAction()->setObjectName(QString::fromLatin1(name));
    };
    const auto item = [this](QMenu* parent, QAction*& member, const char* name, const QString& caption,
                             void (frmSchedule::*handler)()) {
        member = parent->addAction(caption);
        member->setObjectName(QString::fromLatin1(name));
        connect(member, &QAction::triggered, this, handler);
    };
    menu(mnuFile, "mnuFile", QStringLiteral("&File"));
    item(mnuFile, mnuFilePreferences, "mnuFilePreferences", QStringLiteral("Preferences"),
         &frmSchedule::mnuFilePreferences_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("SlashFile1"));
    item(mnuFile, mnuFileClose, "mnuFileClose", QStringLiteral("Close"), &frmSchedule::mnuFileClose_Click);
    item(mnuFile, mnuFileExit, "mnuFileExit", QStringLiteral("Exit Arkwell"), &frmSchedule::mnuFileExit_Click);

    menu(mnuAction, "mnuAction", QStringLiteral("&Action"));
    item(mnuAction, mnuActionAdd, "mnuActionAdd", QStringLiteral("&New Backup Job"), &frmSchedule::cmdAddJob_Click);
    item(mnuAction, mnuActionDelete, "mnuActionDelete", QStringLiteral("&Remove Backup Job"),
         &frmSchedule::cmdDelJob_Click);
    item(mnuAction, mnuActionEdit, "mnuActionEdit", QStringLiteral("&Open Backup Job"), &frmSchedule::cmdEditJob_Click);
    mnuAction->addSeparator()->setObjectName(QStringLiteral("SlashAction1"));
    item(mnuAction, mnuActionRun, "mnuActionRun", QStringLiteral("Run &Backup Job Now"), &frmSchedule::cmdBackup_Click);
    item(mnuAction, mnuActionStop, "mnuActionStop", QStringLiteral("&Stop Backup Job"),
         &frmSchedule::mnuActionStop_Click);
    mnuActionStop->setEnabled(false);
    item(mnuAction, mnuActionViewZip, "mnuActionViewZip", QStringLiteral("&View Zip File"), &frmSchedule::cmdView_Click);
    mnuAction->addSeparator()->setObjectName(QStringLiteral("SlashAction2"));
    item(mnuAction, mnuActionViewTransactionLog, "mnuActionViewTransactionLog",
         QStringLiteral("View &Transaction Log File"), &frmSchedule::mnuActionViewTransactionLog_Click);
    item(mnuAction, mnuActionViewErrorLog, "mnuActionViewErrorLog", QStringLiteral("View &Error Log File"),
         &frmSchedule::mnuActionViewErrorLog_Click);

    menu(mnuHelp, "mnuHelp", QStringLiteral("&Help"));
    item(mnuHelp, mnuHelpContents, "mnuHelpContents", QStringLiteral("Contents"), &frmSchedule::mnuHelpContents_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("SlashHelp1"));
    item(mnuHelp, mnuHelpLicense, "mnuHelpLicense", QStringLiteral("License Agreement"),
         &frmSchedule::mnuHelpLicense_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("SlashHelp2"));
    item(mnuHelp, mnuHelpHomepage, "mnuHelpHomepage", QStringLiteral("Arkwell Homepage"),
         &frmSchedule::mnuHelpHomepage_Click);
    item(mnuHelp, mnuHelpAbout, "mnuHelpAbout", QStringLiteral("About"), &frmSchedule::mnuHelpAbout_Click);
}

// --- The list -------------------------------------------------------------------------

void frmSchedule::AddItemListView(const QString& sBackupName, const QDateTime& dDateLastRun,
                                  const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                                  const QString& sBackupFilename)
{
    libErrorHandler::Trap(Module, "AddItemListView()", [&] {
        if (FindItemByKey(QLatin1Char('_') + sBackupName))
            libErrorHandler::Raise(35602, QStringLiteral("Key is not unique in collection: '_%1'").arg(sBackupName));
        auto* item = new JobRow;
        SetItemListView(item, sBackupName, dDateLastRun, dDateNextRun, dStartTime, bCompressed, sBackupFilename);
        lvwSchedule->addTopLevelItem(item);
        StatusBarCount(lvwSchedule->topLevelItemCount());
    });
}

void frmSchedule::SetItemListView(QTreeWidgetItem* item, const QString& sBackupName, const QDateTime& dDateLastRun,
                                  const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                                  const QString& sBackupFilename)
{
    item->setText(ColName, sBackupName);
    item->setData(ColName, KeyRole, QString(QLatin1Char('_') + sBackupName));
    item->setIcon(ColName, libPictures::JobIcon(bCompressed));
    item->setText(ColLastRun, DateText(dDateLastRun.date()));
    item->setData(ColLastRun, ValueRole, dDateLastRun.date());
    item->setText(ColNextRun, dDateNextRun ? DateText(*dDateNextRun) : NoNextRunText);
    item->setData(ColNextRun, ValueRole, dDateNextRun ? QVariant(*dDateNextRun) : QVariant());
    item->setText(ColStartTime, libDates::FormatShortTime(dStartTime));
    item->setData(ColStartTime, ValueRole, dStartTime);
    item->setText(ColCompressed, bCompressed ? QStringLiteral("True") : QStringLiteral("False"));
    item->setText(ColJobFile, sBackupFilename);
}

void frmSchedule::DeleteItemListView(int iIndexNumber)
{
    libErrorHandler::Trap(Module, "DeleteItemListView()", [&] {
        if (iIndexNumber < 1 || iIndexNumber > lvwSchedule->topLevelItemCount())
            libErrorHandler::Raise(35600, QStringLiteral("Index out of bounds: %1").arg(iIndexNumber));
        delete lvwSchedule->takeTopLevelItem(iIndexNumber - 1);
        StatusBarCount(lvwSchedule->topLevelItemCount());
    });
}

QTreeWidgetItem* frmSchedule::FindItemByKey(const QString& sKey) const
{
    for (int index = 0; index < lvwSchedule->topLevelItemCount(); ++index) {
        QTreeWidgetItem* item = lvwSchedule->topLevelItem(index);
        if (item->data(ColName, KeyRole).toString() == sKey)
            return item;
    }
    return nullptr;
}

// Brings the rows in line with the table: rows of jobs gone are removed, the others
// rewritten in place, new jobs appended at the end.
void frmSchedule::showJobs()
{
    for (int index = lvwSchedule->topLevelItemCount(); index >= 1; --index)
        if (!m_jobs.Contains(lvwSchedule->topLevelItem(index - 1)->text(ColName)))
            DeleteItemListView(index);
    for (const QString& name : m_jobs.Names()) {
        const CBackupJob& job = *m_jobs.Job(name);
        if (QTreeWidgetItem* row = FindItemByKey(QLatin1Char('_') + name))
            SetItemListView(row, name, job.DateLastRun(), job.DateNextRun(), job.StartTime(), job.Compress(),
                            m_jobs.JobFile(name));
        else
            AddItemListView(name, job.DateLastRun(), job.DateNextRun(), job.StartTime(), job.Compress(),
                            m_jobs.JobFile(name));
        showResult(FindItemByKey(QLatin1Char('_') + name), name);
    }
    StatusBarCount(lvwSchedule->topLevelItemCount());
    fitColumns();
    emit statusChanged();
}

// The row's last result with its time, or the running run's progress; a job that failed, was
// incomplete or is overdue is marked; the tooltip holds the log lines of its last run.
void frmSchedule::showResult(QTreeWidgetItem* row, const QString& name)
{
    const RunRecord record = m_jobs.Record(name);
    const QDateTime now = Clock::Now();
    const CBackupJob& job = *m_jobs.Job(name);
    QString text = JobStatus::ResultWord(job, record, now);
    if (name == m_runningName)
        text = QStringLiteral("running: ") + m_progressText;
    else if (!text.isEmpty() && record.ended.isValid())
        text += QLatin1Char(' ') + QLocale::system().toString(record.ended, QLocale::ShortFormat);
    row->setText(ColLastResult, text);
    row->setText(ColLastRun, JobStatus::LastRunText(record));
    row->setData(ColLastRun, ValueRole, record.started.date());
    row->setIcon(ColLastResult, name != m_runningName && JobStatus::NeedsAttention(job, record, now)
                                    ? style()->standardIcon(QStyle::SP_MessageBoxWarning)
                                    : QIcon());
    const QString overdue = JobStatus::Overdue(job, record, now)
                                ? QStringLiteral("No completed run for more than twice the job's interval.\n")
                                : QString();
    const QString lines = record.logLines.join(QLatin1Char('\n'));
    for (int column = 0; column < lvwSchedule->columnCount(); ++column)
        row->setToolTip(column, overdue + lines);
}

// Every shown column as wide as its widest text, in any language; the user can still resize them.
void frmSchedule::fitColumns()
{
    for (int column = ColName; column < lvwSchedule->columnCount(); ++column)
        if (!lvwSchedule->isColumnHidden(column))
            lvwSchedule->resizeColumnToContents(column);
}

void frmSchedule::lvwSchedule_ColumnClick(int column)
{
    libErrorHandler::Trap(Module, "lvwSchedule_ColumnClick()", [&] {
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        lvwSchedule->header()->setSortIndicator(column, m_sortOrder);
        lvwSchedule->sortItems(column, m_sortOrder);
    });
}

void frmSchedule::lvwSchedule_DblClick()
{
    cmdEditJob_Click();
}

// --- Status bar, lamps, lifetime ---------------------------------------------------------

QString frmSchedule::MessageText() const
{
    return m_messageText;
}

void frmSchedule::setMessageText(const QString& text)
{
    libErrorHandler::Trap(Module, "Let MessageText()", [&] {
        m_messageText = text;
        pnlStatusBar->setText(text);
        repaintNow();
    });
}

void frmSchedule::setLightVisible(int index, bool visible)
{
    imgLight.at(index)->setVisible(visible);
}

void frmSchedule::repaintNow()
{
    if (isVisible())
        repaint();
}

void frmSchedule::setBusyPointer(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmSchedule::setProgress(const RunProgress& progress)
{
    const QLocale locale = QLocale::system();
    const QString files = progress.files > progress.filesDone
                              ? locale.toString(progress.filesDone) + QStringLiteral(" of ") + locale.toString(progress.files)
                              : locale.toString(progress.filesDone);
    m_progressText = progress.entries == 0 ? QString()
                                           : QStringLiteral("entry %1 of %2, %3 files done: '%4'")
                                                 .arg(progress.entriesDone + 1)
                                                 .arg(progress.entries)
                                                 .arg(files, progress.current);
    // The files of an entry come by the hundred at each look at zip's output: the window shows
    // the last of them once the batch is through, not each one.
    if (progress.filesDone < progress.files) {
        if (!std::exchange(m_progressShowPending, true))
            QTimer::singleShot(0, this, [this] {
                m_progressShowPending = false;
                showProgress();
            });
        return;
    }
    showProgress();
}

void frmSchedule::showProgress()
{
    pnlProgress->setText(m_progressText);
    if (QTreeWidgetItem* row = FindItemByKey(QLatin1Char('_') + m_runningName))
        showResult(row, m_runningName);
    fitColumns();
    emit statusChanged();
}

void frmSchedule::KillForm(bool vVar)
{
    m_killForm = vVar;
}

void frmSchedule::StatusBarCount(int vNewValue)
{
    libErrorHandler::Trap(Module, "Let StatusBarCount()", [&] {
        pnlNbrBackupJobs->setText(QString::number(vNewValue) + QStringLiteral(" Backup Jobs"));
    });
}

// The window's size is kept in a small file in the data folder, written whole.
static QSettings windowSettings()
{
    return QSettings(appSetup::DataFile(QStringLiteral("window.ini")), QSettings::IniFormat);
}
static const QString SizeKey = QStringLiteral("JobList/size");

void frmSchedule::restoreSize()
{
    const QSize size = windowSettings().value(SizeKey).toSize();
    if (size.isValid())
        resize(size.expandedTo(minimumSize()));
}

void frmSchedule::saveSize() const
{
    windowSettings().setValue(SizeKey, size());
}

void frmSchedule::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Form_Activate();
}

void frmSchedule::Form_Activate()
{
    if (m_activatedOnce)
        return;
    libErrorHandler::Trap(Module, "Form_Activate()", [&] {
        m_activatedOnce = true;
        StatusBarCount(lvwSchedule->topLevelItemCount());
        if (QTreeWidgetItem* first = lvwSchedule->topLevelItem(0))
            lvwSchedule->setCurrentItem(first);
    });
}

void frmSchedule::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window; the program goes on in the tray. Only the program's
    // end (KillForm) lets the window go for good.
    event->accept();
    saveSize();
    if (!m_killForm)
        emit closedByUser();
}

// --- Job commands ------------------------------------------------------------------------

QStringList frmSchedule::selectedNames() const
{
    QStringList names;
    for (int index = 0; index < lvwSchedule->topLevelItemCount(); ++index)
        if (lvwSchedule->topLevelItem(index)->isSelected())
            names << lvwSchedule->topLevelItem(index)->text(ColName);
    return names;
}

QString frmSchedule::currentName() const
{
    return lvwSchedule->currentItem() ? lvwSchedule->currentItem()->text(ColName) : QString();
}

bool frmSchedule::selectionChecksPass()
{
    if (lvwSchedule->topLevelItemCount() == 0) {
        libForms::VerificationError(
            QStringLiteral("You must first add and then select a backup job before clicking this button."),
            Icon::Information);
        return false;
    }
    const QTreeWidgetItem* current = lvwSchedule->currentItem();
    if (!current || !current->isSelected()) {
        libForms::VerificationError(
            QStringLiteral("You must first select a backup job before clicking this button."), Icon::Information);
        return false;
    }
    return true;
}

// Loads a listed job from its file. A job file that went missing or was damaged since it
// was listed is told to the user and the transaction log; the program goes on.
bool frmSchedule::openJob(const QString& name, CBackupJob& job)
{
    const std::optional<QString> why = job.TryOpenBackupJob(m_jobs.JobFile(name));
    if (!why)
        return true;
    const QString text = QStringLiteral("The job file of Backup Job '%1' can't be read: %2").arg(name, *why);
    libLog::LogEvent(text);
    libForms::VerificationError(text, Icon::Exclamation);
    return false;
}

void frmSchedule::cmdAddJob_Click()
{
    libErrorHandler::Trap(Module, "cmdAddJob_Click()", [&] {
        showWizard(true);
        repaint();
    });
}

void frmSchedule::cmdEditJob_Click()
{
    libErrorHandler::Trap(Module, "cmdEditJob_Click()", [&] {
        CBackupJob job;  // a job file gone or damaged since start-up is told, not fatal
        if (selectionChecksPass() && openJob(currentName(), job))
            showWizard(false);
    });
}

void frmSchedule::showWizard(bool bAddJob)
{
    auto* wizard = new frmWIZ_JobDefinition(m_jobs, bAddJob ? QString() : currentName(), this);
    wizard->setAddJob(bAddJob);
    connect(wizard, &frmWIZ_JobDefinition::helpRequested, this, &frmSchedule::mnuHelpContents_Click);
    wizard->show();
    libForms::WaitForFormToClose(QStringLiteral("frmWIZ_JobDefinition"));
    activateWindow();
    setFocus();
}

void frmSchedule::cmdDelJob_Click()
{
    libErrorHandler::Trap(Module, "cmdDelJob_Click()", [&] {
        const QStringList names = selectedNames();
        if (!selectionChecksPass())
            return;
        const Answer answer = libForms::MsgBox(Message{
            QStringLiteral("Are you sure you want to delete this Backup Job?"), QStringLiteral("Remove Confirmation"),
            Buttons::YesNoCancel, Icon::None, Answer::No});
        if (answer != Answer::Yes)
            return;
        for (const QString& name : names)
            m_jobs.Remove(name);
        repaint();
    });
}

void frmSchedule::cmdBackup_Click()
{
    if (!m_runInProgress && libErrorHandler::Trap(Module, "cmdBackup_Click()", [&] { return selectionChecksPass(); }))
        RunJobs(selectedNames());
}

void frmSchedule::RunJobs(const QStringList& names)
{
    if (m_runInProgress)
        return;
    m_runInProgress = true;
    m_stopRequested = false;
    lockCommandsForRun(true);
    libErrorHandler::Trap(Module, "cmdBackup_Click()", [&] { runJobs(names); });
    lockCommandsForRun(false);
    m_runInProgress = false;
    emit runFinished();
}

// A run shuts off the commands that would start another run or change the jobs; Stop, Exit
// Arkwell, the logs, help and the dialogs (windows of their own) stay usable.
void frmSchedule::lockCommandsForRun(bool running)
{
    centralWidget()->setEnabled(!running);
    for (QAction* command : {mnuActionAdd, mnuActionDelete, mnuActionEdit, mnuActionRun, mnuActionViewZip})
        command->setEnabled(!running);
    mnuActionStop->setEnabled(running);
}

bool frmSchedule::Idle() const
{
    const auto shown = [](const QWidget* dialog) { return dialog && dialog->isVisible(); };
    return !m_runInProgress && isEnabled() && !shown(m_preferences) && !shown(m_about)
           && !QApplication::activeModalWidget();
}

// Each run is kept in the job's run record: its start before it begins, its end and result
// after it.
void frmSchedule::runJobs(const QStringList& names)
{
    for (const QString& name : names) {
        if (m_stopRequested)
            return;
        const RunRecord::Result result = runJob(name);
        if (m_stopRequested)
            return;
        const bool failed = result != RunRecord::Result::Completed && result != RunRecord::Result::Waiting;
        if (appSetup::StopOnError && failed && offerTransactionLog(name))
            return;
    }
}

// One job's run, between a log line naming the job and one telling its result. A job file
// that can't be read fails the run.
RunRecord::Result frmSchedule::runJob(const QString& name)
{
    CBackupJob job;
    libLog::LogEvent(JobStatus::StartLine(name));
    const libLog::Recorder runLog;
    RunRecord::Result result = RunRecord::Result::Failed;
    QElapsedTimer duration;
    duration.start();
    if (openJob(name, job)) {
        m_runningName = name;
        job.setRunHistory(m_jobs.RunStarted(name));
        m_runningJob = &job;
        job.ExecuteBackupNow(*this, appSetup::MaxBackupCopies);
        m_runningJob = nullptr;
        m_runningName.clear();
        setProgress({});
        result = RunRecord::ResultOf(job.LastResult());
        m_jobs.RunEnded(name, result, runLog.Lines(), job.RunHistory());
        Targets::RunEnded(m_jobs, name, result);
    }
    const QStringList lines = runLog.Lines();
    libLog::LogEvent(JobStatus::ResultLine(name, result, job.LastCounts(), duration.elapsed() / 1000,
                                           CBackupJob::FirstReason(lines)));
    emit jobRunEnded(name, result, lines);
    return result;
}

void frmSchedule::mnuActionStop_Click()
{
    StopRun();
}

void frmSchedule::StopRun()
{
    if (!m_runInProgress)
        return;
    m_stopRequested = true;
    if (m_runningJob)
        m_runningJob->RequestStop();
}

// The failure message of a run; Yes opens the transaction log. True when the log was
// opened (it always opens, in this program's own window if need be), so the jobs still to
// come are skipped.
bool frmSchedule::offerTransactionLog(const QString& jobName)
{
    const QString logPath = appSetup::TransactionLogPath();
    const QString text = QStringLiteral("Backup Job '") + jobName + QStringLiteral("' has failed.\r\n\r\n")
                         + QStringLiteral("See transaction log for details: '") + logPath + QLatin1Char('\'');
    const Answer answer = libForms::MsgBox(
        Message{text, QStringLiteral("Backup Error"), Buttons::YesNoCancel, Icon::Exclamation, Answer::No});
    if (answer != Answer::Yes)
        return false;
    frmLogView::OpenLog(logPath);
    return true;
}

void frmSchedule::cmdView_Click()
{
    libErrorHandler::Trap(Module, "cmdView_Click()", [&] {
        if (!selectionChecksPass())
            return;
        CBackupJob job;
        if (!openJob(currentName(), job))
            return;
        if (!job.Compress()) {
            Inform(QStringLiteral("This Backup Job does not use compression, thus there is no ")
                       + QStringLiteral("zip file to view."),
                   QStringLiteral("Information"), Icon::Information);
            return;
        }
        if (const std::optional<QString> archive = existingArchive(job))
            openArchive(*archive);
        else
            libForms::VerificationError(QStringLiteral("The file '") + job.TargetDirectory()
                                            + libStrings::CleanedName(job.JobName())
                                            + QStringLiteral("' does not exist."), Icon::Exclamation);
    });
}

// The newest archive of the job that exists: the current one, else the most recent kept copy.
std::optional<QString> frmSchedule::existingArchive(const CBackupJob& job) const
{
    for (int copy = 0; copy <= appSetup::MaxBackupCopies; ++copy) {
        const QString candidate = job.ArchivePath(copy);
        if (libFiles::FileExists(candidate))
            return candidate;
    }
    return std::nullopt;
}

void frmSchedule::openArchive(const QString& archive)
{
    const QString viewer = libFiles::FindExecutable(archive);
    if (viewer.isEmpty() || !libFiles::FileExists(viewer)) {
        const QString question =
            QStringLiteral("You do not have a recognizable zip program currently ")
            + QStringLiteral("installed.  You can review the Help documentation for some possible ")
            + QStringLiteral("zip management tools that you can install (e.g.: File Roller or Ark).")
            + QStringLiteral("\r\n\r\n") + QStringLiteral("If you are sure that a zip utility exists, click ")
            + QStringLiteral("Yes to override.");
        if (libForms::MsgBox(Message{question, QStringLiteral("No Zip Program Installed"), Buttons::YesNo, Icon::None,
                                     Answer::No})
            != Answer::Yes)
            return;
        // The file manager, on the folder that holds the archive; without one the user is
        // told where the archive is.
        libAPIWrapper::OpenOnDesktop(libFiles::FilePathStripFileName(archive), [archive] {
            Inform(QStringLiteral("No program could be started to show the backup zip. It is the file '") + archive
                       + QStringLiteral("'."),
                   QStringLiteral("Zip Program Failure"));
        });
    } else if (!OpenWithDesktopEntry(viewer, archive)) {
        Inform(QStringLiteral("The zip program on your system was unable to open the backup zip."),
               QStringLiteral("Zip Program Failure"));
    }
}

// --- Menus -------------------------------------------------------------------------------

template <typename Dialog>
Dialog* frmSchedule::showSingleDialog(QPointer<Dialog>& open)
{
    if (!open)
        open = new Dialog(this);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void frmSchedule::mnuFilePreferences_Click()
{
    showSingleDialog(m_preferences);
}

void frmSchedule::mnuFileClose_Click()
{
    close();
}

void frmSchedule::mnuFileExit_Click()
{
    emit exitRequested();
}

void frmSchedule::mnuActionViewTransactionLog_Click()
{
    libErrorHandler::Trap(Module, "mnuAcitonViewTransactionLog_Click()",
                          [&] { frmLogView::OpenLog(appSetup::TransactionLogPath()); });
}

void frmSchedule::mnuActionViewErrorLog_Click()
{
    libErrorHandler::Trap(Module, "mnuActionViewErrorLog_Click()",
                          [&] { frmLogView::OpenLog(appSetup::ErrorLogPath()); });
}

void frmSchedule::mnuHelpContents_Click()
{
    libErrorHandler::Trap(Module, "mnuHelpContents_Click()", [&] {
        const QString helpPage = appSetup::AppFile(QStringLiteral("Arkwell_Help.htm"));
        if (!libFiles::FileExists(helpPage)) {
            libForms::VerificationError(QStringLiteral("The target file '") + helpPage
                                            + QStringLiteral("' does not exist; operation has ")
                                            + QStringLiteral("been cancelled."), Icon::Exclamation);
            return;
        }
        const QString browser = libFiles::FindExecutable(helpPage);
        if (browser.isEmpty() || !OpenWithDesktopEntry(browser, helpPage))
            frmHelpView::ShowHelp(helpPage);
    });
}

void frmSchedule::mnuHelpLicense_Click()
{
    Inform(QStringLiteral("\r\nArkwell is released under the MIT License: you may use, copy, change and share "
                          "it freely, and it comes without any warranty. The full text is in the file LICENSE "
                          "that comes with the program.\r\n"),
           QStringLiteral("License Agreement"), Icon::None);
}

void frmSchedule::mnuHelpHomepage_Click()
{
    mnuHelpContents_Click();  // the program's pages are its local help
}

void frmSchedule::mnuHelpAbout_Click()
{
    connect(showSingleDialog(m_about), &frmAbout::HelpContents, this, &frmSchedule::mnuHelpContents_Click,
            Qt::UniqueConnection);
}
