#pragma once
// The six-step job definition wizard: a fixed header, one step page at a time, and a footer
// with the step counter and Cancel, Back, Next and Finish. It creates a new job or edits a
// job of the table of jobs, and saves the job only at Finish.

#include <QDialog>
#include <QString>
#include <QTime>
#include <array>
#include <optional>
#include <vector>

class CBackupJob;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class JobTable;

class frmWIZ_JobDefinition : public QDialog {
    Q_OBJECT
public:
    // The wizard deletes itself when it closes; it works on `jobs`, editing the job named
    // `editedJob` unless it defines a new one.
    frmWIZ_JobDefinition(JobTable& jobs, const QString& editedJob);

    // True: define a new job; False: edit the job named at construction. Set before showing.
    void setAddJob(bool bAddJob);
    bool AddJob() const { return m_addJob; }
    // The step being shown, 1 to 6.
    int CurrentStep() const { return m_currentStep; }

    // Header and footer.
    QFrame* picHeader = nullptr;
    QLabel* imgIcon = nullptr;
    QLabel* lblWizTitle = nullptr;
    QFrame* picFooter = nullptr;
    QLabel* lblStepNbr = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdBack = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdFinish = nullptr;

    // The step pages (element k is step k + 1) and their titles.
    std::array<QFrame*, 6> fraWizSteps{};
    std::array<QLabel*, 6> lblFrameTitle{};

    // Step 1: name.
    QLineEdit* txtBackupJobName = nullptr;
    // Step 2: scheduling.
    QLineEdit* txtStartTime = nullptr;
    QComboBox* cmbFrequency = nullptr;
    QLabel* lblSelectDayOf = nullptr;
    QComboBox* cmbDayOfMonth = nullptr;
    QCheckBox* chkMonday = nullptr;
    QCheckBox* chkTuesday = nullptr;
    QCheckBox* chkWednesday = nullptr;
    QCheckBox* chkThursday = nullptr;
    QCheckBox* chkFriday = nullptr;
    QCheckBox* chkSaturday = nullptr;
    QCheckBox* chkSunday = nullptr;
    // Step 3: source files.
    QPushButton* cmdTitle = nullptr;
    QListWidget* lstFilesToBackup = nullptr;
    QPushButton* cmdAddFile = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdExplorer1 = nullptr;
    QCheckBox* chkSubdirectories = nullptr;
    // Step 4: target directory.
    QLineEdit* txtTargDir = nullptr;
    QPushButton* cmdBrowseTargDir = nullptr;
    QPushButton* cmdExplorer2 = nullptr;
    // Step 5: backup type.
    QRadioButton* optFullBackup = nullptr;
    QRadioButton* optIncremental = nullptr;
    // Step 6: advanced options; optCompression element 0 is "No Compression", 1 "Zip Compression".
    std::array<QRadioButton*, 2> optCompression{};
    QComboBox* cmbNumberZipFilesToKeep = nullptr;
    QLabel* lblNbrCopies = nullptr;
    QCheckBox* chkPasswordProtect = nullptr;
    QLineEdit* txtPassword = nullptr;

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
    // One control that the focus rule may pick, with its tab index.
    struct FocusCandidate {
        QWidget* control;
        int tabIndex;
    };
    // A failed Finish check: its message and the step to show (none: stay on the step).
    struct CheckFailure {
        QString message;
        std::optional<int> step;
        bool informationIcon = true;
    };

    void buildWindow();
    QFrame* buildHeader();
    QFrame* buildFooter();
    QStackedWidget* buildSteps();
    QFrame* newStepPage(int element, const QString& title);
    QWidget* buildNameStep();
    QWidget* buildSchedulingStep();
    QWidget* buildSourceStep();
    QWidget* buildTargetStep();
    QWidget* buildBackupTypeStep();
    QWidget* buildOptionsStep();
    void connectHandlers();

    void Form_Load();
    void ShowCurrentStep();
    void SetupForm();
    void SetupNewJob();
    void SetupExistingJob();
    QString DefaultJobName() const;
    void selectCopies(qint16 copies);
    std::array<QCheckBox*, 7> dayBoxes() const;  // Monday first
    bool onCurrentPage(const QWidget* control) const;

    std::optional<CheckFailure> NameCheckFailure() const;
    std::optional<CheckFailure> FieldCheckFailure() const;
    std::optional<CheckFailure> WildcardCheckFailure() const;
    CBackupJob RecordFromControls() const;
    QString JobFilePath() const;
    // Whether the job file Finish would write is another job's or a file left in the jobs folder.
    bool JobFileTaken() const;

    void sortFileList();
    // The start-time message with its correction hint; empty when the text reads as a time.
    QString startTimeError(const QString& text) const;
    static std::optional<QTime> readStartTime(const QString& text);

    JobTable& m_jobs;
    QStackedWidget* m_pages = nullptr;
    std::vector<FocusCandidate> m_focusCandidates;
    bool m_addJob = true;
    bool m_loaded = false;
    bool m_paintGuard = false;
    bool m_validatingStartTime = false;
    bool m_sortingFileList = false;
    int m_currentStep = 1;
    QString m_editedJob;  // the name of the job being edited
};
