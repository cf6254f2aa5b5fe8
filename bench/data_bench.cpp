// data_bench --dir DIR: times the data store's maintenance on a directory filled by gendata.
//
// Steps, in order, each in a child process of its own so that each has its own peak memory:
//   rebuild  the full index rebuild, with progress (as the Rebuild Indexes command runs it)
//   delete   marks every hundredth record of each table pack all packs deleted, then flushes
//   pack     pack all
// Prints "<step> <seconds>" for each, then "maxrss <step> <MB>" (the child's peak resident set,
// from getrusage). The directory is changed: the records marked deleted are gone afterwards.
//
// data_bench --dir DIR --step STEP runs one step in this process.

#include "core/Prompts.h"
#include "core/Status.h"
#include "data/Catalogue.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char *const kSteps[] = {"rebuild", "delete", "pack"};

// Every hundredth record, the first of each hundred; what is left matches any later pack.
constexpr long kDeleteEvery = 100;

int runStep(const std::string &dir, const std::string &step)
{
    core::ScriptedPrompts prompts;
    bool exited = false;
    data::DataStore store(QString::fromStdString(dir), prompts, [&exited] { exited = true; });
    store.startEngine();
    if (!store.CheckTableFiles()) {
        std::fprintf(stderr, "data_bench: %s does not hold the tables\n", dir.c_str());
        return 1;
    }
    core::RecordingStatus status;
    long marked = 0;
    const auto start = std::chrono::steady_clock::now();
    if (step == "rebuild") {
        data::RebuildIndexes(store, status, false);
    } else if (step == "delete") {
        for (const data::PackStep &p : data::packSteps()) {
            if (!store.open(p.table)) break;
            DATA4 *d = store.data(p.table);
            const long count = d4recCountDo(d);
            for (long r = 1; r <= count; r += kDeleteEvery) {
                d4go(d, r);
                d4delete(d);
                ++marked;
            }
            d4flush(d);
            store.closeAll();
        }
        store.packPending = true;
    } else if (step == "pack") {
        data::PackAll(store, status);
    } else {
        std::fprintf(stderr, "data_bench: unknown step %s\n", step.c_str());
        return 2;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    store.closeAll();
    if (exited || code4errorCode(store.engine(), 0) < 0) {
        std::fprintf(stderr, "data_bench: %s failed\n", step.c_str());
        for (const QString &s : prompts.shown()) std::fprintf(stderr, "  %s\n", qPrintable(s));
        return 1;
    }
    std::printf("%s %.3f\n", step.c_str(), seconds);
    if (marked) std::fprintf(stderr, "data_bench: %ld records marked deleted\n", marked);
    std::fflush(stdout);
    return 0;
}

// Runs one step in a fresh process (this program again) and returns its peak resident set in
// MB, or a negative number when it failed.
double runChild(const char *self, const std::string &dir, const char *step)
{
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        execl(self, self, "--dir", dir.c_str(), "--step", step, static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid) return -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

} // namespace

int main(int argc, char **argv)
{
    std::string dir, step;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
        else if (std::strcmp(argv[i], "--step") == 0) step = argv[i + 1];
    }
    if (dir.empty() || argc % 2 == 0) {
        std::fprintf(stderr, "usage: data_bench --dir DIR [--step rebuild|delete|pack]\n");
        return 2;
    }
    if (!step.empty()) return runStep(dir, step);

    std::vector<std::pair<const char *, double>> peaks;
    for (const char *s : kSteps) {
        const double mb = runChild("/proc/self/exe", dir, s);
        if (mb < 0) {
            std::fprintf(stderr, "data_bench: step %s failed\n", s);
            return 1;
        }
        peaks.push_back({s, mb});
    }
    for (const auto &[s, mb] : peaks) std::printf("maxrss %s %.1f MB\n", s, mb);
    return 0;
}
