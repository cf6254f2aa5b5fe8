#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <string>

// Synthetic business data for benchmarks and tests: customers in groups, products with stock
// purchases, invoices with items and payments, estimates and label stocks, written into the
// empty tables of a data directory that mkdata made. The same options always give the same
// records.
namespace gendata {

// Record numbers that the tables key on (invoice, customer, estimate and purchase numbers)
// have six digits.
constexpr int kMaxKeyNumber = 999999;
constexpr int kMaxGroups = 99;

struct Options
{
    int invoices = 0;
    // Negative: scaled from the invoice count (see resolve()).
    int customers = -1;
    int products = -1;
    int purchases = -1;
    int estimates = -1;
    int groups = -1;
    uint64_t seed = 1;
};

// Fills in the scaled defaults and checks the limits; false with a message when an option is
// out of range. For 900,000 invoices the defaults are 100,000 customers, 5,000 products,
// 50,000 purchases, 45,000 estimates and 99 groups.
bool resolve(Options &options, std::string *error);

// Numbers of what generate() wrote.
struct Counts
{
    long customers = 0, groups = 0, products = 0, purchases = 0;
    long invoices = 0, items = 0, payments = 0;
    long estimates = 0, estimateItems = 0, labels = 0;
};

// Writes the records into the tables of `directory`, then builds every index. The directory
// must hold all twelve tables, every one of them empty except the settings table. Progress
// and timings go to `log` (null: silent). False with a message on any failure; the tables
// may then hold part of the data.
bool generate(const QString &directory, const Options &options, std::FILE *log, Counts *counts,
              std::string *error);

} // namespace gendata
