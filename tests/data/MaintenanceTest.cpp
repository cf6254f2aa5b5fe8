// Index rebuild and pack over the supplied tables: which files the quiet rebuild touches, the
// progress of the full rebuild and of pack all, and what pack all leaves alone.

#include "DataFixture.h"

#include "core/Status.h"
#include "data/Maintenance.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>

namespace {

using data::TableId;

// Index and group files by name, with their inode and modification time.
using FileMarks = std::map<std::string, std::pair<ino_t, std::filesystem::file_time_type>>;
FileMarks indexFiles(const std::string &dir)
{
    FileMarks out;
    for (auto &e : std::filesystem::directory_iterator(dir)) {
        const auto ext = e.path().extension();
        if (ext != ".ntx" && ext != ".cgp") continue;
        struct stat st;
        stat(e.path().c_str(), &st);
        out[e.path().filename().string()] = {st.st_ino, e.last_write_time()};
    }
    return out;
}

// Dates every index and group file back a year, so that a file written since shows a newer
// time whatever inode it got (a removed file's inode may be given to its replacement).
void ageIndexFiles(const std::string &dir)
{
    for (auto &[name, mark] : indexFiles(dir))
        std::filesystem::last_write_time(std::filesystem::path(dir) / name,
                                         mark.second - std::chrono::hours(24 * 365));
}

class MaintenanceTest : public DataFixture
{
protected:
    void addRecords(TableId id, int n)
    {
        ASSERT_TRUE(store->open(id));
        DATA4 *d = store->data(id);
        for (int i = 1; i <= n; ++i) {
            ASSERT_EQ(d4appendBlank(d), 0);
            f4assignInt(store->field(id, 0), i);  // the first field is a number or an ID
        }
        store->closeAll();
    }
    void deleteRecords(TableId id, std::initializer_list<long> recnos)
    {
        ASSERT_TRUE(store->open(id));
        for (long r : recnos) {
            ASSERT_EQ(d4go(store->data(id), r), 0);
            d4delete(store->data(id));
        }
        store->closeAll();
    }
    long count(TableId id)
    {
        EXPECT_TRUE(store->open(id));
        long n = d4recCountDo(store->data(id));
        store->closeAll();
        return n;
    }

    core::RecordingStatus status;
};

TEST_F(MaintenanceTest, FullRebuildReportsItsProgress)
{
    data::RebuildIndexes(*store, status, false);
    EXPECT_EQ(status.percentages(), (QList<int>{5, 25, 30, 35, 40, 60, 80, 85, 90, 99, 100}));
    EXPECT_EQ(status.log().first(), "status:Rebuilding Indexes");
    EXPECT_EQ(status.log().last(), "status:Done");
    // Ten group files and nineteen tags.
    EXPECT_EQ(indexFiles(dir.path()).size(), 29u);
    EXPECT_EQ(store->engine()->accessMode, 0);
    EXPECT_TRUE(store->engine()->autoOpen);
    EXPECT_TRUE(store->engine()->safety);
}

TEST_F(MaintenanceTest, QuietRebuildTouchesOnlyTablesMissingFiles)
{
    data::RebuildIndexes(*store, status, false);
    ageIndexFiles(dir.path());
    const auto before = indexFiles(dir.path());
    status.clear();

    data::RebuildIndexes(*store, status, true);  // everything there: nothing touched
    EXPECT_EQ(indexFiles(dir.path()), before);

    std::filesystem::remove(file("CZip.ntx"));
    std::filesystem::remove(file("EstItm.cgp"));
    data::RebuildIndexes(*store, status, true);
    const auto after = indexFiles(dir.path());
    ASSERT_EQ(after.size(), before.size());
    for (const auto &[name, mark] : after) {
        const bool rebuilt = name == "CName.ntx" || name == "CCNO.ntx" || name == "CZip.ntx" ||
                             name == "cComp.ntx" || name == "CUST6.cgp" ||
                             name == "EstItm.ntx" || name == "EstItm.cgp";
        if (rebuilt)
            EXPECT_TRUE(!before.count(name) || before.at(name).second < mark.second) << name;
        else EXPECT_EQ(before.at(name), mark) << name << " was rewritten";
    }
    EXPECT_TRUE(status.events().isEmpty());
}

TEST_F(MaintenanceTest, PackAllDropsDeletedRecordsButNotEstimates)
{
    data::RebuildIndexes(*store, status, true);
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::CUST6, 5));
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::Est, 3));
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::EstItm, 3));
    ASSERT_NO_FATAL_FAILURE(deleteRecords(TableId::CUST6, {2, 4}));
    ASSERT_NO_FATAL_FAILURE(deleteRecords(TableId::Est, {1}));
    ASSERT_NO_FATAL_FAILURE(deleteRecords(TableId::EstItm, {2}));
    store->packPending = true;
    status.clear();

    data::PackAll(*store, status);
    EXPECT_EQ(count(TableId::CUST6), 3);
    EXPECT_EQ(count(TableId::Est), 3);
    EXPECT_EQ(count(TableId::EstItm), 3);
    EXPECT_FALSE(store->packPending);
    EXPECT_EQ(status.percentages(), (QList<int>{10, 30, 35, 50, 70, 75, 85, 100}));
    EXPECT_EQ(status.log().first(), "status:Packing Data Files");
    EXPECT_EQ(status.text(), "");
    // The number order still holds the three left, in order.
    ASSERT_TRUE(store->OpenCUST6());
    DATA4 *d = store->data(TableId::CUST6);
    d4tagSelectP(d, d4tag(d, "CCNO"));
    std::vector<long> numbers;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) numbers.push_back(f4long(store->field(TableId::CUST6, 0)));
    EXPECT_EQ(numbers, (std::vector<long>{1, 3, 5}));
}

TEST_F(MaintenanceTest, PackSkipsATableThatCannotBeOpened)
{
    data::RebuildIndexes(*store, status, true);
    ASSERT_NO_FATAL_FAILURE(addRecords(TableId::PMT, 4));
    ASSERT_NO_FATAL_FAILURE(deleteRecords(TableId::PMT, {1}));
    std::filesystem::remove(file("GROUPS.dbf"));
    std::filesystem::remove(file("CUST6.dbt"));
    data::PackAll(*store, status);
    EXPECT_EQ(count(TableId::PMT), 3);
    EXPECT_TRUE(prompts.shown().isEmpty()) << prompts.shown().join(" | ").toStdString();
}

} // namespace
