#include "cli/repeat_run.h"

#include <algorithm>

namespace calvorn {

RunVerdict judgeRun(const RunOutcome& outcome)
{
    if (outcome.result != 0) return outcome.stopped ? RunVerdict::stopped : RunVerdict::failed;
    return outcome.summary.digitsVerified ? RunVerdict::passed : RunVerdict::failed;
}

std::uint32_t medianOf(std::vector<std::uint32_t> times)
{
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    if (times.size() % 2 == 1) return times[middle];
    return static_cast<std::uint32_t>((std::uint64_t{times[middle - 1]} + times[middle]) / 2);
}

StabilityReport runRepeatedly(std::int32_t sizeExponent, std::int64_t count, Host& host, Language language,
                              const std::function<void(const RepeatedRun&)>& afterRun)
{
    StabilityReport report;
    std::vector<std::uint32_t> times;
    for (std::int64_t number = 1; count == 0 || number <= count; ++number) {
        RepeatedRun run;
        run.number = number;
        run.outcome = runOnce(sizeExponent, host, language);
        run.verdict = judgeRun(run.outcome);
        report.runs.push_back(run);
        afterRun(report.runs.back());
        if (run.verdict == RunVerdict::passed) {
            times.push_back(run.outcome.elapsed);
            ++report.passedRuns;
            continue;
        }
        report.verdict = run.verdict;
        break;
    }
    if (!times.empty()) {
        report.bestTime = *std::min_element(times.begin(), times.end());
        report.medianTime = medianOf(times);
    }
    return report;
}

} // namespace calvorn
