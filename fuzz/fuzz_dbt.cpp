// libFuzzer target: the input is a whole memo file (.dbt) behind a fixed table
// whose memo numbers come from the input's header.
// What is done with it: FuzzHarness.cpp, runDbt.

#include "FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzharness::abortOnFault(fuzzharness::runDbt(data, size));
    return 0;
}
