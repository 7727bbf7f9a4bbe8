#pragma once
// The about box: name and version, the application folder, the computer's name, the licence,
// and buttons for the error log and the project's pages. A caller shows it non-modally
// (`(new frmAbout(parent))->show()`), connects HelpContents to its help action (F1 in the box
// asks for it), and may run the web-site action alone with frmAbout::lblWebsite_Click(). The
// box deletes itself when it closes and registers as "frmAbout".

#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The project's addresses.
    static QString HomepageAddress();
    static QString SourceArchiveAddress();
    static QString MailAddress();

    // Opens the project's home page in the user's browser; failures are ignored.
    static void lblWebsite_Click();

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
    QLabel* lblMailTo = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdErrorLog = nullptr;
    QPushButton* cmdThankYou = nullptr;
    QPushButton* cmdTechSupport = nullptr;

signals:
    // F1 in the box: show the program's help page.
    void HelpContents();

public slots:
    void cmdClose_Click();
    void cmdErrorLog_Click();
    void cmdThankYou_Click();
    void cmdTechSupport_Click();
    void lblMailTo_Click();
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
