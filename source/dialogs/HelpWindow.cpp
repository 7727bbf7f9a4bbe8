#include "dialogs/HelpWindow.h"

#include "shared/FitOnScreen.h"
#include "shared/Pictures.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow* HelpWindow::showHelp(const QString& page)
{
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow(page);
    window->m_page->setSource(QUrl::fromLocalFile(page));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

HelpWindow::HelpWindow(const QString& page)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Arkwell Help"));
    setWindowIcon(Pictures::appIcon());
    m_page = new QTextBrowser(this);
    m_page->setObjectName(QStringLiteral("helpPage"));
    m_page->setOpenExternalLinks(true); // web and mail links go to the desktop; the help's own pages open here
    m_page->setSource(QUrl::fromLocalFile(page));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_page);
    fitOnScreen(this, QSize(760, 560));
}
