// masters_bench --dir DIR [--repeat N]: times the customer pick list's logic on the customers of
// a directory filled by gendata (see docs/benchmarks.md, "Pick lists").
//
// Each operation runs N times (200 unless given); prints one line per operation:
//   <operation> median <ms> p99 <ms> max <ms> cpu-max <ms> reads <CUST6 records per run>
// (wall clock; cpu-max is the largest CPU time of the thread in one run)
// The operations:
//   open@top, open@middle, open@end-500, open@end-5000, open@last
//                     show() with the selection value on the customer at that place of the
//                     by-name order (positioning, the page fill and the status box)
//   open@end-500(literal), open@middle(literal)
//                     the same with the exact count from the estimate back to the top, the
//                     method kept for tables up to 20,000 records, for comparison
//   page-down, page-up, line-down  from the middle, one move per run
//   end, home          from the middle
//   seek               alternately "SM" and "JO" typed into the seek box
//   thumb@50           the scroll bar's thumb released half way, from the top
//   next-number        the number a new customer gets (the first gap, walking tag CCNO)
// Nothing is written to the tables.

#include "core/Prompts.h"
#include "data/DataStore.h"
#include "masters/Numbering.h"
#include "masters/PagedList.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

namespace {

using data::TableId;
using masters::PagedList;

struct Result
{
    double medianMs = 0, p99Ms = 0, maxMs = 0, cpuMaxMs = 0, readsPerRun = 0;
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// `prepare` (not timed) sets the list up before each run of `op`.
Result measure(int repeat, DATA4 *customers, const std::function<void()> &prepare,
               const std::function<void()> &op)
{
    std::vector<double> ms;
    double cpuMax = 0;
    unsigned long long reads = 0;
    for (int i = 0; i < repeat; ++i) {
        prepare();
        const unsigned long long before = customers->recordReads();
        const double cpuStart = threadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        op();
        const auto end = std::chrono::steady_clock::now();
        cpuMax = std::max(cpuMax, threadCpuMs() - cpuStart);
        reads += customers->recordReads() - before;
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.back(),
            cpuMax, double(reads) / repeat};
}

void print(const char *name, const Result &r)
{
    std::printf("%-24s median %8.3f p99 %8.3f max %8.3f cpu-max %8.3f reads %6.1f\n", name,
                r.medianMs, r.p99Ms, r.maxMs, r.cpuMaxMs, r.readsPerRun);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    std::string dir;
    int repeat = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
        else if (std::strcmp(argv[i], "--repeat") == 0)
            repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    if (dir.empty() || argc % 2 == 0) {
        std::fprintf(stderr, "usage: masters_bench --dir DIR [--repeat N]\n");
        return 2;
    }
    core::ScriptedPrompts prompts;
    bool exited = false;
    data::DataStore store(QString::fromStdString(dir), prompts, [&exited] { exited = true; });
    store.startEngine();
    if (!store.OpenCUST6() || !store.OpenGROUPS() || exited) {
        std::fprintf(stderr, "masters_bench: cannot open the customers of %s\n", dir.c_str());
        return 1;
    }
    store.settings.ByCust = true;
    DATA4 *c = store.data(TableId::CUST6);
    const long count = d4recCountDo(c);
    if (count < 100) {
        std::fprintf(stderr, "masters_bench: %s has only %ld customers\n", dir.c_str(), count);
        return 1;
    }
    std::printf("customers %ld\n", count);

    // The record numbers at places of the by-name order (found by walking, not timed).
    d4tagSelectP(c, d4tag(c, "cname"));
    auto recordAt = [&](long index) {
        d4top(c);
        d4skip(c, index);
        return long(d4recNo(c));
    };
    struct Place
    {
        const char *name;
        long index;
    };
    const std::vector<Place> places = {{"open@top", 0},
                                       {"open@middle", count / 2},
                                       {"open@end-500", count - 500},
                                       {"open@end-5000", count - 5000},
                                       {"open@last", count - 1}};
    PagedList list(store, masters::PagedKind::Customers);
    for (const Place &p : places) {
        const long recNo = recordAt(p.index);
        print(p.name, measure(
                          repeat, c, [&] { store.selection.customer = int(recNo); },
                          [&] { list.show(); }));
    }
    {
        PagedList literal(store, masters::PagedKind::Customers);
        literal.setThresholds(LONG_MAX, PagedList::kExactZone);
        for (const Place &p : {places[2], places[1]}) {
            const long recNo = recordAt(p.index);
            const std::string name = std::string(p.name) + "(literal)";
            print(name.c_str(), measure(
                                    std::max(1, repeat / 10), c,
                                    [&] { store.selection.customer = int(recNo); },
                                    [&] { literal.show(); }));
        }
    }

    const long middle = recordAt(count / 2);
    auto openMiddle = [&] {
        store.selection.customer = int(middle);
        list.show();
    };
    print("page-down", measure(repeat, c, openMiddle, [&] { list.pageDown(); }));
    print("page-up", measure(repeat, c, openMiddle, [&] { list.pageUp(); }));
    print("line-down",
          measure(repeat, c, openMiddle, [&] { list.lineDown(PagedList::kRows - 1); }));
    print("end", measure(repeat, c, openMiddle, [&] { list.end(); }));
    print("home", measure(repeat, c, openMiddle, [&] { list.home(); }));
    int turn = 0;
    print("seek", measure(repeat, c, openMiddle, [&] {
              list.seek(turn++ % 2 ? QStringLiteral("JO") : QStringLiteral("SM"));
          }));
    auto openTop = [&] {
        store.selection.customer = 0;
        list.show();
    };
    print("thumb@50", measure(std::max(1, repeat / 10), c, openTop, [&] { list.thumb(50); }));

    int next = 0;
    print("next-number", measure(std::max(1, repeat / 20), c, [] {},
                                 [&] { next = masters::NextCustomerNumber(store); }));
    std::printf("next customer number: %d\n", next);

    // A long walk by pages from the middle to the end, checked against the order.
    openMiddle();
    long pages = 0;
    while (list.viewOffset() < list.largestOffset() && pages < 2 * count) {
        list.pageDown();
        ++pages;
    }
    std::printf("pages from the middle to the end: %ld (offset %ld of %ld, %s)\n", pages,
                list.viewOffset(), list.largestOffset(), list.offsetExact() ? "exact" : "estimate");
    store.closeAll();
    return exited ? 1 : 0;
}
