#include "platform/processors.h"

#include "platform/win32/wide_text.h"

namespace calvorn {
namespace {

constexpr int maskBits = static_cast<int>(sizeof(DWORD_PTR) * 8);

} // namespace

// The affinity mask covers the processors of this process's group (at most
// 64); a machine with more has them in further groups, which are not used.
std::vector<int> usableProcessors()
{
    std::vector<int> processors;
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
        for (int processor = 0; processor < maskBits; ++processor)
            if ((process >> processor) & 1) processors.push_back(processor);
    if (processors.empty()) processors.push_back(0);
    return processors;
}

std::optional<std::string> pinToProcessor(int processor)
{
    if (processor < 0 || processor >= maskBits) return "no such processor in this process's group";
    if (SetProcessAffinityMask(GetCurrentProcess(), DWORD_PTR{1} << processor)) return std::nullopt;
    return windowsErrorText(GetLastError());
}

} // namespace calvorn
