#include "dialogs/frmHelpView.h"

#include "shared/libPictures.h"
#include "dialogs/libControls.h"

#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

frmHelpView* frmHelpView::ShowHelp(const QString& page)
{
    static QPointer<frmHelpView> window;
    if (!window)
        window = new frmHelpView(page);
    window->txtHelp->setSource(QUrl::fromLocalFile(page));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

frmHelpView::frmHelpView(const QString& page)
{
    setObjectName(QStringLiteral("frmHelpView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Arkwell Help"));
    setWindowIcon(libPictures::AppIcon());
    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setOpenExternalLinks(true);  // web and mail links go to the desktop; the help's own pages open here
    txtHelp->setSource(QUrl::fromLocalFile(page));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtHelp);
    libControls::FitOnScreen(this, QSize(760, 560));
}
