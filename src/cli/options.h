// The console program's command line: the size, the options, and the usage
// text that lists them. Every option is one row of a table (name, value,
// help text), so that adding one is adding a row and the help follows.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/messages.h"

namespace calvorn {

// The most copies --cores may ask for.
constexpr std::int32_t maximumStressCopies = 1024;

struct ConsoleCommand {
    enum class Kind { run, records, history, help, version, usageError };
    Kind kind = Kind::run;
    std::int32_t sizeExponent = 14;     // for run: "  16K" unless a size is named
    bool sizeNamed = false;             // a size was named (--history shows that size alone)
    std::optional<Language> language;   // --lang; otherwise the user's locale decides
    std::optional<std::int64_t> repeat; // --repeat N: N runs back to back, 0 until stopped
    bool json = false;                  // --json: one JSON object on standard output
    std::optional<std::uint64_t> memoryCap; // --memory BYTES: the most the work area may take (all copies of --stress)
    bool stress = false;                // --stress: one copy per core, run back to back
    std::optional<std::int32_t> cores;  // --cores N: the number of copies of --stress
    std::optional<std::chrono::milliseconds> duration; // --for DURATION: how long --stress runs
    bool replan = false;                // --replan: measure the transforms' plan anew
    bool verbose = false;               // --verbose: the transforms' plan and its trials after the run
    bool noHistory = false;             // --no-history: the run is not added to the history
    std::optional<std::string> chartFile; // --history --chart FILE: the chart of the best times, as SVG
    std::string error;                  // for usageError: what was wrong (English and Korean alike)
};

// `args` without the program name: [SIZE] and options, in any order.
ConsoleCommand parseConsoleArguments(std::span<const std::string> args);

// "16M" and the like: a positive whole number with an optional K, M or G
// (powers of 1024, either case); nothing for anything else.
std::optional<std::uint64_t> parseMemorySize(std::string_view text);

// "30s", "10m", "2h", "1h30m": whole numbers each followed by s, m or h,
// together more than zero and at most a year; nothing for anything else.
std::optional<std::chrono::milliseconds> parseDuration(std::string_view text);

// The usage text: every option and the sizes.
std::string consoleUsage(Language language);

} // namespace calvorn
