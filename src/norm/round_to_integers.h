// roundToIntegers: turns the output of an inverse transform into whole
// numbers and refuses a product whose values were not close enough to whole
// numbers. Touches only the array and the run's largest rounding distance.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

#include "storage/run_context.h"

namespace calvorn {

// Rounds e[0] .. e[count - 1] to the nearest whole number (halves away from
// zero). Throws RunFailure("NOT EXACT IN ROUND") when a value lies within
// about 10^-6 of a half-integer (squared distance not below 0.249999), which
// abandons the run. Records the largest distance in run.largestRoundingDistance
// and adds the bit pattern of every value checked to run.workFingerprint.
void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count);

// The same over e[0 .. count), but only e[0 .. kept) are rounded in place:
// the values from `kept` on, which nothing reads once the product is stored,
// are checked and counted for the largest distance without being written
// back. Fails exactly where and as roundToIntegers does.
void roundToIntegers(RunContext& run, std::span<double> e, std::int32_t count, std::int32_t kept);

// |d| of 0.499998999999 (the square root of this) or more means the value
// could belong to either neighbour: the transform was not accurate enough.
constexpr double largestSquaredRoundingDistance = 0.249999;

// The bit pattern of a value as the work fingerprint adds it up.
inline std::uint64_t fingerprintBits(double value) { return std::bit_cast<std::uint64_t>(value); }

// Only where avx2Usable(): rounds e eight values at a time, as long as every
// value of a group of eight passes the check; returns how many it rounded
// (the rest is roundToIntegers' to finish), widens `largest` to the largest
// distance among them and adds their bit patterns to `fingerprint`.
// checkWhileExact does the same without writing anything back.
namespace quads {
std::size_t roundWhileExact(std::span<double> e, double& largest, std::uint64_t& fingerprint);
std::size_t checkWhileExact(std::span<const double> e, double& largest, std::uint64_t& fingerprint);
} // namespace quads

} // namespace calvorn
