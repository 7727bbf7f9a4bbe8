#include "restore/RestoreWindow.h"

#include "dialogs/FolderBrowser.h"
#include "jobs/JobLock.h"
#include "jobs/JobTable.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "shared/FitOnScreen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

using Messages::Answer;
using Messages::Buttons;
using Messages::Icon;
using Messages::Message;

namespace {

constexpr int PathRole = Qt::UserRole; // the tree item's original path (bytes)
constexpr int CopyRole = Qt::UserRole; // the backup row's copy number
constexpr int FileRole = Qt::UserRole + 1; // whether the tree item is a file or link (has versions)
constexpr int ProgressSteps = 1000;

QString when(const QDateTime& moment)
{
    return QLocale::system().toString(moment.toLocalTime(), QLocale::ShortFormat);
}

QString byteCount(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes);
}

QString backupName(const KeptBackup& backup)
{
    return QFileInfo(backup.path).fileName();
}

QTreeWidget* newList(QWidget* parent, const char* name, const QStringList& headers)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    return list;
}

QPushButton* newButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

RestoreWindow* RestoreWindow::showFor(const JobTable& jobs, const QString& name, QWidget* parent)
{
    const Job* job = jobs.job(name);
    if (!job)
        return nullptr;
    auto* window
        = new RestoreWindow(*job, KeptBackups::list(*job, jobs.record(name), Preferences::maxBackupCopies), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

RestoreWindow::RestoreWindow(Job job, std::vector<KeptBackup> backups, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_job(std::move(job))
    , m_backups(std::move(backups))
    , m_finder(m_job, m_backups)
{
    setObjectName(QStringLiteral("RestoreWindow"));
    setWindowTitle(tr("Restore: %1").arg(m_job.name()));
    build();
    fillBackups();
    if (m_backups.empty())
        m_status->setText(tr("Backup Job '%1' has no backup yet.").arg(m_job.name()));
    else
        showBackup(m_backups.front().copy);
}

RestoreWindow::~RestoreWindow()
{
    m_stop = true;
    if (m_worker)
        m_worker->wait();
}

void RestoreWindow::build()
{
    m_backupList = newList(this, "backupList", {tr("Backup"), tr("Began"), tr("Kind"), tr("Files"), tr("Size")});
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setPlaceholderText(tr("Filter by name"));
    m_filter->setClearButtonEnabled(true);
    m_tree = newList(this, "fileTree", {tr("Name"), tr("Size"), tr("Modified")});
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_versionList = newList(this, "versionList", {tr("Version in"), tr("Modified"), tr("Size")});
    m_previous = newButton(this, "previousButton", tr("&Previous"));
    m_next = newButton(this, "nextButton", tr("&Next"));
    m_toOriginal = new QRadioButton(tr("To its &original place"), this);
    m_toOriginal->setObjectName(QStringLiteral("toOriginalOption"));
    m_toOriginal->setChecked(true);
    m_toFolder = new QRadioButton(tr("To this &folder:"), this);
    m_toFolder->setObjectName(QStringLiteral("toFolderOption"));
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("folderEdit"));
    m_browse = newButton(this, "browseButton", tr("&Browse..."));
    m_withFolders = new QCheckBox(tr("With its original &folders"), this);
    m_withFolders->setObjectName(QStringLiteral("withFoldersBox"));
    m_restore = newButton(this, "restoreButton", tr("&Restore"));
    m_stopButton = newButton(this, "stopButton", tr("&Stop"));
    m_stopButton->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, ProgressSteps);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));

    auto* files = new QWidget(this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(m_filter);
    filesLayout->addWidget(m_tree);
    auto* versions = new QWidget(this);
    auto* versionsLayout = new QGridLayout(versions);
    versionsLayout->setContentsMargins(0, 0, 0, 0);
    versionsLayout->addWidget(m_versionList, 0, 0, 1, 2);
    versionsLayout->addWidget(m_previous, 1, 0);
    versionsLayout->addWidget(m_next, 1, 1);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(files);
    splitter->addWidget(versions);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* target = new QGridLayout;
    target->addWidget(m_toOriginal, 0, 0);
    target->addWidget(m_toFolder, 1, 0);
    target->addWidget(m_folder, 1, 1);
    target->addWidget(m_browse, 1, 2);
    target->addWidget(m_withFolders, 2, 1);
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_progress, 1);
    actions->addWidget(m_restore);
    actions->addWidget(m_stopButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_backupList, 1);
    layout->addWidget(splitter, 3);
    layout->addLayout(target);
    layout->addLayout(actions);
    layout->addWidget(m_status);
    fitOnScreen(this, QSize(900, 640));

    connect(m_backupList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && item->data(0, CopyRole).toInt() != m_copy)
            showBackup(item->data(0, CopyRole).toInt());
    });
    connect(m_filter, &QLineEdit::textChanged, this, &RestoreWindow::applyFilter);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &RestoreWindow::showVersions);
    connect(m_previous, &QPushButton::clicked, this, [this] { stepVersion(1); });
    connect(m_next, &QPushButton::clicked, this, [this] { stepVersion(-1); });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString folder
            = FolderBrowser(this, tr("Please select the folder to restore into."), m_folder->text()).choose();
        if (!folder.isEmpty()) {
            m_folder->setText(folder);
            m_toFolder->setChecked(true);
        }
    });
    connect(m_restore, &QPushButton::clicked, this, &RestoreWindow::startRestore);
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_stop = true; });
}

void RestoreWindow::fillBackups()
{
    for (const KeptBackup& backup : m_backups) {
        auto* row = new QTreeWidgetItem(m_backupList,
            {backupName(backup), when(backup.begun), backup.full ? tr("full") : tr("incremental"),
                QString::number(backup.files), byteCount(backup.bytes)});
        row->setData(0, CopyRole, backup.copy);
    }
    m_backupList->header()->resizeSections(QHeaderView::ResizeToContents);
}

void RestoreWindow::showBackup(int copy)
{
    const auto backup = std::find_if(
        m_backups.begin(), m_backups.end(), [copy](const KeptBackup& kept) { return kept.copy == copy; });
    if (backup == m_backups.end())
        return;
    m_copy = copy;
    for (int row = 0; row < m_backupList->topLevelItemCount(); ++row)
        if (m_backupList->topLevelItem(row)->data(0, CopyRole).toInt() == copy)
            m_backupList->setCurrentItem(m_backupList->topLevelItem(row));
    Result<std::unique_ptr<BackupContents>> contents
        = BackupContents::openAsOf(m_job, m_backups, size_t(backup - m_backups.begin()));
    m_contents = contents ? std::move(contents).value() : nullptr;
    m_status->setText(contents ? QString() : tr("'%1' can't be read: %2").arg(backup->path, contents.reason()));
    fillTree();
}

// The tree of the backup: each item under the folders of its original path, the folders the
// backup doesn't hold itself made up on the way.
void RestoreWindow::fillTree()
{
    m_tree->clear();
    m_versionList->clear();
    if (!m_contents)
        return;
    std::map<QByteArray, QTreeWidgetItem*> nodes;
    const std::function<QTreeWidgetItem*(const QByteArray&)> node = [&](const QByteArray& path) {
        if (const auto found = nodes.find(path); found != nodes.end())
            return found->second;
        const qsizetype slash = path.lastIndexOf('/');
        QTreeWidgetItem* parent = slash > 0 ? node(path.left(slash)) : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, slash > 0 || path.size() > 1 ? QFile::decodeName(path.mid(slash + 1)) : QStringLiteral("/"));
        item->setData(0, PathRole, path);
        return nodes[path] = item;
    };
    for (const BackedUpItem& backedUp : m_contents->items()) {
        QTreeWidgetItem* item = node(backedUp.original);
        const bool file = backedUp.entry.kind != ZipEntry::Kind::Folder;
        item->setData(0, FileRole, file);
        item->setText(1, file ? byteCount(backedUp.entry.size) : QString());
        item->setText(2, when(backedUp.entry.modified));
    }
    // Opened down to the first folder that holds more than one thing.
    for (QTreeWidgetItem* item = m_tree->topLevelItem(0); item && item->childCount() >= 1; item = item->child(0)) {
        item->setExpanded(true);
        if (item->childCount() > 1)
            break;
    }
    m_tree->header()->resizeSections(QHeaderView::ResizeToContents);
    applyFilter();
}

void RestoreWindow::applyFilter()
{
    const QString text = m_filter->text().trimmed();
    const std::function<bool(QTreeWidgetItem*)> show = [&](QTreeWidgetItem* item) {
        bool shown = text.isEmpty() || item->text(0).contains(text, Qt::CaseInsensitive);
        for (int child = 0; child < item->childCount(); ++child)
            shown |= show(item->child(child));
        item->setHidden(!shown);
        if (!text.isEmpty() && shown)
            item->setExpanded(true);
        return shown;
    };
    for (int row = 0; row < m_tree->topLevelItemCount(); ++row)
        show(m_tree->topLevelItem(row));
}

bool RestoreWindow::selectPath(const QByteArray& original)
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        if ((*it)->data(0, PathRole).toByteArray() != original)
            continue;
        m_tree->clearSelection();
        m_tree->setCurrentItem(*it);
        m_tree->scrollToItem(*it);
        return true;
    }
    return false;
}

void RestoreWindow::showVersions(QTreeWidgetItem* item)
{
    m_versionList->clear();
    m_versions.clear();
    if (item && item->data(0, FileRole).toBool())
        m_versions = m_finder.versions(item->data(0, PathRole).toByteArray());
    for (const KeptBackups::Version& version : m_versions) {
        auto* row = new QTreeWidgetItem(
            m_versionList, {backupName(version.backup), when(version.entry.modified), byteCount(version.entry.size)});
        if (version.backup.copy == m_copy)
            m_versionList->setCurrentItem(row);
    }
    m_versionList->header()->resizeSections(QHeaderView::ResizeToContents);
    const int at = m_versionList->indexOfTopLevelItem(m_versionList->currentItem());
    m_previous->setEnabled(at >= 0 && at + 1 < int(m_versions.size()));
    m_next->setEnabled(at > 0);
}

// Previous (older, `step` 1) or Next (newer, -1): the backup of that version, the same file chosen.
void RestoreWindow::stepVersion(int step)
{
    const int at = m_versionList->indexOfTopLevelItem(m_versionList->currentItem()) + step;
    if (at < 0 || at >= int(m_versions.size()))
        return;
    const QByteArray original = m_tree->currentItem()->data(0, PathRole).toByteArray();
    showBackup(m_versions[size_t(at)].backup.copy);
    selectPath(original);
}

Restore::Existing RestoreWindow::askExisting(int existing) const
{
    const QString text = tr("%1 of the files to restore already exist where they go.\r\n\r\n"
                            "Keep both (the restored copy gets its date in its name), replace "
                            "them, or skip them?")
                             .arg(existing);
    switch (Messages::show(Message{text, tr("Restore"), Buttons::YesNoCancel, Icon::Question, Answer::Yes,
        {tr("&Keep both"), tr("&Replace"), tr("&Skip")}})) {
    case Answer::Yes:
        return Restore::Existing::KeepBoth;
    case Answer::No:
        return Restore::Existing::Replace;
    case Answer::Cancel:
    case Answer::OK:
        break;
    }
    return Restore::Existing::Skip;
}

void RestoreWindow::startRestore()
{
    Restore::Request request;
    for (const QTreeWidgetItem* item : m_tree->selectedItems())
        request.paths.push_back(item->data(0, PathRole).toByteArray());
    if (!m_contents || request.paths.empty())
        return Messages::verificationError(tr("Choose the files or folders to restore."), Icon::Information);
    if (m_toFolder->isChecked() && m_folder->text().trimmed().isEmpty())
        return Messages::verificationError(tr("Choose the folder to restore into."), Icon::Information);
    std::shared_ptr<JobLock> lock = JobLock::tryTake(m_job.name());
    if (!lock)
        return Messages::verificationError(tr("Backup Job '%1' is being backed up right now. Restore "
                                              "when the backup has ended.")
                                               .arg(m_job.name()),
            Icon::Exclamation);
    request.toFolder = m_toFolder->isChecked() ? m_folder->text().trimmed() : QString();
    request.withOriginalFolders = m_withFolders->isChecked();
    request.password = m_job.password().toUtf8();
    auto plan = std::make_shared<Restore::Plan>(Restore::makePlan(*m_contents, request));
    if (plan->existing > 0)
        request.existing = askExisting(plan->existing);
    setBusy(true);
    m_stop = false;
    m_worker = QThread::create([this, plan, request, lock] {
        const Restore::Report report
            = Restore::run(*m_contents, *plan, request, m_stop, [this](qint64 done, qint64 total) {
                  const int value = total > 0 ? int(done * ProgressSteps / total) : ProgressSteps;
                  QMetaObject::invokeMethod(m_progress, [progress = m_progress, value] { progress->setValue(value); });
              });
        QMetaObject::invokeMethod(this, [this, report] { endRestore(report); });
    });
    connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
    m_worker->start();
}

void RestoreWindow::endRestore(const Restore::Report& report)
{
    setBusy(false);
    m_progress->setValue(report.stopped ? m_progress->value() : ProgressSteps);
    QString text = report.stopped ? tr("Stopped: %1 restored.") : tr("%1 restored.");
    text = text.arg(report.restored);
    if (!report.leftAlone.isEmpty())
        text += tr(" %1 left alone: they exist.").arg(report.leftAlone.size());
    if (!report.failures.isEmpty())
        text += tr(" %1 could not be restored.").arg(report.failures.size());
    m_status->setText(text);
    if (!report.failures.isEmpty())
        Messages::show(Message{
            tr("These could not be restored:\r\n\r\n") + report.failures.mid(0, 20).join(QStringLiteral("\r\n")),
            tr("Restore"), Buttons::OK, Icon::Exclamation, Answer::OK, {}});
    emit restoreEnded(report);
}

void RestoreWindow::setBusy(bool busy)
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_backupList, m_filter, m_tree, m_versionList, m_previous,
             m_next, m_toOriginal, m_toFolder, m_folder, m_browse, m_withFolders, m_restore})
        control->setEnabled(!busy);
    m_stopButton->setEnabled(busy);
    if (!busy)
        showVersions(m_tree->currentItem());
}

// A window closed during a restore stops it first (within a chunk of one file).
void RestoreWindow::closeEvent(QCloseEvent* event)
{
    m_stop = true;
    if (m_worker)
        m_worker->wait();
    event->accept();
}
