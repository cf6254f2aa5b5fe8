// libFuzzer target: the input is a whole index file (.ntx), the one tag of a fixed
// 300-record table.
// What is done with it: FuzzHarness.cpp, runNtx.

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzharness::abortOnFault(fuzzharness::runNtx(data, size));
    return 0;
}
