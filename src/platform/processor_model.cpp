#include "platform/processor_model.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace calvorn {

// The 48-byte brand string of CPUID leaves 0x80000002 to 0x80000004, without
// the spaces some processors pad it with.
std::string processorModel()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned registers[12] = {};
    if (__get_cpuid_max(0x80000000u, nullptr) < 0x80000004u) return "unknown";
    for (unsigned leaf = 0; leaf < 3; ++leaf)
        __get_cpuid(0x80000002u + leaf, &registers[4 * leaf], &registers[4 * leaf + 1], &registers[4 * leaf + 2],
                    &registers[4 * leaf + 3]);
    char brand[49] = {};
    std::memcpy(brand, registers, 48);
    const std::string text(brand);
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "unknown";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
#else
    return "unknown";
#endif
}

} // namespace calvorn
