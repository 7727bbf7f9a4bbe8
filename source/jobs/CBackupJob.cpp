#include "jobs/CBackupJob.h"

#include "jobs/BackupHost.h"

#include "lib/Clock.h"
#include "lib/libDates.h"
#include "lib/libErrorHandler.h"
#include "lib/libFiles.h"
#include "lib/libStrings.h"

#include <QFile>

using libErrorHandler::Raise;

namespace {

const QString CRLF = QStringLiteral("\r\n");

QString booleanWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The weekday number of a date, Sunday 1 to Saturday 7, as the weekday set counts them.
int weekdayNumber(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

// Reads the lines of a job file one after another; running out of lines is a damaged file.
class JobFileLines {
public:
    JobFileLines(const QString& fileName, QStringList lines) : m_fileName(fileName), m_lines(std::move(lines)) {}

    QString next()
    {
        if (m_next >= m_lines.size())
            Raise(libErrorHandler::ErrInputPastEnd,
                  QStringLiteral("'%1' ends after %2 lines").arg(m_fileName).arg(m_lines.size()));
        return m_lines[m_next++];
    }
    bool atEnd() const { return m_next >= m_lines.size(); }

    // The line just read is not what its field needs.
    [[noreturn]] void raiseBadLine(const QString& field, const QString& needed) const
    {
        Raise(libErrorHandler::ErrTypeMismatch, QStringLiteral("'%1' line %2 (%3) is not %4: '%5'")
                                                    .arg(m_fileName).arg(m_next).arg(field, needed, m_lines[m_next - 1]));
    }

private:
    QString m_fileName;
    QStringList m_lines;
    qsizetype m_next = 0;
};

qint16 frequencyLine(JobFileLines& lines)
{
    bool ok = false;
    const qint16 value = lines.next().trimmed().toShort(&ok);
    if (!ok)
        lines.raiseBadLine(QStringLiteral("frequency"), QStringLiteral("a number"));
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
        lines.raiseBadLine(what, QStringLiteral("a number"));
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
        lines.raiseBadLine(what, QStringLiteral("True, False or a number"));
    return number != 0;
}

}  // namespace

bool CBackupJob::PasswordFitsZip(const QString& password)
{
    const bool hasWhiteSpace = std::any_of(password.begin(), password.end(), [](QChar c) { return c.isSpace(); });
    return !(hasWhiteSpace && password.contains(QLatin1Char('"')));
}

void CBackupJob::setTargetDirectory(const QString& value)
{
    m_targetDirectory = value;
    libFiles::FormatPath(m_targetDirectory, true);
}

void CBackupJob::SetDayOfWeek(bool bMon, bool bTue, bool bWed, bool bThu, bool bFri, bool bSat, bool bSun)
{
    qint16 set = 0;
    const std::pair<bool, qint16> days[] = {{bMon, Monday},   {bTue, Tuesday}, {bWed, Wednesday}, {bThu, Thursday},
                                            {bFri, Friday},   {bSat, Saturday}, {bSun, Sunday}};
    for (const auto& [chosen, bit] : days)
        if (chosen)
            set |= bit;
    m_dayOfWeek = set;
}

std::optional<QDate> CBackupJob::DateNextRun() const
{
    const QDateTime now = Clock::Now();
    const QDate today = now.date();
    switch (m_frequency) {
    case Daily:
    case Weekly: {
        if ((m_dayOfWeek & AllWeekdays) == 0)
            return std::nullopt;  // no weekday at all: never due
        QDate candidate = QDateTime(today, m_startTime) > now ? today : today.addDays(1);
        while (!(m_dayOfWeek & (1 << weekdayNumber(candidate))))
            candidate = candidate.addDays(1);
        return candidate;
    }
    case Monthly: {
        int month = today.month();
        int year = today.year();
        const QTime nowToTheMinute(now.time().hour(), now.time().minute());
        const bool thisMonth = m_dayOfMonth > today.day()
                               || (m_dayOfMonth == today.day() && nowToTheMinute < m_startTime);
        if (!thisMonth && ++month == 13) {
            month = 1;
            ++year;
        }
        const QDate date(year, month, m_dayOfMonth);  // invalid for a day the month lacks
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

QByteArray CBackupJob::JobFileText() const
{
    const QStringList fixedLines = {
        m_jobName,
        libDates::FormatDate(m_dateLastRun.date()),
        libDates::FormatTime(m_startTime),
        QString::number(m_frequency),
        QString::number(m_dayOfWeek),
        QString::number(m_dayOfMonth),
        booleanWord(m_compress),
        QString::number(m_numberCopies),
        m_password,
        booleanWord(m_subdirectories),
        booleanWord(m_incremental),
        m_targetDirectory,
    };
    return (fixedLines.join(CRLF) + CRLF + m_filesToZip + CRLF).toUtf8();
}

void CBackupJob::SaveBackupJob(const QString& sFileName) const
{
    libErrorHandler::Trap("CBackupJob.cls", "SaveBackupJob()", [&] { libFiles::WriteFileWhole(sFileName, JobFileText()); });
}

void CBackupJob::readJobFile(const QString& sFileName)
{
    QFile file(sFileName);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        libErrorHandler::RaiseFileError(file);
    JobFileLines lines(sFileName, libStrings::SplitLines(QString::fromUtf8(file.readAll())));

    CBackupJob read = *this;
    read.m_jobName = lines.next();
    read.m_dateLastRun = QDateTime(libDates::ParseDate(lines.next()).value_or(Clock::Today()), QTime(0, 0));
    read.m_startTime = libDates::ParseTime(lines.next()).value_or(QTime(0, 0));
    read.m_frequency = frequencyLine(lines);
    read.m_dayOfWeek = countLine(lines, QStringLiteral("weekdays"));
    read.m_dayOfMonth = countLine(lines, QStringLiteral("day of month"));
    read.m_compress = booleanLine(lines, QStringLiteral("compress"));
    read.m_numberCopies = countLine(lines, QStringLiteral("copies"));
    read.m_password = lines.next();
    read.m_subdirectories = booleanLine(lines, QStringLiteral("subdirectories"));
    QString line = lines.next();
    read.m_incremental = line == QLatin1String("True");
    if (line == QLatin1String("True") || line == QLatin1String("False"))
        line = lines.next();  // otherwise a file of the earlier layout, without this line
    read.m_targetDirectory = line;
    read.m_filesToZip.clear();
    while (!lines.atEnd()) {
        const QString entry = lines.next();
        if (!entry.trimmed().isEmpty())
            read.m_filesToZip += entry + CRLF;
    }
    *this = read;
}

std::optional<QString> CBackupJob::TryOpenBackupJob(const QString& sFileName)
{
    try {
        readJobFile(sFileName);
        return std::nullopt;
    } catch (const libErrorHandler::AppError& error) {
        return error.info().Description;
    }
}

void CBackupJob::OpenBackupJob(const QString& sFileName)
{
    libErrorHandler::Trap("CBackupJob.cls", "OpenBackupJob()", [&] { readJobFile(sFileName); });
}

QStringList CBackupJob::GetFileList(const QString& sFilesToZip)
{
    return libErrorHandler::Trap("CBackupJob.cls", "GetFileList()", [&] {
        QStringList entries;
        const QStringList pieces = sFilesToZip.split(CRLF);
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i)  // the last piece has no CR LF
            if (!pieces[i].trimmed().isEmpty())
                entries << pieces[i];
        return entries;
    });
}

bool CBackupJob::ExecuteBackupNow(BackupHost& frm)
{
    // First landing: the run itself follows.
    frm.setMessageText(QString());
    m_failure = true;
    return m_failure;
}
