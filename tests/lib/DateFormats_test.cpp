// The text forms of dates and times, written and read.
#include "lib/DateFormats.h"

#include <gtest/gtest.h>

using DateFormats::parseDate;
using DateFormats::parseTime;

TEST(JobDates, WrittenInEnglishWhateverTheLocaleAndReadBackInTheFormsUsersAndFilesHold)
{
    EXPECT_EQ(DateFormats::formatDate(QDate(2026, 1, 5), QLocale(QLocale::German)), "Jan.-05-2026");
    EXPECT_EQ(DateFormats::formatTime(QTime(0, 5, 7)), "12:05:07 AM");
    EXPECT_EQ(DateFormats::formatShortTime(QTime(12, 30)), "12:30 PM");

    // The job file's own form is written and read back with the job file.
    const std::vector<std::pair<const char*, QDate>> dates{{"JAN-5-2026", QDate(2026, 1, 5)},
                                                           {"2026-02-28", QDate(2026, 2, 28)},
                                                           {"Feb-30-2026", {}}, {"", {}}, {"tomorrow", {}}};
    for (const auto& [text, date] : dates)
        EXPECT_EQ(parseDate(text).value_or(QDate()), date) << text;

    const std::vector<std::pair<const char*, QTime>> times{
        {"11:58:00 PM", QTime(23, 58)}, {"9:05pm", QTime(21, 5)}, {"21:05", QTime(21, 5)},
        {"12:00 AM", QTime(0, 0)},      {"12:00 PM", QTime(12, 0)}, {" 07:30:15 ", QTime(7, 30, 15)},
        {"3pm", QTime(15, 0)},          {"15", {}},                {"13:00 PM", {}}, {"0:30 AM", {}},
        {"24:00", {}},                  {"9:60", {}},              {"noon", {}}};
    for (const auto& [text, time] : times)
        EXPECT_EQ(parseTime(text).value_or(QTime()), time) << text;
}
