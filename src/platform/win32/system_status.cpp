#include "platform/win32/system_status.h"

#include "platform/win32/wide_text.h"

namespace calvorn {

std::uint32_t windowsTickCount() { return static_cast<std::uint32_t>(GetTickCount()); }

MemoryStatus windowsMemoryStatus()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return {};
    return {status.ullTotalPhys, status.ullAvailPhys};
}

} // namespace calvorn
