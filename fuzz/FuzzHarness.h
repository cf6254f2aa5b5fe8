#pragma once

// What each fuzz target does with one input, shared by the libFuzzer entry points, the seed
// generator and the regression test that replays saved inputs.
//
// Every run works in a private directory of its own process, writes the input (and the fixed
// companion files it needs) there, drives the engine through its public interface and reports
// what happened. A crash, a hang or a sanitizer report is the harness's verdict by itself;
// `violation` names the rules the engine broke while staying alive (a walk longer than the
// file can hold, data that did not read back as written, a changed tree that no longer checks).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzharness {

struct Outcome
{
    bool opened = false;        // d4open succeeded
    std::vector<int> errors;    // every error code the engine raised, in order
    std::string firstErrorText; // the message of the first one
    std::string violation;      // the rules that were broken, one a line; empty if none
};

Outcome runDbf(const uint8_t *data, size_t size);
Outcome runDbt(const uint8_t *data, size_t size);
Outcome runNtx(const uint8_t *data, size_t size);
Outcome runCgp(const uint8_t *data, size_t size);

// The target's name as used for corpus and fixture folders: dbf, dbt, ntx, cgp.
using Runner = Outcome (*)(const uint8_t *, size_t);
Runner runnerFor(const std::string &target);

// True for the codes of Errors.h; anything else coming out of the engine is a fault.
bool isKnownError(int code);

// For the libFuzzer entry points: a broken rule or an unknown error code is printed and the
// process aborts, so that the fuzzer keeps the input.
void abortOnFault(const Outcome &out);

// Seed files for each target, as (file name, bytes); all of them valid and consistent with the
// fixed companion files, so every one must open and run without an error.
std::vector<std::pair<std::string, std::vector<uint8_t>>> seedFiles(const std::string &target);

} // namespace fuzzharness
