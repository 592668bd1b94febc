// The clock and memory figures that every Windows host reports: GetTickCount
// and GlobalMemoryStatusEx (64-bit fields, right on machines beyond 4 GiB).
#pragma once

#include <cstdint>

#include "platform/host.h"

namespace calvorn {

std::uint32_t windowsTickCount();
MemoryStatus windowsMemoryStatus();

} // namespace calvorn
