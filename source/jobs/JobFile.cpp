#include "jobs/JobFile.h"

#include "jobs/JobDefinition.h"
#include "lib/Clock.h"
#include "lib/DateFormats.h"
#include "lib/Errors.h"
#include "lib/Files.h"
#include "lib/Text.h"

#include <QDir>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString ExcludeKey = QStringLiteral("#exclude=");
const QString CacheTagKey = QStringLiteral("#cachedir-tag=");

QString booleanWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Reads the lines of a job file one after another, keeping the first fault found: running
// out of lines, or a line that is not what its field needs. Once a fault is kept, the lines
// still asked for read as empty and the job read is thrown away.
class JobFileLines {
public:
    JobFileLines(const QString& fileName, QStringList lines) : m_fileName(fileName), m_lines(std::move(lines)) {}

    QString next()
    {
        if (m_next >= m_lines.size()) {
            failWith(QStringLiteral("'%1' ends after %2 lines").arg(m_fileName).arg(m_lines.size()));
            return QString();
        }
        return m_lines[m_next++];
    }
    bool atEnd() const { return m_next >= m_lines.size() || failed(); }

    // The line just read is not what its field needs.
    void badLine(const QString& field, const QString& needed)
    {
        failWith(QStringLiteral("'%1' line %2 (%3) is not %4: '%5'")
                     .arg(m_fileName).arg(m_next).arg(field, needed, m_lines.value(m_next - 1)));
    }

    bool failed() const { return !m_fault.isEmpty(); }
    const QString& fault() const { return m_fault; }

private:
    void failWith(const QString& fault)
    {
        if (!failed())
            m_fault = fault;
    }

    QString m_fileName;
    QStringList m_lines;
    qsizetype m_next = 0;
    QString m_fault;
};

qint16 frequencyLine(JobFileLines& lines)
{
    bool ok = false;
    const qint16 value = lines.next().trimmed().toShort(&ok);
    if (!ok)
        lines.badLine(QStringLiteral("frequency"), QStringLiteral("a number"));
    return value;
}

// A weekday, day or copies line: an empty line is 0, otherwise plain digits.
qint16 countLine(JobFileLines& lines, const QString& what)
{
    const QString digits = lines.next().trimmed();
    bool ok = digits.isEmpty();
    qint16 value = 0;
    if (!ok && digits.front().isDigit())
        value = digits.toShort(&ok);
    if (!ok)
        lines.badLine(what, QStringLiteral("a number"));
    return value;
}

// "True" or "False" in any letter case, or a number: 0 is False, any other True.
bool booleanLine(JobFileLines& lines, const QString& what)
{
    const QString word = lines.next().trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = word.toDouble(&ok);
    if (!ok)
        lines.badLine(what, QStringLiteral("True, False or a number"));
    return number != 0;
}

// The entries and option lines after the fixed fields; an option line is kept as it is,
// never taken for an entry.
void readEntries(JobFileLines& lines, Job& job)
{
    QString entries;
    QStringList options;
    while (!lines.atEnd()) {
        const QString entry = lines.next();
        if (entry.startsWith(QLatin1Char('#'))) {
            options << entry;
            if (entry.startsWith(CacheTagKey) && entry != CacheTagKey + QLatin1Char('1') && entry != CacheTagKey + QLatin1Char('0'))
                lines.badLine(QStringLiteral("cachedir-tag"), QStringLiteral("1 or 0"));
            if (entry.startsWith(ExcludeKey) && entry.mid(ExcludeKey.size()).trimmed().isEmpty())
                lines.badLine(QStringLiteral("exclude"), QStringLiteral("a pattern"));
        } else if (!entry.trimmed().isEmpty()) {
            entries += entry + CRLF;
        }
    }
    job.setFilesToZip(entries);
    job.setOptionLines(options);
}

}  // namespace

namespace JobFile {

QByteArray text(const Job& job)
{
    const QStringList fixedLines = {
        job.name(),
        DateFormats::formatDate(job.lastRun().date()),
        DateFormats::formatTime(job.startTime()),
        QString::number(job.frequency()),
        QString::number(job.weekdays()),
        QString::number(job.dayOfMonth()),
        booleanWord(job.compress()),
        QString::number(job.copies()),
        job.password(),
        booleanWord(job.subdirectories()),
        booleanWord(job.incremental()),
        job.targetDirectory(),
    };
    QString options;
    for (const QString& option : job.optionLines())
        options += option + CRLF;
    return (fixedLines.join(CRLF) + CRLF + job.filesToZip() + options + CRLF).toUtf8();
}

Result<> write(const Job& job, const QString& path)
{
    try {
        Files::writeWhole(path, text(job));
        return {};
    } catch (const Errors::AppError& error) {
        return Failure{error.info().description};
    }
}

Result<Job> parse(const QByteArray& bytes, const QString& path)
{
    JobFileLines lines(path, Text::splitLines(QString::fromUtf8(bytes)));
    Job job;
    job.setName(lines.next());
    if (!Job::nameStaysInFolder(job.name()))
        lines.badLine(QStringLiteral("job name"), QStringLiteral("a name whose files stay in their folders"));
    job.setLastRun(QDateTime(DateFormats::parseDate(lines.next()).value_or(Clock::today()), QTime(0, 0)));
    const std::optional<QTime> startTime = JobDefinition::readStartTime(lines.next());
    if (!startTime)
        lines.badLine(QStringLiteral("start time"), QStringLiteral("a time"));
    job.setStartTime(startTime.value_or(QTime(0, 0)));
    job.setFrequency(frequencyLine(lines));
    job.setWeekdays(countLine(lines, QStringLiteral("weekdays")));
    job.setDayOfMonth(countLine(lines, QStringLiteral("day of month")));
    job.setCompress(booleanLine(lines, QStringLiteral("compress")));
    job.setCopies(countLine(lines, QStringLiteral("copies")));
    job.setPassword(lines.next());
    if (!Job::passwordFitsZip(job.password()))
        lines.badLine(QStringLiteral("password"), QStringLiteral("a password zip and unzip can be given"));
    job.setSubdirectories(booleanLine(lines, QStringLiteral("subdirectories")));
    QString line = lines.next();
    job.setIncremental(line == QLatin1String("True"));
    if (line == QLatin1String("True") || line == QLatin1String("False"))
        line = lines.next();  // otherwise a file of the earlier layout, without this line
    if (!QDir::isAbsolutePath(line))  // else the backups would go wherever the agent was started
        lines.badLine(QStringLiteral("target folder"), QStringLiteral("a full path"));
    job.setTargetDirectory(line);
    readEntries(lines, job);
    if (lines.failed())
        return Failure{lines.fault()};
    return job;
}

Result<Job> read(const QString& path)
{
    const Result<QByteArray> bytes = Files::readOwnFile(path);
    if (!bytes)
        return Failure{bytes.reason()};
    return parse(*bytes, path);
}

}  // namespace JobFile
