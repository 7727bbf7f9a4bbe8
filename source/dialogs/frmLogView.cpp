#include "dialogs/frmLogView.h"

#include "shared/libPictures.h"
#include "dialogs/libControls.h"
#include "lib/Files.h"
#include "lib/Desktop.h"

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

QHash<QString, QPointer<frmLogView>>& openWindows()
{
    static QHash<QString, QPointer<frmLogView>> windows;
    return windows;
}

}  // namespace

void frmLogView::OpenLog(const QString& path)
{
    if (!Files::fileExists(path))
        QFile(path).open(QIODevice::WriteOnly | QIODevice::Append);
    Desktop::open(path, [path] { ShowLog(path); });
}

frmLogView* frmLogView::ShowLog(const QString& path)
{
    QPointer<frmLogView>& window = openWindows()[path];
    if (!window)
        window = new frmLogView(path);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

frmLogView::frmLogView(const QString& path)
    : m_path(path)
{
    setObjectName(QStringLiteral("frmLogView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - Arkwell"));
    setWindowIcon(libPictures::AppIcon());
    txtLog = new QPlainTextEdit(this);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtLog->setFont(QFont(QStringLiteral("monospace")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtLog);
    libControls::FitOnScreen(this, QSize(760, 420));

    skipToLastPart();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &frmLogView::readNewText);
    readNewText();
}

// A large log is shown from the first whole line of its last part.
void frmLogView::skipToLastPart()
{
    QFile file(m_path);
    if (file.size() <= ShownAtMost || !file.open(QIODevice::ReadOnly) || !file.seek(file.size() - ShownAtMost))
        return;
    file.readLine();
    m_readUpTo = file.pos();
    txtLog->setPlainText(QStringLiteral("(the log's earlier lines are not shown here)\n"));
}

// Appends what the file gained since the last read, staying at the end when the view was
// there. A file that shrank (replaced by a new one) is shown again from its start.
void frmLogView::readNewText()
{
    if (!m_watcher.files().contains(m_path))  // a file replaced under the same name is watched anew
        m_watcher.addPath(m_path);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        txtLog->setPlainText(QStringLiteral("The log '%1' can't be read: %2").arg(m_path, file.errorString()));
        return;
    }
    if (file.size() < m_readUpTo) {
        txtLog->clear();
        m_readUpTo = 0;
    }
    file.seek(m_readUpTo);
    const QByteArray added = file.readAll();
    m_readUpTo += added.size();
    if (added.isEmpty())
        return;
    QScrollBar* scroll = txtLog->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    QTextCursor end(txtLog->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(m_decoder(added)).remove(QLatin1Char('\r')));
    if (atEnd)
        scroll->setValue(scroll->maximum());
}
