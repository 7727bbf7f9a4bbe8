#pragma once
// The program's own read-only view of a log, for a desktop that has no program to show it:
// one window per log file, following the lines appended while it is open.

#include <QFileSystemWatcher>
#include <QStringDecoder>
#include <QWidget>

class QPlainTextEdit;

class LogWindow : public QWidget {
    Q_OBJECT
public:
    // Opens a log in the desktop's program for it; when the desktop has none or it fails,
    // the log is shown in this program's own window instead. A log never written yet is
    // created empty first, so there is a file to show.
    static void openLog(const QString& path);
    // Shows the log in its window (the one already open for that file, or a new one).
    static LogWindow* showLog(const QString& path);

private:
    explicit LogWindow(const QString& path);
    void skipToLastPart();
    void readNewText();

    QPlainTextEdit* m_text = nullptr;
    QString m_path;
    qint64 m_readUpTo = 0;
    QFileSystemWatcher m_watcher;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
};
