// The wizard's checks on a job definition, a new job's proposed name, the start time's reading.
#include "jobs/JobDefinition.h"

#include "jobs/Job.h"
#include "lib/Text.h"
#include "support/TestSupport.h"

#include <functional>

using Messages::Icon;
using testing_support::AppFolderTest;

namespace {

class JobDefinitionTest : public AppFolderTest {
protected:
    // A definition that passes every check, beside the listed job "Weekly 1" in Weekly1.awj and
    // the listed files Work.awj and Listed.awj (not written yet).
    JobDefinition valid() const
    {
        JobDefinition job;
        job.name = QStringLiteral("WEEKLY 1");  // letter case makes it another name
        job.startTime = QStringLiteral("3:00 AM");
        job.frequency = Job::Weekly;
        job.days[6] = true;
        job.entries = {QStringLiteral("/home/u/a.txt"), QStringLiteral("/home/u/docs/*.doc")};
        job.targetDirectory = QStringLiteral("/home/u/Backups");
        return job;
    }
    JobDefinition::Neighbours neighbours(const QString& name) const
    {
        return {{QStringLiteral("Weekly 1")}, {jobFile("Weekly1"), jobFile("Work"), jobFile("Listed")}, {},
                jobFile(Text::cleanedName(name))};
    }
    QString jobFile(const QString& cleanedName) const { return path("BackupJobs/" + cleanedName + ".awj"); }
};

// A change that makes a valid definition fail, with the start of its message, its step and its icon.
struct Refusal { const char* what; std::function<void(JobDefinition&)> change; QString message; std::optional<int> step;
                 Icon icon = Icon::Information; };

}  // namespace

TEST_F(JobDefinitionTest, TheFirstFailingCheckGivesItsMessageAndStep)
{
    const auto name = [](const QString& text) { return [text](JobDefinition& job) { job.name = text; }; };
    const auto target = [](const QString& text) { return [text](JobDefinition& job) { job.targetDirectory = text; }; };
    // Work.awj holds a listed job renamed by hand; Skipped.awj was left out at start-up.
    writeFile("BackupJobs/Work.awj", "Home");
    writeFile("BackupJobs/Skipped.awj", "damaged");
    const auto notItsFile = [this](const QString& name) {
        return "The jobs folder already holds the file '" + jobFile(name)
               + "', which is not this Backup Job's file.  Please enter a different name.";
    };
    const std::vector<Refusal> refusals{
        {"same name", name("Weekly 1"), "This name has already been used; please enter a different name.", 1},
        {"derivative", name("Week'ly1"), "A derivative of this name has already been used by the Backup Job 'Weekly 1';", 1},
        {"empty name", name(""), "The Backup Job Name must not be blank.  Please enter a name now.", 1},
        {"path in name", name("a/b"), "The Backup Job Name must not contain the character \"/\".", 1},
        {"nothing left", name("@ ()"), "The Backup Job Name must hold at least one character", 1},
        {"hidden", name(" .x"), "The Backup Job Name must not begin with a full stop.", 1},
        {"control character", name("a\tb"), "The Backup Job Name must not contain control characters", 1},
        {"too long", name(QString(201, QLatin1Char('x'))), "The Backup Job Name is too long", 1},
        {"another job's file", name("Work"), notItsFile("Work"), 1},
        {"a skipped file", name("Skipped"), notItsFile("Skipped"), 1},
        {"a listed file", name("Listed"), notItsFile("Listed"), 1},
        {"no password", [](JobDefinition& job) { job.passwordProtect = true; },
         "The Password Protect flag is set; however, no password is assigned in the Password text box.  Please enter a password now.", 6},
        {"passwords differ", [](JobDefinition& job) { job.passwordProtect = true; job.password = "pw"; job.passwordConfirmation = "pW"; },
         "The two passwords differ.  Please type the same password in both boxes.", 6},
        {"password zip can't take", [](JobDefinition& job) { job.password = "a \"b"; },
         "A password may not be longer than 80 characters, start with a hyphen or a double quotation mark, nor hold both", 6},
        {"password unzip's prompt can't take", [](JobDefinition& job) { job.password = QString(81, 'p'); }, "A password may not be longer", 6},
        {"no target", target(""), "The zip output filename is blank.  Please enter select a filename now.", 4},
        {"blank target", target("   "), "The zip output filename is blank.", 4},
        {"relative target", target("Backups"), "The target folder must be a full path beginning with \"/\"", 4},
        {"line break in target", target("/t\rx"), "The target folder's name holds a line break, which a Backup Job can't keep.", 4},
        {"weekly, no day", [](JobDefinition& job) { job.days = {}; },
         "For a Frequency set to Daily or Weekly, you must select at least one day of the week", 2},
        {"monthly, no day", [](JobDefinition& job) { job.frequency = Job::Monthly; job.days = {}; },
         "For a Frequency set to Monthly, you must select a day of the month", 2},
        {"no entries", [](JobDefinition& job) { job.entries.clear(); },
         "You must select at least one file or directory to backup.  Please make a selection now.", 3},
        {"line break in entry", [](JobDefinition& job) { job.entries << "/two\nlines"; }, "The name of '/two\nlines' holds a line break", 3},
        {"start time", [](JobDefinition& job) { job.startTime = "soon"; },
         "The time you entered is not valid.  Please correct the value now using the format 'hh:mm AM/PM'", 2, Icon::None},
        {"wildcard in a copy", [](JobDefinition& job) { job.compress = false; },
         "You cannot use wildcard specifications other than *.* for non-compress backup jobs.  Either set this "
         "backup job to use compression, or alter the wildcard spec for '/home/u/docs/*.doc'.", std::nullopt, Icon::None},
        {"one name in a copy", [](JobDefinition& job) { job.compress = false; job.entries = {"/a/docs/*.*", "/b/docs/*.*"}; },
         "'/a/docs/*.*' and '/b/docs/*.*' would both be copied to one name in the target folder.", 3},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        JobDefinition job = valid();
        refusal.change(job);
        const auto failure = job.firstFailure(neighbours(job.name));
        ASSERT_TRUE(failure.has_value());
        EXPECT_TRUE(failure->message.startsWith(refusal.message)) << failure->message.toStdString();
        EXPECT_EQ(failure->step, refusal.step);
        EXPECT_EQ(failure->icon, refusal.icon);
        if (refusal.step) {  // leaving that step already refuses
            EXPECT_EQ(job.stepFailure(*refusal.step, neighbours(job.name))->message, failure->message);
        }
    }

    JobDefinition job = valid();
    EXPECT_FALSE(job.firstFailure(neighbours(job.name)));
    job.name.clear();  // beside a job whose name cleans to nothing, the empty name is a derivative
    JobDefinition::Neighbours withEmptyCleanedName = neighbours(job.name);
    withEmptyCleanedName.jobNames << QStringLiteral("!!!");
    EXPECT_TRUE(job.firstFailure(withEmptyCleanedName)->message.startsWith("A derivative of this name"));
    job = valid();
    job.compress = false;  // a plain copy of whole folders and single files
    job.entries = {QStringLiteral("/home/u/docs/*.*"), QStringLiteral("/home/u/a.txt")};
    job.frequency = Job::Monthly;  // the day boxes don't count for a monthly job
    job.days = {};
    job.dayOfMonth = 28;
    EXPECT_FALSE(job.firstFailure(neighbours(job.name)));
}

TEST(JobDefinitionText, DefaultNameCountsOnFromTheHighestNewBackupJob)
{
    const std::vector<std::pair<QStringList, QString>> cases{
        {{}, "New Backup Job"}, {{"New Backup Job"}, "New Backup Job 2"}, {{"New Backup Job", "New Backup Job 2"}, "New Backup Job 3"},
        {{"New Backup Job 5", "Other"}, "New Backup Job 6"}, {{"New Backup Job 1"}, "New Backup Job 2"},
        {{"new backup job 4", "NEW BACKUP JOB"}, "New Backup Job"}, {{"New Backup Job 99999"}, "New Backup Job"},
    };
    for (const auto& [names, proposed] : cases)
        EXPECT_EQ(JobDefinition::defaultName(names), proposed) << names.join(',').toStdString();
}

// The forms a time is read in are the date helpers'; here what the box shows, and a date read as midnight.
TEST(JobDefinitionText, StartTimesReadAsTheBoxShowsThemOrAreRefused)
{
    const std::vector<std::pair<QString, QString>> readable{
        {"15:05", "3:05 PM"}, {"0:00", "12:00 AM"}, {"11:58:40 PM", "11:58 PM"}, {"Dec-24-2026", "12:00 AM"}};
    for (const auto& [typed, shown] : readable) {
        ASSERT_TRUE(JobDefinition::readStartTime(typed).has_value()) << typed.toStdString();
        EXPECT_EQ(JobDefinition::startTimeText(*JobDefinition::readStartTime(typed)), shown);
        EXPECT_TRUE(JobDefinition::startTimeError(typed).isEmpty());
    }
    const QString hint = QStringLiteral("  Please correct the value now using the format 'hh:mm AM/PM'");
    EXPECT_EQ(JobDefinition::startTimeError(""), "The Start Time field cannot be left blank." + hint);
    EXPECT_EQ(JobDefinition::startTimeError("   "), "The time you entered is not valid." + hint);
}
