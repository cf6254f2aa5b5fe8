#pragma once

// A data directory holding a fresh copy of the supplied tables, with a DataStore over it whose
// prompts are scripted and whose "end the program" is recorded instead.

#include "core/Prompts.h"
#include "core/Status.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

class DataFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (auto &e : std::filesystem::directory_iterator(QUILLORY_SUPPLIED_DATA))
            std::filesystem::copy_file(e.path(), std::filesystem::path(dir.path()) / e.path().filename());
        store = std::make_unique<data::DataStore>(QString::fromStdString(dir.path()), prompts,
                                                  [this] { ++exits; });
        store->startEngine();
        // As at start-up: the supplied tables come without index files.
        core::RecordingStatus quiet;
        data::RebuildIndexes(*store, quiet, true);
    }
    void TearDown() override
    {
        store->closeAll();
        EXPECT_EQ(exits, 0) << "the program was ended; shown: "
                            << prompts.shown().join(QStringLiteral(" | ")).toStdString();
    }
    std::string file(const char *name) const { return dir.file(name); }

    testsupport::TempDir dir;
    core::ScriptedPrompts prompts;
    std::unique_ptr<data::DataStore> store;
    int exits = 0;
};
