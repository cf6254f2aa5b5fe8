#pragma once

#include "data/Catalogue.h"

namespace core {
class StatusSink;
}

namespace data {

class DataStore;

// Index rebuild and pack. Both run between commands, with no table open, and leave none open.

// Recreates the index files: quietly (at start-up) only for the tables whose tested index or
// group files are missing, otherwise for all ten indexed tables with progress on `status`. A
// table that cannot be opened or indexed ends the program, after the engine's own message.
void RebuildIndexes(DataStore &store, core::StatusSink &status, bool quiet);

// Removes the records marked deleted from one table, its index files following; with memo
// compaction its memo file is rewritten too. A table that fails to open is left alone, without
// a message.
void PackTable(DataStore &store, TableId table, bool compactMemo);

// Packs the eight main tables in order with progress on `status`, then clears the pack-pending
// flag. The estimate tables are not packed here.
void PackAll(DataStore &store, core::StatusSink &status);

} // namespace data
