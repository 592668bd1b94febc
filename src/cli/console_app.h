// The console program apart from its host: reading the arguments, and one
// run (or a stability test of many) from the start line through the driver
// to the records file, with the messages and exit codes of the console.
// Uses app and driver; no platform specifics (main.cpp picks the host).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/console_run.h"
#include "cli/options.h"
#include "platform/host.h"

namespace calvorn {

// Exit codes of the console program.
constexpr int exitSuccess = 0;
constexpr int exitRunFailed = 1;  // failed or stopped run, or records not saved
constexpr int exitUsage = 2;

// What the console takes from its surroundings besides the arguments.
struct ConsoleSettings {
    Language language = Language::english; // of the user's locale; --lang overrides it
    // A test hook (CALVORN_TEST_FAULT_RUN): the run, counted from 1, whose
    // arithmetic gets a fault that changes its work fingerprint but not its digits.
    std::optional<std::int64_t> faultyRun;
    // The file that keeps the transforms' plans between runs; none: every run
    // measures for itself and keeps nothing.
    std::optional<std::filesystem::path> planCacheFile;
    // ... and for the stress test the core whose copy gets it (none: the first copy).
    std::optional<std::int32_t> faultyCore;
    // A test hook (CALVORN_TEST_HANG_LIMIT): how long a stress test's copy may
    // stay silent before it counts as hung; none: the ordinary limit.
    std::optional<std::chrono::milliseconds> hangLimit;
    // The history of runs: the user's file (main.cpp), a scratch one in
    // tests, or none (nothing is added, and --history has nothing to read).
    std::optional<std::filesystem::path> historyFile;
};

// The usage text in English, listing the options and sizes.
std::string consoleUsage();

// The whole program: returns the exit code. The log lines of a run go to
// host.appendLog, the closing report and the records table to `out`,
// usage and failure messages to `err`, all texts through `write`. With
// --json, `out` receives the JSON object alone and the rest goes to `err`.
// A run holds the folder's lock from before it reads the records to after
// it has saved them; a report that cannot be written makes the exit code 1.
int runConsole(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err,
               TextWriter write = writeBytes, const ConsoleSettings& settings = {});

} // namespace calvorn
