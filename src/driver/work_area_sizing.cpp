#include "driver/work_area_sizing.h"

#include <algorithm>

namespace calvorn {
namespace {

constexpr std::uint64_t reservedBytes = 5000000;

constexpr std::uint64_t workAreaBytes(std::int32_t length) { return (static_cast<std::uint64_t>(length) + 5) * 8; }

// The most bytes of work area whose address space fits `room`.
std::uint64_t areaBytesWithin(std::uint64_t room)
{
    if (room >= largeAreaBytes + largeAreaOverheadBytes) return room - largeAreaOverheadBytes;
    return std::min(room, largeAreaBytes - 1);
}

} // namespace

std::uint64_t memoryBudget(const MemoryStatus& memory)
{
    const std::uint64_t total = memory.totalPhysical > reservedBytes ? memory.totalPhysical - reservedBytes : 0;
    return memory.availablePhysical > total ? memory.availablePhysical : total;
}

std::uint64_t limitedMemoryBudget(const MemoryStatus& memory, std::uint64_t cap)
{
    // Beside the area the run also holds the transforms' twiddle table, which
    // grows to an eighth of the longest transform's bytes and is copied as it
    // grows: a quarter of the area is kept for it.
    const std::uint64_t free = memory.processHeadroom > runReserveBytes ? memory.processHeadroom - runReserveBytes : 0;
    return std::min({memoryBudget(memory), areaBytesWithin(free / 5 * 4), cap});
}

std::uint64_t sharedMemoryBudget(const MemoryStatus& memory, std::uint64_t cap, std::uint32_t copies)
{
    if (copies == 0) return 0;
    const std::uint64_t reserves = (runReserveBytes + largeAreaOverheadBytes) * copies;
    const std::uint64_t headroom = memory.processHeadroom > reserves ? memory.processHeadroom - reserves : 0;
    return std::min({memoryBudget(memory), headroom, cap}) / copies;
}

std::int32_t workAreaLengthFor(const SizeParameters& size, std::uint64_t budget)
{
    std::int32_t length = 8 * size.numberWords;
    while (workAreaBytes(length) > budget && length > smallestWorkAreaLength(size)) length /= 2;
    return workAreaBytes(length) > budget ? 0 : length;
}

std::int32_t workAreaRoomFor(const SizeParameters& size, std::int32_t length, std::uint64_t budget)
{
    if (length <= 0 || length >= 8 * size.numberWords) return 0;
    const std::uint64_t doubles = budget / 8;
    const std::uint64_t area = static_cast<std::uint64_t>(length);
    if (doubles <= area) return 0;
    return static_cast<std::int32_t>(std::min<std::uint64_t>(doubles - area, area));
}

} // namespace calvorn
