#include "jobs/JobDefinition.h"

#include "jobs/Job.h"
#include "lib/DateFormats.h"
#include "lib/Files.h"
#include "lib/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <cmath>

namespace {

// Longest cleaned name in bytes: room for "_" + copy number + ".zip" and the hidden
// temporary names within a file name's 255 bytes.
constexpr int LongestCleanedName = 200;
const QString DefaultNameStem = QStringLiteral("New Backup Job");

using Failure = JobDefinition::Failure;

// Whether the job file would overwrite another job's file or a file left in the jobs
// folder (renamed by hand, or skipped at start-up as damaged).
bool jobFileTaken(const JobDefinition::Neighbours& neighbours)
{
    const QString& path = neighbours.jobFilePath;
    if (!neighbours.ownJobFile.isEmpty() && Files::sameFile(neighbours.ownJobFile, path))
        return false;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        return true;
    return std::any_of(neighbours.jobFiles.begin(), neighbours.jobFiles.end(),
                       [&](const QString& file) { return Files::sameFile(file, path); });
}

// The number at the start of a text as a reader of numbers takes it: leading blanks skipped,
// reading stops at the first character that can't continue the number, nothing read is 0.
double leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+(\\.\\d*)?|\\.\\d+))"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

// A name that cleans to another job's cleaned name would share its file and archives: the
// message names that job.
std::optional<Failure> nameClash(const QString& name, const QStringList& jobNames)
{
    const QString cleaned = Text::cleanedName(name);
    for (const QString& other : jobNames) {
        if (name == other)
            return Failure{QStringLiteral("This name has already been used; please enter a different name."), 1};
        if (cleaned == Text::cleanedName(other))
            return Failure{QStringLiteral("A derivative of this name has already been used by the Backup Job '%1'; "
                                          "please enter a different name.")
                               .arg(other),
                           1};
    }
    return std::nullopt;
}

// The cleaned name becomes the job file's and the archive's name: it must be one file name,
// not hidden, not too long, and not another file of the jobs folder.
std::optional<Failure> unusableName(const QString& name, const JobDefinition::Neighbours& neighbours)
{
    const QString cleaned = Text::cleanedName(name);
    const auto refuse = [](const QString& text) { return Failure{text, 1}; };
    if (name.isEmpty())
        return refuse(QStringLiteral("The Backup Job Name must not be blank.  Please enter a name now."));
    if (name.contains(QLatin1Char('/')))
        return refuse(QStringLiteral(
            "The Backup Job Name must not contain the character \"/\".  Please enter a different name."));
    if (cleaned.isEmpty())
        return refuse(QStringLiteral("The Backup Job Name must hold at least one character other than blanks "
                                     "and \"' ;@#!$%^&*().  Please enter a different name."));
    if (cleaned.startsWith(QLatin1Char('.')))
        return refuse(
            QStringLiteral("The Backup Job Name must not begin with a full stop.  Please enter a different name."));
    if (!Job::nameStaysInFolder(name))  // a control character would make a stray file name
        return refuse(QStringLiteral("The Backup Job Name must not contain control characters such as a line "
                                     "break or a tab.  Please enter a different name."));
    if (QFile::encodeName(cleaned).size() > LongestCleanedName)
        return refuse(QStringLiteral("The Backup Job Name is too long to be used as a file name.  "
                                     "Please enter a shorter name."));
    if (jobFileTaken(neighbours))
        return refuse(QStringLiteral("The jobs folder already holds the file '") + neighbours.jobFilePath
                      + QStringLiteral("', which is not this Backup Job's file.  Please enter a different name."));
    return std::nullopt;
}

std::optional<Failure> scheduleProblem(const JobDefinition& job)
{
    const bool byWeekday = job.frequency == Job::Daily || job.frequency == Job::Weekly;
    if (byWeekday && std::none_of(job.days.begin(), job.days.end(), [](bool day) { return day; }))
        return Failure{QStringLiteral("For a Frequency set to Daily or Weekly, you must select at least one day "
                                      "of the week from the checkboxes provided.  Please make a selection now."),
                       2};
    if (job.frequency == Job::Monthly && job.dayOfMonth == 0)
        return Failure{QStringLiteral("For a Frequency set to Monthly, you must select a day of the month from "
                                      "the drop down box provided.  Please make a selection now."),
                       2};
    // The start time is checked when its box loses the focus; a text typed just before
    // Finish is checked here, so the job never keeps a time other than the one shown.
    const QString timeError = JobDefinition::startTimeError(job.startTime);
    if (!timeError.isEmpty())
        return Failure{timeError, 2, Messages::Icon::None};
    return std::nullopt;
}

std::optional<Failure> sourcesProblem(const JobDefinition& job)
{
    if (job.entries.isEmpty())
        return Failure{QStringLiteral("You must select at least one file or directory to backup.  Please make a "
                                      "selection now."),
                       3};
    // The job file keeps one entry a line: a line break in a path would split it on reading.
    for (const QString& entry : job.entries)
        if (Text::holdsLineBreak(entry))
            return Failure{QStringLiteral("The name of '") + entry
                               + QStringLiteral("' holds a line break, which a Backup Job can't keep.  Please "
                                                "remove it from the list."),
                           3};
    return std::nullopt;
}

std::optional<Failure> targetProblem(const JobDefinition& job)
{
    if (job.targetDirectory.trimmed().isEmpty())
        return Failure{QStringLiteral("The zip output filename is blank.  Please enter select a filename now."), 4};
    // A folder named relative to wherever the agent happens to start would put the backups
    // somewhere else at each start.
    if (!QDir::isAbsolutePath(job.targetDirectory))
        return Failure{QStringLiteral("The target folder must be a full path beginning with \"/\", such as "
                                      "/home/you/Backups.  Please choose another folder."),
                       4};
    if (Text::holdsLineBreak(job.targetDirectory))
        return Failure{QStringLiteral("The target folder's name holds a line break, which a Backup Job can't "
                                      "keep.  Please choose another folder."),
                       4};
    return std::nullopt;
}

std::optional<Failure> passwordProblem(const JobDefinition& job)
{
    if (job.passwordProtect && job.password.isEmpty())
        return Failure{QStringLiteral("The Password Protect flag is set; however, no password is assigned in the "
                                      "Password text box.  Please enter a password now."),
                       6};
    if (job.passwordProtect && job.password != job.passwordConfirmation)
        return Failure{QStringLiteral("The two passwords differ.  Please type the same password in both boxes."), 6};
    if (!Job::passwordFitsZip(job.password))
        return Failure{QStringLiteral("A password may not be longer than 80 characters, start with a hyphen or a double "
                                      "quotation mark, nor hold both blanks and double quotation marks.  Please enter a "
                                      "different password now."),
                       6};
    return std::nullopt;
}

// A plain copy takes whole folders and single files only.
std::optional<Failure> wildcardInCopy(const JobDefinition& job)
{
    if (job.compress)
        return std::nullopt;
    for (const QString& entry : job.entries)
        if (Files::kindOfEntry(entry) == Files::EntryKind::WildcardGroup)
            return Failure{QStringLiteral("You cannot use wildcard specifications other than *.* for non-compress "
                                          "backup jobs.  Either set this backup job to use compression, or alter "
                                          "the wildcard spec for '")
                               + entry + QStringLiteral("'."),
                           std::nullopt, Messages::Icon::None};
    return std::nullopt;
}

// A plain copy puts each entry under its own last name in the target: two entries with one
// last name would land on one name.
std::optional<Failure> sameNameInCopy(const JobDefinition& job)
{
    if (job.compress)
        return std::nullopt;
    std::map<QString, QString> landing;
    for (const QString& entry : job.entries)
        if (const auto [other, added] = landing.emplace(Job::copyTarget(QStringLiteral("/"), entry), entry); !added)
            return Failure{QStringLiteral("'") + other->second + QStringLiteral("' and '") + entry
                               + QStringLiteral("' would both be copied to one name in the target folder.  Please "
                                                "remove one of them from the list, or set this backup job to use compression."),
                           3};
    return std::nullopt;
}

}  // namespace

std::optional<JobDefinition::Failure> JobDefinition::stepFailure(int step, const Neighbours& neighbours) const
{
    switch (step) {
    case 1:
        if (auto failure = nameClash(name, neighbours.jobNames))
            return failure;
        return unusableName(name, neighbours);
    case 2:
        return scheduleProblem(*this);
    case 3:
        if (auto failure = sourcesProblem(*this))
            return failure;
        return sameNameInCopy(*this);
    case 4:
        return targetProblem(*this);
    case 6:
        return passwordProblem(*this);
    default:
        return std::nullopt;
    }
}

std::optional<JobDefinition::Failure> JobDefinition::firstFailure(const Neighbours& neighbours) const
{
    for (int step = 1; step <= 6; ++step)
        if (auto failure = stepFailure(step, neighbours))
            return failure;
    return wildcardInCopy(*this);
}

Job JobDefinition::toJob(const QDate& today) const
{
    Job job;
    job.setName(name);
    job.setStartTime(readStartTime(startTime).value_or(QTime(0, 0)));
    job.setFrequency(frequency);
    job.setDayOfMonth(dayOfMonth);
    job.setCompress(compress);
    job.setCopies(numberCopies);
    job.setPassword(password);
    job.setSubdirectories(subdirectories);
    job.setIncremental(incremental);
    job.setTargetDirectory(targetDirectory);
    job.setLastRun(QDateTime(today, QTime(0, 0)));
    job.setWeekdays(days[0], days[1], days[2], days[3], days[4], days[5], days[6]);
    QString files;
    for (const QString& entry : entries)
        files += entry + QStringLiteral("\r\n");
    job.setFilesToZip(files);
    job.setOptionLines(optionLines);
    job.setExclusions(excludePatterns, leaveOutCaches);
    return job;
}

QString JobDefinition::defaultName(const QStringList& jobNames)
{
    int highest = -1;
    for (const QString& name : jobNames) {
        if (!name.startsWith(DefaultNameStem))
            continue;
        // Numbers too large for a job count are no part of this numbering.
        const double number = std::nearbyint(leadingNumber(name.mid(DefaultNameStem.size())));
        if (number <= 32766 && number > highest)
            highest = int(number);
    }
    if (highest < 0)
        return DefaultNameStem;
    return QStringLiteral("%1 %2").arg(DefaultNameStem).arg(std::max(highest, 1) + 1);
}

std::optional<QTime> JobDefinition::readStartTime(const QString& text)
{
    if (const std::optional<QTime> time = DateFormats::parseTime(text))
        return time;
    if (DateFormats::parseDate(text))
        return QTime(0, 0);
    return std::nullopt;
}

QString JobDefinition::startTimeError(const QString& text)
{
    QString error;
    if (text.isEmpty())
        error = QStringLiteral("The Start Time field cannot be left blank.");
    else if (!readStartTime(text))
        error = QStringLiteral("The time you entered is not valid.");
    else
        return {};
    return error + QStringLiteral("  Please correct the value now using the format 'hh:mm AM/PM'");
}

QString JobDefinition::startTimeText(const QTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("h:mm AP"));
}
