#pragma once
// The preferences dialog: the program-wide preferences, saved at once on Ok. A caller
// shows it non-modally (`(new PreferencesDialog(parent))->show()`); it deletes itself when it
// closes, and registers as "PreferencesDialog" so a caller can tell that it is already open.

#include <QDialog>

class QCheckBox;
class QComboBox;

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget* parent = nullptr);

    // Stores and saves the preferences; an empty list or a log-in entry that can't be
    // changed is told and the dialog stays open.
    void accept() override;
    // Ok, Cancel, Esc and the window's close button end the dialog, which then deletes itself.
    void done(int result) override;

private:
    void buildControls();
    void showPreferences();
    // Writes or removes the autostart entry as the check box says; false (after telling the
    // user) when that fails.
    bool applyStartAtLogin();

    QComboBox* m_maxCopies = nullptr;
    QComboBox* m_stopOnError = nullptr;
    QCheckBox* m_runMissed = nullptr;
    QCheckBox* m_startAtLogin = nullptr; // writes or removes the user's autostart entry
};
