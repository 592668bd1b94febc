// The stability test: one size computed again and again, each run judged by
// its digits (and its work fingerprint where one is checked), until the count
// is reached, a run fails, or the user stops it. Keeps every run's figures
// for the summary: the best and the median time and the verdict.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/console_run.h"

namespace calvorn {

enum class RunVerdict {
    passed,   // digits verified (and the fingerprint as expected where checked)
    stopped,  // the user stopped it: not judged
    failed,   // the run failed or its digits are wrong
};

struct RepeatedRun {
    std::int64_t number = 0; // from 1
    RunOutcome outcome;
    RunVerdict verdict = RunVerdict::failed;
};

struct StabilityReport {
    std::vector<RepeatedRun> runs;  // every run begun, the stopped one included
    RunVerdict verdict = RunVerdict::passed;  // failed if any failed, stopped if the user ended it early
    std::int64_t passedRuns = 0;
    std::uint32_t bestTime = 0;     // milliseconds, of the passed runs
    std::uint32_t medianTime = 0;
};

RunVerdict judgeRun(const RunOutcome& outcome);

// The median of the times (the mean of the middle two for an even count,
// rounded down); 0 for none.
std::uint32_t medianOf(std::vector<std::uint32_t> times);

// Runs `count` times (0: until stopped), calling `afterRun` after each run.
StabilityReport runRepeatedly(std::int32_t sizeExponent, std::int64_t count, Host& host, Language language,
                              const std::function<void(const RepeatedRun&)>& afterRun);

} // namespace calvorn
