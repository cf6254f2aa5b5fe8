// Known bytes of good files are broken; each case expects a specific error from the engine,
// never a crash, and checks what can still be read.

#include "support/TempDir.h"
#include "xbase/EngineApi.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

struct Damage
{
    const char *name;
    const char *file;           // which file of table T
    long offset;                // where to write, or -1 to cut the file to `cutTo` bytes
    std::vector<unsigned char> bytes;
    long cutTo;
    int expectedCode;           // from d4open with automatic opening on
    const char *messagePart;
};

void poke(const std::string &path, long offset, const std::vector<unsigned char> &bytes)
{
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

class CorruptionTest : public ::testing::TestWithParam<Damage>
{
protected:
    void SetUp() override
    {
        base = dir.file("T");
        std::string err;
        std::vector<xbase::FieldInfo> fields{{"CUNO", 'N', 6, 0}, {"NAME", 'C', 20, 0},
                                             {"NOTES", 'M', 10, 0}};
        ASSERT_TRUE(xbase::DbfFile::create(base + ".dbf", fields, &err)) << err;
        ASSERT_TRUE(xbase::MemoFile::create(base + ".dbt", &err)) << err;
        CODE4 *c = code4initP();
        DATA4 *d = d4open(c, base.c_str());
        for (int i = 1; i <= 300; ++i) {
            d4appendBlank(d);
            f4assignInt(d4field(d, "CUNO"), i);
            f4assign(d4field(d, "NAME"), ("N" + std::to_string(i)).c_str());
            f4memoAssign(d4field(d, "NOTES"), "a memo");
        }
        TAG4INFO tags[] = {{"CCNO", "STR(CUNO,6)", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
        ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
        code4initUndoP(c);
    }

    TempDir dir;
    std::string base;
};

TEST_P(CorruptionTest, OpenReportsTheDamage)
{
    const Damage &k = GetParam();
    const std::string path = dir.file(k.file);
    if (k.offset < 0) std::filesystem::resize_file(path, std::uintmax_t(k.cutTo));
    else poke(path, k.offset, k.bytes);

    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    if (k.expectedCode == 0) {
        ASSERT_NE(d, nullptr) << code4errorText(c);
    } else {
        EXPECT_EQ(d, nullptr);
        EXPECT_EQ(c->errorCode(), k.expectedCode) << c->errorText();
        EXPECT_NE(c->errorText().find(k.messagePart), std::string::npos) << c->errorText();
    }
    // A broken index or group file leaves the records readable without them.
    if (std::string(k.file).find(".dbf") == std::string::npos &&
        std::string(k.file).find(".dbt") == std::string::npos) {
        code4errorCode(c, 0);
        code4autoOpen(c, 0);
        DATA4 *plain = d ? d : d4open(c, base.c_str());
        ASSERT_NE(plain, nullptr) << code4errorText(c);
        d4tagSelectP(plain, nullptr);
        long n = 0;
        for (int rc = d4top(plain); rc == 0; rc = d4skip(plain, 1)) ++n;
        EXPECT_EQ(n, 300);
    }
    code4initUndoP(c);
}

const Damage kDamages[] = {
    {"TableCutInsideHeader", "T.dbf", -1, {}, 20, xbase::e4data, "too short"},
    {"TableCutInsideRecords", "T.dbf", -1, {}, 2000, xbase::e4data, "fewer records"},
    {"TableVersionNotSupported", "T.dbf", 0, {0x30}, 0, xbase::e4data, "not supported"},
    {"TableVersionUnknown", "T.dbf", 0, {0x42}, 0, xbase::e4data, "not a dBASE III table"},
    {"TableHeaderLengthZero", "T.dbf", 8, {0, 0}, 0, xbase::e4data, "header length"},
    {"TableRecordLengthWrong", "T.dbf", 10, {40, 0}, 0, xbase::e4data, "does not match"},
    {"TableFieldTypeUnknown", "T.dbf", 32 + 32 + 11, {'X'}, 0, xbase::e4data, "unknown type"},
    {"TableDateFieldWrongLength", "T.dbf", 32 + 11, {'D'}, 0, xbase::e4data, "date field"},
    {"MemoHeaderZero", "T.dbt", 0, {0, 0, 0, 0}, 0, xbase::e4memo, "next free block 0"},
    {"MemoCutToNothing", "T.dbt", -1, {}, 2, xbase::e4memo, "too short"},
    {"IndexSignatureUnknown", "CCNO.ntx", 0, {0x99, 0x00}, 0, xbase::e4index, "signature"},
    {"IndexForCondition", "CCNO.ntx", 0, {0x07, 0x00}, 0, xbase::e4index, "FOR condition"},
    {"IndexKeyLengthZero", "CCNO.ntx", 14, {0, 0}, 0, xbase::e4index, "key length"},
    {"IndexKeyLengthTooLong", "CCNO.ntx", 14, {0x01, 0x02}, 0, xbase::e4index, "key length"},
    {"IndexItemSizeWrong", "CCNO.ntx", 12, {20, 0}, 0, xbase::e4index, "item size"},
    {"IndexMaxKeysOdd", "CCNO.ntx", 18, {61, 0}, 0, xbase::e4index, "max keys"},
    {"IndexRootOutsideFile", "CCNO.ntx", 4, {0, 0, 0, 0x10}, 0, xbase::e4index, "root page"},
    {"IndexRootNotOnPage", "CCNO.ntx", 4, {0x10, 0x04, 0, 0}, 0, xbase::e4index, "root page"},
    {"IndexCutToHeader", "CCNO.ntx", -1, {}, 1024, xbase::e4index, "too short"},
    {"IndexKeyLengthDiffersFromExpression", "CCNO.ntx", 14, {7, 0}, 0, xbase::e4index,
     "item size"},
    {"GroupNamesMissingTag", "T.cgp", 0, {'X', 'X', 'X', 'X'}, 0, xbase::e4group, "missing"},
    {"GroupHasNul", "T.cgp", 1, {0}, 0, xbase::e4group, "cannot be in a tag name"},
};

INSTANTIATE_TEST_SUITE_P(Files, CorruptionTest, ::testing::ValuesIn(kDamages),
                         [](const auto &info) { return std::string(info.param.name); });

class BrokenPagesTest : public CorruptionTest
{
};

// Damage deep inside the tree shows up when the broken page is reached: the move fails with
// an index error and the program goes on.
TEST_F(BrokenPagesTest, BrokenPageGivesAnErrorWhenReached)
{
    // The root is the last page; the first leaf starts at 1024. Give the first leaf more keys
    // than a page holds.
    poke(dir.file("CCNO.ntx"), 1024, {0xFF, 0x00});
    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    ASSERT_NE(d, nullptr) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "CCNO"));
    EXPECT_EQ(d4top(d), xbase::e4index);
    EXPECT_NE(c->errorText().find("more than"), std::string::npos) << c->errorText();
    EXPECT_EQ(d4seek(d, "   299"), 0);  // other pages still answer
    code4initUndoP(c);
}

TEST_F(BrokenPagesTest, BrokenPageReadAheadIsReportedOnlyWhenReached)
{
    // Reading the first leaf brings the leaves after it in the same read. The second leaf is
    // broken: that must not fail the first leaf, and must fail the walk when it gets there.
    poke(dir.file("CCNO.ntx"), 2048, {0xFF, 0x00});
    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    ASSERT_NE(d, nullptr) << code4errorText(c);
    d4tagSelectP(d, d4tag(d, "CCNO"));
    ASSERT_EQ(d4top(d), 0) << code4errorText(c);
    int visited = 1;
    int rc = 0;
    while ((rc = d4skip(d, 1)) == 0) ++visited;
    EXPECT_EQ(rc, xbase::e4index);
    EXPECT_NE(c->errorText().find("page 2048 holds"), std::string::npos) << c->errorText();
    EXPECT_GT(visited, 30);  // the first leaf and the separator after it
    EXPECT_LT(visited, 300);
    code4initUndoP(c);
}

TEST_F(BrokenPagesTest, ChildPointingBackUpIsCaught)
{
    // Point the first child of the root at the root itself: walks must not loop forever.
    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    const uint32_t root = d->tags()[0]->file().rootPage();
    code4initUndoP(c);
    FILE *f = fopen(dir.file("CCNO.ntx").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    unsigned char page[1024];
    fseek(f, long(root), SEEK_SET);
    ASSERT_EQ(fread(page, 1, 1024, f), 1024u);
    const int first = page[2] | (page[3] << 8);
    page[first] = uint8_t(root);
    page[first + 1] = uint8_t(root >> 8);
    page[first + 2] = uint8_t(root >> 16);
    page[first + 3] = uint8_t(root >> 24);
    fseek(f, long(root), SEEK_SET);
    fwrite(page, 1, 1024, f);
    fclose(f);

    c = code4initP();
    EXPECT_EQ(d4open(c, base.c_str()), nullptr);
    EXPECT_EQ(c->errorCode(), xbase::e4index);
    EXPECT_NE(c->errorText().find("points at page"), std::string::npos) << c->errorText();
    code4initUndoP(c);
}

TEST_F(BrokenPagesTest, MemoPointingPastTheEndGivesAnError)
{
    // Record 1's memo block number, at the end of its record, points far past the file.
    const long recordStart = 32 + 3 * 32 + 1;
    poke(dir.file("T.dbf"), recordStart + 1 + 6 + 20, {' ', ' ', ' ', ' ', '9', '9', '9', '9', '9', '9'});
    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    ASSERT_NE(d, nullptr) << code4errorText(c);
    d4go(d, 1);
    EXPECT_STREQ(f4memoStr(d4field(d, "NOTES")), "");
    EXPECT_EQ(c->errorCode(), xbase::e4memo);
    EXPECT_NE(c->errorText().find("beyond the end"), std::string::npos) << c->errorText();
    code4errorCode(c, 0);
    d4go(d, 2);
    EXPECT_STREQ(f4memoStr(d4field(d, "NOTES")), "a memo");
    EXPECT_EQ(c->errorCode(), 0);
    code4initUndoP(c);
}

} // namespace
