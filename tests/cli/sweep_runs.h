// Runs of the console program for the crash sweeps: the record of every file
// operation a run makes, a run with one ordered fault at a chosen call, and
// the seed that makes a sweep's random moments repeatable.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cli/program_runner.h"
#include "cli/sweep_folder.h"

namespace calvorn::test {

// One call of the fault point, as the test build traces it.
struct TracedCall {
    long long number = 0;
    std::string operation;  // "write", "rename", ...
    std::string name;       // the file's name
    bool onWorkFile() const;        // one of ia.dat .. iy.dat
    bool isBlockTransfer() const;   // a read or write of a work file
};

// A whole run of the test build in the folder, with its calls; the folder is
// judged as after a successful run and reset.
struct TracedRun {
    std::vector<TracedCall> calls;
    double seconds = 0;
    Problems problems;
};
TracedRun traceRun(const SweepFolder& folder);

// A run of the test build with CALVORN_FILE_FAULT=`order` ("17:EIO").
ProgramEnd runWithFault(const SweepFolder& folder, const std::string& order, double& seconds);

// The calls worth a moment of their own: every call but the block transfers,
// and every `blockStep`th block transfer (none for 0).
std::vector<TracedCall> chosenCalls(const std::vector<TracedCall>& calls, std::size_t blockStep);

// The seed of a sweep: CALVORN_SWEEP_SEED when set, otherwise a fresh one.
// Printed by the caller, so that a failing sweep can be made again.
std::uint64_t sweepSeed();

} // namespace calvorn::test
