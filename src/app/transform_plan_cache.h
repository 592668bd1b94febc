// The transforms' plans kept between runs: which lane path and tuning each
// length and kind of transform runs on this machine, as measured by an
// earlier run, in a small file of the user's cache folder (never in a run
// folder). A file made by another program version or on another processor
// is measured anew; one that cannot be read leaves the static plan.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fft/transform_planner.h"

namespace calvorn {

// <user cache folder>/calvorn/transform-plans, or nothing where the
// environment names no such folder.
std::optional<std::filesystem::path> transformPlanCacheFile();

// The first line of the file: the program, its version and the processor.
std::string transformPlanCacheHeading();

struct CachedPlans {
    std::vector<fft::PlanChoice> choices;  // empty for a missing file or one of another heading
    std::optional<std::string> problem;    // why the file could not be read (then nothing is used)
};
CachedPlans readTransformPlans(const std::filesystem::path& file);

// Writes the choices whole (a side file renamed into place), making the
// folder if need be; the reason when that fails.
std::optional<std::string> writeTransformPlans(const std::filesystem::path& file,
                                               const std::vector<fft::PlanChoice>& choices);

} // namespace calvorn
