// The synthetic data generator: what it writes is read alike by python3-dbf and our engine,
// its records refer to each other correctly, its indexes agree with the tables, the same seed
// writes the same files, and it refuses directories and counts it must not fill.

#include "GenData.h"
#include "core/Prompts.h"
#include "data/Catalogue.h"
#include "data/DataStore.h"
#include "support/TempDir.h"
#include "xbase/Verify.h"

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

using data::TableId;
using testsupport::TempDir;

constexpr int kInvoices = 300;

struct Outcome
{
    int exitCode = -1;
    std::string output;
};

Outcome runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        r.output = "did not finish: " + program.toStdString();
        return r;
    }
    r.exitCode = p.exitCode();
    r.output = p.readAll().toStdString();
    return r;
}

void makeTables(const std::string &dir)
{
    const Outcome r = runProgram(QStringLiteral(MKDATA_PATH), {QString::fromStdString(dir)});
    ASSERT_EQ(r.exitCode, 0) << r.output;
}

std::string escaped(const char *data, size_t length)
{
    std::string out;
    char buf[8];
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (b >= 0x20 && b <= 0x7e && b != '\\' && b != '|') {
            out += char(b);
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02x", b);
            out += buf;
        }
    }
    return out;
}

// Every table as our engine reads it, in the text form gendata_check.py prints for
// python3-dbf: texts without trailing blanks, other fields trimmed, memos whole. Each table is
// opened the way the program opens it, with its main tag selected.
std::string engineDump(const std::string &dir)
{
    core::ScriptedPrompts prompts;
    bool exited = false;
    data::DataStore store(QString::fromStdString(dir), prompts, [&] { exited = true; });
    store.startEngine();
    std::ostringstream out;
    for (const data::TableDef &def : data::catalogue()) {
        if (!store.open(def.id)) {
            ADD_FAILURE() << "cannot open " << def.name << ": "
                          << prompts.shown().join(QLatin1Char(' ')).toStdString();
            return {};
        }
        DATA4 *d = store.data(def.id);
        const long count = d4recCountDo(d);
        out << "table " << def.name << "\nrecords " << count << "\n";
        for (long rec = 1; rec <= count; ++rec) {
            d4go(d, rec);
            out << rec << (d4deleted(d) ? '*' : ' ');
            for (size_t i = 0; i < def.fields.size(); ++i) {
                FIELD4 *f = store.field(def.id, int(i));
                std::string v = def.fields[i].type == 'M' ? f4memoStr(f) : f4str(f);
                if (def.fields[i].type != 'M') {
                    v.erase(v.find_last_not_of(' ') + 1);
                    if (def.fields[i].type != 'C') v.erase(0, v.find_first_not_of(' '));
                }
                out << '|' << escaped(v.data(), v.size());
            }
            out << "\n";
        }
    }
    store.closeAll();
    EXPECT_FALSE(exited);
    return out.str();
}

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files of a directory by name; the .dbf headers without their date of last update.
std::map<std::string, std::string> filesOf(const std::string &dir)
{
    std::map<std::string, std::string> files;
    for (const auto &e : std::filesystem::directory_iterator(dir)) {
        std::string bytes = readFile(e.path());
        if (e.path().extension() == ".dbf" && bytes.size() > 4) bytes.replace(1, 3, "YMD");
        files[e.path().filename().string()] = std::move(bytes);
    }
    return files;
}

// ---------------------------------------------------------------------------------------------

// The tools as a user runs them: mkdata, then gendata; python3-dbf then reads every record
// as our engine does, and checks references and amounts on its own reading.
TEST(GenData, ToolFillsTablesThatAnIndependentReaderReadsAlike)
{
    TempDir tmp;
    const std::string dir = tmp.file("data");
    makeTables(dir);
    const Outcome gen = runProgram(QStringLiteral(GENDATA_PATH),
                        {QString::fromStdString(dir), QStringLiteral("--invoices"),
                         QString::number(kInvoices), QStringLiteral("--seed"), QStringLiteral("3")});
    ASSERT_EQ(gen.exitCode, 0) << gen.output;
    EXPECT_NE(gen.output.find("INV7           300 records"), std::string::npos) << gen.output;
    EXPECT_NE(gen.output.find("done in"), std::string::npos) << gen.output;

    const std::string dump = engineDump(dir);
    ASSERT_FALSE(dump.empty());
    const std::string dumpPath = tmp.file("engine.txt");
    std::ofstream(dumpPath, std::ios::binary) << dump;
#ifndef SYSTEM_PYTHON
    GTEST_SKIP() << "no /usr/bin/python3";
#else
    const Outcome check = runProgram(QStringLiteral(SYSTEM_PYTHON),
                          {QStringLiteral(CHECK_SCRIPT), QString::fromStdString(dir),
                           QString::fromStdString(dumpPath), QString::number(kInvoices)});
    if (check.exitCode == 77) GTEST_SKIP() << "python3-dbf is not installed";
    EXPECT_EQ(check.exitCode, 0) << check.output;
#endif
}

// The index rebuild at the end leaves every indexed table with its tags, and each tag holds
// exactly the keys of the table's records.
TEST(GenData, IndexesAgreeWithTheTables)
{
    TempDir tmp;
    const std::string dir = tmp.file("data");
    makeTables(dir);
    gendata::Options o;
    o.invoices = kInvoices;
    gendata::Counts counts;
    std::string error;
    ASSERT_TRUE(gendata::generate(QString::fromStdString(dir), o, nullptr, &counts, &error))
        << error;
    EXPECT_EQ(counts.invoices, kInvoices);
    EXPECT_GE(counts.items, kInvoices);
    EXPECT_LE(counts.items, 10 * kInvoices);

    core::ScriptedPrompts prompts;
    bool exited = false;
    data::DataStore store(QString::fromStdString(dir), prompts, [&] { exited = true; });
    store.startEngine();
    const std::pair<TableId, long> expected[] = {
        {TableId::CUST6, counts.customers}, {TableId::GROUPS, counts.groups},
        {TableId::Prod5, counts.products},  {TableId::Pur5, counts.purchases},
        {TableId::INV7, counts.invoices},   {TableId::ITM5, counts.items},
        {TableId::PMT, counts.payments},    {TableId::Est, counts.estimates},
        {TableId::EstItm, counts.estimateItems}, {TableId::LABELS, counts.labels}};
    for (const auto &[id, records] : expected) {
        const data::TableDef &def = data::tableDef(id);
        SCOPED_TRACE(def.name);
        ASSERT_TRUE(store.open(id));
        DATA4 *d = store.data(id);
        EXPECT_GT(records, 0);
        EXPECT_EQ(d4recCountDo(d), records);
        EXPECT_EQ(d->tags().size(), def.tags.size());
        const xbase::VerifyResult v = xbase::verifyTable(*d);
        EXPECT_TRUE(v.clean()) << (v.faults.empty() ? "" : v.faults.front().text);
        EXPECT_EQ(v.entries, uint64_t(records) * def.tags.size());
        store.closeAll();
    }
    EXPECT_FALSE(exited);
}

// Generation depends on the options alone: the same seed writes the same bytes, another seed
// other records.
TEST(GenData, SameSeedWritesTheSameFiles)
{
    TempDir tmp;
    auto generateInto = [&](const std::string &name, uint64_t seed) {
        const std::string dir = tmp.file(name);
        makeTables(dir);
        gendata::Options o;
        o.invoices = 120;
        o.seed = seed;
        std::string error;
        EXPECT_TRUE(gendata::generate(QString::fromStdString(dir), o, nullptr, nullptr, &error))
            << error;
        return filesOf(dir);
    };
    const auto a = generateInto("a", 7), b = generateInto("b", 7), c = generateInto("c", 8);
    ASSERT_EQ(a.size(), b.size());
    for (const auto &[name, bytes] : a) {
        ASSERT_TRUE(b.count(name)) << name;
        EXPECT_TRUE(bytes == b.at(name)) << name << " differs between two runs with one seed";
    }
    for (const char *name : {"CUST6.dbf", "INV7.dbf", "ITM5.dbf", "PMT.dbf"})
        EXPECT_FALSE(a.at(name) == c.at(name)) << name << " is the same for another seed";
}

TEST(GenData, RefusesDirectoriesItMustNotFill)
{
    TempDir tmp;
    gendata::Options o;
    o.invoices = 20;
    std::string error;

    // No tables at all.
    const std::string empty = tmp.file("empty");
    std::filesystem::create_directories(empty);
    EXPECT_FALSE(gendata::generate(QString::fromStdString(empty), o, nullptr, nullptr, &error));
    EXPECT_NE(error.find("mkdata"), std::string::npos) << error;

    // One table missing.
    const std::string partial = tmp.file("partial");
    makeTables(partial);
    std::filesystem::remove(partial + "/PMT.dbf");
    EXPECT_FALSE(gendata::generate(QString::fromStdString(partial), o, nullptr, nullptr, &error));
    EXPECT_NE(error.find("twelve tables"), std::string::npos) << error;

    // Tables that hold records already: refused, and left as they were.
    const std::string full = tmp.file("full");
    makeTables(full);
    ASSERT_TRUE(gendata::generate(QString::fromStdString(full), o, nullptr, nullptr, &error))
        << error;
    const auto before = filesOf(full);
    EXPECT_FALSE(gendata::generate(QString::fromStdString(full), o, nullptr, nullptr, &error));
    EXPECT_NE(error.find("already holds"), std::string::npos) << error;
    EXPECT_TRUE(before == filesOf(full));

    // The command line refuses the same with a message and a failing exit code.
    const Outcome r = runProgram(QStringLiteral(GENDATA_PATH),
                      {QString::fromStdString(full), QStringLiteral("--invoices"), QStringLiteral("5")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("gendata: table CUST6 already holds"), std::string::npos) << r.output;
}

// Counts that would overflow the six-digit (two for groups) numbers are refused before
// anything is written; counts not given are scaled from the invoice count.
TEST(GenData, CountsAreScaledAndLimited)
{
    struct Case
    {
        const char *what;
        gendata::Options options;
        const char *message;  // empty: accepted
    };
    auto with = [](int invoices, auto change) {
        gendata::Options o;
        o.invoices = invoices;
        change(o);
        return o;
    };
    const auto none = [](gendata::Options &) {};
    const Case cases[] = {
        {"largest", with(999999, none), ""},
        {"too many invoices", with(1000000, none), "--invoices"},
        {"no invoices", with(0, none), "--invoices"},
        {"too many customers", with(10, [](auto &o) { o.customers = 1000000; }), "--customers"},
        {"no customers", with(10, [](auto &o) { o.customers = 0; }), "--customers"},
        {"no products", with(10, [](auto &o) { o.products = 0; }), "--products"},
        {"too many purchases", with(10, [](auto &o) { o.purchases = 1000000; }), "--purchases"},
        {"too many estimates", with(10, [](auto &o) { o.estimates = 1000000; }), "--estimates"},
        {"too many groups", with(10, [](auto &o) { o.groups = 100; }), "--groups"},
        {"99 groups", with(10, [](auto &o) { o.groups = 99; }), ""},
    };
    for (const Case &c : cases) {
        gendata::Options o = c.options;
        std::string error;
        EXPECT_EQ(gendata::resolve(o, &error), !*c.message) << c.what << ": " << error;
        if (*c.message) {
            EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        }
    }

    gendata::Options o;
    o.invoices = 900000;
    std::string error;
    ASSERT_TRUE(gendata::resolve(o, &error));
    EXPECT_EQ(o.customers, 100000);
    EXPECT_EQ(o.products, 5000);
    EXPECT_EQ(o.purchases, 50000);
    EXPECT_EQ(o.estimates, 45000);
    EXPECT_EQ(o.groups, 99);

    const Outcome r = runProgram(QStringLiteral(GENDATA_PATH),
                      {QStringLiteral("/nonexistent"), QStringLiteral("--invoices"),
                       QStringLiteral("1000000")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("six digits"), std::string::npos) << r.output;
}

} // namespace
