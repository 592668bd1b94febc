// Transform plans: what a transform of one length needs besides its data,
// built once per length for a run and owned by it: the lane path, the shape
// of the pass tree and the twiddles w_1 of every pair. Nothing here is global.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace calvorn::fft {

constexpr std::int32_t largestPlanExponent = 24;

// The transforms compiled for each kind of lane: one double at a time, two
// (SSE2), four (AVX2), eight (AVX-512F), and the eight-lane code built for the
// instruction set every build targets (the compiler lowers each eight-lane
// operation to narrower ones doing the same IEEE operations), which runs
// everywhere and proves the eight-lane code on machines without AVX-512.
enum class LanePath { single, pairs, quads, octets, genericOctets };

inline constexpr LanePath everyLanePath[] = {LanePath::single, LanePath::pairs, LanePath::quads, LanePath::octets,
                                             LanePath::genericOctets};

// "single", "pairs", "quads", "octets", "generic-octets".
std::string_view lanePathName(LanePath path);

// Whether this build has the path and this processor can run it.
bool lanePathUsable(LanePath path);

// The fastest usable path.
LanePath fastestLanePath();

// The path named by the environment variable CALVORN_LANE_PATH when it names
// a usable one, else the fastest.
LanePath lanePathFromEnvironment();

// The usable path CALVORN_LANE_PATH names, or nothing.
std::optional<LanePath> lanePathForcedByEnvironment();

// The radix-8 levels of a transform of length 2^k: level p (1 .. levels) is
// the pass with span 2^shortPass * 8^p; shortPass = k mod 3 says whether a
// radix-2 or radix-4 pass comes first.
struct TreeShape {
    std::int32_t levels = 0;
    std::int32_t shortPass = 0;
};

// How the pass tree of one length moves through memory. Every choice runs
// the same butterflies on the same values in the same order, so it gives the
// same bits; it only decides which copies and cache hints go with them. The
// planner picks one per length and operation by timing them on the machine.
struct TreeTuning {
    // Rows of a butterfly that lie this many doubles apart or more go through
    // a chunk buffer (they would crowd the same level-1 cache sets); 0: never.
    std::uint32_t chunkFrom = 512;
    // Columns per chunk of sixteen rows (a chunk of thirty-two rows has half
    // as many): 16, 32 or 64.
    std::uint32_t chunkColumns = 32;
    // The inverse passes ask for a pair's block(s) whole before its subtree
    // starts when the pair's stride is this one, and a product's other factor
    // is asked for the same way; 0: never.
    std::uint32_t prefetchAt = 512;
    // The first pass of a forward transform writes past the caches.
    bool streamingOpening = false;
    // The two top levels of the tree go through the array in one sweep
    // (from 2^12 doubles on), not one sweep each.
    bool topInOneSweep = false;

    friend bool operator==(const TreeTuning&, const TreeTuning&) = default;
};

// The shortest length whose two top levels may go through the array in one
// sweep (level 2's stride is then at least 16 doubles).
inline constexpr std::int32_t topSweepFromExponent = 12;

// The lane paths that have the sweep of the two top levels as one: the
// vector paths the planner tries. The others would only carry its code.
constexpr bool topSweepBuiltFor(LanePath path) { return path == LanePath::quads || path == LanePath::octets; }

// Whether a transform of 2^k doubles on a lane path under a tuning sweeps
// levels 1 and 2 at once.
constexpr bool topInOneSweepAt(LanePath path, const TreeTuning& tuning, std::int32_t k)
{
    return tuning.topInOneSweep && k >= topSweepFromExponent && topSweepBuiltFor(path);
}

// Chunk widths a tuning may name.
inline constexpr std::uint32_t chunkColumnChoices[] = {16, 32, 64};

// Columns per chunk of `rows` rows (16 or 32) under a tuning.
constexpr std::size_t chunkColumnsOf(const TreeTuning& tuning, std::size_t rows)
{
    return rows == 16 ? tuning.chunkColumns : tuning.chunkColumns / 2;
}

// Whether rows of this stride go through chunk buffers under a tuning (a
// chunk is never wider than the rows are long).
constexpr bool chunkedAt(const TreeTuning& tuning, std::size_t stride, std::size_t rows)
{
    return tuning.chunkFrom != 0 && stride >= tuning.chunkFrom && chunkColumnsOf(tuning, rows) <= stride;
}

// The plan of one length 2^k. Pair j (even group 2j) of a pass with span
// 2^(b+4) turns by (2 * rev_b(j)) * (pi / 2^(b+4)), the same double as
// (2 * rev_B(j)) * (pi / 2^(B+4)) for any B >= b, since the two power-of-two
// scalings are exact: so one table in bit-reversed pair order serves every
// pass of every length, each pass reading a prefix of it. Plans live in their
// TransformPlans, which points them at its table anew when the table grows;
// so they are used by reference, never copied.
struct TransformPlan {
    TransformPlan() = default;
    TransformPlan(const TransformPlan&) = delete;
    TransformPlan& operator=(const TransformPlan&) = delete;

    std::int32_t k = 0;
    LanePath path = LanePath::single;
    TreeTuning tuning;
    TreeShape shape;
    const double* cosines = nullptr; // cos of pair j's angle, j < pairCount
    const double* sines = nullptr;   // sin of the same angle
    std::size_t pairCount = 0;       // max(1, 2^(k-4))
};

// The plans of one run, one per length used, built on first use; the
// twiddle table is shared by all of them and sized for the longest.
class TransformPlans {
public:
    // Lane path from lanePathFromEnvironment().
    TransformPlans();
    // A given lane path, which must be usable.
    explicit TransformPlans(LanePath path);
    TransformPlans(const TransformPlans&) = delete;
    TransformPlans& operator=(const TransformPlans&) = delete;

    // The plan for 2^k doubles (1 <= k <= 24).
    const TransformPlan& forLength(std::int32_t k);

    LanePath lanePath() const { return path_; }

    // The lane path and tuning that the plan of 2^k doubles (already built)
    // runs from now on: what the planner tries and then keeps.
    void choose(std::int32_t k, LanePath path, const TreeTuning& tuning);

    // Bytes held by the twiddle table (16 bytes a pair).
    std::size_t tableBytes() const { return 2 * sizeof(double) * tableCosines_.size(); }

private:
    void growTable(std::size_t pairCount);

    LanePath path_;
    std::vector<double> tableCosines_;
    std::vector<double> tableSines_;
    std::array<std::unique_ptr<TransformPlan>, largestPlanExponent + 1> plans_;
};

// The twiddle table of pairs [first, count) for a table of `count` pairs (a
// power of two): entry j is the cosine and sine of (2 * rev_B(j)) * (pi /
// 2^(B+4)), 2^B = count.
void fillTwiddleTable(std::size_t first, std::size_t count, double* cosines, double* sines);

} // namespace calvorn::fft
