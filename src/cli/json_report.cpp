#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "app/size_table.h"
#include "cli/plan_report.h"
#include "platform/system_facts.h"
#include "driver/work_fingerprint.h"
#include "fft/transform_plan.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

// The fingerprint as 16 hexadecimal digits (a JSON number would lose bits),
// and whether it was compared with the reference and matched it.
void addFingerprint(nlohmann::ordered_json& object, const RunSummary& summary)
{
    object["fingerprint"] = workFingerprintText(summary.workFingerprint);
    object["fingerprintChecked"] = summary.fingerprintChecked;
    object["fingerprintMatched"] = summary.fingerprintChecked && summary.fingerprintMatched;
}

nlohmann::ordered_json runObject(std::int64_t number, const SessionResult& session)
{
    nlohmann::ordered_json object = {
        {"run", number},
        {"timeMs", session.summary.elapsed},
        {"verified", session.summary.digitsVerified},
        {"verdict", std::string(verdictName(judgeRun(session)))},
    };
    addFingerprint(object, session.summary);
    object["iterations"] = session.summary.iterations;
    return object;
}

} // namespace

std::string jsonReport(const JsonRun& run)
{
    std::string label(sizeLabel(run.sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    const SystemFacts facts = readSystemFacts();
    // The figures of the last run that ended by itself (a stopped one has
    // only part of them); verified when every such run's digits were.
    RunSummary last;
    bool anyFinished = false;
    bool allVerified = true;
    for (const SessionResult& session : run.runs) {
        if (session.outcome == SessionResult::Outcome::stopped) continue;
        anyFinished = true;
        last = session.summary;
        allVerified = allVerified && session.summary.digitsVerified;
    }

    nlohmann::ordered_json report = {
        {"program", "calvorn"},
        {"version", CALVORN_VERSION},
        {"size", label},
        {"digits", std::int64_t{1} << run.sizeExponent},
        {"timeMs", run.recordedTime},
        {"verified", anyFinished && allVerified},
        {"verdict", std::string(verdictName(run.verdict))},
    };
    addFingerprint(report, last);
    report.update(nlohmann::ordered_json{
        {"workArea", {{"bytes", last.workAreaBytes}, {"length", last.workAreaLength}}},
        {"lanePath", std::string(fft::lanePathName(mainLanePath(last.planner)))},
        {"processor", {{"model", facts.processorModel}, {"logicalProcessors", facts.logicalProcessors}}},
        {"memoryBytes", run.memoryBytes},
        {"os", {{"name", facts.systemName}, {"version", facts.systemVersion}}},
        {"dateUtc", utcTimestamp()},
        {"iterations", last.iterations},
        {"plan", planReportJson(last.planner)},
        {"planTrialMs", last.planner.trialCost() * 1e3},
    });
    if (run.repeated) {
        report["bestMs"] = run.bestTime;
        report["medianMs"] = run.medianTime;
        nlohmann::ordered_json runs = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < run.runs.size(); ++i)
            runs.push_back(runObject(static_cast<std::int64_t>(i) + 1, run.runs[i]));
        report["runs"] = runs;
    }
    return report.dump();
}

} // namespace calvorn
