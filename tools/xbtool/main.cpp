// xbtool: looks into and works on Quillory's tables from the command line.

#include "FileInfo.h"
#include "Output.h"
#include "TableCommands.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsageText[] =
    "usage: xbtool COMMAND ARGUMENTS\n"
    "  info FILE                  header facts of a .dbf, .dbt, .ntx or .cgp file\n"
    "  dump TABLE                 every record in physical order, tab-separated\n"
    "  verify TABLE               checks every tag of the table's group file\n"
    "  create TABLE FIELDS        a new empty table, FIELDS like \"NAME:C:20,CUNO:N:6:0,"
    "NOTES:M\"\n"
    "  index TABLE TAGS           builds tags and the group file, TAGS like "
    "\"CNAME=UPPER(NAME);CCUNO=STR(CUNO,6)\"\n"
    "  seek TABLE TAG KEY         where a key leads in the tag: found, after or eof\n"
    "  append TABLE FIELD=VALUE.. appends one record\n"
    "  pack TABLE                 removes the deleted records\n"
    "  zap TABLE                  removes all records\n"
    "TABLE is a table's path, with or without .dbf. In dump and seek output, backslash, CR,\n"
    "LF and TAB inside a field are written \\\\, \\r, \\n and \\t.\n"
    "Exit status: 0 done, 1 error or faults found, 2 bad arguments.\n";

int usage()
{
    std::cerr << kUsageText;
    return xbtool::kUsage;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usage();
    const std::string &command = args[0];
    const size_t n = args.size() - 1; // arguments after the command
    auto &out = std::cout;
    auto &err = std::cerr;
    int status = xbtool::kUsage;
    if (command == "info" && n == 1)
        status = xbtool::showFileInfo(args[1], out, err);
    else if (command == "dump" && n == 1)
        status = xbtool::dumpTable(args[1], out, err);
    else if (command == "verify" && n == 1)
        status = xbtool::verifyTableFiles(args[1], out, err);
    else if (command == "create" && n == 2)
        status = xbtool::createTable(args[1], args[2], out, err);
    else if (command == "index" && n == 2)
        status = xbtool::indexTable(args[1], args[2], out, err);
    else if (command == "seek" && n == 3)
        status = xbtool::seekTable(args[1], args[2], args[3], out, err);
    else if (command == "append" && n >= 2)
        status = xbtool::appendRecord(args[1], {args.begin() + 2, args.end()}, out, err);
    else if (command == "pack" && n == 1)
        status = xbtool::packTable(args[1], out, err);
    else if (command == "zap" && n == 1)
        status = xbtool::zapTable(args[1], out, err);
    else
        return usage();
    out.flush();
    if (!out) {
        err << "xbtool: cannot write the output\n";
        return xbtool::kFailed;
    }
    if (status == xbtool::kUsage) err << kUsageText;
    return status;
}
