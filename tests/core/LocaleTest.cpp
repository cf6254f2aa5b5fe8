#include "core/Locale.h"
#include "core/Clock.h"
#include "core/Dates.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace core;

namespace {

double day(int y, int m, int d)
{
    return dayFromDate(QDate(y, m, d));
}

} // namespace

TEST(LocaleTest, HostAnswersFallBackOnDefaults)
{
    const struct
    {
        const char *name;
        QString format;
        QString point;
        QString expectedFormat;
        QChar expectedSeparator;
    } rows[] = {
        {"usable", "dd.MM.yy", ",", "dd.MM.yy", ','},
        {"no format", "", ".", "M/d/yy", '.'},
        {"blank format", "  ", ",", "M/d/yy", ','},
        {"no point", "d/M/yy", "", "d/M/yy", '.'},
        {"two-character point", "d/M/yy", "..", "d/M/yy", '.'},
        {"digit as point", "d/M/yy", "5", "d/M/yy", '.'},
        {"minus as point", "d/M/yy", "-", "d/M/yy", '.'},
        {"arabic point", "d/M/yy", QString(QChar(0x066B)), "d/M/yy", QChar(0x066B)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const Locale locale = Locale::fromHost(row.format, row.point);
        EXPECT_EQ(locale.shortDateFormat(), row.expectedFormat);
        EXPECT_EQ(locale.decimalSeparator(), row.expectedSeparator);
    }
    const Locale defaults;
    EXPECT_EQ(defaults.shortDateFormat(), "M/d/yy");
    EXPECT_EQ(defaults.decimalSeparator(), '.');
}

TEST(LocaleTest, FormatDateUsesTheShortFormat)
{
    EXPECT_EQ(Locale::pinned("M/d/yy", '.').formatDate(day(2024, 3, 5) + 0.5), "3/5/24");
    EXPECT_EQ(Locale::pinned("dd.MM.yyyy", ',').formatDate(day(2024, 3, 5)), "05.03.2024");
    EXPECT_EQ(Locale::pinned("d MMM yyyy", '.').formatDate(day(2024, 3, 5)), "5 Mar 2024");
    EXPECT_EQ(Locale::pinned("M/d/yy", '.').formatDate(0), "");
}

TEST(LocaleTest, ParseDateReadsTheFieldsInFormatOrder)
{
    ScopedClock clock(2024); // window 1964..2063
    const struct
    {
        const char *name;
        QString format;
        QString text;
        double date;
    } rows[] = {
        {"short year", "M/d/yy", "3/15/24", day(2024, 3, 15)},
        {"start of window", "M/d/yy", "3/15/64", day(1964, 3, 15)},
        {"end of window", "M/d/yy", "3/15/63", day(2063, 3, 15)},
        {"one-digit year", "M/d/yy", "3/15/5", day(2005, 3, 15)},
        {"long year kept", "M/d/yy", "3/15/1920", day(1920, 3, 15)},
        {"other separators, padding", "M/d/yy", " 03-15-2024 ", day(2024, 3, 15)},
        {"day first", "dd.MM.yy", "15.3.24", day(2024, 3, 15)},
        {"year first", "yyyy-MM-dd", "2024-03-15", day(2024, 3, 15)},
        {"quoted letters ignored", "d 'de' M yyyy", "15 3 2024", day(2024, 3, 15)},
        {"month name", "d MMM yy", "15 Mar 30", day(2030, 3, 15)},
        {"no separators", "yyyyMMdd", "20240315", day(2024, 3, 15)},
        {"empty", "M/d/yy", "", 0},
        {"30 February", "M/d/yy", "2/30/24", 0},
        {"month 15", "M/d/yy", "15/3/24", 0},
        {"two fields", "M/d/yy", "3/15", 0},
        {"four fields", "M/d/yy", "3/15/24/1", 0},
        {"three-digit day", "M/d/yy", "3/015/24", 0},
        {"letters", "M/d/yy", "3/15/24x", 0},
        {"words", "M/d/yy", "today", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Locale::pinned(row.format, '.').parseDate(row.text), row.date);
    }
}

TEST(LocaleTest, ParseDateWindowCanMakeLeapDaysImpossible)
{
    ScopedClock clock(2070); // "00" is 2100, which has no 29 February
    const Locale locale = Locale::pinned("M/d/yy", '.');
    EXPECT_EQ(locale.parseDate("2/29/00"), 0);
    EXPECT_EQ(locale.parseDate("2/29/2000"), day(2000, 2, 29));
    EXPECT_EQ(locale.parseDate("2/28/00"), day(2100, 2, 28));
}

TEST(LocaleTest, ShownDatesReadBack)
{
    ScopedClock clock(2024);
    for (const char *format : {"M/d/yy", "dd.MM.yy", "yyyy-MM-dd", "d/M/yyyy", "d MMM yy"}) {
        const Locale locale = Locale::pinned(format, '.');
        for (double d = day(1964, 1, 1); d <= day(2063, 12, 31); d += 101) {
            ASSERT_EQ(locale.parseDate(locale.formatDate(d)), d)
                << format << " " << locale.formatDate(d).toStdString();
        }
    }
}

TEST(LocaleTest, NumbersUseTheSeparator)
{
    const Locale comma = Locale::pinned("dd.MM.yy", ',');
    EXPECT_EQ(comma.formatNumber(1234.5, 10, 2), "   1234,50");
    EXPECT_EQ(comma.formatNumber(-0.5, 5, 2), "-0,50");

    bool ok = false;
    EXPECT_EQ(comma.parseNumber(" 1234,5 ", &ok), 1234.5);
    EXPECT_TRUE(ok);
    EXPECT_EQ(comma.parseNumber("1234.5", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(comma.parseNumber("7"), 7);

    const Locale point = Locale::pinned("M/d/yy", '.');
    EXPECT_EQ(point.formatNumber(1234.5, 10, 2), "   1234.50");
    EXPECT_EQ(point.parseNumber("1234.5", &ok), 1234.5);
    EXPECT_TRUE(ok);
    EXPECT_EQ(point.parseNumber("1234,5", &ok), 0);
    EXPECT_FALSE(ok);
}
