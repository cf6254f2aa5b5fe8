// Replays, the way its fuzz target runs it, every file the fuzzers once broke the engine with
// (tests/fixtures/fuzz/<target>/) and every seed they start from (fuzz/corpus/<target>/).
// A broken file must end in an error code or a clean result, never in a crash, a hang or a
// broken rule; a seed is a sound file and must run without any error at all.

#include "fuzz/FuzzHarness.h"
#include "xbase/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fsys = std::filesystem;

struct ReplayCase
{
    std::string target; // dbf, dbt, ntx, cgp
    fsys::path file;
    bool seed;
};

void PrintTo(const ReplayCase &c, std::ostream *os)
{
    *os << c.file;
}

std::vector<ReplayCase> replayCases()
{
    std::vector<ReplayCase> cases;
    const std::pair<const char *, bool> roots[] = {{QUILLORY_FUZZ_FIXTURES, false},
                                                   {QUILLORY_FUZZ_CORPUS, true}};
    for (const auto &[root, seed] : roots) {
        for (const char *target : {"dbf", "dbt", "ntx", "cgp"}) {
            const fsys::path dir = fsys::path(root) / target;
            if (!fsys::is_directory(dir)) continue;
            std::vector<fsys::path> files;
            for (const auto &e : fsys::directory_iterator(dir))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto &f : files)
                cases.push_back({target, f, seed});
        }
    }
    return cases;
}

std::string caseName(const testing::TestParamInfo<ReplayCase> &info)
{
    std::string name = std::string(info.param.seed ? "seed_" : "finding_") + info.param.target +
                       "_" + info.param.file.filename().string();
    for (char &c : name)
        if (!std::isalnum((unsigned char)c)) c = '_';
    return name;
}

// The error each finding comes to now, instead of the fault it once caused.
const std::map<std::string, int> kFindingErrors = {
    // next-free block 0xFFFFFFFF: the memo stored at the top wrapped next-free round to 1
    {"dbt/next-free-block-at-the-top.dbt", xbase::e4memo},
    // an entry for record 0: the table took it as "not positioned" and started over
    {"ntx/leaf-entry-for-record-0.ntx", xbase::e4index},
    // every branch item leads to the same page, five levels deep: 55^4 walks through one leaf
    {"ntx/every-child-the-same-page-five-levels.ntx", xbase::e4index},
};

class FuzzReplay : public testing::TestWithParam<ReplayCase>
{
};

TEST_P(FuzzReplay, EndsInAnErrorCodeOrACleanResult)
{
    const ReplayCase &c = GetParam();
    std::ifstream in(c.file, std::ios::binary);
    ASSERT_TRUE(in) << c.file;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    const auto run = fuzzharness::runnerFor(c.target);
    ASSERT_NE(run, nullptr) << c.target;

    const fuzzharness::Outcome out = run(bytes.data(), bytes.size());

    EXPECT_EQ(out.violation, "") << c.file;
    for (int code : out.errors)
        EXPECT_TRUE(fuzzharness::isKnownError(code)) << "error code " << code << " from " << c.file;
    const auto expected = kFindingErrors.find(c.target + "/" + c.file.filename().string());
    if (!c.seed && expected != kFindingErrors.end()) {
        EXPECT_NE(std::find(out.errors.begin(), out.errors.end(), expected->second),
                  out.errors.end())
            << c.file << " no longer gives error " << expected->second;
    }
    if (c.seed) {
        EXPECT_TRUE(out.opened) << c.file << ": " << out.firstErrorText;
        EXPECT_TRUE(out.errors.empty()) << c.file << ": " << out.firstErrorText;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FuzzReplay, testing::ValuesIn(replayCases()), caseName);

// The replay above is only as good as its list of files.
TEST(FuzzReplayFiles, EveryTargetHasSeeds)
{
    for (const char *target : {"dbf", "dbt", "ntx", "cgp"}) {
        const auto cases = replayCases();
        EXPECT_TRUE(std::any_of(cases.begin(), cases.end(),
                                [&](const ReplayCase &c) { return c.seed && c.target == target; }))
            << "no seed files for " << target;
    }
}

} // namespace
