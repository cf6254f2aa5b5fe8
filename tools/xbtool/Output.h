#pragma once

// What xbtool's commands share: exit statuses and how text goes out.

#include <string>

namespace xbtool {

enum Status : int {
    kOk = 0,
    kFailed = 1, // an error, or faults found by verify
    kUsage = 2,  // the arguments make no sense
};

// A field or memo as one tab-separated column: backslash, CR, LF and TAB become \\ \r \n \t,
// so that every record stays on one line and the text can be recovered exactly.
std::string escapeColumn(const std::string &text);

} // namespace xbtool
