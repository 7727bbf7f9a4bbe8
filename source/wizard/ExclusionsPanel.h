#pragma once
// The sources step's exclusions: the patterns (one a line), "Leave out folders tagged as
// caches (CACHEDIR.TAG)", and a preview of what the job takes and leaves out, worked out on
// a worker thread so the wizard stays responsive; the preview can be cancelled.

#include "jobs/JobPreview.h"

#include <atomic>
#include <functional>
#include <memory>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QThread;

class ExclusionsPanel : public QWidget {
    Q_OBJECT
public:
    // The job's entries and whether it takes subfolders, as the wizard's controls define them.
    struct Sources {
        QStringList entries;
        bool subdirectories = false;
    };
    explicit ExclusionsPanel(std::function<Sources()> sources, QWidget* parent = nullptr);
    ~ExclusionsPanel() override;

    QStringList patterns() const;
    bool leavesOutCaches() const;
    void setExclusions(const QStringList& patterns, bool leaveOutCaches);

    bool previewRunning() const { return m_worker != nullptr; }
    // Starts a preview, or cancels the one running.
    void togglePreview();

signals:
    void previewEnded();

private:
    struct Work {
        std::atomic_bool cancel = false;
        bool cancelled = false;
        JobPreview::Counts counts;
    };
    void startPreview();
    void showResult();

    std::function<Sources()> m_sources;
    QPlainTextEdit* m_patterns;
    QCheckBox* m_caches;
    QPushButton* m_preview;
    QLabel* m_result;
    QThread* m_worker = nullptr;
    std::shared_ptr<Work> m_work;
};
