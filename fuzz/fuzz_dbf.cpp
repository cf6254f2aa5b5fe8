// libFuzzer target: the input is a whole table file (.dbf); a small memo file sits
// beside it.
// What is done with it: FuzzHarness.cpp, runDbf.

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzharness::abortOnFault(fuzzharness::runDbf(data, size));
    return 0;
}
