// The logical processors this process may run on, and pinning the process
// to one of them: what a stress test needs to put one copy on each core.
// Reads and sets the system's affinity only.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace calvorn {

// The numbers of the logical processors this process may use, ascending, as
// the system numbers them (from 0). Never empty: where the system tells
// nothing, processor 0 alone.
std::vector<int> usableProcessors();

// Pins the calling process to logical processor `processor`. Nothing on
// success, otherwise the system's reason.
std::optional<std::string> pinToProcessor(int processor);

} // namespace calvorn
