#pragma once
// The six-step job definition wizard: it creates a new job or edits a job of the table of jobs,
// one step page at a time, and writes the job file only at Finish, once the job's
// definition passes its checks.

#include "jobs/JobDefinition.h"
#include "wizard/CJobWizardControls.h"

#include <QDialog>
#include <QString>

class Job;
class QMimeData;
class JobTable;

class frmWIZ_JobDefinition : public QDialog, public CJobWizardControls {
    Q_OBJECT
public:
    // The wizard deletes itself when it closes; it works on `jobs`, editing the job named
    // `editedJob` unless it defines a new one. It is modal to `parent` (the job list window).
    frmWIZ_JobDefinition(JobTable& jobs, const QString& editedJob, QWidget* parent = nullptr);

    // True: define a new job; False: edit the job named at construction. Set before showing.
    void setAddJob(bool bAddJob);
    bool AddJob() const { return m_addJob; }
    // The step being shown, 1 to 6.
    int CurrentStep() const { return m_currentStep; }

signals:
    // F1 was pressed: the program's help is wanted.
    void helpRequested();

public slots:
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdFinish_Click();
    void cmbFrequency_Click();
    void txtStartTime_LostFocus();
    void cmdAddFile_Click();
    void cmdAddFolder_Click();
    void cmdRemove_Click();
    void lstFilesToBackup_DblClick();
    void lstFilesToBackup_OLEDragDrop(const QMimeData* data);
    void cmdExplorer1_Click();
    void cmdTitle_Click();
    void cmdBrowseTargDir_Click();
    void cmdExplorer2_Click();
    void optCompression_Click(int Index);
    void optIncremental_Click();
    void chkPasswordProtect_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();

    void Form_Load();
    void ShowCurrentStep();
    void updateButtons();
    void SetupForm();
    void SetupNewJob();
    void SetupExistingJob();
    QString DefaultJobName() const;
    void selectCopies(qint16 copies);

    // The job as the controls define it, and the other jobs it must not clash with.
    JobDefinition Definition() const;
    JobDefinition::Neighbours Neighbours() const;
    QString JobFilePath() const;

    void sortFileList();

    JobTable& m_jobs;
    bool m_addJob = true;
    bool m_loaded = false;
    bool m_lastStepReached = false;
    bool m_paintGuard = false;
    bool m_validatingStartTime = false;
    bool m_sortingFileList = false;
    int m_currentStep = 1;
    QString m_editedJob;  // the name of the job being edited
    QStringList m_optionLines;  // the edited job's option lines, written back with the job
};
