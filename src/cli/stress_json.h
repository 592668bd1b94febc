// The --json report of a stress test: one object that says what ran, on how
// many copies for how long, each core's runs, times and verdict with its
// failure, the copies' work areas and fingerprint check, and the machine.
// Field names are listed in the README.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/stress_judge.h"

namespace calvorn {

struct StressOutcome {
    std::int32_t sizeExponent = 14;
    std::optional<std::chrono::milliseconds> duration;  // --for
    std::chrono::milliseconds elapsed{0};
    std::string ending;          // "time-limit", "stopped" or "failure"
    MachineVerdict verdict = MachineVerdict::failed;
    std::uint64_t memoryBytes = 0;  // total physical memory
};

std::string stressJsonReport(const StressOutcome& outcome, const StressJudge& judge, const StressPlan& plan);

} // namespace calvorn
