#include "cli/stress_json.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/size_table.h"
#include "platform/system_facts.h"
#include "common/size_parameters.h"
#include "driver/work_fingerprint.h"
#include "fft/transform_plan.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

const char* machineVerdictName(MachineVerdict verdict)
{
    switch (verdict) {
    case MachineVerdict::passed: return "passed";
    case MachineVerdict::stopped: return "stopped";
    case MachineVerdict::incomplete: return "incomplete";
    case MachineVerdict::failed: break;
    }
    return "failed";
}

nlohmann::ordered_json coreObject(const CopyState& c, std::int32_t fullLength)
{
    const bool any = c.passedRuns() > 0;
    const char* verdict = c.failure ? (c.failure->kind.starts_with("fingerprint") ? "fingerprint-differs" : "failed")
                                    : any ? "passed" : "no-run";
    nlohmann::ordered_json core = {
        {"core", c.copy.processor},
        {"name", c.copy.name},
        {"copy", c.copy.number},
        {"pinned", c.pinned},
        {"pinProblem", c.pinProblem.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(c.pinProblem)},
        {"runs", c.passedRuns()},
        {"bestMs", any ? *std::min_element(c.times.begin(), c.times.end()) : 0u},
        {"medianMs", medianOf(c.times)},
        {"lastMs", any ? c.times.back() : 0u},
        {"verdict", verdict},
    };
    if (c.failure)
        core["failure"] = {{"run", c.failure->run},
                           {"kind", c.failure->kind},
                           {"text", c.failure->text},
                           {"certain", c.failure->certain}};
    else core["failure"] = nullptr;
    core["workArea"] = {{"bytes", c.workAreaBytes},
                        {"length", c.workAreaLength},
                        {"full", c.workAreaLength != 0 && c.workAreaLength == fullLength}};
    core["fingerprint"] = any ? nlohmann::ordered_json(workFingerprintText(c.fingerprint)) : nlohmann::ordered_json();
    core["fingerprintChecked"] = any && c.fingerprintChecked;
    return core;
}

} // namespace

std::string stressJsonReport(const StressOutcome& outcome, const StressJudge& judge, const StressPlan& plan)
{
    std::string label(sizeLabel(outcome.sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    const std::int32_t fullLength = fullWorkAreaLength(SizeParameters::forExponent(outcome.sizeExponent));
    const SystemFacts facts = readSystemFacts();
    nlohmann::ordered_json cores = nlohmann::ordered_json::array();
    for (const CopyState& c : judge.copies()) cores.push_back(coreObject(c, fullLength));
    const auto agreed = judge.agreedFingerprint();
    nlohmann::ordered_json report = {
        {"program", "calvorn"},
        {"version", CALVORN_VERSION},
        {"mode", "stress"},
        {"size", label},
        {"digits", std::int64_t{1} << outcome.sizeExponent},
        {"verdict", machineVerdictName(outcome.verdict)},
        {"ending", outcome.ending},
        {"durationMs", outcome.duration ? nlohmann::ordered_json(outcome.duration->count()) : nlohmann::ordered_json()},
        {"elapsedMs", outcome.elapsed.count()},
        {"copies", plan.copies.size()},
        {"usableProcessors", plan.processors},
        {"sharedProcessors", plan.sharedProcessors},
        {"memoryShareBytes", plan.shareBytes},
        {"comparedRuns", judge.comparedRuns()},
        {"agreedFingerprint", agreed ? nlohmann::ordered_json(workFingerprintText(*agreed)) : nlohmann::ordered_json()},
        {"cores", cores},
        {"lanePath", std::string(fft::lanePathName(fft::lanePathFromEnvironment()))},
        {"processor", {{"model", facts.processorModel}, {"logicalProcessors", facts.logicalProcessors}}},
        {"memoryBytes", outcome.memoryBytes},
        {"os", {{"name", facts.systemName}, {"version", facts.systemVersion}}},
        {"dateUtc", utcTimestamp()},
    };
    return report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace calvorn
