#pragma once
// The job wizard's controls, built and laid out: a header, six step pages of which one shows
// at a time, and a footer with the step counter and the four buttons. Each control's object
// name is its member's name; the day boxes are "mondayBox" to "sundayBox".

#include <array>
#include <QCoreApplication>
#include <QString>
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

class JobWizardPages {
    Q_DECLARE_TR_FUNCTIONS(JobWizard)
public:
    static constexpr int StepCount = 6;

    // Footer.
    QLabel* stepCounter = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* backButton = nullptr;
    QPushButton* nextButton = nullptr;
    QPushButton* finishButton = nullptr;

    // The step pages (element k is step k + 1).
    std::array<QFrame*, StepCount> stepPages{};

    // Step 1: name.
    QLineEdit* nameEdit = nullptr;
    // Step 2: scheduling; the day boxes Monday first.
    QLineEdit* startTimeEdit = nullptr;
    QComboBox* frequencyList = nullptr;
    QLabel* dayPrompt = nullptr;
    QComboBox* dayOfMonthList = nullptr;
    std::array<QCheckBox*, 7> dayBoxes{};
    // Step 3: sources.
    QPushButton* sourcesHeading = nullptr;
    QListWidget* sourceList = nullptr;
    QPushButton* addFileButton = nullptr;
    QPushButton* addFolderButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* sourceFileManagerButton = nullptr;
    QCheckBox* subfoldersBox = nullptr;
    ExclusionsPanel* exclusions = nullptr; // patterns, cache folders and the preview
    // Step 4: target folder.
    QLineEdit* targetEdit = nullptr;
    QPushButton* browseTargetButton = nullptr;
    QPushButton* targetFileManagerButton = nullptr;
    // Step 5: backup type.
    QRadioButton* fullBackupOption = nullptr;
    QRadioButton* incrementalOption = nullptr;
    // Step 6: advanced options.
    QRadioButton* noCompressionOption = nullptr;
    QRadioButton* zipCompressionOption = nullptr;
    QComboBox* copiesList = nullptr;
    QLabel* copiesLabel = nullptr;
    QCheckBox* passwordBox = nullptr;
    QLineEdit* passwordEdit = nullptr;
    QLineEdit* passwordConfirmEdit = nullptr;

protected:
    // Builds every control into `wizard`, which shows `icon` in its header.
    void buildControls(QDialog* wizard, const QIcon& icon);
    void showStepPage(int step);
    // Whether the control is on the step page shown and not hidden there.
    bool onCurrentPage(const QWidget* control) const;
    // The input that takes the focus when a step shows: the first showing, enabled input in
    // the tab order; none on a step without inputs.
    QWidget* firstInputOnCurrentPage() const;

private:
    void setTabOrder();
    QFrame* buildHeader(const QIcon& icon);
    QFrame* buildFooter();
    QStackedWidget* buildSteps();
    QFrame* newStepPage(int step, const QString& title);
    QWidget* buildNameStep();
    QWidget* buildSchedulingStep();
    QWidget* buildSourceStep();
    QWidget* buildTargetStep();
    QWidget* buildBackupTypeStep();
    QWidget* buildOptionsStep();

    QStackedWidget* m_pages = nullptr;
    std::vector<QWidget*> m_inputs; // the controls that may take the focus when a step shows, in tab order
};
