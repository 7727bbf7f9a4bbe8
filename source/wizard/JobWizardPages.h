#pragma once
// The job definition wizard's controls, built and laid out: a header, six step pages of
// which one shows at a time, and a footer with the step counter and the four buttons. Each
// control's object name is its member's name; elements of an array end in "_" and their index.

#include <QString>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QIcon;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QWidget;
class ExclusionsPanel;

class CJobWizardControls {
public:
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
    QPushButton* cmdAddFolder = nullptr;
    QPushButton* cmdAddFile = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdExplorer1 = nullptr;
    QCheckBox* chkSubdirectories = nullptr;
    ExclusionsPanel* exclusions = nullptr;  // patterns, cache folders and the preview
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
    QLineEdit* txtPasswordConfirm = nullptr;
    QLineEdit* txtPassword = nullptr;

protected:
    // Builds every control into `wizard`, which shows `icon` in its header.
    void buildControls(QDialog* wizard, const QIcon& icon);
    void showStepPage(int step);
    // Whether the control is on the step page shown and not hidden there.
    bool onCurrentPage(const QWidget* control) const;
    // The input that takes the focus when a step shows: the showing, enabled input with the
    // lowest tab index, the later one on a tie; none on a step without inputs.
    QWidget* firstInputOnCurrentPage() const;
    std::array<QCheckBox*, 7> dayBoxes() const;  // Monday first

private:
    // One control that the focus rule may pick, with its tab index.
    struct FocusCandidate {
        QWidget* control;
        int tabIndex;
    };

    void setTabOrder();
    QFrame* buildHeader(const QIcon& icon);
    QFrame* buildFooter();
    QStackedWidget* buildSteps();
    QFrame* newStepPage(int element, const QString& title);
    QWidget* buildNameStep();
    QWidget* buildSchedulingStep();
    QWidget* buildSourceStep();
    QWidget* buildTargetStep();
    QWidget* buildBackupTypeStep();
    QWidget* buildOptionsStep();

    QStackedWidget* m_pages = nullptr;
    std::vector<FocusCandidate> m_focusCandidates;
};
