#include "dialogs/CBrowseDlg.h"

#include "lib/Files.h"

#include <QDir>
#include <QFileDialog>

namespace {

CBrowseDlg::FolderChooser& installedChooser()
{
    static CBrowseDlg::FolderChooser chooser;
    return chooser;
}

// The desktop's folder dialog, folders of the file system only.
QString chooseWithDialog(QWidget* parent, const QString& prompt, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

}  // namespace

void CBrowseDlg::ShowBrowseDlg(QString& sReturnPath) const
{
    const FolderChooser& chooser = installedChooser();
    const QString start = Files::folderExists(m_startFolder) ? m_startFolder : QDir::homePath();
    const QString chosen = chooser ? chooser(m_parent, m_prompt, start) : chooseWithDialog(m_parent, m_prompt, start);
    if (!chosen.isEmpty())
        sReturnPath = chosen;
}

QString CBrowseDlg::ShowBrowseDlgForExistingFolder(const std::function<void()>& tellMissing) const
{
    for (;;) {
        QString path;
        ShowBrowseDlg(path);
        if (path.isEmpty() || Files::folderExists(path))
            return Files::withoutTrailingSlash(path);
        tellMissing();
    }
}

void CBrowseDlg::SetFolderChooser(FolderChooser chooser)
{
    installedChooser() = std::move(chooser);
}
