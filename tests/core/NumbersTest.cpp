#include "core/Numbers.h"
#include "core/Locale.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

using namespace core;

TEST(NumbersTest, RoundCentsFollowsTheExactDouble)
{
    const struct
    {
        double x;
        double rounded;
    } rows[] = {
        {1.005, 1.00}, // stored just below 1.005
        {0.125, 0.13}, // exact half: away from zero
        {-0.125, -0.13},
        {2.675, 2.67}, // stored below; plain double arithmetic gives 2.68
        {-2.675, -2.67},
        {0.145, 0.14},
        {8.325, 8.32},
        {0.015, 0.01},
        {0.005, 0.01}, // 0.005 is above
        {0.375, 0.38},
        {-0.375, -0.38},
        {123.456, 123.46},
        {-19.994, -19.99},
        {19.999, 20.00},
        {0.004, 0.00},
        {-0.004, 0.00},
        {0, 0},
        {42, 42},
        {-7.1, -7.1},
        {1000000000.125, 1000000000.13},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.x);
        EXPECT_EQ(roundCents(row.x), row.rounded);
    }
}

TEST(NumbersTest, RoundCentsLeavesWholeCentsAlone)
{
    // Every amount that already is a whole number of cents must come back as the same double;
    // a rounding that scales without the half-cent offset (0.29 * 100 = 28.999...) fails here.
    for (int cents = -200000; cents <= 200000; ++cents) {
        const double amount = cents / 100.0;
        ASSERT_EQ(roundCents(amount), amount) << cents;
    }
}

TEST(NumbersTest, ReadNumberAcceptsOnlyTheGivenSeparator)
{
    const struct
    {
        QChar separator;
        QString text;
        std::optional<double> value;
    } rows[] = {
        {'.', "1.5", 1.5},    {'.', "  1.5\t", 1.5}, {'.', "-2", -2.0},     {'.', "+2.", 2.0},
        {'.', ".5", 0.5},     {'.', "-.5", -0.5},    {'.', "1e3", 1000.0},  {'.', "1.5E-2", 0.015},
        {'.', "007", 7.0},    {',', "1,5", 1.5},     {',', "-0,25", -0.25}, {',', "3", 3.0},
        {'.', "", {}},        {'.', "   ", {}},      {'.', "1,5", {}},      {',', "1.5", {}},
        {'.', "1,000.5", {}}, {'.', "abc", {}},      {'.', "1.2.3", {}},    {'.', "-", {}},
        {'.', ".", {}},       {'.', "1e", {}},       {'.', "e5", {}},       {'.', "inf", {}},
        {'.', "nan", {}},     {'.', "1e999", {}},    {'.', "12 34", {}},    {'.', "0x10", {}},
        {'.', "1.5x", {}},    {'.', "--1", {}},      {'.', "\u0661", {}}, // Arabic-Indic 1
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.text.toStdString() << " with '"
                                        << QString(row.separator).toStdString() << "'");
        EXPECT_EQ(readNumber(row.text, row.separator), row.value);
    }
}

TEST(NumbersTest, IsNumberUsesTheLocaleSeparator)
{
    const Locale point = Locale::pinned("M/d/yy", '.');
    const Locale comma = Locale::pinned("dd.MM.yy", ',');
    EXPECT_TRUE(IsNumber(" 12.50 ", point));
    EXPECT_FALSE(IsNumber("12,50", point));
    EXPECT_TRUE(IsNumber("12,50", comma));
    EXPECT_FALSE(IsNumber("12.50", comma));
    EXPECT_FALSE(IsNumber("", point));
    EXPECT_TRUE(IsNumber("12", comma));
}

TEST(NumbersTest, FixedTextRightAlignsWithTheSeparator)
{
    const struct
    {
        double x;
        int width;
        int decimals;
        QChar separator;
        QString text;
    } rows[] = {
        {3.14159, 10, 2, '.', "      3.14"},
        {3.14159, 10, 2, ',', "      3,14"},
        {-1234.5, 10, 2, ',', "  -1234,50"},
        {12.5, 5, 2, ',', "12,50"},
        {1e7, 5, 2, '.', "10000000.00"}, // a longer form is never cut
        {0.125, 0, 2, '.', "0.12"},      // printf: an exact half goes to even
        {0.375, 0, 2, '.', "0.38"},
        {2.675, 0, 2, '.', "2.67"}, // stored below the half
        {-0.001, 6, 2, '.', " -0.00"},
        {5, 5, 0, ',', "    5"}, // no decimals, no separator
        {42, 3, -1, '.', " 42"},
        {1.5, 8, 4, ',', "  1,5000"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(fixedText(row.x, row.width, row.decimals, row.separator), row.text);
        EXPECT_EQ(
            FixedText(row.x, row.width, row.decimals, Locale::pinned("M/d/yy", row.separator)),
            row.text);
    }
}

TEST(NumbersTest, FixedTextMatchesPrintfInTheCLocale)
{
    const double values[] = {0,    -0.0,    0.005,   0.015,  1.005, 2.5,    -2.5,
                             1e-9, 123.455, -99.995, 4.35e9, 1e21,  -7.125, 0.045};
    for (const double x : values) {
        for (const int decimals : {0, 1, 2, 3}) {
            char expected[128];
            std::snprintf(expected, sizeof expected, "%10.*f", decimals, x);
            EXPECT_EQ(fixedText(x, 10, decimals, '.'), QString::fromLatin1(expected))
                << x << " with " << decimals;
        }
    }
}

TEST(NumbersTest, IgnoresTheCLibraryNumericLocale)
{
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string restore = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no host locale with a decimal comma is installed";
    EXPECT_EQ(fixedText(1.5, 6, 2, '.'), "  1.50");
    EXPECT_EQ(readNumber("1.5", '.'), 1.5);
    EXPECT_EQ(readNumber("1,5", '.'), std::nullopt);
    std::setlocale(LC_NUMERIC, restore.c_str());
}
