// calvorn_plan_candidates [K ...] [--samples N] [--rounds R]: the transform
// planner's search, run on its own at each length 2^K (default 20 and 24)
// for every kind of transform, with N timed uses of each candidate (default
// 7) instead of a run's two: every candidate's least time, step by step,
// and the variant chosen. Then the chosen variant against the static one,
// alternating, R rounds (default 9), as the least time of each: what the
// planner gains at that length on this machine. Arrays are page aligned, as
// the program's work area is.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "fft/fused_rounding.h"
#include "fft/real_fft.h"
#include "fft/transform_planner.h"

namespace {

using namespace calvorn;
using fft::TransformWork;

struct FreeAligned {
    void operator()(double* p) const { std::free(p); }
};
using Doubles = std::unique_ptr<double[], FreeAligned>;

Doubles pageAligned(std::size_t count)
{
    const std::size_t bytes = (count * sizeof(double) + 4095) / 4096 * 4096;
    return Doubles(static_cast<double*>(std::aligned_alloc(4096, bytes)));
}

// Arrays for one length: digits to load, the array transformed, the other
// factor's spectrum and the second array of the square that keeps its spectrum.
struct Arrays {
    std::size_t n;
    std::vector<double> digits;
    Doubles x, other, square;

    explicit Arrays(std::int32_t k)
        : n(std::size_t{1} << k), digits(n, 0.0), x(pageAligned(n)), other(pageAligned(n)), square(pageAligned(n))
    {
        std::mt19937_64 random(static_cast<std::uint64_t>(k));
        for (std::size_t i = 0; i < n / 2; ++i) digits[i] = static_cast<double>(random() % 10000);
    }
    std::span<double> view(const Doubles& d) const { return {d.get(), n}; }
    void load() { std::copy(digits.begin(), digits.end(), x.get()); }
};

// One transform of the kind on freshly loaded digits; the seconds it took.
double timeOne(fft::TransformPlans& plans, std::int32_t k, TransformWork work, const fft::TreeVariant& variant,
               Arrays& arrays)
{
    plans.choose(k, variant.path, variant.tuning);
    const fft::TransformPlan& plan = plans.forLength(k);
    arrays.load();
    if (work == TransformWork::inverse) productFftForward(plan, arrays.view(arrays.x));
    fft::FusedRounding rounding;
    rounding.kept = arrays.n;
    rounding.squaredLimit = 0.0625;
    const auto start = std::chrono::steady_clock::now();
    switch (work) {
    case TransformWork::forward: productFftForward(plan, arrays.view(arrays.x)); break;
    case TransformWork::inverse: productFftInverse(plan, arrays.view(arrays.x)); break;
    case TransformWork::times: productFftTimes(plan, arrays.view(arrays.other), arrays.view(arrays.x), rounding); break;
    case TransformWork::square: productFftSquare(plan, arrays.view(arrays.x), rounding); break;
    case TransformWork::squareKeep:
        productFftSquareKeep(plan, arrays.view(arrays.x), arrays.view(arrays.square), rounding);
        break;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

void searchAt(std::int32_t k, int samples, int rounds)
{
    Arrays arrays(k);
    fft::TransformPlans plans;
    {
        const fft::TransformPlan& plan = plans.forLength(k);
        arrays.load();
        std::copy(arrays.x.get(), arrays.x.get() + arrays.n, arrays.other.get());
        productFftForward(plan, arrays.view(arrays.other));
    }
    for (const TransformWork work : {TransformWork::times, TransformWork::squareKeep, TransformWork::forward,
                                     TransformWork::inverse}) {
        fft::TransformPlanner planner(true, fft::lanePathForcedByEnvironment(), samples, fft::TransformPlanner::everyStep,
                                      fft::TransformPlanner::unlimitedBudget);
        while (planner.planOf(k, work).source != fft::WorkPlan::Source::measured) {
            const fft::TransformPlanner::Turn turn = planner.next(k, work);
            const double seconds = timeOne(plans, k, work, turn.variant, arrays);
            if (turn.timed) planner.finish(k, work, seconds);
        }
        const fft::WorkPlan& plan = planner.planOf(k, work);
        std::printf("2^%d %s: the least of %d uses of each candidate, step by step\n", k,
                    std::string(fft::transformWorkName(work)).c_str(), samples);
        for (const fft::CandidateTime& candidate : plan.timings) {
            std::printf("    %-48s %9.3f ms  %6.2f ns/double\n", fft::variantName(candidate.variant).c_str(),
                        candidate.seconds * 1e3, candidate.seconds * 1e9 / static_cast<double>(arrays.n));
        }
        // The chosen variant against the static one, alternating.
        const fft::TreeVariant chosen = plan.chosen;
        const fft::TreeVariant fixed = fft::staticVariant();
        double leastChosen = 1e30;
        double leastStatic = 1e30;
        for (int round = 0; round < rounds; ++round) {
            leastStatic = std::min(leastStatic, timeOne(plans, k, work, fixed, arrays));
            leastChosen = std::min(leastChosen, timeOne(plans, k, work, chosen, arrays));
        }
        std::printf("  chosen: %s\n  chosen %.3f ms, static (%s) %.3f ms: %.3f of the static time\n\n",
                    fft::variantName(chosen).c_str(), leastChosen * 1e3, fft::variantName(fixed).c_str(),
                    leastStatic * 1e3, leastChosen / leastStatic);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::int32_t> lengths;
    int samples = 7;
    int rounds = 9;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--samples" && i + 1 < argc) {
            samples = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            const int k = std::atoi(arg.c_str());
            if (k < fft::smallestPlannedExponent || k > fft::largestPlanExponent) {
                std::fprintf(stderr, "usage: calvorn_plan_candidates [K ...] [--samples N] [--rounds R]  (%d <= K <= %d)\n",
                             fft::smallestPlannedExponent, fft::largestPlanExponent);
                return 2;
            }
            lengths.push_back(k);
        }
    }
    if (lengths.empty()) lengths = {20, 24};
    for (const std::int32_t k : lengths) searchAt(k, samples, rounds);
    return 0;
}
