// Times the table engine on a customer table of N generated records, through the engine
// interface only, and prints one line per step: "<step> <seconds>" (walk lines name the tag;
// the maxrss line gives the peak resident memory in MB).
//
//   xbase_bench --records N --dir DIR [--cpu]
//
// --cpu times the steps in CPU time of the process (user and system) instead of wall-clock
// time: on a busy machine it tells engine changes apart where the wall clock cannot.
//
// The data are the same on every run: a fixed-seed generator makes names from short lists
// with numeric suffixes, so keys vary and repeat the way real customer data do. CUNO is a
// scrambled permutation of 1..N (record r holds ((r - 1) * A mod N) + 1 for a multiplier A
// near 0.618 N that is coprime to N), so the CUNO tag is neither built nor searched in
// record order, and the record of any customer number is known without a lookup table.
// CUNO is six digits wide, so at N = 1,000,000 the number 1000000 is stored as 0.
//
// Flushes wait for the disk (the engine's syncOnFlush, on by default), as they do for a user.
// Any check that fails ends the run with a message on stderr and exit status 1.

#include "xbase/EngineApi.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

const char *const kTableName = "BENCH";
// CUNO is N(6,0): customer numbers 1..999999, and 0 stands for the millionth.
constexpr uint32_t kMaxRecords = 1000000;

struct TagDef
{
    const char *name;
    const char *expression;
};
const TagDef kTags[] = {
    {"CNAME", "UPPER(LAST+FIRST)"},
    {"CCUNO", "STR(CUNO,6)"},
    {"CZIP", "ZIP"},
    {"CADDR", "ADDR1"},
};

const char *const kLastNames[] = {
    "Abernathy", "Bergstrom", "Castellano", "Delacroix", "Eriksen",  "Fairbanks", "Gallagher",
    "Hartmann",  "Iverson",   "Jablonski",  "Kowalczyk", "Lindqvist", "MacAllister", "Novak",
    "Okonkwo",   "Pellegrini", "Quintana",  "Rasmussen", "Santoro",  "Thornbury", "Underhill",
    "Vasquez",   "Whitaker",  "Yamamoto",
};
const char *const kFirstNames[] = {
    "Anna", "Bernard", "Clara", "Dmitri", "Elena", "Farid", "Greta", "Hugo",
    "Ines", "Jonas",   "Kira",  "Lukas",  "Maya",  "Nils",  "Olga",  "Pavel",
};
const char *const kStreets[] = {
    "Oak", "Maple", "Harbor", "Mill", "Station", "Church", "Willow", "Ridge",
    "Lake", "Cedar", "Market", "Orchard",
};
const char *const kStreetKinds[] = {"St", "Ave", "Rd", "Lane", "Way", "Court"};
const char *const kCities[] = {
    "Springfield", "Riverton", "Lakewood", "Fairview", "Georgetown", "Ashland",
    "Clinton",     "Greenville", "Madison", "Salem",    "Oakdale",    "Bristol",
};

template <class T, size_t N> constexpr size_t countOf(T (&)[N]) { return N; }

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "xbase_bench: %s\n", why.c_str());
    std::exit(1);
}

// xorshift64*: small, fast, and the same sequence everywhere.
class Random
{
public:
    explicit Random(uint64_t seed) : m_state(seed ? seed : 1) {}
    uint64_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    uint32_t below(uint32_t n) { return uint32_t((next() >> 32) % n); }

private:
    uint64_t m_state;
};

// Builds text in a fixed buffer without the cost of printf.
class Text
{
public:
    Text &add(const char *s)
    {
        const size_t n = std::strlen(s);
        std::memcpy(m_buf + m_len, s, n);
        m_len += n;
        return *this;
    }
    Text &add(uint32_t v)
    {
        m_len = size_t(std::to_chars(m_buf + m_len, m_buf + sizeof m_buf - 1, v).ptr - m_buf);
        return *this;
    }
    Text &add(char c)
    {
        m_buf[m_len++] = c;
        return *this;
    }
    const char *str()
    {
        m_buf[m_len] = 0;
        return m_buf;
    }
    Text &clear()
    {
        m_len = 0;
        return *this;
    }

private:
    char m_buf[96];
    size_t m_len = 0;
};

// The scrambled customer numbers: record r (1-based) holds ((r - 1) * a mod n) + 1.
class CustomerNumbers
{
public:
    explicit CustomerNumbers(uint32_t n) : m_n(n)
    {
        uint64_t a = uint64_t(double(n) * 0.6180339887) | 1;
        if (n <= 2) a = 1;
        while (std::gcd(a, uint64_t(n)) != 1) ++a;
        m_a = a % n;
        if (n == 1) m_a = 0;
        m_inverse = n == 1 ? 0 : inverseMod(m_a, n);
    }
    uint32_t ofRecord(uint32_t recno) const
    {
        return (uint32_t((uint64_t(recno - 1) * m_a) % m_n) + 1) % kMaxRecords;
    }
    uint32_t recordOf(uint32_t cuno) const
    {
        const uint32_t k = cuno == 0 ? kMaxRecords : cuno;
        return uint32_t((uint64_t(k - 1) * m_inverse) % m_n) + 1;
    }

private:
    static uint64_t inverseMod(uint64_t a, uint64_t n)
    {
        int64_t t = 0, newT = 1, r = int64_t(n), newR = int64_t(a);
        while (newR != 0) {
            int64_t q = r / newR;
            int64_t tmp = t - q * newT;
            t = newT;
            newT = tmp;
            tmp = r - q * newR;
            r = newR;
            newR = tmp;
        }
        if (t < 0) t += int64_t(n);
        return uint64_t(t);
    }

    uint32_t m_n;
    uint64_t m_a = 1;
    uint64_t m_inverse = 1;
};

bool g_cpuTime = false;

double now()
{
    if (!g_cpuTime)
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

class Stopwatch
{
public:
    Stopwatch() : m_start(now()) {}
    double seconds() const { return now() - m_start; }

private:
    double m_start;
};

void report(const char *step, double seconds)
{
    std::printf("%s %.3f\n", step, seconds);
    std::fflush(stdout);
}

struct Options
{
    uint32_t records = 0;
    std::string dir;
};

Options parseArgs(int argc, char **argv)
{
    Options o;
    bool haveRecords = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--records" && i + 1 < argc) {
            const char *s = argv[++i];
            unsigned long long v = 0;
            auto res = std::from_chars(s, s + std::strlen(s), v);
            if (res.ec != std::errc() || *res.ptr || v < 1 || v > kMaxRecords)
                die("--records takes a whole number from 1 to " + std::to_string(kMaxRecords) +
                    " (got " + std::string(s) + ")");
            o.records = uint32_t(v);
            haveRecords = true;
        } else if (a == "--dir" && i + 1 < argc) {
            o.dir = argv[++i];
        } else if (a == "--cpu") {
            g_cpuTime = true;
        } else if (a == "--records" || a == "--dir") {
            die(a + " needs a value");
        } else {
            die("usage: xbase_bench --records N --dir DIR [--cpu]");
        }
    }
    if (!haveRecords || o.dir.empty()) die("usage: xbase_bench --records N --dir DIR [--cpu]");
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    const Options opt = parseArgs(argc, argv);
    const uint32_t n = opt.records;

    std::error_code ec;
    std::filesystem::create_directories(opt.dir, ec);
    if (ec) die("cannot make directory " + opt.dir + ": " + ec.message());
    const std::string base = opt.dir + "/" + kTableName;
    for (const char *ext : {".dbf", ".cgp", ".dbf.tmp"}) std::filesystem::remove(base + ext, ec);
    for (const TagDef &t : kTags) {
        std::filesystem::remove(opt.dir + "/" + t.name + ".ntx", ec);
        std::filesystem::remove(opt.dir + "/" + t.name + ".ntx.tmp", ec);
    }

    std::string err;
    const std::vector<xbase::FieldInfo> fields = {
        {"CUNO", 'N', 6, 0},   {"LAST", 'C', 20, 0}, {"FIRST", 'C', 15, 0},
        {"ADDR1", 'C', 30, 0}, {"CITY", 'C', 20, 0}, {"ZIP", 'C', 10, 0},
        {"BALANCE", 'N', 10, 2},
    };
    if (!xbase::DbfFile::create(base + ".dbf", fields, &err)) die(err);

    CODE4 *c = code4initP();
    c->errorHook = [](int code, const std::string &text) {
        std::fprintf(stderr, "xbase_bench: engine error %d: %s\n", code, text.c_str());
    };
    c->exitHook = [] { std::exit(1); };
    c->syncOnFlush = true;  // what a user has: every flush waits for the disk
    code4accessMode(c, 1);
    DATA4 *d = d4open(c, base.c_str());
    if (!d) die("cannot open the new table");
    FIELD4 *fCuno = d4field(d, "CUNO"), *fLast = d4field(d, "LAST"),
           *fFirst = d4field(d, "FIRST"), *fAddr = d4field(d, "ADDR1"),
           *fCity = d4field(d, "CITY"), *fZip = d4field(d, "ZIP"),
           *fBalance = d4field(d, "BALANCE");
    if (!fCuno || !fLast || !fFirst || !fAddr || !fCity || !fZip || !fBalance)
        die("the new table lacks a field");
    auto check = [&](int rc, const char *what) {
        if (rc < 0) die(std::string(what) + " failed: " + code4errorText(c));
    };

    const CustomerNumbers cuno(n);

    // append: the customers are made up in blocks, outside the clock, so that the step times
    // the engine and not the generator of its data.
    {
        struct Customer
        {
            long cuno;
            char last[32], first[16], addr[48], zip[6];
            const char *city;
            double balance;
        };
        constexpr uint32_t kBlock = 4096;
        std::vector<Customer> block(kBlock);
        Random rnd(0x5eed0001);
        Text t;
        auto copy = [](char *to, size_t room, const char *from) {
            const size_t len = std::min(std::strlen(from), room - 1);  // room is ample
            std::memcpy(to, from, len);
            to[len] = 0;
        };
        double seconds = 0;
        for (uint32_t first = 1; first <= n; first += kBlock) {
            const uint32_t count = std::min(kBlock, n - first + 1);
            for (uint32_t i = 0; i < count; ++i) {
                Customer &k = block[i];
                k.cuno = long(cuno.ofRecord(first + i));
                t.clear().add(kLastNames[rnd.below(countOf(kLastNames))]).add(rnd.below(10000));
                copy(k.last, sizeof k.last, t.str());
                copy(k.first, sizeof k.first, kFirstNames[rnd.below(countOf(kFirstNames))]);
                t.clear()
                    .add(rnd.below(9999) + 1)
                    .add(' ')
                    .add(kStreets[rnd.below(countOf(kStreets))])
                    .add(' ')
                    .add(kStreetKinds[rnd.below(countOf(kStreetKinds))]);
                copy(k.addr, sizeof k.addr, t.str());
                k.city = kCities[rnd.below(countOf(kCities))];
                const uint32_t zip = rnd.below(100000);
                for (int j = 4, v = int(zip); j >= 0; --j, v /= 10) k.zip[j] = char('0' + v % 10);
                k.zip[5] = 0;
                k.balance = (double(rnd.below(10000000)) - 500000.0) / 100.0;
            }
            Stopwatch sw;
            for (uint32_t i = 0; i < count; ++i) {
                const Customer &k = block[i];
                check(d4appendBlank(d), "d4appendBlank");
                check(f4assignLong(fCuno, k.cuno), "f4assignLong");
                check(f4assign(fLast, k.last), "f4assign LAST");
                check(f4assign(fFirst, k.first), "f4assign FIRST");
                check(f4assign(fAddr, k.addr), "f4assign ADDR1");
                check(f4assign(fCity, k.city), "f4assign CITY");
                check(f4assign(fZip, k.zip), "f4assign ZIP");
                check(f4assignDouble(fBalance, k.balance), "f4assignDouble");
            }
            seconds += sw.seconds();
        }
        Stopwatch sw;
        check(d4flush(d), "d4flush");
        report("append", seconds + sw.seconds());
    }
    if (d4recCountDo(d) != long(n))
        die("the table has " + std::to_string(d4recCountDo(d)) + " records after appending " +
            std::to_string(n));

    // index
    {
        TAG4INFO info[countOf(kTags) + 1] = {};
        for (size_t i = 0; i < countOf(kTags); ++i)
            info[i] = TAG4INFO{kTags[i].name, kTags[i].expression, nullptr, 0, 0};
        Stopwatch sw;
        check(i4create(d, nullptr, info), "i4create");
        report("index", sw.seconds());
    }

    // seek
    {
        TAG4 *tag = d4tag(d, "CCUNO");
        if (!tag) die("tag CCUNO is not open");
        d4tagSelectP(d, tag);
        const uint32_t seeks = 100000;
        // The keys are made before the clock starts: the step times the engine alone.
        Random rnd(0x5eed0002);
        std::vector<uint32_t> keys(seeks);
        std::vector<char> keyText(size_t(seeks) * 7);
        for (uint32_t i = 0; i < seeks; ++i) {
            keys[i] = (rnd.below(n) + 1) % kMaxRecords;
            std::snprintf(&keyText[size_t(i) * 7], 7, "%6" PRIu32, keys[i]);
        }
        uint32_t found = 0, wrongRecord = 0;
        Stopwatch sw;
        for (uint32_t i = 0; i < seeks; ++i) {
            const int rc = d4seek(d, &keyText[size_t(i) * 7]);
            if (rc == 0) {
                ++found;
                if (uint32_t(d4recNo(d)) != cuno.recordOf(keys[i])) ++wrongRecord;
            } else if (rc < 0) {
                die(std::string("d4seek failed: ") + code4errorText(c));
            }
        }
        const double s = sw.seconds();
        if (found != seeks)
            die("only " + std::to_string(found) + " of " + std::to_string(seeks) +
                " seeks of existing keys returned 0");
        if (wrongRecord)
            die(std::to_string(wrongRecord) + " seeks landed on the wrong record");
        report("seek", s);
    }

    // walk, one tag at a time
    for (const TagDef &t : kTags) {
        TAG4 *tag = d4tag(d, t.name);
        if (!tag) die(std::string("tag ") + t.name + " is not open");
        d4tagSelectP(d, tag);
        uint32_t visited = 0;
        Stopwatch sw;
        int rc = d4top(d);
        while (rc == 0) {
            ++visited;
            rc = d4skip(d, 1);
        }
        const double s = sw.seconds();
        check(rc, "walk");
        if (rc != 3) die(std::string("the walk of ") + t.name + " ended with " + std::to_string(rc));
        if (visited != n)
            die(std::string("the walk of ") + t.name + " visited " + std::to_string(visited) +
                " records, not " + std::to_string(n));
        std::printf("walk %s %.3f\n", t.name, s);
        std::fflush(stdout);
    }

    // pack
    {
        d4tagSelectP(d, nullptr);
        const uint32_t removed = n / 10;
        Stopwatch sw;
        for (uint32_t r = 10; r <= n; r += 10) {
            check(d4go(d, long(r)), "d4go");
            d4delete(d);
            check(code4errorCode(c, 0), "d4delete");
        }
        check(d4pack(d), "d4pack");
        const double s = sw.seconds();
        const long expected = long(n - removed);
        if (d4recCountDo(d) != expected)
            die("the table has " + std::to_string(d4recCountDo(d)) + " records after the pack, not " +
                std::to_string(expected));
        report("pack", s);
        // Not timed: every tag still lists each remaining record once, and no deleted
        // customer (every tenth record) is left.
        for (const TagDef &t : kTags) {
            d4tagSelectP(d, d4tag(d, t.name));
            long visited = 0;
            int rc = d4top(d);
            for (; rc == 0; rc = d4skip(d, 1)) ++visited;
            check(rc, "walk after pack");
            if (visited != expected)
                die(std::string("after the pack, tag ") + t.name + " lists " +
                    std::to_string(visited) + " records, not " + std::to_string(expected));
        }
        d4tagSelectP(d, d4tag(d, "CCUNO"));
        for (uint32_t r = 10; r <= n; r += 10) {
            char k[7];
            std::snprintf(k, sizeof k, "%6" PRIu32, cuno.ofRecord(r));
            if (d4seek(d, k) == 0) die("customer " + std::string(k) + " survived the pack");
        }
        for (uint32_t r = 1; r <= n; r += 7) {
            if (r % 10 == 0) continue;
            char k[7];
            std::snprintf(k, sizeof k, "%6" PRIu32, cuno.ofRecord(r));
            if (d4seek(d, k) != 0 || f4long(fCuno) != long(cuno.ofRecord(r)))
                die("customer " + std::string(k) + " is missing after the pack");
        }
    }

    check(d4close(d), "d4close");
    code4initUndoP(c);

    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("maxrss %.1f\n", double(ru.ru_maxrss) / 1024.0);
    return 0;
}
