#include "schedule/JobListWindow.h"

#include "dialogs/AboutBox.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/LogWindow.h"
#include "dialogs/PreferencesDialog.h"
#include "jobs/Job.h"
#include "jobs/JobFile.h"
#include "jobs/JobStatus.h"
#include "jobs/Targets.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/ChildProcess.h"
#include "lib/Clock.h"
#include "lib/Desktop.h"
#include "lib/DateFormats.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/TransactionLog.h"
#include "lib/Text.h"
#include "restore/RestoreWindow.h"
#include "shared/Pictures.h"
#include "wizard/JobWizard.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

using Messages::Answer;
using Messages::Buttons;
using Messages::Icon;
using Messages::Message;

namespace {

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

} // namespace

JobListWindow::JobListWindow(Agent& agent, QWidget* parent)
    : QMainWindow(parent)
    , m_agent(agent)
    , m_model(agent)
{
    setObjectName(QStringLiteral("JobListWindow"));
    setWindowTitle(tr("Scheduled Backup Jobs"));
    setWindowIcon(Pictures::appIcon());
    setMinimumSize(400, 266);
    resize(624, 383);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildToolbar();
    buildList();
    layout->addWidget(m_toolbar);
    layout->addWidget(m_view, 1);
    buildStatusBar();
    buildMenus();

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &JobListWindow::showHelp);
    connect(&m_model, &JobListModel::statusChanged, this, &JobListWindow::showProgress);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        showJobCount();
        fitColumns();
    });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &JobListWindow::showJobCount);
    connect(&m_agent, &Agent::runStarted, this, &JobListWindow::showProgress);
    connect(&m_agent, &Agent::runsFinished, this, &JobListWindow::showProgress);
    connect(&m_agent, &Agent::runsFinished, this, &JobListWindow::fitColumns);  // the results are new
    // The failure's box is shown from the event loop, never inside the agent's own call.
    connect(&m_agent, &Agent::failureToAnswer, this, &JobListWindow::offerTransactionLog, Qt::QueuedConnection);
    m_agent.setHeldWhile([this] { return holdsRuns(); });
    showJobCount();
    fitColumns();
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
    m_toolbar = new QFrame(this);
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(m_toolbar);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(1);
    int made = 0;
    const auto button = [this, row, &made](const char* name, const QString& caption, const QString& tip,
                            QStyle::StandardPixmap picture, void (JobListWindow::*handler)()) {
        auto* button = new QToolButton(m_toolbar);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setToolTip(tip);
        button->setIcon(style()->standardIcon(picture));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setFixedSize(57, 57);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, handler);
        row->addWidget(button);
        m_buttons.at(size_t(made++)) = button;
    };
    button("newJobButton", tr("&New"), tr("New Backup Job"), QStyle::SP_FileIcon, &JobListWindow::addJob);
    button("removeJobButton", tr("&Remove"), tr("Remove Backup Job"), QStyle::SP_TrashIcon, &JobListWindow::removeJobs);
    button("openJobButton", tr("&Open"), tr("Open Backup Job"), QStyle::SP_DialogOpenButton, &JobListWindow::editJob);
    button("runJobButton", tr("&Backup"), tr("Execute Backup Job Now"), QStyle::SP_MediaPlay,
        &JobListWindow::runSelectedJobs);
    button("viewZipButton", tr("&View"), tr("View Backup Zip File"), QStyle::SP_FileDialogContentsView,
        &JobListWindow::viewZip);
    button("restoreButton", tr("Res&tore"), tr("Restore Files From a Backup"), QStyle::SP_BrowserReload,
        &JobListWindow::restoreFiles);
    row->addStretch(1);
}

namespace {

// The picture of a job's kind before its name, and a warning beside a result that needs the
// user's attention; the model tells which, the view draws them.
class JobListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        QIcon icon;
        if (index.column() == JobListModel::Name)
            icon = Pictures::jobIcon(index.data(JobListModel::CompressedRole).toBool());
        else if (index.column() == JobListModel::LastResult
            && JobListModel::State(index.data(JobListModel::StateRole).toInt()) == JobListModel::State::Attention)
            icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (icon.isNull())
            return;
        option->icon = icon;
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
};

} // namespace

void JobListWindow::buildList()
{
    m_sorted.setSourceModel(&m_model);
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("jobList"));
    m_view->setModel(&m_sorted);
    m_view->setItemDelegate(new JobListDelegate(m_view));
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = m_view->header();
    header->moveSection(JobListModel::LastResult, JobListModel::NextRun);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    m_view->setColumnHidden(JobListModel::Compressed, true);
    m_view->setColumnHidden(JobListModel::JobFile, true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, m_sortOrder);
    connect(header, &QHeaderView::sectionClicked, this, &JobListWindow::sortByColumn);
    // A double click opens the job, as Open does; not during a run, which shuts Open off.
    connect(m_view, &QTreeView::doubleClicked, this, [this] {
        if (!m_agent.busy())
            editJob();
    });
}

void JobListWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    m_jobCount = new QLabel(bar);
    m_jobCount->setObjectName(QStringLiteral("jobCount"));
    m_jobCount->setMinimumWidth(96);
    m_runStatus = new QLabel(bar);
    m_runStatus->setObjectName(QStringLiteral("runStatus"));
    m_runProgress = new QLabel(bar);
    m_runProgress->setObjectName(QStringLiteral("runProgress"));
    bar->addWidget(m_jobCount);
    bar->addWidget(m_runStatus, 1);
    bar->addWidget(m_runProgress);

    // Two lamps side by side, each a lit and a dark picture on one spot: green lit and red
    // dark at rest.
    auto* lamps = new QWidget(bar);
    lamps->setObjectName(QStringLiteral("lamps"));
    lamps->setFixedSize(27, 13);
    const QColor colours[] = {QColor(0, 230, 0), QColor(0, 90, 0), QColor(240, 0, 0), QColor(100, 0, 0)};
    const QString idle = tr("Ready: no backup job is running");
    const QString busy = tr("A backup job is running");
    const QString tips[] = {idle, busy, busy, idle};
    for (int index = 0; index < 4; ++index) {
        QLabel* lamp = new QLabel(lamps);
        lamp->setObjectName(QStringLiteral("lamp%1").arg(index));
        lamp->setPixmap(Pictures::lamp(colours[index]));
        lamp->setGeometry(index < 2 ? 0 : 14, 0, 12, 13);
        lamp->setVisible(index == 0 || index == 3);
        lamp->setToolTip(tips[index]);
        m_lamps.at(size_t(index)) = lamp;
    }
    bar->addPermanentWidget(lamps);
}

void JobListWindow::buildMenus()
{
    const auto menu = [this](const char* name, const QString& caption) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    const auto item = [this](QMenu* parent, const char* name, const QString& caption, auto handler) {
        QAction* action = parent->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_fileMenu = menu("fileMenu", tr("&File"));
    item(m_fileMenu, "preferencesAction", tr("Preferences"), &JobListWindow::showPreferences);
    m_fileMenu->addSeparator();
    item(m_fileMenu, "closeAction", tr("Close"), &JobListWindow::close);
    item(m_fileMenu, "exitAction", tr("Exit Arkwell"), &JobListWindow::exitRequested);

    m_actionMenu = menu("actionMenu", tr("&Action"));
    QAction* add = item(m_actionMenu, "newJobAction", tr("&New Backup Job"), &JobListWindow::addJob);
    QAction* remove = item(m_actionMenu, "removeJobAction", tr("&Remove Backup Job"), &JobListWindow::removeJobs);
    QAction* open = item(m_actionMenu, "openJobAction", tr("&Open Backup Job"), &JobListWindow::editJob);
    m_actionMenu->addSeparator();
    QAction* run = item(m_actionMenu, "runJobAction", tr("Run &Backup Job Now"), &JobListWindow::runSelectedJobs);
    m_stopAction = item(m_actionMenu, "stopAction", tr("&Stop Backup Job"), &JobListWindow::stopRun);
    m_stopAction->setEnabled(false);
    QAction* viewZip = item(m_actionMenu, "viewZipAction", tr("&View Zip File"), &JobListWindow::viewZip);
    QAction* restore = item(m_actionMenu, "restoreAction", tr("Res&tore Files..."), &JobListWindow::restoreFiles);
    m_jobCommands = {add, remove, open, run, viewZip, restore};
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu); // the row menu
    m_view->addActions({open, run, restore});
    m_actionMenu->addSeparator();
    item(m_actionMenu, "transactionLogAction", tr("View &Transaction Log File"), &JobListWindow::showTransactionLog);
    item(m_actionMenu, "errorLogAction", tr("View &Error Log File"), &JobListWindow::showErrorLog);

    QMenu* help = menu("helpMenu", tr("&Help"));
    item(help, "helpContentsAction", tr("Contents"), &JobListWindow::showHelp);
    help->addSeparator();
    item(help, "licenseAction", tr("License Agreement"), &JobListWindow::showLicense);
    help->addSeparator();
    item(help, "homepageAction", tr("Arkwell Homepage"), &JobListWindow::showHelp); // the local help
    item(help, "aboutAction", tr("About"), &JobListWindow::showAbout);
}

// --- The list -------------------------------------------------------------------------

QModelIndex JobListWindow::indexOf(const QString& name, int column) const
{
    const int row = m_model.rowOf(name);
    return row < 0 ? QModelIndex() : m_sorted.mapFromSource(m_model.index(row, column));
}

// Every shown column as wide as its widest text, in any language; the user can still resize them.
void JobListWindow::fitColumns()
{
    for (int column = JobListModel::Name; column < JobListModel::ColumnCount; ++column)
        if (!m_view->isColumnHidden(column))
            m_view->resizeColumnToContents(column);
}

// Every header click flips the order, whichever column it is on; the first sorts descending.
void JobListWindow::sortByColumn(int column)
{
    m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_view->header()->setSortIndicator(column, m_sortOrder);
    m_sorted.sort(column, m_sortOrder);
}

// --- Status bar, lamps, lifetime ---------------------------------------------------------

// The run's status text and progress; outside a run both are cleared. The result column
// grows to show the progress whole. While runs are under way the lamps show red and the
// commands that would start another run or change the jobs are shut off.
void JobListWindow::showProgress()
{
    const bool busy = m_agent.busy();
    for (int index = 0; index < 4; ++index)
        m_lamps.at(size_t(index))->setVisible((index == 1 || index == 2) == busy);
    lockCommandsForRun(busy);
    const bool running = !runningJob().isEmpty();
    m_runStatus->setText(running ? m_agent.runner().statusText() : QString());
    m_runProgress->setText(m_model.progressText());
    const int wanted = m_view->sizeHintForIndex(indexOf(runningJob(), JobListModel::LastResult)).width();
    if (running && wanted > m_view->columnWidth(JobListModel::LastResult))
        m_view->setColumnWidth(JobListModel::LastResult, wanted);
    emit statusChanged();
}

void JobListWindow::closeForGood()
{
    m_closingForGood = true;
    close();
}

// "12 Backup Jobs", with no singular form.
void JobListWindow::showJobCount()
{
    m_jobCount->setText(tr("%1 Backup Jobs").arg(m_model.rowCount()));
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
    selectFirstRowOnce();
}

// The first showing selects the first row; later ones keep the user's selection.
void JobListWindow::selectFirstRowOnce()
{
    if (std::exchange(m_selectedFirstRow, true) || m_sorted.rowCount() == 0)
        return;
    m_view->selectionModel()->setCurrentIndex(
        m_sorted.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void JobListWindow::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window; the program goes on in the tray. Only the program's
    // end (closeForGood) lets the window go for good.
    event->accept();
    saveSize();
    if (!m_closingForGood)
        emit closedByUser();
}

// --- Job commands ------------------------------------------------------------------------

QStringList JobListWindow::selectedNames() const
{
    QStringList names;
    for (const QModelIndex& row : m_view->selectionModel()->selectedRows(JobListModel::Name))
        names << row.data().toString();
    return names;
}

QString JobListWindow::currentName() const
{
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.siblingAtColumn(JobListModel::Name).data().toString() : QString();
}

bool JobListWindow::selectionChecksPass()
{
    if (m_model.rowCount() == 0) {
        Messages::verificationError(
            tr("You must first add and then select a backup job before clicking this button."), Icon::Information);
        return false;
    }
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || !m_view->selectionModel()->isRowSelected(current.row(), {})) {
        Messages::verificationError(
            tr("You must first select a backup job before clicking this button."), Icon::Information);
        return false;
    }
    return true;
}

// Loads a listed job from its file. A job file that went missing or was damaged since it
// was listed is told to the user and the transaction log; the program goes on.
bool JobListWindow::openJob(const QString& name, Job& job)
{
    Result<Job> read = JobFile::read(jobs().jobFile(name));
    if (read) {
        job = std::move(read).value();
        return true;
    }
    const QString text = QStringLiteral("The job file of Backup Job '%1' can't be read: %2").arg(name, read.reason());
    TransactionLog::append(text);
    Messages::verificationError(text, Icon::Exclamation);
    return false;
}

void JobListWindow::addJob()
{
    showWizard(true);
}

void JobListWindow::editJob()
{
    Job job; // a job file gone or damaged since start-up is told, not fatal
    if (selectionChecksPass() && openJob(currentName(), job))
        showWizard(false);
}

// The wizard is modal to this window; the scheduler holds while it is open.
void JobListWindow::showWizard(bool newJob)
{
    auto* wizard = new JobWizard(jobs(), newJob ? QString() : currentName(), this);
    connect(wizard, &JobWizard::helpRequested, this, &JobListWindow::showHelp);
    connect(wizard, &QObject::destroyed, this, [this] {
        activateWindow();
        setFocus();
    });
    m_wizard = wizard;
    wizard->show();
}

void JobListWindow::removeJobs()
{
    const QStringList names = selectedNames();
    if (!selectionChecksPass())
        return;
    const Answer answer = Messages::show(Message{tr("Are you sure you want to delete this Backup Job?"),
        tr("Remove Confirmation"), Buttons::YesNoCancel, Icon::None, Answer::No});
    if (answer != Answer::Yes)
        return;
    for (const QString& name : names)
        jobs().remove(name);
}

void JobListWindow::runSelectedJobs()
{
    if (!m_agent.busy() && selectionChecksPass())
        runJobs(selectedNames());
}

void JobListWindow::runJobs(const QStringList& names)
{
    m_agent.runNow(names);
}

// A run shuts off the commands that would start another run or change the jobs; the list
// stays readable, and Stop, Exit Arkwell, the logs, help and the dialogs stay usable.
void JobListWindow::lockCommandsForRun(bool running)
{
    for (QToolButton* button : m_buttons)
        button->setEnabled(!running);
    for (QAction* command : m_jobCommands)
        command->setEnabled(!running);
    m_stopAction->setEnabled(running);
}

bool JobListWindow::holdsRuns() const
{
    const auto shown = [](const QWidget* window) { return window && window->isVisible(); };
    return shown(m_wizard) || shown(m_preferences) || shown(m_about);
}

void JobListWindow::stopRun()
{
    m_agent.stop();
}

// The failure message of a run with "Stop Auto Backups" on; the agent starts nothing until it
// is answered. Yes opens the transaction log and skips the jobs still to come.
void JobListWindow::offerTransactionLog(const RunReport& report)
{
    if (!m_agent.waitingForAnswer()) // stopped meanwhile
        return;
    const QString logPath = AppPaths::transactionLogPath();
    const QString text = tr("Backup Job '%1' has failed.\r\n\r\nSee transaction log for details: '%2'\r\n\r\n"
                            "Open the transaction log now?")
                             .arg(report.request.name, logPath);
    const Answer answer
        = Messages::show(Message{text, tr("Backup Error"), Buttons::YesNoCancel, Icon::Exclamation, Answer::No});
    if (answer == Answer::Yes)
        LogWindow::openLog(logPath);
    m_agent.answerFailure(answer == Answer::Yes);
}

void JobListWindow::viewZip()
{
    if (!selectionChecksPass())
        return;
    Job job;
    if (!openJob(currentName(), job))
        return;
    if (!job.compress()) {
        Inform(tr("This Backup Job does not use compression, thus there is no zip file to view."), tr("Information"),
            Icon::Information);
        return;
    }
    if (const std::optional<QString> archive = existingArchive(job))
        openArchive(*archive);
    else
        Messages::verificationError(
            tr("The file '%1' does not exist.").arg(job.targetDirectory() + Text::cleanedName(job.name())),
            Icon::Exclamation);
}

void JobListWindow::restoreFiles()
{
    if (selectionChecksPass())
        RestoreWindow::showFor(jobs(), currentName(), this);
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
        const QString question
            = tr("You do not have a recognizable zip program currently installed.  You can review the Help "
                 "documentation for some possible zip management tools that you can install (e.g.: File Roller or "
                 "Ark).\r\n\r\nIf you are sure that a zip utility exists, click Yes to override.");
        if (Messages::show(Message{question, tr("No Zip Program Installed"), Buttons::YesNo, Icon::None, Answer::No})
            != Answer::Yes)
            return;
        // The file manager, on the folder that holds the archive; without one the user is
        // told where the archive is.
        Desktop::open(Files::folderPart(archive), [archive] {
            Inform(tr("No program could be started to show the backup zip. It is the file '%1'.").arg(archive),
                tr("Zip Program Failure"));
        });
    } else if (!OpenWithDesktopEntry(viewer, archive)) {
        Inform(tr("The zip program on your system was unable to open the backup zip."), tr("Zip Program Failure"));
    }
}

// --- Menus -------------------------------------------------------------------------------

template <typename Dialog> Dialog* JobListWindow::showSingleDialog(QPointer<Dialog>& open)
{
    if (!open)
        open = new Dialog(this);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void JobListWindow::showPreferences()
{
    showSingleDialog(m_preferences);
}

void JobListWindow::showTransactionLog()
{
    LogWindow::openLog(AppPaths::transactionLogPath());
}

void JobListWindow::showErrorLog()
{
    LogWindow::openLog(AppPaths::errorLogPath());
}

void JobListWindow::showHelp()
{
    const QString helpPage = AppPaths::appFile(QStringLiteral("Arkwell_Help.htm"));
    if (!Files::fileExists(helpPage)) {
        Messages::verificationError(
            tr("The target file '%1' does not exist; operation has been cancelled.").arg(helpPage), Icon::Exclamation);
        return;
    }
    const QString browser = Files::openerOf(helpPage);
    if (browser.isEmpty() || !OpenWithDesktopEntry(browser, helpPage))
        HelpWindow::showHelp(helpPage);
}

void JobListWindow::showLicense()
{
    Inform(tr("\r\nArkwell is released under the MIT License: you may use, copy, change and share it freely, and it "
              "comes without any warranty. The full text is in the file LICENSE that comes with the program.\r\n"),
        tr("License Agreement"), Icon::None);
}

void JobListWindow::showAbout()
{
    connect(showSingleDialog(m_about), &AboutBox::helpRequested, this, &JobListWindow::showHelp, Qt::UniqueConnection);
}
