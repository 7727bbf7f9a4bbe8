#pragma once
// The folder browser: the user picks one folder of the file system and the caller gets its
// path, "/" for the root and without a trailing "/" otherwise:
//
//     const QString folder = FolderBrowser(this, tr("Please select a directory to backup.")).choose();
//     if (!folder.isEmpty()) ...  // empty: cancelled
//
// Tests replace the dialog with setChooser (see tests/support/FolderChooserStub.h), so no
// real folder dialog opens under test.

#include <functional>
#include <QPointer>
#include <QString>
#include <QWidget>

class FolderBrowser {
public:
    // The dialog belongs to `owner`, shows `prompt` and opens in `startFolder` (the home
    // folder when that is empty or gone).
    FolderBrowser(QWidget* owner, QString prompt, QString startFolder = {});

    // Shows the dialog and returns the chosen folder, or an empty text for a cancel.
    QString choose() const;
    // Shows the dialog until the user confirms a folder that exists or cancels (an empty
    // text); `tellMissing` tells the user of a confirmed folder that doesn't exist before the
    // dialog shows again.
    QString chooseExisting(const std::function<void()>& tellMissing) const;

    // What shows the dialog: given the owner, the prompt and the folder to open in, it returns
    // the chosen folder's path, or an empty text for a cancel.
    using Chooser = std::function<QString(QWidget* owner, const QString& prompt, const QString& startFolder)>;
    // Replaces the dialog (tests); an empty chooser restores the real one.
    static void setChooser(Chooser chooser);

private:
    QPointer<QWidget> m_owner;
    QString m_prompt;
    QString m_startFolder;
};
