// The streams and language through which the stress test speaks: the live
// status and the summary for a person, the JSON object alone on `out` with
// --json (the rest then on standard error), complaints on `err`.
#pragma once

#include <cstdio>
#include <string>

#include "cli/console_run.h"
#include "common/messages.h"

namespace calvorn {

struct StressConsole {
    std::FILE* out;
    std::FILE* human;
    std::FILE* err;
    TextWriter print;
    Language language;
    bool json = false;

    void complain(const std::string& text) const { print(err, "calvorn: " + text + "\n"); }
};

} // namespace calvorn
