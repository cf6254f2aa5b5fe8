// A child process is killed in the middle of appending and in the middle of packing; the
// table must then open with every committed record, its tag matching it. A second process
// must not get a table that another holds exclusively.

#include "support/TempDir.h"
#include "xbase/EngineApi.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testsupport::TempDir;
namespace stdfs = std::filesystem;

std::string numberKey(long n)
{
    std::string s = std::to_string(n);
    return std::string(6 - s.size(), ' ') + s;
}

class CrashSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        base = dir.file("T");
        std::string err;
        std::vector<xbase::FieldInfo> fields{{"CUNO", 'N', 6, 0}, {"NAME", 'C', 30, 0},
                                             {"NOTES", 'M', 10, 0}};
        ASSERT_TRUE(xbase::DbfFile::create(base + ".dbf", fields, &err)) << err;
        ASSERT_TRUE(xbase::MemoFile::create(base + ".dbt", &err)) << err;
        CODE4 *c = code4initP();
        DATA4 *d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr);
        TAG4INFO tags[] = {{"CCNO", "STR(CUNO,6)", nullptr, 0, 0},
                           {"CNAME", "UPPER(NAME)", nullptr, 0, 0},
                           {nullptr, nullptr, nullptr, 0, 0}};
        ASSERT_EQ(i4create(d, nullptr, tags), 0) << code4errorText(c);
        code4initUndoP(c);
    }

    void fill(long n, int deleteEvery)
    {
        CODE4 *c = code4initP();
        c->syncOnFlush = false;
        DATA4 *d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr);
        for (long i = 1; i <= n; ++i) {
            ASSERT_EQ(d4appendBlank(d), 0);
            f4assignLong(d4field(d, "CUNO"), i);
            f4assign(d4field(d, "NAME"), ("Name " + std::to_string(i * 7919 % n)).c_str());
            if (i % 100 == 0) f4memoAssign(d4field(d, "NOTES"), ("memo " + std::to_string(i)).c_str());
            if (deleteEvery && i % deleteEvery == 0) d4delete(d);
        }
        ASSERT_EQ(d4close(d), 0);
        code4initUndoP(c);
    }

    // Opens the table with its tags and checks that the CCNO order holds every record once,
    // in ascending CUNO, and that CNAME holds every record once. Returns the CUNO values.
    std::set<long> checkConsistent()
    {
        std::set<long> seen;
        CODE4 *c = code4initP();
        DATA4 *d = d4open(c, base.c_str());
        EXPECT_NE(d, nullptr) << code4errorText(c);
        if (!d) {
            code4initUndoP(c);
            return seen;
        }
        const long count = d4recCountDo(d);
        FIELD4 *cuno = d4field(d, "CUNO");
        d4tagSelectP(d, d4tag(d, "CCNO"));
        long previous = 0, walked = 0;
        std::set<long> recnos;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
            long v = f4long(cuno);
            EXPECT_GT(v, previous);
            previous = v;
            seen.insert(v);
            recnos.insert(d4recNo(d));
            ++walked;
        }
        EXPECT_EQ(walked, count);
        EXPECT_EQ(long(recnos.size()), count);
        d4tagSelectP(d, d4tag(d, "CNAME"));
        walked = 0;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) ++walked;
        EXPECT_EQ(walked, count);
        code4initUndoP(c);
        return seen;
    }

    TempDir dir;
    std::string base;
};

TEST_F(CrashSafetyTest, KillDuringAppendsKeepsEveryFlushedRecord)
{
    std::mt19937 rng(7);
    long committedBefore = 0;
    for (int round = 0; round < 5; ++round) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const long start = committedBefore;
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            CODE4 *c = code4initP();
            c->syncOnFlush = false;  // a killed process loses nothing the kernel already has
            DATA4 *d = d4open(c, base.c_str());
            if (!d) _exit(2);
            for (long i = start + 1;; ++i) {
                if (d4appendBlank(d) != 0) _exit(3);
                f4assignLong(d4field(d, "CUNO"), i);
                f4assign(d4field(d, "NAME"), ("Name " + std::to_string(i)).c_str());
                f4memoAssign(d4field(d, "NOTES"), ("memo " + std::to_string(i)).c_str());
                if (d4flush(d) != 0) _exit(4);
                if (write(fds[1], &i, sizeof i) != sizeof i) _exit(5);
            }
        }
        close(fds[1]);
        const long target = start + 20 + long(rng() % 400);
        long committed = start, value = 0;
        while (committed < target && read(fds[0], &value, sizeof value) == sizeof value)
            committed = value;
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        while (read(fds[0], &value, sizeof value) == sizeof value) committed = value;
        close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;

        CODE4 *c = code4initP();
        DATA4 *d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr) << code4errorText(c);
        ASSERT_GE(d4recCountDo(d), committed);
        d4tagSelectP(d, d4tag(d, "CCNO"));
        for (long i = 1; i <= committed; ++i) {
            ASSERT_EQ(d4seek(d, numberKey(i).c_str()), 0) << "record " << i << " round " << round;
            ASSERT_EQ(d4recNo(d), i);
            ASSERT_EQ(std::string(f4memoStr(d4field(d, "NOTES"))), "memo " + std::to_string(i));
        }
        // What the killed process appended after its last flush is not kept half-indexed:
        // the table is cut back to the committed records before the next round.
        d4tagSelectP(d, nullptr);
        ASSERT_EQ(d4zap(d, committed + 1, d4recCountDo(d)), 0);
        code4initUndoP(c);
        committedBefore = committed;
    }
    EXPECT_EQ(long(checkConsistent().size()), committedBefore);
}

TEST_F(CrashSafetyTest, KillDuringPackLeavesTheOldOrTheNewTable)
{
    const long n = 60000;
    ASSERT_NO_FATAL_FAILURE(fill(n, 3));
    std::set<long> all, live;
    for (long i = 1; i <= n; ++i) {
        all.insert(i);
        if (i % 3) live.insert(i);
    }
    // Keep the unpacked files to start every round from them.
    const std::string saved = dir.file("saved");
    stdfs::create_directory(saved);
    for (auto &e : stdfs::directory_iterator(dir.path()))
        if (e.is_regular_file()) stdfs::copy_file(e.path(), saved / e.path().filename());

    int sawOld = 0, sawNew = 0;
    for (int delayMs : {0, 1, 2, 4, 8, 12, 16, 24, 32, 48, 64, 96, 128, 200}) {
        for (auto &e : stdfs::directory_iterator(saved))
            stdfs::copy_file(e.path(), dir.path() / e.path().filename(),
                             stdfs::copy_options::overwrite_existing);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CODE4 *c = code4initP();
            c->accessMode = 1;
            DATA4 *d = d4open(c, base.c_str());
            if (!d || d4pack(d) != 0) _exit(2);
            _exit(0);
        }
        usleep(useconds_t(delayMs) * 1000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        std::set<long> seen = checkConsistent();
        ASSERT_TRUE(seen == all || seen == live)
            << "after " << delayMs << " ms: " << seen.size() << " records";
        (seen == all ? sawOld : sawNew) += 1;
        for (auto &e : stdfs::directory_iterator(dir.path()))
            ASSERT_NE(e.path().extension(), ".tmp") << "left behind: " << e.path();
    }
    // The delays must have caught the pack both before and after its commit.
    EXPECT_GT(sawOld, 0);
    EXPECT_GT(sawNew, 0);
}

// Rebuilding the tags of a table is killed at moments from its start to its end: the table
// must then open with tags that are whole, the old ones or the new, never a file cut short.
TEST_F(CrashSafetyTest, KillDuringIndexCreationKeepsWholeTags)
{
    const long n = 60000;
    ASSERT_NO_FATAL_FAILURE(fill(n, 0));
    std::set<long> all;
    for (long i = 1; i <= n; ++i) all.insert(i);
    for (int delayMs : {0, 1, 2, 3, 4, 6, 8, 10, 12, 16, 20, 24, 32, 48, 64, 96}) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            CODE4 *c = code4initP();
            c->accessMode = 1;
            code4safety(c, 0);  // the tags exist: replace them
            DATA4 *d = d4open(c, base.c_str());
            TAG4INFO tags[] = {{"CCNO", "STR(CUNO,6)", nullptr, 0, 0},
                               {"CNAME", "UPPER(NAME)", nullptr, 0, 0},
                               {nullptr, nullptr, nullptr, 0, 0}};
            if (!d || i4create(d, nullptr, tags) != 0) _exit(2);
            _exit(0);
        }
        usleep(useconds_t(delayMs) * 1000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(checkConsistent() == all) << "after " << delayMs << " ms";
        for (auto &e : stdfs::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            EXPECT_EQ(name.find(".ntx."), std::string::npos) << "left behind: " << name;
        }
    }
}

// The last 4 bytes of a tag file's header page: "BUSY" while pages are being changed in place.
std::string changeMark(const std::string &ntx)
{
    std::string mark(4, '\0');
    FILE *f = std::fopen(ntx.c_str(), "rb");
    if (!f) return "unreadable";
    std::fseek(f, 1020, SEEK_SET);
    const size_t got = std::fread(mark.data(), 1, 4, f);
    std::fclose(f);
    return got == 4 ? mark : "short";
}

// Pages written before a flush (a one-page cache evicts at every step) carry the mark in the
// header; the flush that writes the last of them clears it. A file left with the mark and a
// torn tree is rebuilt from the table when the table is next opened for writing, and refused
// with a clear message when it is opened read-only.
TEST_F(CrashSafetyTest, TagsCaughtInTheMiddleOfAChangeAreRebuilt)
{
    ASSERT_NO_FATAL_FAILURE(fill(3000, 0));
    const std::string cname = dir.file("CNAME.ntx");
    EXPECT_EQ(changeMark(cname), std::string(4, '\0'));
    {
        CODE4 *c = code4initP();
        c->pageCache().setBudget(1);
        DATA4 *d = d4open(c, base.c_str());
        ASSERT_NE(d, nullptr) << code4errorText(c);
        for (long i = 3001; i <= 3200; ++i) {
            ASSERT_EQ(d4appendBlank(d), 0);
            f4assignLong(d4field(d, "CUNO"), i);
            f4assign(d4field(d, "NAME"), ("Added " + std::to_string(i)).c_str());
        }
        ASSERT_EQ(d4go(d, 1), 0);  // the last append reaches the tags
        EXPECT_EQ(changeMark(cname), "BUSY");
        ASSERT_EQ(d4flush(d), 0);
        EXPECT_EQ(changeMark(cname), std::string(4, '\0'));
        code4initUndoP(c);
    }
    // Tear CNAME as a stop among its page writes would: the mark set, its root page zeroed.
    {
        FILE *f = std::fopen(cname.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        unsigned char header[8];
        ASSERT_EQ(std::fread(header, 1, 8, f), 8u);
        const long root = long(header[4]) | long(header[5]) << 8 | long(header[6]) << 16 |
                          long(header[7]) << 24;
        const std::string zeros(1024, '\0');
        std::fseek(f, root, SEEK_SET);
        std::fwrite(zeros.data(), 1, zeros.size(), f);
        std::fseek(f, 1020, SEEK_SET);
        std::fwrite("BUSY", 1, 4, f);
        std::fclose(f);
    }
    {
        // While another program shares the table, it cannot be had alone to rebuild the tag.
        const int other = ::open((base + ".dbf").c_str(), O_RDONLY);
        ASSERT_GE(other, 0);
        ASSERT_EQ(::flock(other, LOCK_SH), 0);
        CODE4 *c = code4initP();
        code4accessMode(c, 0);
        EXPECT_EQ(d4open(c, base.c_str()), nullptr);
        EXPECT_NE(std::string(code4errorText(c)).find("was being changed when a program stopped"),
                  std::string::npos)
            << code4errorText(c);
        code4initUndoP(c);
        ::close(other);
    }
    std::set<long> all;
    for (long i = 1; i <= 3200; ++i) all.insert(i);
    EXPECT_TRUE(checkConsistent() == all);
    EXPECT_EQ(changeMark(cname), std::string(4, '\0'));
}

TEST_F(CrashSafetyTest, ExclusiveOpenKeepsOtherProcessesOut)
{
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CODE4 *c = code4initP();
        c->accessMode = 1;
        DATA4 *d = d4open(c, base.c_str());
        char b = d ? 'y' : 'n';
        if (write(ready[1], &b, 1) != 1) _exit(2);
        if (read(done[0], &b, 1) != 1) _exit(3);
        code4initUndoP(c);
        _exit(0);
    }
    char b = 0;
    ASSERT_EQ(read(ready[0], &b, 1), 1);
    ASSERT_EQ(b, 'y');
    CODE4 *c = code4initP();
    for (int mode : {0, 1}) {
        c->accessMode = mode;
        EXPECT_EQ(d4open(c, base.c_str()), nullptr) << "access mode " << mode;
        EXPECT_EQ(code4errorCode(c, 0), xbase::e4lock);
    }
    ASSERT_EQ(write(done[1], "x", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    c->accessMode = 1;
    DATA4 *d = d4open(c, base.c_str());
    EXPECT_NE(d, nullptr) << code4errorText(c);
    code4initUndoP(c);
}

TEST_F(CrashSafetyTest, SharedReadersCoexistButOnlyOneMayWrite)
{
    ASSERT_NO_FATAL_FAILURE(fill(10, 0));
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CODE4 *c = code4initP();
        DATA4 *d = d4open(c, base.c_str());
        char b = (d && d4top(d) == 0) ? 'y' : 'n';
        if (write(ready[1], &b, 1) != 1) _exit(2);
        if (read(done[0], &b, 1) != 1) _exit(3);
        code4initUndoP(c);
        _exit(0);
    }
    char b = 0;
    ASSERT_EQ(read(ready[0], &b, 1), 1);
    ASSERT_EQ(b, 'y');
    CODE4 *c = code4initP();
    DATA4 *d = d4open(c, base.c_str());
    ASSERT_NE(d, nullptr) << code4errorText(c);
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(f4long(d4field(d, "CUNO")), 1);
    // The other reader still has the table open: a change is refused, not half-made.
    EXPECT_EQ(f4assign(d4field(d, "NAME"), "changed"), xbase::e4lock);
    EXPECT_LT(d4appendBlank(d), 0);
    EXPECT_EQ(d4recCountDo(d), 10);
    ASSERT_EQ(write(done[1], "x", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(f4assign(d4field(d, "NAME"), "changed"), 0);  // alone now
    EXPECT_EQ(d4flush(d), 0);
    code4initUndoP(c);
}

} // namespace
