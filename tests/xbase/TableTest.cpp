// Tables through the engine interface: creating, appending, reading back, ordering,
// seeking, skipping, deleting, packing and zapping.

#include "support/TempDir.h"
#include "xbase/EngineApi.h"
#include "xbase/Verify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using testsupport::TempDir;

std::vector<xbase::FieldInfo> customerFields()
{
    return {{"CUNO", 'N', 6, 0}, {"LAST", 'C', 20, 0}, {"FIRST", 'C', 15, 0},
            {"ZIP", 'C', 10, 0}, {"BALANCE", 'N', 10, 2}, {"SINCE", 'D', 8, 0},
            {"ACTIVE", 'L', 1, 0}, {"NOTES", 'M', 10, 0}};
}

class TableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string err;
        base = dir.file("CUST");
        ASSERT_TRUE(xbase::DbfFile::create(base + ".dbf", customerFields(), &err)) << err;
        ASSERT_TRUE(xbase::MemoFile::create(base + ".dbt", &err)) << err;
        c = code4initP();
        c->exitHook = [] { FAIL() << "the engine tried to end the program"; };
    }
    void TearDown() override { code4initUndoP(c); }

    DATA4 *open()
    {
        DATA4 *d = d4open(c, base.c_str());
        EXPECT_NE(d, nullptr) << code4errorText(c);
        return d;
    }

    void append(DATA4 *d, int cuno, const char *last, const char *first = "")
    {
        ASSERT_EQ(d4appendBlank(d), 0);
        f4assignLong(d4field(d, "CUNO"), cuno);
        f4assign(d4field(d, "LAST"), last);
        f4assign(d4field(d, "FIRST"), first);
    }

    // The record numbers in the selected order, top to bottom.
    std::vector<long> walk(DATA4 *d)
    {
        std::vector<long> out;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) out.push_back(d4recNo(d));
        return out;
    }

    TempDir dir;
    std::string base;
    CODE4 *c = nullptr;
};

TEST_F(TableTest, AppendedFieldsReadBackAfterReopen)
{
    DATA4 *d = open();
    ASSERT_TRUE(d);
    append(d, 42, "Smith", "Anna");
    f4assignDouble(d4field(d, "BALANCE"), 1234.565);
    f4assign(d4field(d, "SINCE"), "20240315");
    f4assign(d4field(d, "ACTIVE"), "T");
    f4memoAssign(d4field(d, "NOTES"), "line one\r\nline two");
    ASSERT_EQ(d4close(d), 0);

    d = open();
    ASSERT_EQ(d4recCountDo(d), 1);
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(f4long(d4field(d, "CUNO")), 42);
    EXPECT_STREQ(f4str(d4field(d, "LAST")), "Smith               ");
    EXPECT_STREQ(f4str(d4field(d, "BALANCE")), "   1234.57");
    EXPECT_DOUBLE_EQ(f4double2(d4field(d, "BALANCE")), 1234.57);
    EXPECT_STREQ(f4str(d4field(d, "SINCE")), "20240315");
    EXPECT_EQ(f4true(d4field(d, "ACTIVE")), 1);
    EXPECT_STREQ(f4memoStr(d4field(d, "NOTES")), "line one\r\nline two");
}

TEST_F(TableTest, NumericFieldsRoundHalfAwayAndReportOverflow)
{
    DATA4 *d = open();
    append(d, 1, "A");
    FIELD4 *bal = d4field(d, "BALANCE");
    struct Case
    {
        double value;
        const char *stored;
    } cases[] = {{0.125, "      0.13"}, {-0.125, "     -0.13"}, {2.675, "      2.67"},
                 {-0.001, "      0.00"}, {9999999.99, "9999999.99"}, {-999999.99, "-999999.99"}};
    for (const Case &k : cases) {
        EXPECT_EQ(f4assignDouble(bal, k.value), 0) << k.value;
        EXPECT_STREQ(f4str(bal), k.stored) << k.value;
    }
    code4errorCode(c, 0);
    EXPECT_LT(f4assignDouble(bal, 10000000.0), 0);
    EXPECT_STREQ(f4str(bal), "**********");
    EXPECT_LT(code4errorCode(c, 0), 0);
}

TEST_F(TableTest, TagsOrderSeekAndSkip)
{
    DATA4 *d = open();
    const char *names[] = {"Miller", "smith", "Adams", "Smithers", "Jones", "SMITH"};
    for (int i = 0; i < 6; ++i) append(d, 10 * (i + 1), names[i]);
    TAG4INFO tags[] = {{"CNAME", "UPPER(LAST+FIRST)", nullptr, 0, 0},
                       {"CCNO", "STR(CUNO,6)", nullptr, 0, 0},
                       {nullptr, nullptr, nullptr, 0, 0}};
    ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "cname"));
    EXPECT_EQ(walk(d), (std::vector<long>{3, 5, 1, 2, 6, 4}));

    EXPECT_EQ(d4seek(d, "SM"), 0);
    EXPECT_EQ(d4recNo(d), 2);
    EXPECT_EQ(d4seek(d, "N"), 2);  // next greater: SMITH
    EXPECT_EQ(d4recNo(d), 2);
    EXPECT_EQ(d4seek(d, "ZZ"), 3);
    EXPECT_EQ(d4skip(d, -1), 0);  // from the end back onto the last record
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(d4skip(d, 1), 3);
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(d4skip(d, -1), 4);
    EXPECT_EQ(d4recNo(d), 3);  // on the first record
    EXPECT_EQ(d4skip(d, 4), 0);
    EXPECT_EQ(d4recNo(d), 6);
    EXPECT_EQ(d4skip(d, 5), 3);

    d4tagSelectP(d, d4tag(d, "CCNO"));
    EXPECT_EQ(d4seek(d, "    40"), 0);
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(d4seek(d, "    41"), 2);
    EXPECT_EQ(d4recNo(d), 5);
}

// Tables this large have their indexes built with the work shared between two threads, and
// their keys here share long prefixes, repeat, and come in no order: the walk must still be
// (key, record number) in full, after the build and after a pack.
TEST_F(TableTest, LargeIndexesHoldEveryRecordInKeyOrder)
{
    constexpr long kRecords = 100000;
    DATA4 *d = open();
    std::vector<std::pair<std::string, long>> byCuno, byFirst;
    for (long r = 1; r <= kRecords; ++r) {
        const long cuno = (r * 61803) % kRecords + 1;  // every number once, scrambled
        const std::string first = "F" + std::to_string((r * 7) % 13);
        // One prefix for all, then a value that repeats every 5,000 records.
        append(d, int(cuno), ("SAME PREFIX " + std::to_string(r % 5000)).c_str(), first.c_str());
        char key[8];
        std::snprintf(key, sizeof key, "%6ld", cuno % 1000000);
        byCuno.push_back({key, r});
        byFirst.push_back({first, r});
    }
    TAG4INFO tags[] = {{"CNAME", "UPPER(LAST+FIRST)", nullptr, 0, 0},
                       {"CCNO", "STR(CUNO,6)", nullptr, 0, 0},
                       {"CFIRST", "FIRST", nullptr, 0, 0},
                       {nullptr, nullptr, nullptr, 0, 0}};
    ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    auto expectOrder = [&](const char *tag, std::vector<std::pair<std::string, long>> model) {
        std::sort(model.begin(), model.end());
        std::vector<long> want;
        for (const auto &e : model) want.push_back(e.second);
        d4tagSelectP(d, d4tag(d, tag));
        EXPECT_EQ(walk(d), want) << tag;
    };
    expectOrder("CCNO", byCuno);
    expectOrder("CFIRST", byFirst);
    xbase::VerifyResult v = xbase::verifyTable(*d);
    EXPECT_TRUE(v.clean()) << (v.faults.empty() ? "" : v.faults[0].text);
    EXPECT_EQ(v.entries, uint64_t(3 * kRecords));

    // Every third record goes; the pack rebuilds the three tags from what is left.
    d4tagSelectP(d, nullptr);
    for (long r = 3; r <= kRecords; r += 3) {
        ASSERT_EQ(d4go(d, r), 0);
        d4delete(d);
    }
    ASSERT_EQ(d4pack(d), 0) << code4errorText(c);
    std::vector<std::pair<std::string, long>> keptFirst;
    long recno = 0;
    for (const auto &e : byFirst)
        if (e.second % 3 != 0) keptFirst.push_back({e.first, ++recno});
    expectOrder("CFIRST", keptFirst);
    v = xbase::verifyTable(*d);
    EXPECT_TRUE(v.clean()) << (v.faults.empty() ? "" : v.faults[0].text);
    EXPECT_EQ(v.records, uint32_t(kRecords - kRecords / 3));
}

TEST_F(TableTest, EmptyTableAndNoTag)
{
    DATA4 *d = open();
    EXPECT_EQ(d4top(d), 3);
    EXPECT_EQ(d4bottom(d), 3);
    append(d, 1, "A");
    append(d, 2, "B");
    EXPECT_EQ(d4top(d), 0);
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_EQ(d4skip(d, 1), 0);
    EXPECT_EQ(d4skip(d, 1), 3);
    EXPECT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(d4skip(d, -1), 4);
    EXPECT_LT(d4go(d, 3), 0);
    code4errorCode(c, 0);
    EXPECT_LT(d4seek(d, "A"), 0);
}

TEST_F(TableTest, StoreChangingKeyMovesTheEntry)
{
    DATA4 *d = open();
    append(d, 1, "Baker");
    append(d, 2, "Carter");
    append(d, 3, "Dole");
    TAG4INFO tags[] = {{"CNAME", "UPPER(LAST)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
    ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "CNAME"));
    ASSERT_EQ(d4go(d, 1), 0);
    f4assign(d4field(d, "LAST"), "Zeta");
    ASSERT_EQ(d4flush(d), 0);
    EXPECT_EQ(walk(d), (std::vector<long>{2, 3, 1}));
    // An appended record is in the order as soon as anybody looks.
    append(d, 4, "Abel");
    EXPECT_EQ(walk(d), (std::vector<long>{4, 2, 3, 1}));
    d4close(d);
    d = open();
    d4tagSelectP(d, d4tag(d, "CNAME"));
    EXPECT_EQ(walk(d), (std::vector<long>{4, 2, 3, 1}));
}

TEST_F(TableTest, DeletedRecordsStayVisibleUntilPack)
{
    DATA4 *d = open();
    for (int i = 1; i <= 5; ++i) {
        append(d, i, ("N" + std::to_string(i)).c_str());
        f4memoAssign(d4field(d, "NOTES"), ("memo " + std::to_string(i)).c_str());
    }
    TAG4INFO tags[] = {{"CCNO", "STR(CUNO,6)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
    ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "CCNO"));
    d4go(d, 2);
    d4delete(d);
    d4go(d, 4);
    d4delete(d);
    EXPECT_EQ(d4deleted(d), 1);
    EXPECT_EQ(walk(d).size(), 5u);
    d4go(d, 4);
    EXPECT_EQ(d4deleted(d), 1);
    ASSERT_EQ(d4pack(d), 0) << code4errorText(c);
    EXPECT_EQ(d4recCountDo(d), 3);
    EXPECT_EQ(walk(d), (std::vector<long>{1, 2, 3}));
    std::vector<std::string> memos;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1))
        memos.push_back(f4memoStr(d4field(d, "NOTES")));
    EXPECT_EQ(memos, (std::vector<std::string>{"memo 1", "memo 3", "memo 5"}));
    ASSERT_EQ(d4memoCompress(d), 0) << code4errorText(c);
    memos.clear();
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1))
        memos.push_back(f4memoStr(d4field(d, "NOTES")));
    EXPECT_EQ(memos, (std::vector<std::string>{"memo 1", "memo 3", "memo 5"}));
    ASSERT_EQ(d4zap(d, 1, d4recCountDo(d)), 0);
    EXPECT_EQ(d4recCountDo(d), 0);
    EXPECT_EQ(d4top(d), 3);
}

} // namespace

namespace {

// The fraction is estimated from the pages on the cursor's path; on a bulk-built tree it is
// close to the true place, and it never runs backwards along the order.
TEST_F(TableTest, PositionFollowsTheOrder)
{
    DATA4 *d = open();
    c->syncOnFlush = false;
    const long n = 20000;
    for (long i = 0; i < n; ++i) append(d, int((i * 7919) % n) + 1, "x");
    TAG4INFO tags[] = {{"CCNO", "STR(CUNO,6)", nullptr, 0, 0}, {nullptr, nullptr, nullptr, 0, 0}};
    ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "CCNO"));

    auto worstError = [&](double *worst) {
        long index = 0;
        double previous = -1;
        *worst = 0;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1), ++index) {
            const double p = d4position2(d);
            ASSERT_GE(p, previous) << "at " << index;
            ASSERT_LE(p, 1.0);
            previous = p;
            *worst = std::max(*worst, std::abs(p * double(d4recCountDo(d)) - double(index)));
        }
        ASSERT_EQ(index, d4recCountDo(d));
    };
    double worst = 0;
    ASSERT_NO_FATAL_FAILURE(worstError(&worst));
    EXPECT_LT(worst, 0.005 * n) << "bulk-built tree";
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(d4position2(d), 0.0);

    // After many single inserts the pages are filled unevenly; the children read along the
    // path keep the estimate close all the same.
    for (long i = 0; i < 5000; ++i) append(d, int((i * 104729) % n) + 1, "y");
    ASSERT_NO_FATAL_FAILURE(worstError(&worst));
    EXPECT_LT(worst, 0.005 * double(d4recCountDo(d))) << "after inserts";
}

} // namespace
