#include "dialogs/FolderBrowser.h"

#include "lib/Files.h"

#include <QDir>
#include <QFileDialog>

namespace {

FolderBrowser::Chooser& installedChooser()
{
    static FolderBrowser::Chooser chooser;
    return chooser;
}

// The desktop's folder dialog, folders of the file system only.
QString chooseWithDialog(QWidget* owner, const QString& prompt, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(owner, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

} // namespace

FolderBrowser::FolderBrowser(QWidget* owner, QString prompt, QString startFolder)
    : m_owner(owner)
    , m_prompt(std::move(prompt))
    , m_startFolder(std::move(startFolder))
{
}

QString FolderBrowser::choose() const
{
    const Chooser& chooser = installedChooser();
    const QString start = Files::folderExists(m_startFolder) ? m_startFolder : QDir::homePath();
    const QString chosen = chooser ? chooser(m_owner, m_prompt, start) : chooseWithDialog(m_owner, m_prompt, start);
    return Files::withoutTrailingSlash(chosen);
}

QString FolderBrowser::chooseExisting(const std::function<void()>& tellMissing) const
{
    for (;;) {
        const QString path = choose();
        if (path.isEmpty() || Files::folderExists(path))
            return path;
        tellMissing();
    }
}

void FolderBrowser::setChooser(Chooser chooser)
{
    installedChooser() = std::move(chooser);
}
