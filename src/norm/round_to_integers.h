// roundToIntegers: turns the output of an inverse transform into whole
// numbers and refuses a product whose values were not close enough to whole
// numbers. Touches only the array and the run's largest rounding distance.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"

namespace calvorn {

// Rounds e[0] .. e[count - 1] to the nearest whole number (halves away from
// zero). Throws RunFailure("NOT EXACT IN ROUND") when a value lies within
// about 10^-6 of a half-integer (squared distance not below 0.249999), which
// abandons the run. Records the largest distance in run.largestRoundingDistance.
void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count);

// |d| of 0.499998999999 (the square root of this) or more means the value
// could belong to either neighbour: the transform was not accurate enough.
constexpr double largestSquaredRoundingDistance = 0.249999;

// Only where avx2Usable(): rounds e eight values at a time, as long as every
// value of a group of eight passes the check; returns how many it rounded
// (the rest is roundToIntegers' to finish) and widens `largest` to the
// largest distance among them.
namespace quads {
std::size_t roundWhileExact(std::span<double> e, double& largest);
} // namespace quads

} // namespace calvorn
