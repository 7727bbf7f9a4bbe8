#include "schedule/JobListWindow.h"

#include "lib/Twips.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "shared/Pictures.h"
#include "dialogs/AboutBox.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/LogWindow.h"
#include "dialogs/PreferencesDialog.h"
#include "jobs/JobFile.h"
#include "jobs/JobStatus.h"
#include "restore/RestoreWindow.h"
#include "jobs/Targets.h"
#include "lib/Clock.h"
#include "lib/Desktop.h"
#include "lib/DateFormats.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/TransactionLog.h"
#include "lib/Text.h"
#include "lib/ChildProcess.h"
#include "wizard/JobWizard.h"

#include <QAction>
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
#include <QTreeWidget>
#include <QVBoxLayout>

using Messages::Answer;
using Messages::Buttons;
using Messages::Icon;
using Messages::Message;

namespace {

QString DateText(const QDate& date)
{
    return DateFormats::formatDate(date, QLocale::system());
}

// A row of the job list. Date and time columns sort by the day or time they show (a day
// with no next run after every real one); the other columns by their text.
class JobRow : public QTreeWidgetItem {
public:
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, JobListWindow::ValueRole);
        const QVariant theirs = other.data(column, JobListWindow::ValueRole);
        if (column == JobListWindow::ColNextRun || mine.isValid() || theirs.isValid()) {
            if (!mine.isValid() || !theirs.isValid())
                return mine.isValid() && !theirs.isValid();
            return QVariant::compare(mine, theirs) == QPartialOrdering::Less;
        }
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

void Inform(const QString& text, const QString& title, Icon icon = Icon::Exclamation)
{
    Messages::show(Message{text, title, Buttons::OK, icon, Answer::OK});
}

// Hands a file to the program of a desktop entry. False when it can't be started.
bool OpenWithDesktopEntry(const QString& desktopEntry, const QString& document)
{
    const QStringList command = Files::desktopEntryCommand(desktopEntry, document);
    return !command.isEmpty() && ChildProcess::startDetached(command.first(), command.mid(1));
}

}  // namespace

JobListWindow::JobListWindow(Agent& agent, QWidget* parent)
    : QMainWindow(parent), m_agent(agent)
{
    setObjectName(QStringLiteral("JobListWindow"));
    setWindowTitle(QStringLiteral("Scheduled Backup Jobs"));
    setWindowIcon(Pictures::appIcon());
    setMinimumSize(Twips::toPixels(6000), Twips::toPixels(4000));
    resize(Twips::toPixels(6360) + 200, Twips::toPixels(3945) + 120);

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
    connect(help, &QShortcut::activated, this, &JobListWindow::mnuHelpContents_Click);
    connect(&Jobs(), &JobTable::changed, this, &JobListWindow::showJobs);
    connect(&m_agent, &Agent::runStarted, this, [this] { showRunning(true); });
    connect(&m_agent, &Agent::progressChanged, this, &JobListWindow::showProgress);
    connect(&m_agent, &Agent::runsFinished, this, [this] { showRunning(false); });
    // The failure's box is shown from the event loop, never inside the agent's own call.
    connect(&m_agent, &Agent::failureToAnswer, this, &JobListWindow::offerTransactionLog, Qt::QueuedConnection);
    m_agent.setHeldWhile([this] { return HoldsRuns(); });
    restoreSize();
}

JobListWindow::~JobListWindow()
{
    if (isVisible())
        saveSize();
    delete m_preferences.data();
    delete m_about.data();
}

void JobListWindow::buildToolbar()
{
    fraToolbar = new QFrame(this);
    fraToolbar->setObjectName(QStringLiteral("fraToolbar"));
    fraToolbar->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(fraToolbar);
    const int margin = Twips::toPixels(60);
    row->setContentsMargins(margin, margin, margin, margin);
    row->setSpacing(1);
    const auto button = [this, row](QToolButton*& member, const char* name, const QString& caption,
                                     const QString& tip, QStyle::StandardPixmap picture, void (JobListWindow::*handler)()) {
        member = new QToolButton(fraToolbar);
        member->setObjectName(QString::fromLatin1(name));
        member->setText(caption);
        member->setToolTip(tip);
        member->setIcon(style()->standardIcon(picture));
        member->setIconSize(QSize(24, 24));
        member->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        member->setFixedSize(Twips::toPixels(855), Twips::toPixels(855));
        member->setAutoRaise(true);
        connect(member, &QToolButton::clicked, this, handler);
        row->addWidget(member);
    };
    button(cmdAddJob, "cmdAddJob", QStringLiteral("&New"), QStringLiteral("New Backup Job"),
           QStyle::SP_FileIcon, &JobListWindow::cmdAddJob_Click);
    button(cmdDelJob, "cmdDelJob", QStringLiteral("&Remove"), QStringLiteral("Remove Backup Job"),
           QStyle::SP_TrashIcon, &JobListWindow::cmdDelJob_Click);
    button(cmdEditJob, "cmdEditJob", QStringLiteral("&Open"), QStringLiteral("Open Backup Job"),
           QStyle::SP_DialogOpenButton, &JobListWindow::cmdEditJob_Click);
    button(cmdBackup, "cmdBackup", QStringLiteral("&Backup"), QStringLiteral("Execute Backup Job Now"),
           QStyle::SP_MediaPlay, &JobListWindow::cmdBackup_Click);
    button(cmdView, "cmdView", QStringLiteral("&View"), QStringLiteral("View Backup Zip File"),
           QStyle::SP_FileDialogContentsView, &JobListWindow::cmdView_Click);
    button(cmdRestore, "cmdRestore", QStringLiteral("Res&tore"), QStringLiteral("Restore Files From a Backup"),
           QStyle::SP_BrowserReload, &JobListWindow::cmdRestore_Click);
    row->addStretch(1);
}

void JobListWindow::buildList()
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
    connect(lvwSchedule->header(), &QHeaderView::sectionClicked, this, &JobListWindow::lvwSchedule_ColumnClick);
    connect(lvwSchedule, &QTreeWidget::itemDoubleClicked, this, &JobListWindow::lvwSchedule_DblClick);
}

void JobListWindow::buildStatusBar()
{
    sbarSchedule = statusBar();
    sbarSchedule->setObjectName(QStringLiteral("sbarSchedule"));
    pnlNbrBackupJobs = new QLabel(QStringLiteral("X Backup Jobs"), sbarSchedule);
    pnlNbrBackupJobs->setObjectName(QStringLiteral("NbrBackupJobs"));
    pnlNbrBackupJobs->setMinimumWidth(Twips::toPixels(1440));
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
    picLight->setFixedSize(Twips::toPixels(410), Twips::toPixels(195));
    const QColor colours[] = {QColor(0, 230, 0), QColor(0, 90, 0), QColor(240, 0, 0), QColor(100, 0, 0)};
    const QString idle = QStringLiteral("Ready: no backup job is running");
    const QString busy = QStringLiteral("A backup job is running");
    const QString tips[] = {idle, busy, busy, idle};
    for (int index = 0; index < 4; ++index) {
        QLabel* lamp = new QLabel(picLight);
        lamp->setObjectName(QStringLiteral("imgLight%1").arg(index));
        lamp->setPixmap(Pictures::lamp(colours[index]));
        lamp->setGeometry(index < 2 ? 0 : Twips::toPixels(210), 0, Twips::toPixels(180),
                          Twips::toPixels(195));
        lamp->setVisible(index == 0 || index == 3);
        lamp->setToolTip(tips[index]);
        imgLight[index] = lamp;
    }
    sbarSchedule->addPermanentWidget(picLight);
}

void JobListWindow::buildMenus()
{
    const auto menu = [this](QMenu*& member, const char* name, const QString& caption) {
        member = menuBar()->addMenu(caption);
        member->setObjectName(QString::fromLatin1(name));
        member->menuAction()->setObjectName(QString::fromLatin1(name));
    };
    const auto item = [this](QMenu* parent, QAction*& member, const char* name, const QString& caption,
                             void (JobListWindow::*handler)()) {
        member = parent->addAction(caption);
        member->setObjectName(QString::fromLatin1(name));
        connect(member, &QAction::triggered, this, handler);
    };
    menu(mnuFile, "mnuFile", QStringLiteral("&File"));
    item(mnuFile, mnuFilePreferences, "mnuFilePreferences", QStringLiteral("Preferences"),
         &JobListWindow::mnuFilePreferences_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("SlashFile1"));
    item(mnuFile, mnuFileClose, "mnuFileClose", QStringLiteral("Close"), &JobListWindow::mnuFileClose_Click);
    item(mnuFile, mnuFileExit, "mnuFileExit", QStringLiteral("Exit Arkwell"), &JobListWindow::mnuFileExit_Click);

    menu(mnuAction, "mnuAction", QStringLiteral("&Action"));
    item(mnuAction, mnuActionAdd, "mnuActionAdd", QStringLiteral("&New Backup Job"), &JobListWindow::cmdAddJob_Click);
    item(mnuAction, mnuActionDelete, "mnuActionDelete", QStringLiteral("&Remove Backup Job"),
         &JobListWindow::cmdDelJob_Click);
    item(mnuAction, mnuActionEdit, "mnuActionEdit", QStringLiteral("&Open Backup Job"), &JobListWindow::cmdEditJob_Click);
    mnuAction->addSeparator()->setObjectName(QStringLiteral("SlashAction1"));
    item(mnuAction, mnuActionRun, "mnuActionRun", QStringLiteral("Run &Backup Job Now"), &JobListWindow::cmdBackup_Click);
    item(mnuAction, mnuActionStop, "mnuActionStop", QStringLiteral("&Stop Backup Job"),
         &JobListWindow::mnuActionStop_Click);
    mnuActionStop->setEnabled(false);
    item(mnuAction, mnuActionViewZip, "mnuActionViewZip", QStringLiteral("&View Zip File"), &JobListWindow::cmdView_Click);
    item(mnuAction, mnuActionRestore, "mnuActionRestore", QStringLiteral("Res&tore Files..."), &JobListWindow::cmdRestore_Click);
    lvwSchedule->setContextMenuPolicy(Qt::ActionsContextMenu);  // the row menu
    lvwSchedule->addActions({mnuActionEdit, mnuActionRun, mnuActionRestore});
    mnuAction->addSeparator()->setObjectName(QStringLiteral("SlashAction2"));
    item(mnuAction, mnuActionViewTransactionLog, "mnuActionViewTransactionLog",
         QStringLiteral("View &Transaction Log File"), &JobListWindow::mnuActionViewTransactionLog_Click);
    item(mnuAction, mnuActionViewErrorLog, "mnuActionViewErrorLog", QStringLiteral("View &Error Log File"),
         &JobListWindow::mnuActionViewErrorLog_Click);

    menu(mnuHelp, "mnuHelp", QStringLiteral("&Help"));
    item(mnuHelp, mnuHelpContents, "mnuHelpContents", QStringLiteral("Contents"), &JobListWindow::mnuHelpContents_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("SlashHelp1"));
    item(mnuHelp, mnuHelpLicense, "mnuHelpLicense", QStringLiteral("License Agreement"),
         &JobListWindow::mnuHelpLicense_Click);
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("SlashHelp2"));
    item(mnuHelp, mnuHelpHomepage, "mnuHelpHomepage", QStringLiteral("Arkwell Homepage"),
         &JobListWindow::mnuHelpHomepage_Click);
    item(mnuHelp, mnuHelpAbout, "mnuHelpAbout", QStringLiteral("About"), &JobListWindow::mnuHelpAbout_Click);
}

// --- The list -------------------------------------------------------------------------

void JobListWindow::AddItemListView(const QString& sBackupName, const QDateTime& dDateLastRun,
                                  const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                                  const QString& sBackupFilename)
{
    if (FindItemByKey(QLatin1Char('_') + sBackupName))
        return;  // a name is listed once
    auto* item = new JobRow;
    SetItemListView(item, sBackupName, dDateLastRun, dDateNextRun, dStartTime, bCompressed, sBackupFilename);
    lvwSchedule->addTopLevelItem(item);
    m_rows.insert(QLatin1Char('_') + sBackupName, item);
    StatusBarCount(lvwSchedule->topLevelItemCount());
}

void JobListWindow::SetItemListView(QTreeWidgetItem* item, const QString& sBackupName, const QDateTime& dDateLastRun,
                                  const std::optional<QDate>& dDateNextRun, const QTime& dStartTime, bool bCompressed,
                                  const QString& sBackupFilename)
{
    item->setText(ColName, sBackupName);
    item->setData(ColName, KeyRole, QString(QLatin1Char('_') + sBackupName));
    item->setIcon(ColName, Pictures::jobIcon(bCompressed));
    item->setText(ColLastRun, DateText(dDateLastRun.date()));
    item->setData(ColLastRun, ValueRole, dDateLastRun.date());
    item->setText(ColNextRun, dDateNextRun ? DateText(*dDateNextRun) : NoNextRunText);
    item->setData(ColNextRun, ValueRole, dDateNextRun ? QVariant(*dDateNextRun) : QVariant());
    item->setText(ColStartTime, DateFormats::formatShortTime(dStartTime));
    item->setData(ColStartTime, ValueRole, dStartTime);
    item->setText(ColCompressed, bCompressed ? QStringLiteral("True") : QStringLiteral("False"));
    item->setText(ColJobFile, sBackupFilename);
}

void JobListWindow::DeleteItemListView(int iIndexNumber)
{
    if (iIndexNumber < 1 || iIndexNumber > lvwSchedule->topLevelItemCount())
        return;
    QTreeWidgetItem* row = lvwSchedule->takeTopLevelItem(iIndexNumber - 1);
    m_rows.remove(row->data(ColName, KeyRole).toString());
    delete row;
    StatusBarCount(lvwSchedule->topLevelItemCount());
}

QTreeWidgetItem* JobListWindow::FindItemByKey(const QString& sKey) const
{
    return m_rows.value(sKey);
}

// Brings the rows in line with the table: rows of jobs gone are removed, the others
// rewritten in place, new jobs appended at the end.
void JobListWindow::showJobs()
{
    for (int index = lvwSchedule->topLevelItemCount(); index >= 1; --index)
        if (!Jobs().contains(lvwSchedule->topLevelItem(index - 1)->text(ColName)))
            DeleteItemListView(index);
    for (const QString& name : Jobs().names()) {
        const Job& job = *Jobs().job(name);
        if (QTreeWidgetItem* row = FindItemByKey(QLatin1Char('_') + name))
            SetItemListView(row, name, job.lastRun(), job.nextRunDate(), job.startTime(), job.compress(),
                            Jobs().jobFile(name));
        else
            AddItemListView(name, job.lastRun(), job.nextRunDate(), job.startTime(), job.compress(),
                            Jobs().jobFile(name));
        showResult(FindItemByKey(QLatin1Char('_') + name), name);
    }
    StatusBarCount(lvwSchedule->topLevelItemCount());
    fitColumns();
    emit statusChanged();
}

// The row's last result with its time, or the running run's progress; a job that failed, was
// incomplete or is overdue is marked; the tooltip holds the log lines of its last run.
void JobListWindow::showResult(QTreeWidgetItem* row, const QString& name)
{
    const RunRecord record = Jobs().record(name);
    const QDateTime now = Clock::now();
    const Job& job = *Jobs().job(name);
    QString text = JobStatus::resultWord(job, record, now);
    if (name == RunningJob())
        text = QStringLiteral("running: ") + m_progressText;
    else if (!text.isEmpty() && record.ended.isValid())
        text += QLatin1Char(' ') + QLocale::system().toString(record.ended, QLocale::ShortFormat);
    row->setText(ColLastResult, text);
    row->setText(ColLastRun, JobStatus::lastRunText(record));
    row->setData(ColLastRun, ValueRole, record.started.date());
    row->setIcon(ColLastResult, name != RunningJob() && JobStatus::needsAttention(job, record, now)
                                    ? style()->standardIcon(QStyle::SP_MessageBoxWarning)
                                    : QIcon());
    const QString overdue = JobStatus::overdue(job, record, now)
                                ? QStringLiteral("No completed run for more than twice the job's interval.\n")
                                : QString();
    const QString lines = record.logLines.join(QLatin1Char('\n'));
    for (int column = 0; column < lvwSchedule->columnCount(); ++column)
        row->setToolTip(column, overdue + lines);
}

// Every shown column as wide as its widest text, in any language; the user can still resize them.
void JobListWindow::fitColumns()
{
    for (int column = ColName; column < lvwSchedule->columnCount(); ++column)
        if (!lvwSchedule->isColumnHidden(column))
            lvwSchedule->resizeColumnToContents(column);
}

void JobListWindow::lvwSchedule_ColumnClick(int column)
{
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    lvwSchedule->header()->setSortIndicator(column, m_sortOrder);
    lvwSchedule->sortItems(column, m_sortOrder);
}

void JobListWindow::lvwSchedule_DblClick()
{
    cmdEditJob_Click();
}

// --- Status bar, lamps, lifetime ---------------------------------------------------------

// The run's status text and progress; outside a run both are cleared.
void JobListWindow::showProgress()
{
    const RunProgress progress = m_agent.runner().progress();
    const QLocale locale = QLocale::system();
    const QString files = progress.files > progress.filesDone
                              ? locale.toString(progress.filesDone) + QStringLiteral(" of ") + locale.toString(progress.files)
                              : locale.toString(progress.filesDone);
    m_progressText = progress.entries == 0 || RunningJob().isEmpty()
                         ? QString()
                         : QStringLiteral("entry %1 of %2, %3 files done: '%4'")
                               .arg(progress.entriesDone + 1)
                               .arg(progress.entries)
                               .arg(files, progress.current);
    pnlStatusBar->setText(RunningJob().isEmpty() ? QString() : m_agent.runner().statusText());
    pnlProgress->setText(m_progressText);
    if (QTreeWidgetItem* row = FindItemByKey(QLatin1Char('_') + RunningJob()))
        showResult(row, RunningJob());
    fitColumns();
    emit statusChanged();
}

// While runs are under way the lamps show red and the commands that would start another run
// or change the jobs are shut off.
void JobListWindow::showRunning(bool running)
{
    for (int index = 0; index < 4; ++index)
        imgLight.at(index)->setVisible((index == 1 || index == 2) == running);
    lockCommandsForRun(running);
    showProgress();
}

void JobListWindow::KillForm(bool vVar)
{
    m_killForm = vVar;
}

void JobListWindow::StatusBarCount(int vNewValue)
{
    pnlNbrBackupJobs->setText(QString::number(vNewValue) + QStringLiteral(" Backup Jobs"));
}

// The window's size is kept in a small file in the data folder, written whole.
static QSettings windowSettings()
{
    return QSettings(AppPaths::dataFile(QStringLiteral("window.ini")), QSettings::IniFormat);
}
static const QString SizeKey = QStringLiteral("JobList/size");

void JobListWindow::restoreSize()
{
    const QSize size = windowSettings().value(SizeKey).toSize();
    if (size.isValid())
        resize(size.expandedTo(minimumSize()));
}

void JobListWindow::saveSize() const
{
    windowSettings().setValue(SizeKey, size());
}

void JobListWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    Form_Activate();
}

void JobListWindow::Form_Activate()
{
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;
    StatusBarCount(lvwSchedule->topLevelItemCount());
    if (QTreeWidgetItem* first = lvwSchedule->topLevelItem(0))
        lvwSchedule->setCurrentItem(first);
}

void JobListWindow::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window; the program goes on in the tray. Only the program's
    // end (KillForm) lets the window go for good.
    event->accept();
    saveSize();
    if (!m_killForm)
        emit closedByUser();
}

// --- Job commands ------------------------------------------------------------------------

QStringList JobListWindow::selectedNames() const
{
    QStringList names;
    for (int index = 0; index < lvwSchedule->topLevelItemCount(); ++index)
        if (lvwSchedule->topLevelItem(index)->isSelected())
            names << lvwSchedule->topLevelItem(index)->text(ColName);
    return names;
}

QString JobListWindow::currentName() const
{
    return lvwSchedule->currentItem() ? lvwSchedule->currentItem()->text(ColName) : QString();
}

bool JobListWindow::selectionChecksPass()
{
    if (lvwSchedule->topLevelItemCount() == 0) {
        Messages::verificationError(
            QStringLiteral("You must first add and then select a backup job before clicking this button."),
            Icon::Information);
        return false;
    }
    const QTreeWidgetItem* current = lvwSchedule->currentItem();
    if (!current || !current->isSelected()) {
        Messages::verificationError(
            QStringLiteral("You must first select a backup job before clicking this button."), Icon::Information);
        return false;
    }
    return true;
}

// Loads a listed job from its file. A job file that went missing or was damaged since it
// was listed is told to the user and the transaction log; the program goes on.
bool JobListWindow::openJob(const QString& name, Job& job)
{
    Result<Job> read = JobFile::read(Jobs().jobFile(name));
    if (read) {
        job = std::move(read).value();
        return true;
    }
    const QString text = QStringLiteral("The job file of Backup Job '%1' can't be read: %2").arg(name, read.reason());
    TransactionLog::append(text);
    Messages::verificationError(text, Icon::Exclamation);
    return false;
}

void JobListWindow::cmdAddJob_Click()
{
    showWizard(true);
    repaint();
}

void JobListWindow::cmdEditJob_Click()
{
    Job job;  // a job file gone or damaged since start-up is told, not fatal
    if (selectionChecksPass() && openJob(currentName(), job))
        showWizard(false);
}

// The wizard is modal to this window; the scheduler holds while it is open.
void JobListWindow::showWizard(bool bAddJob)
{
    auto* wizard = new JobWizard(Jobs(), bAddJob ? QString() : currentName(), this);
    connect(wizard, &JobWizard::helpRequested, this, &JobListWindow::mnuHelpContents_Click);
    connect(wizard, &QObject::destroyed, this, [this] {
        activateWindow();
        setFocus();
    });
    m_wizard = wizard;
    wizard->show();
}

void JobListWindow::cmdDelJob_Click()
{
    const QStringList names = selectedNames();
    if (!selectionChecksPass())
        return;
    const Answer answer = Messages::show(Message{
        QStringLiteral("Are you sure you want to delete this Backup Job?"), QStringLiteral("Remove Confirmation"),
        Buttons::YesNoCancel, Icon::None, Answer::No});
    if (answer != Answer::Yes)
        return;
    for (const QString& name : names)
        Jobs().remove(name);
    repaint();
}

void JobListWindow::cmdBackup_Click()
{
    if (!m_agent.busy() && selectionChecksPass())
        RunJobs(selectedNames());
}

void JobListWindow::RunJobs(const QStringList& names)
{
    m_agent.runNow(names);
}

// A run shuts off the commands that would start another run or change the jobs; Stop, Exit
// Arkwell, the logs, help and the dialogs (windows of their own) stay usable.
void JobListWindow::lockCommandsForRun(bool running)
{
    centralWidget()->setEnabled(!running);
    for (QAction* command : {mnuActionAdd, mnuActionDelete, mnuActionEdit, mnuActionRun, mnuActionViewZip})
        command->setEnabled(!running);
    mnuActionStop->setEnabled(running);
}

bool JobListWindow::HoldsRuns() const
{
    const auto shown = [](const QWidget* window) { return window && window->isVisible(); };
    return shown(m_wizard) || shown(m_preferences) || shown(m_about);
}

void JobListWindow::mnuActionStop_Click()
{
    m_agent.stop();
}

// The failure message of a run with "Stop Auto Backups" on; the agent starts nothing until it
// is answered. Yes opens the transaction log and skips the jobs still to come.
void JobListWindow::offerTransactionLog(const RunReport& report)
{
    if (!m_agent.waitingForAnswer())  // stopped meanwhile
        return;
    const QString logPath = AppPaths::transactionLogPath();
    const QString text = QStringLiteral("Backup Job '") + report.request.name + QStringLiteral("' has failed.\r\n\r\n")
                         + QStringLiteral("See transaction log for details: '") + logPath + QStringLiteral("'\r\n\r\n")
                         + tr("Open the transaction log now?");
    const Answer answer = Messages::show(
        Message{text, QStringLiteral("Backup Error"), Buttons::YesNoCancel, Icon::Exclamation, Answer::No});
    if (answer == Answer::Yes)
        LogWindow::openLog(logPath);
    m_agent.answerFailure(answer == Answer::Yes);
}

void JobListWindow::cmdView_Click()
{
    if (!selectionChecksPass())
        return;
    Job job;
    if (!openJob(currentName(), job))
        return;
    if (!job.compress()) {
        Inform(QStringLiteral("This Backup Job does not use compression, thus there is no ")
                   + QStringLiteral("zip file to view."),
               QStringLiteral("Information"), Icon::Information);
        return;
    }
    if (const std::optional<QString> archive = existingArchive(job))
        openArchive(*archive);
    else
        Messages::verificationError(QStringLiteral("The file '") + job.targetDirectory()
                                        + Text::cleanedName(job.name())
                                        + QStringLiteral("' does not exist."), Icon::Exclamation);
}

void JobListWindow::cmdRestore_Click()
{
    if (selectionChecksPass())
        RestoreWindow::showFor(Jobs(), currentName(), this);
}

// The newest archive of the job that exists: the current one, else the most recent kept copy.
std::optional<QString> JobListWindow::existingArchive(const Job& job) const
{
    for (int copy = 0; copy <= Preferences::maxBackupCopies; ++copy) {
        const QString candidate = job.archivePath(copy);
        if (Files::fileExists(candidate))
            return candidate;
    }
    return std::nullopt;
}

void JobListWindow::openArchive(const QString& archive)
{
    const QString viewer = Files::openerOf(archive);
    if (viewer.isEmpty() || !Files::fileExists(viewer)) {
        const QString question =
            QStringLiteral("You do not have a recognizable zip program currently ")
            + QStringLiteral("installed.  You can review the Help documentation for some possible ")
            + QStringLiteral("zip management tools that you can install (e.g.: File Roller or Ark).")
            + QStringLiteral("\r\n\r\n") + QStringLiteral("If you are sure that a zip utility exists, click ")
            + QStringLiteral("Yes to override.");
        if (Messages::show(Message{question, QStringLiteral("No Zip Program Installed"), Buttons::YesNo, Icon::None,
                                     Answer::No})
            != Answer::Yes)
            return;
        // The file manager, on the folder that holds the archive; without one the user is
        // told where the archive is.
        Desktop::open(Files::folderPart(archive), [archive] {
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
Dialog* JobListWindow::showSingleDialog(QPointer<Dialog>& open)
{
    if (!open)
        open = new Dialog(this);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void JobListWindow::mnuFilePreferences_Click()
{
    showSingleDialog(m_preferences);
}

void JobListWindow::mnuFileClose_Click()
{
    close();
}

void JobListWindow::mnuFileExit_Click()
{
    emit exitRequested();
}

void JobListWindow::mnuActionViewTransactionLog_Click()
{
    LogWindow::openLog(AppPaths::transactionLogPath());
}

void JobListWindow::mnuActionViewErrorLog_Click()
{
    LogWindow::openLog(AppPaths::errorLogPath());
}

void JobListWindow::mnuHelpContents_Click()
{
    const QString helpPage = AppPaths::appFile(QStringLiteral("Arkwell_Help.htm"));
    if (!Files::fileExists(helpPage)) {
        Messages::verificationError(QStringLiteral("The target file '") + helpPage
                                        + QStringLiteral("' does not exist; operation has ")
                                        + QStringLiteral("been cancelled."), Icon::Exclamation);
        return;
    }
    const QString browser = Files::openerOf(helpPage);
    if (browser.isEmpty() || !OpenWithDesktopEntry(browser, helpPage))
        HelpWindow::showHelp(helpPage);
}

void JobListWindow::mnuHelpLicense_Click()
{
    Inform(QStringLiteral("\r\nArkwell is released under the MIT License: you may use, copy, change and share "
                          "it freely, and it comes without any warranty. The full text is in the file LICENSE "
                          "that comes with the program.\r\n"),
           QStringLiteral("License Agreement"), Icon::None);
}

void JobListWindow::mnuHelpHomepage_Click()
{
    mnuHelpContents_Click();  // the program's pages are its local help
}

void JobListWindow::mnuHelpAbout_Click()
{
    connect(showSingleDialog(m_about), &AboutBox::helpRequested, this, &JobListWindow::mnuHelpContents_Click,
            Qt::UniqueConnection);
}
