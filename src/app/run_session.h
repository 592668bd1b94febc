// One run as both front ends make it: the clock, the driver, the recorded
// time, the pending-stop check, the records file and the history of runs.
// The front end shows what the session reports (lines, boxes, the table) in
// its own way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "app/record_table.h"
#include "driver/pi_computation.h"
#include "platform/host.h"

namespace calvorn {

// What a front end does at the two moments that differ between the window
// and the console.
class SessionFront {
public:
    virtual ~SessionFront() = default;
    // The computation has ended, however it ended (the window takes its stop
    // command away here).
    virtual void computationEnded() {}
    // A verified run: `elapsed` is the time that will be recorded. Called
    // before the best time is updated and saved.
    virtual void runFinished(std::uint32_t elapsed, const RunSummary& summary) = 0;
};

struct SessionResult {
    enum class Outcome { recorded, stopped, failed };
    Outcome outcome = Outcome::failed;
    RunSummary summary;
    std::uint32_t elapsed = 0;   // the recorded time in milliseconds (recorded runs only)
    std::string recordsError;    // why the records file could not be saved (empty: saved)
    std::string historyProblem;  // why the run could not be added to the history (empty: added, or none kept)
};

// Why a run cannot start in the current folder without touching what is not
// its own (a link, a directory, a FIFO under one of its names), or nothing.
// The records file and its side file are looked at here, the run's own files
// by the driver.
std::optional<std::string> folderFileInTheWay();

// Runs size 2^sizeExponent. The stop flag is lowered for the run and raised
// again after it. A run that returns without failure but meets a stop that
// is still pending ends as stopped. Only a verified run updates `records` and
// saves them; a failure of that save is reported in recordsError (the records
// in memory keep the new time). Exceptions from the driver's set-up are shown
// through host.showError and end as failed. With a history file, every run
// that was not stopped is added to it; a failure to do so is reported in
// historyProblem and changes nothing else.
SessionResult runSession(Host& host, std::int32_t sizeExponent, RecordTable& records, SessionFront& front,
                         const RunOptions& options = {},
                         const std::optional<std::filesystem::path>& historyFile = std::nullopt);

// The same run without the record step: runSession up to the moment a
// verified run would be recorded (front.runFinished included). Outcome
// `recorded` then means verified; nothing is written beside the digits.
// A run made under load (a copy of the stress test) goes this way.
SessionResult runUnrecordedSession(Host& host, std::int32_t sizeExponent, SessionFront& front,
                                   const RunOptions& options = {});

} // namespace calvorn
