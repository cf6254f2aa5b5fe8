// startup_bench [--dir DIR] [--invoices N] [--runs N] [--platform NAME]
//
// Times the program's start-up on a full-sized data directory: from the moment the process is
// started to the moment its main window is ready (the splash gone, the first section shown),
// as the user waits for it. See docs/benchmarks.md.
//
// DIR (default /tmp/quillory-startup-N) holds `data`, the data directory: the supplied empty
// tables filled by gendata with N invoices (default 900,000), and `complete`, a stamp written
// once gendata has finished. A directory whose stamp names the same invoice count and whose
// table and index files are all there is used again, as generating takes a while.
//
// Each run starts the real quillory in the data directory on the Qt platform NAME (default
// offscreen; xcb under a virtual X server) with QUILLORY_QUIT_WHEN_READY set: the program
// prints "ready" when start-up has finished and then closes as "Exit" does. The run must end
// with exit status 0, and start-up must have rewritten no index or group file: every .ntx and
// .cgp file present before is there afterwards with the same size and modification time.
// Prints one line per run and the median; exits non-zero when a run fails either check.

#include "data/Catalogue.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Longest a run may take before it counts as hung: start-up on any sane machine is seconds.
constexpr int kRunTimeoutMs = 120 * 1000;

struct FileState
{
    std::uintmax_t size;
    long long mtimeNs;
    bool operator==(const FileState &) const = default;
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Every index and group file of the directory, by name, with its size and modification time
// to the nanosecond.
std::map<std::string, FileState> indexFiles(const fs::path &dir)
{
    std::map<std::string, FileState> out;
    for (const auto &e : fs::directory_iterator(dir)) {
        const std::string ext = lower(e.path().extension().string());
        if (ext != ".ntx" && ext != ".cgp") continue;
        struct stat st;
        if (::stat(e.path().c_str(), &st) != 0) continue;
        out[e.path().filename().string()] = {std::uintmax_t(st.st_size),
                                             st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
    }
    return out;
}

// The files start-up looks for: the tables it checks and the index files whose absence makes
// it rebuild. Names are matched without regard to case, as the engine opens them. Lists the
// missing ones.
std::vector<std::string> missingFiles(const fs::path &dir)
{
    std::vector<std::string> present, missing;
    for (const auto &e : fs::directory_iterator(dir))
        present.push_back(lower(e.path().filename().string()));
    auto check = [&](const char *name) {
        if (std::find(present.begin(), present.end(), lower(name)) == present.end())
            missing.push_back(name);
    };
    for (const char *name : data::tableFilesChecked())
        check(name);
    for (const data::RebuildStep &step : data::rebuildSteps())
        for (const char *name : step.testedFiles)
            check(name);
    return missing;
}

// Runs a program to its end; true when it exited with status 0.
bool runToEnd(const std::vector<std::string> &args)
{
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Makes or reuses the data directory; false (after saying why) when it cannot be made.
bool prepare(const fs::path &root, int invoices)
{
    const fs::path data = root / "data";
    const fs::path stamp = root / "complete";
    const std::string wanted = "invoices " + std::to_string(invoices);
    std::string held;
    if (std::ifstream in(stamp); in) std::getline(in, held);
    if (held == wanted && fs::is_directory(data) && missingFiles(data).empty()) {
        std::printf("data: %s (made earlier, %d invoices)\n", data.c_str(), invoices);
        return true;
    }
    std::error_code ec;
    fs::remove(stamp, ec);
    fs::remove_all(data, ec);
    fs::create_directories(data, ec);
    if (ec) {
        std::fprintf(stderr, "startup_bench: cannot make %s: %s\n", data.c_str(),
                     ec.message().c_str());
        return false;
    }
    for (const auto &e : fs::directory_iterator(QUILLORY_SUPPLIED_DATA))
        fs::copy_file(e.path(), data / e.path().filename());
    std::printf("data: generating %d invoices in %s\n", invoices, data.c_str());
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    if (!runToEnd({QUILLORY_GENDATA, data.string(), "--invoices", std::to_string(invoices)})) {
        std::fprintf(stderr, "startup_bench: gendata failed\n");
        return false;
    }
    std::printf("data: generated in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    std::ofstream(stamp) << wanted << "\n";
    return true;
}

// One start of the program; the seconds until it said "ready", or a negative number when it
// failed (after saying why).
double runOnce(const fs::path &data, const std::string &platform)
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (chdir(data.c_str()) != 0) _exit(126);
        setenv("QUILLORY_QUIT_WHEN_READY", "1", 1);
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
        dup2(out[1], STDOUT_FILENO);
        execl(QUILLORY_PROGRAM, QUILLORY_PROGRAM, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);

    double readyAt = -1;
    std::string output;
    bool timedOut = false;
    for (;;) {
        const int waited = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count());
        if (waited >= kRunTimeoutMs) {
            timedOut = true;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        const int rc = poll(&p, 1, kRunTimeoutMs - waited);
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) continue;
        char buffer[512];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        output.append(buffer, size_t(n));
        if (readyAt < 0 && output.find("ready\n") != std::string::npos)
            readyAt =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    close(out[0]);
    if (timedOut) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        std::fprintf(stderr, "startup_bench: no end after %d s\n", kRunTimeoutMs / 1000);
        return -1;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "startup_bench: quillory ended with %s %d\n",
                     WIFEXITED(status) ? "status" : "signal",
                     WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
        return -1;
    }
    if (readyAt < 0) std::fprintf(stderr, "startup_bench: quillory never said ready\n");
    return readyAt;
}

// A whole number from `low` to 1,000,000,000; -1 when the text is not one.
int count(const std::string &text, int low)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno || *end || v < low || v > 1000000000L) return -1;
    return int(v);
}

int usage()
{
    std::fprintf(stderr, "usage: startup_bench [--dir DIR] [--invoices N] [--runs N] "
                         "[--platform NAME]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    int invoices = 900000;
    int runs = 5;
    std::string dir, platform = "offscreen";
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc) return usage();
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--dir")
            dir = value;
        else if (option == "--platform")
            platform = value;
        else if (option == "--invoices")
            invoices = count(value, 0);
        else if (option == "--runs")
            runs = count(value, 1);
        else
            return usage();
    }
    if (invoices < 0 || runs < 1) return usage();
    if (dir.empty()) dir = "/tmp/quillory-startup-" + std::to_string(invoices);
    const fs::path root(dir);
    if (!prepare(root, invoices)) return 1;
    const fs::path data = root / "data";
    if (const auto missing = missingFiles(data); !missing.empty()) {
        std::fprintf(stderr, "startup_bench: %s lacks %s\n", data.c_str(), missing[0].c_str());
        return 1;
    }

    double load = 0;
    if (FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = 0;
        std::fclose(f);
    }
    std::printf("platform %s, %d runs, load average %.2f\n", platform.c_str(), runs, load);

    std::vector<double> seconds;
    bool failed = false;
    for (int run = 1; run <= runs; ++run) {
        const auto before = indexFiles(data);
        const double s = runOnce(data, platform);
        const auto after = indexFiles(data);
        for (const auto &[name, state] : before) {
            const auto found = after.find(name);
            if (found == after.end()) {
                std::fprintf(stderr, "startup_bench: run %d removed %s\n", run, name.c_str());
                failed = true;
            } else if (!(found->second == state)) {
                std::fprintf(stderr, "startup_bench: run %d rewrote %s\n", run, name.c_str());
                failed = true;
            }
        }
        for (const auto &[name, state] : after)
            if (!before.count(name)) {
                std::fprintf(stderr, "startup_bench: run %d wrote %s\n", run, name.c_str());
                failed = true;
            }
        if (s < 0) {
            failed = true;
            break;
        }
        std::printf("run %d %.3f s\n", run, s);
        std::fflush(stdout);
        seconds.push_back(s);
    }
    if (failed) return 1;
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    std::printf("median %.3f s (%.3f .. %.3f)\n", median, seconds.front(), seconds.back());
    return 0;
}
