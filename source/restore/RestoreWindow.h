#pragma once
// The Restore window of one job: its backups (the current archive and every kept copy, newest
// first), a tree of the chosen backup's folders and files with a name filter, every kept
// version of the chosen file with Previous and Next, and the restore of the chosen files and
// folders to their original places or into a chosen folder, with its progress and Stop.

#include "jobs/Job.h"
#include "jobs/KeptBackups.h"
#include "jobs/Restore.h"

#include <atomic>
#include <memory>
#include <QPointer>
#include <QWidget>

class JobTable;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;

class RestoreWindow : public QWidget {
    Q_OBJECT
public:
    // The window of the listed job `name`, shown (deleted when closed).
    static RestoreWindow* showFor(const JobTable& jobs, const QString& name, QWidget* parent = nullptr);

    RestoreWindow(Job job, std::vector<KeptBackup> backups, QWidget* parent = nullptr);
    ~RestoreWindow() override;

    // Selects the backup copy (0 the current) and shows what it holds.
    void showBackup(int copy);
    // Selects the item backed up from `original` in the tree; false when the backup lacks it.
    bool selectPath(const QByteArray& original);

signals:
    // A restore has ended; `report` says what it did.
    void restoreEnded(const Restore::Report& report);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void fillBackups();
    void fillTree();
    void applyFilter();
    void showVersions(QTreeWidgetItem* item);
    void stepVersion(int step);
    void startRestore();
    void endRestore(const Restore::Report& report);
    void setBusy(bool busy);
    // Asked once for the whole restore: Keep both, Replace or Skip (also a box closed unanswered).
    Restore::Existing askExisting(int existing) const;

    Job m_job;
    std::vector<KeptBackup> m_backups;
    KeptBackups::VersionFinder m_finder; // every backup opened once
    int m_copy = -1;
    std::unique_ptr<BackupContents> m_contents;
    std::vector<KeptBackups::Version> m_versions;
    std::atomic<bool> m_stop{false};
    QPointer<QThread> m_worker;

    QTreeWidget* m_backupList = nullptr;
    QLineEdit* m_filter = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_versionList = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QRadioButton* m_toOriginal = nullptr;
    QRadioButton* m_toFolder = nullptr;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_browse = nullptr;
    QCheckBox* m_withFolders = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_stopButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
};
