// The text forms of dates and times, written and read.
#include "lib/libDates.h"

#include <gtest/gtest.h>

using libDates::ParseDate;
using libDates::ParseTime;

TEST(JobDates, WrittenInEnglishWhateverTheLocaleAndReadBackInTheFormsUsersAndFilesHold)
{
    EXPECT_EQ(libDates::FormatDate(QDate(2026, 1, 5)), "Jan-05-2026");
    EXPECT_EQ(libDates::FormatDate(QDate(2026, 1, 5), QLocale(QLocale::German)), "Jan.-05-2026");
    EXPECT_EQ(libDates::FormatTime(QTime(23, 58)), "11:58:00 PM");
    EXPECT_EQ(libDates::FormatTime(QTime(0, 5, 7)), "12:05:07 AM");
    EXPECT_EQ(libDates::FormatShortTime(QTime(12, 30)), "12:30 PM");

    EXPECT_EQ(ParseDate("Jan-05-2026"), QDate(2026, 1, 5));
    EXPECT_EQ(ParseDate("JAN-5-2026"), QDate(2026, 1, 5));
    EXPECT_EQ(ParseDate("dec-31-1999"), QDate(1999, 12, 31));
    EXPECT_EQ(ParseDate("2026-02-28"), QDate(2026, 2, 28));
    EXPECT_FALSE(ParseDate("Feb-30-2026").has_value());
    EXPECT_FALSE(ParseDate("").has_value());
    EXPECT_FALSE(ParseDate("tomorrow").has_value());

    EXPECT_EQ(ParseTime("11:58:00 PM"), QTime(23, 58));
    EXPECT_EQ(ParseTime("9:05 PM"), QTime(21, 5));
    EXPECT_EQ(ParseTime("9:05pm"), QTime(21, 5));
    EXPECT_EQ(ParseTime("21:05"), QTime(21, 5));
    EXPECT_EQ(ParseTime("12:00 AM"), QTime(0, 0));
    EXPECT_EQ(ParseTime("12:00 PM"), QTime(12, 0));
    EXPECT_EQ(ParseTime(" 07:30:15 "), QTime(7, 30, 15));
    EXPECT_EQ(ParseTime("3pm"), QTime(15, 0));
    EXPECT_EQ(ParseTime("12 AM"), QTime(0, 0));
    EXPECT_FALSE(ParseTime("15").has_value());
    EXPECT_FALSE(ParseTime("13:00 PM").has_value());
    EXPECT_FALSE(ParseTime("0:30 AM").has_value());
    EXPECT_FALSE(ParseTime("24:00").has_value());
    EXPECT_FALSE(ParseTime("9:60").has_value());
    EXPECT_FALSE(ParseTime("noon").has_value());
}
