#include "cli/stress_judge.h"

#include <algorithm>

#include "app/text_format.h"
#include "driver/work_fingerprint.h"

namespace calvorn {
namespace {

std::string hex(std::uint64_t fingerprint) { return workFingerprintText(fingerprint); }

} // namespace

StressJudge::StressJudge(const StressPlan& plan, std::int32_t sizeExponent, Language language)
    : sizeExponent_(sizeExponent), language_(language)
{
    for (const StressCopy& copy : plan.copies) {
        CopyState state;
        state.copy = copy;
        copies_.push_back(state);
    }
}

void StressJudge::started(std::size_t copy, const CopyReport& report)
{
    CopyState& state = copies_.at(copy);
    state.started = true;
    state.pinned = report.pinned;
    state.pinProblem = report.pinProblem;
}

void StressJudge::fail(std::size_t copy, CopyFailure failure)
{
    CopyState& state = copies_.at(copy);
    if (!state.failure) state.failure = std::move(failure);
}

void StressJudge::unpass(std::size_t copy, std::int64_t run)
{
    CopyState& state = copies_.at(copy);
    for (std::size_t i = 0; i < state.passedRunNumbers.size(); ++i) {
        if (state.passedRunNumbers[i] != run) continue;
        state.passedRunNumbers.erase(state.passedRunNumbers.begin() + static_cast<std::ptrdiff_t>(i));
        state.times.erase(state.times.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

void StressJudge::runEnded(std::size_t copy, const CopyReport& report)
{
    CopyState& state = copies_.at(copy);
    state.runsEnded = report.run;
    state.lastRunStopped = report.verdict == RunVerdict::stopped;
    if (report.workAreaBytes != 0) {
        state.workAreaBytes = report.workAreaBytes;
        state.workAreaLength = report.workAreaLength;
    }
    switch (report.verdict) {
    case RunVerdict::stopped:
        return;
    case RunVerdict::failed: {
        const std::string reason =
            report.error.empty() ? messageText(MessageId::runFailed, language_) : report.error;
        fail(copy, {report.run, "failed", formatText(messageText(MessageId::stressRunFailedBecause, language_),
                                                     reason.c_str())});
        return;
    }
    case RunVerdict::fingerprintDiffers: {
        const std::string expected = hex(referenceWorkFingerprint(sizeExponent_).value_or(0));
        fail(copy, {report.run, "fingerprint-table",
                    formatText(messageText(MessageId::stressFingerprintTable, language_),
                               hex(report.fingerprint).c_str(), expected.c_str())});
        return;
    }
    case RunVerdict::passed:
        break;
    }
    state.times.push_back(report.timeMs);
    state.passedRunNumbers.push_back(report.run);
    state.fingerprint = report.fingerprint;
    state.fingerprintChecked = report.fingerprintChecked;
    if (report.fingerprintChecked) return;  // the table has judged it
    Group& group = groups_[report.workAreaLength];
    Supporters& supporters = group[report.fingerprint];
    supporters.copies.insert(copy);
    supporters.runs.emplace_back(copy, report.run);
    if (group.size() > 1) compare(group, copy, report.run);
}

void StressJudge::compare(Group& group, std::size_t copy, std::int64_t run)
{
    // The copies that computed more than one fingerprint for the same work.
    std::map<std::size_t, int> valuesOfCopy;
    for (const auto& [fingerprint, supporters] : group)
        for (const std::size_t c : supporters.copies) ++valuesOfCopy[c];
    const bool someCopyDisagreesWithItself =
        std::any_of(valuesOfCopy.begin(), valuesOfCopy.end(), [](const auto& entry) { return entry.second > 1; });

    // The right fingerprint: the one most copies computed; between as many
    // copies, where a copy disagrees with itself, the one of more runs.
    auto best = [&](auto weight) -> std::optional<std::uint64_t> {
        std::optional<std::uint64_t> found;
        std::size_t most = 0;
        bool tied = false;
        for (const auto& [fingerprint, supporters] : group) {
            const std::size_t w = weight(supporters);
            if (w > most) {
                most = w;
                found = fingerprint;
                tied = false;
            } else if (w == most) {
                tied = true;
            }
        }
        return tied ? std::nullopt : found;
    };
    std::optional<std::uint64_t> right = best([](const Supporters& s) { return s.copies.size(); });
    if (!right && someCopyDisagreesWithItself) right = best([](const Supporters& s) { return s.runs.size(); });

    if (right) {
        const Supporters& agreed = group.at(*right);
        for (const auto& [fingerprint, supporters] : group) {
            if (fingerprint == *right) continue;
            for (const auto& [c, r] : supporters.runs) {
                unpass(c, r);
                fail(c, {r, "fingerprint-copies",
                         formatText(messageText(MessageId::stressFingerprintCopies, language_), hex(fingerprint).c_str(),
                                    hex(*right).c_str(), static_cast<int>(agreed.copies.size()),
                                    static_cast<long long>(agreed.runs.size()))});
            }
        }
        return;
    }
    const std::uint64_t found = copies_.at(copy).fingerprint;
    if (valuesOfCopy[copy] > 1) {
        // This copy computed two fingerprints: it is faulty, whichever run is wrong.
        std::uint64_t other = found;
        for (const auto& [fingerprint, supporters] : group)
            if (fingerprint != found && supporters.copies.count(copy) != 0) other = fingerprint;
        unpass(copy, run);
        fail(copy, {run, "fingerprint-own-runs",
                    formatText(messageText(MessageId::stressFingerprintOwnRuns, language_), hex(other).c_str(),
                               hex(found).c_str())});
        return;
    }
    // As many copies on each side, each agreeing with itself: both are named.
    for (const auto& [fingerprint, supporters] : group) {
        if (fingerprint == found) continue;
        const auto [otherCopy, otherRun] = supporters.runs.front();
        unpass(copy, run);
        unpass(otherCopy, otherRun);
        fail(copy, {run, "fingerprint-undecided",
                    formatText(messageText(MessageId::stressFingerprintUndecided, language_), hex(found).c_str(),
                               hex(fingerprint).c_str(), copies_.at(otherCopy).copy.name.c_str()),
                    false});
        fail(otherCopy, {otherRun, "fingerprint-undecided",
                         formatText(messageText(MessageId::stressFingerprintUndecided, language_),
                                    hex(fingerprint).c_str(), hex(found).c_str(), copies_.at(copy).copy.name.c_str()),
                         false});
    }
}

void StressJudge::lost(std::size_t copy, std::string kind, std::string text)
{
    fail(copy, {copies_.at(copy).runsEnded + 1, std::move(kind), std::move(text)});
}

bool StressJudge::anyFailure() const
{
    return std::any_of(copies_.begin(), copies_.end(), [](const CopyState& c) { return c.failure.has_value(); });
}

std::int64_t StressJudge::comparedRuns() const
{
    std::int64_t runs = 0;
    for (const auto& [length, group] : groups_)
        for (const auto& [fingerprint, supporters] : group) runs += static_cast<std::int64_t>(supporters.runs.size());
    return runs;
}

std::optional<std::uint64_t> StressJudge::agreedFingerprint() const
{
    if (groups_.size() != 1 || groups_.begin()->second.size() != 1) return std::nullopt;
    return groups_.begin()->second.begin()->first;
}

MachineVerdict StressJudge::verdict(bool stoppedEarly) const
{
    if (anyFailure()) return MachineVerdict::failed;
    if (stoppedEarly) return MachineVerdict::stopped;
    for (const CopyState& c : copies_)
        if (c.passedRuns() == 0) return MachineVerdict::incomplete;
    return MachineVerdict::passed;
}

} // namespace calvorn
