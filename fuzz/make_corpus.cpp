// Writes the seed files of every fuzz target: make_fuzz_corpus <corpus folder>
// Each target's files go to <corpus folder>/<target>/ (dbf, dbt, ntx, cgp); existing files of
// the same names are replaced, others are left alone.

#include "FuzzHarness.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    for (const char *target : {"dbf", "dbt", "ntx", "cgp"}) {
        const std::filesystem::path dir = std::filesystem::path(argv[1]) / target;
        std::filesystem::create_directories(dir);
        for (const auto &[name, bytes] : fuzzharness::seedFiles(target)) {
            std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
                return 1;
            }
            std::printf("%s/%s: %zu bytes\n", target, name.c_str(), bytes.size());
        }
    }
    return 0;
}
