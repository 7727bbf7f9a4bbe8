#pragma once
// The file picker: chooses specific files of a folder, or a wildcard group of it, for the
// wizard's source list. How a caller uses it (the wizard's "Add ..." button):
//
//     auto* picker = new frmPickFile(this);   // a window of the wizard
//     connect(picker, &frmPickFile::EntriesChosen, ...);
//     picker->show();                         // non-modal; returns at once
//
// On Ok the picker hands over one entry per file ("/folder/name") or one wildcard entry
// ("/folder/*.*", "/folder/*.ext"), and on Add Folder a whole folder ("/folder/*.*"); then it
// gives the focus back to the wizard and deletes itself. On Cancel it deletes itself and hands
// over nothing. Closing the wizard closes the picker with it.

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <array>
#include <optional>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabBar;

class frmPickFile : public QDialog {
    Q_OBJECT
public:
    explicit frmPickFile(QWidget* wizard);

    // The folder the picker and the folder chooser start in: the folder of the last Ok or
    // chosen folder, empty before any (they then start in the home folder). Kept for the
    // program's run only.
    static QString RememberedFolder();
    static void SetRememberedFolder(const QString& sFolder);
    // Asks for a folder (the chooser owned by `parent`) and returns its whole-folder entry
    // ("/folder/*.*"), remembering the folder; empty for a cancel.
    static QString ChooseWholeFolder(QWidget* parent);

    QLabel* lblFolder = nullptr;
    QLineEdit* txtPath = nullptr;
    QPushButton* cmdBrowsePath = nullptr;
    QTabBar* tabFilePick = nullptr;
    QFrame* fraSpecificFiles = nullptr;
    QListWidget* filFileList = nullptr;
    QFrame* fraWildcards = nullptr;
    QRadioButton* optAllFiles = nullptr;
    QRadioButton* optOtherCommon = nullptr;
    QComboBox* cmbCommonExt = nullptr;
    QRadioButton* optOtherWildcard = nullptr;
    QLineEdit* txtOtherWildcard = nullptr;
    QPushButton* cmdAddFolder = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdOk = nullptr;
    std::array<QLabel*, 11> lblInstrux{};

public slots:
    void tabFilePick_Click();
    void optAllFiles_Click();
    void optOtherCommon_Click();
    void optOtherWildcard_Click();
    // Whether a typed character may go into the extension box; a refused one is told.
    bool txtOtherWildcard_KeyPress(QChar KeyAscii);
    void txtPath_Change();
    void cmdBrowsePath_Click();
    void cmdAddFolder_Click();
    // Enter in the folder box: the list shows that folder, or the user is told it is none.
    void txtPath_Enter();
    void cmdOk_Click();
    void cmdCancel_Click();

    // Closing the window or Esc is a Cancel.
    void reject() override;

signals:
    // The entries of an Ok, in list order.
    void EntriesChosen(const QStringList& entries);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createSpecificFilesPage();
    void createWildcardsPage();
    void Form_Load();
    QLabel* addInstruction(int index, QWidget* page, const QString& text);
    bool pointFileList(const QString& sFolder);
    std::optional<QString> settledPattern() const;
    void handOver(const QStringList& entries);
    bool wildcardTabSelected() const;
    void unload();

    QPointer<QWidget> m_wizard;
    QString m_fileListFolder;  // the folder filFileList shows
};
