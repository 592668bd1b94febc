#include "cli/plan_report.h"

#include "app/text_format.h"

namespace calvorn {
namespace {

const char* sourceName(fft::WorkPlan::Source source)
{
    switch (source) {
    case fft::WorkPlan::Source::measured: return "measured";
    case fft::WorkPlan::Source::cached: return "cached";
    case fft::WorkPlan::Source::trying: return "trying";
    case fft::WorkPlan::Source::unplanned: break;
    }
    return "static";
}

MessageId sourceText(fft::WorkPlan::Source source)
{
    switch (source) {
    case fft::WorkPlan::Source::measured: return MessageId::planSourceMeasured;
    case fft::WorkPlan::Source::cached: return MessageId::planSourceCached;
    case fft::WorkPlan::Source::trying: return MessageId::planSourceTrying;
    case fft::WorkPlan::Source::unplanned: break;
    }
    return MessageId::planSourceStatic;
}

// Calls f(k, work, plan) for every planned length and kind the run used.
template <typename F>
void forEachUsed(const fft::TransformPlanner& planner, F f)
{
    for (std::int32_t k = fft::largestPlanExponent; k >= fft::smallestPlannedExponent; --k) {
        for (const fft::TransformWork work : fft::everyTransformWork) {
            const fft::WorkPlan& plan = planner.planOf(k, work);
            if (plan.uses > 0) f(k, work, plan);
        }
    }
}

} // namespace

std::string planReportText(const fft::TransformPlanner& planner, Language language, bool withTrials)
{
    std::string text;
    forEachUsed(planner, [&](std::int32_t k, fft::TransformWork work, const fft::WorkPlan& plan) {
        // A search cut short by the end of the run ran its best so far.
        text += formatText(messageText(MessageId::planLine, language), k,
                           std::string(fft::transformWorkName(work)).c_str(), fft::variantName(plan.chosen).c_str(),
                           messageText(sourceText(plan.source), language));
        if (!withTrials) return;
        for (const fft::CandidateTime& candidate : plan.timings) {
            text += formatText(messageText(MessageId::planCandidateLine, language),
                               fft::variantName(candidate.variant).c_str(), candidate.seconds * 1000.0);
        }
    });
    return text;
}

nlohmann::ordered_json planReportJson(const fft::TransformPlanner& planner)
{
    nlohmann::ordered_json plans = nlohmann::ordered_json::array();
    forEachUsed(planner, [&](std::int32_t k, fft::TransformWork work, const fft::WorkPlan& plan) {
        nlohmann::ordered_json entry = {
            {"exponent", k},
            {"work", fft::transformWorkName(work)},
            {"variant", fft::variantName(plan.chosen)},
            {"source", sourceName(plan.source)},
            {"uses", plan.uses},
            {"trialMs", fft::TransformPlanner::trialCostOf(plan) * 1e3},
        };
        if (!plan.timings.empty()) {
            nlohmann::ordered_json candidates = nlohmann::ordered_json::array();
            for (const fft::CandidateTime& candidate : plan.timings)
                candidates.push_back({{"variant", fft::variantName(candidate.variant)}, {"ms", candidate.seconds * 1e3}});
            entry["candidates"] = candidates;
        }
        plans.push_back(entry);
    });
    return plans;
}

fft::LanePath mainLanePath(const fft::TransformPlanner& planner)
{
    fft::LanePath path = fft::staticVariant().path;
    std::uint64_t most = 0;
    forEachUsed(planner, [&](std::int32_t k, fft::TransformWork, const fft::WorkPlan& plan) {
        const std::uint64_t doubles = plan.uses << k;
        if (doubles > most) {
            most = doubles;
            path = plan.chosen.path;
        }
    });
    return path;
}

} // namespace calvorn
