// The --json report: one JSON object that says what ran, on what machine,
// how long it took and whether the result was right, for one run or every
// run of a stability test. Field names are listed in the README.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_session.h"
#include "cli/repeat_run.h"

namespace calvorn {

struct JsonRun {
    std::int32_t sizeExponent = 14;
    bool repeated = false;               // --repeat: the runs are listed
    std::vector<SessionResult> runs;     // every run begun
    RunVerdict verdict = RunVerdict::failed;
    std::uint32_t recordedTime = 0;      // milliseconds: the run's, or the best of the stability test
    std::uint32_t bestTime = 0;          // stability test only
    std::uint32_t medianTime = 0;
    std::uint64_t memoryBytes = 0;       // total physical memory
};

// The object as one line of text.
std::string jsonReport(const JsonRun& run);

} // namespace calvorn
