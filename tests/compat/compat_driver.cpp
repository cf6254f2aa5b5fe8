// Writes and reads tables with our engine for the comparison with an independent reader
// (compat_check.py). Modes:
//
//   compat_driver write DIR          DIR/OURS.dbf + .dbt, four tags and OURS.cgp
//   compat_driver write-large DIR N  DIR/BIG.dbf, five tags, N records, the tags changed by
//                                    appends, key changes and deletions after they exist
//   compat_driver dump DIR/NAME      prints the table in the text form below
//
// Text form (the Python side prints the same, byte for byte):
//   records <count>
//   fields <NAME> <type> <length> <decimals>|<NAME> ...
//   <recno><'*' if deleted, else ' '>|<value>|<value>...
// Values: C trimmed on the right; N the stored text without blanks; D yyyymmdd or empty;
// L T, F or empty for a blank byte; M the memo text. Every byte outside 0x20-0x7E, and the
// characters '\' and '|', is written as \xhh (lower-case hex).
//
// Exit status: 0 done, 1 the engine reported an error (message on stderr), 2 bad arguments.

#include "xbase/DbfFile.h"
#include "xbase/EngineApi.h"
#include "xbase/MemoFile.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

CODE4 *g_engine = nullptr;

[[noreturn]] void fail(const std::string &what)
{
    const std::string text = code4errorText(g_engine);
    const int code = code4errorCode(g_engine, 0);
    std::fprintf(stderr, "compat_driver: %s: %s (code %d)\n", what.c_str(), text.c_str(), code);
    std::exit(1);
}

void check(int rc, const std::string &what)
{
    if (rc < 0) fail(what);
}

std::string escaped(const char *data, size_t length)
{
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        unsigned char b = static_cast<unsigned char>(data[i]);
        if (b >= 0x20 && b <= 0x7e && b != '\\' && b != '|') {
            out += char(b);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", b);
            out += hex;
        }
    }
    return out;
}

std::string trimmed(const std::string &s, bool left)
{
    size_t end = s.find_last_not_of(' ');
    if (end == std::string::npos) return {};
    size_t begin = left ? s.find_first_not_of(' ') : 0;
    return s.substr(begin, end + 1 - begin);
}

void createTable(const std::string &base, const std::vector<xbase::FieldInfo> &fields)
{
    std::string err;
    if (!xbase::DbfFile::create(base + ".dbf", fields, &err)) {
        std::fprintf(stderr, "compat_driver: %s\n", err.c_str());
        std::exit(1);
    }
    for (const xbase::FieldInfo &f : fields) {
        if (f.type != 'M') continue;
        if (!xbase::MemoFile::create(base + ".dbt", &err)) {
            std::fprintf(stderr, "compat_driver: %s\n", err.c_str());
            std::exit(1);
        }
        break;
    }
}

DATA4 *openTable(const std::string &base)
{
    DATA4 *d = d4open(g_engine, base.c_str());
    if (!d) fail("open " + base);
    return d;
}

FIELD4 *field(DATA4 *d, const char *name)
{
    FIELD4 *f = d4field(d, name);
    if (!f) fail(std::string("field ") + name);
    return f;
}

// One record of the small table; a null value means "never assigned", so the field keeps
// the blanks of a fresh record.
struct Row
{
    const char *name;
    const char *qty;    // text for f4assignLong, null = never assigned
    const char *amount; // text for f4assignDouble, null = never assigned
    const char *since;  // yyyymmdd, "" = assigned blank, null = never assigned
    const char *active; // "T" / "F", null = never assigned
    std::string notes;  // assigned when `assignNotes`
    bool assignNotes = true;
    bool deleted = false;
};

// A memo of exactly `length` bytes whose content shows any shift: line numbers and CR LF.
std::string patternedMemo(size_t length, char tag)
{
    std::string s;
    for (int line = 1; s.size() < length; ++line) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%c line %03d abcdefghijklmnopqrstuvwxyz\r\n", tag, line);
        s += buf;
    }
    s.resize(length);
    return s;
}

void appendRow(DATA4 *d, const Row &row)
{
    check(d4appendBlank(d), "append");
    check(f4assign(field(d, "NAME"), row.name), "assign NAME");
    if (row.qty) check(f4assignLong(field(d, "QTY"), std::atol(row.qty)), "assign QTY");
    if (row.amount)
        check(f4assignDouble(field(d, "AMOUNT"), std::atof(row.amount)), "assign AMOUNT");
    if (row.since) check(f4assign(field(d, "SINCE"), row.since), "assign SINCE");
    if (row.active) check(f4assign(field(d, "ACTIVE"), row.active), "assign ACTIVE");
    if (row.assignNotes)
        check(f4memoAssignN(field(d, "NOTES"), row.notes.data(), unsigned(row.notes.size())),
              "assign NOTES");
    if (row.deleted) d4delete(d);
}

int writeSmall(const std::string &dir)
{
    const std::string base = dir + "/OURS";
    createTable(base, {{"NAME", 'C', 20, 0},
                       {"QTY", 'N', 6, 0},
                       {"AMOUNT", 'N', 10, 2},
                       {"SINCE", 'D', 8, 0},
                       {"ACTIVE", 'L', 1, 0},
                       {"NOTES", 'M', 10, 0}});
    DATA4 *d = openTable(base);

    // The two block-boundary memos are each followed by another memo, so a terminator that
    // spilled into the next block would show up in what follows.
    const std::vector<Row> beforeIndex = {
        {"Smith", "42", "1234.5", "20240315", "T",
         "First line\r\nSecond line\r\n\tindented third\r\n"},
        {"  leading blanks", "-7", "-0.75", "", "F", patternedMemo(510, 'a')},
        {"Jos\xe9 Mu\xf1oz", "0", "-12345.67", "19991231", nullptr, patternedMemo(512, 'b')},
        {"pipe|back\\slash", "999999", "0", "20000229", "T",
         "Caf\xe9 cr\xe8me \x80 5 | back\\slash \xfc\xdf"},
        {"Empty memo", "-99999", "99.99", "20240101", "F", ""},
        {"Deleted one", "5", "5.05", "20230607", "T", "this record is deleted", true, true},
        {"Twice", "7", "-1", "20221122", "F", "first version of the memo, left behind"},
        {"no values", nullptr, nullptr, nullptr, nullptr, "", false},
    };
    for (const Row &row : beforeIndex)
        appendRow(d, row);

    // Record 7 gets a second memo after the first reached the file: the first stays behind
    // in the memo file as a dead memo.
    check(d4go(d, 7), "go 7");
    check(d4flush(d), "flush");
    const std::string second = "second version\r\nreplaces the first";
    check(f4memoAssign(field(d, "NOTES"), second.c_str()), "reassign NOTES");
    check(d4flush(d), "flush");

    TAG4INFO tags[] = {{"CName", "UPPER(NAME)", nullptr, 0, 0},
                       {"CQTY", "STR(QTY,6)", nullptr, 0, 0},
                       {"CSINCE", "DTOS(SINCE)", nullptr, 0, 0},
                       {"CNAMEDT", "UPPER(NAME)+DTOS(SINCE)", nullptr, 0, 0},
                       {nullptr, nullptr, nullptr, 0, 0}};
    check(i4create(d, nullptr, tags), "i4create");

    // Appended while the tags are open: these go into the trees one by one.
    const std::vector<Row> afterIndex = {
        {"adams", "-42", "0.01", "", "T", patternedMemo(1500, 'c')},
        {"ADAMS", "42", "-0.01", "20240315", "F", "duplicate key of record 9", true, true},
        {"Adams", "12", "12", "20240315", nullptr, "x"},
        {"blank qty", nullptr, "3", "20240316", "T", "y"},
        {"zeta", "-1", "-99999.99", "18991231", "T", "last\r\n"},
    };
    for (const Row &row : afterIndex)
        appendRow(d, row);
    check(d4close(d), "close");
    return 0;
}

// Deterministic numbers, so a failure can be reproduced.
class Lcg
{
public:
    uint32_t next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return uint32_t(m_state >> 33);
    }
    int below(int n) { return int(next() % uint32_t(n)); }

private:
    uint64_t m_state = 20240315;
};

std::string randomName(Lcg &rng)
{
    // A small pool, so that many records share a key and duplicates span pages.
    static const char *first[] = {"Anna", "bert",  "Carl", "DORA", "emil", "Fritz",
                                  "Gerd", "hanna", "Ida",  "Jens", "karl", "Lena"};
    static const char *last[] = {"Adler", "becker", "Claus", "Dietz", "ernst", "Fuchs",
                                 "GRAF",  "haas",   "Iser",  "Jung",  "Kraus", "lang",
                                 "Meyer", "Nagel",  "otto",  "Pohl"};
    std::string s = std::string(last[rng.below(16)]) + ", " + first[rng.below(12)];
    if (rng.below(4) == 0) s += " " + std::to_string(rng.below(30));
    return s;
}

void assignRandomValues(DATA4 *d, Lcg &rng)
{
    check(f4assign(field(d, "NAME"), randomName(rng).c_str()), "assign NAME");
    check(f4assignLong(field(d, "QTY"), long(rng.below(1099999)) - 100000), "assign QTY");
    double amount = (double(rng.below(2000000)) - 1000000.0) / 100.0 * (1 + rng.below(9));
    check(f4assignDouble(field(d, "AMOUNT"), amount), "assign AMOUNT");
    if (rng.below(10) == 0) {
        check(f4assign(field(d, "SINCE"), ""), "assign SINCE");
    } else {
        char date[9];
        std::snprintf(date, sizeof date, "%04d%02d%02d", 1950 + rng.below(100), 1 + rng.below(12),
                      1 + rng.below(28));
        check(f4assign(field(d, "SINCE"), date), "assign SINCE");
    }
    check(f4assign(field(d, "ACTIVE"), rng.below(2) ? "T" : "F"), "assign ACTIVE");
}

int writeLarge(const std::string &dir, long count)
{
    const std::string base = dir + "/BIG";
    createTable(base, {{"NAME", 'C', 30, 0},
                       {"QTY", 'N', 6, 0},
                       {"AMOUNT", 'N', 10, 2},
                       {"SINCE", 'D', 8, 0},
                       {"ACTIVE", 'L', 1, 0}});
    DATA4 *d = openTable(base);
    Lcg rng;
    const long half = count / 2;
    for (long i = 0; i < half; ++i) {
        check(d4appendBlank(d), "append");
        assignRandomValues(d, rng);
    }

    TAG4INFO tags[] = {{"BNAME", "UPPER(NAME)", nullptr, 0, 0},
                       {"BQTY", "STR(QTY,6)", nullptr, 0, 0},
                       {"BAMT", "STR(AMOUNT,10,2)", nullptr, 0, 0},
                       {"BSINCE", "DTOS(SINCE)", nullptr, 0, 0},
                       {"BNAMEDT", "UPPER(NAME)+DTOS(SINCE)", nullptr, 0, 0},
                       {nullptr, nullptr, nullptr, 0, 0}};
    check(i4create(d, nullptr, tags), "i4create");

    for (long i = half; i < count; ++i) {
        check(d4appendBlank(d), "append");
        assignRandomValues(d, rng);
    }

    // Move a dense key range away: every name starting with B, C or D goes to the end of
    // the name order, emptying whole leaves in the middle of the tree.
    for (long r = 1; r <= count; ++r) {
        check(d4go(d, r), "go");
        char first = char(std::toupper(static_cast<unsigned char>(f4str(field(d, "NAME"))[0])));
        if (first == 'B' || first == 'C' || first == 'D') {
            std::string moved = "zz moved " + std::to_string(r);
            check(f4assign(field(d, "NAME"), moved.c_str()), "assign NAME");
            check(f4assignLong(field(d, "QTY"), r % 1000), "assign QTY");
        }
    }
    // Give a run of records one shared key, lowest record numbers last, so equal keys are
    // inserted out of record order.
    for (long r = count; r >= 1; r -= 7) {
        check(d4go(d, r), "go");
        check(f4assign(field(d, "NAME"), "Same Key"), "assign NAME");
        check(f4assignDouble(field(d, "AMOUNT"), 0.5), "assign AMOUNT");
    }
    // Delete some records and change their keys while doing so.
    for (long r = 3; r <= count; r += 13) {
        check(d4go(d, r), "go");
        d4delete(d);
        check(f4assign(field(d, "SINCE"), r % 2 ? "" : "20991231"), "assign SINCE");
        check(f4assignLong(field(d, "QTY"), -(r % 100000)), "assign QTY");
    }
    check(d4close(d), "close");
    return 0;
}

int dump(const std::string &base)
{
    DATA4 *d = openTable(base);
    const std::vector<xbase::FieldInfo> &infos = d->dbf().fields();
    std::vector<FIELD4 *> fields;
    for (const xbase::FieldInfo &info : infos)
        fields.push_back(field(d, info.name.c_str()));

    const long count = d4recCountDo(d);
    std::printf("records %ld\nfields ", count);
    for (size_t i = 0; i < infos.size(); ++i)
        std::printf("%s%s %c %d %d", i ? "|" : "", infos[i].name.c_str(), infos[i].type,
                    infos[i].length, infos[i].decimals);
    std::printf("\n");

    for (long r = 1; r <= count; ++r) {
        check(d4go(d, r), "go " + std::to_string(r));
        std::string line = std::to_string(r) + (d4deleted(d) ? "*" : " ");
        for (size_t i = 0; i < infos.size(); ++i) {
            FIELD4 *f = fields[i];
            std::string value;
            switch (infos[i].type) {
            case 'M': {
                const char *memo = f4memoStr(f);
                if (!memo) fail("memo of record " + std::to_string(r));
                value = memo;
                break;
            }
            case 'L':
                value = trimmed(f4str(f), true).empty() ? "" : (f4true(f) ? "T" : "F");
                break;
            case 'N':
            case 'D':
                value = trimmed(f4str(f), true);
                break;
            default:
                value = trimmed(f4str(f), false);
                break;
            }
            line += "|" + escaped(value.data(), value.size());
        }
        std::printf("%s\n", line.c_str());
    }
    check(d4close(d), "close");
    return 0;
}

int usage()
{
    std::fprintf(stderr, "usage: compat_driver write DIR | write-large DIR N | dump DIR/NAME\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) return usage();
    const std::string mode = argv[1];
    g_engine = code4initP();
    g_engine->exitHook = [] { fail("the engine asked to end the program"); };
    int rc;
    if (mode == "write" && argc == 3) {
        rc = writeSmall(argv[2]);
    } else if (mode == "write-large" && argc == 4) {
        long n = std::atol(argv[3]);
        if (n < 2) return usage();
        rc = writeLarge(argv[2], n);
    } else if (mode == "dump" && argc == 3) {
        code4autoOpen(g_engine, 0);
        rc = dump(argv[2]);
    } else {
        return usage();
    }
    code4initUndoP(g_engine);
    return rc;
}
