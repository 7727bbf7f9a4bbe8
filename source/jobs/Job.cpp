#include "jobs/Job.h"

#include "jobs/DueMoments.h"
#include "lib/Clock.h"
#include "lib/Files.h"
#include "lib/TransactionLog.h"
#include "lib/Text.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr qsizetype LongestPassword = 80;
const QString ExcludeKey = QStringLiteral("#exclude=");
const QString CacheTagKey = QStringLiteral("#cachedir-tag=");

}  // namespace

bool Job::passwordFitsZip(const QString& password)
{
    // zip and unzip read the password from their environment, where a leading quotation mark,
    // or one in a password holding white space, is taken for quoting; unzip takes a password
    // starting with a hyphen for an option, and its prompt takes 80 bytes at most. A job file
    // has no line break in a field.
    const bool hasWhiteSpace = std::any_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); });
    return password.toUtf8().size() <= LongestPassword && !password.startsWith(QLatin1Char('-')) && !password.startsWith(QLatin1Char('"'))
           && !(hasWhiteSpace && password.contains(QLatin1Char('"'))) && !Text::holdsLineBreak(password)
           && !password.contains(QChar(0));
}

bool Job::nameStaysInFolder(const QString& name)
{
    const QString cleaned = Text::cleanedName(name);
    const bool control = std::any_of(cleaned.begin(), cleaned.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    return !cleaned.isEmpty() && cleaned != QLatin1String(".") && cleaned != QLatin1String("..")
           && !cleaned.contains(QLatin1Char('/')) && !control;
}

void Job::setTargetDirectory(const QString& value)
{
    m_targetDirectory = value;
    Files::setTrailingSlash(m_targetDirectory, true);
}

QStringList Job::entriesIn(const QString& filesToZip)
{
    QStringList entries;
    const QStringList pieces = filesToZip.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)  // the last piece has no CR LF
        if (!pieces[i].trimmed().isEmpty())
            entries << pieces[i];
    return entries;
}

QStringList Job::excludePatterns() const
{
    QStringList patterns;
    for (const QString& line : m_optionLines)
        if (line.startsWith(ExcludeKey))
            patterns << line.mid(ExcludeKey.size());
    return patterns;
}

bool Job::leavesOutCaches() const
{
    return m_optionLines.contains(CacheTagKey + QLatin1Char('1'));
}

void Job::setExclusions(const QStringList& patterns, bool leaveOutCaches)
{
    if (patterns == excludePatterns() && leaveOutCaches == leavesOutCaches())
        return;
    QStringList lines;
    for (const QString& pattern : patterns)
        lines << ExcludeKey + pattern;
    if (leaveOutCaches)
        lines << CacheTagKey + QLatin1Char('1');
    for (const QString& line : m_optionLines)
        if (!line.startsWith(ExcludeKey) && !line.startsWith(CacheTagKey))
            lines << line;
    m_optionLines = lines;
}

void Job::setWeekdays(bool monday, bool tuesday, bool wednesday, bool thursday, bool friday, bool saturday, bool sunday)
{
    qint16 set = 0;
    const std::pair<bool, qint16> days[] = {{monday, Monday}, {tuesday, Tuesday},   {wednesday, Wednesday}, {thursday, Thursday},
                                            {friday, Friday}, {saturday, Saturday}, {sunday, Sunday}};
    for (const auto& [chosen, bit] : days)
        if (chosen)
            set |= bit;
    m_weekdays = set;
}

std::optional<QDate> Job::nextRunDate() const
{
    const std::optional<QDateTime> next = DueMoments::nextAfter(*this, Clock::now());
    return next ? std::optional<QDate>(next->date()) : std::nullopt;
}

void Job::logNoNextRun() const
{
    TransactionLog::append(QStringLiteral("Backup Job '%1' has no next run: its schedule names no day that comes. It is "
                                    "not run until its schedule is mended.")
                         .arg(m_name));
}

QString Job::copyTarget(const QString& targetDirectory, const QString& entry)
{
    const QString source = Files::kindOfEntry(entry) == Files::EntryKind::WholeFolder
                               ? QDir::cleanPath(entry.left(entry.indexOf(QStringLiteral("*.*"))))
                               : entry;
    return QDir::cleanPath(targetDirectory) + QLatin1Char('/') + QFileInfo(source).fileName();
}

QString Job::archivePath(int copy) const
{
    const QString base = m_targetDirectory + Text::cleanedName(m_name);
    return copy == 0 ? base + QStringLiteral(".zip")
                     : base + QLatin1Char('_') + QString::number(copy) + QStringLiteral(".zip");
}

QString Job::workFolder() const
{
    return m_targetDirectory + QLatin1Char('.') + Text::cleanedName(m_name) + QStringLiteral(".arkwell");
}
