// The job wizard driven through its controls, as a user adds, edits and previews a job.
#include "wizard/ExclusionsPanel.h"
#include "wizard/JobWizard.h"

#include "agent/AgentStart.h"
#include "dialogs/FilePicker.h"
#include "lib/Preferences.h"
#include "lib/AppPaths.h"
#include "schedule/JobListWindow.h"
#include "support/FolderChooserStub.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QLayout>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
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
        FilePicker::setRememberedFolder(QString());
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
        wizard = new JobWizard(agent.jobs(), jobName);
        wizard->show();
    }
    // A weekly job saved today, on Monday and Friday, its sources in the list's order: an
    // unchanged edit writes these bytes again.
    QByteArray weeklyJob(const QString& name) const
    {
        return (name + "\r\nDec-07-2026\r\n11:58:00 PM\r\n2\r\n68\r\n0\r\nTrue\r\n5\r\ns3cret word\r\nTrue\r\nTrue\r\n"
            + path("target") + "/\r\n" + path("data") + "/*.*\r\n" + path("data/b.txt") + "\r\n" + path("data/sub")
            + "/*.doc\r\n\r\n")
            .toUtf8();
    }
    // Writes a job file into the jobs folder and lists the jobs as start-up does.
    void listJobFile(const QString& cleanedName, const QByteArray& content)
    {
        writeFile("BackupJobs/" + cleanedName + ".awj", content);
        AgentStart::loadJobList(schedule);
    }

    template <typename Control = QAbstractButton> Control* control(const char* name) const
    {
        return testing_support::FindControl<Control>(wizard, name);
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QListWidget* sources() const { return control<QListWidget>("sourceList"); }
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
        edit("targetEdit")->setText(path("target"));
    }
    void goToStep(int step)
    {
        while (wizard->currentStep() != step) {
            const int before = wizard->currentStep();
            control(before < step ? "nextButton" : "backButton")->click();
            ASSERT_NE(wizard->currentStep(), before) << "stuck on step " << before;
        }
    }
    // Finish where the wizard stands, or on the last step where it is not offered yet.
    void finish(bool closes = true)
    {
        if (!control("finishButton")->isEnabled())
            goToStep(6);
        control("finishButton")->click();
        EXPECT_EQ(Unloaded(wizard), closes);
    }
    const Messages::Message& lastMessage() const { return messageBoxes.messages().back(); }
    QString jobFile(const QString& cleanedName) const { return AppPaths::jobsFolder() + cleanedName + ".awj"; }

    testing_support::TestClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    Agent agent;
    JobListWindow schedule{agent};
    QPointer<JobWizard> wizard;
};

TEST_F(WizardTest, NewJobsAreWrittenAtFinishAndAnEditFinishesFromAnyStepIntoTheFileOfItsName)
{
    // From the job list: modal to it, above it and centred on it.
    schedule.addJob();
    wizard = qobject_cast<JobWizard*>(testing_support::OpenWindow("JobWizard"));
    ASSERT_FALSE(wizard.isNull());
    EXPECT_EQ(wizard->parentWidget(), &schedule);
    EXPECT_EQ(wizard->windowModality(), Qt::WindowModal);
    fillLeast();
    finish();
    const QByteArray stored = readFile("BackupJobs/NewBackupJob.awj");
    EXPECT_EQ(QString::fromUtf8(stored),
        "New Backup Job\r\nDec-07-2026\r\n03:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\n"
        "False\r\nFalse\r\n"
            + path("target") + "/\r\n" + path("data/b.txt") + "\r\n#cachedir-tag=1\r\n\r\n");

    for (const char* file : {"data/photos.2024/a.jpg", "data/Makefile", "data/notes.txt"})
        writeFile(file, "x");
    open();
    EXPECT_EQ(edit("nameEdit")->text(), "New Backup Job 2");
    edit("nameEdit")->setText(QStringLiteral("Photos & Notes (home)"));
    edit("startTimeEdit")->setText(QStringLiteral("9:05pm"));
    control<QComboBox>("frequencyList")->setCurrentIndex(1);
    control("wednesdayBox")->setChecked(true);
    // Folders and files are told apart by what they are, not by a full stop in the name.
    drop({path("data/photos.2024"), path("data/Makefile"), path("data/notes.txt")});
    control("subfoldersBox")->setChecked(true);
    control<QPlainTextEdit>("exclusionPatterns")->setPlainText(" *.tmp\n\nbuild/");
    control("leaveOutCachesBox")->setChecked(false);
    edit("targetEdit")->setText(path("target"));
    control("incrementalOption")->setChecked(true);
    control<QComboBox>("copiesList")->setCurrentIndex(7);
    control("passwordBox")->setChecked(true);
    edit("passwordEdit")->setText(QStringLiteral("zwei Wörter $x"));
    edit("passwordConfirmEdit")->setText(QStringLiteral("zwei Wörter $y"));
    finish(false);
    EXPECT_EQ(lastMessage().text, "The two passwords differ.  Please type the same password in both boxes.");
    edit("passwordConfirmEdit")->setText(QStringLiteral("zwei Wörter $x"));
    finish();
    EXPECT_EQ(messageBoxes.messages().size(), 1u);
    // Weekly on Wednesday and Sunday (16 + 2), 7 copies; the sources sorted.
    const QString data = path("data");
    EXPECT_EQ(QString::fromUtf8(readFile("BackupJobs/PhotosNoteshome.awj")),
        "Photos & Notes (home)\r\nDec-07-2026\r\n09:05:00 PM\r\n2\r\n18\r\n0\r\nTrue\r\n7\r\nzwei Wörter $x\r\n"
        "True\r\nTrue\r\n"
            + path("target") + "/\r\n" + data + "/Makefile\r\n" + data + "/notes.txt\r\n" + data
            + "/photos.2024/*.*\r\n#exclude= *.tmp\r\n#exclude=build/\r\n\r\n");

    // Leaving step 1 checks the name; a clash names the job it clashes with.
    open();
    edit("nameEdit")->setText(QStringLiteral("Photos Notes home"));
    control("nextButton")->click();
    EXPECT_EQ(lastMessage().text,
        "A derivative of this name has already been used by the Backup Job "
        "'Photos & Notes (home)'; please enter a different name.");
    EXPECT_EQ(wizard->currentStep(), 1);

    // An edit finishes from step 1; a new name moves the job into a file of its own.
    open("New Backup Job");
    edit("nameEdit")->setText(QStringLiteral("Daily Papers"));
    finish();
    EXPECT_FALSE(QFile::exists(jobFile("NewBackupJob")));
    EXPECT_EQ(readFile("BackupJobs/DailyPapers.awj"), QByteArray(stored).replace("New Backup Job", "Daily Papers"));
    EXPECT_EQ(agent.jobs().jobFile("Daily Papers"), jobFile("DailyPapers"));
}

TEST_F(WizardTest, AnEditShowsEveryStoredValueARefusedFinishWritesNothingAndShowsItsStep)
{
    // "Work.awj" holds the job "Home" (renamed by hand); "Skipped.awj" was left out at start-up.
    writeFile("BackupJobs/Skipped.awj", "damaged");
    listJobFile("Work", weeklyJob("Home"));
    open("Home");
    edit("nameEdit")->setText(QStringLiteral("Skipped"));
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("The jobs folder already holds the file '" + jobFile("Skipped")));
    EXPECT_EQ(readFile("BackupJobs/Skipped.awj"), "damaged");
    EXPECT_EQ(wizard->currentStep(), 1);
    EXPECT_TRUE(control("nextButton")->isEnabled() && control("finishButton")->isEnabled());
    const size_t refused = messageBoxes.messages().size();
    control("nextButton")->click(); // leaving step 1 checks it too
    EXPECT_EQ(messageBoxes.messages().size(), refused + 1);
    EXPECT_EQ(wizard->currentStep(), 1);

    // A refusal without a step of its own (a wildcard in a plain copy) leaves the user where he stands.
    edit("nameEdit")->setText(QStringLiteral("Home"));
    goToStep(6);
    control("noCompressionOption")->setChecked(true);
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("You cannot use wildcard specifications"));
    EXPECT_EQ(wizard->currentStep(), 6);

    // Named as its file, the job stays in it; the bytes show that every step showed its value.
    open("Home");
    edit("nameEdit")->setText(QStringLiteral("Work"));
    finish();
    EXPECT_EQ(agent.jobs().jobFile("Work"), jobFile("Work"));
    EXPECT_EQ(readFile("BackupJobs/Work.awj"), weeklyJob("Work"));

    // A monthly plain copy keeping more archives than the preference allows: kept, not lowered.
    const QByteArray plain
        = "Plain\r\nDec-07-2026\r\n11:58:00 PM\r\n3\r\n68\r\n28\r\nFalse\r\n120\r\n\r\nTrue\r\nFalse\r\n"
        + (path("target") + "/\r\n" + path("data/b.txt") + "\r\n\r\n").toUtf8();
    listJobFile("Plain", plain);
    open("Plain");
    EXPECT_TRUE(control<QComboBox>("dayOfMonthList")->isVisibleTo(wizard->stepPages[1]));
    EXPECT_FALSE(control("mondayBox")->isVisibleTo(wizard->stepPages[1]));
    EXPECT_FALSE(control<QComboBox>("copiesList")->isEnabled() || control("passwordBox")->isEnabled());
    const size_t told = messageBoxes.messages().size();
    finish();
    EXPECT_EQ(readFile("BackupJobs/Plain.awj"), plain);
    EXPECT_EQ(messageBoxes.messages().size(), told);

    // A job file damaged since it was listed: the edit shows the listed job; the program goes on.
    writeFile("BackupJobs/Plain.awj", "damaged");
    open("Plain");
    EXPECT_EQ(edit("nameEdit")->text(), "Plain");
}

TEST_F(WizardTest, NextAndBackWalkTheStepsWithCounterButtonsAndFocusAndF1OpensTheHelp)
{
    open();
    fillLeast();
    wizard->resize(wizard->minimumSize());
    // A click on Next takes the focus; step 5, with no input of its own, leaves it there.
    // F1 on any step asks for the help. The smallest window shows every step's text whole.
    QSignalSpy help(wizard.data(), &JobWizard::helpRequested);
    const QStringList focused{"nameEdit", "startTimeEdit", "subfoldersBox", "targetEdit", "nextButton", "copiesList"};
    for (int step = 1; step <= 6; ++step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(control<QLabel>("stepCounter")->text(), QStringLiteral("Step %1 of 6").arg(step));
        EXPECT_TRUE(wizard->stepPages[step - 1]->isVisible());
        EXPECT_EQ(control("backButton")->isEnabled(), step > 1);
        EXPECT_EQ(control("nextButton")->isEnabled(), step < 6);
        EXPECT_EQ(control("finishButton")->isEnabled(), step == 6);
        ASSERT_NE(wizard->focusWidget(), nullptr);
        EXPECT_EQ(wizard->focusWidget()->objectName(), focused[step - 1]);
        QTest::keyClick(wizard->focusWidget(), Qt::Key_F1);
        ASSERT_EQ(help.size(), step);
        wizard->layout()->activate();
        for (const QLabel* label : wizard->stepPages[step - 1]->findChildren<QLabel*>())
            EXPECT_GE(label->height(), label->wordWrap() ? label->heightForWidth(label->width()) : 0)
                << label->text().toStdString();
        QTest::mouseClick(control("nextButton"), Qt::LeftButton); // disabled on step 6: nothing happens
    }
    EXPECT_EQ(wizard->currentStep(), 6);
    EXPECT_TRUE(messageBoxes.messages().empty());
    control("backButton")->click(); // the last step was reached: Finish stays offered
    EXPECT_TRUE(control("finishButton")->isEnabled());
    control("nextButton")->click();

    // With the copies list disabled the focus goes to the next enabled input.
    control("noCompressionOption")->setChecked(true);
    control("backButton")->click();
    control("nextButton")->click();
    EXPECT_NE(wizard->focusWidget(), control<QComboBox>("copiesList"));
    EXPECT_NE(wizard->focusWidget(), edit("passwordEdit"));

    // Esc and Cancel end the wizard and write nothing; Enter on the last step finishes.
    QTest::keyClick(wizard, Qt::Key_Escape);
    EXPECT_TRUE(Unloaded(wizard));
    open();
    control("cancelButton")->click();
    EXPECT_TRUE(Unloaded(wizard));
    EXPECT_FALSE(QDir(AppPaths::jobsFolder()).exists());
    open();
    fillLeast();
    goToStep(6);
    QTest::keyClick(wizard->focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(Unloaded(wizard));
    EXPECT_TRUE(QFile::exists(jobFile("NewBackupJob")));
}

TEST_F(WizardTest, CompressionIncrementalAndPasswordKeepEachOtherConsistent)
{
    open();
    fillLeast();
    goToStep(5); // the backup type step, where the incremental option asks; compression asks anywhere
    control("incrementalOption")->setChecked(true); // compression is on: nothing asked (counted below)

    // The option clicked, its question, the options checked after No and after Yes, and whether
    // the copies and the password can then be set.
    using Ask = std::tuple<const char*, const char*, QStringList, QStringList, bool>;
    for (const auto& [option, question, afterNo, afterYes, zipped] :
        {Ask{"noCompressionOption", "Removing Compression will also reset this to a Full Backup",
             {"zipCompressionOption", "incrementalOption"}, {"noCompressionOption", "fullBackupOption"}, false},
            Ask{"incrementalOption", "Incremental Backups must use compression.",
                {"fullBackupOption", "noCompressionOption"}, {"incrementalOption", "zipCompressionOption"}, true}})
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            messageBoxes.answerNext(answer);
            control(option)->setChecked(true);
            EXPECT_TRUE(lastMessage().text.startsWith(question));
            for (const QString& checked : answer == Answer::Yes ? afterYes : afterNo)
                EXPECT_TRUE(control(checked.toLatin1().constData())->isChecked())
                    << option << " " << checked.toStdString();
            const bool compressed = (answer == Answer::Yes) == zipped;
            EXPECT_EQ(control<QComboBox>("copiesList")->isEnabled(), compressed);
            EXPECT_EQ(control("passwordBox")->isEnabled(), compressed);
        }

    goToStep(6);
    control("passwordBox")->setChecked(true);
    EXPECT_EQ(wizard->focusWidget(), edit("passwordEdit"));
    edit("passwordEdit")->setText(QStringLiteral("pw"));
    edit("passwordConfirmEdit")->setText(QStringLiteral("pw"));
    control("passwordBox")->setChecked(false);
    for (const char* box : {"passwordEdit", "passwordConfirmEdit"})
        EXPECT_TRUE(!edit(box)->isEnabled() && edit(box)->text().isEmpty()) << box;
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(WizardTest, SourceStartTimeAndTargetBoxesTakeOnlyWhatCanBeKept)
{
    writeFile("data/Makefile", "m");
    open();
    goToStep(3);
    drop({});
    EXPECT_EQ(lastMessage().text, "No files were selected to drop here.");
    drop({path("data/sub")});
    drop({path("data/sub")}); // kept twice: the list looks for no duplicates
    sources()->addItems({"/a/Zeta.txt", "/a/alpha.txt", "/a/b.txt"});
    const QString sub = path("data/sub") + "/*.*";
    EXPECT_EQ(ItemTexts(sources()), (QStringList{"/a/alpha.txt", "/a/b.txt", "/a/Zeta.txt", sub, sub}));

    control("removeButton")->click(); // nothing selected: told, nothing removed
    EXPECT_EQ(lastMessage().text, "You must first select a file or folder to remove.");
    sources()->item(0)->setSelected(true);
    sources()->item(2)->setSelected(true);
    control("removeButton")->click();
    EXPECT_EQ(ItemTexts(sources()), (QStringList{"/a/b.txt", sub, sub}));
    sources()->item(2)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_A);
    QTest::keyClick(sources(), Qt::Key_Delete);
    sources()->item(0)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_Backspace);
    EXPECT_EQ(ItemTexts(sources()), QStringList{sub});

    // The picker (not modal) and Add Folder add to the list, which keeps its order.
    testing_support::FolderChooserStub chooser({path("data/sub"), path("gone"), path("target"), "", "/"});
    control("addFileButton")->click();
    FilePicker* picker = wizard->findChild<FilePicker*>();
    ASSERT_TRUE(picker && !picker->isModal());
    emit picker->entriesChosen({path("data/Makefile")});
    control("addFolderButton")->click();
    EXPECT_EQ(ItemTexts(sources()), (QStringList{path("data/Makefile"), sub, sub}));
    EXPECT_EQ(chooser.parents.back(), wizard);

    // The start time is written in its usual form; a wrong one is told and keeps the focus.
    goToStep(2);
    for (const auto& [typed, shown] : {std::pair{"15:05", "3:05 PM"}, {"noon-ish", "NOON-ISH"}}) {
        edit("startTimeEdit")->setText(typed);
        wizard->checkStartTime();
        EXPECT_EQ(edit("startTimeEdit")->text(), shown);
    }
    EXPECT_EQ(lastMessage().text, JobDefinition::startTimeError("noon-ish"));
    EXPECT_EQ(wizard->focusWidget(), edit("startTimeEdit"));

    // A folder gone meanwhile is told and the browser opens again; the root keeps its separator.
    edit("startTimeEdit")->setText("3:00 AM");
    goToStep(4);
    for (const QString& shown : {path("target"), path("target"), QStringLiteral("/")}) {
        control("browseTargetButton")->click(); // the second is cancelled: unchanged
        EXPECT_EQ(edit("targetEdit")->text(), shown);
    }
    EXPECT_EQ(lastMessage().text, "The specified directory does not exist; please try again.");
    EXPECT_EQ(chooser.prompts.mid(1), QStringList(4, "Please select a directory into which backup will be placed."));

    // The file manager opens the target, the program's folder for a target gone, and from the
    // source step the home folder; a desktop without one is told so.
    LauncherRecorder launcher;
    for (const auto& [target, button, opened] : {std::tuple{path("target"), "targetFileManagerButton", path("target")},
             {path("gone"), "targetFileManagerButton", AppPaths::appFolder()},
             {QString(), "sourceFileManagerButton", QDir::homePath()}}) {
        edit("targetEdit")->setText(target);
        control(button)->click();
        EXPECT_EQ(launcher.detached.back(), (QStringList{"xdg-open", opened}));
    }
    EXPECT_EQ(lastMessage().text, "The specified directory does not exist; please try again."); // nothing told since
    launcher.detachedSucceeds = false;
    control("sourceFileManagerButton")->click();
    EXPECT_EQ(lastMessage().text, "No file manager could be started to show the folder '" + QDir::homePath() + "'.");
}

// The preview counts on a worker thread: the wizard answers while it runs.
TEST_F(WizardTest, ThePreviewCountsWhatTheJobTakesAndLeavesOut)
{
    for (const char* file :
        {"src/a.txt", "src/b.tmp", "src/cache/CACHEDIR.TAG", "src/cache/big.bin", "src/node_modules/x/y.js"})
        writeFile(file,
            file == QByteArray("src/cache/CACHEDIR.TAG") ? "Signature: 8a477f597d28d172789f06886806bc55"
                                                         : QByteArray(1000, 'x'));
    open();
    sources()->addItem(path("src/*.*"));
    control("subfoldersBox")->setChecked(true);
    control<QPlainTextEdit>("exclusionPatterns")->setPlainText("*.TMP\nnode_modules/");
    auto* panel = wizard->findChild<ExclusionsPanel*>();
    QSignalSpy ended(panel, &ExclusionsPanel::previewEnded);
    control("previewButton")->click();
    ASSERT_TRUE(ended.wait(10000));
    const QString shown = control<QLabel>("previewResult")->text();
    EXPECT_TRUE(shown.startsWith("Takes 1 files, 1.0 kB; leaves out 4 files, 3.0 kB\n")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(path("src/cache") + " (2 files, 1.0 kB)")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(path("src/node_modules") + " (1 files, 1.0 kB)")) << shown.toStdString();

    // The wizard's own controls work while the preview runs; Cancel ends it.
    control("previewButton")->click();
    EXPECT_TRUE(panel->previewRunning());
    control("nextButton")->click();
    EXPECT_EQ(wizard->currentStep(), 2);
    control("previewButton")->click();
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_FALSE(panel->previewRunning());
}

} // namespace
