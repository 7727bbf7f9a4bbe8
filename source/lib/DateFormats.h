#pragma once
// The text forms of dates and times that the job file and the job list use. The job file
// always writes English month names and "hh:mm:ss AM/PM", so it reads the same on every
// machine; the readers also take the forms of the user's locale.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>
#include <optional>

namespace DateFormats {

// "mmm-dd-yyyy": "Jan-05-2026" in English, or with the month name of `locale`.
QString formatDate(const QDate& date, const QLocale& locale = QLocale::c());
// "hh:mm:ss AM/PM" ("11:58:00 PM").
QString formatTime(const QTime& time);
// "hh:mm AM/PM" ("11:58 PM").
QString formatShortTime(const QTime& time);
// A due moment in the transaction log: "Mar-02-2026 10:00 AM", to the second ("10:00:30 AM")
// when it has seconds.
QString formatMoment(const QDateTime& moment);

// A date in the "mmm-dd-yyyy" form (English or the user's month names, any letter case),
// ISO form, or the user's locale's own short and long forms.
std::optional<QDate> parseDate(const QString& text);
// A time of day as a user types it: "9:05 PM", "9:05pm", "3pm", "21:05", "9:05:30 PM", "21:05:30",
// or the user's locale's own forms. Nothing for anything else.
std::optional<QTime> parseTime(const QString& text);

}  // namespace DateFormats
