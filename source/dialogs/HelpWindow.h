#pragma once
// The program's own window for its help page, for a desktop without a web browser (or whose
// browser fails to start), as the logs have theirs: one window, the page shown as rich text.

#include <QWidget>

class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the page in the help window (the one already open, or a new one).
    static HelpWindow* showHelp(const QString& page);

private:
    explicit HelpWindow(const QString& page);

    QTextBrowser* m_page = nullptr;
};
