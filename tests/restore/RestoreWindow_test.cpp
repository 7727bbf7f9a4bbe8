// The Restore window over three archives of the real zip.
#include "jobs/RunRecord.h"
#include "restore/RestoreWindow.h"
#include "support/TestSupport.h"
#include "support/WidgetLookup.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTreeWidget>

using Messages::Answer;
using testing_support::FindControl;

namespace {

class RestoreWindowTest : public testing_support::AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        job.setName("Job");
        job.setCompress(true);
        job.setTargetDirectory(path("bk"));
        writeFile("src/sub/kept.txt", "the same in every run");
        QDir().mkpath(path("bk"));
        for (const QString archive : {"bk/Job_2.zip", "bk/Job_1.zip", "bk/Job.zip"}) { // oldest first
            writeFile("src/diary.txt", archive.toUtf8());
            QProcess zip;
            zip.start("zip", {"-q", "-r", path(archive), path("src")});
            ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
        }
        window = std::make_unique<RestoreWindow>(job, KeptBackups::list(job, RunRecord{}, 99));
        window->show();
    }
    QTreeWidget* list(const char* name) { return FindControl<QTreeWidget>(window.get(), name); }
    QString current(const char* name)
    {
        return list(name)->currentItem() ? list(name)->currentItem()->text(0) : QString();
    }
    void click(const char* name) { FindControl<QAbstractButton>(window.get(), name)->click(); }
    bool enabled(const char* name) { return FindControl<QWidget>(window.get(), name)->isEnabled(); }
    QByteArray original(const QString& relative) { return QFile::encodeName(path(relative)); }

    Job job;
    std::unique_ptr<RestoreWindow> window;
};

} // namespace

TEST_F(RestoreWindowTest, BackupsAreListedAndAFilesVersionsSteppedThrough)
{
    QTreeWidget* backups = list("backupList");
    ASSERT_EQ(backups->topLevelItemCount(), 3);
    EXPECT_EQ(backups->topLevelItem(0)->text(0), "Job.zip");
    EXPECT_EQ(backups->topLevelItem(2)->text(0), "Job_2.zip");
    ASSERT_TRUE(window->selectPath(original("src/diary.txt")));
    EXPECT_EQ(list("versionList")->topLevelItemCount(), 3);
    const struct {
        const char* button;
        const char* backup;
        bool previous, next;
    } steps[] = {{"previousButton", "Job_1.zip", true, true}, {"previousButton", "Job_2.zip", false, true},
        {"nextButton", "Job_1.zip", true, true}, {"nextButton", "Job.zip", true, false}};
    for (const auto& step : steps) {
        click(step.button);
        EXPECT_EQ(current("backupList"), step.backup);
        EXPECT_EQ(current("versionList"), step.backup);
        EXPECT_EQ(current("fileTree"), "diary.txt");
        EXPECT_EQ(enabled("previousButton"), step.previous) << step.backup;
        EXPECT_EQ(enabled("nextButton"), step.next) << step.backup;
    }
    FindControl<QLineEdit>(window.get(), "filterEdit")->setText("DIARY");
    ASSERT_TRUE(window->selectPath(original("src/sub/kept.txt")));
    EXPECT_TRUE(list("fileTree")->currentItem()->isHidden());
    EXPECT_FALSE(list("fileTree")->findItems("diary.txt", Qt::MatchExactly | Qt::MatchRecursive)[0]->isHidden());
}

TEST_F(RestoreWindowTest, ARestoreIntoAChosenFolderAsksOnceAboutExistingFiles)
{
    writeFile("out/diary.txt", "mine");
    writeFile("out/sub/kept.txt", "mine too");
    window->showBackup(1);
    window->selectPath(original("src/diary.txt"));
    list("fileTree")->currentItem()->parent()->child(1)->setSelected(true); // and the folder "sub"
    FindControl<QRadioButton>(window.get(), "toFolderOption")->setChecked(true);
    FindControl<QLineEdit>(window.get(), "folderEdit")->setText(path("out"));
    messageBoxes.answerNext(Answer::Yes); // keep both
    QSignalSpy ended(window.get(), &RestoreWindow::restoreEnded);
    click("restoreButton");
    ASSERT_TRUE(ended.wait(10000));
    ASSERT_EQ(messageBoxes.messages().size(), 1u);
    EXPECT_TRUE(messageBoxes.messages()[0].text.startsWith("2 of the files to restore already exist"));
    const QStringList diaries = QDir(path("out")).entryList({"diary (*).txt"});
    ASSERT_EQ(diaries.size(), 1);
    EXPECT_EQ(readFile("out/" + diaries[0]), "bk/Job_1.zip");
    EXPECT_EQ(QDir(path("out/sub")).entryList({"kept (*).txt"}).size(), 1);
    EXPECT_TRUE(enabled("restoreButton"));
}
