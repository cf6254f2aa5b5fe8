// The table verifier against tables damaged the way they get damaged in practice: a record
// changed behind the indexes' back, records appended while the tags were not open, and bytes
// of an index page overwritten.

#include "xbase/Verify.h"
#include "support/TempDir.h"
#include "xbase/EngineApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;
using Kind = xbase::VerifyFault::Kind;

struct Person
{
    const char *name;
    int cuno;
    const char *city;
};

// In UPPER(NAME) order the records come 1, 2, 3, ...
const Person kPeople[] = {{"Adams", 3, "Oslo"},   {"brown", 1, "Bergen"}, {"Clark", 6, "Oslo"},
                          {"Davis", 2, "Tromso"}, {"Evans", 5, "Bergen"}, {"Ford", 4, "Oslo"}};

std::string kindName(Kind k)
{
    switch (k) {
    case Kind::Unreadable:
        return "unreadable";
    case Kind::Structure:
        return "structure";
    case Kind::Order:
        return "order";
    case Kind::BadRecord:
        return "bad record";
    case Kind::Duplicate:
        return "duplicate";
    case Kind::Missing:
        return "missing";
    case Kind::KeyMismatch:
        return "mismatch";
    }
    return "?";
}

// "TAG kind recno" per listed fault, in the verifier's order.
std::vector<std::string> brief(const xbase::VerifyResult &r)
{
    std::vector<std::string> out;
    for (const auto &f : r.faults)
        out.push_back(f.tag + " " + kindName(f.kind) + " " + std::to_string(f.recno));
    return out;
}

std::vector<unsigned char> readAt(const std::string &path, long offset, size_t n)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(offset);
    std::vector<unsigned char> bytes(n);
    in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(n));
    EXPECT_TRUE(in.good()) << path << " @" << offset;
    return bytes;
}

void writeAt(const std::string &path, long offset, const std::vector<unsigned char> &bytes)
{
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(offset);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path << " @" << offset;
}

unsigned u16(const std::vector<unsigned char> &b, size_t at)
{
    return b[at] | (b[at + 1] << 8);
}
uint32_t u32(const std::vector<unsigned char> &b, size_t at)
{
    return uint32_t(u16(b, at)) | (uint32_t(u16(b, at + 2)) << 16);
}
void putU32(std::vector<unsigned char> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

class VerifyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        c = code4initP();
        c->exitHook = [] { FAIL() << "the engine tried to end the program"; };
    }
    void TearDown() override { code4initUndoP(c); }

    // A new empty table in its own folder under the test's directory.
    void create(const std::string &folder)
    {
        where = dir.file(folder);
        std::filesystem::create_directory(where);
        base = where + "/PEOPLE";
        std::string err;
        ASSERT_TRUE(xbase::DbfFile::create(
            base + ".dbf", {{"NAME", 'C', 20, 0}, {"CUNO", 'N', 6, 0}, {"CITY", 'C', 12, 0}}, &err))
            << err;
    }

    DATA4 *open(bool autoOpen = true)
    {
        code4autoOpen(c, autoOpen);
        DATA4 *d = d4open(c, base.c_str());
        EXPECT_NE(d, nullptr) << code4errorText(c);
        return d;
    }

    void append(DATA4 *d, const Person &p)
    {
        ASSERT_EQ(d4appendBlank(d), 0) << code4errorText(c);
        f4assign(d4field(d, "NAME"), p.name);
        f4assignLong(d4field(d, "CUNO"), p.cuno);
        f4assign(d4field(d, "CITY"), p.city);
    }

    // Writes `count` people (kPeople over and over, numbered on) and four tags, and closes.
    void build(int count = 6, const std::string &folder = "t")
    {
        create(folder);
        DATA4 *d = open();
        ASSERT_TRUE(d);
        for (int i = 0; i < count; ++i) {
            Person p = kPeople[i % 6];
            std::string name = p.name + std::string(i >= 6 ? std::to_string(i) : "");
            p.name = name.c_str();
            p.cuno = i >= 6 ? i + 1 : p.cuno;
            append(d, p);
        }
        TAG4INFO tags[] = {{"NAME", "UPPER(NAME)", nullptr, 0, 0},
                           {"CUNO", "STR(CUNO,6)", nullptr, 0, 0},
                           {"CITY", "CITY+NAME", nullptr, 0, 0},
                           {"TOWN", "CITY", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
        ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
        ASSERT_EQ(d4close(d), 0);
    }

    // Verifies with all keys in memory at once and again one record per chunk, which must
    // find the same faults (in another order: a chunk's key checks come with its walk).
    xbase::VerifyResult verify()
    {
        DATA4 *d = open();
        if (!d) return {};
        xbase::VerifyResult whole = xbase::verifyTable(*d);
        xbase::VerifyOptions tiny;
        tiny.keyBudgetBytes = 1;
        xbase::VerifyResult chunked = xbase::verifyTable(*d, tiny);
        std::vector<std::string> a = brief(whole), b = brief(chunked);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        EXPECT_EQ(b, a);
        EXPECT_EQ(chunked.faultCount, whole.faultCount);
        d4close(d);
        return whole;
    }

    std::string ntx(const char *tag) const { return where + "/" + tag + ".ntx"; }

    TempDir dir;
    std::string where;
    std::string base;
    CODE4 *c = nullptr;
};

TEST_F(VerifyTest, FreshIndexesAreClean)
{
    build();
    // Deleted records stay in the tags and must not count as faults.
    DATA4 *d = open();
    ASSERT_EQ(d4go(d, 2), 0);
    d4delete(d);
    ASSERT_EQ(d4close(d), 0);

    xbase::VerifyResult r = verify();
    EXPECT_TRUE(r.clean()) << (r.faults.empty() ? "" : r.faults[0].text);
    EXPECT_EQ(r.tags, 4u);
    EXPECT_EQ(r.records, 6u);
    EXPECT_EQ(r.entries, 24u);
}

TEST_F(VerifyTest, RecordChangedBehindTheIndexes)
{
    build();
    const auto header = readAt(base + ".dbf", 0, 12);
    const long record3 = long(u16(header, 8) + 2 * u16(header, 10));
    writeAt(base + ".dbf", record3 + 1, {'Z', 'e', 'd', ' ', ' '}); // NAME, the first field

    xbase::VerifyResult r = verify();
    EXPECT_EQ(brief(r), (std::vector<std::string>{"NAME mismatch 3", "CITY mismatch 3"}));
    ASSERT_FALSE(r.faults.empty());
    EXPECT_EQ(r.faults[0].text,
              "tag NAME: record 3: entry key \"CLARK\" but the record's key is \"ZED\"");
}

TEST_F(VerifyTest, RecordsAppendedWhileTheTagsWereClosed)
{
    build();
    DATA4 *d = open(false);
    for (int i = 0; i < 3; ++i)
        append(d, {"Gray", 7 + i, "Oslo"});
    ASSERT_EQ(d4close(d), 0);

    xbase::VerifyResult r = verify();
    std::vector<std::string> expected;
    for (const char *tag : {"NAME", "CUNO", "CITY", "TOWN"})
        for (int recno = 7; recno <= 9; ++recno)
            expected.push_back(std::string(tag) + " missing " + std::to_string(recno));
    EXPECT_EQ(brief(r), expected);

    // Beyond the limit per tag faults are counted, not listed.
    d = open();
    xbase::VerifyOptions few;
    few.maxFaultsPerTag = 2;
    r = xbase::verifyTable(*d, few);
    EXPECT_EQ(r.faultCount, 12u);
    EXPECT_EQ(brief(r),
              (std::vector<std::string>{"NAME missing 7", "NAME missing 8", "CUNO missing 7",
                                        "CUNO missing 8", "CITY missing 7", "CITY missing 8",
                                        "TOWN missing 7", "TOWN missing 8"}));
}

// Damage to the first two entries of a tag whose only page is a leaf: NAME holds
// (ADAMS, 1), (BROWN, 2), ...; TOWN holds (Bergen, 2), (Bergen, 5), (Oslo, 1), ...
// The entries are found through the page's offset array: u16 count, then u16 offsets of the
// item slots; a slot is u32 child, u32 record, the key.
struct LeafDamage
{
    const char *tag;
    const char *firstKey;
    const char *what;
    void (*damage)(std::vector<unsigned char> &page, size_t item0, size_t item1);
    std::vector<std::string> expected;
};

const LeafDamage kLeafDamage[] = {
    {"NAME",
     "ADAMS",
     "first key bytes swapped: BDAMS before AROWN",
     [](std::vector<unsigned char> &p, size_t a, size_t b) { std::swap(p[a + 8], p[b + 8]); },
     {"NAME mismatch 1", "NAME order 2", "NAME mismatch 2"}},
    {"NAME",
     "ADAMS",
     "record number beyond the table",
     [](std::vector<unsigned char> &p, size_t a, size_t) { putU32(p, a + 4, 99); },
     {"NAME bad record 0", "NAME missing 1"}},
    {"NAME",
     "ADAMS",
     "record number of the next entry",
     [](std::vector<unsigned char> &p, size_t a, size_t) { putU32(p, a + 4, 2); },
     {"NAME mismatch 2", "NAME duplicate 2", "NAME missing 1"}},
    {"TOWN",
     "Bergen",
     "equal keys out of record order",
     [](std::vector<unsigned char> &p, size_t a, size_t b) {
         for (size_t i = 4; i < 8; ++i)
             std::swap(p[a + i], p[b + i]);
     },
     {"TOWN order 2"}},
};

TEST_F(VerifyTest, DamagedLeafEntries)
{
    int folder = 0;
    for (const LeafDamage &row : kLeafDamage) {
        SCOPED_TRACE(row.what);
        build(6, "row" + std::to_string(folder++));
        const auto header = readAt(ntx(row.tag), 0, 8);
        const long root = long(u32(header, 4));
        auto page = readAt(ntx(row.tag), root, 1024);
        const size_t item0 = u16(page, 2), item1 = u16(page, 4);
        ASSERT_EQ(u32(page, item0), 0u) << "the root is expected to be a leaf";
        ASSERT_EQ(std::string(reinterpret_cast<char *>(&page[item0 + 8]), strlen(row.firstKey)),
                  row.firstKey);
        row.damage(page, item0, item1);
        writeAt(ntx(row.tag), root, page);

        EXPECT_EQ(brief(verify()), row.expected);
    }
}

TEST_F(VerifyTest, LeafWithAnImpossibleKeyCount)
{
    // Two hundred 20-byte keys need several leaves under a branch root; the second page
    // of the file is the second leaf.
    build(200);
    const auto header = readAt(ntx("NAME"), 0, 8);
    ASSERT_NE(u32(header, 4), 2048u);
    const auto leaf = readAt(ntx("NAME"), 2048, 1024);
    ASSERT_EQ(u32(leaf, u16(leaf, 2)), 0u) << "page 2048 is expected to be a leaf";
    writeAt(ntx("NAME"), 2048, {40, 0}); // the maximum for 20-byte keys is 32

    xbase::VerifyResult r = verify();
    EXPECT_EQ(brief(r), (std::vector<std::string>{"NAME structure 0", "NAME unreadable 0"}));
    ASSERT_EQ(r.faults.size(), 2u);
    EXPECT_NE(r.faults[0].text.find("page 2048 holds 40 keys"), std::string::npos)
        << r.faults[0].text;
}

} // namespace
