// The judgement of a stress test: every copy's runs, times and failures, and
// the work fingerprints of runs that the table cannot check (a work area
// smaller than the full one) compared between all runs of the same work, so
// that a differing one is never missed. Which one is wrong: the fingerprint
// that more copies computed; between as many copies on each side, a copy
// whose own runs disagree is the faulty one (its fingerprint that fewer runs
// had is the wrong one); otherwise both sides are named and the failure is
// marked as undecided. Pure bookkeeping; the texts in the test's language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/stress_plan.h"
#include "cli/stress_protocol.h"
#include "common/messages.h"

namespace calvorn {

struct CopyFailure {
    std::int64_t run = 0;   // the run it happened in (counted from 1)
    std::string kind;       // "failed", "fingerprint-table", "fingerprint-copies", "fingerprint-own-runs",
                            // "fingerprint-undecided", "died", "hung", "not-started", "unreadable"
    std::string text;       // what differed, for a person
    bool certain = true;    // false: this copy or another one is wrong, which cannot be told
};

struct CopyState {
    StressCopy copy;
    bool started = false;
    bool pinned = false;
    std::string pinProblem;
    std::vector<std::uint32_t> times;      // of the passed runs, in order
    std::vector<std::int64_t> passedRunNumbers; // their numbers
    std::int64_t runsEnded = 0;            // the number of the last run reported
    bool lastRunStopped = false;           // its last run was stopped, not judged
    std::optional<CopyFailure> failure;    // the first one
    std::uint64_t workAreaBytes = 0;       // of its last run that got so far
    std::int32_t workAreaLength = 0;
    std::uint64_t fingerprint = 0;         // of its last passed run
    bool fingerprintChecked = false;       // ... checked against the table

    std::int64_t passedRuns() const { return static_cast<std::int64_t>(times.size()); }
};

enum class MachineVerdict { passed, failed, stopped, incomplete };

class StressJudge {
public:
    StressJudge(const StressPlan& plan, std::int32_t sizeExponent, Language language);

    void started(std::size_t copy, const CopyReport& report);
    // A run's end as the copy reported it; failures it reveals are noted on
    // this copy or, for a fingerprint that others share, on those.
    void runEnded(std::size_t copy, const CopyReport& report);
    // A copy that is gone without a report of its own (died, hung, ...): its
    // failure, in the run after its last reported one.
    void lost(std::size_t copy, std::string kind, std::string text);

    bool anyFailure() const;
    const std::vector<CopyState>& copies() const { return copies_; }

    // The runs whose fingerprints were compared between copies (not against
    // the table), and the one fingerprint they all had (nothing when none or
    // when they differed).
    std::int64_t comparedRuns() const;
    std::optional<std::uint64_t> agreedFingerprint() const;

    // With `stoppedEarly` when the test was stopped before its duration.
    MachineVerdict verdict(bool stoppedEarly) const;

private:
    struct Supporters {
        std::set<std::size_t> copies;
        std::vector<std::pair<std::size_t, std::int64_t>> runs; // copy, run
    };
    using Group = std::map<std::uint64_t, Supporters>;  // fingerprint -> who computed it

    void compare(Group& group, std::size_t copy, std::int64_t run);
    void fail(std::size_t copy, CopyFailure failure);
    // A run that passed in its copy but is found wrong by the comparison.
    void unpass(std::size_t copy, std::int64_t run);

    std::int32_t sizeExponent_;
    Language language_;
    std::vector<CopyState> copies_;
    std::map<std::int32_t, Group> groups_;  // by work area length: only equal work is compared
};

} // namespace calvorn
