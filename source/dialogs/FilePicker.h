#pragma once
// The file picker: chooses specific files of a folder, or a wildcard group of it, for the
// wizard's source list. How a caller uses it (the wizard's "Add ..." button):
//
//     auto* picker = new FilePicker(this);   // a window of the wizard
//     connect(picker, &FilePicker::entriesChosen, ...);
//     picker->show();                        // non-modal; returns at once
//
// On Ok the picker hands over one entry per file ("/folder/name") or one wildcard entry
// ("/folder/*.*", "/folder/*.ext"), and on Add Folder a whole folder ("/folder/*.*"); then it
// gives the focus back to the wizard and deletes itself. On Cancel it deletes itself and hands
// over nothing. Closing the wizard closes the picker with it.

#include <optional>
#include <QDialog>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTabWidget;

class FilePicker : public QDialog {
    Q_OBJECT
public:
    explicit FilePicker(QWidget* wizard);

    // The folder the picker and the folder chooser start in: the folder of the last Ok or
    // chosen folder, empty before any (they then start in the home folder). Kept for the
    // program's run only.
    static QString rememberedFolder();
    static void setRememberedFolder(const QString& folder);
    // Asks for a folder (the chooser owned by `parent`) and returns its whole-folder entry
    // ("/folder/*.*"), remembering the folder; empty for a cancel.
    static QString chooseWholeFolder(QWidget* parent);

    // Ok: hands over the chosen files or wildcard group; a choice that can't be taken is told
    // and the picker stays open.
    void accept() override;
    // Ok, Cancel, Esc and the window's close button end the picker, which then deletes itself.
    void done(int result) override;

signals:
    // The entries of an Ok, in list order.
    void entriesChosen(const QStringList& entries);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSpecificFilesPage();
    QWidget* buildWildcardsPage();
    QLayout* buildButtons();
    void enableExtensionBoxes();
    // Whether a typed character may go into the extension box; a refused one is told.
    bool acceptsExtensionCharacter(QChar typed) const;
    void showFolder();
    void goToTypedFolder();
    void browseForFolder();
    void addWholeFolder();
    bool listFiles(const QString& folder);
    QStringList selectedFiles() const;
    std::optional<QString> chosenPattern() const;
    bool wildcardsShown() const;
    void handOver(const QStringList& entries);

    QPointer<QWidget> m_wizard;
    QLineEdit* m_folder = nullptr;
    QTabWidget* m_tabs = nullptr;
    QListWidget* m_files = nullptr;
    QWidget* m_wildcardsPage = nullptr;
    QRadioButton* m_allFiles = nullptr;
    QRadioButton* m_commonExtension = nullptr;
    QComboBox* m_commonExtensions = nullptr;
    QRadioButton* m_otherExtension = nullptr;
    QLineEdit* m_otherExtensionText = nullptr;
    QString m_listedFolder; // the folder m_files shows
};
