#include "GenData.h"

#include "core/Cp1252.h"
#include "core/Dates.h"
#include "core/Prompts.h"
#include "core/Status.h"
#include "data/Catalogue.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"

#include <QDate>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <functional>
#include <vector>

namespace gendata {

using data::TableId;

bool resolve(Options &o, std::string *error)
{
    auto fail = [error](const std::string &text) {
        *error = text;
        return false;
    };
    if (o.invoices < 1 || o.invoices > kMaxKeyNumber)
        return fail("--invoices must be 1 to " + std::to_string(kMaxKeyNumber) +
                    ": invoice numbers have six digits");
    // Small sets keep a floor, so that even a few invoices pick among several customers and
    // products.
    auto scaled = [&](int &value, int divisor, int floor) {
        if (value < 0) value = std::max(floor, o.invoices / divisor);
    };
    scaled(o.customers, 9, 10);
    scaled(o.products, 180, 25);
    scaled(o.purchases, 18, 10);
    scaled(o.estimates, 20, 10);
    if (o.groups < 0) o.groups = std::min(kMaxGroups, 5 + o.customers / 1000);
    if (o.customers < 1 || o.customers > kMaxKeyNumber)
        return fail("--customers must be 1 to " + std::to_string(kMaxKeyNumber) +
                    ": customer numbers have six digits");
    if (o.products < 1 || o.products > kMaxKeyNumber)
        return fail("--products must be 1 to " + std::to_string(kMaxKeyNumber));
    if (o.purchases > kMaxKeyNumber)
        return fail("--purchases must be 0 to " + std::to_string(kMaxKeyNumber) +
                    ": purchase numbers have six digits");
    if (o.estimates > kMaxKeyNumber)
        return fail("--estimates must be 0 to " + std::to_string(kMaxKeyNumber) +
                    ": estimate numbers have six digits");
    if (o.groups > kMaxGroups)
        return fail("--groups must be 0 to " + std::to_string(kMaxGroups) +
                    ": group numbers have two digits");
    return true;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Randomness: splitmix64, one stream per table so that changing one count leaves the other
// tables' records alone.

class Random
{
public:
    Random(uint64_t seed, uint64_t stream) : m_state(seed * 0x9E3779B97F4A7C15ull ^ stream)
    {
        next();
    }
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int below(int n) { return n <= 1 ? 0 : int((unsigned __int128)next() * unsigned(n) >> 64); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    template <class T> const T &pick(const std::vector<T> &v) { return v[size_t(below(int(v.size())))]; }
    // An index drawn with the given weights.
    int weighted(const std::vector<int> &weights)
    {
        int total = 0;
        for (int w : weights) total += w;
        int r = below(total);
        for (size_t i = 0; i < weights.size(); ++i) {
            if (r < weights[i]) return int(i);
            r -= weights[i];
        }
        return int(weights.size()) - 1;
    }

private:
    uint64_t m_state;
};

// ---------------------------------------------------------------------------------------------
// Word lists. Written here in UTF-8 and held as Windows-1252 bytes, the tables' character set.

std::string cp(const char *utf8) { return core::toCp1252(QString::fromUtf8(utf8)).toStdString(); }

std::vector<std::string> cpList(std::initializer_list<const char *> items)
{
    std::vector<std::string> out;
    for (const char *s : items) out.push_back(cp(s));
    return out;
}

// Lower-case ASCII for e-mail addresses: accents dropped, a few letters spelt out.
std::string asciiLower(const char *utf8)
{
    QString s = QString::fromUtf8(utf8).toLower();
    s.replace(QStringLiteral("ø"), QStringLiteral("o"));
    s.replace(QStringLiteral("æ"), QStringLiteral("ae"));
    s.replace(QStringLiteral("ß"), QStringLiteral("ss"));
    s = s.normalized(QString::NormalizationForm_D);
    std::string out;
    for (QChar ch : s)
        if ((ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ||
            (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')))
            out += char(ch.unicode());
    return out;
}

struct Name
{
    std::string text;   // Windows-1252
    std::string ascii;  // for e-mail addresses
    bool female = false;
};

struct City
{
    std::string line;  // "City, ST"
    const char *zip3;
    const char *area;
};

struct Category
{
    const char *code;
    bool stocked;
    bool service;  // sold by the hour
    std::vector<std::string> nouns;
    std::vector<std::string> variants;
    int minCents, maxCents;
};

struct Words
{
    std::vector<Name> firstNames, lastNames;
    std::vector<std::string> streets, streetKinds, companyWords, companyKinds, domains;
    std::vector<City> cities;
    std::vector<std::string> notes, customerMemo, groups, depts, invoiceMemos, remarks;
    std::vector<Category> categories;
    std::vector<std::string> itemComments, productMemo;

    Words()
    {
        const char *female[] = {"Mary",   "Patricia", "Linda",   "Barbara", "Elizabeth", "Jennifer",
                                "Maria",  "Susan",    "Margaret", "Dorothy", "Lisa",     "Nancy",
                                "Karen",  "Betty",    "Helen",   "Sandra",  "Donna",     "Carol",
                                "Ruth",   "Sharon",   "Michelle", "Laura",  "Sarah",     "Kimberly",
                                "Renée",  "Zoë",      "Chloé",   "Inés",    "Sofía",     "Ingrid",
                                "Beatriz", "Anaïs",   "Marta",   "Hélène"};
        const char *male[] = {"James",  "John",    "Robert",  "Michael", "William", "David",
                              "Richard", "Joseph", "Thomas",  "Charles", "Daniel",  "Matthew",
                              "Anthony", "Mark",   "Donald",  "Steven",  "Paul",    "Andrew",
                              "Joshua", "Kenneth", "Kevin",   "Brian",   "George",  "Edward",
                              "José",   "François", "Björn",  "Søren",   "André",   "Jürgen",
                              "Ramón",  "Jesús",   "Émile",   "Nikolaj"};
        for (const char *n : female) firstNames.push_back({cp(n), asciiLower(n), true});
        for (const char *n : male) firstNames.push_back({cp(n), asciiLower(n), false});
        const char *last[] = {
            "Smith",    "Johnson",  "Williams", "Brown",    "Jones",     "Garcia",   "Miller",
            "Davis",    "Rodriguez", "Martinez", "Hernandez", "Lopez",   "Gonzalez", "Wilson",
            "Anderson", "Thomas",   "Taylor",   "Moore",    "Jackson",   "Martin",   "Lee",
            "Perez",    "Thompson", "White",    "Harris",   "Sanchez",   "Clark",    "Ramirez",
            "Lewis",    "Robinson", "Walker",   "Young",    "Allen",     "King",     "Wright",
            "Scott",    "Torres",   "Nguyen",   "Hill",     "Flores",    "Green",    "Adams",
            "Nelson",   "Baker",    "Hall",     "Rivera",   "Campbell",  "Mitchell", "Carter",
            "Roberts",  "Gómez",    "Núñez",    "Müller",   "Schäfer",   "Lefèvre",  "Østergaard",
            "Dvořák",   "Åberg",    "Peña",     "Ibáñez",   "Fontaine",  "O'Brien",  "McAllister",
            "van der Berg", "Kowalski", "Novak",  "Becker",   "Weiß",      "Çelik",    "Brandão"};
        for (const char *n : last) {
            // Names Windows-1252 cannot hold (ř) are left out; the rest keep their accents.
            bool ok = true;
            const QByteArray b = core::toCp1252(QString::fromUtf8(n), &ok);
            if (ok) lastNames.push_back({b.toStdString(), asciiLower(n), false});
        }
        streets = cpList({"Main",     "Oak",      "Pine",     "Maple",    "Cedar",    "Elm",
                          "Washington", "Lake",   "Hill",     "Walnut",   "Spring",   "North",
                          "Ridge",    "Church",   "Willow",   "Mill",     "Sunset",   "Railroad",
                          "Jackson",  "Park",     "Highland", "Forest",   "River",    "Meadow",
                          "Chestnut", "Prospect", "Union",    "Franklin", "Liberty",  "Center",
                          "Front",    "Harbor",   "Orchard",  "Valley",   "Broad",    "Market"});
        streetKinds = cpList({"St", "Ave", "Rd", "Blvd", "Ln", "Dr", "Way", "Ct", "Pl", "Pkwy"});
        companyWords = cpList({"Northwind", "Bluewater", "Summit",  "Keystone", "Redwood",
                               "Ironside",  "Lakeshore", "Pioneer", "Granite",  "Silverline",
                               "Evergreen", "Crescent", "Beacon",   "Prairie",  "Cobalt",
                               "Harbor",    "Meridian", "Westfield", "Brookside", "Café Lumière"});
        companyKinds = cpList({"Supply", "Builders", "Design", "Services", "Trading Co.",
                               "Industries", "& Sons", "Partners", "Logistics", "Electric",
                               "Dental Group", "Bakery", "Auto Repair", "Printing", "Inc."});
        domains = cpList({"example.com", "example.net", "example.org", "mail.example.com",
                          "inbox.example.net"});
        struct C
        {
            const char *name, *st, *zip3, *area;
        };
        const C cityList[] = {
            {"Springfield", "IL", "627", "217"}, {"Portland", "OR", "972", "503"},
            {"Madison", "WI", "537", "608"},     {"Columbus", "OH", "432", "614"},
            {"Austin", "TX", "787", "512"},      {"Albany", "NY", "122", "518"},
            {"Burlington", "VT", "054", "802"},  {"Boise", "ID", "837", "208"},
            {"Richmond", "VA", "232", "804"},    {"Tucson", "AZ", "857", "520"},
            {"Dayton", "OH", "454", "937"},      {"Fresno", "CA", "937", "559"},
            {"Savannah", "GA", "314", "912"},    {"Spokane", "WA", "992", "509"},
            {"Lansing", "MI", "489", "517"},     {"Omaha", "NE", "681", "402"},
            {"Raleigh", "NC", "276", "919"},     {"Reno", "NV", "895", "775"},
            {"Santa Fe", "NM", "875", "505"},    {"Duluth", "MN", "558", "218"},
            {"Bangor", "ME", "044", "207"},      {"Tulsa", "OK", "741", "918"},
            {"Wichita", "KS", "672", "316"},     {"Provo", "UT", "846", "801"},
            {"Knoxville", "TN", "379", "865"},   {"Mobile", "AL", "366", "251"},
            {"Eugene", "OR", "974", "541"},      {"Trenton", "NJ", "086", "609"},
            {"Hartford", "CT", "061", "860"},    {"Peoria", "IL", "616", "309"},
            {"San José", "CA", "951", "408"},    {"Coeur d'Alene", "ID", "838", "208"}};
        for (const C &c : cityList)
            cities.push_back({cp(c.name) + ", " + c.st, c.zip3, c.area});
        notes = cpList({"Net 30",           "Prefers e-mail",        "Call before delivery",
                        "Tax exempt - cert on file", "COD only",     "Ask for the manager",
                        "Closed Mondays",   "Deliver to rear door",  "Credit limit $5,000",
                        "Referred by a customer", "Send paper invoices", "Purchasing dept."});
        customerMemo = cpList(
            {"Met at the spring trade show.", "Prefers deliveries before noon.",
             "Accounts payable contact changes often; confirm the address on every order.",
             "Has asked for quarterly statements.", "Very particular about packaging.",
             "Pays by check, usually within two weeks.", "Interested in the service plan.",
             "Gate code for deliveries is on the last work order.",
             "Mentioned a possible expansion next year.", "Spoke with Renée about the rebate."});
        groups = cpList({"Retail",       "Wholesale",     "Contractors",  "Schools",
                         "Government",   "Non-profit",    "Restaurants",  "Medical",
                         "Dealers",      "Online",        "Walk-in",      "Corporate",
                         "Churches",     "Farms",         "Hotels",       "Property mgmt",
                         "Auto shops",   "Salons",        "Architects",   "Libraries",
                         "Clubs",        "Trade show",    "Export",       "Café & Bistro"});
        depts = cpList({"Sales", "Service", "Parts", "Online", "Counter", "Installations",
                        "Repairs", "Rentals"});
        invoiceMemos = cpList({"Net 30", "Will call", "Ship ground", "Rush order",
                               "Paid at counter", "Deliver Tuesday", "Back order follows",
                               "Quoted price", "Warranty work"});
        remarks = cpList({"Thank you for your business!", "Customer picked up in person.",
                          "Delivered and installed on site.", "Partial shipment; rest to follow.",
                          "Price per the estimate of last month.",
                          "Returned one item; credited on the next order.",
                          "Signed for by the front desk."});
        categories = {
            {"HW", true, false,
             cpList({"Hinge", "Bracket", "Bolt set", "Anchor kit", "Padlock", "Door handle",
                     "Shelf pin", "Caster"}),
             cpList({"brass", "steel", "zinc", "black", "2 in", "3 in", "heavy duty", "pack of 10"}),
             150, 4500},
            {"EL", true, false,
             cpList({"Cable", "Switch", "Outlet", "Fuse", "Adapter", "Extension cord", "LED bulb",
                     "Surge protector"}),
             cpList({"white", "black", "2 m", "5 m", "15 A", "20 A", "outdoor", "dimmable"}),
             199, 8900},
            {"PA", true, false,
             cpList({"Copy paper", "Envelopes", "Labels", "Binder", "Toner", "Notebook",
                     "File folders", "Ink cartridge"}),
             cpList({"letter", "legal", "A4", "box of 500", "black", "colour", "recycled",
                     "3-ring"}),
             99, 12900},
            {"TL", true, false,
             cpList({"Drill bit set", "Screwdriver", "Wrench", "Saw blade", "Tape measure",
                     "Level", "Utility knife", "Clamp"}),
             cpList({"metric", "SAE", "10 pc", "25 ft", "24 in", "cordless", "pro", "compact"}),
             499, 39900},
            {"SV", false, true,
             cpList({"Labor", "Installation", "Consulting", "Repair", "Delivery", "Training",
                     "Site visit"}),
             cpList({"per hour", "standard", "after hours", "weekend", "on site", "remote"}),
             3500, 15000},
            {"SW", false, false,
             cpList({"License", "Subscription", "Support plan", "Upgrade", "Backup service"}),
             cpList({"1 year", "2 years", "single user", "5 users", "site", "renewal"}),
             2900, 149900},
        };
        itemComments = cpList({"Pack of 10", "Per hour", "Warranty 1 year", "Special order",
                               "Colour may vary", "Assembly required", "Includes delivery",
                               "Café model", "Non-returnable"});
        productMemo = cpList({"Supplier ships in cases of 12.", "Lead time is about two weeks.",
                              "Check the serial number on receipt.",
                              "Keep away from moisture.", "Discontinued by the maker next year.",
                              "Substitute: see the newer model.", "Minimum order of 5."});
    }
};

// ---------------------------------------------------------------------------------------------
// The calendar: business days over three years, with their date keys.

struct Calendar
{
    double first = 0;                 // day count of the first date
    std::vector<std::string> keys;    // "yyyymmdd" of first + i
    std::vector<int> businessDays;    // offsets from first, Monday to Friday

    Calendar()
    {
        const QDate start(2022, 1, 3), end(2024, 12, 31);
        first = core::dayFromDate(start);
        const int span = int(core::dayFromDate(end) - first) + 1;
        // Room after the last invoice for its payments.
        for (int i = 0; i < span + 120; ++i) {
            const QDate d = core::dateFromDay(first + i);
            keys.push_back(d.toString(QStringLiteral("yyyyMMdd")).toStdString());
            if (i < span && d.dayOfWeek() <= 5) businessDays.push_back(i);
        }
    }
    // The business day at position `index` of `count` evenly spread dates.
    int spread(long index, long count) const
    {
        return businessDays[size_t(index * long(businessDays.size()) / std::max(1L, count))];
    }
    const char *key(int offset) const
    {
        return keys[size_t(std::min(offset, int(keys.size()) - 1))].c_str();
    }
    int lastOffset() const { return int(keys.size()) - 1; }
};

// ---------------------------------------------------------------------------------------------
// A table opened without its indexes for appending.

class Writer
{
public:
    bool open(data::DataStore &store, TableId id, std::string *error)
    {
        m_id = id;
        CODE4 *c = store.engine();
        code4autoOpen(c, 0);
        m_data = d4open(c, store.tablePath(id).c_str());
        code4autoOpen(c, 1);
        if (!m_data || c->errorCode() < 0) {
            *error = std::string("cannot open table ") + data::tableDef(id).name + ": " +
                     c->errorText();
            return false;
        }
        return true;
    }
    DATA4 *data() const { return m_data; }
    FIELD4 *field(const char *name) const { return d4field(m_data, name); }
    long records() { return d4recCountDo(m_data); }
    bool append()
    {
        if (d4appendBlank(m_data) != 0) return false;
        ++m_appended;
        return true;
    }
    long appended() const { return m_appended; }
    const char *name() const { return data::tableDef(m_id).name; }

private:
    TableId m_id{};
    DATA4 *m_data = nullptr;
    long m_appended = 0;
};

void text(FIELD4 *f, const std::string &s) { f4assign(f, s.c_str()); }
void text(FIELD4 *f, const char *s) { f4assign(f, s); }
void money(FIELD4 *f, long long cents) { f4assignDouble(f, double(cents) / 100.0); }
void logical(FIELD4 *f, bool value) { f4assign(f, value ? "T" : "F"); }
void memo(FIELD4 *f, const std::string &s) { f4memoAssignN(f, s.data(), unsigned(s.size())); }

std::string format(const char *fmt, long a)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a);
    return buf;
}

std::string joinSentences(Random &r, const std::vector<std::string> &pool, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i) out += "\r\n";
        out += r.pick(pool);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Products and the lines sold from them.

struct Product
{
    std::string id, desc, comment;
    int cents = 0;
    int category = 0;
    bool tax1 = false, tax2 = false, stocked = false, service = false;
};

// Items per invoice or estimate: 1 to 10, three on average.
const std::vector<int> kItemWeights = {28, 24, 17, 11, 7, 5, 3, 2, 2, 1};

// Tax rates in hundredths of a percent; the settings record gets the same rates.
constexpr long long kRate1 = 625, kRate2 = 150;

struct Totals
{
    long long subtotal = 0, taxable1 = 0, taxable2 = 0;
};

// One item line: picks a product, quantity and price, writes the fields shared by invoice and
// estimate items and adds the line to the totals.
struct ItemFields
{
    FIELD4 *prid, *qty, *upr, *tax1, *tax2, *desc, *comm;
};

void writeItem(Random &r, const std::vector<Product> &products, const ItemFields &f,
               Totals &t)
{
    const int n = int(products.size());
    // Popular lines: two in five items come from the first tenth of the products.
    const Product &p = products[size_t(r.percent(40) ? r.below(std::max(1, n / 10)) : r.below(n))];
    long long qty;  // hundredths
    if (p.service) qty = 25LL * r.between(1, 32);
    else if (!p.stocked) qty = 100LL * r.between(1, 3);
    else if (r.percent(90)) qty = 100LL * r.between(1, 12);
    else qty = 100LL * r.between(12, 100) + (r.percent(20) ? 50 : 0);
    long long price = p.cents;
    if (r.percent(8)) price = std::max(1LL, price * 9 / 10);
    const long long line = (qty * price + 50) / 100;
    t.subtotal += line;
    if (p.tax1) t.taxable1 += line;
    if (p.tax2) t.taxable2 += line;
    text(f.prid, p.id);
    f4assignDouble(f.qty, double(qty) / 100.0);
    money(f.upr, price);
    logical(f.tax1, p.tax1);
    logical(f.tax2, p.tax2);
    text(f.desc, p.desc);
    if (r.percent(12))
        text(f.comm, r.percent(50) ? p.comment : format("Serial %06ld", long(r.below(1000000))));
}

struct Charges
{
    int discount = 0;  // hundredths of a percent
    long long discountCents = 0, ship = 0, tax = 0, total = 0;
};

Charges charges(Random &r, const Totals &t)
{
    static const std::vector<int> discounts = {250, 500, 750, 1000, 1500};
    static const std::vector<int> flatShipping = {495, 795, 995, 1495, 2495};
    Charges c;
    if (r.percent(22)) c.discount = r.pick(discounts);
    c.discountCents = (t.subtotal * c.discount + 5000) / 10000;
    const long long kept = 10000 - c.discount;
    c.tax = (t.taxable1 * kept * kRate1 + t.taxable2 * kept * kRate2 + 50000000) / 100000000;
    const int s = r.below(100);
    if (s < 35) c.ship = r.pick(flatShipping);
    else if (s < 50) c.ship = std::max(500LL, (t.subtotal * 3 + 50) / 100);
    c.total = t.subtotal - c.discountCents + c.ship + c.tax;
    return c;
}

// ---------------------------------------------------------------------------------------------

class Generator
{
public:
    Generator(const QString &dir, const Options &o, std::FILE *log)
        : m_store(dir, m_prompts, [this] { m_exited = true; }), m_o(o), m_log(log)
    {
    }

    bool run(Counts *counts, std::string *error);

private:
    bool check(std::string *error);
    bool customers(std::string *error);
    bool groups(std::string *error);
    bool products(std::string *error);
    bool purchases(std::string *error);
    bool invoices(std::string *error);
    bool estimates(std::string *error);
    bool labels(std::string *error);
    bool settings(std::string *error);
    bool finish(Writer &w, std::string *error);
    bool failed(const std::string &what, std::string *error);
    void say(const char *fmt, ...) __attribute__((format(printf, 2, 3)));
    double seconds() const;
    // A customer number for a document at fraction `t` of the period: customers join over
    // time, and one in five of those there is does most of the buying.
    int customerAt(Random &r, double t) const;

    core::ScriptedPrompts m_prompts;
    data::DataStore m_store;
    bool m_exited = false;
    Options m_o;
    std::FILE *m_log;
    Words m_words;
    Calendar m_cal;
    std::vector<Product> m_products;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    Counts m_counts;
};

void Generator::say(const char *fmt, ...)
{
    if (!m_log) return;
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(m_log, fmt, ap);
    va_end(ap);
    std::fflush(m_log);
}

double Generator::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

bool Generator::failed(const std::string &what, std::string *error)
{
    std::string text = what;
    CODE4 *c = m_store.engine();
    if (c && c->errorCode() < 0) text += ": " + c->errorText();
    for (const QString &s : m_prompts.shown()) text += "\n" + s.toStdString();
    *error = text;
    return false;
}

int Generator::customerAt(Random &r, double t) const
{
    const int known = std::clamp(int(m_o.customers * (0.35 + 0.65 * t)), 1, m_o.customers);
    if (r.percent(55)) return 1 + r.below(std::max(1, known / 5));
    return 1 + r.below(known);
}

bool Generator::check(std::string *error)
{
    if (!m_store.CheckTableFiles())
        return failed("the directory " + m_store.directory().toStdString() +
                          " does not hold the twelve tables; make it with mkdata first",
                      error);
    for (const data::TableDef &def : data::catalogue()) {
        Writer w;
        if (!w.open(m_store, def.id, error)) return false;
        const long n = w.records();
        d4close(w.data());
        if (def.id == TableId::QLR3A ? n < 1 : n > 0) {
            *error = def.id == TableId::QLR3A
                         ? std::string("the settings table QLR3A has no record; make the "
                                       "directory with mkdata")
                         : std::string("table ") + def.name + " already holds " +
                               std::to_string(n) +
                               " records; gendata fills only the empty tables mkdata writes";
            return false;
        }
    }
    return true;
}

bool Generator::finish(Writer &w, std::string *error)
{
    CODE4 *c = m_store.engine();
    if (c->errorCode() < 0 || m_exited) return failed(std::string("writing ") + w.name(), error);
    // The buffered records reach the file; the sync waits for the end.
    if (d4flush(w.data()) < 0) return failed(std::string("writing ") + w.name(), error);
    return true;
}

bool Generator::customers(std::string *error)
{
    Writer w;
    if (!w.open(m_store, TableId::CUST6, error)) return false;
    FIELD4 *cuno = w.field("cuno"), *title = w.field("title"), *first = w.field("first"),
           *last = w.field("last"), *addr1 = w.field("addr1"), *addr2 = w.field("addr2"),
           *addr3 = w.field("addr3"), *addr4 = w.field("addr4"), *zip = w.field("zip"),
           *comments = w.field("comments"), *ngroup = w.field("ngroup"), *note = w.field("note"),
           *phone = w.field("phone"), *fax = w.field("fax"), *email = w.field("email");
    Random r(m_o.seed, 1);
    const Words &W = m_words;
    for (int n = 1; n <= m_o.customers; ++n) {
        if (!w.append()) break;
        const Name &fn = r.pick(W.firstNames);
        const Name &ln = r.pick(W.lastNames);
        const City &city = r.pick(W.cities);
        f4assignLong(cuno, n);
        const int t = r.below(100);
        if (t < 60) text(title, fn.female ? (t < 30 ? "Ms" : "Mrs") : "Mr");
        else if (t < 65) text(title, "Dr");
        text(first, fn.text);
        text(last, ln.text);
        const std::string street = std::to_string(r.between(1, 9899)) + " " + r.pick(W.streets) +
                                   " " + r.pick(W.streetKinds);
        if (r.percent(20)) {
            // A business: the company name leads the address.
            text(addr1, r.percent(50) ? r.pick(W.companyWords) + " " + r.pick(W.companyKinds)
                                      : ln.text + " " + r.pick(W.companyKinds));
            text(addr2, r.percent(15) ? street + ", Suite " + std::to_string(r.between(100, 900))
                                      : street);
            text(addr3, city.line);
            if (r.percent(30)) text(addr4, r.percent(50) ? "Attn: Purchasing" : "Attn: Accounts");
        } else {
            text(addr1, street);
            if (r.percent(10)) {
                text(addr2, "Apt " + std::to_string(r.between(1, 40)) + char('A' + r.below(4)));
                text(addr3, city.line);
            } else {
                text(addr2, city.line);
            }
        }
        std::string z = city.zip3 + format("%02ld", r.below(100));
        if (r.percent(20)) z += format("-%04ld", r.below(10000));
        text(zip, z);
        if (r.percent(10)) memo(comments, joinSentences(r, W.customerMemo, r.between(1, 3)));
        if (m_o.groups > 0 && r.percent(70)) f4assignLong(ngroup, 1 + r.below(m_o.groups));
        else f4assignLong(ngroup, 0);
        if (r.percent(25)) text(note, r.pick(W.notes));
        text(phone, std::string("(") + city.area + ") 555-" + format("%04ld", r.below(10000)));
        if (r.percent(15))
            text(fax, std::string("(") + city.area + ") 555-" + format("%04ld", r.below(10000)));
        if (r.percent(85)) {
            std::string e = fn.ascii + "." + ln.ascii;
            if (r.percent(30)) e += std::to_string(r.between(1, 99));
            text(email, e + "@" + r.pick(W.domains));
        }
    }
    m_counts.customers = w.appended();
    if (!finish(w, error)) return false;
    say("  CUST6    %9ld records  %7.2f s\n", w.appended(), seconds());
    return true;
}

bool Generator::groups(std::string *error)
{
    Writer w;
    if (!w.open(m_store, TableId::GROUPS, error)) return false;
    FIELD4 *num = w.field("nGroup"), *name = w.field("cGroup");
    for (int g = 1; g <= m_o.groups; ++g) {
        if (!w.append()) break;
        f4assignLong(num, g);
        text(name, size_t(g) <= m_words.groups.size() ? m_words.groups[size_t(g - 1)]
                                                      : "Region " + std::to_string(g));
    }
    m_counts.groups = w.appended();
    if (!finish(w, error)) return false;
    say("  GROUPS   %9ld records  %7.2f s\n", w.appended(), seconds());
    return true;
}

bool Generator::products(std::string *error)
{
    Writer w;
    if (!w.open(m_store, TableId::Prod5, error)) return false;
    FIELD4 *prid = w.field("PrID"), *rcode = w.field("RCode"), *desc = w.field("PDesc"),
           *price = w.field("UPrice"), *tax1 = w.field("LTax1"), *tax2 = w.field("LTax2"),
           *inven = w.field("lInven"), *comm = w.field("IComm"), *pmemo = w.field("PMemo"),
           *reorder = w.field("REORDER"), *onhand = w.field("ONHAND"), *build = w.field("lBuild");
    Random r(m_o.seed, 2);
    const Words &W = m_words;
    const int digits = std::max(4, int(std::to_string(m_o.products).size()));
    m_products.reserve(size_t(m_o.products));
    for (int n = 1; n <= m_o.products; ++n) {
        Product p;
        // Goods outnumber services and software three to one.
        p.category = r.percent(75) ? r.below(4) : 4 + r.below(2);
        const Category &cat = W.categories[size_t(p.category)];
        p.id = std::string(cat.code) + "-" + format(("%0" + std::to_string(digits) + "ld").c_str(), n);
        p.desc = r.pick(cat.nouns) + ", " + r.pick(cat.variants);
        // Prices spread evenly on a log scale between the category's bounds.
        const double u = double(r.below(1000000)) / 1e6;
        p.cents = int(cat.minCents * std::pow(double(cat.maxCents) / cat.minCents, u));
        if (p.cents > 100) p.cents = p.cents / 5 * 5 - (r.percent(50) ? 1 : 0);
        p.stocked = cat.stocked;
        p.service = cat.service;
        p.tax1 = cat.stocked ? r.percent(90) : r.percent(30);
        p.tax2 = r.percent(15);
        if (r.percent(30)) p.comment = r.pick(W.itemComments);
        if (!w.append()) break;
        text(prid, p.id);
        text(rcode, format("V%04ld", r.between(1, 400)));
        text(desc, p.desc);
        money(price, p.cents);
        logical(tax1, p.tax1);
        logical(tax2, p.tax2);
        logical(inven, p.stocked);
        text(comm, p.comment);
        if (r.percent(15)) memo(pmemo, joinSentences(r, W.productMemo, r.between(1, 3)));
        if (p.stocked) {
            f4assignDouble(reorder, r.between(1, 20) * 5);
            f4assignDouble(onhand, r.between(0, 800));
        } else {
            f4assignDouble(reorder, 0);
            f4assignDouble(onhand, 0);
        }
        logical(build, false);
        m_products.push_back(std::move(p));
    }
    m_counts.products = w.appended();
    if (!finish(w, error)) return false;
    say("  Prod5    %9ld records  %7.2f s\n", w.appended(), seconds());
    return true;
}

bool Generator::purchases(std::string *error)
{
    Writer w;
    if (!w.open(m_store, TableId::Pur5, error)) return false;
    FIELD4 *prod = w.field("PURProd"), *date = w.field("PURDate"), *qty = w.field("PURQty"),
           *cost = w.field("PURCost"), *num = w.field("PURNo");
    std::vector<int> stocked;
    for (size_t i = 0; i < m_products.size(); ++i)
        if (m_products[i].stocked) stocked.push_back(int(i));
    if (stocked.empty())
        for (size_t i = 0; i < m_products.size(); ++i) stocked.push_back(int(i));
    Random r(m_o.seed, 3);
    for (int n = 1; n <= m_o.purchases; ++n) {
        if (!w.append()) break;
        const Product &p = m_products[size_t(r.pick(stocked))];
        const long long q = r.percent(70) ? 5 * r.between(1, 24) : r.between(100, 500);
        // Bought at 45 to 70 per cent of the selling price.
        const long long unit = std::max(1LL, (long long)p.cents * r.between(45, 70) / 100);
        text(prod, p.id);
        text(date, m_cal.key(m_cal.spread(n - 1, m_o.purchases)));
        f4assignDouble(qty, double(q));
        money(cost, q * unit);
        f4assignLong(num, n);
    }
    m_counts.purchases = w.appended();
    if (!finish(w, error)) return false;
    say("  Pur5     %9ld records  %7.2f s\n", w.appended(), seconds());
    return true;
}

bool Generator::invoices(std::string *error)
{
    Writer inv, itm, pmt;
    if (!inv.open(m_store, TableId::INV7, error) || !itm.open(m_store, TableId::ITM5, error) ||
        !pmt.open(m_store, TableId::PMT, error))
        return false;
    FIELD4 *ivno = inv.field("IvNo"), *cuno = inv.field("CuNo"), *dept = inv.field("Dept"),
           *idate = inv.field("IDate"), *imemo = inv.field("IMemo"),
           *discount = inv.field("Discount"), *ship = inv.field("Ship"), *tax = inv.field("Tax"),
           *due = inv.field("Due"), *rem = inv.field("REM"), *shipTo = inv.field("ShipTo");
    FIELD4 *itemIvNo = itm.field("IvNo"), *build = itm.field("lBuild"),
           *backOrder = itm.field("BackOrder");
    const ItemFields itemFields = {itm.field("PrID"),  itm.field("Qty"),   itm.field("UPR"),
                                   itm.field("LTax1"), itm.field("LTax2"), itm.field("PDesc"),
                                   itm.field("IComm")};
    FIELD4 *payIvNo = pmt.field("IvNo"), *payDate = pmt.field("PDate"), *payAmt = pmt.field("PAmt");
    Random r(m_o.seed, 4);
    const Words &W = m_words;
    CODE4 *c = m_store.engine();
    const long n = m_o.invoices;
    long nextReport = n / 10;
    for (long i = 1; i <= n && c->errorCode() >= 0; ++i) {
        const double t = double(i - 1) / double(n);
        const int day = m_cal.spread(i - 1, n);
        const int customer = customerAt(r, t);
        Totals totals;
        const int items = 1 + r.weighted(kItemWeights);
        for (int k = 0; k < items; ++k) {
            if (!itm.append()) break;
            f4assignLong(itemIvNo, i);
            writeItem(r, m_products, itemFields, totals);
            logical(build, false);
            f4assignDouble(backOrder, 0);
        }
        const Charges ch = charges(r, totals);
        // Payments: a quarter unpaid, half paid at once (some only in part), a quarter in two.
        long long paid = 0;
        const int kind = r.below(4);
        std::vector<std::pair<int, long long>> payments;
        if (kind == 1 || kind == 2) {
            long long amount = ch.total;
            if (r.percent(15) && ch.total > 1) amount = ch.total * r.between(30, 90) / 100;
            payments.push_back({day + r.between(0, 45), std::max(1LL, amount)});
        } else if (kind == 3 && ch.total > 1) {
            const long long firstPart = std::clamp(ch.total * r.between(20, 80) / 100, 1LL,
                                                   ch.total - 1);
            const int firstDay = day + r.between(0, 30);
            long long second = ch.total - firstPart;
            if (r.percent(20)) second = std::max(1LL, second / 2);
            payments.push_back({firstDay, firstPart});
            payments.push_back({firstDay + r.between(1, 60), second});
        }
        for (const auto &[payDay, amount] : payments) {
            if (!pmt.append()) break;
            f4assignLong(payIvNo, i);
            text(payDate, m_cal.key(std::min(payDay, m_cal.lastOffset())));
            money(payAmt, amount);
            paid += amount;
        }
        if (!inv.append()) break;
        f4assignLong(ivno, i);
        f4assignLong(cuno, customer);
        if (r.percent(60)) text(dept, r.pick(W.depts));
        text(idate, m_cal.key(day));
        const int m = r.below(100);
        if (m < 20) text(imemo, format("PO %05ld", r.between(1000, 99999)));
        else if (m < 30) text(imemo, r.pick(W.invoiceMemos));
        f4assignDouble(discount, ch.discount / 100.0);
        money(ship, ch.ship);
        money(tax, ch.tax);
        money(due, ch.total - paid);
        if (r.percent(5)) memo(rem, joinSentences(r, W.remarks, r.between(1, 2)));
        f4assignLong(shipTo, r.percent(93) ? customer : customerAt(r, t));
        if (i == nextReport && m_log) {
            say("    invoices %7ld of %ld  %7.2f s\n", i, n, seconds());
            nextReport += n / 10;
        }
    }
    m_counts.invoices = inv.appended();
    m_counts.items = itm.appended();
    m_counts.payments = pmt.appended();
    if (!finish(inv, error) || !finish(itm, error) || !finish(pmt, error)) return false;
    say("  INV7     %9ld records\n  ITM5     %9ld records\n  PMT      %9ld records  %7.2f s\n",
        inv.appended(), itm.appended(), pmt.appended(), seconds());
    return true;
}

bool Generator::estimates(std::string *error)
{
    Writer est, itm;
    if (!est.open(m_store, TableId::Est, error) || !itm.open(m_store, TableId::EstItm, error))
        return false;
    FIELD4 *estNo = est.field("EstNo"), *cuno = est.field("CuNo"), *dept = est.field("Dept"),
           *date = est.field("EstDate"), *discount = est.field("Discount"),
           *ship = est.field("Ship"), *tax = est.field("Tax"), *rem = est.field("REM");
    FIELD4 *itemEstNo = itm.field("EstNo");
    const ItemFields itemFields = {itm.field("PrID"),  itm.field("Qty"),   itm.field("UPR"),
                                   itm.field("LTax1"), itm.field("LTax2"), itm.field("PDesc"),
                                   itm.field("IComm")};
    Random r(m_o.seed, 5);
    CODE4 *c = m_store.engine();
    const long n = m_o.estimates;
    for (long e = 1; e <= n && c->errorCode() >= 0; ++e) {
        const double t = double(e - 1) / double(n);
        Totals totals;
        const int items = 1 + r.weighted(kItemWeights);
        for (int k = 0; k < items; ++k) {
            if (!itm.append()) break;
            f4assignLong(itemEstNo, e);
            writeItem(r, m_products, itemFields, totals);
        }
        const Charges ch = charges(r, totals);
        if (!est.append()) break;
        f4assignLong(estNo, e);
        f4assignLong(cuno, customerAt(r, t));
        if (r.percent(50)) text(dept, r.pick(m_words.depts));
        text(date, m_cal.key(m_cal.spread(e - 1, n)));
        f4assignDouble(discount, ch.discount / 100.0);
        money(ship, ch.ship);
        money(tax, ch.tax);
        if (r.percent(8)) memo(rem, "Valid for 30 days.\r\n" + r.pick(m_words.remarks));
    }
    m_counts.estimates = est.appended();
    m_counts.estimateItems = itm.appended();
    if (!finish(est, error) || !finish(itm, error)) return false;
    say("  Est      %9ld records\n  EstItm   %9ld records  %7.2f s\n", est.appended(),
        itm.appended(), seconds());
    return true;
}

bool Generator::labels(std::string *error)
{
    struct Stock
    {
        const char *name;
        double m[8];  // TopM LeftM BottomM RightM Width Height HGap VGap
        int across;
        bool continuous;
    };
    static const Stock stocks[] = {
        {"Address 1 x 2-5/8, 30 per sheet", {0.5, 0.188, 0.5, 0.188, 2.625, 1, 0.125, 0}, 3, false},
        {"Address 1-1/3 x 4, 14 per sheet", {0.833, 0.156, 0.833, 0.156, 4, 1.333, 0.188, 0}, 2, false},
        {"Shipping 2 x 4, 10 per sheet", {0.5, 0.156, 0.5, 0.156, 4, 2, 0.188, 0}, 2, false},
        {"Return address 1/2 x 1-3/4", {0.5, 0.281, 0.5, 0.281, 1.75, 0.5, 0.313, 0}, 4, false},
        {"Continuous 15/16 x 3-1/2", {0, 0.125, 0, 0.125, 3.5, 0.938, 0, 0.063}, 1, true},
        {"Continuous 1-7/16 x 4, 2 across", {0, 0.125, 0, 0.125, 4, 1.438, 0.125, 0.063}, 2, true},
    };
    Writer w;
    if (!w.open(m_store, TableId::LABELS, error)) return false;
    const char *measures[] = {"TopM", "LeftM", "BottomM", "RightM", "Width", "Height", "HGap", "VGap"};
    FIELD4 *name = w.field("Name"), *across = w.field("NAcross"), *cont = w.field("Continuous");
    for (const Stock &s : stocks) {
        if (!w.append()) break;
        text(name, s.name);
        for (int i = 0; i < 8; ++i) f4assignDouble(w.field(measures[i]), s.m[i]);
        f4assignLong(across, s.across);
        logical(cont, s.continuous);
    }
    m_counts.labels = w.appended();
    if (!finish(w, error)) return false;
    say("  LABELS   %9ld records  %7.2f s\n", w.appended(), seconds());
    return true;
}

// The business the documents are from, and the tax rates their tax amounts were worked with.
bool Generator::settings(std::string *error)
{
    if (!m_store.OpenQLR3A()) return failed("cannot open the settings table", error);
    m_store.LoadQLR3A();
    data::Settings &s = m_store.settings;
    s.Company = QStringLiteral("Harbor Light Supply Co.");
    s.Addr1 = QStringLiteral("1200 Commerce Way");
    s.Addr2 = QStringLiteral("Springfield, IL 62704");
    s.Addr3 = QStringLiteral("(217) 555-0100");
    s.TaxRate1 = double(kRate1) / 100.0;
    s.TaxRate2 = double(kRate2) / 100.0;
    m_store.StoreQLR3A();
    if (d4flush(m_store.data(TableId::QLR3A)) < 0 || m_exited)
        return failed("cannot write the settings record", error);
    return true;
}

// Writes a line per step of the index rebuild.
class LogStatus final : public core::StatusSink
{
public:
    LogStatus(std::FILE *log, std::function<double()> clock) : m_log(log), m_clock(std::move(clock)) {}
    void showStatus(const QString &text) override
    {
        if (m_log && !text.isEmpty())
            std::fprintf(m_log, "  %s  %7.2f s\n", qPrintable(text), m_clock());
    }
    void showProgress(int percent) override
    {
        if (m_log && percent > 0) std::fprintf(m_log, "    %3d%%  %7.2f s\n", percent, m_clock());
        if (m_log) std::fflush(m_log);
    }

private:
    std::FILE *m_log;
    std::function<double()> m_clock;
};

bool Generator::run(Counts *counts, std::string *error)
{
    m_store.startEngine();
    CODE4 *c = m_store.engine();
    if (m_exited) return failed("the table engine did not start", error);
    if (!check(error)) return false;
    say("gendata: %d invoices, %d customers, %d products, %d purchases, %d estimates, "
        "%d groups, seed %llu\n",
        m_o.invoices, m_o.customers, m_o.products, m_o.purchases, m_o.estimates, m_o.groups,
        static_cast<unsigned long long>(m_o.seed));
    // The bulk load writes without waiting for the disk; one synced flush of every table
    // follows at the end.
    c->syncOnFlush = false;
    const bool ok = customers(error) && groups(error) && products(error) && purchases(error) &&
                    invoices(error) && estimates(error) && labels(error) && settings(error);
    c->syncOnFlush = true;
    if (!ok) {
        m_store.closeAll();
        return false;
    }
    for (const auto &t : c->tables())
        if (d4flush(t.get()) < 0) return failed(std::string("flushing ") + t->name(), error);
    m_store.closeAll();
    if (c->errorCode() < 0 || m_exited) return failed("closing the tables", error);
    say("  tables synced  %7.2f s\n", seconds());
    LogStatus status(m_log, [this] { return seconds(); });
    data::RebuildIndexes(m_store, status, false);
    m_store.closeAll();
    if (c->errorCode() < 0 || m_exited) return failed("building the indexes", error);
    say("gendata: done in %.2f s\n", seconds());
    if (counts) *counts = m_counts;
    return true;
}

} // namespace

bool generate(const QString &directory, const Options &options, std::FILE *log, Counts *counts,
              std::string *error)
{
    Options o = options;
    if (!resolve(o, error)) return false;
    Generator g(directory, o, log);
    return g.run(counts, error);
}

} // namespace gendata
