// The job list window: its rows, keys, icons, sorting, status bar and lamps, closing that only
// hides, and its commands: Remove, Run now with its results, the failure message and the tray
// status, Stop and Exit of a hanging run, and View zip with and without a registered zip program.
#include "agent/TrayAgent.h"
#include "agent/TrayMenu.h"
#include "lib/DateFormats.h"
#include "lib/Preferences.h"
#include "support/JobListTest.h"
#include "support/WidgetLookup.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

using Messages::Answer;
using testing_support::FindControl;
using testing_support::LauncherRecorder;
using testing_support::OpenWindow;

namespace {

class ScheduleTest : public testing_support::JobListTest {
protected:
    QTreeWidget* list() { return FindControl<QTreeWidget>(&schedule, "lvwSchedule"); }
    QString label(const char* name) { return FindControl<QLabel>(&schedule, name)->text(); }
    QStringList texts(std::optional<int> row, std::optional<int> column = {})  // one row's, or one column's
    {
        QStringList texts;
        for (int index = 0; index < (row ? list()->columnCount() : list()->topLevelItemCount()); ++index)
            texts << list()->topLevelItem(row.value_or(index))->text(column.value_or(index));
        return texts;
    }
    QStringList names() { return texts(std::nullopt, JobListWindow::ColName); }
    // A row alone, without a job behind it.
    void add(const QString& name, QDate lastRun = {2026, 1, 1}, std::optional<QDate> nextRun = QDate(2026, 1, 2),
             QTime start = {1, 0}, bool compressed = true)
    {
        schedule.AddItemListView(name, QDateTime(lastRun, QTime(0, 0)), nextRun, start, compressed,
                                 AppPaths::jobsFolder() + name + ".awj");
    }
    void clickHeader(int column)
    {
        QHeaderView* header = list()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }
    void select(const QStringList& names)
    {
        list()->clearSelection();
        for (const QString& name : names)
            list()->setCurrentItem(schedule.FindItemByKey("_" + name), 0, QItemSelectionModel::Select);
    }
    const Messages::Message& lastMessage() const { return messageBoxes.messages().back(); }
    // Waits until the runs asked for have ended, their boxes answered.
    void waitForRuns() { EXPECT_TRUE(QTest::qWaitFor([this] { return !agent.busy(); }, 30000)); }
};

TEST_F(ScheduleTest, RowsCarryTheirTextsKeysAndIcons)
{
    add("Daily Docs", QDate(2026, 1, 5), QDate(2026, 2, 1), QTime(23, 58), true);
    add("Photos", QDate(2025, 12, 31), std::nullopt, QTime(9, 5), false);
    EXPECT_EQ(texts(0), (QStringList{"Daily Docs", "Jan-05-2026", "Feb-01-2026", "11:58 PM", "True",
                                     appFolder() + "/BackupJobs/Daily Docs.awj", ""}));
    // No real next run: marked, not a date.
    EXPECT_EQ(texts(1), (QStringList{"Photos", "Dec-31-2025", JobListWindow::NoNextRunText, "09:05 AM", "False",
                                     appFolder() + "/BackupJobs/Photos.awj", ""}));
    EXPECT_EQ(schedule.FindItemByKey("_Photos"), list()->topLevelItem(1));
    // Image 1 marks a compressed job, image 2 a copy: the two rows show different pictures.
    EXPECT_NE(list()->topLevelItem(0)->icon(0).cacheKey(), list()->topLevelItem(1)->icon(0).cacheKey());
    // A second row with a name already listed is refused (its key would not be unique).
    add("Photos");
    EXPECT_EQ(list()->topLevelItemCount(), 2);
}

TEST_F(ScheduleTest, EveryHeaderClickFlipsTheOrderAndDatesSortAsDates)
{
    add("beta", QDate(2026, 4, 1), QDate(2026, 5, 2), QTime(13, 0));
    add("Alpha", QDate(2026, 1, 9), std::nullopt, QTime(9, 0));
    add("gamma", QDate(2025, 12, 1), QDate(2026, 2, 1), QTime(23, 0), false);
    schedule.show();
    const std::vector<std::pair<int, QStringList>> clicks{
        {JobListWindow::ColLastRun, {"beta", "Alpha", "gamma"}},    // the first click sorts descending
        {JobListWindow::ColName, {"Alpha", "beta", "gamma"}},       // flips again, whichever column
        {JobListWindow::ColName, {"gamma", "beta", "Alpha"}},
        {JobListWindow::ColNextRun, {"gamma", "beta", "Alpha"}},    // ascending; no next run comes last
        {JobListWindow::ColStartTime, {"gamma", "beta", "Alpha"}},  // by time of day, not by "AM"/"PM"
        {JobListWindow::ColStartTime, {"Alpha", "beta", "gamma"}}};
    for (const auto& [column, order] : clicks) {
        clickHeader(column);
        EXPECT_EQ(names(), order) << column;
    }
    add("aaa");  // appended at the end, not sorted in
    EXPECT_EQ(names().last(), "aaa");
}

// The status bar counts the rows; the first showing selects row 1, later ones keep the
// selection; closing only hides, keeping the rows, the sort and the size.
TEST_F(ScheduleTest, StatusBarLampsSelectionAndClosingThatOnlyHides)
{
    EXPECT_EQ(label("NbrBackupJobs"), "0 Backup Jobs");
    EXPECT_EQ(testing_support::FindControl<QLabel>(&schedule, "imgLight0")->toolTip(), "Ready: no backup job is running");
    add("b");
    EXPECT_EQ(label("NbrBackupJobs"), "1 Backup Jobs");  // no singular form
    add("c");
    add("a");
    schedule.show();
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(0));
    EXPECT_TRUE(list()->topLevelItem(0)->isSelected());
    schedule.DeleteItemListView(2);  // counted from 1: "c" goes
    EXPECT_EQ(label("NbrBackupJobs"), "2 Backup Jobs");
    std::vector<bool> lamps;  // idle at first
    for (const char* lamp : {"imgLight0", "imgLight1", "imgLight2", "imgLight3"})
        lamps.push_back(FindControl<QLabel>(&schedule, lamp)->isVisibleTo(&schedule));
    EXPECT_EQ(lamps, (std::vector<bool>{true, false, false, true}));

    clickHeader(JobListWindow::ColName);
    clickHeader(JobListWindow::ColName);
    list()->setCurrentItem(list()->topLevelItem(1));
    int closedByUser = 0;
    QObject::connect(&schedule, &JobListWindow::closedByUser, [&closedByUser] { ++closedByUser; });
    schedule.close();
    EXPECT_FALSE(schedule.isVisible());
    schedule.show();
    EXPECT_EQ(names(), QStringList({"a", "b"}));
    EXPECT_EQ(list()->currentItem(), list()->topLevelItem(1));
    FindControl<QAction>(&schedule, "mnuFileClose")->trigger();
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_EQ(closedByUser, 2);
    // At the program's end the window goes without telling anyone it was closed by the user.
    schedule.show();
    schedule.KillForm(true);
    schedule.resize(schedule.minimumSize() + QSize(123, 45));
    schedule.close();
    EXPECT_EQ(closedByUser, 2);
    EXPECT_EQ(JobListWindow(agent).size(), schedule.minimumSize() + QSize(123, 45));  // the next window keeps its size
}

TEST_F(ScheduleTest, RemoveAsksAndTakesExactlyTheSelectedJobsWithTheirFiles)
{
    const QStringList files{addJob("What?"), addJob("Whatx"), addJob("Last")};
    select({"Last"});
    messageBoxes.answerNext(Answer::No);
    schedule.cmdDelJob_Click();
    EXPECT_EQ(lastMessage().text, "Are you sure you want to delete this Backup Job?");
    EXPECT_EQ(lastMessage().title, "Remove Confirmation");
    EXPECT_EQ(names().size(), 3);
    // A name holding "?" takes only its own file.
    select({"What?", "Last"});
    messageBoxes.answerNext(Answer::Yes);
    schedule.cmdDelJob_Click();
    EXPECT_EQ((QList<bool>{QFile::exists(files[0]), QFile::exists(files[1]), QFile::exists(files[2])}),
              (QList<bool>{false, true, false}));
    EXPECT_EQ(names(), QStringList{"Whatx"});
}

// Real runs of the real zip: each row shows its result and its run's log lines, a failed one is
// marked, the progress and the tray follow the run, and the log names the job twice. With
// StopOnError a failure asks whether to open the log; Yes opens it and skips the jobs after it.
TEST_F(ScheduleTest, RunsShowTheirResultProgressAndTrayStatusAndAFailureMayStopThem)
{
    addJob("Broken", [this](Job& job) { job.setTargetDirectory(path("src/a.txt")); });  // a file, no folder
    addJob("Good");
    TrayAgent tray(agent, schedule, false);
    EXPECT_EQ(tray.TrayStateNow(), TrayAgent::TrayState::Idle);
    EXPECT_TRUE(tray.TrayToolTip().endsWith("Last result: none"));
    EXPECT_EQ(schedule.FindItemByKey("_Good")->text(JobListWindow::ColLastRun), "Never");  // not its file's date
    QStringList whileRunning;  // the row, the status bar and the tray as each entry starts
    const auto watch = QObject::connect(&schedule, &JobListWindow::statusChanged, [&] {
        if (QTreeWidgetItem* row = schedule.FindItemByKey("_" + schedule.RunningJob()))
            whileRunning << row->text(JobListWindow::ColLastResult) + " | " + schedule.pnlProgress->text() + " | "
                                + QString::number(int(tray.TrayStateNow()));
    });
    schedule.RunJobs({"Good", "Broken"});
    waitForRuns();
    QObject::disconnect(watch);
    const QString progress = "entry 1 of 1, 1 files done: '" + path("src/a.txt") + "'";
    EXPECT_TRUE(whileRunning.contains("running: " + progress + " | " + progress + " | 1")) << whileRunning.join('\n').toStdString();
    EXPECT_TRUE(schedule.pnlProgress->text().isEmpty());
    EXPECT_TRUE(messageBoxes.messages().empty());
    using Row = std::tuple<QString, QString, bool, QString, QString>;  // name, result, marked, logged, log's result
    for (const auto& [name, word, marked, logged, result] :
         {Row{"Good", "completed ", false, "Zipping Up   ", "completed: 1 files, 1 bytes in \\d+ s$"},
          Row{"Broken", "failed ", true, "Arkwell Error", "failed: Arkwell Error, "}}) {
        const QTreeWidgetItem* row = schedule.FindItemByKey("_" + name);
        EXPECT_TRUE(row->text(JobListWindow::ColLastResult).startsWith(word)) << name.toStdString();
        EXPECT_EQ(!row->icon(JobListWindow::ColLastResult).isNull(), marked) << name.toStdString();
        EXPECT_TRUE(row->toolTip(JobListWindow::ColName).contains(logged)) << name.toStdString();
        EXPECT_EQ(row->text(JobListWindow::ColLastRun), DateFormats::formatDate(Clock::today(), QLocale::system()));
        EXPECT_TRUE(transactionLog().contains("Backup Job '" + name + "' started."));
        EXPECT_FALSE(transactionLog().filter(QRegularExpression("^Backup Job '" + name + "' " + result)).isEmpty());
    }
    EXPECT_EQ(tray.TrayStateNow(), TrayAgent::TrayState::Attention);
    EXPECT_TRUE(QRegularExpression("^Arkwell\nNeeds attention: Broken failed\nNext run: \\w+ .+\nLast result: Broken failed .+$")
                    .match(tray.TrayToolTip()).hasMatch()) << tray.TrayToolTip().toStdString();

    Preferences::stopOnError = true;
    std::vector<bool> enabledWhileAsked;
    Messages::setHandler([&](const Messages::Message& message) {
        enabledWhileAsked.push_back(schedule.lvwSchedule->isEnabled());
        EXPECT_EQ(message.title, "Backup Error");
        EXPECT_EQ(message.text, "Backup Job 'Broken' has failed.\r\n\r\nSee transaction log for details: '"
                                    + AppPaths::transactionLogPath() + "'\r\n\r\nOpen the transaction log now?");
        return enabledWhileAsked.size() == 1 ? Answer::Yes : Answer::No;
    });
    LauncherRecorder launcher;
    QFile::remove(path("bk/Good.zip"));
    for (const bool goesOn : {false, true}) {
        select({"Broken", "Good"});
        schedule.cmdBackup_Click();
        waitForRuns();
        EXPECT_EQ(enabledWhileAsked, std::vector<bool>(goesOn ? 2 : 1, false));
        EXPECT_TRUE(schedule.lvwSchedule->isEnabled());
        EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", AppPaths::transactionLogPath()}));
        EXPECT_EQ(QFile::exists(path("bk/Good.zip")), goesOn);  // the job after the failed one ran, or not
    }
}

TEST_F(ScheduleTest, NeitherAJobFileGoneNorALogThatCantBeWrittenEndsTheProgram)
{
    QFile::remove(addJob("Gone"));
    select({"Gone"});
    schedule.cmdEditJob_Click();
    EXPECT_TRUE(lastMessage().text.startsWith("The job file of Backup Job 'Gone' can't be read: "));
    EXPECT_TRUE(schedule.isEnabled());
    EXPECT_EQ(schedule.findChild<QWidget*>("JobWizard"), nullptr);

    LauncherRecorder launcher;
    QDir().mkpath(AppPaths::transactionLogPath());  // something in the log's place that can't be written
    schedule.mnuActionViewTransactionLog_Click();
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", AppPaths::transactionLogPath()}));
}

TEST_F(ScheduleTest, TheBoxesStayUsableWhileTheWindowIsBusyAndF1InTheAboutBoxShowsTheHelp)
{
    schedule.mnuFilePreferences_Click();
    schedule.mnuHelpAbout_Click();
    schedule.centralWidget()->setEnabled(false);  // as during a run
    QWidget* about = OpenWindow("AboutBox");
    ASSERT_TRUE(about && OpenWindow("PreferencesDialog"));
    EXPECT_TRUE(OpenWindow("PreferencesDialog")->isEnabled() && about->isEnabled());
    QTest::keyClick(about, Qt::Key_F1);
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + path("Arkwell_Help.htm")));
    schedule.mnuHelpAbout_Click();  // shown again: one help per F1 all the same
    QTest::keyClick(about, Qt::Key_F1);
    EXPECT_EQ(messageBoxes.messages().size(), 2u);

    // Without a browser the help opens in the program's own window.
    const QByteArray searchPath = qgetenv("PATH");
    const auto restore = qScopeGuard([&] { qputenv("PATH", searchPath); });
    qputenv("PATH", QFile::encodeName(path("no-programs")));
    writeFile("Arkwell_Help.htm", "<html><body><h1>Arkwell Help</h1></body></html>");
    QTest::keyClick(about, Qt::Key_F1);
    EXPECT_EQ(messageBoxes.messages().size(), 2u);
    QWidget* help = OpenWindow("HelpWindow");
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(testing_support::FindControl<QTextBrowser>(help, "helpPage")->toPlainText().contains("Arkwell Help"));
    help->close();
}

TEST_F(ScheduleTest, ViewZipOpensTheNewestArchiveInTheRegisteredViewerOrAsksFirst)
{
    const QByteArray searchPath = qgetenv("PATH"), desktop = qgetenv("XDG_CURRENT_DESKTOP");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", searchPath);
        desktop.isNull() ? qunsetenv("XDG_CURRENT_DESKTOP") : qputenv("XDG_CURRENT_DESKTOP", desktop);
    });
    qunsetenv("XDG_CURRENT_DESKTOP");
    LauncherRecorder launcher;
    addJob("Zipped", [this](Job& job) { job.setTargetDirectory(path("bk")); });
    addJob("Plain", [](Job& job) { job.setCompress(false); });
    select({"Zipped"});
    schedule.cmdView_Click();
    EXPECT_EQ(lastMessage().text, "The file '" + path("bk") + "/Zipped' does not exist.");
    EXPECT_TRUE(launcher.detached.empty());

    writeFile("bk/Zipped_2.zip", "older");
    writeFile("bk/Zipped_1.zip", "old");
    messageBoxes.answerNext(Answer::Yes);
    schedule.cmdView_Click();
    EXPECT_EQ(lastMessage().title, "No Zip Program Installed");
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", path("bk") + "/"}));
    messageBoxes.answerNext(Answer::No);
    schedule.cmdView_Click();
    EXPECT_EQ(launcher.detached.size(), 1u);
    // Without a file manager either, the user is told where the archive is.
    launcher.detachedSucceeds = false;
    messageBoxes.answerNext(Answer::Yes);
    schedule.cmdView_Click();
    EXPECT_EQ(lastMessage().text,
              "No program could be started to show the backup zip. It is the file '" + path("bk/Zipped_1.zip") + "'.");

    // A zip viewer "arkview" registered for the desktop, as a file manager would.
    writeFile("xdg-config/mimeapps.list", "[Default Applications]\napplication/zip=arkview.desktop\n");
    writeFile("xdg-data/applications/arkview.desktop",
              "[Desktop Entry]\nType=Application\nName=Ark View\nExec=arkview --open %f\n");
    QFile::setPermissions(writeFile("xdg/bin/arkview", "#!/bin/sh\n"), QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(path("xdg/bin")) + ":" + searchPath);
    launcher.detachedSucceeds = true;
    const size_t asked = messageBoxes.messages().size();
    schedule.cmdView_Click();
    EXPECT_EQ(messageBoxes.messages().size(), asked);
    EXPECT_EQ(launcher.detached.back(), (QStringList{"arkview", "--open", path("bk/Zipped_1.zip")}));

    select({"Plain"});
    schedule.cmdView_Click();
    EXPECT_EQ(lastMessage().text, "This Backup Job does not use compression, thus there is no zip file to view.");
}

// A zip that hangs: it starts an archive wherever it is told to write one, then sleeps. The
// Stop command and the tray menu's Exit Arkwell end it and keep the previous archives.
TEST_F(ScheduleTest, StopAndExitEndAHangingZipAndKeepThePreviousArchives)
{
    QFile::remove(path("zip"));
    QFile::setPermissions(writeFile("zip", "#!/bin/sh\nfor a; do case $a in */*.zip) echo partial > \"$a\";; esac; done\n"
                                           "touch \"$0.started\"\nexec sleep 60\n"),
                          QFile::ReadOwner | QFile::ExeOwner);
    writeFile("bk/Slow.zip", "newest");
    writeFile("bk/Slow_1.zip", "older");
    addJob("Slow", [this](Job& job) {
        job.setCopies(1);
        job.setFilesToZip(path("src/a.txt") + "\r\n" + writeFile("src/b.txt", "b") + "\r\n");  // no zip after a stop
    });
    for (const bool byExit : {false, true}) {
        SCOPED_TRACE(byExit ? "Exit" : "Stop");
        TrayAgent main(agent, schedule, true);
        QSignalSpy ended(&main, &TrayAgent::ended);
        QTimer whenZipRuns;
        QObject::connect(&whenZipRuns, &QTimer::timeout, &schedule, [&] {
            if (!QFile::remove(path("zip.started")))
                return;
            whenZipRuns.stop();
            EXPECT_TRUE(schedule.mnuActionStop->isEnabled());
            (byExit ? main.Popup().Exit : schedule.mnuActionStop)->trigger();
        });
        whenZipRuns.start(20);
        select({"Slow"});
        QElapsedTimer took;
        took.start();
        schedule.cmdBackup_Click();
        waitForRuns();
        EXPECT_LT(took.elapsed(), 30000);  // far less than the hanging zip's minute
        EXPECT_FALSE(schedule.mnuActionStop->isEnabled());
        EXPECT_EQ(ended.count(), byExit ? 1 : 0);
        EXPECT_EQ(QDir(path("bk")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  (QStringList{"Slow.zip", "Slow_1.zip"}));
        EXPECT_EQ(readFile("bk/Slow.zip") + '+' + readFile("bk/Slow_1.zip"), QByteArray("newest+older"));
        EXPECT_TRUE(transactionLog().contains("Backup Job 'Slow' was stopped."));
        EXPECT_TRUE(messageBoxes.messages().empty());
    }
}

}  // namespace
