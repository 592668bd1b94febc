// The stability test: one size computed again and again, each run judged by
// its digits and, with the full work area, by its work fingerprint, until the
// count is reached, a run fails, or the user stops it. Keeps every run's
// figures for the summary: the best and the median time and the verdict.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "app/run_verdict.h"
#include "cli/console_run.h"

namespace calvorn {

struct RepeatedRun {
    std::int64_t number = 0; // from 1
    SessionResult session;
    RunVerdict verdict = RunVerdict::failed;
};

struct StabilityReport {
    std::vector<RepeatedRun> runs;            // every run begun, the last one stopped or failed
    RunVerdict verdict = RunVerdict::passed;  // of the last run when that one did not pass
    std::int64_t passedRuns = 0;
    std::uint32_t bestTime = 0;               // milliseconds, of the passed runs
    std::uint32_t medianTime = 0;
};

// The median of the times (the mean of the middle two for an even count,
// rounded down); 0 for none.
std::uint32_t medianOf(std::vector<std::uint32_t> times);

struct StabilityTest {
    std::int32_t sizeExponent = 14;
    std::int64_t count = 1;                 // 0: until stopped
    RunOptions options;
    std::optional<std::int64_t> faultyRun;  // the run whose arithmetic gets a fault (a test of the test)
    std::optional<std::filesystem::path> historyFile; // where every run that ends by itself is added
};

// Runs the test, calling `afterRun` after each run. Every passed run updates
// the records as a single run does, so the best time is the one kept.
StabilityReport runRepeatedly(const StabilityTest& test, Host& host, RecordTable& records,
                              const std::function<void(const RepeatedRun&)>& afterRun);

} // namespace calvorn
