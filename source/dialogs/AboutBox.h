#pragma once
// The about box: name and version, the application folder, the computer's name, the licence,
// a link to the program's help and a button for the error log. A caller shows it non-modally
// (`(new frmAbout(parent))->show()`) and connects HelpContents to its help action (F1 in the
// box and the help link ask for it). The box deletes itself when it closes and registers as
// "frmAbout".

#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* imgIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblFor = nullptr;
    std::array<QFrame*, 2> linSeparator{};
    std::array<QLabel*, 4> lblMisc{};
    QLabel* lblLicense = nullptr;
    QLabel* lblAppPath = nullptr;
    QLabel* lblClientID = nullptr;
    QLabel* lblDataPath = nullptr;  // where the jobs, preferences and logs are kept
    std::array<QLabel*, 1> lblPenalty{};
    QLabel* lblWebsite = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdErrorLog = nullptr;
    QPushButton* cmdThankYou = nullptr;

signals:
    // F1 in the box, or its help link: show the program's help page.
    void HelpContents();

public slots:
    void cmdClose_Click();
    void cmdErrorLog_Click();
    void cmdThankYou_Click();
    // Esc and closing the window close the box as OK does.
    void reject() override;

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void createControls();
    void createButtons();
    void Form_Load();
    void Form_KeyUp(int KeyCode, Qt::KeyboardModifiers Shift);
};
