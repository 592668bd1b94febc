// runPiComputation: one whole computation of pi to 2^p digits, from the
// chosen size to "pi_data.txt". It owns the work area and the seven work files
// for the length of the run and releases them on every way out.
#pragma once

#include <cstdint>

#include "common/messages.h"
#include "platform/host.h"
#include "storage/run_context.h"

namespace calvorn {

// What a front end may want to know about a run besides its result.
struct RunSummary {
    std::uint64_t workAreaBytes = 0;       // bytes allocated for the work area
    std::int32_t workAreaLength = 0;       // doubles of the work area the products use
    std::int32_t iterations = 0;           // Gauss-Legendre iterations made
    double largestRoundingDistance = 0.0;  // largest distance to an integer after an inverse transform
    bool digitsVerified = false;           // "pi_data.txt" matched the digest of the correct digits
    TransferCounts transfers;              // block reads and writes
};

// Returns 0 when the digits have been written and verified, 1 when the memory
// could not be had, the user stopped the run, or the run failed (the failure
// has then been shown through host.showError). Progress lines go to
// host.appendLog in `language`, elapsed times measured from startTicks.
int runPiComputation(Host& host, std::int32_t sizeExponent, std::uint32_t startTicks, RunSummary& summary,
                     Language language = Language::korean);

} // namespace calvorn
