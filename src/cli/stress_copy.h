// One copy of the stress test: the program started again by the test with a
// hidden first argument, in a folder of its own. It pins itself to its core,
// computes its size back to back without touching records, and reports each
// run (and signs of life in between) as one line on standard output, until
// a run does not pass, a stop comes, or its standard input ends (the test
// asks it to stop that way, and so a test that is gone stops its copies too).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/console_run.h"
#include "common/messages.h"
#include "platform/host.h"

namespace calvorn {

// The first argument that starts the program as a copy.
constexpr std::string_view stressCopyArgument = "--stress-copy";

// What the test asks of one copy.
struct StressCopyOrder {
    std::int32_t sizeExponent = 14;
    std::uint64_t memoryCap = std::numeric_limits<std::uint64_t>::max(); // this copy's share
    std::optional<std::int32_t> processor;                              // the core to pin to
    Language language = Language::english;
    std::optional<std::int64_t> faultyRun;  // the test hook, for this copy
    bool leaveFolder = false;               // at the end, remove its folder (and the test's, once empty)
};

// The arguments that start a copy, stressCopyArgument first.
std::vector<std::string> stressCopyArguments(const StressCopyOrder& order);

// The order from those arguments; nothing when they are not such.
std::optional<StressCopyOrder> parseStressCopyArguments(std::span<const std::string> args);

// Runs the copy; its reports go to `out`. `inputEnded` says whether the test
// has asked it to stop (it is asked about every few hundredths of a second).
// Returns 0.
int runStressCopy(const StressCopyOrder& order, Host& host, std::FILE* out, const std::function<bool()>& inputEnded);

// The program started as a copy: `args` from stressCopyArgument on, the
// input watched for its end, the folder left at the end when the order says
// so. Returns the exit code (2 for arguments that are no order).
int runStressCopyCommand(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err,
                         TextWriter print);

// Steps out of the copy's folder and removes it with the digits the last
// run left there, then the test's folder above it when that is empty.
void leaveCopyFolder();

} // namespace calvorn
