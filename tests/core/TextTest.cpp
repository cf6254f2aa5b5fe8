#include "core/Text.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace core;

TEST(TextTest, Blanks)
{
    EXPECT_EQ(Blanks(3), "   ");
    EXPECT_EQ(Blanks(1), " ");
    EXPECT_EQ(Blanks(0), "");
    EXPECT_EQ(Blanks(-4), "");
}

TEST(TextTest, LastPosFindsTheLastStartCountingFromOne)
{
    const struct
    {
        QString pattern;
        QString text;
        int pos;
    } rows[] = {
        {"b", "abcb", 4}, {"ab", "abab", 3},  {"aa", "aaa", 2}, {"abc", "abc", 1},
        {"a", "abcb", 1}, {"x", "abc", 0},    {"B", "abcb", 0}, {"", "abc", 0},
        {"", "", 0},      {"abcd", "abc", 0}, {"a", "", 0},     {"\\", "C:\\a\\b", 5},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.pattern.toStdString() << " in " << row.text.toStdString());
        EXPECT_EQ(LastPos(row.pattern, row.text), row.pos);
    }
}
