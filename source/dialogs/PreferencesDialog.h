#pragma once
// The preferences dialog: the program-wide preferences, saved at once on Ok. A caller
// shows it non-modally (`(new frmPreferences(parent))->show()`); it deletes itself when it
// closes, and registers as "frmPreferences" so a caller can tell that it is already open.

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

class frmPreferences : public QDialog {
    Q_OBJECT
public:
    explicit frmPreferences(QWidget* parent = nullptr);

    QComboBox* cmbMaxBackupCopies = nullptr;
    QComboBox* cmbStopOnError = nullptr;
    QCheckBox* chkRunMissedBackups = nullptr;
    std::array<QLabel*, 2> lblItem{};
    QCheckBox* chkStartAtLogin = nullptr;  // writes or removes the user's autostart entry
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void cmdOk_Click();
    void cmdCancel_Click();
    // Closing the window or Esc is a Cancel.
    void reject() override;

private:
    void createControls();
    void Form_Load();
    // Writes or removes the autostart entry as the check box says; false (after telling the
    // user) when that fails.
    bool applyStartAtLogin();
    void unload();
};
