#include "cli/repeat_run.h"

#include <algorithm>

namespace calvorn {
namespace {

// The session's front for a run of the test: the one-line report comes after
// the session, so nothing is shown in between.
class QuietFront : public SessionFront {
public:
    void runFinished(std::uint32_t, const RunSummary&) override {}
};

} // namespace

std::uint32_t medianOf(std::vector<std::uint32_t> times)
{
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    if (times.size() % 2 == 1) return times[middle];
    return static_cast<std::uint32_t>((std::uint64_t{times[middle - 1]} + times[middle]) / 2);
}

StabilityReport runRepeatedly(const StabilityTest& test, Host& host, RecordTable& records,
                              const std::function<void(const RepeatedRun&)>& afterRun)
{
    StabilityReport report;
    std::vector<std::uint32_t> times;
    QuietFront front;
    for (std::int64_t number = 1; test.count == 0 || number <= test.count; ++number) {
        RunOptions options = test.options;
        options.injectFault = test.faultyRun == number;
        RepeatedRun run;
        run.number = number;
        run.session = runOnce(test.sizeExponent, host, records, front, options, test.historyFile);
        run.verdict = judgeRun(run.session);
        report.runs.push_back(run);
        afterRun(report.runs.back());
        if (run.verdict == RunVerdict::passed) {
            times.push_back(run.session.elapsed);
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
