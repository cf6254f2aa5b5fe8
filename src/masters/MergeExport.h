#pragma once

#include "Groups.h"

#include <QString>

namespace core {
class StatusSink;
}
namespace data {
class DataStore;
}

// The mail-merge export: the customers of the chosen groups, in postal-code order, as a
// tab-delimited text file for a word processor's mail merge. One line per customer, CR LF,
// Windows-1252, a heading line first; fields are title, first, last, addr1 (under "Company"),
// addr2 to addr4 (under "Addr1" to "Addr3") and zip, each trimmed.
namespace masters {

// CUST6 must be open; its tag CZip is selected. The file is written beside `path` and renamed
// into place, replacing an older file; false when it cannot be written (nothing is left
// behind). Reports progress per customer read.
bool ExportMergeFile(data::DataStore &store, const GroupSelection &groups, const QString &path,
                     core::StatusSink &status);

} // namespace masters
