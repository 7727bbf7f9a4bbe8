// The job definition wizard driven through its controls: new and edited jobs end to end,
// a refused Finish, navigation and focus, the option rules, the source list and the boxes of
// the start time and the target.
#include "wizard/frmWIZ_JobDefinition.h"
#include "wizard/ExclusionsPanel.h"

#include "agent/AgentStart.h"
#include "dialogs/frmPickFile.h"
#include "lib/AppPaths.h"
#include "lib/Preferences.h"
#include "schedule/JobListWindow.h"
#include "support/FolderChooserStub.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QLayout>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

using Messages::Answer;
using testing_support::ItemTexts;
using testing_support::LauncherRecorder;
using testing_support::Unloaded;

namespace {

class WizardTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        Preferences::maxBackupCopies = 99;
        AgentStart::loadJobList(schedule);
        frmPickFile::SetRememberedFolder(QString());
        QDir().mkpath(path("data/sub"));
        QDir().mkpath(path("target"));
    }
    void TearDown() override
    {
        delete wizard.data();
        AppFolderTest::TearDown();
    }

    // Opens the wizard on a new job, or on the listed job of that name.
    void open(const QString& jobName = {})
    {
        delete wizard.data();
        wizard = new frmWIZ_JobDefinition(schedule.Jobs(), jobName);
        QObject::connect(wizard, &frmWIZ_JobDefinition::helpRequested, &schedule, &JobListWindow::mnuHelpContents_Click);
        wizard->setAddJob(jobName.isEmpty());
        wizard->show();
    }
    // A weekly job saved today, on Monday and Friday, its sources in the list's order: an
    // unchanged edit writes these bytes again.
    QByteArray weeklyJob(const QString& name) const
    {
        return (name + "\r\nDec-07-2026\r\n11:58:00 PM\r\n2\r\n68\r\n0\r\nTrue\r\n5\r\ns3cret word\r\nTrue\r\nTrue\r\n" +
                path("target") + "/\r\n" + path("data") + "/*.*\r\n" + path("data/b.txt") + "\r\n" + path("data/sub") +
                "/*.doc\r\n\r\n")
            .toUtf8();
    }
    // Writes a job file into the jobs folder and lists the jobs as start-up does.
    void listJobFile(const QString& cleanedName, const QByteArray& content)
    {
        writeFile("BackupJobs/" + cleanedName + ".awj", content);
        AgentStart::loadJobList(schedule);
    }

    template <typename Control>
    Control* control(const char* name) const
    {
        return testing_support::FindControl<Control>(wizard, name);
    }
    QLineEdit* text(const char* name) const { return control<QLineEdit>(name); }
    QAbstractButton* button(const char* name) const { return control<QAbstractButton>(name); }
    QListWidget* sources() const { return control<QListWidget>("lstFilesToBackup"); }
    // Drops the paths on the source list as a real drag does, or a plain text when there are none.
    void drop(const QStringList& paths)
    {
        QMimeData data;
        for (const QString& dropped : paths)
            data.setUrls(data.urls() << QUrl::fromLocalFile(dropped));
        if (paths.isEmpty())
            data.setText(QStringLiteral("just some text"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sources()->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sources()->viewport(), &event);
    }
    // The least a new job needs to pass every step: a source and a target.
    void fillLeast()
    {
        sources()->addItem(path("data/b.txt"));
        text("txtTargDir")->setText(path("target"));
    }
    void goToStep(int step)
    {
        while (wizard->CurrentStep() != step) {
            const int before = wizard->CurrentStep();
            button(before < step ? "cmdNext" : "cmdBack")->click();
            ASSERT_NE(wizard->CurrentStep(), before) << "stuck on step " << before;
        }
    }
    // Finish where the wizard stands, or on the last step where it is not offered yet.
    void finish(bool closes = true)
    {
        if (!button("cmdFinish")->isEnabled())
            goToStep(6);
        button("cmdFinish")->click();
        EXPECT_EQ(Unloaded(wizard), closes);
    }
    const Messages::Message& lastMessage() const { return messageBoxes.messages().back(); }
    QString jobFile(const QString& cleanedName) const { return AppPaths::jobsFolder() + cleanedName + ".awj"; }
    QString rowFile(const QString& jobName) const
    {
        const QTreeWidgetItem* row = schedule.FindItemByKey("_" + jobName);
        return row ? row->text(JobListWindow::ColJobFile) : QString();
    }

    testing_support::TestClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    Agent agent;
    JobListWindow schedule{agent};
    QPointer<frmWIZ_JobDefinition> wizard;
};

TEST_F(WizardTest, NewAndOpenOfTheJobListShowTheWizardWhichWritesOrMovesTheJobFile)
{
    // The wizard is modal to the job list, above it and centred on it.
    const auto through = [this](void (JobListWindow::*command)(), const std::function<void()>& fill) {
        (schedule.*command)();
        wizard = qobject_cast<frmWIZ_JobDefinition*>(testing_support::OpenWindow("frmWIZ_JobDefinition"));
        ASSERT_FALSE(wizard.isNull());
        EXPECT_EQ(wizard->parentWidget(), &schedule);
        EXPECT_EQ(wizard->windowModality(), Qt::WindowModal);
        fill();
        EXPECT_TRUE(QTest::qWaitFor([this] { return wizard.isNull(); }));
    };
    through(&JobListWindow::cmdAddJob_Click, [this] {
        EXPECT_EQ(wizard->windowTitle(), "Add New Backup Job");
        EXPECT_EQ(text("txtPassword")->echoMode(), QLineEdit::Password);
        fillLeast();
        finish();
    });
    const QByteArray stored = readFile("BackupJobs/NewBackupJob.awj");
    EXPECT_EQ(QString::fromUtf8(stored), "New Backup Job\r\nDec-07-2026\r\n03:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\n"
                                         "False\r\nFalse\r\n" + path("target") + "/\r\n" + path("data/b.txt") + "\r\n#cachedir-tag=1\r\n\r\n");

    for (const char* file : {"data/photos.2024/a.jpg", "data/Makefile", "data/notes.txt"})
        writeFile(file, "x");
    open();
    EXPECT_EQ(text("txtBackupJobName")->text(), "New Backup Job 2");
    text("txtBackupJobName")->setText(QStringLiteral("Photos & Notes (home)"));
    text("txtStartTime")->setText(QStringLiteral("9:05pm"));
    control<QComboBox>("cmbFrequency")->setCurrentIndex(1);
    button("chkWednesday")->setChecked(true);
    // Folders and files are told apart by what they are, not by a full stop in the name.
    drop({path("data/photos.2024"), path("data/Makefile"), path("data/notes.txt")});
    button("chkSubdirectories")->setChecked(true);
    control<QPlainTextEdit>("txtExclusions")->setPlainText(" *.tmp\n\nbuild/");
    button("chkCacheDirTag")->setChecked(false);
    text("txtTargDir")->setText(path("target"));
    button("optIncremental")->setChecked(true);
    control<QComboBox>("cmbNumberZipFilesToKeep")->setCurrentIndex(7);
    button("chkPasswordProtect")->setChecked(true);
    text("txtPassword")->setText(QStringLiteral("zwei Wörter $x"));
    text("txtPasswordConfirm")->setText(QStringLiteral("zwei Wörter $y"));
    finish(false);
    EXPECT_EQ(lastMessage().text, "The two passwords differ.  Please type the same password in both boxes.");
    text("txtPasswordConfirm")->setText(QStringLiteral("zwei Wörter $x"));
    finish();
    EXPECT_EQ(messageBoxes.messages().size(), 1u);
    // Weekly on Wednesday and Sunday (16 + 2), 7 copies; the sources sorted.
    const QString data = path("data");
    EXPECT_EQ(QString::fromUtf8(readFile("BackupJobs/PhotosNoteshome.awj")),
              "Photos & Notes (home)\r\nDec-07-2026\r\n09:05:00 PM\r\n2\r\n18\r\n0\r\nTrue\r\n7\r\nzwei Wörter $x\r\n"
              "True\r\nTrue\r\n" + path("target") + "/\r\n" + data + "/Makefile\r\n" + data + "/notes.txt\r\n" + data +
                  "/photos.2024/*.*\r\n#exclude= *.tmp\r\n#exclude=build/\r\n\r\n");

    // Leaving step 1 checks the name; a clash names the job it clashes with.
    open();
    text("txtBackupJobName")->setText(QStringLiteral("Photos Notes home"));
    button("cmdNext")->click();
    EXPECT_EQ(lastMessage().text, "A derivative of this name has already been used by the Backup Job "
                                  "'Photos & Notes (home)'; please enter a different name.");
    EXPECT_EQ(wizard->CurrentStep(), 1);
    button("cmdCancel")->click();
    EXPECT_TRUE(Unloaded(wizard));

    // Open on the selected row; a new name moves the job into a file of its own. An edit
    // finishes from any step.
    schedule.lvwSchedule->setCurrentItem(schedule.FindItemByKey("_New Backup Job"));
    through(&JobListWindow::cmdEditJob_Click, [this] {
        EXPECT_EQ(wizard->windowTitle(), "Edit Backup Job");
        text("txtBackupJobName")->setText(QStringLiteral("Daily Papers"));
        ASSERT_EQ(wizard->CurrentStep(), 1);
        finish();
    });
    EXPECT_FALSE(QFile::exists(jobFile("NewBackupJob")));
    EXPECT_EQ(readFile("BackupJobs/DailyPapers.awj"), QByteArray(stored).replace("New Backup Job", "Daily Papers"));
    EXPECT_EQ(rowFile("Daily Papers"), jobFile("DailyPapers"));
}

TEST_F(WizardTest, AnEditShowsEveryStoredValueARefusedFinishWritesNothingAndShowsItsStep)
{
    // "Work.awj" holds the job "Home" (renamed by hand); "Skipped.awj" was left out at start-up.
    writeFile("BackupJobs/Skipped.awj", "damaged");
    listJobFile("Work", weeklyJob("Home"));
    open("Home");
    text("txtBackupJobName")->setText(QStringLiteral("Skipped"));
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("The jobs folder already holds the file '" + jobFile("Skipped")));
    EXPECT_EQ(lastMessage().title, "Verification Error");
    EXPECT_EQ(readFile("BackupJobs/Skipped.awj"), "damaged");
    EXPECT_EQ(wizard->CurrentStep(), 1);
    EXPECT_TRUE(button("cmdNext")->isEnabled() && button("cmdFinish")->isEnabled());
    const size_t refused = messageBoxes.messages().size();
    button("cmdNext")->click();  // leaving step 1 checks it too
    EXPECT_EQ(messageBoxes.messages().size(), refused + 1);
    EXPECT_EQ(wizard->CurrentStep(), 1);

    // A refusal without a step of its own (a wildcard in a plain copy) leaves the user where he stands.
    text("txtBackupJobName")->setText(QStringLiteral("Home"));
    goToStep(6);
    button("optCompression_0")->setChecked(true);
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("You cannot use wildcard specifications"));
    EXPECT_EQ(wizard->CurrentStep(), 6);

    // Named as its file, the job stays in it; the bytes show that every step showed its value.
    open("Home");
    text("txtBackupJobName")->setText(QStringLiteral("Work"));
    finish();
    EXPECT_EQ(rowFile("Work"), jobFile("Work"));
    EXPECT_EQ(readFile("BackupJobs/Work.awj"), weeklyJob("Work"));

    // A monthly plain copy keeping more archives than the preference allows: kept, not lowered.
    const QByteArray plain = "Plain\r\nDec-07-2026\r\n11:58:00 PM\r\n3\r\n68\r\n28\r\nFalse\r\n120\r\n\r\nTrue\r\nFalse\r\n" +
                             (path("target") + "/\r\n" + path("data/b.txt") + "\r\n\r\n").toUtf8();
    listJobFile("Plain", plain);
    open("Plain");
    EXPECT_TRUE(control<QComboBox>("cmbDayOfMonth")->isVisibleTo(wizard->fraWizSteps[1]));
    EXPECT_FALSE(button("chkMonday")->isVisibleTo(wizard->fraWizSteps[1]));
    EXPECT_FALSE(control<QComboBox>("cmbNumberZipFilesToKeep")->isEnabled() || button("chkPasswordProtect")->isEnabled());
    const size_t told = messageBoxes.messages().size();
    finish();
    EXPECT_EQ(readFile("BackupJobs/Plain.awj"), plain);
    EXPECT_EQ(messageBoxes.messages().size(), told);

    // A job file damaged since it was listed: the edit shows the listed job; the program goes on.
    writeFile("BackupJobs/Plain.awj", "damaged");
    open("Plain");
    EXPECT_EQ(text("txtBackupJobName")->text(), "Plain");
}

TEST_F(WizardTest, NextAndBackWalkTheStepsWithCounterButtonsAndFocusAndF1OpensTheHelp)
{
    open();
    fillLeast();
    // A click on Next takes the focus; step 5, with no input of its own, leaves it there.
    // F1 on any step opens the help as the job list does.
    const QStringList focused{"txtBackupJobName", "txtStartTime", "chkSubdirectories", "txtTargDir",
                              "cmdNext",          "cmbNumberZipFilesToKeep"};
    for (int step = 1; step <= 6; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(control<QLabel>("lblStepNbr")->text(), QStringLiteral("Step %1 of 6").arg(step));
        EXPECT_TRUE(wizard->fraWizSteps[step - 1]->isVisible());
        EXPECT_EQ(button("cmdBack")->isEnabled(), step > 1);
        EXPECT_EQ(button("cmdNext")->isEnabled(), step < 6);
        EXPECT_EQ(button("cmdFinish")->isEnabled(), step == 6);
        ASSERT_NE(wizard->focusWidget(), nullptr);
        EXPECT_EQ(wizard->focusWidget()->objectName(), focused[step - 1]);
        QTest::keyClick(wizard->focusWidget(), Qt::Key_F1);
        ASSERT_EQ(messageBoxes.messages().size(), size_t(step));
        QTest::mouseClick(button("cmdNext"), Qt::LeftButton);  // disabled on step 6: nothing happens
    }
    EXPECT_EQ(wizard->CurrentStep(), 6);
    EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + AppPaths::appFolder()));
    button("cmdBack")->click();  // the last step was reached: Finish stays offered
    EXPECT_TRUE(button("cmdFinish")->isEnabled());
    button("cmdNext")->click();

    // With the copies list disabled the focus goes to the next enabled input.
    button("optCompression_0")->setChecked(true);
    button("cmdBack")->click();
    button("cmdNext")->click();
    EXPECT_NE(wizard->focusWidget(), control<QComboBox>("cmbNumberZipFilesToKeep"));
    EXPECT_NE(wizard->focusWidget(), text("txtPassword"));

    // Esc and Cancel end the wizard and write nothing.
    QTest::keyClick(wizard, Qt::Key_Escape);
    EXPECT_TRUE(Unloaded(wizard));
    open();
    button("cmdCancel")->click();
    EXPECT_TRUE(Unloaded(wizard));
    EXPECT_FALSE(QDir(AppPaths::jobsFolder()).exists());
    // Enter on the last step finishes.
    open();
    fillLeast();
    goToStep(6);
    QTest::keyClick(wizard->focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(Unloaded(wizard));
    EXPECT_TRUE(QFile::exists(jobFile("NewBackupJob")));
}

TEST_F(WizardTest, TheSmallestWindowShowsEveryStepsTextWhole)
{
    open();
    fillLeast();
    wizard->resize(wizard->minimumSize());
    for (int step = 1; step <= 6; ++step) {
        goToStep(step);
        wizard->layout()->activate();
        for (const QLabel* label : wizard->fraWizSteps[step - 1]->findChildren<QLabel*>())
            if (label->wordWrap()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
            }
    }
}

TEST_F(WizardTest, CompressionIncrementalAndPasswordKeepEachOtherConsistent)
{
    open();
    fillLeast();
    goToStep(5);  // the backup type step, where the incremental option asks; compression asks anywhere
    button("optIncremental")->setChecked(true);  // compression is on: nothing asked
    EXPECT_TRUE(messageBoxes.messages().empty());

    // The option clicked, its question, the options checked after No and after Yes, and whether
    // the copies and the password can then be set.
    using Ask = std::tuple<const char*, const char*, QStringList, QStringList, bool>;
    for (const auto& [option, question, afterNo, afterYes, zipped] :
         {Ask{"optCompression_0", "Removing Compression will also reset this to a Full Backup",
              {"optCompression_1", "optIncremental"}, {"optCompression_0", "optFullBackup"}, false},
          Ask{"optIncremental", "Incremental Backups must use compression.", {"optFullBackup", "optCompression_0"},
              {"optIncremental", "optCompression_1"}, true}})
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            messageBoxes.answerNext(answer);
            button(option)->setChecked(true);
            EXPECT_TRUE(lastMessage().text.startsWith(question));
            for (const QString& checked : answer == Answer::Yes ? afterYes : afterNo)
                EXPECT_TRUE(button(checked.toLatin1().constData())->isChecked()) << option << " " << checked.toStdString();
            const bool compressed = (answer == Answer::Yes) == zipped;
            EXPECT_EQ(control<QComboBox>("cmbNumberZipFilesToKeep")->isEnabled(), compressed);
            EXPECT_EQ(button("chkPasswordProtect")->isEnabled(), compressed);
        }

    goToStep(6);
    button("chkPasswordProtect")->setChecked(true);
    EXPECT_EQ(wizard->focusWidget(), text("txtPassword"));
    text("txtPassword")->setText(QStringLiteral("pw"));
    text("txtPasswordConfirm")->setText(QStringLiteral("pw"));
    button("chkPasswordProtect")->setChecked(false);
    for (const char* box : {"txtPassword", "txtPasswordConfirm"})
        EXPECT_TRUE(!text(box)->isEnabled() && text(box)->text().isEmpty()) << box;
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(WizardTest, SourceStartTimeAndTargetBoxesTakeOnlyWhatCanBeKept)
{
    writeFile("data/Makefile", "m");
    open();
    goToStep(3);
    drop({});
    EXPECT_EQ(lastMessage().text, "No files were selected to drop here.");
    EXPECT_EQ(sources()->count(), 0);
    drop({path("data/sub")});
    drop({path("data/sub")});  // kept twice: the list looks for no duplicates
    sources()->addItems({"/a/Zeta.txt", "/a/alpha.txt", "/a/b.txt"});
    const QString sub = path("data/sub") + "/*.*";
    EXPECT_EQ(ItemTexts(sources()), (QStringList{"/a/alpha.txt", "/a/b.txt", "/a/Zeta.txt", sub, sub}));

    button("cmdRemove")->click();  // nothing selected: told, nothing removed
    EXPECT_EQ(lastMessage().text, "You must first select a file or folder to remove.");
    sources()->item(0)->setSelected(true);
    sources()->item(2)->setSelected(true);
    button("cmdRemove")->click();
    EXPECT_EQ(ItemTexts(sources()), (QStringList{"/a/b.txt", sub, sub}));
    sources()->item(2)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_A);
    QTest::keyClick(sources(), Qt::Key_Delete);
    sources()->item(0)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_Backspace);
    EXPECT_EQ(ItemTexts(sources()), QStringList{sub});

    // The picker's entries join the list, which keeps its order.
    button("cmdAddFile")->click();
    frmPickFile* picker = wizard->findChild<frmPickFile*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->isModal());
    picker->txtPath->setText(path("data"));
    picker->filFileList->findItems(QStringLiteral("Makefile"), Qt::MatchExactly).value(0)->setSelected(true);
    testing_support::FindControl<QAbstractButton>(picker, "cmdOk")->click();
    EXPECT_EQ(ItemTexts(sources()), (QStringList{path("data/Makefile"), sub}));

    goToStep(2);
    text("txtStartTime")->setText("15:05");
    wizard->txtStartTime_LostFocus();
    EXPECT_EQ(text("txtStartTime")->text(), "3:05 PM");
    text("txtStartTime")->setText("noon-ish");
    wizard->txtStartTime_LostFocus();
    EXPECT_EQ(lastMessage().text, JobDefinition::startTimeError("noon-ish"));
    EXPECT_EQ(wizard->focusWidget(), text("txtStartTime"));
    EXPECT_EQ(text("txtStartTime")->text(), "NOON-ISH");

    // A folder gone meanwhile is told and the browser opens again; the root keeps its separator.
    text("txtStartTime")->setText("3:00 AM");
    testing_support::FolderChooserStub chooser({path("gone"), path("target")});
    goToStep(4);
    button("cmdBrowseTargDir")->click();
    EXPECT_EQ(text("txtTargDir")->text(), path("target"));
    EXPECT_EQ(lastMessage().text, "The specified directory does not exist; please try again.");
    button("cmdBrowseTargDir")->click();  // cancelled: unchanged
    EXPECT_EQ(text("txtTargDir")->text(), path("target"));
    chooser.answerNext(QStringLiteral("/"));
    button("cmdBrowseTargDir")->click();
    EXPECT_EQ(text("txtTargDir")->text(), "/");
    EXPECT_EQ(chooser.prompts, QStringList(4, "Please select a directory into which backup will be placed."));

    // The file manager opens the target, or the program's folder for a target gone, and from the
    // source step the home folder; a desktop without one is told so.
    LauncherRecorder launcher;
    const size_t told = messageBoxes.messages().size();
    button("cmdExplorer2")->click();
    text("txtTargDir")->setText(path("gone"));
    button("cmdExplorer2")->click();
    goToStep(3);
    button("cmdExplorer1")->click();
    EXPECT_EQ(launcher.detached, (std::vector<QStringList>{{"xdg-open", "/"}, {"xdg-open", AppPaths::appFolder()},
                                                           {"xdg-open", QDir::homePath()}}));
    EXPECT_EQ(messageBoxes.messages().size(), told);
    launcher.detachedSucceeds = false;
    button("cmdExplorer1")->click();
    ASSERT_EQ(messageBoxes.messages().size(), told + 1);
    EXPECT_EQ(lastMessage().text, "No file manager could be started to show the folder '" + QDir::homePath() + "'.");

    // Add Folder adds a whole folder; the chooser starts where the picker's Ok left.
    chooser.answerNext(path("data/sub"));
    button("cmdAddFolder")->click();
    EXPECT_EQ(ItemTexts(sources()), (QStringList{path("data/Makefile"), sub, sub}));
    EXPECT_EQ(chooser.starts.last(), path("data"));
    EXPECT_EQ(chooser.parents.back(), wizard);
}

}  // namespace

// The preview counts what the job takes and leaves out on a worker thread; the wizard
// answers while it runs, and it can be cancelled.
TEST_F(WizardTest, ThePreviewCountsWhatTheJobTakesAndLeavesOut)
{
    for (const char* file : {"src/a.txt", "src/b.tmp", "src/cache/CACHEDIR.TAG", "src/cache/big.bin", "src/node_modules/x/y.js"})
        writeFile(file, file == QByteArray("src/cache/CACHEDIR.TAG") ? "Signature: 8a477f597d28d172789f06886806bc55" : QByteArray(1000, 'x'));
    open();
    sources()->addItem(path("src/*.*"));
    button("chkSubdirectories")->setChecked(true);
    control<QPlainTextEdit>("txtExclusions")->setPlainText("*.TMP\nnode_modules/");
    auto* panel = wizard->findChild<ExclusionsPanel*>();
    QSignalSpy ended(panel, &ExclusionsPanel::previewEnded);
    button("cmdPreview")->click();
    ASSERT_TRUE(ended.wait(10000));
    const QString shown = control<QLabel>("lblPreview")->text();
    EXPECT_TRUE(shown.startsWith("Takes 1 files, 1.0 kB; leaves out 4 files, 3.0 kB\n")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(path("src/cache") + " (2 files, 1.0 kB)")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(path("src/node_modules") + " (1 files, 1.0 kB)")) << shown.toStdString();

    // A large tree: the wizard's own controls work while the preview runs; Cancel ends it.
    for (int folder = 0; folder < 20; ++folder)
        for (int file = 0; file < 100; ++file)
            writeFile(QStringLiteral("src/many/%1/%2").arg(folder).arg(file), "m");
    button("cmdPreview")->click();
    EXPECT_TRUE(panel->PreviewRunning());
    EXPECT_EQ(button("cmdPreview")->text(), "Cancel Preview");
    button("cmdNext")->click();
    EXPECT_EQ(wizard->CurrentStep(), 2);
    button("cmdPreview")->click();
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_FALSE(panel->PreviewRunning());
    EXPECT_EQ(button("cmdPreview")->text(), "Preview");
}
