#include "dialogs/AboutBox.h"

#include "dialogs/LogWindow.h"
#include "lib/AppPaths.h"
#include "lib/Desktop.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "shared/Pictures.h"

#include <QFormLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame* separator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A fact the user may want to copy (a folder), so it can be selected.
QLabel* selectable(const QString& text)
{
    auto* label = new QLabel(text);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(tr("About Arkwell"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildHeading());
    layout->addWidget(separator());
    layout->addLayout(buildFacts());
    layout->addWidget(separator());
    layout->addLayout(buildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLayout* AboutBox::buildHeading()
{
    auto* icon = new QLabel;
    icon->setPixmap(Pictures::appIcon().pixmap(32, 32));
    // The build's version, as the package and --version give it.
    auto* title = new QLabel(tr("Arkwell %1").arg(QStringLiteral(ARKWELL_VERSION)));
    title->setObjectName(QStringLiteral("title"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* names = new QVBoxLayout;
    names->addWidget(title);
    names->addWidget(new QLabel(tr("Zip Backup Job Scheduling Agent")));
    auto* heading = new QHBoxLayout;
    heading->addWidget(icon, 0, Qt::AlignTop);
    heading->addLayout(names, 1);
    return heading;
}

QLayout* AboutBox::buildFacts()
{
    auto* facts = new QFormLayout;
    facts->addRow(tr("License:"), new QLabel(tr("MIT License: free to use, change and pass on")));
    facts->addRow(tr("App Path:"), selectable(AppPaths::appFolder()));
    facts->addRow(tr("Client ID:"), new QLabel(Desktop::hostName()));
    facts->addRow(tr("Data Folder:"), selectable(AppPaths::dataFolder())); // the jobs, preferences and logs
    return facts;
}

QLayout* AboutBox::buildButtons()
{
    auto* helpLink = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(tr("Arkwell Help").toHtmlEscaped()));
    helpLink->setObjectName(QStringLiteral("helpLink"));
    helpLink->setCursor(Qt::PointingHandCursor);
    auto* ok = new QPushButton(tr("OK"));
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* errorLog = new QPushButton(tr("Error &Log"));
    errorLog->setObjectName(QStringLiteral("errorLogButton"));
    errorLog->setToolTip(tr("Display Error Log File"));
    auto* thanks = new QPushButton(tr("Thank You"));
    thanks->setObjectName(QStringLiteral("thankYouButton"));
    thanks->setToolTip(tr("Thank You"));
    for (QPushButton* button : {errorLog, thanks})
        button->setAutoDefault(false);

    connect(helpLink, &QLabel::linkActivated, this, &AboutBox::helpRequested);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(errorLog, &QPushButton::clicked, this, &AboutBox::openErrorLog);
    connect(thanks, &QPushButton::clicked, this, &AboutBox::thankYou);

    auto* buttons = new QGridLayout;
    buttons->addWidget(ok, 0, 1);
    buttons->addWidget(helpLink, 1, 0, Qt::AlignBottom);
    buttons->addWidget(errorLog, 1, 1);
    buttons->addWidget(thanks, 2, 1);
    buttons->setColumnStretch(0, 1);
    return buttons;
}

void AboutBox::done(int result)
{
    QDialog::done(result);
    deleteLater();
}

void AboutBox::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1)
        emit helpRequested();
    QDialog::keyReleaseEvent(event);
}

void AboutBox::openErrorLog()
{
    const QString errorLog = AppPaths::errorLogPath();
    // A viewer given a file that isn't there shows nothing at all: say so instead.
    if (!Files::fileExists(errorLog)) {
        Messages::show({tr("No error has been logged yet (%1).").arg(errorLog), tr("Error Log"),
            Messages::Buttons::OK, Messages::Icon::Information});
        return;
    }
    LogWindow::openLog(errorLog);
}

void AboutBox::thankYou()
{
    Messages::show({tr("Thank you to everyone who tested Arkwell, and to the Info-ZIP group, "
                         "whose zip program does all of the compression."),
        tr("Thank You")});
}
