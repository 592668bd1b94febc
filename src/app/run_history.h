// The history of runs: one JSON object per line in "history.jsonl" in the
// user's data folder, added after every run that ended by itself (passed or
// failed; a stopped run is not judged and not kept), read back for the
// table and the chart. Lines are only ever added, never rewritten.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_session.h"

namespace calvorn {

// <data folder>/calvorn/history.jsonl; nothing when the system names no data folder.
std::optional<std::filesystem::path> userHistoryFile();

struct HistoryEntry {
    std::string dateUtc;               // when the run ended, ISO 8601 in UTC
    std::int32_t sizeExponent = 14;
    std::uint32_t timeMs = 0;          // the computation's time (the recorded one for a passed run)
    std::string verdict;               // "passed", "failed" or "fingerprint-differs"
    std::string fingerprint;           // the work fingerprint, 16 hexadecimal digits
    bool fingerprintChecked = false;   // compared with the reference (full work area only)
    bool fingerprintMatched = false;
    std::uint64_t workAreaBytes = 0;
    std::int32_t workAreaLength = 0;
    std::string lanePath;              // the transforms' lane path
    std::string processor;             // the processor's brand string
    std::string version;               // the program's version

    bool passed() const { return verdict == "passed"; }
};

// The entry of a run of size 2^sizeExponent that ended by itself, dated now,
// with this machine's processor and lane path.
HistoryEntry historyEntryOf(std::int32_t sizeExponent, const SessionResult& session);

// The entry as one line: a JSON object, then LF.
std::string historyLine(const HistoryEntry& entry);

// An entry read back from a line (without its LF); nothing when the line is
// not a JSON object with a known size, a time, a verdict and a date. Fields
// it lacks beyond those keep their defaults.
std::optional<HistoryEntry> parseHistoryLine(std::string_view line);

// Adds the entry at the end of the file with one write, making the file and
// its folders if missing. Returns why it could not, or nothing.
std::optional<std::string> appendToHistory(const std::filesystem::path& file, const HistoryEntry& entry);

struct HistoryContents {
    std::vector<HistoryEntry> entries; // in the order of the file
    std::size_t damagedLines = 0;      // lines that are not an entry: skipped, and left as they are
    bool missing = false;              // there is no history yet
    std::string problem;               // why the file could not be read (empty: it was, or is missing)
};

// Reads every line of the file. A link is not followed and a FIFO does not block.
HistoryContents readHistory(const std::filesystem::path& file);

} // namespace calvorn
