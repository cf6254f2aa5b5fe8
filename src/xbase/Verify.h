#pragma once

// Checks that every open tag of a table agrees with the table's records: the tree is sound,
// its entries ascend in (key, record number) order, every record has exactly one entry, and
// each entry's key is the tag's expression evaluated on its record. Deleted records are
// indexed like live ones, so they must be there too.
//
// The check reads and never repairs. It flushes the table first (a pending change of the
// current record is written, so the tags are compared with what is on disk) and moves the
// tags' cursors; the table finds its own place again on its next move.
//
// Cost, per tag: one walk of the tree and one physical scan of the table for each chunk of
// record numbers whose keys fit `keyBudgetBytes` (one chunk for all but huge tables), plus a
// bitmap of one bit per record. Entries are compared with keys computed from the scan, so no
// record is read at random.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xbase {

class Table;

struct VerifyFault
{
    enum class Kind {
        Unreadable,  // the table or the tag could not be read through; later checks skipped
        Structure,   // the tree is malformed (page bounds, depths, loops)
        Order,       // an entry does not come after the one before it
        BadRecord,   // an entry names a record number the table does not have
        Duplicate,   // a record has more than one entry
        Missing,     // a record has no entry
        KeyMismatch, // an entry's key is not the key of its record
    };
    Kind kind = Kind::Structure;
    std::string tag;
    uint32_t recno = 0; // 0 when the fault is not about one record
    std::string text;   // one line naming the tag, the record and what is wrong
};

struct VerifyOptions
{
    // Faults of one tag beyond this many are counted but not listed: a tag that missed a
    // million appends should not produce a million lines.
    size_t maxFaultsPerTag = 100;
    // Memory for the keys computed from one chunk of records.
    size_t keyBudgetBytes = size_t(16) << 20;
};

struct VerifyResult
{
    std::vector<VerifyFault> faults; // listed faults, tag by tag in the table's tag order
    uint64_t faultCount = 0;         // all faults found, listed or not
    uint32_t records = 0;
    size_t tags = 0;
    uint64_t entries = 0; // entries walked over all tags
    bool clean() const { return faultCount == 0; }
};

// `table` must be open; its open tags are the ones checked (open it with automatic opening
// to check its group file's tags). A table without tags verifies clean.
VerifyResult verifyTable(Table &table, const VerifyOptions &options = {});

} // namespace xbase
