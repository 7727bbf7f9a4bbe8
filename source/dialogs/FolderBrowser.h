#pragma once
// The folder browser: the user picks one folder of the file system and the caller gets its
// path. How a caller uses it:
//
//     CBrowseDlg dlg;
//     dlg.setParentHWnd(this);
//     dlg.setPrompt(QStringLiteral("Please select a directory to backup."));
//     QString sPath;             // stays as it was when the user cancels
//     dlg.ShowBrowseDlg(sPath);
//     if (!sPath.isEmpty()) ...  // the chosen folder: "/" for the root, no trailing "/" otherwise
//
// Tests replace the dialog with SetFolderChooser (see tests/support/FolderChooserStub.h), so
// no real folder dialog opens under test.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class CBrowseDlg {
public:
    // The instruction shown with the folder tree.
    void setPrompt(const QString& Prompt) { m_prompt = Prompt; }
    // The owner window of the dialog; none by default.
    void setParentHWnd(QWidget* ParentHWnd) { m_parent = ParentHWnd; }
    // The folder the dialog opens in; the home folder by default (and for a folder gone).
    void setStartFolder(const QString& folder) { m_startFolder = folder; }

    // Shows the dialog and waits, events processed meanwhile. A confirmed folder's full path is
    // put into sReturnPath; a cancel leaves it unchanged.
    void ShowBrowseDlg(QString& sReturnPath) const;
    // Shows the dialog until the user confirms a folder that exists or cancels (an empty
    // text); `tellMissing` tells the user of a confirmed folder that doesn't exist before the
    // dialog shows again. The folder comes without a trailing separator, except the root.
    QString ShowBrowseDlgForExistingFolder(const std::function<void()>& tellMissing) const;

    // What shows the dialog: given the owner, the prompt and the folder to open in, it returns
    // the chosen folder's path, or an empty text for a cancel.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& prompt, const QString& startFolder)>;
    // Replaces the dialog (tests); an empty chooser restores the real one.
    static void SetFolderChooser(FolderChooser chooser);

private:
    QString m_prompt;
    QString m_startFolder;
    QPointer<QWidget> m_parent;
};
