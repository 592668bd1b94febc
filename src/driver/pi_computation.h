// runPiComputation: one whole computation of pi to 2^p digits, from the
// chosen size to "pi_data.txt". It owns the work area and the seven work files
// for the length of the run and releases them on every way out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "common/messages.h"
#include "platform/host.h"
#include "platform/run_clock.h"
#include "storage/run_context.h"

namespace calvorn {

// What a front end may want to know about a run besides its result.
struct RunOptions {
    // Compare the work fingerprint with the committed one when the run had
    // the full work area (the tool that makes the table turns this off).
    bool checkWorkFingerprint = true;
    // The language of the progress lines and of the memory message.
    Language language = Language::korean;
    // A test hook for the stability test: the first value the rounding checks
    // is moved up by one unit in the last place before it is rounded, as a
    // faulty processor might compute it. It still rounds to the same integer,
    // so the digits stay right while the work fingerprint differs.
    bool injectFault = false;
    // The most bytes the work area may take (the console's --memory).
    std::uint64_t memoryCap = std::numeric_limits<std::uint64_t>::max();
    // The transforms' plan: lane paths and tunings chosen by an earlier run
    // (they run as they are), and whether the lengths and kinds without one
    // time their candidates in this run (otherwise they run the static plan).
    std::vector<fft::PlanChoice> knownPlans;
    bool planTransforms = true;
    // For the run session: the file that keeps the plans between runs (none:
    // every run measures for itself and keeps nothing), and whether to
    // measure every length this run uses anew (--replan).
    std::optional<std::filesystem::path> planCacheFile;
    bool replanTransforms = false;
    // Blocks that are only looked at are seen through views of the work
    // files; off, every block is read into a buffer (for a benchmark that
    // compares the two).
    bool viewWorkFiles = true;
};

struct RunSummary {
    std::uint64_t workAreaBytes = 0;       // bytes allocated for the work area
    std::int32_t workAreaLength = 0;       // doubles of the work area the products use
    std::int32_t iterations = 0;           // Gauss-Legendre iterations made
    double largestRoundingDistance = 0.0;  // largest distance to an integer after an inverse transform
    bool digitsVerified = false;           // "pi_data.txt" matched the digest of the correct digits
    std::uint32_t elapsed = 0;             // milliseconds of the computation, up to the last digit written
    std::uint64_t workFingerprint = 0;     // sum of the bit patterns of every value the rounding checked
    bool fingerprintChecked = false;       // the run had the full work area and the check was asked for
    bool fingerprintMatched = false;       // ... and the fingerprint was the committed one
    TransferCounts transfers;              // block reads and writes
    TransformCounts transforms;            // transforms made, by length
    fft::TransformPlanner planner;         // what each length and kind of transform ran, and its trials
};

// Returns 0 when the digits have been written, verified and put in place as
// "pi_data.txt" (and, with the full work area, the work fingerprint is the
// committed one), 1 when the memory could not be had, the user stopped the
// run, or the run failed (the failure has then been shown through
// host.showError, after the run's files were removed; a run that fails or
// stops before its digits are verified leaves the previous "pi_data.txt" as
// it was). Progress lines go to host.appendLog with elapsed times from
// `clock`; summary.elapsed is taken when the last digit is written, before
// the digits are checked.
int runPiComputation(Host& host, std::int32_t sizeExponent, const RunClock& clock, RunSummary& summary,
                     const RunOptions& options = {});

} // namespace calvorn
