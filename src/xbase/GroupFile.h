#pragma once

// Group file (.cgp): the list of a table's tags, one name per line, CR LF after each.
// Reading also accepts CR, LF, TAB or 0x1A as separators and a last line without an ending;
// a name given with an extension keeps it, otherwise ".ntx" is added by the caller.

#include <string>
#include <vector>

namespace xbase {

bool readGroupFile(const std::string &path, std::vector<std::string> *tags, std::string *error);
// Writes through a temporary file renamed into place.
bool writeGroupFile(const std::string &path, const std::vector<std::string> &tags,
                    std::string *error);

} // namespace xbase
