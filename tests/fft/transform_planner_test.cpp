// The planner's bookkeeping with made-up timings: which candidates it tries
// and how often, that it keeps the fastest (and the static one on a tie),
// that known choices run without trials, that a search a run cut short goes
// on in the next one, and the cache text that carries the choices between
// runs, damaged copies included.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fft/transform_planner.h"

namespace calvorn {
namespace {

using fft::PlanChoice;
using fft::TransformPlanner;
using fft::TransformWork;
using fft::TreeVariant;
using fft::WorkPlan;

constexpr const char* heading = "calvorn test transform plans for a test processor";

// Runs transforms of 2^k doubles until the search is done (or `limit` uses),
// timing each turn by `seconds`; returns the uses made.
int runUntilPlanned(TransformPlanner& planner, std::int32_t k, TransformWork work,
                    const std::function<double(const TreeVariant&)>& seconds, int limit = 1000)
{
    int uses = 0;
    while (uses < limit && planner.planOf(k, work).source != WorkPlan::Source::measured) {
        const TransformPlanner::Turn turn = planner.next(k, work);
        if (turn.timed) planner.finish(k, work, seconds(turn.variant));
        ++uses;
    }
    return uses;
}

TEST(TransformPlanner, EachStepOffersTheBestFirstAndNoTwoCandidatesDoTheSameWork)
{
    const TreeVariant best = fft::staticVariant();
    for (const std::int32_t k : {12, 15, 18, 21, 24}) {
        for (std::size_t step = 0; step < fft::searchStepCount; ++step) {
            const std::vector<TreeVariant> candidates = fft::searchStepCandidates(k, step, best, std::nullopt);
            ASSERT_FALSE(candidates.empty());
            EXPECT_EQ(candidates.front(), best) << "k = " << k << ", step " << step;
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                for (std::size_t j = i + 1; j < candidates.size(); ++j) {
                    EXPECT_FALSE(fft::sameWorkAt(k, candidates[i], candidates[j]))
                        << fft::variantName(candidates[i]) << " / " << fft::variantName(candidates[j]) << ", k = " << k;
                }
            }
        }
        // A forced lane path is never left.
        for (const TreeVariant& v : fft::searchStepCandidates(k, 0, best, best.path)) EXPECT_EQ(v.path, best.path);
    }
}

TEST(TransformPlanner, SettingsThatActOnNoStrideOfTheLengthAreTheSameWork)
{
    TreeVariant off = fft::staticVariant();
    off.tuning.chunkFrom = 0;
    off.tuning.prefetchAt = 0;
    TreeVariant far = off;
    far.tuning.chunkFrom = 32768;  // rows of 2^12 doubles lie at most 512 apart
    far.tuning.prefetchAt = 4096;
    EXPECT_TRUE(fft::sameWorkAt(12, off, far));
    EXPECT_FALSE(fft::sameWorkAt(24, off, far));
    TreeVariant wide = far;
    wide.tuning.chunkColumns = 64;
    EXPECT_TRUE(fft::sameWorkAt(12, far, wide));   // no chunks: the width does nothing
    EXPECT_FALSE(fft::sameWorkAt(24, far, wide));
    TreeVariant streaming = off;
    streaming.tuning.streamingOpening = true;
    EXPECT_FALSE(fft::sameWorkAt(12, off, streaming));

    // The two top levels in one sweep from 2^12 doubles on; then the first
    // pass's rows (2^18 apart at 2^22) and level 2's pairs (2^15) are never
    // swept alone, so chunks and prefetches from 2^15 on do nothing.
    // Only the quads and octets paths have that sweep.
    TreeVariant separate = off;
    separate.path = fft::LanePath::quads;
    TreeVariant top = separate;
    top.tuning.topInOneSweep = true;
    EXPECT_TRUE(fft::sameWorkAt(11, separate, top));
    EXPECT_FALSE(fft::sameWorkAt(12, separate, top));
    TreeVariant topFar = top;
    topFar.tuning.chunkFrom = 32768;
    topFar.tuning.prefetchAt = 32768;
    EXPECT_TRUE(fft::sameWorkAt(22, top, topFar));
    TreeVariant far22 = separate;
    far22.tuning.chunkFrom = 32768;
    EXPECT_FALSE(fft::sameWorkAt(22, separate, far22));
    topFar.tuning.chunkFrom = 4096; // level 3's pairs, 2^12 apart
    EXPECT_FALSE(fft::sameWorkAt(22, top, topFar));
    separate.path = top.path = fft::LanePath::pairs;
    EXPECT_TRUE(fft::sameWorkAt(22, separate, top));
}

TEST(TransformPlanner, TheFastestCandidateIsKeptAndATieKeepsTheStaticVariant)
{
    // Unchunked work is 20% faster, everything else alike.
    const auto chunksCost = [](const TreeVariant& v) { return v.tuning.chunkFrom == 0 ? 0.8 : 1.0; };
    TransformPlanner planner(true, fft::staticVariant().path, TransformPlanner::defaultSamples, TransformPlanner::everyStep,
                             TransformPlanner::unlimitedBudget);
    const int uses = runUntilPlanned(planner, 20, TransformWork::times, chunksCost);
    const WorkPlan& plan = planner.planOf(20, TransformWork::times);
    ASSERT_EQ(plan.source, WorkPlan::Source::measured);
    EXPECT_EQ(plan.chosen.tuning.chunkFrom, 0u);
    // Nothing else was faster: the rest is the static variant's.
    EXPECT_EQ(plan.chosen.tuning.prefetchAt, fft::staticVariant().tuning.prefetchAt);
    EXPECT_EQ(plan.chosen.tuning.streamingOpening, fft::staticVariant().tuning.streamingOpening);
    // One warm-up, then every candidate of every step twice.
    EXPECT_EQ(static_cast<std::size_t>(uses),
              TransformPlanner::warmUpUses + TransformPlanner::defaultSamples * plan.timings.size());
    EXPECT_TRUE(planner.measuredAnything());
    // Later transforms run the choice, untimed.
    const TransformPlanner::Turn turn = planner.next(20, TransformWork::times);
    EXPECT_FALSE(turn.timed);
    EXPECT_EQ(turn.variant, plan.chosen);
}

TEST(TransformPlanner, AHopelessCandidateIsTimedOnceAndNeverChosen)
{
    // The streaming first pass takes half as long again: one use shows it.
    const auto streamingCost = [](const TreeVariant& v) { return v.tuning.streamingOpening ? 1.5 : 1.0; };
    TransformPlanner planner(true, fft::staticVariant().path, TransformPlanner::defaultSamples, TransformPlanner::everyStep,
                             TransformPlanner::unlimitedBudget);
    int streamingUses = 0;
    while (planner.planOf(21, TransformWork::forward).source != WorkPlan::Source::measured) {
        const TransformPlanner::Turn turn = planner.next(21, TransformWork::forward);
        if (turn.variant.tuning.streamingOpening) ++streamingUses;
        if (turn.timed) planner.finish(21, TransformWork::forward, streamingCost(turn.variant));
    }
    EXPECT_EQ(streamingUses, 1);
    EXPECT_FALSE(planner.planOf(21, TransformWork::forward).chosen.tuning.streamingOpening);
}

TEST(TransformPlanner, ATimeWithinTheMarginDoesNotMoveTheChoice)
{
    const TreeVariant fixed = fft::staticVariant();
    // Every other variant is 0.5% faster: noise, not a reason to change.
    const auto nearlyAlike = [&](const TreeVariant& v) { return v == fixed ? 1.0 : 0.995; };
    TransformPlanner planner(true, std::nullopt, TransformPlanner::defaultSamples, TransformPlanner::everyStep,
                             TransformPlanner::unlimitedBudget);
    runUntilPlanned(planner, 19, TransformWork::forward, nearlyAlike);
    EXPECT_EQ(planner.planOf(19, TransformWork::forward).chosen, fixed);
}

TEST(TransformPlanner, ShortLengthsKnownChoicesAndARunWithoutTrialsAreNeverTimed)
{
    TransformPlanner planner(true);
    EXPECT_FALSE(planner.next(fft::smallestPlannedExponent - 1, TransformWork::times).timed);

    TreeVariant chosen = fft::staticVariant();
    chosen.tuning.chunkColumns = 16;
    planner.takeUp({PlanChoice{21, TransformWork::square, chosen}});
    for (int i = 0; i < 5; ++i) {
        const TransformPlanner::Turn turn = planner.next(21, TransformWork::square);
        EXPECT_FALSE(turn.timed);
        EXPECT_EQ(turn.variant, chosen);
    }
    EXPECT_EQ(planner.planOf(21, TransformWork::square).source, WorkPlan::Source::cached);
    EXPECT_FALSE(planner.measuredAnything());

    TransformPlanner still(false);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(still.next(21, TransformWork::times).timed);
    EXPECT_TRUE(still.choices().empty());
}

TEST(TransformPlanner, ASearchCutShortGoesOnInTheNextRun)
{
    const auto cost = [](const TreeVariant& v) { return v.tuning.streamingOpening ? 0.5 : 1.0; };
    // A run ends two steps of a search; the next one goes on from there.
    TransformPlanner first(true, fft::staticVariant().path);
    runUntilPlanned(first, 22, TransformWork::inverse, cost, 200);
    EXPECT_EQ(first.planOf(22, TransformWork::inverse).source, WorkPlan::Source::trying);
    // Once its steps are done, a run times nothing more.
    EXPECT_FALSE(first.next(22, TransformWork::inverse).timed);
    EXPECT_GE(first.choices().front().step, TransformPlanner::stepsPerRun);
    const std::vector<PlanChoice> kept = first.choices();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_GT(kept[0].step, 0u);
    EXPECT_LT(kept[0].step, fft::searchStepCount);

    // Through the cache text, as between two runs.
    const fft::PlanCacheReading reading = fft::readPlanCache(heading, fft::planCacheText(heading, kept));
    ASSERT_TRUE(reading.problem.empty()) << reading.problem;
    ASSERT_EQ(reading.choices, kept);

    TransformPlanner second(true, fft::staticVariant().path, TransformPlanner::defaultSamples,
                            TransformPlanner::everyStep, TransformPlanner::unlimitedBudget);
    second.takeUp(reading.choices);
    const int uses = runUntilPlanned(second, 22, TransformWork::inverse, cost);
    const WorkPlan& plan = second.planOf(22, TransformWork::inverse);
    ASSERT_EQ(plan.source, WorkPlan::Source::measured);
    EXPECT_TRUE(plan.chosen.tuning.streamingOpening);
    // Only the steps not yet done were timed.
    EXPECT_LT(static_cast<std::size_t>(uses), 1 + 2 * 20u);
}

TEST(TransformPlanner, TrialsCostARunNoMoreThanTheirShareOfItsTransforms)
{
    // Every candidate but the static variant is a third slower: each trial
    // costs a third of a transform, so a run can pay for one only every so
    // many transforms of the length.
    const TreeVariant fixed = fft::staticVariant();
    const auto slower = [&](const TreeVariant& v) { return v == fixed ? 1.0 : 4.0 / 3.0; };
    TransformPlanner planner(true, std::nullopt);
    const std::int32_t k = 20;
    const TransformWork work = TransformWork::times;
    double took = 0.0;
    int timed = 0;
    for (int use = 1; use <= 2000; ++use) {
        const TransformPlanner::Turn turn = planner.next(k, work);
        const double seconds = slower(turn.variant);
        took += seconds;
        if (turn.timed) {
            planner.finish(k, work, seconds);
            ++timed;
        }
        // At most the share of the transforms so far, and one trial more.
        ASSERT_LE(planner.trialCost(), TransformPlanner::trialBudget * use + 1.0 / 3.0) << "after " << use << " uses";
        ASSERT_LE(took - use, TransformPlanner::trialBudget * use + 1.0 / 3.0) << "after " << use << " uses";
    }
    // Paid for bit by bit, the run still ends its two steps, and the slower
    // candidates were not chosen.
    const WorkPlan& plan = planner.planOf(k, work);
    EXPECT_NE(plan.source, WorkPlan::Source::unplanned);
    EXPECT_EQ(plan.chosen, fixed);
    EXPECT_FALSE(planner.next(k, work).timed);
    ASSERT_FALSE(planner.choices().empty());
    EXPECT_GE(planner.choices().front().step, TransformPlanner::stepsPerRun);
    EXPECT_GT(timed, 4);

    // A run too short to pay for the next trial leaves it to a later run.
    TransformPlanner brief(true, std::nullopt);
    for (int use = 0; use < 20; ++use) {
        const TransformPlanner::Turn turn = brief.next(k, work);
        if (turn.timed) brief.finish(k, work, slower(turn.variant));
    }
    EXPECT_EQ(brief.planOf(k, work).source, WorkPlan::Source::trying);
    EXPECT_LE(brief.trialCost(), TransformPlanner::trialBudget * 20 + 1.0 / 3.0);

    // Runs that short still end the search: one that an earlier run began
    // ends a step in each, whatever it costs.
    std::vector<PlanChoice> kept = {PlanChoice{k, work, fixed, 1}};
    int runs = 0;
    for (; runs < 40 && !kept.empty(); ++runs) {
        TransformPlanner later(true, std::nullopt);
        later.takeUp(kept);
        int trials = 0;
        for (int use = 0; use < 20; ++use) {
            const TransformPlanner::Turn turn = later.next(k, work);
            if (!turn.timed) continue;
            later.finish(k, work, slower(turn.variant));
            if (turn.variant != fixed) ++trials;
        }
        EXPECT_LE(trials, 4);
        kept = later.choices();
        if (later.planOf(k, work).source == WorkPlan::Source::measured) break;
    }
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.front().step, fft::searchStepCount) << "after " << runs << " runs";
    EXPECT_EQ(kept.front().variant, fixed);
}

TEST(TransformPlanCache, ChoicesComeBackAsTheyWereWritten)
{
    std::vector<PlanChoice> choices;
    TreeVariant v = fft::staticVariant();
    choices.push_back({12, TransformWork::forward, v});
    v.tuning = {0, 32, 0, true};  // no chunks: the text names no width, the default one comes back
    choices.push_back({24, TransformWork::squareKeep, v});
    v.tuning = {32768, 64, 4096, false};
    choices.push_back({18, TransformWork::times, v, 3});
    v.tuning = {512, 16, 64, true, true};
    choices.push_back({22, TransformWork::inverse, v});
    const std::string text = fft::planCacheText(heading, choices);
    const fft::PlanCacheReading reading = fft::readPlanCache(heading, text);
    EXPECT_TRUE(reading.sameHeading);
    EXPECT_TRUE(reading.problem.empty()) << reading.problem;
    EXPECT_EQ(reading.choices, choices);
    EXPECT_TRUE(fft::readPlanCache(heading, std::string(heading) + "\n").choices.empty());
}

TEST(TransformPlanCache, AnotherProgramOrProcessorIsNoProblemAndDamageIsNamed)
{
    const std::vector<PlanChoice> choices{{20, TransformWork::times, fft::staticVariant()}};
    const std::string text = fft::planCacheText(heading, choices);

    const fft::PlanCacheReading other = fft::readPlanCache("calvorn 9.9 transform plans for another", text);
    EXPECT_FALSE(other.sameHeading);
    EXPECT_TRUE(other.problem.empty());
    EXPECT_TRUE(other.choices.empty());

    const std::string line = "20 times " + fft::variantName(fft::staticVariant());
    const std::vector<std::string> damaged{
        "",                                                   // no heading line
        text.substr(0, text.size() - 1),                      // the last line cut off
        std::string(heading) + "\n" + line + " extra\n",      // a word too many
        std::string(heading) + "\n25 times" + line.substr(8) + "\n",          // no such length
        std::string(heading) + "\n20 twice" + line.substr(8) + "\n",          // no such kind
        std::string(heading) + "\n20 times step 9 " + line.substr(9) + "\n",  // no such step
        std::string(heading) + "\n20 times lanes chunks 512x32 prefetch 512 streaming off\n",
        std::string(heading) + "\n20 times octets chunks 500x32 prefetch 512 streaming off\n",
        std::string(heading) + "\n20 times octets chunks 512x48 prefetch 512 streaming off\n",
        std::string(heading) + "\n20 times octets chunks 512x32 prefetch 512 streaming maybe\n",
        std::string(heading) + "\n20 times octets chunks 512x32 prefetch 512 streaming off top 1+3\n",
        std::string(heading) + "\n20 times octets chunks 512x32 prefetch 512 streaming off top\n",
        text + "\xff\xfe\n",
    };
    for (const std::string& bytes : damaged) {
        const fft::PlanCacheReading reading = fft::readPlanCache(heading, bytes);
        EXPECT_FALSE(reading.problem.empty()) << '"' << bytes << '"';
        EXPECT_TRUE(reading.choices.empty()) << '"' << bytes << '"';
    }
}

} // namespace
} // namespace calvorn
