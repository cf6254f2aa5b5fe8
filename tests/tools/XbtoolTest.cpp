// The built xbtool program, run as a user runs it: create a table, fill it, index it, look
// into it, damage it and have it found.

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using testsupport::TempDir;

struct Outcome
{
    int status = -1; // the exit status; -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class XbtoolTest : public ::testing::Test
{
protected:
    // Runs xbtool with these arguments, no shell in between.
    Outcome xbtool(const std::vector<std::string> &args)
    {
        const std::string outPath = dir.file("stdout"), errPath = dir.file("stderr");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char *> argv{const_cast<char *>(XBTOOL_PATH)};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        Outcome run;
        const int spawned = posix_spawn(&pid, XBTOOL_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0) << XBTOOL_PATH;
        if (spawned != 0) return run;
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        run.out = slurp(outPath);
        run.err = slurp(errPath);
        return run;
    }

    // Runs xbtool and expects it to succeed.
    std::string ok(const std::vector<std::string> &args)
    {
        Outcome r = xbtool(args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.err, "") << args[0];
        return r.out;
    }

    // The customers table of these tests: three records, the first with a two-line memo.
    void buildCustomers()
    {
        ok({"create", table, "NAME:C:20,CUNO:N:6:0,SINCE:D,NOTES:M"});
        ok({"append", table, "NAME=Adams", "CUNO=3", "SINCE=20240315",
            "NOTES=first line\nsecond\tcolumn \\ end"});
        ok({"append", table, "NAME=brown", "CUNO=1"});
        ok({"append", table, "NAME=Clark", "CUNO=12", "SINCE=19991231"});
        EXPECT_EQ(ok({"index", table, "CNAME=UPPER(NAME);CCUNO=STR(CUNO,6)"}),
                  "indexed 3 records in 2 tags of group CUST\n");
    }

    TempDir dir;
    const std::string table = dir.file("CUST");
};

TEST_F(XbtoolTest, CreateAppendIndexSeekDumpVerify)
{
    buildCustomers();

    const std::string heading = "RECNO\tDEL\tNAME\tCUNO\tSINCE\tNOTES\n";
    EXPECT_EQ(ok({"dump", table}),
              heading + "1\t\tAdams\t     3\t20240315\tfirst line\\nsecond\\tcolumn \\\\ end\n"
                        "2\t\tbrown\t     1\t\t\n"
                        "3\t\tClark\t    12\t19991231\t\n");
    EXPECT_EQ(ok({"dump", table + ".dbf"}), ok({"dump", table}));

    EXPECT_EQ(ok({"seek", table, "CNAME", "BR"}),
              "found 2\n" + heading + "2\t\tbrown\t     1\t\t\n");
    EXPECT_EQ(ok({"seek", table, "CNAME", "BZ"}),
              "after 3\n" + heading + "3\t\tClark\t    12\t19991231\t\n");
    EXPECT_EQ(ok({"seek", table, "ccuno", "     3"}),
              "found 1\n" + heading +
                  "1\t\tAdams\t     3\t20240315\tfirst line\\nsecond\\tcolumn \\\\ end\n");
    EXPECT_EQ(ok({"seek", table, "CNAME", "ZZ"}), "eof\n");

    EXPECT_EQ(ok({"verify", table}), "CUST: 2 tags, 3 records, 6 entries: no faults\n");

    // A record changed behind the indexes' back: NAME of record 2, at header + 1 record + 1.
    {
        std::fstream dbf(table + ".dbf", std::ios::binary | std::ios::in | std::ios::out);
        unsigned char h[12];
        dbf.read(reinterpret_cast<char *>(h), sizeof h);
        const long headerLength = h[8] | (h[9] << 8), recordLength = h[10] | (h[11] << 8);
        dbf.seekp(headerLength + recordLength + 1);
        dbf.write("Z", 1);
        ASSERT_TRUE(dbf.good());
    }
    Outcome broken = xbtool({"verify", table});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "tag CNAME: record 2: entry key \"BROWN\" but the record's key is "
                          "\"ZROWN\"\nCUST: 2 tags, 3 records, 6 entries: 1 fault\n");

    // Rebuilding the tags repairs it.
    ok({"index", table, "CNAME=UPPER(NAME);CCUNO=STR(CUNO,6)"});
    EXPECT_EQ(xbtool({"verify", table}).status, 0);
}

TEST_F(XbtoolTest, ZapAndPackKeepTheTagsInStep)
{
    buildCustomers();
    EXPECT_EQ(ok({"pack", table}), "packed: 3 of 3 records kept\n");
    EXPECT_EQ(ok({"zap", table}), "zapped: 3 records removed\n");
    EXPECT_EQ(ok({"dump", table}), "RECNO\tDEL\tNAME\tCUNO\tSINCE\tNOTES\n");
    EXPECT_EQ(ok({"seek", table, "CNAME", "A"}), "eof\n");
    ok({"append", table, "NAME=Davis"});
    EXPECT_EQ(ok({"verify", table}), "CUST: 2 tags, 1 records, 2 entries: no faults\n");
}

TEST_F(XbtoolTest, InfoShowsHeaderFacts)
{
    buildCustomers();
    const std::string dbf = ok({"info", table + ".dbf"});
    for (const char *line :
         {"version: 0x83 (with memo file)\n", "records: 3\n", "header length: 161\n",
          "record length: 45\n", "  4 NOTES      M  10  0  offset 35\n"})
        EXPECT_NE(dbf.find(line), std::string::npos) << line << " in\n" << dbf;
    EXPECT_NE(ok({"info", table + ".dbt"}).find("next free block: 2\n"), std::string::npos);
    const std::string ntx = ok({"info", dir.file("CCUNO.ntx")});
    for (const char *line :
         {"signature: 0x0006\n", "root page: 1024\n", "key length: 6\n", "item size: 14\n",
          "max keys per page: 62\n", "half page: 31\n", "expression: STR(CUNO,6)\n",
          "tag name: CCUNO\n", "pages: 2 of 1024 bytes, the header included\n",
          "change in progress: no\n"})
        EXPECT_NE(ntx.find(line), std::string::npos) << line << " in\n" << ntx;
    EXPECT_EQ(ok({"info", table + ".cgp"}), "file: " + table +
                                                ".cgp\nkind: group file (.cgp)\ntags: 2\n"
                                                "  CNAME  CNAME.ntx\n  CCUNO  CCUNO.ntx\n");

    // A file left with the change mark says so.
    {
        std::fstream f(dir.file("CCUNO.ntx"), std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(1020);
        f.write("BUSY", 4);
    }
    EXPECT_NE(ok({"info", dir.file("CCUNO.ntx")}).find("change in progress: yes"),
              std::string::npos);

    // A key length that does not match the item size: rejected with the engine's reason.
    {
        std::fstream f(dir.file("CCUNO.ntx"), std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(14);
        f.write("\x07\x00", 2);
    }
    Outcome bad = xbtool({"info", dir.file("CCUNO.ntx")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("item size 14 does not match key length 7"), std::string::npos)
        << bad.err;
    // And the table that depends on it no longer opens for verify.
    Outcome verify = xbtool({"verify", table});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.err.find("CCUNO.ntx"), std::string::npos) << verify.err;
}

TEST_F(XbtoolTest, RefusalsAndErrors)
{
    buildCustomers();
    struct Case
    {
        std::vector<std::string> args;
        int status;
        const char *err; // part of the message on stderr
    };
    const Case cases[] = {
        {{}, 2, "usage: xbtool"},
        {{"frobnicate", table}, 2, "usage: xbtool"},
        {{"seek", table, "CNAME"}, 2, "usage: xbtool"},
        {{"append", table}, 2, "usage: xbtool"},
        {{"info", dir.file("notes.txt")}, 2, "info knows .dbf"},
        {{"create", dir.file("X"), "NAME:Q:5"}, 2, "unknown field type 'Q'"},
        {{"create", dir.file("X"), "NAME:C"}, 2, "a length is needed"},
        {{"create", table, "NAME:C:5"}, 1, "exists already"},
        {{"index", table, "CNAME"}, 2, "write TAG=EXPRESSION"},
        {{"index", table, "CNAME=NOSUCH"}, 1, "unknown field NOSUCH"},
        {{"seek", table, "NOTAG", "A"}, 1, "has no tag NOTAG"},
        {{"append", table, "NOSUCH=1"}, 1, "has no field NOSUCH"},
        {{"append", table, "CUNO=12x"}, 1, "is not a number"},
        {{"append", table, "CUNO=1234567"}, 1, "does not fit"},
        {{"append", table, "SINCE=20230229"}, 1, "is not a date"},
        {{"append", table, "NAME=" + std::string(21, 'x')}, 1, "longer than 20"},
        {{"dump", dir.file("MISSING")}, 1, "cannot find table"},
        {{"info", dir.file("MISSING.dbf")}, 1, "cannot open"},
    };
    for (const Case &c : cases) {
        std::string line;
        for (const std::string &a : c.args)
            line += a + " ";
        SCOPED_TRACE(line);
        Outcome r = xbtool(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    // None of the refused appends wrote a record.
    EXPECT_EQ(ok({"verify", table}), "CUST: 2 tags, 3 records, 6 entries: no faults\n");
}

} // namespace
