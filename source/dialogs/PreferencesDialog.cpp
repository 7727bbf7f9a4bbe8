#include "dialogs/frmPreferences.h"

#include "lib/appSetup.h"
#include "dialogs/libControls.h"
#include "lib/libAutostart.h"
#include "lib/libErrorHandler.h"
#include "lib/libForms.h"

#include <QCheckBox>
#include <QComboBox>
#include <algorithm>
#include <QLabel>
#include <QPushButton>

using libControls::NewControl;

namespace {

constexpr int MinBackupCopies = 1;
constexpr int MaxBackupCopiesLimit = 99;
constexpr int YesItem = 0;
constexpr int NoItem = 1;

}  // namespace

frmPreferences::frmPreferences(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Arkwell Preferences"));
    setFixedSize(libForms::Twips(0, 0, 5505, 3045).size());
    createControls();
    Form_Load();
}

void frmPreferences::createControls()
{
    cmbMaxBackupCopies = NewControl<QComboBox>(this, "cmbMaxBackupCopies", libForms::Twips(60, 240, 735, 315));
    cmbStopOnError = NewControl<QComboBox>(this, "cmbStopOnError", libForms::Twips(60, 900, 735, 315));

    const std::array<QString, 2> captions = {
        QStringLiteral("Maximum number of Backup Copies in drop-down box at Job Definition Wizard?"),
        QStringLiteral("Stop Auto Backups and popup message box if error encountered during backup?"),
    };
    for (std::size_t i = 0; i < lblItem.size(); ++i) {
        lblItem[i] = new QLabel(captions[i], this);
        lblItem[i]->setObjectName(QStringLiteral("lblItem"));
        lblItem[i]->setProperty("Index", int(i));
        lblItem[i]->setWordWrap(true);
        lblItem[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        lblItem[i]->setGeometry(libForms::Twips(900, i == 0 ? 240 : 900, 4515, 435));
    }
    lblItem[0]->setBuddy(cmbMaxBackupCopies);
    lblItem[1]->setBuddy(cmbStopOnError);
    chkRunMissedBackups = NewControl<QCheckBox>(this, "chkRunMissedBackups", libForms::Twips(60, 1560, 5355, 315));
    chkRunMissedBackups->setText(QStringLiteral("Run backups missed while Arkwell was not running"));
    chkStartAtLogin = NewControl<QCheckBox>(this, "chkStartAtLogin", libForms::Twips(60, 1920, 5355, 315));
    chkStartAtLogin->setText(QStringLiteral("Start Arkwell at log-in"));

    cmdOk = NewControl<QPushButton>(this, "cmdOk", libForms::Twips(1545, 2460, 1095, 375));
    cmdOk->setText(QStringLiteral("&Ok"));
    cmdOk->setAutoDefault(false);
    cmdCancel = NewControl<QPushButton>(this, "cmdCancel", libForms::Twips(2865, 2460, 1095, 375));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmPreferences::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPreferences::cmdCancel_Click);
}

void frmPreferences::Form_Load()
{
    libErrorHandler::Trap("frmPreferences", "Form_Load()", [&] {
        for (int copies = MinBackupCopies; copies <= MaxBackupCopiesLimit; ++copies)
            cmbMaxBackupCopies->addItem(QString::number(copies));
        cmbStopOnError->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
        cmbStopOnError->setCurrentIndex(appSetup::StopOnError ? YesItem : NoItem);
        chkRunMissedBackups->setChecked(appSetup::RunMissedBackups);
        // A preferences file edited by hand may hold a count the box lacks: show the nearest
        // one rather than fail.
        const int copies = std::clamp<int>(appSetup::MaxBackupCopies, MinBackupCopies, MaxBackupCopiesLimit);
        cmbMaxBackupCopies->setCurrentIndex(copies - 1);
        chkStartAtLogin->setChecked(libAutostart::StartsAtLogin());
    });
}

void frmPreferences::cmdOk_Click()
{
    libErrorHandler::Trap("frmPreferences", "cmdOK_Click()", [&] {
        if (cmbMaxBackupCopies->currentIndex() < 0) {
            libForms::VerificationError(QStringLiteral("You must select a value between 1 and 99 \r\n"
                                                       "for the 'Maximum Number of Backup Copies' \r\n"
                                                       "drop-down box."));
            return;
        }
        if (cmbStopOnError->currentIndex() < 0) {
            libForms::VerificationError(QStringLiteral("You must select either Yes or No from \r\n"
                                                       "the 'Stop on Error' drop-down box. "));
            return;
        }
        appSetup::MaxBackupCopies = qint16(cmbMaxBackupCopies->currentIndex() + 1);
        appSetup::StopOnError = cmbStopOnError->currentIndex() == YesItem;
        appSetup::RunMissedBackups = chkRunMissedBackups->isChecked();
        appSetup::SavePreferences();
        if (applyStartAtLogin())
            unload();
    });
}

bool frmPreferences::applyStartAtLogin()
{
    const bool start = chkStartAtLogin->isChecked();
    if (start == libAutostart::StartsAtLogin())
        return true;
    try {
        libAutostart::SetStartAtLogin(start, appSetup::ProgramPath());
        return true;
    } catch (const libErrorHandler::AppError& error) {
        // Told, and the dialog stays open: the setting shown is not the one in effect.
        libForms::MsgBox({QStringLiteral("Arkwell could not change its log-in entry '") + libAutostart::EntryPath()
                              + QStringLiteral("': ") + error.info().Description,
                          QStringLiteral("Arkwell Preferences"), libForms::Buttons::OK, libForms::Icon::Exclamation});
        return false;
    }
}

void frmPreferences::cmdCancel_Click()
{
    unload();
}

void frmPreferences::reject()
{
    cmdCancel_Click();
}

void frmPreferences::unload()
{
    hide();
    deleteLater();
}
