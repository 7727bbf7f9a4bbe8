// The job commands of the job list window: Remove, Run now with the failure message, Stop,
// and View zip with and without a registered zip program.
#include "agent/appSetupMain.h"
#include "agent/frmMain.h"
#include "jobs/CBackupJob.h"
#include "lib/appSetup.h"
#include "schedule/frmSchedule.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"
#include "wizard/frmWIZ_JobDefinition.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QTreeWidget>

using libForms::Answer;
using testing_support::AppFolderTest;
using testing_support::LauncherRecorder;
using testing_support::OpenWindow;

namespace {

class ScheduleCommandsTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        QFile::link(QStringLiteral("/usr/bin/zip"), path("zip"));
        appSetup::MaxBackupCopies = 99;
        appSetup::StopOnError = true;
        QDir().mkpath(appSetup::JobsFolder());
        QDir().mkpath(path("bk"));
        writeFile("src/a.txt", "a");
        appSetup::LoadJobList(window);
    }

    // Saves a job file backing up src/a.txt into `target` and lists it.
    QString addJob(const QString& name, const QString& target, bool compress = true)
    {
        CBackupJob job;
        job.setJobName(name);
        job.setTargetDirectory(target);
        job.setCompress(compress);
        job.setFrequency(CBackupJob::Daily);
        job.SetDayOfWeek(true, true, true, true, true, true, true);
        job.setFilesToZip(path("src/a.txt") + "\r\n");
        job.setDateLastRun(QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
        window.Jobs().Save(job);
        return window.Jobs().JobFile(name);
    }
    void select(const QStringList& names)
    {
        window.lvwSchedule->clearSelection();
        for (const QString& name : names) {
            QTreeWidgetItem* row = window.FindItemByKey("_" + name);
            ASSERT_NE(row, nullptr) << name.toStdString();
            window.lvwSchedule->setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
            row->setSelected(true);
        }
    }
    QStringList rowNames() const
    {
        QStringList names;
        for (int i = 0; i < window.lvwSchedule->topLevelItemCount(); ++i)
            names << window.lvwSchedule->topLevelItem(i)->text(frmSchedule::ColName);
        names.sort();
        return names;
    }
    const libForms::Message& lastMessage() const { return messageBoxes.messages().back(); }

    frmSchedule window;
};

TEST_F(ScheduleCommandsTest, RemoveAsksAndTakesExactlyTheSelectedJobsWithTheirFiles)
{
    const QString first = addJob("First", path("bk"));
    const QString what = addJob("What?", path("bk"));
    const QString whatx = addJob("Whatx", path("bk"));
    const QString last = addJob("Last", path("bk"));

    select({"First"});
    messageBoxes.answerNext(Answer::No);
    window.cmdDelJob_Click();
    EXPECT_EQ(lastMessage().text, "Are you sure you want to delete this Backup Job?");
    EXPECT_EQ(lastMessage().title, "Remove Confirmation");
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_EQ(rowNames().size(), 4);

    messageBoxes.answerNext(Answer::Yes);
    window.cmdDelJob_Click();
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_EQ(rowNames(), (QStringList{"Last", "What?", "Whatx"}));

    // A name holding "?" takes only its own file.
    select({"What?", "Last"});
    messageBoxes.answerNext(Answer::Yes);
    window.cmdDelJob_Click();
    EXPECT_FALSE(QFile::exists(what));
    EXPECT_FALSE(QFile::exists(last));
    EXPECT_TRUE(QFile::exists(whatx));
    EXPECT_EQ(rowNames(), QStringList{"Whatx"});
}

TEST_F(ScheduleCommandsTest, RunNowStopsAtAFailureWhenTheUserOpensTheLog)
{
    addJob("Broken", path("missing-target"));
    addJob("Good", path("bk"));
    std::vector<bool> enabledDuringMessages;
    std::vector<Answer> answers{Answer::Yes, Answer::No};
    libForms::SetMessageBoxHandler([&](const libForms::Message& message) {
        enabledDuringMessages.push_back(window.lvwSchedule->isEnabled());
        EXPECT_EQ(message.title, "Backup Error");
        EXPECT_EQ(message.text, "Backup Job 'Broken' has failed.\r\n\r\nSee transaction log for details: '" +
                                    appSetup::TransactionLogPath() + "'");
        const Answer answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    LauncherRecorder launcher;
    launcher.fixedExitCode.reset();

    // Yes: the log opens and the job after the failing one is skipped.
    select({"Broken", "Good"});
    window.cmdBackup_Click();
    EXPECT_EQ(enabledDuringMessages, std::vector<bool>{false});
    EXPECT_TRUE(window.lvwSchedule->isEnabled());
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0], (QStringList{"xdg-open", appSetup::TransactionLogPath()}));
    EXPECT_FALSE(QFile::exists(path("bk/Good.zip")));

    // No: the run goes on with the next job.
    select({"Broken", "Good"});
    window.cmdBackup_Click();
    EXPECT_EQ(enabledDuringMessages.size(), 2u);
    EXPECT_TRUE(window.lvwSchedule->isEnabled());
    EXPECT_EQ(QProcess::execute("unzip", {"-tqq", path("bk/Good.zip")}), 0);

    // Without StopOnError nobody is asked.
    appSetup::StopOnError = false;
    window.cmdBackup_Click();
    EXPECT_EQ(enabledDuringMessages.size(), 2u);
}

TEST_F(ScheduleCommandsTest, NeitherAJobFileGoneNorALogThatCantBeWrittenEndsTheProgram)
{
    const QString file = addJob("Gone", path("bk"));
    QFile::remove(file);
    select({"Gone"});
    window.cmdEditJob_Click();
    EXPECT_TRUE(lastMessage().text.startsWith("The job file of Backup Job 'Gone' can't be read: "));
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(window.findChild<QWidget*>("frmWIZ_JobDefinition"), nullptr);

    LauncherRecorder launcher;
    QDir().mkpath(appSetup::TransactionLogPath());  // something in the log's place that can't be written
    window.mnuActionViewTransactionLog_Click();
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0], (QStringList{"xdg-open", appSetup::TransactionLogPath()}));
}

TEST_F(ScheduleCommandsTest, TheBoxesStayUsableWhileTheWindowIsBusyAndF1InTheAboutBoxShowsTheHelp)
{
    window.mnuFilePreferences_Click();
    window.mnuHelpAbout_Click();
    window.setEnabled(false);  // as during a run or while the wizard is open
    ASSERT_NE(OpenWindow("frmPreferences"), nullptr);
    EXPECT_TRUE(OpenWindow("frmPreferences")->isEnabled());
    QWidget* about = OpenWindow("frmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isEnabled());
    QTest::keyClick(about, Qt::Key_F1);
    ASSERT_FALSE(messageBoxes.messages().empty());
    EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + path("Arkwell_Help.htm")));
    window.mnuHelpAbout_Click();  // shown again: one help per F1 all the same
    QTest::keyClick(about, Qt::Key_F1);
    EXPECT_EQ(messageBoxes.messages().size(), 2u);
}

class ViewZipTest : public ScheduleCommandsTest {
protected:
    void SetUp() override
    {
        ScheduleCommandsTest::SetUp();
        for (const char* name : {"PATH", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP"})
            saved.emplace_back(name, qgetenv(name));
        qunsetenv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("xdg/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("xdg/data")));
        QDir().mkpath(path("xdg/config"));
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
        ScheduleCommandsTest::TearDown();
    }
    // Registers a zip viewer "arkview" for the desktop, as a file manager would.
    void registerViewer()
    {
        writeFile("xdg/config/mimeapps.list", "[Default Applications]\napplication/zip=arkview.desktop\n");
        writeFile("xdg/data/applications/arkview.desktop",
                  "[Desktop Entry]\nType=Application\nName=Ark View\nExec=arkview --open %f\n");
        writeFile("xdg/bin/arkview", "#!/bin/sh\n");
        QFile::setPermissions(path("xdg/bin/arkview"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(path("xdg/bin")) + ":" + saved.front().second);
    }

    std::vector<std::pair<const char*, QByteArray>> saved;
    LauncherRecorder launcher;
};

TEST_F(ViewZipTest, OpensTheNewestArchiveInTheRegisteredViewerOrAsksFirst)
{
    addJob("Zipped", path("bk"));
    addJob("Plain", path("bk"), false);

    select({"Zipped"});
    window.cmdView_Click();
    EXPECT_EQ(lastMessage().text, "The file '" + path("bk") + "/Zipped' does not exist.");
    EXPECT_TRUE(launcher.detached.empty());

    writeFile("bk/Zipped_2.zip", "older");
    writeFile("bk/Zipped_1.zip", "old");
    messageBoxes.answerNext(Answer::Yes);
    window.cmdView_Click();
    EXPECT_EQ(lastMessage().title, "No Zip Program Installed");
    ASSERT_EQ(launcher.detached.size(), 1u);
    EXPECT_EQ(launcher.detached[0], (QStringList{"xdg-open", path("bk") + "/"}));

    messageBoxes.answerNext(Answer::No);
    window.cmdView_Click();
    EXPECT_EQ(launcher.detached.size(), 1u);

    // Without a file manager either, the user is told where the archive is.
    launcher.detachedSucceeds = false;
    messageBoxes.answerNext(Answer::Yes);
    window.cmdView_Click();
    EXPECT_EQ(lastMessage().text,
              "No program could be started to show the backup zip. It is the file '" + path("bk/Zipped_1.zip") + "'.");
    launcher.detachedSucceeds = true;
    launcher.detached.pop_back();

    registerViewer();
    const size_t asked = messageBoxes.messages().size();
    window.cmdView_Click();
    EXPECT_EQ(messageBoxes.messages().size(), asked);
    ASSERT_EQ(launcher.detached.size(), 2u);
    EXPECT_EQ(launcher.detached[1], (QStringList{"arkview", "--open", path("bk/Zipped_1.zip")}));

    select({"Plain"});
    window.cmdView_Click();
    EXPECT_EQ(lastMessage().text, "This Backup Job does not use compression, thus there is no zip file to view.");
}

// Real runs of the real zip: each row shows its result and its run's log lines, a failed one
// is marked, the progress and the tray follow the run, and the log names the job twice.
TEST_F(ScheduleCommandsTest, RunsShowTheirResultProgressAndTrayStatus)
{
    addJob("Good", path("bk"));
    addJob("Broken", path("missing-target"));
    appSetup::StopOnError = false;
    frmMain agent(window, false);
    EXPECT_EQ(agent.TrayStateNow(), frmMain::TrayState::Idle);
    EXPECT_TRUE(agent.TrayToolTip().endsWith("Last result: none"));

    QStringList whileRunning;  // the row, the status bar and the tray as each entry starts
    QObject::connect(&window, &frmSchedule::statusChanged, [&] {
        if (QTreeWidgetItem* row = window.FindItemByKey("_" + window.RunningJob()))
            whileRunning << row->text(frmSchedule::ColLastResult) + " | " + window.pnlProgress->text() + " | "
                                + QString::number(int(agent.TrayStateNow()));
    });
    window.RunJobs({"Good", "Broken"});
    const QString progress = "entry 1 of 1, %1 files done: '" + path("src/a.txt") + "'";
    const QString shown = "running: " + progress + " | " + progress + " | 1";
    EXPECT_EQ(whileRunning, (QStringList{shown.arg(0), shown.arg(1)}));  // Broken fails before its entry
    EXPECT_TRUE(window.pnlProgress->text().isEmpty());

    using Row = std::tuple<QString, QString, bool, QString, QString>;  // name, result, marked, logged, log's result
    for (const auto& [name, word, marked, logged, result] :
         {Row{"Good", "completed ", false, "Zipping Up   ", "completed: 1 files, 1 bytes in \\d+ s$"},
          Row{"Broken", "failed ", true, "Arkwell Error", "failed: Arkwell Error, "}}) {
        const QTreeWidgetItem* row = window.FindItemByKey("_" + name);
        EXPECT_TRUE(row->text(frmSchedule::ColLastResult).startsWith(word)) << name.toStdString();
        EXPECT_EQ(!row->icon(frmSchedule::ColLastResult).isNull(), marked) << name.toStdString();
        EXPECT_TRUE(row->toolTip(frmSchedule::ColName).contains(logged)) << name.toStdString();
        EXPECT_TRUE(transactionLog().contains("Backup Job '" + name + "' started."));
        EXPECT_FALSE(transactionLog().filter(QRegularExpression("^Backup Job '" + name + "' " + result)).isEmpty());
    }
    EXPECT_EQ(agent.TrayStateNow(), frmMain::TrayState::Attention);
    EXPECT_TRUE(QRegularExpression("^Arkwell\nNeeds attention: Broken failed\nNext run: \\w+ .+\nLast result: Broken failed .+$")
                    .match(agent.TrayToolTip()).hasMatch()) << agent.TrayToolTip().toStdString();
}

}  // namespace

// A zip that hangs: it starts an archive wherever it is told to write one, then sleeps.
TEST_F(ScheduleCommandsTest, StopAndExitEndAHangingZipAndKeepThePreviousArchives)
{
    QFile::remove(path("zip"));
    writeFile("zip", "#!/bin/sh\nfor a; do case $a in */*.zip) echo partial > \"$a\";; esac; done\n"
                     "touch \"$0.started\"\nexec sleep 60\n");
    QFile::setPermissions(path("zip"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile("bk/Slow.zip", "newest");
    writeFile("bk/Slow_1.zip", "older");
    const QString file = addJob("Slow", path("bk") + "/");
    CBackupJob job;
    ASSERT_FALSE(job.TryOpenBackupJob(file));
    job.setNumberCopies(1);
    job.setFilesToZip(path("src/a.txt") + "\r\n" + writeFile("src/b.txt", "b") + "\r\n");  // no zip after a stop
    job.SaveBackupJob(file);
    for (const bool byExit : {false, true}) {
        SCOPED_TRACE(byExit ? "Exit" : "Stop");
        frmMain main(window, true);
        QSignalSpy ended(&main, &frmMain::ended);
        QTimer whenZipRuns;
        QObject::connect(&whenZipRuns, &QTimer::timeout, &window, [&] {
            if (!QFile::remove(path("zip.started")))
                return;
            whenZipRuns.stop();
            EXPECT_TRUE(window.mnuActionStop->isEnabled());
            byExit ? main.ExitProgram() : window.mnuActionStop->trigger();
        });
        whenZipRuns.start(20);
        select({"Slow"});
        QElapsedTimer took;
        took.start();
        window.cmdBackup_Click();
        EXPECT_LT(took.elapsed(), 30000);  // far less than the hanging zip's minute
        EXPECT_FALSE(window.mnuActionStop->isEnabled());
        EXPECT_EQ(ended.count(), byExit ? 1 : 0);
        EXPECT_EQ(QDir(path("bk")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  (QStringList{"Slow.zip", "Slow_1.zip"}));
        EXPECT_EQ(readFile("bk/Slow.zip") + '+' + readFile("bk/Slow_1.zip"), QByteArray("newest+older"));
        EXPECT_TRUE(transactionLog().contains("Backup Job 'Slow' was stopped."));
        EXPECT_TRUE(messageBoxes.messages().empty());
    }
}
