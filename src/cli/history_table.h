// The --history table: the runs of the history per size and processor, with
// how many passed and failed, the best and the median time of the passed
// ones to the millisecond, and the date of the last run. Text only; the
// file itself is read by app/run_history.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/run_history.h"
#include "common/messages.h"

namespace calvorn {

struct HistoryRow {
    std::int32_t sizeExponent = 14;
    std::string processor;
    std::uint64_t passed = 0;
    std::uint64_t failed = 0;       // failed runs, and right digits from other arithmetic
    std::uint32_t bestMs = 0;       // of the passed runs; 0 when none passed
    std::uint32_t medianMs = 0;
    std::string lastDateUtc;        // of the last run, passed or not
};

// One row per size and processor, by size and then processor; of `size` alone if given.
std::vector<HistoryRow> historyRows(std::span<const HistoryEntry> entries, std::optional<std::int32_t> size);

// The table: a line of column names, then one line per row.
std::string historyTable(std::span<const HistoryRow> rows, Language language);

// Milliseconds as seconds with three decimals: 583 gives "0.583".
std::string secondsText(std::uint32_t milliseconds);

} // namespace calvorn
