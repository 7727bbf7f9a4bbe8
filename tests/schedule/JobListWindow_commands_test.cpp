// The job list window: sorting, status bar, closing that only hides, and its commands: Remove,
// Run now and the failure message, Stop and Exit of a hanging run, View zip, the help.
#include "agent/TrayAgent.h"
#include "agent/TrayMenu.h"
#include "schedule/JobListWindow.h"
#include "support/AgentTest.h"
#include "support/WidgetLookup.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using Messages::Answer;
using testing_support::FindControl;
using testing_support::LauncherRecorder;
using testing_support::OpenWindow;

namespace {

class ScheduleTest : public testing_support::AgentTest {
protected:
    QTreeView* list() { return FindControl<QTreeView>(&schedule, "jobList"); }
    QAction* action(const char* name) { return FindControl<QAction>(&schedule, name); }
    QString label(const char* name) { return FindControl<QLabel>(&schedule, name)->text(); }
    QStringList names()
    {
        QStringList names;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            names << list()->model()->index(row, JobListModel::Name).data().toString();
        return names;
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
            list()->selectionModel()->setCurrentIndex(schedule.indexOf(name),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const Messages::Message& lastMessage() const { return messageBoxes.messages().back(); }
    // Waits until the runs asked for have ended, their boxes answered.
    void waitForRuns() { EXPECT_TRUE(QTest::qWaitFor([this] { return !agent.busy(); }, 30000)); }

    JobListWindow schedule{agent};
};

// Header clicks flip the order whichever column they are on; dates and times sort as such.
TEST_F(ScheduleTest, SortingStatusBarSelectionAndClosingThatOnlyHides)
{
    EXPECT_EQ(label("jobCount"), "0 Backup Jobs");
    addJob("beta", [](Job& job) { job.setStartTime(QTime(13, 0)); });
    EXPECT_EQ(label("jobCount"), "1 Backup Jobs");  // no singular form
    addJob("Alpha", [](Job& job) { job.setStartTime(QTime(9, 0)); job.setWeekdays(0); });
    addJob("gamma", [](Job& job) { job.setStartTime(QTime(23, 0)); });
    for (const auto& [name, started] : {std::pair{"beta", QDate(2026, 4, 1)}, {"Alpha", QDate(2026, 1, 9)}})
        agent.jobs().updateRecord(name, [started](RunRecord& record) { record.started = QDateTime(started, QTime(1, 0)); });
    schedule.show();
    EXPECT_EQ(list()->currentIndex().row(), 0);
    const std::vector<std::pair<int, QStringList>> clicks{
        {JobListModel::LastRun, {"gamma", "beta", "Alpha"}},    // the first click sorts descending; never ran first
        {JobListModel::Name, {"Alpha", "beta", "gamma"}},       // flips again, whichever column
        {JobListModel::NextRun, {"Alpha", "beta", "gamma"}},    // descending: no next run first
        {JobListModel::StartTime, {"Alpha", "beta", "gamma"}}};  // by time of day, not by "AM"/"PM"
    for (const auto& [column, order] : clicks) {
        clickHeader(column);
        EXPECT_EQ(names(), order) << column;
    }

    list()->setCurrentIndex(list()->model()->index(1, 0));
    int closedByUser = 0;
    QObject::connect(&schedule, &JobListWindow::closedByUser, [&closedByUser] { ++closedByUser; });
    schedule.close();
    EXPECT_FALSE(schedule.isVisible());
    schedule.show();
    EXPECT_EQ(names(), (QStringList{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(list()->currentIndex().row(), 1);
    action("closeAction")->trigger();
    EXPECT_FALSE(schedule.isVisible());
    EXPECT_EQ(closedByUser, 2);
    // At the program's end the window goes without telling anyone it was closed by the user.
    schedule.show();
    schedule.resize(schedule.minimumSize() + QSize(123, 45));
    schedule.closeForGood();
    EXPECT_EQ(closedByUser, 2);
    EXPECT_EQ(JobListWindow(agent).size(), schedule.minimumSize() + QSize(123, 45));  // the next window keeps its size
}

TEST_F(ScheduleTest, RemoveAsksAndTakesExactlyTheSelectedJobsWithTheirFiles)
{
    const QStringList files{addJob("What?"), addJob("Whatx"), addJob("Last")};
    select({"Last"});
    messageBoxes.answerNext(Answer::No);
    schedule.removeJobs();
    EXPECT_EQ(lastMessage().text, "Are you sure you want to delete this Backup Job?");
    EXPECT_EQ(names().size(), 3);
    // A name holding "?" takes only its own file.
    select({"What?", "Last"});
    messageBoxes.answerNext(Answer::Yes);
    schedule.removeJobs();
    EXPECT_EQ((QList<bool>{QFile::exists(files[0]), QFile::exists(files[1]), QFile::exists(files[2])}),
              (QList<bool>{false, true, false}));
    EXPECT_EQ(names(), QStringList{"Whatx"});
}

// With StopOnError a failure asks whether to open the log; Yes opens it and skips the jobs after it.
TEST_F(ScheduleTest, AFailureMayStopTheRunsAndTheTrayTellsIt)
{
    addJob("Broken", [this](Job& job) { job.setTargetDirectory(path("src/a.txt")); });  // a file, no folder
    addJob("Good");
    TrayAgent tray(agent, schedule, false);
    EXPECT_TRUE(tray.trayToolTip().endsWith("Last result: none"));
    Preferences::stopOnError = true;
    std::vector<bool> runCommandWhileAsked;
    Messages::setHandler([&](const Messages::Message& message) {
        runCommandWhileAsked.push_back(FindControl<QToolButton>(&schedule, "runJobButton")->isEnabled());
        EXPECT_EQ(message.title, "Backup Error");
        EXPECT_EQ(message.text, "Backup Job 'Broken' has failed.\r\n\r\nSee transaction log for details: '"
                                    + AppPaths::transactionLogPath() + "'\r\n\r\nOpen the transaction log now?");
        return runCommandWhileAsked.size() == 1 ? Answer::Yes : Answer::No;
    });
    LauncherRecorder launcher;
    for (const bool goesOn : {false, true}) {
        select({"Broken", "Good"});
        schedule.runSelectedJobs();
        waitForRuns();
        EXPECT_EQ(runCommandWhileAsked, std::vector<bool>(goesOn ? 2 : 1, false));
        EXPECT_TRUE(list()->isEnabled() && action("runJobAction")->isEnabled());
        EXPECT_TRUE(label("runProgress").isEmpty());
        EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", AppPaths::transactionLogPath()}));
        EXPECT_EQ(QFile::exists(path("bk/Good.zip")), goesOn);  // the job after the failed one ran, or not
    }
    EXPECT_EQ(tray.trayState(), TrayAgent::TrayState::Attention);
    EXPECT_TRUE(QRegularExpression("^Arkwell\nNeeds attention: Broken failed\nNext run: \\w+ .+\nLast result: Good completed .+$")
                    .match(tray.trayToolTip()).hasMatch()) << tray.trayToolTip().toStdString();
}

TEST_F(ScheduleTest, NeitherAJobFileGoneNorALogThatCantBeWrittenEndsTheProgram)
{
    QFile::remove(addJob("Gone"));
    select({"Gone"});
    schedule.editJob();
    EXPECT_TRUE(lastMessage().text.startsWith("The job file of Backup Job 'Gone' can't be read: "));
    EXPECT_TRUE(schedule.isEnabled());
    EXPECT_EQ(schedule.findChild<QWidget*>("JobWizard"), nullptr);

    LauncherRecorder launcher;
    QDir().mkpath(AppPaths::transactionLogPath());  // something in the log's place that can't be written
    schedule.showTransactionLog();
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", AppPaths::transactionLogPath()}));
}

TEST_F(ScheduleTest, TheBoxesStayUsableWhileTheWindowIsBusyAndF1InTheAboutBoxShowsTheHelp)
{
    schedule.showPreferences();
    schedule.showAbout();
    schedule.centralWidget()->setEnabled(false);  // as while the wizard is open
    QWidget* about = OpenWindow("AboutBox");
    ASSERT_TRUE(about && OpenWindow("PreferencesDialog"));
    EXPECT_TRUE(OpenWindow("PreferencesDialog")->isEnabled() && about->isEnabled());
    QTest::keyClick(about, Qt::Key_F1);
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(lastMessage().text.startsWith("The target file '" + path("Arkwell_Help.htm")));
    schedule.showAbout();  // shown again: one help per F1 all the same
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
    schedule.viewZip();
    EXPECT_EQ(lastMessage().text, "The file '" + path("bk") + "/Zipped' does not exist.");
    EXPECT_TRUE(launcher.detached.empty());

    writeFile("bk/Zipped_2.zip", "older");
    writeFile("bk/Zipped_1.zip", "old");
    messageBoxes.answerNext(Answer::Yes);
    schedule.viewZip();
    EXPECT_EQ(lastMessage().title, "No Zip Program Installed");
    EXPECT_EQ(launcher.detached, std::vector<QStringList>(1, {"xdg-open", path("bk") + "/"}));
    messageBoxes.answerNext(Answer::No);
    schedule.viewZip();
    EXPECT_EQ(launcher.detached.size(), 1u);
    // Without a file manager either, the user is told where the archive is.
    launcher.detachedSucceeds = false;
    messageBoxes.answerNext(Answer::Yes);
    schedule.viewZip();
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
    schedule.viewZip();
    EXPECT_EQ(messageBoxes.messages().size(), asked);
    EXPECT_EQ(launcher.detached.back(), (QStringList{"arkview", "--open", path("bk/Zipped_1.zip")}));

    select({"Plain"});
    schedule.viewZip();
    EXPECT_EQ(lastMessage().text, "This Backup Job does not use compression, thus there is no zip file to view.");
}

// A zip that hangs: it starts an archive wherever it is told to write one, then sleeps.
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
            EXPECT_TRUE(schedule.stopAction()->isEnabled());
            (byExit ? main.menu().exitAction() : schedule.stopAction())->trigger();
        });
        whenZipRuns.start(20);
        select({"Slow"});
        schedule.runSelectedJobs();
        waitForRuns();  // far less than the hanging zip's minute
        EXPECT_FALSE(schedule.stopAction()->isEnabled());
        EXPECT_EQ(ended.count(), byExit ? 1 : 0);
        EXPECT_EQ(QDir(path("bk")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  (QStringList{"Slow.zip", "Slow_1.zip"}));
        EXPECT_EQ(readFile("bk/Slow.zip") + '+' + readFile("bk/Slow_1.zip"), QByteArray("newest+older"));
        EXPECT_TRUE(transactionLog().contains("Backup Job 'Slow' was stopped."));
        EXPECT_TRUE(messageBoxes.messages().empty());
    }
}

}  // namespace
