#include "dialogs/LogWindow.h"

#include "lib/Desktop.h"
#include "lib/Files.h"
#include "shared/FitOnScreen.h"
#include "shared/Pictures.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// A log is never shortened, so it can grow large: a window opens on its last part only.
constexpr qint64 ShownAtMost = 4 * 1024 * 1024;

QHash<QString, QPointer<LogWindow>>& openWindows()
{
    static QHash<QString, QPointer<LogWindow>> windows;
    return windows;
}

} // namespace

void LogWindow::openLog(const QString& path)
{
    if (!Files::fileExists(path))
        QFile(path).open(QIODevice::WriteOnly | QIODevice::Append);
    Desktop::open(path, [path] { showLog(path); });
}

LogWindow* LogWindow::showLog(const QString& path)
{
    QPointer<LogWindow>& window = openWindows()[path];
    if (!window)
        window = new LogWindow(path);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

LogWindow::LogWindow(const QString& path)
    : m_path(path)
{
    setObjectName(QStringLiteral("LogWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("%1 - Arkwell").arg(QFileInfo(path).fileName()));
    setWindowIcon(Pictures::appIcon());
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("logText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setFont(QFont(QStringLiteral("monospace")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    fitOnScreen(this, QSize(760, 420));

    skipToLastPart();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LogWindow::readNewText);
    readNewText();
}

// A large log is shown from the first whole line of its last part.
void LogWindow::skipToLastPart()
{
    QFile file(m_path);
    if (file.size() <= ShownAtMost || !file.open(QIODevice::ReadOnly) || !file.seek(file.size() - ShownAtMost))
        return;
    file.readLine();
    m_readUpTo = file.pos();
    m_text->setPlainText(tr("(the log's earlier lines are not shown here)") + QLatin1Char('\n'));
}

// Appends what the file gained since the last read, staying at the end when the view was
// there. A file that shrank (replaced by a new one) is shown again from its start.
void LogWindow::readNewText()
{
    if (!m_watcher.files().contains(m_path)) // a file replaced under the same name is watched anew
        m_watcher.addPath(m_path);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_text->setPlainText(tr("The log '%1' can't be read: %2").arg(m_path, file.errorString()));
        return;
    }
    if (file.size() < m_readUpTo) {
        m_text->clear();
        m_readUpTo = 0;
    }
    file.seek(m_readUpTo);
    const QByteArray added = file.readAll();
    m_readUpTo += added.size();
    if (added.isEmpty())
        return;
    QScrollBar* scroll = m_text->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor end(m_text->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(m_decoder(added)).remove(QLatin1Char('\r')));
    if (atEnd)
        scroll->setValue(scroll->maximum());
}
