#include "core/Dates.h"
#include "core/Clock.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace core;

namespace {

double day(int y, int m, int d)
{
    return dayFromDate(QDate(y, m, d));
}

} // namespace

TEST(DatesTest, DayCountsStartAt30December1899)
{
    const struct
    {
        double day;
        QDate date;
    } rows[] = {
        {1, QDate(1899, 12, 31)},    {2, QDate(1900, 1, 1)},      {61, QDate(1900, 3, 1)},
        {36585, QDate(2000, 2, 29)}, {45366, QDate(2024, 3, 15)}, {-1, QDate(1899, 12, 29)},
        {-36371, QDate(1800, 6, 1)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.date.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(dateFromDay(row.day), row.date);
        EXPECT_EQ(dayFromDate(row.date), row.day);
    }
}

TEST(DatesTest, FractionIsTimeOfDayAndZeroIsNoDate)
{
    EXPECT_EQ(dateFromDay(45366.99), QDate(2024, 3, 15));
    EXPECT_EQ(dateFromDay(-1.25), QDate(1899, 12, 29)); // before the epoch the fraction is a time
    EXPECT_FALSE(dateFromDay(0).isValid());
    EXPECT_FALSE(dateFromDay(0.5).isValid());
    EXPECT_FALSE(dateFromDay(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_FALSE(dateFromDay(1e12).isValid()); // beyond 9999
    EXPECT_EQ(dayFromDate(QDate()), 0);
    EXPECT_EQ(dayFromDate(QDate(10000, 1, 1)), 0);
    EXPECT_EQ(dateFromDay(dayFromDate(QDate(9999, 12, 31))), QDate(9999, 12, 31));
    EXPECT_EQ(dateFromDay(dayFromDate(QDate(1, 1, 1))), QDate(1, 1, 1));
}

TEST(DatesTest, TwoDigitYearsFallInTheWindowAroundTheCurrentYear)
{
    const struct
    {
        int currentYear;
        int twoDigits;
        int year;
    } rows[] = {
        {2024, 64, 1964}, {2024, 63, 2063}, {2024, 0, 2000}, {2024, 99, 1999}, {2024, 24, 2024},
        {2070, 10, 2010}, {2070, 9, 2109},  {2070, 0, 2100}, {2000, 40, 1940}, {2000, 39, 2039},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.currentYear << " / " << row.twoDigits);
        ScopedClock clock(row.currentYear);
        EXPECT_EQ(yearInWindow(row.twoDigits), row.year);
    }
}

TEST(DatesTest, DateToKeyNormalisesTheCentury)
{
    ScopedClock clock(2024); // window 1964..2063
    const struct
    {
        const char *name;
        double date;
        QString key;
    } rows[] = {
        {"no date", 0, QString()},
        {"negative", -5, QString()},
        {"in window", day(2024, 3, 15), "20240315"},
        {"time of day ignored", day(2024, 3, 15) + 0.75, "20240315"},
        {"below window", day(1920, 3, 15), "20200315"},
        {"above window", day(2070, 3, 15), "19700315"},
        {"first year of window", day(1964, 1, 1), "19640101"},
        {"year before window", day(1963, 12, 31), "20631231"},
        {"last year of window", day(2063, 12, 31), "20631231"},
        {"year after window", day(2064, 1, 1), "19640101"},
        {"leap day moved into leap year", day(1920, 2, 29), "20200229"},
        {"before the epoch: negative, no key", day(1850, 7, 4), QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DateToKey(row.date), row.key);
    }
}

TEST(DatesTest, NormaliseCenturyDropsTimeOrKeepsImpossibleDates)
{
    {
        ScopedClock clock(2024);
        EXPECT_EQ(NormaliseCentury(45366.5), 45366);
        EXPECT_EQ(NormaliseCentury(day(1920, 3, 15) + 0.25), day(2020, 3, 15));
        EXPECT_EQ(NormaliseCentury(day(1700, 6, 1)), day(1800, 6, 1));
        EXPECT_EQ(NormaliseCentury(0), 0);
    }
    ScopedClock clock(2070); // window 2010..2109: 2000 moves to 2100, which has no 29 February
    const double leapDay = day(2000, 2, 29) + 0.5;
    EXPECT_EQ(NormaliseCentury(leapDay), leapDay);
    EXPECT_EQ(DateToKey(leapDay), "20000229");
    EXPECT_EQ(DateToKey(day(2000, 2, 28)), "21000228");
}

TEST(DatesTest, KeyToDateReadsYearMonthDayColumns)
{
    const struct
    {
        const char *name;
        QString key;
        double date;
    } rows[] = {
        {"empty", "", 0},
        {"eight blanks", "        ", 0},
        {"valid", "20240315", day(2024, 3, 15)},
        {"no normalisation", "19200315", day(1920, 3, 15)},
        {"trailing blanks", "20240315   ", day(2024, 3, 15)},
        {"text after the key ignored", "20240315xyz", day(2024, 3, 15)},
        {"seven characters", "2024031", 0},
        {"seven after trimming", " 2024031 ", 0},
        {"blank-led month part", "2024 315", day(2024, 3, 15)},
        {"leading blanks shift the columns", "  20240315", 0},
        {"30 February", "20240230", 0},
        {"29 February in a leap year", "20000229", day(2000, 2, 29)},
        {"29 February otherwise", "21000229", 0},
        {"month 13", "20241301", 0},
        {"day 0", "20240300", 0},
        {"year 0", "00000315", 0},
        {"letter", "2024O315", 0},
        {"sign", "2024-3-1", 0},
        {"blank inside a part", "20 40315", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KeyToDate(row.key), row.date);
    }
}

TEST(DatesTest, KeysRoundTripAcrossTheWindow)
{
    ScopedClock clock(2024);
    for (double d = day(1964, 1, 1); d <= day(2063, 12, 31); d += 37.25) {
        const QString key = DateToKey(d);
        ASSERT_EQ(key.size(), 8) << d;
        EXPECT_EQ(KeyToDate(key), std::trunc(d)) << key.toStdString();
    }
}
