#include "core/Lists.h"

#include <gtest/gtest.h>

using namespace core;

TEST(ListsTest, IndexOfNumberFirstMatchOrMinusOne)
{
    const NumberList groups = QList<int>{3, 5, 3, 0};
    EXPECT_EQ(IndexOfNumber(groups, 3), 0);
    EXPECT_EQ(IndexOfNumber(groups, 5), 1);
    EXPECT_EQ(IndexOfNumber(groups, 0), 3);
    EXPECT_EQ(IndexOfNumber(groups, 7), -1);
    EXPECT_EQ(IndexOfNumber(QList<int>{}, 0), -1);
    EXPECT_EQ(IndexOfNumber(std::nullopt, 0), -1); // nothing chosen
}
