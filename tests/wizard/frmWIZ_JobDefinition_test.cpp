// The job definition wizard driven through its controls: new and edited jobs end to end,
// a refused Finish, navigation and focus, the option rules, the source list and the boxes of
// the start time and the target.
#include "wizard/frmWIZ_JobDefinition.h"

#include "dialogs/frmPickFile.h"
#include "agent/appSetupMain.h"
#include "jobs/CBackupJob.h"
#include "jobs/JobTable.h"
#include "lib/appSetup.h"
#include "schedule/frmSchedule.h"
#include "support/FolderChooserStub.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

using libForms::Answer;
using testing_support::LauncherRecorder;

namespace {

const QDate Today(2026, 12, 7);

class WizardTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        appSetup::MaxBackupCopies = 99;
        schedule = new frmSchedule;
        appSetup::LoadJobList(*schedule);
        QDir().mkpath(path(QStringLiteral("data/sub")));
        QDir().mkpath(path(QStringLiteral("target")));
    }
    void TearDown() override
    {
        delete wizard.data();
        delete schedule;
        AppFolderTest::TearDown();
    }

    void open(bool addJob)
    {
        delete wizard.data();
        const QTreeWidgetItem* current = schedule->lvwSchedule->currentItem();
        wizard = new frmWIZ_JobDefinition(schedule->Jobs(), current ? current->text(0) : QString());
        QObject::connect(wizard, &frmWIZ_JobDefinition::helpRequested, schedule, &frmSchedule::mnuHelpContents_Click);
        wizard->setAddJob(addJob);
        wizard->show();
    }
    void openForEdit(const QString& jobName)
    {
        schedule->lvwSchedule->setCurrentItem(schedule->FindItemByKey("_" + jobName));
        open(false);
    }
    // Saves the job's file into the jobs folder (under `cleanedName` when given) and lists it.
    QString addJob(const CBackupJob& job, const QString& cleanedName = {})
    {
        if (cleanedName.isEmpty()) {
            schedule->Jobs().Save(job);
            return schedule->Jobs().JobFile(job.JobName());
        }
        // A job file under a name not its own (renamed by hand), listed as start-up lists it.
        QDir().mkpath(appSetup::JobsFolder());
        const QString file = jobFile(cleanedName);
        job.SaveBackupJob(file);
        appSetup::LoadJobList(*schedule);
        return file;
    }
    // Saved today, its sources in the list's order, so that an unchanged edit writes the same bytes.
    CBackupJob weeklyJob(const QString& name = QStringLiteral("Weekly 1")) const
    {
        CBackupJob job;
        job.setJobName(name);
        job.setDateLastRun(QDateTime(Today, QTime(0, 0)));
        job.setStartTime(QTime(23, 58));
        job.setFrequency(CBackupJob::Weekly);
        job.SetDayOfWeek(true, false, false, false, true, false, false);
        job.setCompress(true);
        job.setNumberCopies(5);
        job.setPassword(QStringLiteral("s3cret word"));
        job.setIncremental(true);
        job.setSubdirectories(true);
        job.setTargetDirectory(path("target"));
        job.setFilesToZip(path("data") + "/*.*\r\n" + path("data/b.txt") + "\r\n" + path("data/sub") + "/*.doc\r\n");
        return job;
    }

    template <typename Control>
    Control* control(const char* name) const
    {
        return testing_support::FindControl<Control>(wizard, name);
    }
    QLineEdit* text(const char* name) const { return control<QLineEdit>(name); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QRadioButton* option(const char* name) const { return control<QRadioButton>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QListWidget* sources() const { return control<QListWidget>("lstFilesToBackup"); }
    QStringList sourceEntries() const { return testing_support::ItemTexts(sources()); }
    // Drops the paths on the source list as a real drag does, or a plain text when there are none.
    void drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        if (urls.isEmpty())
            data.setText(QStringLiteral("just some text"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sources()->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sources()->viewport(), &event);
    }
    void goToStep(int step)
    {
        // After a refused Finish, Next may be disabled below step 6: Back restores it.
        while (wizard->CurrentStep() < step)
            button(button("cmdNext")->isEnabled() ? "cmdNext" : "cmdBack")->click();
        while (wizard->CurrentStep() > step)
            button("cmdBack")->click();
    }
    void finish(bool closes = true)
    {
        goToStep(6);
        button("cmdFinish")->click();
        EXPECT_EQ(testing_support::Unloaded(wizard), closes);
    }
    // The least a job needs: a name (the proposed one when none is given), one source and a target.
    void fillAndFinish(const QString& name = {})
    {
        if (!name.isEmpty())
            text("txtBackupJobName")->setText(name);
        sources()->addItem(path("data/b.txt"));
        text("txtTargDir")->setText(path("target"));
        finish();
    }
    const libForms::Message& lastMessage() const { return messageBoxes.messages().back(); }
    QString jobFile(const QString& cleanedName) const { return appSetup::JobsFolder() + cleanedName + ".awj"; }
    QString rowFile(const QString& jobName) const
    {
        const QTreeWidgetItem* row = schedule->FindItemByKey("_" + jobName);
        return row ? row->text(frmSchedule::ColJobFile) : QString();
    }

    testing_support::TestClock clock{QDateTime(Today, QTime(10, 0))};
    frmSchedule* schedule = nullptr;
    QPointer<frmWIZ_JobDefinition> wizard;
};

TEST_F(WizardTest, ANewJobFinishedWithItsDefaultsOrWithEveryStepFilledWritesTheJobFile)
{
    open(true);
    EXPECT_FALSE(text("txtPassword")->isEnabled());
    EXPECT_EQ(text("txtPassword")->echoMode(), QLineEdit::Password);
    fillAndFinish();
    EXPECT_EQ(QString::fromUtf8(readFile("BackupJobs/NewBackupJob.awj")),
              "New Backup Job\r\nDec-07-2026\r\n03:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n"
                  + path("target") + "/\r\n" + path("data/b.txt") + "\r\n\r\n");

    for (const char* file : {"data/photos.2024/a.jpg", "data/Makefile", "data/notes.txt"})
        writeFile(file, "x");
    open(true);
    EXPECT_EQ(text("txtBackupJobName")->text(), "New Backup Job 2");
    text("txtBackupJobName")->setText(QStringLiteral("Photos & Notes (home)"));
    text("txtStartTime")->setText(QStringLiteral("9:05pm"));
    combo("cmbFrequency")->setCurrentIndex(1);
    check("chkWednesday")->setChecked(true);
    // Folders and files are told apart by what they are, not by a full stop in the name.
    drop({path("data/photos.2024"), path("data/Makefile"), path("data/notes.txt")});
    check("chkSubdirectories")->setChecked(true);
    text("txtTargDir")->setText(path("target"));
    option("optIncremental")->setChecked(true);
    combo("cmbNumberZipFilesToKeep")->setCurrentIndex(7);
    check("chkPasswordProtect")->setChecked(true);
    text("txtPassword")->setText(QStringLiteral("zwei Wörter $x"));
    finish();
    EXPECT_TRUE(messageBoxes.messages().empty());

    // Weekly on Wednesday and Sunday (16 + 2), 7 copies; the sources sorted.
    const QString data = path("data");
    EXPECT_EQ(QString::fromUtf8(readFile("BackupJobs/PhotosNoteshome.awj")),
              "Photos & Notes (home)\r\nDec-07-2026\r\n09:05:00 PM\r\n2\r\n18\r\n0\r\nTrue\r\n7\r\nzwei Wörter $x\r\n"
              "True\r\nTrue\r\n" + path("target") + "/\r\n" + data + "/Makefile\r\n" + data + "/notes.txt\r\n" + data +
                  "/photos.2024/*.*\r\n\r\n");
}

TEST_F(WizardTest, AnEditShowsEveryStoredValueAndARenameReplacesTheJobsFileAndRow)
{
    // Finished unchanged, the edit writes the stored bytes again: every step showed its value.
    const QString oldFile = addJob(weeklyJob());
    const QByteArray stored = readFile("BackupJobs/Weekly1.awj");
    openForEdit("Weekly 1");
    finish();
    EXPECT_EQ(readFile("BackupJobs/Weekly1.awj"), stored);

    openForEdit("Weekly 1");
    text("txtBackupJobName")->setText(QStringLiteral("Weekly 2"));
    finish();
    EXPECT_FALSE(QFile::exists(oldFile));
    EXPECT_EQ(readFile("BackupJobs/Weekly2.awj"), QByteArray(stored).replace("Weekly 1", "Weekly 2"));
    EXPECT_EQ(rowFile("Weekly 2"), jobFile("Weekly2"));

    // Keeping the cleaned name rewrites the one file and deletes nothing.
    openForEdit("Weekly 2");
    text("txtBackupJobName")->setText(QStringLiteral("Weekly2"));
    finish();
    EXPECT_EQ(rowFile("Weekly2"), jobFile("Weekly2"));
    EXPECT_TRUE(QFile::exists(jobFile("Weekly2")));

    // A monthly plain copy keeping more archives than the preference allows: kept, not lowered.
    CBackupJob plain = weeklyJob(QStringLiteral("Plain"));
    plain.setFrequency(CBackupJob::Monthly);
    plain.setDayOfMonth(28);
    plain.setCompress(false);
    plain.setIncremental(false);
    plain.setPassword({});
    plain.setNumberCopies(120);
    plain.setFilesToZip(path("data/b.txt") + "\r\n");
    addJob(plain);
    const QByteArray plainBytes = readFile("BackupJobs/Plain.awj");
    openForEdit("Plain");
    EXPECT_TRUE(combo("cmbDayOfMonth")->isVisibleTo(wizard->fraWizSteps[1]));
    EXPECT_FALSE(check("chkMonday")->isVisibleTo(wizard->fraWizSteps[1]));
    EXPECT_FALSE(combo("cmbNumberZipFilesToKeep")->isEnabled() || check("chkPasswordProtect")->isEnabled());
    finish();
    EXPECT_EQ(readFile("BackupJobs/Plain.awj"), plainBytes);
    EXPECT_TRUE(messageBoxes.messages().empty());
}

TEST_F(WizardTest, ARefusedFinishShowsItsMessageAndStepAndWritesNothing)
{
    // "Work.awj" holds the job "Home" (renamed by hand); "Skipped.awj" was left out at start-up.
    addJob(weeklyJob(QStringLiteral("Home")), QStringLiteral("Work"));
    writeFile("BackupJobs/Skipped.awj", "damaged");
    openForEdit("Home");
    text("txtBackupJobName")->setText(QStringLiteral("Skipped"));
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("The jobs folder already holds the file '" + jobFile("Skipped")));
    EXPECT_EQ(lastMessage().title, "Verification Error");
    EXPECT_EQ(readFile("BackupJobs/Skipped.awj"), "damaged");
    EXPECT_EQ(wizard->CurrentStep(), 1);
    EXPECT_EQ(control<QLabel>("lblStepNbr")->text(), "Step 1 of 6");
    // The footer keeps its states: Back restores them on step 1.
    EXPECT_FALSE(button("cmdNext")->isEnabled());
    EXPECT_TRUE(button("cmdFinish")->isEnabled());
    button("cmdBack")->click();
    EXPECT_FALSE(button("cmdBack")->isEnabled() || button("cmdFinish")->isEnabled());
    EXPECT_TRUE(button("cmdNext")->isEnabled());

    // A refusal without a step of its own (a wildcard in a plain copy) leaves the user where he stands.
    text("txtBackupJobName")->setText(QStringLiteral("Home"));
    goToStep(6);
    option("optCompression_0")->setChecked(true);
    finish(false);
    EXPECT_TRUE(lastMessage().text.startsWith("You cannot use wildcard specifications"));
    EXPECT_EQ(lastMessage().icon, libForms::Icon::None);
    EXPECT_EQ(wizard->CurrentStep(), 6);
}

TEST_F(WizardTest, NextAndBackWalkTheStepsWithCounterButtonsAndFocusAndF1OpensTheHelp)
{
    open(true);
    // A click on Next takes the focus; step 5, with no input of its own, leaves it there.
    const std::vector<QString> focused{"txtBackupJobName", "txtStartTime", "chkSubdirectories", "txtTargDir",
                                       "cmdNext", "cmbNumberZipFilesToKeep"};
    for (int step = 1; step <= 6; ++step) {
        EXPECT_EQ(control<QLabel>("lblStepNbr")->text(), QStringLiteral("Step %1 of 6").arg(step));
        EXPECT_TRUE(wizard->fraWizSteps[step - 1]->isVisible());
        EXPECT_EQ(button("cmdBack")->isEnabled(), step > 1);
        EXPECT_EQ(button("cmdNext")->isEnabled(), step < 6);
        EXPECT_EQ(button("cmdFinish")->isEnabled(), step == 6);
        ASSERT_NE(wizard->focusWidget(), nullptr);
        EXPECT_EQ(wizard->focusWidget()->objectName(), focused[step - 1]) << step;
        QTest::mouseClick(button("cmdNext"), Qt::LeftButton);  // disabled on step 6: nothing happens
    }
    EXPECT_EQ(wizard->CurrentStep(), 6);

    // With the copies list disabled the focus goes to the next enabled input.
    option("optCompression_0")->setChecked(true);
    button("cmdBack")->click();
    button("cmdNext")->click();
    EXPECT_NE(wizard->focusWidget(), combo("cmbNumberZipFilesToKeep"));
    EXPECT_NE(wizard->focusWidget(), text("txtPassword"));

    // F1 on any step opens the help as the job list does.
    for (int step = 1; step <= 6; ++step) {
        goToStep(step);
        const size_t before = messageBoxes.messages().size();
        QTest::keyClick(wizard->focusWidget() ? wizard->focusWidget() : wizard.data(), Qt::Key_F1);
        ASSERT_EQ(messageBoxes.messages().size(), before + 1) << step;
        EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + appSetup::AppFolder()));
    }

    // Esc and Cancel end the wizard and write nothing.
    QTest::keyClick(wizard, Qt::Key_Escape);
    EXPECT_TRUE(testing_support::Unloaded(wizard));
    open(true);
    button("cmdCancel")->click();
    EXPECT_TRUE(testing_support::Unloaded(wizard));
    EXPECT_FALSE(QDir(appSetup::JobsFolder()).exists());
}

TEST_F(WizardTest, CompressionIncrementalAndPasswordKeepEachOtherConsistent)
{
    open(true);
    goToStep(5);
    option("optIncremental")->setChecked(true);  // compression is on: nothing asked
    EXPECT_TRUE(messageBoxes.messages().empty());

    goToStep(6);
    messageBoxes.answerNext(Answer::No);
    option("optCompression_0")->setChecked(true);
    EXPECT_TRUE(lastMessage().text.startsWith("Removing Compression will also reset this to a Full Backup"));
    EXPECT_TRUE(option("optCompression_1")->isChecked() && option("optIncremental")->isChecked());
    messageBoxes.answerNext(Answer::Yes);
    option("optCompression_0")->setChecked(true);
    EXPECT_TRUE(option("optCompression_0")->isChecked() && option("optFullBackup")->isChecked());
    EXPECT_FALSE(combo("cmbNumberZipFilesToKeep")->isEnabled() || check("chkPasswordProtect")->isEnabled());

    goToStep(5);
    messageBoxes.answerNext(Answer::No);
    option("optIncremental")->setChecked(true);
    EXPECT_TRUE(lastMessage().text.startsWith("Incremental Backups must use compression."));
    EXPECT_TRUE(option("optFullBackup")->isChecked() && option("optCompression_0")->isChecked());
    messageBoxes.answerNext(Answer::Yes);
    option("optIncremental")->setChecked(true);
    EXPECT_TRUE(option("optIncremental")->isChecked() && option("optCompression_1")->isChecked());
    EXPECT_TRUE(combo("cmbNumberZipFilesToKeep")->isEnabled() && check("chkPasswordProtect")->isEnabled());

    goToStep(6);
    check("chkPasswordProtect")->setChecked(true);
    EXPECT_EQ(wizard->focusWidget(), text("txtPassword"));
    text("txtPassword")->setText(QStringLiteral("pw"));
    check("chkPasswordProtect")->setChecked(false);
    EXPECT_FALSE(text("txtPassword")->isEnabled());
    EXPECT_TRUE(text("txtPassword")->text().isEmpty());
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(WizardTest, SourceListTakesDropsKeepsItsOrderAndRemovesTheSelection)
{
    writeFile("data/report.txt", "r");
    writeFile("data/Makefile", "m");
    open(true);
    goToStep(3);
    drop({});
    EXPECT_EQ(lastMessage().text, "No files were selected to drop here.");
    EXPECT_EQ(sources()->count(), 0);

    drop({path("data/sub"), path("data/report.txt")});
    drop({path("data/sub")});
    sources()->addItem(QStringLiteral("/a/Zeta.txt"));
    sources()->addItem(QStringLiteral("/a/alpha.txt"));
    const QString sub = path("data/sub") + "/*.*";
    EXPECT_EQ(sourceEntries(), (QStringList{"/a/alpha.txt", "/a/Zeta.txt", path("data/report.txt"), sub, sub}));

    button("cmdRemove")->click();  // nothing selected: told, nothing removed
    EXPECT_EQ(lastMessage().text, "You must first select a file or folder to remove.");
    sources()->item(0)->setSelected(true);
    sources()->item(2)->setSelected(true);
    button("cmdRemove")->click();
    EXPECT_EQ(sourceEntries(), (QStringList{"/a/Zeta.txt", sub, sub}));
    sources()->item(2)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_A);
    QTest::keyClick(sources(), Qt::Key_Delete);
    sources()->item(0)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_Backspace);
    EXPECT_EQ(sourceEntries(), QStringList{sub});

    // The picker's entries join the list, which keeps its order.
    button("cmdAddFile")->click();
    frmPickFile* picker = wizard->findChild<frmPickFile*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->isModal());
    picker->txtPath->setText(path("data"));
    picker->filFileList->findItems(QStringLiteral("Makefile"), Qt::MatchExactly).value(0)->setSelected(true);
    picker->cmdOk->click();
    EXPECT_EQ(sourceEntries(), (QStringList{path("data/Makefile"), sub}));

    LauncherRecorder launcher;
    button("cmdExplorer1")->click();
    EXPECT_EQ(launcher.detached, std::vector<QStringList>{QStringList({"xdg-open", QDir::homePath()})});
    launcher.detachedSucceeds = false;  // a desktop without a file manager is told so
    button("cmdExplorer1")->click();
    EXPECT_EQ(messageBoxes.messages().back().text,
              "No file manager could be started to show the folder '" + QDir::homePath() + "'.");
}

TEST_F(WizardTest, StartTimeAndTargetBoxesTakeOnlyWhatCanBeKept)
{
    open(true);
    goToStep(2);
    text("txtStartTime")->setText("15:05");
    wizard->txtStartTime_LostFocus();
    EXPECT_EQ(text("txtStartTime")->text(), "3:05 PM");
    text("txtStartTime")->setText("noon-ish");
    wizard->txtStartTime_LostFocus();
    EXPECT_EQ(lastMessage().text, JobDefinition::StartTimeError("noon-ish"));
    EXPECT_EQ(wizard->focusWidget(), text("txtStartTime"));
    EXPECT_EQ(text("txtStartTime")->text(), "NOON-ISH");

    // A folder gone meanwhile is told and the browser opens again; the root keeps its separator.
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

    LauncherRecorder launcher;
    button("cmdExplorer2")->click();
    text("txtTargDir")->setText(path("gone"));
    button("cmdExplorer2")->click();
    EXPECT_EQ(launcher.detached,
              (std::vector<QStringList>{{"xdg-open", "/"}, {"xdg-open", appSetup::AppFolder()}}));
    EXPECT_EQ(messageBoxes.messages().size(), 2u);
}

TEST_F(WizardTest, NewAndOpenOfTheJobListShowTheWizardAndWaitForIt)
{
    // The job list waits for the wizard in a nested event loop; the wizard is filled from there.
    auto fillShownWizard = [this](const QString& name) {
        QTimer::singleShot(0, schedule, [this, name] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<frmWIZ_JobDefinition*>(window); found && found->isVisible())
                    wizard = found;
            ASSERT_FALSE(wizard.isNull());
            EXPECT_FALSE(schedule->isEnabled());
            fillAndFinish(name);
        });
    };
    fillShownWizard(QStringLiteral("Daily Docs"));
    schedule->cmdAddJob_Click();
    EXPECT_TRUE(schedule->isEnabled());
    EXPECT_EQ(rowFile("Daily Docs"), jobFile("DailyDocs"));

    schedule->lvwSchedule->setCurrentItem(schedule->FindItemByKey("_Daily Docs"));
    fillShownWizard(QStringLiteral("Daily Papers"));
    schedule->cmdEditJob_Click();
    EXPECT_TRUE(schedule->isEnabled());
    EXPECT_EQ(rowFile("Daily Papers"), jobFile("DailyPapers"));
    EXPECT_FALSE(QFile::exists(jobFile("DailyDocs")));
}

}  // namespace
