#include "dialogs/frmAbout.h"

#include "lib/AppPaths.h"
#include "shared/libPictures.h"
#include "lib/Desktop.h"
#include "dialogs/frmLogView.h"
#include "dialogs/libControls.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Messages.h"
#include "lib/Twips.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

using libControls::NewControl;

namespace {

// A label that reads as a link; a click on it is its linkActivated signal.
QLabel* makeLink(QWidget* parent, const char* name, const QRect& geometry, const QString& text)
{
    auto* link = NewControl<QLabel>(parent, name, geometry);
    link->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()));
    link->setTextFormat(Qt::RichText);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Arkwell"));
    setFixedSize(Twips::rect(0, 0, 6620, 4440).size());
    createControls();
    createButtons();
    Form_Load();
}

void frmAbout::createControls()
{
    imgIcon = NewControl<QLabel>(this, "imgIcon", Twips::rect(240, 240, 480, 480));
    imgIcon->setPixmap(libPictures::AppIcon().pixmap(imgIcon->size()));
    lblTitle = NewControl<QLabel>(this, "lblTitle", Twips::rect(960, 240, 5415, 240));
    lblTitle->setText(QStringLiteral("Arkwell"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblFor = NewControl<QLabel>(this, "lblFor", Twips::rect(960, 480, 5415, 240));
    lblFor->setText(QStringLiteral("Zip Backup Job Scheduling Agent"));

    for (std::size_t i = 0; i < linSeparator.size(); ++i) {
        linSeparator[i] = NewControl<QFrame>(this, "linSeparator", Twips::rect(120, i == 0 ? 1200 : 2400, 6380, 30));
        linSeparator[i]->setProperty("Index", int(i));
        linSeparator[i]->setFrameShape(QFrame::HLine);
        linSeparator[i]->setFrameShadow(QFrame::Sunken);
    }
    const std::array<QString, 4> captions = {QStringLiteral("License:"), QStringLiteral("App Path:"),
                                             QStringLiteral("Client ID:"), QStringLiteral("Data Folder:")};
    for (std::size_t i = 0; i < lblMisc.size(); ++i) {
        lblMisc[i] = NewControl<QLabel>(this, "lblMisc", Twips::rect(120, 1440 + int(i) * 240, 1200, 240));
        lblMisc[i]->setProperty("Index", int(i));
        lblMisc[i]->setText(captions[i]);
    }
    QFont arial(QStringLiteral("Arial"));
    lblLicense = NewControl<QLabel>(this, "lblLicense", Twips::rect(1320, 1440, 5205, 240));
    lblLicense->setText(QStringLiteral("MIT License: free to use, change and pass on"));
    lblAppPath = NewControl<QLabel>(this, "lblAppPath", Twips::rect(1320, 1680, 5205, 240));
    lblAppPath->setText(QStringLiteral("<AppPath>"));
    lblAppPath->setFont(arial);
    lblAppPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblClientID = NewControl<QLabel>(this, "lblClientID", Twips::rect(1320, 1920, 5205, 240));
    lblClientID->setText(QStringLiteral("<IDs>"));
    lblClientID->setFont(arial);
    lblDataPath = NewControl<QLabel>(this, "lblDataPath", Twips::rect(1320, 2160, 5205, 240));
    lblDataPath->setFont(arial);
    lblDataPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPenalty[0] = NewControl<QLabel>(this, "lblPenalty", Twips::rect(120, 2520, 4635, 240));
    lblPenalty[0]->setProperty("Index", 0);
    lblPenalty[0]->setText(QStringLiteral("  "));

    lblWebsite = makeLink(this, "lblWebsite", Twips::rect(120, 3540, 4635, 255), QStringLiteral("Arkwell Help"));
    connect(lblWebsite, &QLabel::linkActivated, this, &frmAbout::HelpContents);
}

void frmAbout::createButtons()
{
    cmdClose = NewControl<QPushButton>(this, "cmdClose", Twips::rect(4920, 2520, 1575, 325));
    cmdClose->setText(QStringLiteral("OK"));
    cmdClose->setDefault(true);
    cmdErrorLog = NewControl<QPushButton>(this, "cmdErrorLog", Twips::rect(4920, 3240, 1575, 325));
    cmdErrorLog->setText(QStringLiteral("Error &Log"));
    cmdErrorLog->setToolTip(QStringLiteral("Display Error Log File"));
    cmdThankYou = NewControl<QPushButton>(this, "cmdThankYou", Twips::rect(4920, 3600, 1575, 325));
    cmdThankYou->setText(QStringLiteral("Thank You"));
    cmdThankYou->setToolTip(QStringLiteral("Thank You"));
    for (QPushButton* button : {cmdErrorLog, cmdThankYou})
        button->setAutoDefault(false);

    connect(cmdClose, &QPushButton::clicked, this, &frmAbout::cmdClose_Click);
    connect(cmdErrorLog, &QPushButton::clicked, this, &frmAbout::cmdErrorLog_Click);
    connect(cmdThankYou, &QPushButton::clicked, this, &frmAbout::cmdThankYou_Click);
}

void frmAbout::Form_Load()
{
    Errors::trap("frmAbout.frm", "Form_Load()", [&] {
        // The build's version, as the package and --version give it.
        lblTitle->setText(QStringLiteral("Arkwell " ARKWELL_VERSION));
        lblAppPath->setText(AppPaths::appFolder());
        lblDataPath->setText(AppPaths::dataFolder());
        lblClientID->setText(Desktop::hostName());
    });
}

void frmAbout::keyReleaseEvent(QKeyEvent* event)
{
    Form_KeyUp(event->key(), event->modifiers());
    QDialog::keyReleaseEvent(event);
}

void frmAbout::Form_KeyUp(int KeyCode, Qt::KeyboardModifiers /*Shift*/)
{
    if (KeyCode == Qt::Key_F1)
        emit HelpContents();
}

void frmAbout::cmdClose_Click()
{
    Errors::trap("frmAbout.frm", "cmdClose_Click()", [&] {
        hide();
        deleteLater();
    });
}

void frmAbout::reject()
{
    cmdClose->click();
}

void frmAbout::cmdErrorLog_Click()
{
    Errors::trap("frmAbout.frm", "cmdErrorLog_Click()", [&] {
        const QString errorLog = AppPaths::errorLogPath();
        // A viewer given a file that isn't there shows nothing at all: say so instead.
        if (!Files::fileExists(errorLog)) {
            Messages::show({QStringLiteral("No error has been logged yet (") + errorLog + QStringLiteral(")."),
                              QStringLiteral("Error Log"), Messages::Buttons::OK, Messages::Icon::Information});
            return;
        }
        frmLogView::OpenLog(errorLog);
    });
}

void frmAbout::cmdThankYou_Click()
{
    Messages::show({QStringLiteral("Thank you to everyone who tested Arkwell, and to the Info-ZIP group, "
                                     "whose zip program does all of the compression."),
                      QStringLiteral("Thank You")});
}
