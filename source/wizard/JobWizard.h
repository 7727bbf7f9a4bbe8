#pragma once
// The six-step job wizard: it creates a new job or edits a job of the table of jobs, one step
// page at a time, and writes the job file only at Finish, once the job's definition passes
// its checks.

#include "jobs/JobDefinition.h"
#include "wizard/JobWizardPages.h"

#include <QDialog>
#include <QString>

class QMimeData;
class JobTable;

class JobWizard : public QDialog, public JobWizardPages {
    Q_OBJECT
public:
    // The wizard deletes itself when it closes; it works on `jobs`, editing the job named
    // `editedJob`, or defining a new one when that is empty (or no longer listed). It is
    // modal to `parent` (the job list window).
    JobWizard(JobTable& jobs, const QString& editedJob, QWidget* parent = nullptr);

    // The step being shown, 1 to 6.
    int currentStep() const { return m_currentStep; }

    // Leaving a step forward checks it: a failure is told and the step stays.
    void next();
    void back();
    // Checks the whole definition and writes the job file; a failure is told and shows the
    // step to correct.
    void finish();
    // The start time box, left: its text is checked and written in its usual form.
    void checkStartTime();

signals:
    // F1 was pressed: the program's help is wanted.
    void helpRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void load();
    void showCurrentStep();
    void updateButtons();
    void fillLists();
    void showNewJob();
    void showEditedJob();
    void selectCopies(qint16 copies);

    void frequencyChosen();
    void sortSources();
    void addFiles();
    void addFolder();
    void removeSelectedSources();
    void dropSources(const QMimeData* data);
    void browseForTarget();
    void openTargetInFileManager();
    void compressionChosen();
    void incrementalChosen();
    void passwordProtectionChosen();

    // The job as the controls define it, and the other jobs it must not clash with.
    JobDefinition definition() const;
    JobDefinition::Neighbours neighbours() const;
    bool addsJob() const { return m_editedJob.isEmpty(); }

    JobTable& m_jobs;
    bool m_loaded = false;
    bool m_lastStepReached = false;
    bool m_checkingStartTime = false;
    bool m_sortingSources = false;
    int m_currentStep = 1;
    QString m_editedJob; // the name of the job being edited; empty for a new job
    QStringList m_optionLines; // the edited job's option lines, written back with the job
};
