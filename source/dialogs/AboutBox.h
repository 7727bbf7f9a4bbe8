#pragma once
// The about box: name and version, the application folder, the computer's name, the licence,
// a link to the program's help and a button for the error log. A caller shows it non-modally
// (`(new AboutBox(parent))->show()`) and connects helpRequested to its help action (F1 in the
// box and the help link ask for it). The box deletes itself when it closes and registers as
// "AboutBox".

#include <QDialog>

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    // OK, Esc and the window's close button all end the box, which then deletes itself.
    void done(int result) override;

signals:
    // F1 in the box, or its help link: show the program's help page.
    void helpRequested();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QLayout* buildHeading();
    QLayout* buildFacts();
    QLayout* buildButtons();
    void openErrorLog();
    void thankYou();
};
