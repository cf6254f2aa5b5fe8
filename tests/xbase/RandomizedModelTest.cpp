// Thousands of mixed operations against an in-memory model: appends, key changes, deletes,
// packs, seeks and skips, on tags whose pages hold few keys so that the trees split, merge
// and grow several levels deep. After each batch every tag walk and many seeks are compared
// with the model.
//
// Each history runs with the engine's page cache as it comes, and again with a cache of one
// page and of eight: there every lookup evicts, so a page pointer held across a read, or a
// dirty page lost on eviction, shows up as a wrong walk instead of hiding in a large cache.
// Eight pages also let the two tags take pages from each other and read a few ahead.

#include "support/TempDir.h"
#include "xbase/EngineApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using testsupport::TempDir;

struct Row
{
    std::string name;  // 60 characters wide: 12 keys to a page
    int number = 0;
    bool deleted = false;
};

class Model
{
public:
    std::vector<Row> rows;  // index = recno - 1

    static std::string pad(std::string s, size_t w)
    {
        s.resize(w, ' ');
        return s;
    }
    static std::string upper(std::string s)
    {
        for (char &c : s)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return s;
    }
    static std::string numberKey(int n)
    {
        std::string s = std::to_string(n);
        return std::string(s.size() < 6 ? 6 - s.size() : 0, ' ') + s;
    }
    std::string nameKey(const Row &r) const { return upper(pad(r.name, 60)); }
    std::string numKey(const Row &r) const { return numberKey(r.number); }

    // (key, recno) in order for one tag.
    std::vector<std::pair<std::string, long>> order(bool byName) const
    {
        std::vector<std::pair<std::string, long>> out;
        for (size_t i = 0; i < rows.size(); ++i)
            out.emplace_back(byName ? nameKey(rows[i]) : numKey(rows[i]), long(i + 1));
        std::sort(out.begin(), out.end());
        return out;
    }
};

// (seed, page cache budget)
class RandomizedModelTest : public ::testing::TestWithParam<std::tuple<unsigned, size_t>>
{
protected:
    void SetUp() override
    {
        std::string err;
        base = dir.file("RND");
        std::vector<xbase::FieldInfo> fields{{"NAME", 'C', 60, 0}, {"NUM", 'N', 6, 0}};
        ASSERT_TRUE(xbase::DbfFile::create(base + ".dbf", fields, &err)) << err;
        c = code4initP();
        c->syncOnFlush = false;  // thousands of flushes; durability is tested elsewhere
        c->pageCache().setBudget(std::get<1>(GetParam()));
        d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr);
        TAG4INFO real[] = {{"BYNAME", "UPPER(NAME)", nullptr, 0, 0},
                           {"BYNUM", "STR(NUM,6)", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
        ASSERT_EQ(i4create(d, nullptr, real), 0) << code4errorText(c);
        name = d4field(d, "NAME");
        num = d4field(d, "NUM");
    }
    void TearDown() override { code4initUndoP(c); }

    std::string randomName()
    {
        // Few distinct prefixes, so equal keys and shared prefixes are common.
        static const char *stems[] = {"smith", "Smith", "jones", "ADAMS", "baker", "b", "", "zed"};
        std::string s = stems[rng() % 8];
        if (rng() % 3) s += std::to_string(rng() % 50);
        return s;
    }

    void append()
    {
        Row r{randomName(), int(rng() % 300), false};
        ASSERT_EQ(d4appendBlank(d), 0);
        f4assign(name, r.name.c_str());
        f4assignInt(num, r.number);
        model.rows.push_back(r);
        if (rng() % 4 == 0) {
            ASSERT_EQ(d4flush(d), 0);
        }
    }

    void change()
    {
        if (model.rows.empty()) return;
        long recno = long(rng() % model.rows.size()) + 1;
        ASSERT_EQ(d4go(d, recno), 0);
        Row &r = model.rows[size_t(recno - 1)];
        switch (rng() % 4) {
        case 0: r.name = randomName(); f4assign(name, r.name.c_str()); break;
        case 1: r.number = int(rng() % 300); f4assignInt(num, r.number); break;
        case 2: r.deleted = !r.deleted; r.deleted ? d4delete(d) : d4recall(d); break;
        default:
            r.name = randomName();
            r.number = int(rng() % 300);
            f4assign(name, r.name.c_str());
            f4assignInt(num, r.number);
        }
        if (rng() % 3 == 0) {
            ASSERT_EQ(d4flush(d), 0);
        }
    }

    // Moves every record whose name starts with `stem` to the far end of the name order,
    // emptying whole pages so that they must borrow from or merge with their siblings.
    void drain(const std::string &stem)
    {
        for (size_t i = 0; i < model.rows.size(); ++i) {
            Row &r = model.rows[i];
            if (Model::upper(r.name).rfind(Model::upper(stem), 0) != 0) continue;
            ASSERT_EQ(d4go(d, long(i + 1)), 0);
            r.name = "~" + r.name;
            f4assign(name, r.name.c_str());
        }
        ASSERT_EQ(d4flush(d), 0);
    }

    void pack()
    {
        ASSERT_EQ(d4pack(d), 0) << code4errorText(c);
        std::vector<Row> kept;
        for (const Row &r : model.rows)
            if (!r.deleted) kept.push_back(r);
        model.rows = kept;
    }

    void compareWalks(bool byName)
    {
        d4tagSelectP(d, d4tag(d, byName ? "BYNAME" : "BYNUM"));
        auto expected = model.order(byName);
        std::vector<long> forward, backward, want;
        for (auto &e : expected) want.push_back(e.second);
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) forward.push_back(d4recNo(d));
        for (int rc = d4bottom(d); rc == 0; rc = d4skip(d, -1)) backward.push_back(d4recNo(d));
        std::reverse(backward.begin(), backward.end());
        ASSERT_EQ(forward, want) << (byName ? "BYNAME" : "BYNUM") << " forward";
        ASSERT_EQ(backward, want) << (byName ? "BYNAME" : "BYNUM") << " backward";
        for (size_t i = 0; i < model.rows.size(); ++i) {
            ASSERT_EQ(d4go(d, long(i + 1)), 0);
            ASSERT_EQ(d4deleted(d), model.rows[i].deleted ? 1 : 0);
        }
    }

    void compareSeeks(bool byName)
    {
        d4tagSelectP(d, d4tag(d, byName ? "BYNAME" : "BYNUM"));
        auto expected = model.order(byName);
        for (int i = 0; i < 40; ++i) {
            std::string probe = byName ? Model::upper(randomName())
                                       : Model::numberKey(int(rng() % 310)).substr(0, 6);
            if (byName && rng() % 2 && !probe.empty()) probe.pop_back();  // a shorter prefix
            auto it = std::lower_bound(expected.begin(), expected.end(),
                                       std::make_pair(probe, 0L));
            int rc = d4seek(d, probe.c_str());
            if (it == expected.end()) {
                ASSERT_EQ(rc, 3) << "seek \"" << probe << "\"";
                continue;
            }
            bool prefix = it->first.compare(0, probe.size(), probe) == 0;
            ASSERT_EQ(rc, prefix ? 0 : 2) << "seek \"" << probe << "\"";
            ASSERT_EQ(d4recNo(d), it->second) << "seek \"" << probe << "\"";
            // Skipping from a sought record lands where the model says.
            long step = long(rng() % 30) - 10;
            long target = long(it - expected.begin()) + step;
            rc = d4skip(d, step);
            if (target >= long(expected.size())) {
                ASSERT_EQ(rc, 3);
            } else if (target < 0) {
                ASSERT_EQ(rc, 4);
                ASSERT_EQ(d4recNo(d), expected.front().second);
            } else {
                ASSERT_EQ(rc, 0);
                ASSERT_EQ(d4recNo(d), expected[size_t(target)].second);
            }
        }
    }

    TempDir dir;
    std::string base;
    CODE4 *c = nullptr;
    DATA4 *d = nullptr;
    FIELD4 *name = nullptr;
    FIELD4 *num = nullptr;
    Model model;
    std::mt19937 rng{std::get<0>(GetParam())};
};

TEST_P(RandomizedModelTest, MixedOperationsMatchTheModel)
{
    for (int round = 0; round < 30; ++round) {
        // Grow early, then churn: the trees split, then empty pages merge away.
        const int appends = round < 12 ? 60 : 10;
        for (int i = 0; i < appends; ++i) ASSERT_NO_FATAL_FAILURE(append());
        for (int i = 0; i < 80; ++i) ASSERT_NO_FATAL_FAILURE(change());
        if (round % 7 == 6) {
            ASSERT_NO_FATAL_FAILURE(pack());
        }
        if (round == 14 || round == 15) {
            ASSERT_NO_FATAL_FAILURE(drain(round == 14 ? "smith" : "jones"));
        }
        if (round == 16) {
            // The drained pages went back to the free list.
            ASSERT_EQ(d4flush(d), 0);
            FILE *f = fopen(dir.file("BYNAME.ntx").c_str(), "rb");
            ASSERT_NE(f, nullptr);
            unsigned char h[12];
            ASSERT_EQ(fread(h, 1, 12, f), 12u);
            fclose(f);
            EXPECT_NE(h[8] | h[9] | h[10] | h[11], 0) << "no page was freed";
        }
        if (round % 10 == 9) {
            // Everything survives a close and reopen.
            d4close(d);
            d = d4open(c, base.c_str());
            ASSERT_NE(d, nullptr) << code4errorText(c);
            name = d4field(d, "NAME");
            num = d4field(d, "NUM");
        }
        ASSERT_NO_FATAL_FAILURE(compareWalks(true));
        ASSERT_NO_FATAL_FAILURE(compareWalks(false));
        ASSERT_NO_FATAL_FAILURE(compareSeeks(true));
        ASSERT_NO_FATAL_FAILURE(compareSeeks(false));
    }
    for (const auto &t : d->tags()) {
        uint64_t entries = 0;
        std::string err;
        ASSERT_TRUE(const_cast<xbase::Tag &>(*t).file().checkTree(&entries, &err)) << err;
        EXPECT_EQ(entries, model.rows.size());
    }
}

// Several seeds: each drives a different history through splits and merges.
INSTANTIATE_TEST_SUITE_P(
    Seeds, RandomizedModelTest,
    ::testing::Combine(::testing::Values(1u, 2u, 3u, 42u),
                       ::testing::Values(xbase::PageCache::kDefaultBudget, size_t(1), size_t(8))),
    [](const ::testing::TestParamInfo<RandomizedModelTest::ParamType> &info) {
        return "seed" + std::to_string(std::get<0>(info.param)) + "_cache" +
               std::to_string(std::get<1>(info.param));
    });

} // namespace
