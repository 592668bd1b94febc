// What the console says of the transforms' plan after a run: for each length
// and kind of transform the run made, the lane path and tuning it ran and
// where that came from, and the candidates timed in this run (--verbose);
// the same for the JSON report's "plan".
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "common/messages.h"
#include "fft/transform_planner.h"

namespace calvorn {

std::string planReportText(const fft::TransformPlanner& planner, Language language, bool withTrials);

nlohmann::ordered_json planReportJson(const fft::TransformPlanner& planner);

// The lane path that ran most of the run's transform work (the length and
// kind with the most doubles transformed), or the static one when none ran.
fft::LanePath mainLanePath(const fft::TransformPlanner& planner);

} // namespace calvorn
