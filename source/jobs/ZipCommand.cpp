#include "jobs/ZipCommand.h"

#include "lib/appSetup.h"
#include "lib/libFiles.h"


namespace ZipCommand {
namespace {

const QString EveryFile = QStringLiteral("*.*");

// Whether `path` is one of the job's archives: the base followed by ".zip", or by "_", a copy
// number the rotation can make and ".zip". Compared as text, so a "?" in the job's name
// matches only itself.
bool isOwnArchive(const QString& path, const QString& ownArchiveBase)
{
    if (ownArchiveBase.isEmpty() || !path.startsWith(ownArchiveBase) || !path.endsWith(QStringLiteral(".zip")))
        return false;
    const QString rest = path.mid(ownArchiveBase.size()).chopped(4);
    if (rest.isEmpty())
        return true;
    bool number = false;
    const int copy = rest.mid(1).toInt(&number);
    return rest.startsWith(QLatin1Char('_')) && number && rest.mid(1) == QString::number(copy) && copy >= 1
           && copy <= appSetup::MaxBackupCopies;
}

// The files directly in `folder` that the pattern takes ("*.*" takes every file), without
// the job's own archives and the archive being written.
QStringList matchingFiles(const QString& folder, const QString& pattern, const ZipOptions& options,
                          const QString& archive)
{
    QStringList paths = libFiles::MatchingFiles(folder + (pattern == EveryFile ? QStringLiteral("*") : pattern));
    paths.removeIf([&](const QString& path) { return path == archive || isOwnArchive(path, options.ownArchiveBase); });
    return paths;
}

QString quotedForLog(const QString& argument)
{
    const bool plain = !argument.isEmpty()
                       && std::none_of(argument.begin(), argument.end(), [](QChar c) {
                              return c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('\'');
                          });
    return plain ? argument : QLatin1Char('"') + argument + QLatin1Char('"');
}

QString itemSuffix(const QString& entry)
{
    return QStringLiteral(" for file item '") + entry + QStringLiteral("'.");
}

}  // namespace

bool IsWholeFolder(const QString& entry)
{
    return entry.contains(QStringLiteral("/*.*"));
}

bool IsWildcardGroup(const QString& entry)
{
    return entry.contains(QLatin1Char('*')) || entry.contains(QLatin1Char('?'));
}

QString PasswordOption(const QString& password)
{
    if (password.isEmpty())
        return QString();
    // zip splits its environment options at white space unless quoted; a password holding a
    // quotation mark has none (the wizard refuses both together) and goes unquoted.
    const bool hasWhiteSpace = std::any_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); });
    return QStringLiteral("-P ") + (hasWhiteSpace ? QLatin1Char('"') + password + QLatin1Char('"') : password);
}

Shell32::ProgramRun EntryRun(const QString& zipProgram, const ZipOptions& options, const QString& archive,
                             const QString& entry)
{
    Shell32::ProgramRun run;
    run.program = zipProgram;
    // Set even when empty, so that options in the user's own environment never reach zip.
    run.environment = {QStringLiteral("ZIPOPT=") + PasswordOption(options.password), QStringLiteral("ZIP=")};

    QStringList sources;
    QStringList include;
    bool recurse = false;
    if (IsWildcardGroup(entry)) {
        const QString folder = libFiles::FilePathStripFileName(entry);
        const QString pattern = entry.mid(folder.size());
        if (options.subdirectories && entry.contains(QLatin1Char('*'))) {
            recurse = true;
            sources << (folder.size() > 1 ? folder.chopped(1) : folder);
            if (!options.ownArchiveBase.isEmpty())
                include << QStringLiteral("-x") << options.ownArchiveBase + QStringLiteral(".zip")
                        << options.ownArchiveBase + QStringLiteral("_*.zip");
            if (pattern != EveryFile)
                include << QStringLiteral("-i") << pattern;  // -i takes every later word: last
        } else {
            sources << QStringLiteral("-@");
            for (const QString& file : matchingFiles(folder, pattern, options, archive)) {
                if (file.contains(QLatin1Char('\n')))
                    sources << file;  // one name a line on standard input: this one can't be
                else
                    run.standardInput += file.toUtf8() + '\n';
            }
        }
    } else {
        sources << entry;
    }

    run.arguments << QStringLiteral("-v");
    if (recurse)
        run.arguments << QStringLiteral("-r");
    run.arguments << QStringLiteral("-n") << QStringLiteral(".zip");
    if (options.changedSince)
        run.arguments << QStringLiteral("-t") << options.changedSince->toString(QStringLiteral("MMddyyyy"));
    run.arguments << archive << sources << include;
    return run;
}

QString CommandLineText(const Shell32::ProgramRun& run)
{
    QStringList words{quotedForLog(run.program)};
    for (const QString& argument : run.arguments)
        words << quotedForLog(argument);
    const bool encrypted = !run.environment.contains(QStringLiteral("ZIPOPT="));  // an empty one: no password
    if (encrypted)
        words.insert(2, QStringLiteral("-P (password not shown)"));
    if (!run.standardInput.isEmpty())
        words << QStringLiteral("(%1 file names on standard input)").arg(run.standardInput.count('\n'));
    return QStringLiteral("Running ") + words.join(QLatin1Char(' '));
}

std::optional<QString> ExitCodeMessage(qint32 exitCode, const QString& entry, bool incremental)
{
    const QString suffix = itemSuffix(entry);
    switch (exitCode) {
    case 0:
        return std::nullopt;
    case 2:
        return QStringLiteral("Unexpected end of zip file") + suffix;
    case 3:
        return QStringLiteral("A generic error in the zipfile format was detected") + suffix + QStringLiteral(".  ")
               + QStringLiteral("Processing may have completed successfully anyway; some broken ")
               + QStringLiteral("zipfiles created by other archivers have simple work-arounds.");
    case 4:
        return QStringLiteral("zip was unable to allocate memory for one or more ")
               + QStringLiteral("buffers during program initialization") + suffix;
    case 5:
        return QStringLiteral("A severe error in the zipfile format was detected.  ")
               + QStringLiteral("Processing probably failed immediately") + suffix;
    case 6:
    case 7:
    case 16:
        return QStringLiteral("Miscellaneous Zip Error (") + QString::number(exitCode) + QLatin1Char(')') + suffix;
    case 8:
        return QStringLiteral("Out of memory or Zip -T failed") + suffix;
    case 9:
        return QStringLiteral("The user aborted zip prematurely with control-C") + QStringLiteral(" (or similar)")
               + suffix;
    case 10:
        return QStringLiteral("Zip encountered an error while using a temp file") + suffix;
    case 11:
        return QStringLiteral("Read or seek error") + suffix;
    case 12:
        if (incremental)
            return std::nullopt;
        return QStringLiteral("Zip has nothing to do") + suffix;
    case 13:
        return QStringLiteral("Missing or empty zip file") + suffix;
    case 14:
        return QStringLiteral("Error writing to a file") + suffix;
    case 15:
        return QStringLiteral("Zip was unable to create a file to write to") + suffix;
    case 18:
        return QStringLiteral("One or more source files were unable to be archived from the filespec") + suffix
               + QStringLiteral("  This error is typically caused by a file in use.");
    default:
        return QStringLiteral("Unhandled Error#") + QString::number(exitCode) + QStringLiteral(" has occurred")
               + suffix;
    }
}

}  // namespace ZipCommand
