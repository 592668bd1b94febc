// The planner: for each length and kind of transform, which lane path and
// tree tuning run. Every one gives the same bits, so the choice is free and
// is made by timing them where the run uses them: the first transforms of a
// length and kind each run one candidate in turn, and the fastest is kept.
// What was chosen can be written down and taken up by a later run. Owns the
// trials' bookkeeping; the caller does the timing. No clock, no files here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fft/transform_plan.h"

namespace calvorn::fft {

// The kinds of transform the products make.
enum class TransformWork { forward, inverse, times, square, squareKeep };
inline constexpr std::size_t transformWorkCount = 5;
inline constexpr TransformWork everyTransformWork[] = {TransformWork::forward, TransformWork::inverse,
                                                       TransformWork::times, TransformWork::square,
                                                       TransformWork::squareKeep};

// "forward", "inverse", "times", "square", "square-keep".
std::string_view transformWorkName(TransformWork work);
std::optional<TransformWork> transformWorkNamed(std::string_view name);

// A lane path with a tuning: what one transform runs.
struct TreeVariant {
    LanePath path = LanePath::pairs;
    TreeTuning tuning;
    friend bool operator==(const TreeVariant&, const TreeVariant&) = default;
};

// "octets chunks 512x32 prefetch 512 streaming off"; and back (nothing for
// a text that names no variant this build and processor can run).
std::string variantName(const TreeVariant& variant);
std::optional<TreeVariant> variantNamed(std::string_view name);

// The variant a length runs when nothing was measured: the lane path from the
// environment (or the fastest) and the tuning the kernels were first tuned with.
TreeVariant staticVariant();

// The shortest length planned: below it a transform takes a few microseconds,
// too short to time one call, and too little of any run to matter.
inline constexpr std::int32_t smallestPlannedExponent = 12;

// Whether two variants do the same for a transform of 2^k doubles: the same
// lane path, the same rows in chunks of the same width, the same prefetches
// and stores (a chunk stride longer than every row stride of the length is
// no chunking at all, say).
bool sameWorkAt(std::int32_t k, const TreeVariant& a, const TreeVariant& b);

// The candidates of one step of the search at 2^k doubles, each the best so
// far with one setting changed: the lane paths (only `forcedPath` when one is
// forced), the chunk stride, the prefetch stride, the chunk width, the
// streaming opening (the settings that tend to matter most come first), and
// the two top levels in one sweep or not. The first candidate of every step
// is `best` itself, and none does the same work as another.
inline constexpr std::size_t searchStepCount = 6;
std::vector<TreeVariant> searchStepCandidates(std::int32_t k, std::size_t step, const TreeVariant& best,
                                              std::optional<LanePath> forcedPath);

// One candidate's time in a step: the least of its samples, in seconds.
struct CandidateTime {
    TreeVariant variant;
    double seconds = 0.0;
};

// What the planner holds for one length and kind.
struct WorkPlan {
    enum class Source { unplanned, trying, measured, cached };
    Source source = Source::unplanned;
    TreeVariant chosen;                  // what runs (the best so far while trying)
    std::uint64_t uses = 0;              // transforms of this length and kind in this run
    std::vector<CandidateTime> timings;  // every candidate timed in this run, step by step
    double timedSeconds = 0.0;           // all timed uses of this run together
    std::uint64_t timedUses = 0;
};

// The choices of several lengths and kinds, as a later run may take them up.
// A search that a run ended before its last step is kept with the step it
// reached and its best so far, and the next run goes on from there.
struct PlanChoice {
    std::int32_t k = 0;
    TransformWork work = TransformWork::times;
    TreeVariant variant;
    std::size_t step = searchStepCount;  // searchStepCount: the search is done
    friend bool operator==(const PlanChoice&, const PlanChoice&) = default;
};

// The text of a plan cache and back: one line of heading (the program and
// processor it holds for) and one line per choice, "21 times octets chunks
// ..." or, for a search not yet done, "21 times step 2 octets chunks ...".
// A text whose heading is another one gives nothing and no problem;
// a damaged one gives nothing and says what is wrong.
std::string planCacheText(std::string_view heading, const std::vector<PlanChoice>& choices);
struct PlanCacheReading {
    std::vector<PlanChoice> choices;
    bool sameHeading = false;
    std::string problem;  // empty when the text was read whole
};
PlanCacheReading readPlanCache(std::string_view heading, std::string_view text);

class TransformPlanner {
public:
    // `trying`: time candidates where nothing is known; otherwise only the
    // known choices and the static variant run.
    TransformPlanner() : TransformPlanner(false) {}
    // `samples`: timed uses of each candidate in a step (the least counts);
    // `steps`: the steps of a search this planner ends, the rest left to a
    // later one; `budget`: the share of a length and kind's transform time
    // that its trials may cost in this run.
    explicit TransformPlanner(bool trying, std::optional<LanePath> forcedPath = std::nullopt,
                              int samples = defaultSamples, std::size_t steps = stepsPerRun,
                              double budget = trialBudget);

    // Choices from an earlier run: they run without trials.
    void takeUp(const std::vector<PlanChoice>& choices);

    // What the next transform of 2^k doubles of this kind runs; `timed` says
    // whether its time (in seconds) is to be reported through finish().
    struct Turn {
        TreeVariant variant;
        bool timed = false;
    };
    Turn next(std::int32_t k, TransformWork work);
    void finish(std::int32_t k, TransformWork work, double seconds);

    const WorkPlan& planOf(std::int32_t k, TransformWork work) const;
    // Every length and kind that was measured in this run or taken up, with
    // the searches this run began and did not end.
    std::vector<PlanChoice> choices() const;
    // Whether this run measured anything new.
    bool measuredAnything() const;
    // What the trials of this run cost over running the chosen variants
    // throughout: each timed use's time less the least time its length and
    // kind's choice took, in seconds.
    double trialCost() const;
    static double trialCostOf(const WorkPlan& plan);

    // Uses of one candidate in a step in a run, and warm-up uses before the
    // first step.
    static constexpr int defaultSamples = 2;
    static constexpr int warmUpUses = 1;
    // Steps of a search one run ends: the rest goes on in later runs, so
    // that no run spends more than a small part of its time on trials.
    static constexpr std::size_t stepsPerRun = 2;
    static constexpr std::size_t everyStep = searchStepCount;
    // What the trials of a length and kind may cost a run, as a share of its
    // transforms' time at the best speed known: a trial waits, the best so
    // far running untimed, until the run has made enough of them to pay for
    // the trials so far and for the next one, and a search the run cannot pay
    // for goes on in a later one. A search an earlier run began ends one step
    // per run whatever it costs, so that a length a run makes too few of to
    // pay for its trials still ends its search. `unlimitedBudget` times every turn.
    static constexpr double trialBudget = 0.012;
    static constexpr double unlimitedBudget = 1e300;

private:
    struct Search {
        int uses = 0;                         // transforms of this length and kind so far
        std::size_t step = 0;
        std::vector<TreeVariant> candidates;  // of the current step
        std::vector<double> least;            // per candidate, the least time so far (0: none yet)
        std::vector<int> samples;             // per candidate, its timed uses in this step
        std::size_t turn = 0;                 // the candidate of the next timed use
        std::size_t stepsDone = 0;            // steps this run ended
        double usual = 0.0;                   // the least time of the best so far in this run (0: none yet)
        double spent = 0.0;                   // the trials' time beyond `usual` in this run
        bool carriedOver = false;             // an earlier run began the search
    };
    struct Slot {
        std::int32_t k = 0;
        WorkPlan plan;
        Search search;
    };
    Slot& slotOf(std::int32_t k, TransformWork work);
    const Slot& slotOf(std::int32_t k, TransformWork work) const;
    void beginStep(Slot& slot);
    void endStep(Slot& slot);

    bool trying_;
    std::optional<LanePath> forcedPath_;
    int samples_;
    std::size_t steps_;
    double budget_;
    TreeVariant static_;
    std::array<std::array<Slot, transformWorkCount>, largestPlanExponent + 1> slots_;
};

} // namespace calvorn::fft
