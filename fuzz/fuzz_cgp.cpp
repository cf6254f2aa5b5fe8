// libFuzzer target: the input is the text of a group file (.cgp) naming tags of a
// fixed table.
// What is done with it: FuzzHarness.cpp, runCgp.

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzharness::abortOnFault(fuzzharness::runCgp(data, size));
    return 0;
}
