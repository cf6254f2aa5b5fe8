#include "core/Clock.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

using core::Clock;
using core::ScopedClock;

TEST(ClockTest, DefaultIsTheSystemDate)
{
    const QDate before = QDate::currentDate();
    const QDate today = Clock::current().today();
    const QDate after = QDate::currentDate();
    EXPECT_TRUE(today == before || today == after) << today.toString().toStdString();
}

TEST(ClockTest, ScopesPinAndRestoreInNestedOrder)
{
    const Clock *outside = &Clock::current();
    {
        ScopedClock pinned(QDate(2024, 3, 15));
        EXPECT_EQ(Clock::current().today(), QDate(2024, 3, 15));
        EXPECT_EQ(Clock::current().currentYear(), 2024);
        {
            ScopedClock inner(2070);
            EXPECT_EQ(Clock::current().currentYear(), 2070);
            inner.clock().setToday(QDate(1999, 12, 31));
            EXPECT_EQ(Clock::current().today(), QDate(1999, 12, 31));
        }
        EXPECT_EQ(Clock::current().today(), QDate(2024, 3, 15));
    }
    EXPECT_EQ(&Clock::current(), outside);
}
