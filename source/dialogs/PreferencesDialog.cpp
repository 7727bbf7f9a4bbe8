#include "dialogs/PreferencesDialog.h"

#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "lib/Autostart.h"
#include "lib/Errors.h"
#include "lib/Messages.h"
#include "shared/Controls.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int MinBackupCopies = 1;
constexpr int MaxBackupCopiesLimit = 99;
constexpr int YesItem = 0;
constexpr int NoItem = 1;

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PreferencesDialog"));
    setWindowTitle(tr("Arkwell Preferences"));
    buildControls();
    showPreferences();
}

void PreferencesDialog::buildControls()
{
    m_maxCopies = Controls::named(new QComboBox, "maxCopiesList");
    m_stopOnError = Controls::named(new QComboBox, "stopOnErrorList");
    m_runMissed
        = Controls::named(new QCheckBox(tr("Run backups missed while Arkwell was not running")), "runMissedBox");
    m_startAtLogin = Controls::named(new QCheckBox(tr("Start Arkwell at log-in")), "startAtLoginBox");
    auto* ok = Controls::named(new QPushButton(tr("&Ok")), "okButton");
    auto* cancel = Controls::named(new QPushButton(tr("&Cancel")), "cancelButton");
    for (QPushButton* button : {ok, cancel})
        button->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    const auto addChoice = [layout](int row, QComboBox* list, const QString& question) {
        auto* label = new QLabel(question);
        label->setWordWrap(true);
        label->setBuddy(list);
        layout->addWidget(list, row, 0, Qt::AlignTop);
        layout->addWidget(label, row, 1);
    };
    addChoice(0, m_maxCopies, tr("Maximum number of Backup Copies in drop-down box at Job Definition Wizard?"));
    addChoice(1, m_stopOnError, tr("Stop Auto Backups and popup message box if error encountered during backup?"));
    layout->addWidget(m_runMissed, 2, 0, 1, 2);
    layout->addWidget(m_startAtLogin, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    // The questions wrap at a readable width rather than stretching the dialog across the screen.
    layout->setColumnMinimumWidth(1, fontMetrics().averageCharWidth() * 45);
}

void PreferencesDialog::showPreferences()
{
    for (int copies = MinBackupCopies; copies <= MaxBackupCopiesLimit; ++copies)
        m_maxCopies->addItem(QString::number(copies));
    m_stopOnError->addItems({tr("Yes"), tr("No")});
    m_stopOnError->setCurrentIndex(Preferences::stopOnError ? YesItem : NoItem);
    m_runMissed->setChecked(Preferences::runMissedBackups);
    // A preferences file edited by hand may hold a count the box lacks: show the nearest
    // one rather than fail.
    const int copies = std::clamp<int>(Preferences::maxBackupCopies, MinBackupCopies, MaxBackupCopiesLimit);
    m_maxCopies->setCurrentIndex(copies - 1);
    m_startAtLogin->setChecked(Autostart::startsAtLogin());
}

void PreferencesDialog::accept()
{
    if (m_maxCopies->currentIndex() < 0) {
        Messages::verificationError(tr("You must select a value between 1 and 99 \r\n"
                                       "for the 'Maximum Number of Backup Copies' \r\n"
                                       "drop-down box."));
        return;
    }
    if (m_stopOnError->currentIndex() < 0) {
        Messages::verificationError(tr("You must select either Yes or No from \r\n"
                                       "the 'Stop on Error' drop-down box. "));
        return;
    }
    Preferences::maxBackupCopies = qint16(m_maxCopies->currentIndex() + 1);
    Preferences::stopOnError = m_stopOnError->currentIndex() == YesItem;
    Preferences::runMissedBackups = m_runMissed->isChecked();
    Preferences::save();
    if (applyStartAtLogin())
        QDialog::accept();
}

bool PreferencesDialog::applyStartAtLogin()
{
    const bool start = m_startAtLogin->isChecked();
    if (start == Autostart::startsAtLogin())
        return true;
    const Result<> changed = Autostart::setStartAtLogin(start, AppPaths::programPath());
    if (!changed)  // told, and the dialog stays open: the setting shown is not the one in effect
        Messages::show({tr("Arkwell could not change its log-in entry '%1': %2").arg(Autostart::entryPath(), changed.reason()),
            tr("Arkwell Preferences"), Messages::Buttons::OK, Messages::Icon::Exclamation});
    return changed.ok();
}

void PreferencesDialog::done(int result)
{
    QDialog::done(result);
    deleteLater();
}
