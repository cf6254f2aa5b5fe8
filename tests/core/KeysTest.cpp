#include "core/Keys.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using namespace core;

TEST(KeysTest, NumberKeyPadsOnTheLeftAndNeverCuts)
{
    const struct
    {
        qint64 n;
        int width;
        QString key;
    } rows[] = {
        {42, 6, "    42"},     {1234567, 6, "1234567"},
        {123456, 6, "123456"}, {-42, 6, "   -42"},
        {-12345, 6, "-12345"}, {-123456, 6, "-123456"},
        {0, 6, "     0"},      {7, 2, " 7"},
        {12, 2, "12"},         {5, 0, "5"},
        {5, -3, "5"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.n << " at " << row.width);
        EXPECT_EQ(numberKey(row.n, row.width), row.key);
    }
}

TEST(KeysTest, SeekKeyKeepsAtMostSixtyCharacters)
{
    const QString sixty = QString(59, u'a') + u'z';
    EXPECT_EQ(SeekKey(sixty + "tail"), sixty);
    EXPECT_EQ(SeekKey(sixty), sixty);
    EXPECT_EQ(SeekKey("SMITH "), "SMITH ");
    EXPECT_EQ(SeekKey(QString()), QString());
}
