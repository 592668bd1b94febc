// The console program apart from its host: reading the arguments, and one
// run from the start line through the driver to the records file, with the
// messages and exit codes of the console. Uses app and driver; no platform
// specifics (main.cpp picks the host).
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/host.h"

namespace calvorn {

// Exit codes of the console program.
constexpr int exitSuccess = 0;
constexpr int exitRunFailed = 1;  // failed or stopped run, or records not saved
constexpr int exitUsage = 2;

constexpr std::uint64_t noMemoryCap = std::numeric_limits<std::uint64_t>::max();

struct ConsoleCommand {
    enum class Kind { run, records, help, usageError };
    Kind kind = Kind::run;
    std::int32_t sizeExponent = 14;       // for run: "  16K" unless a size is named
    std::uint64_t memoryCap = noMemoryCap; // for run: --memory, the largest work-area budget in bytes
    std::string error;                    // for usageError: what was wrong
};

// `args` without the program name: [--memory BYTES] [SIZE] | --records | --help.
ConsoleCommand parseConsoleArguments(std::span<const std::string> args);

// "16M" and the like: a positive whole number with an optional K, M or G
// (powers of 1024, either case); nothing for anything else.
std::optional<std::uint64_t> parseMemorySize(std::string_view text);

// The usage text, listing the sizes.
std::string consoleUsage();

// Writes UTF-8 text to a stream. Plain bytes by default; a Windows console
// needs its wide-character output to show the Korean texts.
using TextWriter = void (*)(std::FILE* stream, std::string_view text);
void writeBytes(std::FILE* stream, std::string_view text);

// The whole program: returns the exit code. The log lines of a run go to
// host.appendLog, the closing report and the records table to `out`,
// usage and failure messages to `err`, all texts through `write`. A run
// holds the folder's lock from before it reads the records to after it has
// saved them; a report that cannot be written makes the exit code 1.
int runConsole(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err,
               TextWriter write = writeBytes);

} // namespace calvorn
