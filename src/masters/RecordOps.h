#pragma once

#include "data/Catalogue.h"

#include <QString>

namespace data {
class DataStore;
}

// The record steps every editor takes: reach its record, append a new one, mark one deleted.
// The table must be open.
namespace masters {

// Makes `recno` the current record; false when it cannot be reached (the engine has reported
// why), and the editor must then store nothing.
bool GoRecord(data::DataStore &store, data::TableId table, long recno);

// Appends a blank record and makes it current; on failure shows `failMessage` and returns false.
bool AppendRecord(data::DataStore &store, data::TableId table, const QString &failMessage);

// The record a Save writes: `selection` when positive (false when it cannot be reached), or a
// new record appended (on failure `failMessage` is shown and false returned), whose number
// `selection` then takes.
bool GoOrAppend(data::DataStore &store, data::TableId table, int &selection,
                const QString &failMessage);

// Marks `recno` deleted and sets the pack-pending flag.
void MarkDeleted(data::DataStore &store, data::TableId table, long recno);

// Recalls the current record when it is marked deleted.
void RecallIfDeleted(data::DataStore &store, data::TableId table);

// The current record number.
long CurrentRecord(data::DataStore &store, data::TableId table);

} // namespace masters
