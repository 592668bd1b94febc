// What a copy of the stress test tells the program that started it: one
// line of JSON per report on the copy's standard output. It has started (and
// whether it is pinned to its core), it is alive (between the ends of its
// runs), or a run has ended with its figures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/repeat_run.h"

namespace calvorn {

struct CopyReport {
    enum class Kind { started, alive, runEnded };
    Kind kind = Kind::alive;

    // started
    bool pinned = false;
    std::string pinProblem;              // why it is not pinned (empty: pinned, or nothing asked)

    // runEnded
    std::int64_t run = 0;                // from 1
    RunVerdict verdict = RunVerdict::failed;
    std::uint32_t timeMs = 0;            // the computation's time (0 when it got no further)
    bool verified = false;               // the digits were checked and right
    std::uint64_t fingerprint = 0;
    bool fingerprintChecked = false;     // compared with the table (full work area)
    bool fingerprintMatched = false;
    std::uint64_t workAreaBytes = 0;
    std::int32_t workAreaLength = 0;
    std::int32_t iterations = 0;
    std::string error;                   // what the run reported as its failure
};

// The report as one line of text, without its line end.
std::string encodeCopyReport(const CopyReport& report);

// A line as encodeCopyReport wrote it (a carriage return at its end is
// ignored); nothing for anything else.
std::optional<CopyReport> decodeCopyReport(std::string_view line);

// The report of a finished run session.
CopyReport runReport(std::int64_t run, const SessionResult& session, std::string error);

} // namespace calvorn
