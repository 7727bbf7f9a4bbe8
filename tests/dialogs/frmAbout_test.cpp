// The about box: what it shows, what its buttons and links start, and how it closes.
#include "dialogs/frmAbout.h"

#include "lib/appSetup.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

using testing_support::FindControl;
using testing_support::LauncherRecorder;
using testing_support::Unloaded;

namespace {

class AboutTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QDir().mkpath(folder);  // a folder with blanks is shown and passed whole
        appSetup::SetApplicationPaths(folder, "arkwell");
        about = new frmAbout;
        about->show();
    }
    void TearDown() override
    {
        delete about.data();
        AppFolderTest::TearDown();
    }
    QString text(const char* name) const { return FindControl<QLabel>(about, name)->text(); }
    void click(const char* name) const { FindControl<QPushButton>(about, name)->click(); }

    const QString folder = path("my programs/Arkwell 1");
    QPointer<frmAbout> about;
    LauncherRecorder launcher;
};

TEST_F(AboutTest, ShowsVersionFolderAndComputerAndOpensTheErrorLogAndAddresses)
{
    const QStringList version = QStringLiteral(ARKWELL_VERSION).split('.');
    EXPECT_EQ(text("lblTitle"), QStringLiteral("Arkwell %1.%2 (Bld %3)").arg(version[0], version[1], version[2]));
    EXPECT_EQ(text("lblAppPath"), folder);
    EXPECT_EQ(text("lblDataPath"), folder);  // a writable program folder keeps the data
    EXPECT_EQ(text("lblClientID"), QSysInfo::machineHostName());
    EXPECT_FALSE(FindControl<QLabel>(about, "imgIcon")->pixmap().isNull());

    click("cmdErrorLog");  // nothing logged yet: said so, nothing started
    EXPECT_EQ(messageBoxes.messages().at(0).text, "No error has been logged yet (" + folder + "/arkwell.err).");
    writeFile("my programs/Arkwell 1/arkwell.err", "an error\r\n");
    click("cmdErrorLog");
    click("cmdTechSupport");
    emit FindControl<QLabel>(about, "lblWebsite")->linkActivated("#");
    emit FindControl<QLabel>(about, "lblMailTo")->linkActivated("#");
    const std::vector<QStringList> started{{"xdg-open", folder + "/arkwell.err"},
                                           {"xdg-open", frmAbout::SourceArchiveAddress()},
                                           {"xdg-open", frmAbout::HomepageAddress()},
                                           {"xdg-open", "mailto:" + frmAbout::MailAddress()}};
    EXPECT_EQ(launcher.detached, started);
    EXPECT_EQ(messageBoxes.messages().size(), 1u);

    launcher.detachedSucceeds = false;  // an address nothing could open is told
    frmAbout::lblWebsite_Click();
    ASSERT_EQ(messageBoxes.messages().size(), 2u);
    EXPECT_EQ(messageBoxes.messages()[1].text,
              "No program could be started to open '" + frmAbout::HomepageAddress() + "'.");
    click("cmdErrorLog");  // no log viewer: the program shows the log itself
    QWidget* view = testing_support::OpenWindow("frmLogView");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(FindControl<QPlainTextEdit>(view, "txtLog")->toPlainText(), "an error\n");
    delete view;
    click("cmdThankYou");
    EXPECT_EQ(messageBoxes.messages().at(2).title, "Thank You");
    EXPECT_TRUE(about->isVisible());
}

TEST_F(AboutTest, EnterEscOkAndCloseEndTheBoxAndF1AsksForHelp)
{
    QSignalSpy help(about.data(), &frmAbout::HelpContents);
    QTest::keyClick(about, Qt::Key_A);
    QTest::keyClick(FindControl<QPushButton>(about, "cmdErrorLog"), Qt::Key_F1);
    EXPECT_EQ(help.count(), 1);
    const std::vector<std::function<void(frmAbout*)>> closers = {
        [](frmAbout* box) { QTest::keyClick(box, Qt::Key_Escape); },
        [](frmAbout* box) { QTest::keyClick(box, Qt::Key_Return); },
        [](frmAbout* box) { FindControl<QPushButton>(box, "cmdClose")->click(); },
        [](frmAbout* box) { box->close(); },
    };
    for (const auto& closeBox : closers) {
        if (about.isNull()) {
            about = new frmAbout;
            about->show();
        }
        closeBox(about);
        EXPECT_TRUE(Unloaded(about));
    }
    EXPECT_TRUE(messageBoxes.messages().empty());
}

}  // namespace
