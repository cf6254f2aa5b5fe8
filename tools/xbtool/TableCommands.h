#pragma once

// The xbtool commands that work on a table. TABLE is the table's path without extension, or
// with ".dbf". Each returns a Status (Output.h): failures write the engine's error text, or
// a message of their own for arguments the engine never sees, to `err`.
//
// Commands that change a table open it exclusively, so they fail rather than write beside a
// running program.

#include <ostream>
#include <string>
#include <vector>

namespace xbtool {

// Heading line "RECNO DEL fields...", then every record in physical order: record number,
// "*" for deleted or nothing, each field as stored without trailing blanks (memos as their
// text), all through escapeColumn and separated by tabs. Tags are not opened, so a table
// whose indexes are broken can still be dumped.
int dumpTable(const std::string &table, std::ostream &out, std::ostream &err);

// Opens the table with its group file and checks every tag (xbase::verifyTable). Prints the
// faults and a summary line; kFailed when there is any fault.
int verifyTableFiles(const std::string &table, std::ostream &out, std::ostream &err);

// `fields` is "NAME:TYPE[:LENGTH[:DECIMALS]],..."; C needs a length, N a length and
// optionally decimals, D, L and M take none (or their fixed one). A .dbt is made when there is
// an M field. Refuses when the table, its memo file or its group file exists already.
int createTable(const std::string &table, const std::string &fields, std::ostream &out,
                std::ostream &err);

// `tags` is "TAG=EXPRESSION;TAG=EXPRESSION...". Builds every tag anew and writes the group
// file named after the table, replacing existing files of the same names.
int indexTable(const std::string &table, const std::string &tags, std::ostream &out,
               std::ostream &err);

// Prints "found N", "after N" or "eof", then (unless eof) the record as dump shows it.
int seekTable(const std::string &table, const std::string &tag, const std::string &key,
              std::ostream &out, std::ostream &err);

// Each assignment is FIELD=VALUE. Every value is checked against its field before anything
// is written, so a refused append leaves the table as it was. Prints "appended record N".
int appendRecord(const std::string &table, const std::vector<std::string> &assignments,
                 std::ostream &out, std::ostream &err);

int packTable(const std::string &table, std::ostream &out, std::ostream &err);
int zapTable(const std::string &table, std::ostream &out, std::ostream &err);

} // namespace xbtool
