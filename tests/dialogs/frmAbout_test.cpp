#include "dialogs/frmAbout.h"

#include "agent/appSetup.h"
#include "agent/libPictures.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using testing_support::LauncherRecorder;

using testing_support::FindControl;
using testing_support::Unloaded;

namespace {

class AboutTest : public testing_support::AppFolderTest {
protected:
    frmAbout* open()
    {
        auto* about = new frmAbout;
        about->show();
        return about;
    }
    static QString text(QWidget* dialog, const char* name) { return FindControl<QLabel>(dialog, name)->text(); }
};

TEST_F(AboutTest, ShowsVersionFolderAndComputer)
{
    // A folder with blanks is shown whole.
    const QString folder = path("my programs/Arkwell 1");
    QDir().mkpath(folder);
    appSetup::SetApplicationPaths(folder, "arkwell");
    frmAbout* about = open();
    EXPECT_EQ(about->windowTitle(), "About Arkwell");
    const QStringList version = QStringLiteral(ARKWELL_VERSION).split('.');
    EXPECT_EQ(text(about, "lblTitle"),
              QStringLiteral("Arkwell %1.%2 (Bld %3)").arg(version[0], version[1], version[2]));
    EXPECT_EQ(text(about, "lblFor"), "Zip Backup Job Scheduling Agent");
    EXPECT_TRUE(text(about, "lblLicense").contains("MIT"));
    EXPECT_EQ(text(about, "lblAppPath"), folder);
    EXPECT_EQ(text(about, "lblDataPath"), folder);  // a writable program folder keeps the data
    EXPECT_EQ(text(about, "lblClientID"), QSysInfo::machineHostName());
    EXPECT_TRUE(text(about, "lblWebsite").contains(frmAbout::HomepageAddress()));
    EXPECT_TRUE(text(about, "lblMailTo").contains("mailto: " + frmAbout::MailAddress()));
    EXPECT_EQ(about->findChildren<QFrame*>("linSeparator").size(), 2);
    EXPECT_FALSE(FindControl<QLabel>(about, "imgIcon")->pixmap().isNull());
    EXPECT_EQ(libPictures::AppIcon().availableSizes().size(), 8);
    EXPECT_EQ(FindControl<QPushButton>(about, "cmdClose")->text(), "OK");
    EXPECT_EQ(FindControl<QPushButton>(about, "cmdErrorLog")->text(), "Error &Log");
    EXPECT_EQ(FindControl<QPushButton>(about, "cmdErrorLog")->toolTip(), "Display Error Log File");
    EXPECT_EQ(FindControl<QPushButton>(about, "cmdTechSupport")->text(), "&Download Source");
    delete about;
}

TEST_F(AboutTest, TheErrorLogOpensInTheDesktopsViewer)
{
    const QString folder = path("with blanks");
    QDir().mkpath(folder);
    appSetup::SetApplicationPaths(folder, "arkwell");
    LauncherRecorder launcher;
    frmAbout* about = open();
    auto* button = FindControl<QPushButton>(about, "cmdErrorLog");
    {  // nothing logged yet: said so, nothing started
        button->click();
        EXPECT_TRUE(launcher.detached.empty());
        ASSERT_EQ(messageBoxes.messages().size(), 1u);
        EXPECT_EQ(messageBoxes.messages()[0].text, "No error has been logged yet (" + folder + "/arkwell.err).");
    }
    writeFile("with blanks/arkwell.err", "an error\r\n");
    {  // the path is one argument, blanks and all
        button->click();
        ASSERT_EQ(launcher.detached.size(), 1u);
        EXPECT_EQ(launcher.detached[0], QStringList({"xdg-open", folder + "/arkwell.err"}));
    }
    {  // a viewer that can't be started is told, not ignored
        launcher.detachedSucceeds = false;
        button->click();
        ASSERT_EQ(messageBoxes.messages().size(), 2u);
        EXPECT_EQ(messageBoxes.messages()[1].text, "The error log could not be opened: xdg-open could not be started.");
    }
    EXPECT_TRUE(about->isVisible());
    delete about;
}

TEST_F(AboutTest, AddressesOpenInTheBrowserFailuresAreQuietAndThankYouShowsItsMessage)
{
    LauncherRecorder launcher;
    frmAbout::lblWebsite_Click();  // Help > Arkwell Homepage, without the box
    frmAbout* about = open();
    FindControl<QPushButton>(about, "cmdTechSupport")->click();
    emit FindControl<QLabel>(about, "lblWebsite")->linkActivated("#");
    emit FindControl<QLabel>(about, "lblMailTo")->linkActivated("#");
    launcher.detachedSucceeds = false;
    frmAbout::lblWebsite_Click();
    ASSERT_EQ(launcher.detached.size(), 5u);
    EXPECT_EQ(launcher.detached[0], QStringList({"xdg-open", frmAbout::HomepageAddress()}));
    EXPECT_EQ(launcher.detached[1], QStringList({"xdg-open", frmAbout::SourceArchiveAddress()}));
    EXPECT_EQ(launcher.detached[2], launcher.detached[0]);
    EXPECT_EQ(launcher.detached[3], QStringList({"xdg-open", "mailto:" + frmAbout::MailAddress()}));
    EXPECT_TRUE(frmAbout::HomepageAddress().startsWith("https://"));
    EXPECT_TRUE(messageBoxes.messages().empty());
    delete about;

    about = open();
    FindControl<QPushButton>(about, "cmdThankYou")->click();
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    const libForms::Message& message = messageBoxes.messages()[0];
    EXPECT_EQ(message.title, "Thank You");
    EXPECT_EQ(message.buttons, libForms::Buttons::OK);
    EXPECT_EQ(message.icon, libForms::Icon::None);
    EXPECT_TRUE(message.text.contains("Info-ZIP"));
    delete about;
}

TEST_F(AboutTest, EnterEscAndOkCloseTheBoxAndF1AsksForHelp)
{
    {
        QPointer<frmAbout> about = open();
        QSignalSpy help(about.data(), &frmAbout::HelpContents);
        QTest::keyClick(about, Qt::Key_A);
        EXPECT_EQ(help.count(), 0);
        QTest::keyClick(FindControl<QPushButton>(about, "cmdErrorLog"), Qt::Key_F1);
        EXPECT_EQ(help.count(), 1);
        EXPECT_FALSE(Unloaded(about));
        QTest::keyClick(about, Qt::Key_Escape);
        EXPECT_TRUE(Unloaded(about));
    }
    const std::vector<std::function<void(frmAbout*)>> closers = {
        [](frmAbout* about) { QTest::keyClick(about, Qt::Key_Return); },
        [](frmAbout* about) { FindControl<QPushButton>(about, "cmdClose")->click(); },
        [](frmAbout* about) { about->close(); },
    };
    for (const auto& closeBox : closers) {
        QPointer<frmAbout> about = open();
        closeBox(about);
        EXPECT_TRUE(Unloaded(about));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

}  // namespace
