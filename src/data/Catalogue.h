#pragma once

#include <string>
#include <vector>

// The one place where the twelve tables are declared: their fields (name, kind, width,
// decimals) in the order the program binds them, their tags, the tag each open selects, and
// what index rebuild and pack do with them. mkdata writes the supplied tables from it, the
// record buffers bind to it, and the index rebuild creates its tags. docs/formats.md lists the
// resulting layouts.
namespace data {

enum class TableId {
    QLR3A, CUST6, GROUPS, ImportF, INV7, ITM5, PMT, Prod5, Pur5, LABELS, Est, EstItm
};
constexpr int kTableCount = 12;

struct FieldDef
{
    const char *name;  // as the program names it; stored upper case
    char type;         // C N D L M
    int length;
    int decimals;
};

struct TagDef
{
    const char *name;
    const char *expression;
};

struct TableDef
{
    TableId id;
    const char *name;       // file name without extension
    std::vector<FieldDef> fields;
    std::vector<TagDef> tags;  // in creation order; empty for tables without indexes
    const char *mainTag;       // selected by open; null for tables without indexes
    const char *tagFailName;   // named in the message when the main tag cannot be selected
    bool hasMemo() const;
    int fieldIndex(const char *name) const;  // case-insensitive; -1 when absent
};

const TableDef &tableDef(TableId id);
const std::vector<TableDef> &catalogue();  // in TableId order

// The index rebuild: tables in order, the files whose absence triggers the quiet rebuild, and
// the progress shown after each in the full rebuild.
struct RebuildStep
{
    TableId table;
    std::vector<const char *> testedFiles;
    int progressAfter;
};
const std::vector<RebuildStep> &rebuildSteps();

// Pack all: tables in order, with or without memo compaction, and the progress shown before.
struct PackStep
{
    TableId table;
    bool compactMemo;
    int progressBefore;
};
const std::vector<PackStep> &packSteps();

// The table files start-up checks, in the order it checks them.
const std::vector<const char *> &tableFilesChecked();

} // namespace data
