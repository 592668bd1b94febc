#include "fft/transform_planner.h"

#include <algorithm>
#include <cassert>
#include <charconv>

namespace calvorn::fft {
namespace {

// A candidate replaces the best so far only when it is this much faster: a
// tie keeps what was there, so that noise does not move the choice about.
constexpr double switchMargin = 0.99;

// The shortest length whose search tries the two top levels in one sweep.
constexpr std::int32_t topSearchedFromExponent = 20;

// A candidate whose first use takes this much longer than the best so far's
// is not timed again: it cannot win, and each of its uses costs the run.
constexpr double hopelessMargin = 1.15;

std::vector<std::string_view> wordsOf(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ') ++j;
        if (j > i) words.push_back(text.substr(i, j - i));
        i = j;
    }
    return words;
}

std::optional<std::uint32_t> numberOf(std::string_view word)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc{} || end != word.data() + word.size()) return std::nullopt;
    return value;
}

std::string strideText(std::uint32_t stride) { return stride == 0 ? "off" : std::to_string(stride); }

std::optional<std::uint32_t> strideOf(std::string_view word)
{
    if (word == "off") return 0u;
    const auto value = numberOf(word);
    // Strides are powers of two.
    if (!value || *value == 0 || (*value & (*value - 1)) != 0) return std::nullopt;
    return value;
}

bool knownChunkWidth(std::uint32_t columns)
{
    return std::find(std::begin(chunkColumnChoices), std::end(chunkColumnChoices), columns) !=
           std::end(chunkColumnChoices);
}

// The lane paths worth trying: the vector ones this processor runs; the one
// lane and the lowered eight lanes only where nothing else runs.
std::vector<LanePath> pathsToTry()
{
    std::vector<LanePath> paths;
    for (const LanePath path : {LanePath::octets, LanePath::quads}) {
        if (lanePathUsable(path)) paths.push_back(path);
    }
    if (paths.empty()) paths.push_back(LanePath::pairs);
    return paths;
}

// The row strides of a transform of 2^k doubles that a tuning acts on: the
// first pass's (chunked with 16 or 32 rows where it has a short pass) and the
// pairs' of the tree (16 rows, from an eighth of the first stride down to 8).
struct Strides {
    std::vector<std::pair<std::size_t, std::size_t>> chunkable; // stride, rows
    std::vector<std::size_t> pairs;
};

// Where the two top levels go in one sweep, neither the first pass's rows nor
// level 2's pairs are swept on their own.
Strides stridesOf(std::int32_t k, bool topInOneSweep)
{
    Strides strides;
    const std::size_t n = std::size_t{1} << k;
    const std::int32_t shortPass = k % 3;
    const std::size_t first = n >> (3 + shortPass);
    if (!topInOneSweep && shortPass == 1) strides.chunkable.push_back({first, 16});
    if (!topInOneSweep && shortPass == 2) strides.chunkable.push_back({first, 32});
    for (std::size_t s = topInOneSweep ? first / 64 : first / 8; s >= 8; s /= 8) {
        strides.chunkable.push_back({s, 16});
        strides.pairs.push_back(s);
    }
    return strides;
}

void addCandidate(std::vector<TreeVariant>& candidates, std::int32_t k, const TreeVariant& variant)
{
    for (const TreeVariant& there : candidates) {
        if (sameWorkAt(k, there, variant)) return;
    }
    candidates.push_back(variant);
}

} // namespace

std::string_view transformWorkName(TransformWork work)
{
    switch (work) {
    case TransformWork::forward: return "forward";
    case TransformWork::inverse: return "inverse";
    case TransformWork::times: return "times";
    case TransformWork::square: return "square";
    case TransformWork::squareKeep: return "square-keep";
    }
    return "times";
}

std::optional<TransformWork> transformWorkNamed(std::string_view name)
{
    for (const TransformWork work : everyTransformWork) {
        if (transformWorkName(work) == name) return work;
    }
    return std::nullopt;
}

std::string variantName(const TreeVariant& variant)
{
    const TreeTuning& t = variant.tuning;
    std::string name(lanePathName(variant.path));
    name += " chunks " + (t.chunkFrom == 0 ? std::string("off") : std::to_string(t.chunkFrom) + "x" +
                                                                      std::to_string(t.chunkColumns));
    name += " prefetch " + strideText(t.prefetchAt);
    name += t.streamingOpening ? " streaming on" : " streaming off";
    if (t.topInOneSweep) name += " top 1+2";
    return name;
}

std::optional<TreeVariant> variantNamed(std::string_view name)
{
    const std::vector<std::string_view> words = wordsOf(name);
    // Seven words, or nine with the two top levels in one sweep.
    const bool top = words.size() == 9 && words[7] == "top" && words[8] == "1+2";
    if ((words.size() != 7 && !top) || words[1] != "chunks" || words[3] != "prefetch" || words[5] != "streaming") {
        return std::nullopt;
    }
    TreeVariant variant;
    bool pathFound = false;
    for (const LanePath path : everyLanePath) {
        if (lanePathName(path) == words[0]) {
            variant.path = path;
            pathFound = true;
        }
    }
    if (!pathFound || !lanePathUsable(variant.path)) return std::nullopt;
    if (words[2] == "off") {
        variant.tuning.chunkFrom = 0;
    } else {
        const std::size_t x = words[2].find('x');
        if (x == std::string_view::npos) return std::nullopt;
        const auto from = strideOf(words[2].substr(0, x));
        const auto columns = numberOf(words[2].substr(x + 1));
        if (!from || *from == 0 || !columns || !knownChunkWidth(*columns)) return std::nullopt;
        variant.tuning.chunkFrom = *from;
        variant.tuning.chunkColumns = *columns;
    }
    const auto prefetch = strideOf(words[4]);
    if (!prefetch) return std::nullopt;
    variant.tuning.prefetchAt = *prefetch;
    if (words[6] != "on" && words[6] != "off") return std::nullopt;
    variant.tuning.streamingOpening = words[6] == "on";
    variant.tuning.topInOneSweep = top;
    return variant;
}

TreeVariant staticVariant()
{
    TreeVariant variant;
    variant.path = lanePathFromEnvironment();
    return variant;
}

bool sameWorkAt(std::int32_t k, const TreeVariant& a, const TreeVariant& b)
{
    if (a.path != b.path || a.tuning.streamingOpening != b.tuning.streamingOpening) return false;
    const bool top = topInOneSweepAt(a.path, a.tuning, k);
    if (top != topInOneSweepAt(b.path, b.tuning, k)) return false;
    const Strides strides = stridesOf(k, top);
    for (const auto& [stride, rows] : strides.chunkable) {
        const bool chunkedA = chunkedAt(a.tuning, stride, rows);
        if (chunkedA != chunkedAt(b.tuning, stride, rows)) return false;
        if (chunkedA && chunkColumnsOf(a.tuning, rows) != chunkColumnsOf(b.tuning, rows)) return false;
    }
    const auto prefetches = [&](const TreeTuning& t) {
        return std::find(strides.pairs.begin(), strides.pairs.end(), t.prefetchAt) != strides.pairs.end();
    };
    if (prefetches(a.tuning) != prefetches(b.tuning)) return false;
    return !prefetches(a.tuning) || a.tuning.prefetchAt == b.tuning.prefetchAt;
}

std::vector<TreeVariant> searchStepCandidates(std::int32_t k, std::size_t step, const TreeVariant& best,
                                              std::optional<LanePath> forcedPath)
{
    std::vector<TreeVariant> candidates{best};
    TreeVariant v = best;
    switch (step) {
    case 0:
        if (forcedPath) break;
        for (const LanePath path : pathsToTry()) {
            v.path = path;
            addCandidate(candidates, k, v);
        }
        break;
    case 1:
        for (const std::uint32_t from : {256u, 512u, 1024u, 4096u, 32768u, 0u}) {
            v.tuning.chunkFrom = from;
            addCandidate(candidates, k, v);
        }
        break;
    case 2:
        for (const std::uint32_t at : {512u, 0u, 64u, 4096u}) {
            v.tuning.prefetchAt = at;
            addCandidate(candidates, k, v);
        }
        break;
    case 3:
        for (const std::uint32_t columns : chunkColumnChoices) {
            v.tuning.chunkColumns = columns;
            addCandidate(candidates, k, v);
        }
        break;
    case 4:
        v.tuning.streamingOpening = !best.tuning.streamingOpening;
        addCandidate(candidates, k, v);
        break;
    default:
        // Below 2^20 doubles a level-2 block fits in a level-2 cache, and
        // sweeping the top levels as one cannot save traffic.
        if (k < topSearchedFromExponent || !topSweepBuiltFor(best.path)) break;
        v.tuning.topInOneSweep = !best.tuning.topInOneSweep;
        addCandidate(candidates, k, v);
        break;
    }
    return candidates;
}

std::string planCacheText(std::string_view heading, const std::vector<PlanChoice>& choices)
{
    std::string text(heading);
    text += '\n';
    for (const PlanChoice& choice : choices) {
        text += std::to_string(choice.k) + ' ' + std::string(transformWorkName(choice.work)) + ' ';
        if (choice.step < searchStepCount) text += "step " + std::to_string(choice.step) + ' ';
        text += variantName(choice.variant) + '\n';
    }
    return text;
}

PlanCacheReading readPlanCache(std::string_view heading, std::string_view text)
{
    PlanCacheReading reading;
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) {
        reading.problem = "it has no heading line";
        return reading;
    }
    if (text.substr(0, end) != heading) return reading;
    reading.sameHeading = true;
    std::size_t at = end + 1;
    std::size_t lineNumber = 1;
    while (at < text.size()) {
        ++lineNumber;
        std::size_t next = text.find('\n', at);
        if (next == std::string_view::npos) {
            reading.problem = "line " + std::to_string(lineNumber) + " is cut off";
            break;
        }
        const std::string_view line = text.substr(at, next - at);
        at = next + 1;
        const std::vector<std::string_view> words = wordsOf(line);
        std::optional<PlanChoice> choice;
        // "K WORK VARIANT" or "K WORK step S VARIANT"; the variant's words are checked by variantNamed.
        const bool partial = words.size() >= 4 && words[2] == "step";
        if (words.size() >= (partial ? 5u : 3u)) {
            const auto k = numberOf(words[0]);
            const auto work = transformWorkNamed(words[1]);
            const std::optional<std::uint32_t> step =
                partial ? numberOf(words[3]) : std::optional<std::uint32_t>(searchStepCount);
            const std::string_view& first = words[partial ? 4 : 2];
            const std::size_t variantStart = static_cast<std::size_t>(first.data() - line.data());
            const auto variant = variantNamed(line.substr(variantStart));
            if (k && *k >= static_cast<std::uint32_t>(smallestPlannedExponent) &&
                *k <= static_cast<std::uint32_t>(largestPlanExponent) && work && variant && step &&
                *step <= searchStepCount) {
                choice = PlanChoice{static_cast<std::int32_t>(*k), *work, *variant, *step};
            }
        }
        if (!choice) {
            reading.problem = "line " + std::to_string(lineNumber) + " is not a plan";
            break;
        }
        reading.choices.push_back(*choice);
    }
    if (!reading.problem.empty()) reading.choices.clear();
    return reading;
}

TransformPlanner::TransformPlanner(bool trying, std::optional<LanePath> forcedPath, int samples, std::size_t steps,
                                   double budget)
    : trying_(trying), forcedPath_(forcedPath), samples_(samples), steps_(steps), budget_(budget),
      static_(staticVariant())
{
    if (forcedPath_) static_.path = *forcedPath_;
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        for (Slot& slot : slots_[k]) {
            slot.k = static_cast<std::int32_t>(k);
            slot.plan.chosen = static_;
        }
    }
}

TransformPlanner::Slot& TransformPlanner::slotOf(std::int32_t k, TransformWork work)
{
    assert(k >= 0 && k <= largestPlanExponent);
    return slots_[static_cast<std::size_t>(k)][static_cast<std::size_t>(work)];
}

const TransformPlanner::Slot& TransformPlanner::slotOf(std::int32_t k, TransformWork work) const
{
    return slots_[static_cast<std::size_t>(k)][static_cast<std::size_t>(work)];
}

void TransformPlanner::takeUp(const std::vector<PlanChoice>& choices)
{
    for (const PlanChoice& choice : choices) {
        if (forcedPath_ && choice.variant.path != *forcedPath_) continue;
        Slot& slot = slotOf(choice.k, choice.work);
        slot.plan.chosen = choice.variant;
        if (choice.step >= searchStepCount) {
            slot.plan.source = WorkPlan::Source::cached;
        } else {
            // A search an earlier run began goes on from its step.
            slot.plan.source = WorkPlan::Source::unplanned;
            slot.search.step = choice.step;
            slot.search.carriedOver = true;
        }
    }
}

void TransformPlanner::beginStep(Slot& slot)
{
    Search& search = slot.search;
    search.candidates = searchStepCandidates(slot.k, search.step, slot.plan.chosen, forcedPath_);
    // A step with nothing to compare is done at once.
    while (search.candidates.size() == 1) {
        if (++search.step == searchStepCount) {
            slot.plan.source = WorkPlan::Source::measured;
            search.candidates.clear();
            return;
        }
        search.candidates = searchStepCandidates(slot.k, search.step, slot.plan.chosen, forcedPath_);
    }
    search.least.assign(search.candidates.size(), 0.0);
    search.samples.assign(search.candidates.size(), 0);
    search.turn = 0;
}

void TransformPlanner::endStep(Slot& slot)
{
    Search& search = slot.search;
    // The first candidate is the best so far; another must beat it clearly.
    std::size_t best = 0;
    for (std::size_t i = 0; i < search.candidates.size(); ++i) {
        slot.plan.timings.push_back({search.candidates[i], search.least[i]});
        if (i > 0 && search.least[i] < search.least[best] * switchMargin) best = i;
    }
    slot.plan.chosen = search.candidates[best];
    search.usual = search.least[best];
    ++search.step;
    ++search.stepsDone;
    if (search.stepsDone == steps_ && search.step < searchStepCount) {
        // The rest of the search is left to later runs.
        slot.plan.source = WorkPlan::Source::trying;
        search.candidates.clear();
        return;
    }
    if (search.step == searchStepCount) {
        slot.plan.source = WorkPlan::Source::measured;
        search.candidates.clear();
        return;
    }
    beginStep(slot);
}

TransformPlanner::Turn TransformPlanner::next(std::int32_t k, TransformWork work)
{
    if (k < smallestPlannedExponent) {
        ++slotOf(k, work).plan.uses;
        return {static_, false};
    }
    Slot& slot = slotOf(k, work);
    WorkPlan& plan = slot.plan;
    ++plan.uses;
    if (plan.source == WorkPlan::Source::measured || plan.source == WorkPlan::Source::cached || !trying_) {
        return {plan.chosen, false};
    }
    Search& search = slot.search;
    if (search.stepsDone == steps_) return {plan.chosen, false};
    if (search.uses < warmUpUses) {
        // The first use of a length also pays for pages touched the first time.
        ++search.uses;
        return {plan.chosen, false};
    }
    if (plan.source == WorkPlan::Source::unplanned) {
        plan.source = WorkPlan::Source::trying;
        beginStep(slot);
        if (plan.source == WorkPlan::Source::measured) return {plan.chosen, false};
    }
    // A trial of another candidate waits until this length and kind's
    // transforms so far pay for the trials before it and for one more that
    // takes the margin of a hopeless candidate longer than the best (one that
    // takes longer is not timed a second time).
    if (search.turn > 0 &&
        search.spent + (hopelessMargin - 1.0) * search.usual >
            budget_ * static_cast<double>(plan.uses) * search.usual &&
        !(search.carriedOver && search.stepsDone == 0))
        return {plan.chosen, false};
    return {search.candidates[search.turn], true};
}

void TransformPlanner::finish(std::int32_t k, TransformWork work, double seconds)
{
    Slot& slot = slotOf(k, work);
    Search& search = slot.search;
    ++search.uses;
    if (slot.plan.source != WorkPlan::Source::trying) return;
    slot.plan.timedSeconds += seconds;
    ++slot.plan.timedUses;
    double& least = search.least[search.turn];
    if (least == 0.0 || seconds < least) least = seconds;
    if (search.turn == 0 && (search.usual == 0.0 || seconds < search.usual)) search.usual = seconds;
    if (search.turn > 0 && seconds > search.usual) search.spent += seconds - search.usual;
    ++search.samples[search.turn];
    // A hopeless candidate takes no more turns.
    if (search.turn > 0 && search.least[0] > 0.0 && least > search.least[0] * hopelessMargin)
        search.samples[search.turn] = samples_;
    // Round robin over the candidates still to be timed, so that a drift of
    // the machine's speed falls on all of them alike.
    const std::size_t count = search.candidates.size();
    for (std::size_t next = 1; next <= count; ++next) {
        const std::size_t candidate = (search.turn + next) % count;
        if (search.samples[candidate] < samples_) {
            search.turn = candidate;
            return;
        }
    }
    endStep(slot);
}

const WorkPlan& TransformPlanner::planOf(std::int32_t k, TransformWork work) const { return slotOf(k, work).plan; }

std::vector<PlanChoice> TransformPlanner::choices() const
{
    std::vector<PlanChoice> choices;
    for (std::int32_t k = smallestPlannedExponent; k <= largestPlanExponent; ++k) {
        for (const TransformWork work : everyTransformWork) {
            const Slot& slot = slotOf(k, work);
            const WorkPlan& plan = slot.plan;
            if (plan.source == WorkPlan::Source::measured || plan.source == WorkPlan::Source::cached) {
                choices.push_back({k, work, plan.chosen, searchStepCount});
            } else if (slot.search.step > 0) {
                choices.push_back({k, work, plan.chosen, slot.search.step});
            }
        }
    }
    return choices;
}

double TransformPlanner::trialCostOf(const WorkPlan& plan)
{
    if (plan.timedUses == 0) return 0.0;
    double least = 0.0;
    for (const CandidateTime& candidate : plan.timings) {
        if (candidate.variant == plan.chosen && (least == 0.0 || candidate.seconds < least)) least = candidate.seconds;
    }
    return least > 0.0 ? plan.timedSeconds - static_cast<double>(plan.timedUses) * least : 0.0;
}

double TransformPlanner::trialCost() const
{
    double cost = 0.0;
    for (const auto& row : slots_) {
        for (const Slot& slot : row) cost += trialCostOf(slot.plan);
    }
    return cost;
}

bool TransformPlanner::measuredAnything() const
{
    for (std::int32_t k = smallestPlannedExponent; k <= largestPlanExponent; ++k) {
        for (const TransformWork work : everyTransformWork) {
            const Slot& slot = slotOf(k, work);
            if (slot.plan.source == WorkPlan::Source::measured || slot.search.stepsDone > 0) return true;
        }
    }
    return false;
}

} // namespace calvorn::fft
