#include "dialogs/frmPreferences.h"

#include "lib/AppPaths.h"
#include "dialogs/libControls.h"
#include "lib/Autostart.h"
#include "lib/Errors.h"
#include "lib/Messages.h"
#include "lib/Preferences.h"
#include "lib/Twips.h"

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
    setFixedSize(Twips::rect(0, 0, 5505, 3045).size());
    createControls();
    Form_Load();
}

void frmPreferences::createControls()
{
    cmbMaxBackupCopies = NewControl<QComboBox>(this, "cmbMaxBackupCopies", Twips::rect(60, 240, 735, 315));
    cmbStopOnError = NewControl<QComboBox>(this, "cmbStopOnError", Twips::rect(60, 900, 735, 315));

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
        lblItem[i]->setGeometry(Twips::rect(900, i == 0 ? 240 : 900, 4515, 435));
    }
    lblItem[0]->setBuddy(cmbMaxBackupCopies);
    lblItem[1]->setBuddy(cmbStopOnError);
    chkRunMissedBackups = NewControl<QCheckBox>(this, "chkRunMissedBackups", Twips::rect(60, 1560, 5355, 315));
    chkRunMissedBackups->setText(QStringLiteral("Run backups missed while Arkwell was not running"));
    chkStartAtLogin = NewControl<QCheckBox>(this, "chkStartAtLogin", Twips::rect(60, 1920, 5355, 315));
    chkStartAtLogin->setText(QStringLiteral("Start Arkwell at log-in"));

    cmdOk = NewControl<QPushButton>(this, "cmdOk", Twips::rect(1545, 2460, 1095, 375));
    cmdOk->setText(QStringLiteral("&Ok"));
    cmdOk->setAutoDefault(false);
    cmdCancel = NewControl<QPushButton>(this, "cmdCancel", Twips::rect(2865, 2460, 1095, 375));
    cmdCancel->setText(QStringLiteral("&Cancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmPreferences::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPreferences::cmdCancel_Click);
}

void frmPreferences::Form_Load()
{
    Errors::trap("frmPreferences", "Form_Load()", [&] {
        for (int copies = MinBackupCopies; copies <= MaxBackupCopiesLimit; ++copies)
            cmbMaxBackupCopies->addItem(QString::number(copies));
        cmbStopOnError->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
        cmbStopOnError->setCurrentIndex(Preferences::stopOnError ? YesItem : NoItem);
        chkRunMissedBackups->setChecked(Preferences::runMissedBackups);
        // A preferences file edited by hand may hold a count the box lacks: show the nearest
        // one rather than fail.
        const int copies = std::clamp<int>(Preferences::maxBackupCopies, MinBackupCopies, MaxBackupCopiesLimit);
        cmbMaxBackupCopies->setCurrentIndex(copies - 1);
        chkStartAtLogin->setChecked(Autostart::startsAtLogin());
    });
}

void frmPreferences::cmdOk_Click()
{
    Errors::trap("frmPreferences", "cmdOK_Click()", [&] {
        if (cmbMaxBackupCopies->currentIndex() < 0) {
            Messages::verificationError(QStringLiteral("You must select a value between 1 and 99 \r\n"
                                                       "for the 'Maximum Number of Backup Copies' \r\n"
                                                       "drop-down box."));
            return;
        }
        if (cmbStopOnError->currentIndex() < 0) {
            Messages::verificationError(QStringLiteral("You must select either Yes or No from \r\n"
                                                       "the 'Stop on Error' drop-down box. "));
            return;
        }
        Preferences::maxBackupCopies = qint16(cmbMaxBackupCopies->currentIndex() + 1);
        Preferences::stopOnError = cmbStopOnError->currentIndex() == YesItem;
        Preferences::runMissedBackups = chkRunMissedBackups->isChecked();
        Preferences::save();
        if (applyStartAtLogin())
            unload();
    });
}

bool frmPreferences::applyStartAtLogin()
{
    const bool start = chkStartAtLogin->isChecked();
    if (start == Autostart::startsAtLogin())
        return true;
    const Result<> changed = Autostart::setStartAtLogin(start, AppPaths::programPath());
    if (!changed)  // told, and the dialog stays open: the setting shown is not the one in effect
        Messages::show({QStringLiteral("Arkwell could not change its log-in entry '") + Autostart::entryPath()
                            + QStringLiteral("': ") + changed.reason(),
                        QStringLiteral("Arkwell Preferences"), Messages::Buttons::OK, Messages::Icon::Exclamation});
    return changed.ok();
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
