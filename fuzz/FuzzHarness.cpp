#include "FuzzHarness.h"

#include "xbase/Bytes.h"
#include "xbase/EngineApi.h"
#include "xbase/NtxFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzzharness {

namespace {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------------------------
// Files

void removeDir(const std::string &dir)
{
    if (DIR *d = ::opendir(dir.c_str())) {
        while (dirent *e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                ::unlink((dir + "/" + e->d_name).c_str());
        ::closedir(d);
    }
    ::rmdir(dir.c_str());
}

// A process that crashed (the fuzzer's verdict on a finding) leaves its directory behind;
// the next process removes those of processes that are gone.
void removeStaleDirs(const std::string &base, const std::string &prefix)
{
    DIR *d = ::opendir(base.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    while (dirent *e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size() + 1, prefix + "-") != 0) continue;
        char *end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size() + 1, &end, 10);
        if (pid > 0 && *end == '-' && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            stale.push_back(base + "/" + name);
    }
    ::closedir(d);
    for (const auto &dir : stale)
        removeDir(dir);
}

std::string makeTempDir(const char *prefix)
{
    // RAM-backed when the machine has /dev/shm: every run writes and reads whole tables.
    struct stat st;
    const char *tmp = std::getenv("TMPDIR");
    std::string base = "/tmp";
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0)
        base = "/dev/shm";
    else if (tmp && *tmp)
        base = tmp;
    removeStaleDirs(base, prefix);
    std::string pattern = base + "/" + prefix + "-" + std::to_string(long(::getpid())) + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + base);
    return pattern;
}

// A directory that is emptied on request and removed with its files when it goes away.
class ScratchDir
{
public:
    explicit ScratchDir(const char *prefix) : m_dir(makeTempDir(prefix)) {}
    ~ScratchDir() { removeDir(m_dir); }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    std::string path(const std::string &name) const { return m_dir + "/" + name; }
    void clear() const
    {
        if (DIR *d = ::opendir(m_dir.c_str())) {
            while (dirent *e = ::readdir(d))
                if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                    ::unlink(path(e->d_name).c_str());
            ::closedir(d);
        }
    }

private:
    std::string m_dir;
};

// The directory of this process's runs.
const ScratchDir &workspace()
{
    static ScratchDir dir("quillory-fuzz");
    return dir;
}

void writeFile(const std::string &path, const uint8_t *data, size_t size)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + path);
        }
        done += size_t(n);
    }
    ::close(fd);
}

void writeFile(const std::string &path, const Bytes &b)
{
    writeFile(path, b.data(), b.size());
}

void writeFile(const std::string &path, const std::string &s)
{
    writeFile(path, reinterpret_cast<const uint8_t *>(s.data()), s.size());
}

Bytes readFile(const std::string &path)
{
    Bytes out;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot read " + path);
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

Bytes bytesOf(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

// ---------------------------------------------------------------------------------------------
// Tables written byte by byte, so that the fixed files never depend on the code under test

struct RawField
{
    const char *name;
    char type;
    uint8_t length;   // descriptor byte 16
    uint8_t decimals; // descriptor byte 17 (for C fields, the high byte of a long length)
};

struct DbfLayout
{
    bool zeroAfterTerminator = false; // 0x0D 0x00 ending the descriptors
    bool endMark = true;              // 0x1A after the last record
};

int fieldWidth(const RawField &f)
{
    return f.length + (f.type == 'C' ? f.decimals * 256 : 0);
}

// `records` hold the fields only; each gets a live deletion flag unless it starts with '*',
// which is then taken as the flag.
Bytes makeDbf(const std::vector<RawField> &fields, const std::vector<std::string> &records,
              DbfLayout layout = {})
{
    int recordLength = 1;
    bool memo = false;
    for (const auto &f : fields) {
        recordLength += fieldWidth(f);
        memo = memo || f.type == 'M';
    }
    const size_t headerLength = 32 + 32 * fields.size() + (layout.zeroAfterTerminator ? 2 : 1);
    Bytes b(headerLength, 0);
    b[0] = memo ? 0x83 : 0x03;
    b[1] = 124; // 2024-01-01
    b[2] = 1;
    b[3] = 1;
    xbase::putU32(&b[4], uint32_t(records.size()));
    xbase::putU16(&b[8], uint16_t(headerLength));
    xbase::putU16(&b[10], uint16_t(recordLength));
    b[29] = 0x03;
    for (size_t i = 0; i < fields.size(); ++i) {
        uint8_t *d = &b[32 + 32 * i];
        std::memcpy(d, fields[i].name, std::min<size_t>(10, std::strlen(fields[i].name)));
        d[11] = uint8_t(fields[i].type);
        d[16] = fields[i].length;
        d[17] = fields[i].decimals;
    }
    b[32 + 32 * fields.size()] = 0x0D;
    for (const std::string &r : records) {
        std::string rec = r.size() && r[0] == '*' ? r : " " + r;
        rec.resize(size_t(recordLength), ' ');
        b.insert(b.end(), rec.begin(), rec.end());
    }
    if (layout.endMark) b.push_back(0x1A);
    return b;
}

std::string pad(const std::string &s, size_t width)
{
    return (s + std::string(width, ' ')).substr(0, width);
}

std::string right(const std::string &s, size_t width)
{
    return s.size() >= width ? s.substr(s.size() - width) : std::string(width - s.size(), ' ') + s;
}

// Memo files: `memos` are (block, text) in block order; each text gets 0x1A 0x1A unless
// `singleEnd`, the way some other engines write them.
Bytes makeDbt(uint32_t nextFree, const std::vector<std::pair<uint32_t, std::string>> &memos,
              const std::vector<uint16_t> &selectors = {}, bool singleEnd = false,
              bool padLast = true)
{
    Bytes b(512, 0);
    xbase::putU32(&b[0], nextFree);
    for (size_t i = 0; i < selectors.size() && 8 + 2 * i + 2 <= 512; ++i)
        xbase::putU16(&b[8 + 2 * i], selectors[i]);
    for (const auto &[block, text] : memos) {
        b.resize(size_t(block) * 512, 0);
        b.insert(b.end(), text.begin(), text.end());
        b.push_back(0x1A);
        if (!singleEnd) b.push_back(0x1A);
    }
    if (padLast) b.resize((b.size() + 511) / 512 * 512, 0);
    return b;
}

// ---------------------------------------------------------------------------------------------
// The fixed companion files

// Deterministic pseudo-random numbers, so the fixed files are the same in every process.
struct Lcg
{
    uint32_t s;
    uint32_t next()
    {
        s = s * 1103515245u + 12345u;
        return s >> 8;
    }
};

const std::vector<RawField> kMemoTableFields = {
    {"NAME", 'C', 10, 0}, {"NOTES", 'M', 10, 0}, {"EXTRA", 'M', 10, 0}};
constexpr int kMemoTableRecords = 6;

const std::vector<RawField> kBigTableFields = {{"CODE", 'C', 8, 0},
                                               {"NAME", 'C', 20, 0},
                                               {"AMOUNT", 'N', 10, 2},
                                               {"SINCE", 'D', 8, 0},
                                               {"ACTIVE", 'L', 1, 0}};
constexpr int kBigTableRecords = 300;

// The table that the index and group file targets run against: 300 records with unique
// codes, repeated names (so equal keys occur), signed amounts and some blank dates.
const Bytes &bigTable()
{
    static const Bytes table = [] {
        static const char *const names[] = {
            "Adams", "baker", "Clark", "davis", "Evans", "Frost", "garcia", "Hill",     "Irwin",
            "jones", "Klein", "Lopez", "",      "Moore", "Nash",  "O'Hara", "van Dijk", "Young"};
        Lcg rng{20240101};
        std::vector<std::string> records;
        for (int i = 1; i <= kBigTableRecords; ++i) {
            char code[16], amount[32], date[16];
            std::snprintf(code, sizeof code, "C%05u", unsigned(i * 7919 % 100000));
            std::snprintf(amount, sizeof amount, "%.2f",
                          (double(rng.next() % 200000) - 100000.0) / 100.0);
            if (i % 7 == 0) {
                std::snprintf(date, sizeof date, "        ");
            } else {
                // One draw per statement: the order of arguments is up to the compiler.
                const unsigned year = 1990 + rng.next() % 40;
                const unsigned month = 1 + rng.next() % 12;
                const unsigned day = 1 + rng.next() % 28;
                std::snprintf(date, sizeof date, "%04u%02u%02u", year, month, day);
            }
            const std::string name = names[rng.next() % (sizeof names / sizeof *names)];
            records.push_back(pad(code, 8) + pad(name, 20) + right(amount, 10) + date +
                              (i % 3 ? "T" : "F"));
        }
        return makeDbf(kBigTableFields, records);
    }();
    return table;
}

// Indexes made by the engine on the big table: (file name, expression) -> bytes.
std::vector<std::pair<std::string, Bytes>>
buildIndexes(const std::vector<std::pair<std::string, std::string>> &tags)
{
    ScratchDir dir("quillory-fuzz-template");
    writeFile(dir.path("T.dbf"), bigTable());
    CODE4 *c = code4initP();
    c->syncOnFlush = false;
    DATA4 *d = d4open(c, dir.path("T").c_str());
    std::vector<TAG4INFO> info;
    for (const auto &[name, expr] : tags)
        info.push_back({name.c_str(), expr.c_str(), nullptr, 0, 0});
    info.push_back({nullptr, nullptr, nullptr, 0, 0});
    if (!d || i4create(d, "G", info.data()) != 0 || d4close(d) != 0) {
        std::string why = code4errorText(c);
        code4initUndoP(c);
        throw std::runtime_error("building the fixed indexes: " + why);
    }
    code4initUndoP(c);
    std::vector<std::pair<std::string, Bytes>> out;
    for (const auto &[name, expr] : tags)
        out.emplace_back(name, readFile(dir.path(name + ".ntx")));
    return out;
}

// The tags the group file target can name.
const std::vector<std::pair<std::string, Bytes>> &groupTags()
{
    static const auto tags =
        buildIndexes({{"CODE", "CODE"}, {"name", "UPPER(NAME)"}, {"Amount", "STR(AMOUNT,10,2)"}});
    return tags;
}

// The memo file beside the tables of the table target.
const Bytes &smallMemoFile()
{
    static const Bytes dbt = makeDbt(3, {{1, "first memo"}, {2, "second memo"}});
    return dbt;
}

// ---------------------------------------------------------------------------------------------
// The engine

// One engine handle for one run: its errors go into the outcome, and an attempt to end the
// process is itself a broken rule.
class Session
{
public:
    Session(Outcome &out, bool autoOpen) : m_out(out)
    {
        c = code4initP();
        c->syncOnFlush = false; // durability is not under test here; speed is what counts
        code4autoOpen(c, autoOpen ? 1 : 0);
        c->errorHook = [&out](int code, const std::string &text) {
            if (out.errors.empty()) out.firstErrorText = text;
            out.errors.push_back(code);
        };
        c->exitHook = [this] { violate("the engine tried to end the program"); };
    }
    ~Session() { code4initUndoP(c); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    void violate(const std::string &why)
    {
        m_out.violation += (m_out.violation.empty() ? "" : "\n") + why;
    }
    size_t errorCount() const { return m_out.errors.size(); }
    // Runs a call that must be refused with `code` and nothing else; the refusal is not
    // counted among the run's errors.
    template <class Call> void expectRefusal(int code, const std::string &what, Call call)
    {
        const size_t before = m_out.errors.size();
        const int rc = call();
        const bool right =
            rc == code && m_out.errors.size() == before + 1 && m_out.errors.back() == code;
        if (!right)
            violate(what + " gave " + std::to_string(rc) + " instead of " + std::to_string(code));
        if (m_out.errors.size() > before) m_out.errors.resize(before);
    }
    // True when every error raised since `since` has this code.
    bool onlyErrors(size_t since, int code) const
    {
        return std::all_of(m_out.errors.begin() + long(since), m_out.errors.end(),
                           [code](int e) { return e == code; });
    }

    CODE4 *c = nullptr;

private:
    Outcome &m_out;
};

uint16_t u16At(const uint8_t *data, size_t size, size_t at)
{
    return at + 2 <= size ? uint16_t(data[at] | (data[at + 1] << 8)) : 0;
}

// ---------------------------------------------------------------------------------------------
// Targets

void tableRun(Session &s, const std::string &base, Outcome &out)
{
    DATA4 *d = d4open(s.c, base.c_str());
    if (!d) return;
    out.opened = true;
    const long count = d4recCountDo(d);
    std::vector<FIELD4 *> fields;
    for (const auto &info : d->dbf().fields())
        if (FIELD4 *f = d4field(d, info.name.c_str())) fields.push_back(f);
    auto readAll = [&] {
        for (FIELD4 *f : fields) {
            f4str(f);
            f4double2(f);
            f4true(f);
            if (f->info().type == 'M') f4memoStr(f);
        }
        d4deleted(d);
    };

    // Every record the header promises must be readable; memo numbers may point anywhere.
    const size_t before = s.errorCount();
    long steps = 0;
    int rc;
    for (rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
        readAll();
        if (++steps > count) {
            s.violate("walking the table took more steps than it has records");
            break;
        }
    }
    if (rc < 0 || steps != count || !s.onlyErrors(before, xbase::e4memo))
        s.violate("the table opened but its " + std::to_string(count) +
                  " records could not all be read");
    for (long r : {1L, count, count / 2 + 1}) {
        if (r < 1 || r > count) continue;
        if (d4go(d, r) != 0) s.violate("d4go(" + std::to_string(r) + ") failed");
        readAll();
    }
    for (long r : {0L, count + 1, -1L})
        s.expectRefusal(xbase::e4record, "d4go(" + std::to_string(r) + ")",
                        [&] { return d4go(d, r); });

    // A new record goes in after the ones the header counts and reads back after a reopen.
    FIELD4 *text = nullptr;
    for (FIELD4 *f : fields)
        if (f->info().type == 'C' && f->info().length >= 5) text = text ? text : f;
    const std::string textName = text ? text->info().name : std::string();
    const size_t beforeAppend = s.errorCount();
    bool appended = d4appendBlank(d) == 0;
    if (appended && text) f4assign(text, "FUZZ");
    appended = appended && d4flush(d) == 0 && s.errorCount() == beforeAppend;
    d4close(d);
    if (!appended) return;
    d = d4open(s.c, base.c_str());
    if (!d) {
        s.violate("the table did not open again after an append: " + out.firstErrorText);
        return;
    }
    if (d4recCountDo(d) != count + 1) {
        s.violate("the appended record is not counted after a reopen");
    } else if (!textName.empty()) {
        d4go(d, count + 1);
        FIELD4 *again = d4field(d, textName.c_str());
        if (!again || std::strncmp(f4str(again), "FUZZ ", 5) != 0)
            s.violate("the appended record did not read back");
    }
    d4close(d);
}

void memoRun(Session &s, const std::string &base, const std::string &text, Outcome &out)
{
    DATA4 *d = d4open(s.c, base.c_str());
    if (!d) return;
    out.opened = true;
    FIELD4 *notes = d4field(d, "NOTES"), *extra = d4field(d, "EXTRA");
    const size_t before = s.errorCount();
    for (long r = 1; r <= kMemoTableRecords; ++r) {
        d4go(d, r);
        f4str(d4field(d, "NAME"));
        f4memoStr(notes);
        f4memoStr(extra);
    }
    if (!s.onlyErrors(before, xbase::e4memo))
        s.violate("reading memos raised an error that is not about the memo file");

    // A stored memo reads back: from the record, after moving away, after a reopen.
    const size_t beforeWrite = s.errorCount();
    d4go(d, 1);
    if (f4memoAssign(notes, text.c_str()) != 0 || d4flush(d) != 0 ||
        s.errorCount() != beforeWrite) {
        d4close(d);
        return;
    }
    d4go(d, 2);
    d4go(d, 1);
    if (f4memoStr(notes) != text) s.violate("a stored memo did not read back");
    d4close(d);
    d = d4open(s.c, base.c_str());
    if (!d) {
        s.violate("the table did not open again after a memo was stored");
        return;
    }
    notes = d4field(d, "NOTES");
    d4go(d, 1);
    if (f4memoStr(notes) != text) s.violate("a stored memo did not read back after a reopen");
    d4close(d);
}

void indexRun(Session &s, const std::string &base, size_t size, Outcome &out)
{
    DATA4 *d = d4open(s.c, base.c_str());
    if (!d) return;
    out.opened = true;
    TAG4 *tag = d4tag(d, "TAG");
    if (!tag) {
        s.violate("the group file's tag is not open");
        return;
    }
    d4tagSelectP(d, tag);
    xbase::NtxFile &ntx = tag->file();
    FIELD4 *code = d4field(d, "CODE"), *name = d4field(d, "NAME");
    FIELD4 *amount = d4field(d, "AMOUNT"), *since = d4field(d, "SINCE");

    std::string err;
    uint64_t entriesBefore = 0;
    const bool validBefore = ntx.checkTree(&entriesBefore, &err);

    // A walk visits each entry once, so it cannot take more steps than the file's pages hold
    // entries; more means that it goes round in circles. The engine may take up to twice
    // that to notice (and then reports an error), but no longer.
    const long pages = long(size / size_t(xbase::NtxFile::kPageSize));
    const long bound = 2 * (pages + 1) * (ntx.maxKeys() + 1) + 1; // + the entry placed first
    const long count = d4recCountDo(d);
    auto walk = [&](bool forward) {
        long steps = 0;
        for (int rc = forward ? d4top(d) : d4bottom(d); rc == 0; rc = d4skip(d, forward ? 1 : -1)) {
            // A success names a record of the table; from anywhere else the next move
            // starts over at an end.
            if (d4recNo(d) < 1 || d4recNo(d) > count) {
                s.violate("a walk reported success on record " + std::to_string(d4recNo(d)) +
                          ", which the table does not have");
                return;
            }
            f4str(code);
            if (++steps > bound) {
                s.violate(std::string("a ") + (forward ? "forward" : "backward") +
                          " walk went on past " + std::to_string(bound) + " entries");
                return;
            }
        }
    };
    walk(true);
    walk(false);

    const std::string seeks[] = {"",         " ", "C",     "C0", "C07919", "C5",   "Z",
                                 "\xff\xff", "A", "JONES", "-",  "  -1",   "1990", "20"};
    for (const std::string &k : seeks) {
        const int rc = d4seekN(d, k.data(), int(k.size()));
        const double p = d4position2(d);
        if (!(p >= 0 && p <= 1)) s.violate("d4position2 gave " + std::to_string(p));
        if (rc == 0 || rc == 2) {
            d4skip(d, 1);
            d4skip(d, -2);
            f4str(name);
        }
    }

    // A record is added (an insert), then one record's keys change (a remove and an insert).
    // The insert goes first: in a damaged tree the remove often fails to find its entry, and
    // a record whose change failed stays pending and refuses every later move.
    const size_t beforeChanges = s.errorCount();
    if (d4appendBlank(d) == 0) {
        f4assign(code, "A0000000");
        f4assign(name, "aardvark");
        f4assignDouble(amount, 3.25);
        d4flush(d);
    }
    if (d4go(d, 5) == 0) {
        f4assign(code, "Z0000005");
        f4assign(name, "zed fuzz");
        f4assignDouble(amount, -12.5);
        f4assign(since, "20240229");
        d4flush(d);
    }
    const bool changed = s.errorCount() == beforeChanges;
    uint64_t entriesAfter = 0;
    const bool validAfter = ntx.checkTree(&entriesAfter, &err);
    if (validBefore && changed && !validAfter)
        s.violate("a tree that checked broke under a change: " + err);
    else if (validBefore && changed && entriesAfter != entriesBefore + 1)
        s.violate("after a change and an append the tree holds " + std::to_string(entriesAfter) +
                  " entries instead of " + std::to_string(entriesBefore + 1));
    d4close(d);
}

void groupRun(Session &s, const std::string &base, size_t size, Outcome &out)
{
    DATA4 *d = d4open(s.c, base.c_str());
    if (!d) return;
    out.opened = true;
    if (d->tags().size() > size) s.violate("more tags are open than the group file has bytes");
    // Every tag the group file can reach is a sound index of this table.
    const size_t before = s.errorCount();
    for (const auto &t : d->tags()) {
        d4tagSelectP(d, t.get());
        int rc = d4top(d);
        for (int i = 0; i < 3 && rc == 0; ++i)
            rc = d4skip(d, 1);
        d4seek(d, "C");
        d4bottom(d);
    }
    if (s.errorCount() != before) s.violate("a tag opened from the group file does not work");
    d4close(d);
}

} // namespace

bool isKnownError(int code)
{
    using namespace xbase;
    switch (code) {
    case e4open:
    case e4create:
    case e4read:
    case e4write:
    case e4lock:
    case e4data:
    case e4memo:
    case e4index:
    case e4group:
    case e4tagName:
    case e4expr:
    case e4fieldName:
    case e4value:
    case e4record:
    case e4exists:
    case e4param:
        return true;
    default:
        return false;
    }
}

void abortOnFault(const Outcome &out)
{
    std::vector<std::string> faults;
    for (size_t at = 0; at < out.violation.size();) {
        const size_t end = std::min(out.violation.find('\n', at), out.violation.size());
        faults.push_back(out.violation.substr(at, end - at));
        at = end + 1;
    }
    for (int e : out.errors)
        if (!isKnownError(e)) faults.push_back("unknown error code " + std::to_string(e));
    // QUILLORY_FUZZ_IGNORE=<text>: faults whose message holds the text are not fatal, to fuzz
    // on past a known fault until it is fixed.
    const char *ignore = std::getenv("QUILLORY_FUZZ_IGNORE");
    bool fatal = false;
    for (const std::string &f : faults) {
        const bool ignored = ignore && *ignore && f.find(ignore) != std::string::npos;
        fatal = fatal || !ignored;
        if (!ignored) std::fprintf(stderr, "==fault== %s\n", f.c_str());
    }
    if (fatal) std::abort();
}

Outcome runDbf(const uint8_t *data, size_t size)
{
    const ScratchDir &ws = workspace();
    ws.clear();
    writeFile(ws.path("T.dbf"), data, size);
    writeFile(ws.path("T.dbt"), smallMemoFile());
    Outcome out;
    {
        Session s(out, false);
        tableRun(s, ws.path("T"), out);
    }
    return out;
}

namespace {

// The memo field's block number for record r (0-based) and memo field f, taken from the memo
// file's header bytes 8 onward, which the engine ignores: mostly blocks inside the file (0 is
// "no memo"), and from 0xFFF0 up numbers far past any end.
uint32_t memoBlockFor(const uint8_t *data, size_t size, int r, int f)
{
    const uint32_t v = u16At(data, size, 8 + 2 * size_t(r * 2 + f));
    if (v >= 0xFFF0) return 0xFFFFFFFFu - (0xFFFFu - v);
    return v % uint32_t(size / 512 + 2);
}

} // namespace

Outcome runDbt(const uint8_t *data, size_t size)
{
    const ScratchDir &ws = workspace();
    ws.clear();
    std::vector<std::string> records;
    for (int r = 0; r < kMemoTableRecords; ++r) {
        std::string rec = pad("rec" + std::to_string(r + 1), 10);
        for (int f = 0; f < 2; ++f) {
            const uint32_t block = memoBlockFor(data, size, r, f);
            rec += block ? right(std::to_string(block), 10) : std::string(10, ' ');
        }
        records.push_back(rec);
    }
    writeFile(ws.path("T.dbf"), makeDbf(kMemoTableFields, records));
    writeFile(ws.path("T.dbt"), data, size);
    // Long enough, now and then, to need several blocks.
    std::string text = "memo " + std::to_string(size) + ":";
    text.resize(1 + size % 1300, 'x');
    for (size_t i = 0; i < text.size(); i += 37)
        text[i] = char('a' + i % 26);

    Outcome out;
    {
        Session s(out, false);
        memoRun(s, ws.path("T"), text, out);
    }
    return out;
}

Outcome runNtx(const uint8_t *data, size_t size)
{
    const ScratchDir &ws = workspace();
    ws.clear();
    writeFile(ws.path("T.dbf"), bigTable());
    writeFile(ws.path("T.cgp"), std::string("TAG\r\n"));
    writeFile(ws.path("TAG.ntx"), data, size);
    Outcome out;
    {
        Session s(out, true);
        // Eight pages: larger inputs evict all the time and read ahead two pages, so a page
        // pointer kept across a read, or a bad page brought in ahead, meets the sanitizers.
        s.c->pageCache().setBudget(8);
        indexRun(s, ws.path("T"), size, out);
    }
    return out;
}

Outcome runCgp(const uint8_t *data, size_t size)
{
    const ScratchDir &ws = workspace();
    ws.clear();
    writeFile(ws.path("T.dbf"), bigTable());
    for (const auto &[name, bytes] : groupTags())
        writeFile(ws.path(name + ".ntx"), bytes);
    writeFile(ws.path("T.cgp"), data, size);
    Outcome out;
    {
        Session s(out, true);
        groupRun(s, ws.path("T"), size, out);
    }
    return out;
}

Runner runnerFor(const std::string &target)
{
    if (target == "dbf") return runDbf;
    if (target == "dbt") return runDbt;
    if (target == "ntx") return runNtx;
    if (target == "cgp") return runCgp;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Seeds

std::vector<std::pair<std::string, std::vector<uint8_t>>> seedFiles(const std::string &target)
{
    std::vector<std::pair<std::string, Bytes>> out;
    if (target == "dbf") {
        const std::vector<RawField> people = {{"NAME", 'C', 12, 0},
                                              {"AGE", 'N', 3, 0},
                                              {"BALANCE", 'N', 9, 2},
                                              {"BORN", 'D', 8, 0},
                                              {"ACTIVE", 'L', 1, 0}};
        const std::vector<std::string> rows = {
            "Ann         " + right("42", 3) + right("1234.50", 9) + "19820314T",
            "*Bob         " + right("7", 3) + right("-0.75", 9) + "        F",
            "Cy          " + std::string(3, ' ') + std::string(9, ' ') + "20000229 ",
            "dora        " + right("101", 3) + right("99999.99", 9) + "19991231y"};
        out.emplace_back("people.dbf", makeDbf(people, rows));
        out.emplace_back("empty.dbf", makeDbf(people, {}));
        DbfLayout other;
        other.zeroAfterTerminator = true;
        other.endMark = false;
        out.emplace_back("zero-after-terminator-no-end-mark.dbf", makeDbf(people, rows, other));
        // Memo numbers point into the memo file written beside every table of this target.
        out.emplace_back("memos.dbf",
                         makeDbf({{"TITLE", 'C', 8, 0}, {"BODY", 'M', 10, 0}},
                                 {"one     " + right("1", 10), "two     " + right("2", 10),
                                  "none    " + std::string(10, ' ')}));
        // A character field of 300 bytes keeps its high length byte in the decimals byte;
        // F fields read as numbers.
        out.emplace_back("wide-char-and-float.dbf",
                         makeDbf({{"WIDE", 'C', 44, 1}, {"RATE", 'F', 8, 3}},
                                 {pad("wide text", 300) + right("3.125", 8),
                                  std::string(300, 'w') + right("-0.500", 8)}));
    } else if (target == "dbt") {
        // Header bytes 8.. pick the memo of each (record, field) of the fixed table.
        out.emplace_back(
            "two-memos.dbt",
            makeDbt(3, {{1, "the first memo"}, {2, "the second memo"}}, {1, 2, 2, 0, 0, 1}));
        out.emplace_back("multi-block.dbt",
                         makeDbt(6, {{1, std::string(1100, 'L')}, {4, "after the long one"}},
                                 {1, 4, 0, 0, 4, 1, 1}));
        // The last memo is not padded to a whole block and next-free points past the end.
        out.emplace_back("unpadded-end.dbt", makeDbt(4, {{1, "short"}, {2, std::string(600, 'u')}},
                                                     {2, 1, 1, 2}, false, false));
        // A single 0x1A and no spare block, as another engine writes: 512 bytes fill block 1
        // exactly and its end mark lands at the start of block 2.
        out.emplace_back("single-end-mark.dbt",
                         makeDbt(3, {{1, std::string(512, 'e')}, {2, "next"}}, {1, 2, 0, 1}, true));
        out.emplace_back("empty.dbt", makeDbt(1, {}));
    } else if (target == "ntx") {
        auto built = buildIndexes({{"code", "CODE"},
                                   {"upper-name", "UPPER(NAME)"},
                                   {"name-code", "NAME+CODE"},
                                   {"str-amount", "STR(AMOUNT,10,2)"},
                                   {"dtos-since", "DTOS(SINCE)"}});
        for (auto &[name, bytes] : built)
            out.emplace_back(name + ".ntx", std::move(bytes));
        // The code index after two thirds of its entries went out and came back in (pages
        // split and merged), with two free pages chained behind it.
        ScratchDir dir("quillory-fuzz-template");
        writeFile(dir.path("code.ntx"), out[0].second);
        xbase::NtxFile ntx;
        std::string err;
        if (!ntx.open(dir.path("code.ntx"), false, &err)) throw std::runtime_error(err);
        std::vector<std::pair<std::string, uint32_t>> entries;
        ntx.forEach(
            [&](const char *key, uint32_t recno) {
                entries.emplace_back(std::string(key, size_t(ntx.keyLength())), recno);
                return true;
            },
            &err);
        const size_t moved = entries.size() * 2 / 3;
        bool ok = entries.size() == kBigTableRecords;
        for (size_t i = 0; ok && i < moved; ++i)
            ok = ntx.remove(entries[i].first.data(), entries[i].second, &err);
        for (size_t i = moved; ok && i-- > 0;)
            ok = ntx.insert(entries[i].first.data(), entries[i].second, &err);
        if (!ok || !ntx.close(&err)) throw std::runtime_error("free-list seed: " + err);
        Bytes b = readFile(dir.path("code.ntx"));
        const uint32_t firstFree = uint32_t(b.size());
        for (uint32_t next : {firstFree + 1024, 0u}) {
            Bytes page(1024, 0);
            const int maxKeys = xbase::NtxFile::maxKeysFor(8);
            for (int i = 0; i <= maxKeys; ++i) // the offsets of an empty page, in order
                xbase::putU16(&page[2 + 2 * size_t(i)], uint16_t(2 + 2 * (maxKeys + 1) + i * 16));
            xbase::putU32(&page[2 + 2 * size_t(maxKeys + 1)], next);
            b.insert(b.end(), page.begin(), page.end());
        }
        xbase::putU32(&b[8], firstFree);
        out.emplace_back("code-reinserted-free-pages.ntx", std::move(b));
    } else if (target == "cgp") {
        out.emplace_back("three-tags.cgp", bytesOf("CODE\r\nname\r\nAmount\r\n"));
        out.emplace_back("other-case-lf.cgp", bytesOf("code\nNAME"));
        out.emplace_back("with-extension.cgp", bytesOf("Amount.ntx\r\n"));
        out.emplace_back("tab-and-eof.cgp", bytesOf("name\tCODE\x1a"));
        out.emplace_back("empty.cgp", bytesOf(""));
    }
    return out;
}

} // namespace fuzzharness
