#include "cli/CommandLine.h"

#include "cli/InstanceGuard.h"
#include "jobs/Agent.h"
#include "cli/AgentLink.h"
#include "jobs/JobLock.h"
#include "jobs/JobStatus.h"
#include "jobs/JobTable.h"
#include "jobs/KeptBackups.h"
#include "jobs/Restore.h"
#include "lib/Clock.h"
#include "lib/AppPaths.h"
#include "lib/EndSignals.h"
#include "lib/Files.h"
#include "lib/Preferences.h"
#include "lib/Result.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace CommandLine {
namespace {

constexpr int UsageError = 64;

void print(FILE* stream, const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fputc('\n', stream);
}

void say(const QString& line)
{
    print(stdout, line.toUtf8());
}

// Tells on standard error.
void warn(const QString& line)
{
    print(stderr, QStringLiteral("arkwell: ").toUtf8() + line.toUtf8());
}

int fail(const QString& line, int status = 1)
{
    warn(line);
    return status;
}

QString momentText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QStringLiteral("unknown");
}

// The arguments after the command: its words and the options it takes.
struct Arguments {
    QStringList words;
    int archive = 0;
    QString to;
    QString passwordFile;
    bool replace = false;
    bool keepBoth = false;
    bool withFolders = false;
};

// Reads the arguments, or why one isn't understood. `options` are those the command takes
// ("--archive", "--to", ...).
Result<Arguments> readArguments(const QStringList& given, const QStringList& options)
{
    Arguments arguments;
    for (qsizetype at = 0; at < given.size(); ++at) {
        const QString& word = given[at];
        if (word == QLatin1String("--help")) {
            continue;  // answered before the arguments are read
        }
        if (!word.startsWith(QLatin1String("--")) || word == QLatin1String("--")) {
            arguments.words << word;
            continue;
        }
        if (!options.contains(word))
            return Failure{QStringLiteral("unknown option '%1'").arg(word)};
        const bool takesValue = word == QLatin1String("--archive") || word == QLatin1String("--to")
                                || word == QLatin1String("--password-file");
        if (takesValue && at + 1 >= given.size())
            return Failure{QStringLiteral("%1 needs a value").arg(word)};
        const QString value = takesValue ? given[++at] : QString();
        bool number = true;
        if (word == QLatin1String("--archive"))
            arguments.archive = value.toInt(&number);
        if (!number || arguments.archive < 0)
            return Failure{QStringLiteral("--archive takes a number, 0 for the current archive")};
        arguments.to = word == QLatin1String("--to") ? value : arguments.to;
        arguments.passwordFile = word == QLatin1String("--password-file") ? value : arguments.passwordFile;
        arguments.replace |= word == QLatin1String("--replace");
        arguments.keepBoth |= word == QLatin1String("--keep-both");
        arguments.withFolders |= word == QLatin1String("--with-folders");
    }
    if (arguments.replace && arguments.keepBoth)
        return Failure{QStringLiteral("--replace and --keep-both exclude each other")};
    return arguments;
}

// The program's jobs, as the agent lists them.
class Jobs {
public:
    Jobs()
    {
        Preferences::load();
        m_agent.jobs().load(AppPaths::jobsFolder(), AppPaths::runRecordsFolder());
    }
    Agent& agent() { return m_agent; }
    const JobTable& table() const { return m_agent.jobs(); }
    // The job named, or nullptr after saying that there is none.
    const Job* find(const QString& name) const
    {
        const Job* job = table().job(name);
        if (!job)
            fail(QStringLiteral("there is no Backup Job named '%1' (arkwell list names them)").arg(name));
        return job;
    }
    std::vector<KeptBackup> backups(const QString& name) const
    {
        return KeptBackups::list(*table().job(name), table().record(name), Preferences::maxBackupCopies);
    }

private:
    Agent m_agent;
};

// What the job's files were as of backup `copy`, opened; nothing after saying why not.
std::unique_ptr<BackupContents> openBackup(const Jobs& jobs, const QString& name, int copy)
{
    const std::vector<KeptBackup> backups = jobs.backups(name);
    for (size_t at = 0; at < backups.size(); ++at) {
        if (backups[at].copy != copy)
            continue;
        Result<std::unique_ptr<BackupContents>> contents = BackupContents::openAsOf(*jobs.find(name), backups, at);
        if (!contents) {
            fail(QStringLiteral("'%1' can't be read: %2").arg(backups[at].path, contents.reason()));
            return nullptr;
        }
        return std::move(contents).value();
    }
    fail(copy == 0 ? QStringLiteral("Backup Job '%1' has no backup").arg(name)
                   : QStringLiteral("Backup Job '%1' keeps no archive %2 (arkwell archives lists them)").arg(name).arg(copy));
    return nullptr;
}

// A path as the user gives it: relative ones are taken from the current folder.
QByteArray originalPath(const QString& given)
{
    return Files::nativePath(QDir::cleanPath(QDir::current().absoluteFilePath(given)));
}

int listJobs(Jobs& jobs, const Arguments&)
{
    const QDateTime now = Clock::now();
    for (const QString& name : jobs.table().names()) {
        const Job& job = *jobs.table().job(name);
        const std::optional<QDate> next = job.nextRunDate();
        const QString result = JobStatus::resultWord(job, jobs.table().record(name), now);
        say(name + QLatin1Char('\t')
            + (next ? QDateTime(*next, job.startTime()).toString(QStringLiteral("yyyy-MM-dd hh:mm")) : QStringLiteral("none"))
            + QLatin1Char('\t') + (result.isEmpty() ? QStringLiteral("never run") : result));
    }
    return 0;
}

// Runs the job in this process as the agent runs it (logged, recorded, its drive remembered),
// under this command's own event loop: the exit status of the run's result. The result line
// goes to standard output when the run completed, otherwise to standard error. Ctrl-C, SIGTERM
// or a closed terminal stop the run as the agent's Stop does: zip ended, its work removed, the
// archives as they were.
int runHere(Agent& agent, const QString& name)
{
    if (const Result<> caught = EndSignals::catchThem([&agent] { agent.stop(); }); !caught)
        warn(caught.reason());
    QObject::connect(&agent, &Agent::runEnded, &agent, [](const RunReport& report) {
        const QString line = JobStatus::resultLine(report.request.name, report.result, report.counts, report.seconds,
                                                   report.reason);
        print(report.result == RunRecord::Result::Completed ? stdout : stderr, line.toUtf8());
        QCoreApplication::exit(AgentLink::exitStatus(report.result));
    });
    if (!agent.runNow({name}))
        return fail(QStringLiteral("Backup Job '%1' can't be run").arg(name));
    return QCoreApplication::exec();
}

int runJob(Jobs& jobs, const Arguments& arguments)
{
    const QString& name = arguments.words.first();
    if (!jobs.find(name))
        return 1;
    const QString socket = InstanceGuard::socketName(AppPaths::dataFile(AppPaths::exeName() + QStringLiteral(".lock")));
    const std::optional<Result<int>> status = AgentLink::runThroughAgent(socket, name);
    if (!status)
        return runHere(jobs.agent(), name);
    if (!*status)
        return fail(status->reason());
    say(QStringLiteral("Backup Job '%1' %2.").arg(name, **status == 0 ? QStringLiteral("completed")
                                                                    : QStringLiteral("did not complete")));
    return **status;
}

int listArchives(Jobs& jobs, const Arguments& arguments)
{
    const QString& name = arguments.words.first();
    if (!jobs.find(name))
        return 1;
    const std::vector<KeptBackup> backups = jobs.backups(name);
    if (backups.empty())
        return fail(QStringLiteral("Backup Job '%1' has no backup").arg(name));
    for (const KeptBackup& backup : backups)
        say(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                .arg(backup.path, momentText(backup.begun), backup.full ? QStringLiteral("full") : QStringLiteral("incremental"))
                .arg(backup.files)
                .arg(backup.bytes));
    return 0;
}

int listFiles(Jobs& jobs, const Arguments& arguments)
{
    const std::unique_ptr<BackupContents> contents =
        jobs.find(arguments.words.first()) ? openBackup(jobs, arguments.words.first(), arguments.archive) : nullptr;
    if (!contents)
        return 1;
    for (const BackedUpItem& item : contents->items())
        print(stdout, item.original + (item.entry.kind == ZipEntry::Kind::Folder ? "/" : ""));
    return 0;
}

int listVersions(Jobs& jobs, const Arguments& arguments)
{
    const QString& name = arguments.words.first();
    if (arguments.words.size() != 2)
        return fail(QStringLiteral("versions takes a job's name and one path"), UsageError);
    if (!jobs.find(name))
        return 1;
    const QByteArray original = originalPath(arguments.words[1]);
    const std::vector<KeptBackups::Version> versions =
        KeptBackups::VersionFinder(*jobs.find(name), jobs.backups(name)).versions(original);
    if (versions.empty())
        return fail(QStringLiteral("no backup of Backup Job '%1' holds '%2'").arg(name, Files::shownPath(original)));
    for (const KeptBackups::Version& version : versions)
        say(QStringLiteral("%1\t%2\t%3").arg(version.backup.path, momentText(version.entry.modified)).arg(version.entry.size));
    return 0;
}

int restoreFiles(Jobs& jobs, const Arguments& arguments)
{
    const QString& name = arguments.words.first();
    if (arguments.words.size() < 2)
        return fail(QStringLiteral("restore takes a job's name and the paths to restore"), UsageError);
    const std::unique_ptr<BackupContents> contents = jobs.find(name) ? openBackup(jobs, name, arguments.archive) : nullptr;
    if (!contents)
        return 1;
    Restore::Request request;
    for (const QString& path : arguments.words.mid(1))
        request.paths.push_back(originalPath(path));
    request.toFolder = arguments.to.isEmpty() ? QString() : QDir::current().absoluteFilePath(arguments.to);
    request.withOriginalFolders = arguments.withFolders;
    request.existing = arguments.replace    ? Restore::Existing::Replace
                       : arguments.keepBoth ? Restore::Existing::KeepBoth
                                            : Restore::Existing::Skip;
    request.password = jobs.find(name)->password().toUtf8();
    if (!arguments.passwordFile.isEmpty()) {
        QFile file(arguments.passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("the password file '%1' can't be read: %2").arg(arguments.passwordFile, file.errorString()));
        request.password = file.readLine();
        while (request.password.endsWith('\n') || request.password.endsWith('\r'))
            request.password.chop(1);
    }
    const std::unique_ptr<JobLock> lock = JobLock::tryTake(name);
    if (!lock)
        return fail(QStringLiteral("Backup Job '%1' is being backed up or restored right now; try again when it has ended").arg(name));
    const Restore::Report report =
        Restore::run(*contents, Restore::makePlan(*contents, request), request, std::atomic<bool>(false));
    for (const QString& path : report.leftAlone)
        warn(QStringLiteral("left alone, it exists (--replace or --keep-both restore it): ") + path);
    for (const QString& failure : report.failures)
        warn(QStringLiteral("not restored: ") + failure);
    say(QStringLiteral("%1 restored.").arg(report.restored));
    return report.exitStatus();
}

struct Command {
    const char* name;
    int (*run)(Jobs&, const Arguments&);
    QStringList options;
    const char* help;
};

const Command Commands[] = {
    {"list", listJobs, {},
     "Usage: arkwell list\n"
     "One line per Backup Job: its name, its next run and its last result, separated by tabs."},
    {"run", runJob, {},
     "Usage: arkwell run NAME\n"
     "Runs the Backup Job now and waits for it to end. A running Arkwell runs it (after its own\n"
     "run, if one is in progress); without one, this command runs it.\n"
     "Exit status: 0 completed, 1 failed, 2 incomplete, 3 stopped."},
    {"archives", listArchives, {},
     "Usage: arkwell archives NAME\n"
     "One line per kept backup, newest first: its path, the moment its run began, full or\n"
     "incremental, its files and its bytes, separated by tabs. The first is archive 0 (the\n"
     "current one), the next archive 1, and so on."},
    {"files", listFiles, {"--archive"},
     "Usage: arkwell files NAME [--archive K]\n"
     "The files and folders (ending with /) as archive K, 0 (the current one) by default, has\n"
     "them, by their original paths; an incremental archive with the unchanged files of the\n"
     "archives before it, back to the full one."},
    {"versions", listVersions, {},
     "Usage: arkwell versions NAME PATH\n"
     "Every kept archive holding the file PATH (its original path), newest first: the archive,\n"
     "the file's modification time and its size, separated by tabs."},
    {"restore", restoreFiles, {"--archive", "--to", "--replace", "--keep-both", "--with-folders", "--password-file"},
     "Usage: arkwell restore NAME PATH... [--archive K] [--to FOLDER [--with-folders]]\n"
     "                       [--replace | --keep-both] [--password-file FILE]\n"
     "Restores files and folders (a folder with everything in it) as archive K, 0 (the current\n"
     "one) by default, has them (see files), to their original places or, with --to, into FOLDER (with\n"
     "--with-folders under their whole original paths). An existing file is left alone and\n"
     "named, unless --replace (the restored file takes its place) or --keep-both (the restored\n"
     "file goes beside it with its date in its name). The job's password is used; --password-file\n"
     "gives another, on the file's first line.\n"
     "Exit status: 0 restored, 1 failed, 2 something was left alone, 3 stopped."},
};

}  // namespace

std::optional<int> runCommand(int argc, char** argv)
{
    const QByteArray word = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const auto command = std::find_if(std::begin(Commands), std::end(Commands),
                                      [&word](const Command& known) { return word == known.name; });
    if (command == std::end(Commands))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    const QStringList given = app.arguments().mid(2);
    if (given.contains(QStringLiteral("--help"))) {
        print(stdout, command->help);
        return 0;
    }
    const Result<Arguments> arguments = readArguments(given, command->options);
    if (!arguments)
        return fail(arguments.reason() + QStringLiteral("\n") + QString::fromUtf8(command->help), UsageError);
    const qsizetype wanted = word == "list" ? 0 : 1;
    const qsizetype count = arguments->words.size();
    if (count < wanted || (word != "restore" && word != "versions" && count > wanted))
        return fail(QStringLiteral("wrong number of arguments\n") + QString::fromUtf8(command->help), UsageError);
    Jobs jobs;
    return command->run(jobs, *arguments);
}

}  // namespace CommandLine
