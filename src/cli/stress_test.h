// The stress test (--stress): one copy of the computation per core, each the
// program started again in a private folder under the current one, pinned
// to its core where the system allows and given its share of the memory,
// run back to back until the duration, a stop (Ctrl+C, TERM, a closing
// console) or the first failure; a copy that dies or hangs is a failure of
// its core. The copies' reports are judged as they come, the live status is
// drawn, and at the end the folders are removed and the summary written.
// No records are written: the times are made under load.
#pragma once

#include "cli/console_app.h"
#include "cli/stress_console.h"

namespace calvorn {

// Returns the exit code: 0 when every copy passed (the duration reached,
// or stopped when no duration was set), 1 otherwise.
int runStressTest(const ConsoleCommand& command, Host& host, const ConsoleSettings& settings,
                  const StressConsole& console);

} // namespace calvorn
