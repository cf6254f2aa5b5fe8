// The index page cache an engine shares among its tags: the budget holds whatever the tags do,
// a pack gives the pages back before it sorts, and a lowered budget takes effect.

#include "support/TempDir.h"
#include "xbase/EngineApi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

class PageCacheTest : public ::testing::Test
{
protected:
    static constexpr int kRecords = 3000;

    void SetUp() override
    {
        std::string err;
        base = dir.file("PC");
        std::vector<xbase::FieldInfo> fields{{"CUNO", 'N', 6, 0}, {"NAME", 'C', 40, 0}};
        ASSERT_TRUE(xbase::DbfFile::create(base + ".dbf", fields, &err)) << err;
        c = code4initP();
        c->syncOnFlush = false;
        d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr) << code4errorText(c);
        // Names in another order than the numbers; 18 keys of 40 bytes to a page.
        for (int i = 1; i <= kRecords; ++i) {
            ASSERT_EQ(d4appendBlank(d), 0);
            f4assignLong(d4field(d, "CUNO"), i);
            f4assign(d4field(d, "NAME"), ("N" + std::to_string((i * 7919) % kRecords)).c_str());
        }
        TAG4INFO tags[] = {{"CCUNO", "STR(CUNO,6)", nullptr, 0, 0},
                           {"CNAME", "NAME", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
        ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    }
    void TearDown() override { code4initUndoP(c); }

    // Walks the tag top to bottom: the count, and whether the keys came in order.
    void walk(const char *tag, int expected)
    {
        d4tagSelectP(d, d4tag(d, tag));
        FIELD4 *f = d4field(d, std::string(tag) == "CCUNO" ? "CUNO" : "NAME");
        std::string previous;
        int n = 0;
        int rc = d4top(d);
        for (; rc == 0; rc = d4skip(d, 1)) {
            std::string key = f4str(f);
            if (std::string(tag) == "CCUNO") key = std::string(6 - key.size(), ' ') + key;
            ASSERT_LE(previous, key) << tag << " out of order at " << n;
            previous = key;
            ++n;
        }
        ASSERT_EQ(rc, 3) << code4errorText(c);
        EXPECT_EQ(n, expected) << tag;
    }

    TempDir dir;
    std::string base;
    CODE4 *c = nullptr;
    DATA4 *d = nullptr;
};

TEST_F(PageCacheTest, TagsStayWithinTheSharedBudget)
{
    c->pageCache().setBudget(40);  // CNAME alone has some 170 leaves
    ASSERT_NO_FATAL_FAILURE(walk("CNAME", kRecords));
    ASSERT_NO_FATAL_FAILURE(walk("CCUNO", kRecords));
    EXPECT_LE(c->pageCache().framesHeld(), 40u);
    d4tagSelectP(d, d4tag(d, "CCUNO"));
    for (int k = 1; k <= kRecords; k += 37) {
        const std::string n = std::to_string(k);
        const std::string key = std::string(6 - n.size(), ' ') + n;
        ASSERT_EQ(d4seek(d, key.c_str()), 0) << key;
        ASSERT_EQ(d4recNo(d), k);
    }
    EXPECT_LE(c->pageCache().framesHeld(), 40u);
}

TEST_F(PageCacheTest, CursorKeepsItsPlaceWhenAnotherTagEvictsItsPage)
{
    d4tagSelectP(d, d4tag(d, "CNAME"));
    std::vector<long> order;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) order.push_back(d4recNo(d));
    ASSERT_EQ(order.size(), size_t(kRecords));
    // With one page, storing each changed number in CCUNO takes the page the CNAME cursor
    // stands on; the next skip must go on from the entry it was on.
    c->pageCache().setBudget(1);
    ASSERT_EQ(d4top(d), 0);
    ASSERT_EQ(d4skip(d, 100), 0);
    for (size_t i = 100; i < 300; ++i) {
        ASSERT_EQ(d4recNo(d), order[i]);
        f4assignLong(d4field(d, "CUNO"), 100000 + long(i));
        ASSERT_EQ(d4skip(d, 1), 0) << code4errorText(c);
    }
    ASSERT_EQ(d4skip(d, -2), 0);
    EXPECT_EQ(d4recNo(d), order[298]);
    d4tagSelectP(d, d4tag(d, "CCUNO"));
    ASSERT_EQ(d4seek(d, "100150"), 0);
    EXPECT_EQ(d4recNo(d), order[150]);
}

TEST_F(PageCacheTest, PackGivesThePagesBackFirst)
{
    ASSERT_NO_FATAL_FAILURE(walk("CNAME", kRecords));
    ASSERT_NO_FATAL_FAILURE(walk("CCUNO", kRecords));
    EXPECT_GT(c->pageCache().framesHeld(), 150u);
    d4tagSelectP(d, nullptr);
    for (long r = 5; r <= kRecords; r += 5) {
        ASSERT_EQ(d4go(d, r), 0);
        d4delete(d);
    }
    ASSERT_EQ(d4pack(d), 0) << code4errorText(c);
    // After the pack only the way to the first record is read again.
    EXPECT_LE(c->pageCache().framesHeld(), 20u);
    ASSERT_NO_FATAL_FAILURE(walk("CNAME", kRecords - kRecords / 5));
    ASSERT_NO_FATAL_FAILURE(walk("CCUNO", kRecords - kRecords / 5));
}

TEST_F(PageCacheTest, LoweredBudgetTakesEffectAtTheNextRead)
{
    ASSERT_NO_FATAL_FAILURE(walk("CNAME", kRecords));
    ASSERT_GT(c->pageCache().framesHeld(), 100u);
    c->pageCache().setBudget(6);
    d4tagSelectP(d, d4tag(d, "CCUNO"));
    ASSERT_EQ(d4seek(d, "  1500"), 0);
    EXPECT_LE(c->pageCache().framesHeld(), 6u);
    ASSERT_NO_FATAL_FAILURE(walk("CNAME", kRecords));
    ASSERT_NO_FATAL_FAILURE(walk("CCUNO", kRecords));
    EXPECT_LE(c->pageCache().framesHeld(), 6u);
}

} // namespace
