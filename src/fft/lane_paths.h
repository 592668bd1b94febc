// The transforms compiled for each kind of lane: one double at a time, two
// (SSE2 or any vector unit GCC knows), four (AVX2) or eight (AVX-512F), the
// last two chosen at run time.
// The public drivers pick the fastest usable one; the tests run them all.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn::fft {

enum class LanePath { single, pairs, quads, octets };

// Whether this build has the path and this processor can run it.
bool lanePathUsable(LanePath path);

// The fastest usable path.
LanePath fastestLanePath();

// realFftForward and realFftInverse on the given path (which must be usable).
void forwardTransform(LanePath path, std::int32_t k, std::span<double> x);
void inverseTransform(LanePath path, std::int32_t k, std::span<double> x);

// All the arithmetic of a transform of 2^k doubles, k >= 6, on x[0 .. 2^k):
// every pass, the odd-term reversal, for the inverse the 1/N; not the
// exchange of pairs in bit-reversed order, which comes after the forward
// passes and before the inverse ones. One set per path.
void forwardPassesSingle(std::int32_t k, double* x);
void inversePassesSingle(std::int32_t k, double* x);
void forwardPassesPairs(std::int32_t k, double* x);
void inversePassesPairs(std::int32_t k, double* x);
void forwardPassesQuads(std::int32_t k, double* x);
void inversePassesQuads(std::int32_t k, double* x);
void forwardPassesOctets(std::int32_t k, double* x);
void inversePassesOctets(std::int32_t k, double* x);

} // namespace calvorn::fft
