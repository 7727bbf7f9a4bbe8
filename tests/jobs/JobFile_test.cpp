// The job file: its exact bytes, reading it back, the earlier layout and damaged files.
#include "jobs/JobFile.h"
#include "jobs/JobDefinition.h"
#include "support/TestSupport.h"

#include <QFile>

using testing_support::AppFolderTest;
using testing_support::TestClock;

namespace {

Job myJob()
{
    Job job;
    job.setName(QStringLiteral("My Job"));
    job.setLastRun(QDateTime(QDate(2026, 1, 5), QTime(14, 37, 12)));
    job.setStartTime(QTime(23, 58));
    job.setFrequency(Job::Weekly);
    job.setWeekdays(true, false, false, false, true, false, false);
    job.setDayOfMonth(0);
    job.setCompress(true);
    job.setCopies(3);
    job.setSubdirectories(false);
    job.setIncremental(true);
    job.setTargetDirectory(QStringLiteral("/backup/"));
    job.setFilesToZip(QStringLiteral("/home/u/report.doc\r\n/home/u/Data/*.*\r\n"));
    return job;
}

class JobFileTest : public AppFolderTest {
protected:
    QString jobFile(const QByteArray& text) { return writeFile(QStringLiteral("BackupJobs/job.awj"), text); }
    Job read(const QByteArray& text)
    {
        const Result<Job> job = JobFile::read(jobFile(text));
        EXPECT_TRUE(job.ok()) << job.reason().toStdString();
        return job.ok() ? *job : Job();
    }
};

}  // namespace

TEST_F(JobFileTest, SavedRecordIsTheDocumentedBytesAndReadsBackWithTheLastRunAtMidnight)
{
    const QString file = path(QStringLiteral("My Job.awj"));
    ASSERT_TRUE(JobFile::write(myJob(), file).ok());
    EXPECT_EQ(readFile(QStringLiteral("My Job.awj")),
              QByteArray("My Job\r\nJan-05-2026\r\n11:58:00 PM\r\n2\r\n68\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nTrue\r\n"
                         "/backup/\r\n/home/u/report.doc\r\n/home/u/Data/*.*\r\n\r\n"));
    // Owner only: the file may hold a password.
    EXPECT_EQ(QFile::permissions(file) & 0x0077, 0);

    // Each field read lands where it came from, so the record writes the same bytes again.
    Job read = *JobFile::read(file);
    EXPECT_EQ(JobFile::text(read), JobFile::text(myJob()));
    EXPECT_EQ(read.lastRun(), QDateTime(QDate(2026, 1, 5), QTime(0, 0)));

    // Passwords and names with any letters survive the round trip.
    Job odd = myJob();
    odd.setName(QStringLiteral("Fotos Käthe – 2026"));
    odd.setPassword(QStringLiteral(" zwei Wörter $x 'y' "));
    ASSERT_TRUE(JobFile::write(odd, file).ok());
    read = *JobFile::read(file);
    EXPECT_EQ(read.name(), odd.name());
    EXPECT_EQ(read.password(), odd.password());
}

// The earlier layout has no incremental line: a line after the subdirectories that is not
// "True" or "False" is the target folder, even "true".
TEST_F(JobFileTest, EarlierLayoutAndLenientFieldsRead)
{
    const QByteArray head = "Old\r\nJan-05-2026\r\n03:00:00 AM\r\n1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\n";
    const Job earlier = read(head + "/old/target\r\n/home/a.txt\r\n#exclude=*.tmp\r\n#later=1\r\n");  // its final "/" added
    EXPECT_FALSE(earlier.incremental());
    EXPECT_EQ(earlier.targetDirectory(), QStringLiteral("/old/target/"));
    EXPECT_EQ(earlier.filesToZip(), QStringLiteral("/home/a.txt\r\n"));  // option lines are no entries, and are kept
    EXPECT_TRUE(JobFile::text(earlier).endsWith("/home/a.txt\r\n#exclude=*.tmp\r\n#later=1\r\n\r\n"));

    TestClock clock(QDateTime(QDate(2026, 3, 9), QTime(10, 15)));
    const Job job = read("J\r\nnot a date\r\nDec-24-2026\r\n3\r\n\r\n\r\ntrue\r\n\r\npw\r\n0\r\nFalse\r\n/t/\r\n"
                                "  \r\n\r\n  /lead/blank.txt\r\n/b.txt");
    EXPECT_EQ(job.lastRun(), QDateTime(QDate(2026, 3, 9), QTime(0, 0)));
    EXPECT_EQ(job.startTime(), QTime(0, 0));
    EXPECT_EQ(job.weekdays(), 0);
    EXPECT_EQ(job.dayOfMonth(), 0);
    EXPECT_EQ(job.copies(), 0);
    EXPECT_TRUE(job.compress());  // "true" in any letter case
    EXPECT_FALSE(job.subdirectories());  // the number 0
    // Blank entries are dropped, leading blanks kept, a last line without CR LF still read.
    EXPECT_EQ(job.filesToZip(), QStringLiteral("  /lead/blank.txt\r\n/b.txt\r\n"));

    const Job numbers = read("J\r\nFeb-28-2025\r\n9:05 PM\r\n1\r\n2\r\n0\r\n-1\r\n0\r\n\r\n2.5\r\nTrue\r\n/t/\r\n");
    EXPECT_TRUE(numbers.compress());
    EXPECT_TRUE(numbers.subdirectories());
    EXPECT_EQ(numbers.filesToZip(), QString());
}

TEST_F(JobFileTest, DamagedFilesGiveTheCallerTheFileAndTheReason)
{
    const QByteArray head = "J\r\nJan-05-2026\r\n03:00:00 AM\r\n";
    std::vector<std::pair<QByteArray, const char*>> cases{
        {QByteArray(), "ends after 0 lines"},
        {head + "1\r\n254\r\n", "ends after 5 lines"},
        {head + "x\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 4 (frequency)"},
        {head + "\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 4 (frequency)"},
        {head + "1\r\n-4\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 5 (weekdays)"},
        {head + "1\r\n254\r\nabc\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 6 (day of month)"},
        {head + "1\r\n254\r\n0\r\nyes\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 7 (compress)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n99999\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 8 (copies)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nmaybe\r\nTrue\r\n/t/\r\n", "line 10 (subdirectories)"},
        // What the wizard refuses: a time that is none, a password unzip can't take, a target
        // that is not a full path (the earlier layout's "true" is one), or none at all.
        {"J\r\nJan-05-2026\r\n25:61\r\n1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n", "line 3 (start time)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n" + QByteArray(81, 'p') + "\r\nTrue\r\nTrue\r\n/t/\r\n", "line 9 (password)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\ntrue\r\n/t/\r\n", "line 11 (target folder)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n\r\n", "line 12 (target folder)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n/a\r\n#cachedir-tag=yes\r\n", "line 14 (cachedir-tag)"},
        {head + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n/a\r\n#exclude= \r\n", "line 14 (exclude)"},
    };
    // Names whose archive or job file would lie outside its folder.
    for (const QByteArray name : {"../escape", "a/b", ".", "..", "()", "x\x01y", "nul\x7f"})
        cases.emplace_back(name + head.mid(1) + "1\r\n254\r\n0\r\nFalse\r\n0\r\n\r\nTrue\r\nTrue\r\n/t/\r\n",
                           "line 1 (job name)");
    for (const auto& [text, reason] : cases) {
        const QString file = jobFile(text);
        const Result<Job> job = JobFile::read(file);
        ASSERT_FALSE(job.ok()) << reason;
        EXPECT_TRUE(job.reason().contains(file)) << job.reason().toStdString();
        EXPECT_TRUE(job.reason().contains(QLatin1String(reason))) << job.reason().toStdString();
    }
    const Result<Job> missing = JobFile::read(path(QStringLiteral("BackupJobs/none.awj")));
    ASSERT_FALSE(missing.ok());
    EXPECT_TRUE(missing.reason().contains(QLatin1String("File not found"))) << missing.reason().toStdString();
    EXPECT_TRUE(messageBoxes.messages().empty());  // told to the caller, never a box
}

// Job files with and without options read and save byte for byte; a job saved from the
// wizard keeps every option line, unknown ones too; a new job leaves caches out.
TEST_F(JobFileTest, OptionLinesSurviveReadingSavingAndTheWizard)
{
    const QByteArray head = "J\r\nJan-05-2026\r\n03:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n0\r\n\r\nTrue\r\nFalse\r\n/t/\r\n/a/*.*\r\n";
    const struct { QByteArray options; QStringList patterns; bool caches; } cases[] = {
        {"", {}, false},  // a job file of today: caches stay in, as they always did
        {"#exclude=*.tmp\r\n#exclude=Photos/Raw/\r\n#cachedir-tag=1\r\n", {"*.tmp", "Photos/Raw/"}, true},
        {"#later=x y\r\n#cachedir-tag=0\r\n#exclude=a b\r\n", {"a b"}, false},
    };
    for (const auto& [options, patterns, caches] : cases) {
        const QByteArray text = head + options + "\r\n";
        Job job = read(text);
        EXPECT_EQ(job.excludePatterns(), patterns);
        EXPECT_EQ(job.leavesOutCaches(), caches);
        ASSERT_TRUE(JobFile::write(job, path("BackupJobs/again.awj")).ok());
        EXPECT_EQ(readFile("BackupJobs/again.awj"), text);
        JobDefinition edited;  // as the wizard gives it back unchanged
        edited.entries = {"/a/*.*"};
        edited.optionLines = job.optionLines();
        edited.excludePatterns = patterns;
        edited.leaveOutCaches = caches;
        EXPECT_TRUE(JobFile::text(edited.toJob(QDate(2026, 1, 5))).endsWith("/a/*.*\r\n" + options + "\r\n"));
    }
    JobDefinition changed;
    changed.optionLines = {"#later=x y", "#exclude=old"};
    changed.excludePatterns = {"new"};
    changed.leaveOutCaches = false;
    EXPECT_EQ(changed.toJob({}).optionLines(), (QStringList{"#exclude=new", "#later=x y"}));
    EXPECT_EQ(JobDefinition().toJob({}).optionLines(), QStringList{"#cachedir-tag=1"});
}
