#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "app/size_table.h"
#include "cli/system_facts.h"
#include "fft/lane_paths.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

const char* verdictName(RunVerdict verdict)
{
    switch (verdict) {
    case RunVerdict::passed: return "passed";
    case RunVerdict::stopped: return "stopped";
    case RunVerdict::failed: break;
    }
    return "failed";
}

const char* lanePathName(fft::LanePath path)
{
    switch (path) {
    case fft::LanePath::single: return "single";
    case fft::LanePath::pairs: return "pairs";
    case fft::LanePath::quads: return "quads";
    case fft::LanePath::octets: return "octets";
    }
    return "unknown";
}

nlohmann::ordered_json runObject(std::int64_t number, const RunOutcome& outcome)
{
    return {
        {"run", number},
        {"timeMs", outcome.elapsed},
        {"verified", outcome.summary.digitsVerified},
        {"verdict", verdictName(judgeRun(outcome))},
        {"iterations", outcome.summary.iterations},
    };
}

} // namespace

std::string jsonReport(const JsonRun& run)
{
    std::string label(sizeLabel(run.sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    const SystemFacts facts = readSystemFacts();
    const RunOutcome last = run.runs.empty() ? RunOutcome{} : run.runs.back();

    nlohmann::ordered_json report = {
        {"program", "calvorn"},
        {"version", CALVORN_VERSION},
        {"size", label},
        {"digits", std::int64_t{1} << run.sizeExponent},
        {"timeMs", run.recordedTime},
        {"verified", run.verdict == RunVerdict::passed || (run.repeated && run.verdict == RunVerdict::stopped &&
                                                            run.recordedTime != 0)},
        {"verdict", verdictName(run.verdict)},
        {"workArea", {{"bytes", last.summary.workAreaBytes}, {"length", last.summary.workAreaLength}}},
        {"lanePath", lanePathName(fft::fastestLanePath())},
        {"processor", {{"model", facts.processorModel}, {"logicalProcessors", facts.logicalProcessors}}},
        {"memoryBytes", run.memoryBytes},
        {"os", {{"name", facts.systemName}, {"version", facts.systemVersion}}},
        {"dateUtc", utcTimestamp()},
        {"iterations", last.summary.iterations},
    };
    if (run.repeated) {
        report["bestMs"] = run.bestTime;
        report["medianMs"] = run.medianTime;
        nlohmann::ordered_json runs = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < run.runs.size(); ++i) runs.push_back(runObject(static_cast<std::int64_t>(i) + 1, run.runs[i]));
        report["runs"] = runs;
    }
    return report.dump();
}

} // namespace calvorn
