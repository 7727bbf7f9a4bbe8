// The job definition wizard driven through its controls: new and edited jobs end to end,
// the Finish checks and their order, navigation and focus, the option rules, the source list
// and the start time.
#include "wizard/frmWIZ_JobDefinition.h"

#include "agent/appSetup.h"
#include "dialogs/frmPickFile.h"
#include "jobs/CBackupJob.h"
#include "lib/libStrings.h"
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
using libForms::Icon;
using testing_support::AppFolderTest;
using testing_support::LauncherRecorder;
using testing_support::TestClock;

namespace {

const QDate Today(2026, 12, 7);

class WizardTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        appSetup::MaxBackupCopies = 99;
        schedule = new frmSchedule;
        QDir().mkpath(path(QStringLiteral("data/sub")));
        QDir().mkpath(path(QStringLiteral("target")));
    }
    void TearDown() override
    {
        delete wizard.data();
        delete schedule;
        AppFolderTest::TearDown();
    }

    frmWIZ_JobDefinition* open(bool addJob)
    {
        delete wizard.data();
        wizard = new frmWIZ_JobDefinition(schedule);
        wizard->setAddJob(addJob);
        wizard->show();
        return wizard;
    }
    frmWIZ_JobDefinition* openForEdit(const QString& jobName)
    {
        schedule->lvwSchedule->setCurrentItem(schedule->FindItemByKey("_" + jobName));
        return open(false);
    }

    // Saves a job file into the jobs folder and lists it, as start-up does.
    QString addJob(const CBackupJob& job)
    {
        QDir().mkpath(appSetup::JobsFolder());
        const QString file = appSetup::JobsFolder() + libStrings::CleanedName(job.JobName()) + ".awj";
        job.SaveBackupJob(file);
        schedule->AddItemListView(job.JobName(), job.DateLastRun(), job.DateNextRun(), job.StartTime(),
                                  job.Compress(), file);
        return file;
    }
    void addRows(const QStringList& names)
    {
        for (const QString& name : names)
            addJob(weeklyJob(name));
    }
    CBackupJob weeklyJob(const QString& name = QStringLiteral("Weekly 1")) const
    {
        CBackupJob job;
        job.setJobName(name);
        job.setDateLastRun(QDateTime(QDate(2026, 11, 30), QTime(0, 0)));
        job.setStartTime(QTime(23, 58));
        job.setFrequency(CBackupJob::Weekly);
        job.SetDayOfWeek(true, false, false, false, true, false, false);
        job.setCompress(true);
        job.setNumberCopies(5);
        job.setPassword(QStringLiteral("s3cret word"));
        job.setIncremental(true);
        job.setTargetDirectory(path(QStringLiteral("target")));
        job.setFilesToZip(path(QStringLiteral("data/b.txt")) + "\r\n" + path(QStringLiteral("data")) + "/*.*\r\n" +
                          path(QStringLiteral("data/sub")) + "/*.doc\r\n");
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
    std::vector<bool> dayTicks() const
    {
        std::vector<bool> ticks;
        for (const char* day : {"chkMonday", "chkTuesday", "chkWednesday", "chkThursday", "chkFriday", "chkSaturday",
                                "chkSunday"})
            ticks.push_back(check(day)->isChecked());
        return ticks;
    }

    void drop(const QStringList& paths, const QString& plainText = {})
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        if (!urls.isEmpty())
            data.setUrls(urls);
        if (!plainText.isEmpty())
            data.setText(plainText);
        // A drop reaches the widget that took the drag's entry, as in a real drag.
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
    void finish()
    {
        goToStep(6);
        button("cmdFinish")->click();
        EXPECT_TRUE(testing_support::Unloaded(wizard));
    }
    // The least a job needs: a name, one source and a target.
    void fillAndFinish(const QString& name)
    {
        text("txtBackupJobName")->setText(name);
        if (sources()->count() == 0)
            sources()->addItem(path("data/b.txt"));
        text("txtTargDir")->setText(path("target"));
        finish();
    }
    const libForms::Message& lastMessage() const { return messageBoxes.messages().back(); }
    QString jobFile(const QString& cleanedName) const { return appSetup::JobsFolder() + cleanedName + ".awj"; }

    TestClock clock{QDateTime(Today, QTime(10, 0))};
    frmSchedule* schedule = nullptr;
    QPointer<frmWIZ_JobDefinition> wizard;
};

TEST_F(WizardTest, NewJobDefaultsThenEveryStepFilledAndFinishedWritesTheJobFile)
{
    writeFile(QStringLiteral("data/photos.2024/a.jpg"), "jpg");
    writeFile(QStringLiteral("data/Makefile"), "all:");
    writeFile(QStringLiteral("data/notes.txt"), "n");
    open(true);

    EXPECT_EQ(wizard->windowTitle(), "Add New Backup Job");
    EXPECT_EQ(text("txtStartTime")->text(), "3:00 AM");
    EXPECT_EQ(combo("cmbFrequency")->currentText(), "Daily");
    EXPECT_EQ(dayTicks(), std::vector<bool>(7, true));
    EXPECT_EQ(combo("cmbDayOfMonth")->currentIndex(), -1);
    EXPECT_EQ(combo("cmbDayOfMonth")->count(), 28);
    EXPECT_EQ(combo("cmbNumberZipFilesToKeep")->count(), 100);
    EXPECT_TRUE(option("optFullBackup")->isChecked());
    EXPECT_TRUE(option("optCompression_1")->isChecked());
    EXPECT_EQ(combo("cmbNumberZipFilesToKeep")->currentText(), "3");
    EXPECT_FALSE(check("chkPasswordProtect")->isChecked());
    EXPECT_FALSE(text("txtPassword")->isEnabled());
    EXPECT_EQ(text("txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(text("txtTargDir")->text().isEmpty());

    text("txtBackupJobName")->setText(QStringLiteral("Photos & Notes (home)"));
    button("cmdNext")->click();
    text("txtStartTime")->setText(QStringLiteral("9:05pm"));
    wizard->txtStartTime_LostFocus();
    EXPECT_EQ(text("txtStartTime")->text(), "9:05 PM");
    combo("cmbFrequency")->setCurrentIndex(1);
    check("chkWednesday")->setChecked(true);
    button("cmdNext")->click();
    // Folders and files are told apart by what they are, not by a full stop in the name.
    drop({path(QStringLiteral("data/photos.2024")), path(QStringLiteral("data/Makefile")),
          path(QStringLiteral("data/notes.txt"))});
    check("chkSubdirectories")->setChecked(true);
    button("cmdNext")->click();
    text("txtTargDir")->setText(path(QStringLiteral("target")));
    button("cmdNext")->click();
    option("optIncremental")->setChecked(true);
    button("cmdNext")->click();
    combo("cmbNumberZipFilesToKeep")->setCurrentIndex(7);
    check("chkPasswordProtect")->setChecked(true);
    text("txtPassword")->setText(QStringLiteral("zwei Wörter $x"));
    button("cmdFinish")->click();

    EXPECT_TRUE(messageBoxes.messages().empty()) << lastMessage().text.toStdString();
    EXPECT_TRUE(testing_support::Unloaded(wizard));
    // Weekly on Wednesday and Sunday (16 + 2), 7 copies; the sources sorted.
    const QString file = jobFile(QStringLiteral("PhotosNoteshome"));
    const QString data = path(QStringLiteral("data"));
    EXPECT_EQ(QString::fromUtf8(readFile(file.mid(appFolder().size() + 1))),
              "Photos & Notes (home)\r\nDec-07-2026\r\n09:05:00 PM\r\n2\r\n18\r\n0\r\nTrue\r\n7\r\nzwei Wörter $x\r\n"
              "True\r\nTrue\r\n" + path("target") + "/\r\n" + data + "/Makefile\r\n" + data + "/notes.txt\r\n" + data +
                  "/photos.2024/*.*\r\n\r\n");
    EXPECT_EQ(QFile::permissions(file) & (QFile::ReadGroup | QFile::ReadOther), 0);

    ASSERT_EQ(schedule->lvwSchedule->topLevelItemCount(), 1);
    QTreeWidgetItem* row = schedule->lvwSchedule->topLevelItem(0);
    EXPECT_EQ(row->text(frmSchedule::ColName), "Photos & Notes (home)");
    EXPECT_EQ(row->data(frmSchedule::ColName, frmSchedule::KeyRole).toString(), "_Photos & Notes (home)");
    EXPECT_EQ(row->text(frmSchedule::ColJobFile), file);
    EXPECT_EQ(row->text(frmSchedule::ColStartTime), "09:05 PM");
}

TEST_F(WizardTest, DefaultNameCountsOnFromTheHighestNewBackupJob)
{
    const std::vector<std::pair<QStringList, QString>> cases{
        {{}, "New Backup Job"},
        {{"New Backup Job"}, "New Backup Job 2"},
        {{"New Backup Job", "New Backup Job 2"}, "New Backup Job 3"},
        {{"New Backup Job 5"}, "New Backup Job 6"},
        {{"New Backup Job 1"}, "New Backup Job 2"},
        {{"new backup job 4", "NEW BACKUP JOB"}, "New Backup Job"},
        {{"New Backup Job 99999"}, "New Backup Job"},
    };
    for (const auto& [rows, proposed] : cases) {
        schedule->lvwSchedule->clear();
        for (const QString& name : rows)
            schedule->AddItemListView(name, QDateTime(Today, QTime(0, 0)), Today, QTime(3, 0), true, "/x.awj");
        open(true);
        EXPECT_EQ(text("txtBackupJobName")->text(), proposed) << rows.join(',').toStdString();
    }
}

TEST_F(WizardTest, EditingShowsTheStoredJobAndARenameReplacesItsFileAndRow)
{
    const QString oldFile = addJob(weeklyJob());
    openForEdit("Weekly 1");

    EXPECT_EQ(wizard->windowTitle(), "Edit New Backup Job");
    EXPECT_EQ(text("txtBackupJobName")->text(), "Weekly 1");
    EXPECT_EQ(text("txtStartTime")->text(), "11:58 PM");
    EXPECT_EQ(combo("cmbFrequency")->currentText(), "Weekly");
    EXPECT_EQ(dayTicks(), (std::vector<bool>{true, false, false, false, true, false, false}));
    EXPECT_EQ(sourceEntries(), (QStringList{path("data") + "/*.*", path("data/b.txt"), path("data/sub") + "/*.doc"}));
    EXPECT_TRUE(option("optIncremental")->isChecked());
    EXPECT_TRUE(option("optCompression_1")->isChecked());
    EXPECT_EQ(combo("cmbNumberZipFilesToKeep")->currentText(), "5");
    EXPECT_TRUE(check("chkPasswordProtect")->isChecked());
    EXPECT_TRUE(text("txtPassword")->isEnabled());
    EXPECT_EQ(text("txtPassword")->text(), "s3cret word");
    EXPECT_EQ(text("txtTargDir")->text(), path("target") + "/");
    EXPECT_TRUE(messageBoxes.messages().empty());

    text("txtBackupJobName")->setText(QStringLiteral("Weekly 2"));
    finish();
    EXPECT_FALSE(QFile::exists(oldFile));
    CBackupJob saved;
    ASSERT_FALSE(saved.TryOpenBackupJob(jobFile("Weekly2")));
    EXPECT_EQ(saved.JobName(), "Weekly 2");
    EXPECT_EQ(saved.DateLastRun(), QDateTime(Today, QTime(0, 0)));
    EXPECT_EQ(saved.Password(), "s3cret word");
    EXPECT_EQ(schedule->lvwSchedule->topLevelItemCount(), 1);
    QTreeWidgetItem* row = schedule->FindItemByKey("_Weekly 2");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(frmSchedule::ColName), "Weekly 2");
    EXPECT_EQ(row->text(frmSchedule::ColJobFile), jobFile("Weekly2"));

    // The old name is free again: a new job may take it, and the keys stay apart.
    open(true);
    fillAndFinish(QStringLiteral("Weekly 1"));
    EXPECT_EQ(schedule->lvwSchedule->topLevelItemCount(), 2);
    EXPECT_NE(schedule->FindItemByKey("_Weekly 1"), nullptr);
    EXPECT_NE(schedule->FindItemByKey("_Weekly 2"), nullptr);
    EXPECT_TRUE(QFile::exists(jobFile("Weekly1")));

    // Keeping the cleaned name rewrites the one file and deletes nothing.
    openForEdit("Weekly 2");
    text("txtBackupJobName")->setText(QStringLiteral("Weekly2"));
    finish();
    EXPECT_TRUE(QFile::exists(jobFile("Weekly2")));
    ASSERT_NE(schedule->FindItemByKey("_Weekly2"), nullptr);
    EXPECT_EQ(schedule->FindItemByKey("_Weekly2")->text(frmSchedule::ColJobFile), jobFile("Weekly2"));

    {  // other kinds of job show their own controls
        CBackupJob monthly = weeklyJob(QStringLiteral("Monthly"));
        monthly.setFrequency(CBackupJob::Monthly);
        monthly.setDayOfMonth(28);
        addJob(monthly);
        openForEdit("Monthly");
        EXPECT_EQ(combo("cmbFrequency")->currentText(), "Monthly");
        EXPECT_EQ(combo("cmbDayOfMonth")->currentText(), "28");
        EXPECT_TRUE(combo("cmbDayOfMonth")->isVisibleTo(wizard->fraWizSteps[1]));
        EXPECT_FALSE(check("chkMonday")->isVisibleTo(wizard->fraWizSteps[1]));
    }
    {
        CBackupJob plain = weeklyJob(QStringLiteral("Plain"));
        plain.setCompress(false);
        plain.setIncremental(false);
        plain.setPassword({});
        plain.setNumberCopies(120);  // above the preference's limit: kept, not lowered
        addJob(plain);
        openForEdit("Plain");
        EXPECT_TRUE(option("optCompression_0")->isChecked());
        EXPECT_TRUE(option("optFullBackup")->isChecked());
        EXPECT_FALSE(combo("cmbNumberZipFilesToKeep")->isEnabled());
        EXPECT_EQ(combo("cmbNumberZipFilesToKeep")->currentText(), "120");
        EXPECT_FALSE(check("chkPasswordProtect")->isEnabled());
        EXPECT_FALSE(check("chkPasswordProtect")->isChecked());
        EXPECT_TRUE(text("txtPassword")->text().isEmpty());
        EXPECT_TRUE(messageBoxes.messages().empty());
    }
}

TEST_F(WizardTest, FinishNeverWritesOverAJobFileThatIsNotTheJobsOwn)
{
    // "Work.awj" holds the job "Home" (renamed by hand); "Skipped.awj" was left out at start-up.
    QDir().mkpath(appSetup::JobsFolder());
    CBackupJob home = weeklyJob(QStringLiteral("Home"));
    home.SaveBackupJob(jobFile("Work"));
    schedule->AddItemListView(home.JobName(), home.DateLastRun(), home.DateNextRun(), home.StartTime(), true,
                              jobFile("Work"));
    const QByteArray homeFile = readFile("BackupJobs/Work.awj");
    writeFile("BackupJobs/Skipped.awj", "damaged");
    const auto refused = [&](const QString& cleaned) {
        return "The jobs folder already holds the file '" + jobFile(cleaned) +
               "', which is not this Backup Job's file.  Please enter a different name.";
    };

    open(true);
    text("txtBackupJobName")->setText(QStringLiteral("Work"));
    goToStep(6);
    button("cmdFinish")->click();
    EXPECT_EQ(lastMessage().text, refused("Work"));
    EXPECT_EQ(wizard->CurrentStep(), 1);
    text("txtBackupJobName")->setText(QStringLiteral("Skipped"));
    goToStep(6);
    button("cmdFinish")->click();
    EXPECT_EQ(lastMessage().text, refused("Skipped"));
    delete wizard.data();

    openForEdit("Home");
    text("txtBackupJobName")->setText(QStringLiteral("Skipped"));
    goToStep(6);
    button("cmdFinish")->click();
    EXPECT_EQ(lastMessage().text, refused("Skipped"));
    EXPECT_EQ(readFile("BackupJobs/Skipped.awj"), "damaged");
    EXPECT_EQ(readFile("BackupJobs/Work.awj"), homeFile);

    // Finished under its own name, the job moves into the file of that name.
    text("txtBackupJobName")->setText(QStringLiteral("Home"));
    finish();
    EXPECT_FALSE(QFile::exists(jobFile("Work")));
    EXPECT_EQ(schedule->FindItemByKey("_Home")->text(frmSchedule::ColJobFile), jobFile("Home"));
    EXPECT_EQ(readFile("BackupJobs/Skipped.awj"), "damaged");
}

TEST_F(WizardTest, FinishRefusesPathsWithLineBreaksThatTheJobFileCantKeep)
{
    writeFile("data/two\nlines.txt", "x");
    open(true);
    drop({path("data/two\nlines.txt")});
    text("txtTargDir")->setText(path("target"));
    goToStep(6);
    button("cmdFinish")->click();
    EXPECT_EQ(lastMessage().text, "The name of '" + path("data/two\nlines.txt") +
                                      "' holds a line break, which a Backup Job can't keep.  Please remove it from the list.");
    EXPECT_EQ(wizard->CurrentStep(), 3);

    sources()->clear();
    sources()->addItem(path("data/b.txt"));
    QDir().mkpath(path("target\rx"));
    testing_support::FolderChooserStub chooser({path("target\rx")});
    goToStep(4);
    button("cmdBrowseTargDir")->click();
    goToStep(6);
    button("cmdFinish")->click();
    EXPECT_EQ(lastMessage().text, "The target folder's name holds a line break, which a Backup Job can't keep.  "
                                  "Please choose another folder.");
    EXPECT_EQ(wizard->CurrentStep(), 4);
    EXPECT_TRUE(QDir(appSetup::JobsFolder()).isEmpty());
}

TEST_F(WizardTest, FinishChecksRunInTheirOrderAndShowTheirStep)
{
    addRows({QStringLiteral("Weekly 1"), QStringLiteral("!!!")});
    open(true);
    text("txtTargDir")->setText(path("target"));
    sources()->addItem(path("data/b.txt"));
    // Finish with the name is refused with the message, on the step that holds the field.
    auto expectRefusal = [&](const QString& name, const QString& message, int step, Icon icon = Icon::Information) {
        text("txtBackupJobName")->setText(name);
        goToStep(6);
        button("cmdFinish")->click();
        ASSERT_FALSE(messageBoxes.messages().empty());
        EXPECT_EQ(lastMessage().text, message);
        EXPECT_EQ(lastMessage().title, "Verification Error");
        EXPECT_EQ(lastMessage().buttons, libForms::Buttons::OK);
        EXPECT_EQ(lastMessage().icon, icon);
        EXPECT_EQ(wizard->CurrentStep(), step);
        EXPECT_EQ(control<QLabel>("lblStepNbr")->text(), QStringLiteral("Step %1 of 6").arg(step));
        ASSERT_FALSE(wizard.isNull());
    };
    // Names differing only in letter case pass the name checks: the field checks use one.
    auto expectFieldRefusal = [&](const QString& message, int step, Icon icon = Icon::Information) {
        expectRefusal(QStringLiteral("WEEKLY 1"), message, step, icon);
    };

    expectRefusal("Weekly 1", "This name has already been used; please enter a different name.", 1);
    // After a refusal the footer keeps its states: Back restores them on step 1.
    EXPECT_FALSE(button("cmdNext")->isEnabled());
    EXPECT_TRUE(button("cmdFinish")->isEnabled());
    button("cmdBack")->click();
    EXPECT_EQ(wizard->CurrentStep(), 1);
    EXPECT_FALSE(button("cmdBack")->isEnabled());
    EXPECT_TRUE(button("cmdNext")->isEnabled());
    EXPECT_FALSE(button("cmdFinish")->isEnabled());

    // The empty name cleans like the row "!!!": the derivative check comes first.
    for (const QString& name : {QStringLiteral("Weekly1"), QStringLiteral("Week'ly 1"), QString()})
        expectRefusal(name, "A derivative of this name has already been used; please enter a different name.", 1);

    schedule->lvwSchedule->clear();
    addRows({QStringLiteral("Weekly 1")});
    expectRefusal("", "The Backup Job Name must not be blank.  Please enter a name now.", 1);
    expectRefusal("a/b",
                  "The Backup Job Name must not contain the character \"/\".  Please enter a different name.", 1);
    expectRefusal("!! ()",
                  "The Backup Job Name must hold at least one character other than blanks and \"' ;@#!$%^&*().  "
                  "Please enter a different name.",
                  1);
    expectRefusal(" .hidden",
                  "The Backup Job Name must not begin with a full stop.  Please enter a different name.", 1);
    expectRefusal(QString(201, QLatin1Char('x')),
                  "The Backup Job Name is too long to be used as a file name.  Please enter a shorter name.", 1);

    check("chkPasswordProtect")->setChecked(true);
    expectFieldRefusal("The Password Protect flag is set; however, no password is assigned in the Password text box.  "
                       "Please enter a password now.",
                       6);
    text("txtPassword")->setText(QStringLiteral("a \"b"));
    expectFieldRefusal("A password may not start with a hyphen or a double quotation mark, nor hold both blanks and "
                       "double quotation marks.  Please enter a different password now.",
                       6);
    check("chkPasswordProtect")->setChecked(false);

    text("txtTargDir")->clear();
    expectFieldRefusal("The zip output filename is blank.  Please enter select a filename now.", 4);
    text("txtTargDir")->setText(QStringLiteral("   "));  // blanks only pass

    combo("cmbFrequency")->setCurrentIndex(1);
    check("chkSunday")->setChecked(false);
    expectFieldRefusal("For a Frequency set to Daily or Weekly, you must select at least one day of the week from the "
                       "checkboxes provided.  Please make a selection now.",
                       2);
    combo("cmbFrequency")->setCurrentIndex(2);
    combo("cmbDayOfMonth")->setCurrentIndex(-1);
    expectFieldRefusal("For a Frequency set to Monthly, you must select a day of the month from the drop down box "
                       "provided.  Please make a selection now.",
                       2);
    combo("cmbDayOfMonth")->setCurrentIndex(14);

    sources()->clear();
    expectFieldRefusal("You must select at least one file or directory to backup.  Please make a selection now.", 3);

    // A start time typed but never left is checked too.
    sources()->addItem(path("data/sub") + "/*.doc");
    text("txtStartTime")->setText(QStringLiteral("soon"));
    expectFieldRefusal("The time you entered is not valid.  Please correct the value now using the format "
                       "'hh:mm AM/PM'",
                       2, Icon::None);
    text("txtStartTime")->setText(QStringLiteral("4:00 AM"));

    // A plain copy takes only whole folders and single files; the step stays.
    option("optCompression_0")->setChecked(true);
    expectFieldRefusal("You cannot use wildcard specifications other than *.* for non-compress backup jobs.  Either "
                       "set this backup job to use compression, or alter the wildcard spec for '" +
                           path("data/sub") + "/*.doc'.",
                       6, Icon::None);

    sources()->clear();
    sources()->addItem(path("data/sub") + "/*.*");
    const size_t shown = messageBoxes.messages().size();
    text("txtBackupJobName")->setText(QStringLiteral("WEEKLY 1"));
    finish();
    EXPECT_EQ(messageBoxes.messages().size(), shown);
    CBackupJob saved;
    ASSERT_FALSE(saved.TryOpenBackupJob(jobFile("WEEKLY1")));
    EXPECT_EQ(saved.Frequency(), CBackupJob::Monthly);
    EXPECT_EQ(saved.DayOfMonth(), 15);
    EXPECT_EQ(saved.StartTime(), QTime(4, 0));
    EXPECT_FALSE(saved.Compress());
    EXPECT_TRUE(saved.Password().isEmpty());
}

TEST_F(WizardTest, NextAndBackWalkTheStepsWithCounterButtonsAndFocusAndF1OpensTheHelp)
{
    open(true);
    // A click on Next takes the focus; step 5, with no input of its own, leaves it there.
    const std::vector<QString> focused{"txtBackupJobName", "txtStartTime", "chkSubdirectories", "txtTargDir",
                                       "cmdNext", "cmbNumberZipFilesToKeep"};
    for (int step = 1; step <= 6; ++step) {
        EXPECT_EQ(wizard->CurrentStep(), step);
        EXPECT_EQ(control<QLabel>("lblStepNbr")->text(), QStringLiteral("Step %1 of 6").arg(step));
        EXPECT_TRUE(wizard->fraWizSteps[step - 1]->isVisible());
        EXPECT_EQ(button("cmdBack")->isEnabled(), step > 1);
        EXPECT_EQ(button("cmdNext")->isEnabled(), step < 6);
        EXPECT_EQ(button("cmdFinish")->isEnabled(), step == 6);
        ASSERT_NE(wizard->focusWidget(), nullptr);
        EXPECT_EQ(wizard->focusWidget()->objectName().toStdString(), focused[step - 1].toStdString()) << step;
        if (step < 6)
            QTest::mouseClick(button("cmdNext"), Qt::LeftButton);
    }
    button("cmdNext")->click();  // disabled on step 6: nothing happens
    EXPECT_EQ(wizard->CurrentStep(), 6);

    // With the copies list disabled the focus goes to the next enabled input.
    option("optCompression_0")->setChecked(true);
    button("cmdBack")->click();
    button("cmdNext")->click();
    EXPECT_NE(wizard->focusWidget(), combo("cmbNumberZipFilesToKeep"));
    EXPECT_NE(wizard->focusWidget(), text("txtPassword"));
    goToStep(1);

    // Esc cancels: nothing is written and the wizard is gone.
    QTest::keyClick(wizard, Qt::Key_Escape);
    EXPECT_TRUE(testing_support::Unloaded(wizard));
    EXPECT_FALSE(QDir(appSetup::JobsFolder()).exists() && !QDir(appSetup::JobsFolder()).isEmpty());
    EXPECT_EQ(schedule->lvwSchedule->topLevelItemCount(), 0);

    open(true);
    button("cmdCancel")->click();
    EXPECT_TRUE(testing_support::Unloaded(wizard));

    // F1 on any step opens the help as the job list does.
    open(true);
    for (int step = 1; step <= 6; ++step) {
        goToStep(step);
        const size_t before = messageBoxes.messages().size();
        QTest::keyClick(wizard->focusWidget() ? wizard->focusWidget() : wizard.data(), Qt::Key_F1);
        ASSERT_EQ(messageBoxes.messages().size(), before + 1) << step;
        EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + appSetup::AppFolder()));
    }
    writeFile(QStringLiteral("Arkwell_Help.htm"), "<html></html>");
    const size_t before = messageBoxes.messages().size();
    QTest::keyClick(wizard.data(), Qt::Key_F2);
    EXPECT_EQ(messageBoxes.messages().size(), before);
}

TEST_F(WizardTest, CompressionIncrementalAndPasswordKeepEachOtherConsistent)
{
    open(true);
    const QString dropIncremental = "Removing Compression will also reset this to a Full Backup\r\n"
                                    "job and cancel the Incremental Backup setting on the \r\n"
                                    "previous page.\r\n\r\nAre you sure you want to do this?";
    const QString needCompression = "Incremental Backups must use compression.\r\n"
                                    "If you select 'Yes' below, then compression\r\n"
                                    "will be set to checked on the 'Advanced Options'\r\n"
                                    "step of this wizard.\r\n\r\nAre you sure you want to do this?";
    goToStep(5);
    option("optIncremental")->setChecked(true);  // compression is on: nothing asked
    EXPECT_TRUE(messageBoxes.messages().empty());

    goToStep(6);
    messageBoxes.answerNext(Answer::No);
    option("optCompression_0")->setChecked(true);
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_EQ(lastMessage().text, dropIncremental);
    EXPECT_EQ(lastMessage().title, "Warning");
    EXPECT_EQ(lastMessage().buttons, libForms::Buttons::YesNoCancel);
    EXPECT_TRUE(option("optCompression_1")->isChecked());
    EXPECT_TRUE(option("optIncremental")->isChecked());

    messageBoxes.answerNext(Answer::Yes);
    option("optCompression_0")->setChecked(true);
    EXPECT_TRUE(option("optCompression_0")->isChecked());
    EXPECT_TRUE(option("optFullBackup")->isChecked());
    EXPECT_FALSE(combo("cmbNumberZipFilesToKeep")->isEnabled());
    EXPECT_FALSE(control<QLabel>("lblNbrCopies")->isEnabled());
    EXPECT_FALSE(check("chkPasswordProtect")->isEnabled());

    goToStep(5);
    messageBoxes.answerNext(Answer::No);
    option("optIncremental")->setChecked(true);
    EXPECT_EQ(lastMessage().text, needCompression);
    EXPECT_TRUE(option("optFullBackup")->isChecked());
    EXPECT_TRUE(option("optCompression_0")->isChecked());

    messageBoxes.answerNext(Answer::Yes);
    option("optIncremental")->setChecked(true);
    EXPECT_TRUE(option("optIncremental")->isChecked());
    EXPECT_TRUE(option("optCompression_1")->isChecked());
    EXPECT_TRUE(combo("cmbNumberZipFilesToKeep")->isEnabled());
    EXPECT_TRUE(check("chkPasswordProtect")->isEnabled());

    goToStep(6);
    check("chkPasswordProtect")->setChecked(true);
    EXPECT_TRUE(text("txtPassword")->isEnabled());
    EXPECT_EQ(wizard->focusWidget(), text("txtPassword"));
    text("txtPassword")->setText(QStringLiteral("pw"));
    check("chkPasswordProtect")->setChecked(false);
    EXPECT_FALSE(text("txtPassword")->isEnabled());
    EXPECT_TRUE(text("txtPassword")->text().isEmpty());
    EXPECT_EQ(messageBoxes.messages().size(), 4u);
}

TEST_F(WizardTest, SourceListTakesDropsKeepsItsOrderAndRemovesTheSelection)
{
    writeFile(QStringLiteral("data/report.txt"), "r");
    writeFile(QStringLiteral("data/Makefile"), "m");
    open(true);
    goToStep(3);

    drop({}, QStringLiteral("just some text"));
    EXPECT_EQ(lastMessage().text, "No files were selected to drop here.");
    EXPECT_EQ(lastMessage().icon, Icon::Information);
    EXPECT_EQ(sources()->count(), 0);

    drop({path("data/sub"), path("data/report.txt"), path("data/Makefile")});
    drop({path("data/sub")});
    sources()->addItem(QStringLiteral("/a/Zeta.txt"));  // as the picker adds
    sources()->addItem(QStringLiteral("/a/alpha.txt"));
    EXPECT_EQ(sourceEntries(), (QStringList{"/a/alpha.txt", "/a/Zeta.txt", path("data/Makefile"),
                                            path("data/report.txt"), path("data/sub") + "/*.*",
                                            path("data/sub") + "/*.*"}));

    const size_t before = messageBoxes.messages().size();
    button("cmdRemove")->click();
    EXPECT_EQ(messageBoxes.messages().size(), before + 1);
    EXPECT_EQ(lastMessage().text, "You must first select a file or folder to remove.");
    EXPECT_EQ(lastMessage().icon, Icon::None);
    EXPECT_EQ(sources()->count(), 6);

    sources()->item(0)->setSelected(true);
    sources()->item(2)->setSelected(true);
    button("cmdRemove")->click();
    EXPECT_EQ(sourceEntries(), (QStringList{"/a/Zeta.txt", path("data/report.txt"), path("data/sub") + "/*.*",
                                            path("data/sub") + "/*.*"}));

    sources()->item(3)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_A);
    EXPECT_EQ(sources()->count(), 4);
    QTest::keyClick(sources(), Qt::Key_Delete);
    EXPECT_EQ(sources()->count(), 3);
    sources()->clearSelection();
    sources()->item(0)->setSelected(true);
    QTest::keyClick(sources(), Qt::Key_Backspace);
    EXPECT_EQ(sourceEntries(), (QStringList{path("data/report.txt"), path("data/sub") + "/*.*"}));

    // The picker writes straight into the list, which keeps its order.
    button("cmdAddFile")->click();
    frmPickFile* picker = wizard->findChild<frmPickFile*>();
    ASSERT_NE(picker, nullptr);
    EXPECT_FALSE(picker->isModal());
    picker->txtPath->setText(path("data"));
    picker->filFileList->findItems(QStringLiteral("Makefile"), Qt::MatchExactly).value(0)->setSelected(true);
    picker->cmdOk->click();
    EXPECT_EQ(sourceEntries(), (QStringList{path("data/Makefile"), path("data/report.txt"), path("data/sub") + "/*.*"}));

    LauncherRecorder launcher;
    button("cmdExplorer1")->click();
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0], (QStringList{"xdg-open", QDir::homePath()}));
    EXPECT_FALSE(wizard.isNull());
}

TEST_F(WizardTest, StartTimeIsNormalisedOrRefusedWhenLeft)
{
    open(true);
    goToStep(2);
    const std::vector<std::pair<QString, QString>> readable{
        {"3pm", "3:00 PM"}, {"15:05", "3:05 PM"}, {"0:00", "12:00 AM"}, {"9:05 pm", "9:05 PM"},
        {"11:58:40 PM", "11:58 PM"}, {"Dec-24-2026", "12:00 AM"}};
    for (const auto& [typed, shown] : readable) {
        text("txtStartTime")->setText(typed);
        wizard->txtStartTime_LostFocus();
        EXPECT_EQ(text("txtStartTime")->text(), shown) << typed.toStdString();
    }
    EXPECT_TRUE(messageBoxes.messages().empty());

    const std::vector<std::pair<QString, QString>> refused{
        {"", "The Start Time field cannot be left blank."},
        {"   ", "The time you entered is not valid."},
        {"25:00", "The time you entered is not valid."},
        {"noon-ish", "The time you entered is not valid."}};
    for (const auto& [typed, error] : refused) {
        text("txtStartTime")->setText(typed);
        wizard->txtStartTime_LostFocus();
        EXPECT_EQ(lastMessage().text, error + "  Please correct the value now using the format 'hh:mm AM/PM'");
        EXPECT_EQ(lastMessage().icon, Icon::None);
        EXPECT_EQ(wizard->focusWidget(), text("txtStartTime"));
    }
    EXPECT_EQ(text("txtStartTime")->text(), "NOON-ISH");
}

TEST_F(WizardTest, BrowseTakesAnExistingFolderAndAsksAgainForAMissingOne)
{
    testing_support::FolderChooserStub chooser({path("gone"), path("target")});
    open(true);
    goToStep(4);
    button("cmdBrowseTargDir")->click();
    EXPECT_EQ(chooser.prompts.size(), 2);
    EXPECT_EQ(text("txtTargDir")->text(), path("target"));
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
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
    ASSERT_EQ(launcher.detached.size(), 2u);
    EXPECT_EQ(launcher.detached[0], (QStringList{"xdg-open", "/"}));
    EXPECT_EQ(launcher.detached[1], (QStringList{"xdg-open", appSetup::AppFolder()}));
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
    ASSERT_NE(schedule->FindItemByKey("_Daily Docs"), nullptr);
    EXPECT_TRUE(QFile::exists(jobFile("DailyDocs")));

    schedule->lvwSchedule->setCurrentItem(schedule->FindItemByKey("_Daily Docs"));
    fillShownWizard(QStringLiteral("Daily Papers"));
    schedule->cmdEditJob_Click();
    EXPECT_TRUE(schedule->isEnabled());
    EXPECT_EQ(schedule->lvwSchedule->topLevelItemCount(), 1);
    EXPECT_NE(schedule->FindItemByKey("_Daily Papers"), nullptr);
    EXPECT_FALSE(QFile::exists(jobFile("DailyDocs")));
    EXPECT_TRUE(QFile::exists(jobFile("DailyPapers")));
}

}  // namespace
