// gendata DIR --invoices N [--customers N] [--products N] [--purchases N] [--estimates N]
//         [--groups N] [--seed S]
// Fills the empty tables of a data directory made by mkdata with synthetic business data and
// builds their indexes. The same options always write the same records.

#include "GenData.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: gendata DIR --invoices N [--customers N] [--products N] "
                 "[--purchases N] [--estimates N] [--groups N] [--seed S]\n"
                 "Fills the empty tables of DIR (made by mkdata) with synthetic data; the\n"
                 "other counts are scaled from the invoice count when not given.\n");
}

bool number(const char *text, long long max, long long *out)
{
    if (!*text) return false;
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno || *end || v < 0 || v > max) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const char *dir = nullptr;
    gendata::Options o;
    bool haveInvoices = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            usage();
            return 0;
        }
        if (a.rfind("--", 0) != 0) {
            if (dir) {
                usage();
                return 2;
            }
            dir = argv[i];
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "gendata: %s needs a value\n", a.c_str());
            return 2;
        }
        const char *value = argv[++i];
        long long v = 0;
        // Counts are checked against their limits by the generator; here only that they are
        // whole numbers that fit.
        if (!number(value, a == "--seed" ? (1LL << 62) : 1000000000LL, &v)) {
            std::fprintf(stderr, "gendata: %s wants a whole number, not \"%s\"\n", a.c_str(),
                         value);
            return 2;
        }
        if (a == "--invoices") {
            o.invoices = int(v);
            haveInvoices = true;
        } else if (a == "--customers") o.customers = int(v);
        else if (a == "--products") o.products = int(v);
        else if (a == "--purchases") o.purchases = int(v);
        else if (a == "--estimates") o.estimates = int(v);
        else if (a == "--groups") o.groups = int(v);
        else if (a == "--seed") o.seed = uint64_t(v);
        else {
            std::fprintf(stderr, "gendata: unknown option %s\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (!dir || !haveInvoices) {
        usage();
        return 2;
    }
    std::string error;
    if (!gendata::resolve(o, &error)) {
        std::fprintf(stderr, "gendata: %s\n", error.c_str());
        return 2;
    }
    if (!gendata::generate(QString::fromLocal8Bit(dir), o, stdout, nullptr, &error)) {
        std::fprintf(stderr, "gendata: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
