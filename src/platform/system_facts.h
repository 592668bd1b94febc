// What a report of a run says about the machine: the processor's model name,
// its logical processors, the operating system and its version, and the
// time of day in UTC. Read from the system; nothing is kept.
#pragma once

#include <string>

namespace calvorn {

struct SystemFacts {
    std::string processorModel;    // the processor's brand string, "unknown" where it has none
    unsigned logicalProcessors = 0;
    std::string systemName;        // "Linux", "Windows", ...
    std::string systemVersion;     // the kernel release, or major.minor.build on Windows
};

SystemFacts readSystemFacts();

// The current time as ISO 8601 in UTC, to the second: 2026-12-08T10:11:12Z.
std::string utcTimestamp();

} // namespace calvorn
