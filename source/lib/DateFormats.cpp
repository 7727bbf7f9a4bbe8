#include "lib/DateFormats.h"

#include <QRegularExpression>

namespace DateFormats {
namespace {

const QString dateForm = QStringLiteral("MMM-dd-yyyy");

// "jan" or "JAN" as "Jan", the way the month names are written.
QString monthCased(const QString& text)
{
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash <= 0)
        return text;
    return text.left(1).toUpper() + text.mid(1, dash - 1).toLower() + text.mid(dash);
}

std::optional<QDate> dateIn(const QLocale& locale, const QString& text, const QString& form)
{
    const QDate date = locale.toDate(text, form);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

}  // namespace

QString formatDate(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, dateForm);
}

QString formatTime(const QTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("hh:mm:ss AP"));
}

QString formatShortTime(const QTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("hh:mm AP"));
}

QString formatMoment(const QDateTime& moment)
{
    const QTime time = moment.time();
    return formatDate(moment.date()) + QLatin1Char(' ') + (time.second() != 0 ? formatTime(time) : formatShortTime(time));
}

std::optional<QDate> parseDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    const QLocale system = QLocale::system();
    for (const QString& form : {dateForm, QStringLiteral("MMM-d-yyyy")}) {
        if (auto date = dateIn(QLocale::c(), monthCased(trimmed), form))
            return date;
        if (auto date = dateIn(system, trimmed, form))
            return date;
    }
    if (auto date = dateIn(QLocale::c(), trimmed, QStringLiteral("yyyy-MM-dd")))
        return date;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat})
        if (auto date = dateIn(system, trimmed, system.dateFormat(type)))
            return date;
    return std::nullopt;
}

std::optional<QTime> parseTime(const QString& text)
{
    // hours, minutes, optional seconds, optional AM/PM marker with or without a blank
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?\\s*([AaPp][Mm])?$"));
    // or a bare hour with its marker ("3pm", "3 PM")
    static const QRegularExpression hourForm(QStringLiteral("^(\\d{1,2})()()\\s*([AaPp][Mm])$"));
    const QString trimmed = text.trimmed();
    QRegularExpressionMatch match = form.match(trimmed);
    if (!match.hasMatch())
        match = hourForm.match(trimmed);
    if (match.hasMatch()) {
        int hour = match.captured(1).toInt();
        const int minute = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
        const int second = match.captured(3).isEmpty() ? 0 : match.captured(3).toInt();
        const QString marker = match.captured(4).toUpper();
        if (!marker.isEmpty()) {
            if (hour < 1 || hour > 12)
                return std::nullopt;
            hour = hour % 12 + (marker == QLatin1String("PM") ? 12 : 0);
        }
        const QTime time(hour, minute, second);
        return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
    }
    const QLocale system = QLocale::system();
    for (const QLocale::FormatType type : {QLocale::LongFormat, QLocale::ShortFormat}) {
        const QTime time = system.toTime(trimmed, system.timeFormat(type));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

}  // namespace DateFormats
