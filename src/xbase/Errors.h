#pragma once

// Result and error codes of the table engine.
//
// Movement results (r4*) are small non-negative numbers that callers test directly.
// Errors (e4*) are negative; the engine records the last one in the engine handle
// (code4errorCode) together with a message naming the file and what was wrong.

namespace xbase {

enum Result : int {
    r4success = 0,
    r4found = 0,  // d4seek: a key starting with the search key
    r4after = 2,  // d4seek: positioned on the next greater key
    r4eof = 3,    // past the last record
    r4bof = 4,    // before the first record
    r4noAppend = 5,
};

enum Error : int {
    e4none = 0,
    e4open = -60,      // a file could not be opened or found
    e4create = -20,    // a file could not be created
    e4read = -40,      // a read failed or came back short
    e4write = -70,     // a write failed (disk full, read-only)
    e4lock = -50,      // another process holds the table
    e4data = -200,     // a table (.dbf) is malformed
    e4memo = -210,     // a memo file (.dbt) is malformed or a memo is refused
    e4index = -310,    // an index file (.ntx) is malformed
    e4group = -320,    // a group file (.cgp) is malformed or names a missing tag
    e4tagName = -330,  // no tag of that name
    e4expr = -400,     // a key expression could not be parsed or evaluated
    e4fieldName = -210 - 1,
    e4value = -230,    // a value does not fit its field (numeric overflow)
    e4record = -240,   // a record number out of range
    e4exists = -250,   // safety is on and an index file already exists
    e4param = -300,    // a call made no sense (closed table, bad argument)
};

} // namespace xbase
