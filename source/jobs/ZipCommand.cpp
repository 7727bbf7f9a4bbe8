#include "jobs/ZipCommand.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace ZipCommand {
namespace {

// Suffixes of files whose content is compressed already (pictures, audio, video, archives,
// office documents that are zip files): deflating them again costs time and gains nothing.
const char* const StoredSuffixes[] = {
    "jpg", "jpeg", "png", "gif", "webp", "heic", "heif", "avif", "mp3", "m4a", "aac", "ogg", "oga", "opus",
    "flac", "wma", "mp4", "m4v", "mkv", "mov", "avi", "webm", "wmv", "mpg", "mpeg", "zip", "gz", "tgz",
    "bz2", "xz", "zst", "7z", "rar", "jar", "apk", "docx", "xlsx", "pptx", "odt", "ods", "odp", "epub"};

// Every letter-case spelling of one suffix: zip compares suffixes with letter case.
void addCaseSpellings(QStringList& spellings, const QString& prefix, const QString& rest)
{
    if (rest.isEmpty()) {
        spellings << QLatin1Char('.') + prefix;
        return;
    }
    const QChar first = rest.front();
    addCaseSpellings(spellings, prefix + first.toLower(), rest.mid(1));
    if (first.isLetter())
        addCaseSpellings(spellings, prefix + first.toUpper(), rest.mid(1));
}

// zip's -n argument: every spelling of every stored suffix, joined by colons.
const QString& storedSuffixList()
{
    static const QString list = [] {
        QStringList spellings;
        for (const char* suffix : StoredSuffixes)
            addCaseSpellings(spellings, QString(), QString::fromLatin1(suffix));
        return spellings.join(QLatin1Char(':'));
    }();
    return list;
}

// The password as zip's and unzip's environment options take it: quoted, with backslashes
// escaped, when it holds white space.
QString passwordOption(const QString& password)
{
    if (password.isEmpty())
        return QString();
    if (std::none_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); }))
        return QStringLiteral("-P ") + password;
    return QStringLiteral("-P \"") + QString(password).replace(QLatin1Char('\\'), QStringLiteral("\\\\")) + QLatin1Char('"');
}

QString quotedForLog(QString argument)
{
    argument.replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r"));
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

bool holdsLineEnd(const QByteArray& name)
{
    return name.contains('\n') || name.contains('\r');
}

}  // namespace

bool nameZipCantTake(const QByteArray& name)
{
    return holdsLineEnd(name) && QString::fromUtf8(name).toUtf8() != name;
}

ChildProcess::ProgramRun entryRun(const QString& zipProgram, const ZipOptions& options, const QString& archive,
                             const std::vector<QByteArray>& names, bool keepLinks)
{
    ChildProcess::ProgramRun run;
    run.program = zipProgram;
    // Set even when empty, so that options in the user's own environment never reach zip.
    run.environment = {QStringLiteral("ZIPOPT=") + passwordOption(options.password), QStringLiteral("ZIP=")};
    run.workingDirectory = options.workFolder;
    run.arguments << QStringLiteral("-v") << QStringLiteral("-nw");
    if (keepLinks)
        run.arguments << QStringLiteral("-y");
    run.arguments << QStringLiteral("-n") << storedSuffixList();
    run.arguments << QStringLiteral("-b") << options.workFolder << archive << QStringLiteral("-@");
    for (const QByteArray& name : names) {
        if (holdsLineEnd(name))
            run.arguments << QString::fromUtf8(name);
        else
            run.standardInput += name + '\n';
    }
    return run;
}

ChildProcess::ProgramRun testRun(const QString& zipProgram, const QString& password, const QString& archive)
{
    // unzip beside the zip program's own file, else the system's.
    const QString beside = QFileInfo(QFileInfo(zipProgram).canonicalFilePath()).absolutePath() + QStringLiteral("/unzip");
    ChildProcess::ProgramRun run;
    run.program = QFileInfo(beside).isExecutable() ? beside : QStandardPaths::findExecutable(QStringLiteral("unzip"));
    run.environment = {QStringLiteral("UNZIP=") + passwordOption(password), QStringLiteral("UNZIPOPT=")};
    run.arguments << QStringLiteral("-tqq") << archive;
    return run;
}

QString commandLineText(const ChildProcess::ProgramRun& run)
{
    QStringList words{quotedForLog(run.program)};
    for (const QString& argument : run.arguments)
        words << (argument.size() > 200 ? QStringLiteral("(stored suffixes)") : quotedForLog(argument));
    const bool encrypted = !run.environment.contains(QStringLiteral("ZIPOPT="));  // an empty one: no password
    if (encrypted)
        words.insert(2, QStringLiteral("-P (password not shown)"));
    if (!run.standardInput.isEmpty())
        words << QStringLiteral("(%1 file names on standard input)").arg(run.standardInput.count('\n'));
    return CommandLinePrefix + words.join(QLatin1Char(' '));
}

std::optional<QString> exitCodeMessage(qint32 exitCode, const QString& entry, bool incremental)
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

std::vector<Warning> warnings(const QByteArray& output)
{
    static const QByteArray prefix = "zip warning: ";
    // Warnings that end with a file, named as zip was given it (absolute, some without the leading "/").
    static const std::pair<QByteArray, bool> aboutFile[] = {{"could not open for reading: ", true},
                                                            {"name not matched: ", true},
                                                            {"file size changed while zipping ", false}};
    std::vector<Warning> warnings;
    for (const QByteArray& line : output.split('\n')) {
        const qsizetype at = line.indexOf(prefix);
        if (at < 0)
            continue;
        const QByteArray text = line.mid(at + prefix.size()).trimmed();
        if (text == "Not all files were readable")
            continue;
        Warning warning{{}, QString::fromUtf8(text)};
        for (const auto& [phrase, leftOut] : aboutFile)
            if (text.startsWith(phrase)) {
                const QByteArray file = line.mid(line.indexOf(phrase, at) + phrase.size());
                warning = {file.startsWith('/') ? file : '/' + file, QString::fromUtf8(phrase.trimmed()), leftOut};
                break;
            }
        warnings.push_back(warning);
    }
    return warnings;
}

std::vector<QByteArray> addedFiles(const QByteArray& lines)
{
    // "  adding: name\t(in=...) ..." (the verbose form), "updating: " for a name already in it.
    static const QByteArray added[] = {"  adding: ", "updating: "};
    std::vector<QByteArray> files;
    for (const QByteArray& line : lines.split('\n'))
        for (const QByteArray& prefix : added)
            if (line.startsWith(prefix)) {
                const qsizetype sizes = line.lastIndexOf("\t(in=");
                QByteArray name = line.mid(prefix.size(), sizes < 0 ? -1 : sizes - prefix.size());
                // zip prints a space and a dot per chunk done after the name of a large file.
                if (const qsizetype dots = name.lastIndexOf(' '); dots >= 0 && sizes >= 0
                    && name.mid(dots + 1).count('.') == name.size() - dots - 1)
                    name.truncate(dots);
                if (!name.endsWith('/'))  // named without the leading "/"
                    files.push_back('/' + name);
            }
    return files;
}

}  // namespace ZipCommand
