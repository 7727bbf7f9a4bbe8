#include "dialogs/CBrowseDlg.h"

#include "support/FolderChooserStub.h"

#include <gtest/gtest.h>

TEST(CBrowseDlg, AChosenFolderReplacesTheTextAndACancelKeepsIt)
{
    QWidget owner;
    CBrowseDlg dlg;
    dlg.setParentHWnd(&owner);
    dlg.setPrompt(QStringLiteral("Please select a directory into which backup will be placed."));
    testing_support::FolderChooserStub chooser({"/srv/backups", "/", QString()});
    QString sPath = QStringLiteral("unchanged");
    dlg.ShowBrowseDlg(sPath);
    EXPECT_EQ(sPath, "/srv/backups");
    dlg.ShowBrowseDlg(sPath);
    EXPECT_EQ(sPath, "/");
    dlg.ShowBrowseDlg(sPath);  // cancelled
    EXPECT_EQ(sPath, "/");
    EXPECT_EQ(chooser.prompts, QStringList(3, "Please select a directory into which backup will be placed."));
    EXPECT_EQ(chooser.parents.front(), &owner);
}
