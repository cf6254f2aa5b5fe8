#pragma once

// Makes a whole index file from a table: every record's key is computed in one pass over the
// table, the keys are sorted in memory by (key, record number), and the file is written
// bottom-up. Deleted records are indexed like any other. The file is written at exactly
// `path` and not synced; callers build under a temporary name, make the file durable and
// then rename it into place.

#include "DbfFile.h"
#include "KeyExpression.h"

#include <string>

namespace xbase {

// What index creation adds to a tag's file name while it builds the new file. Opening a table
// deletes such a file, left by a build that was cut short; a pack's ".tmp" files are handled
// apart (see the table's recovery on open).
constexpr const char *kIndexBuildSuffix = ".new";

bool buildIndex(DbfFile &dbf, const KeyExpression &expr, const std::string &path,
                const std::string &tagName, std::string *error);

} // namespace xbase
