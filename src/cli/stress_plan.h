// Which copies a stress test starts: how many, on which logical processor
// each (copies beyond the processors share them in turn), what each is
// called, and each one's share of the memory budget, so that all of them fit
// together. Pure arithmetic on what the system reports.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/host.h"

namespace calvorn {

struct StressCopy {
    std::int32_t number = 1;     // from 1
    std::int32_t processor = 0;  // as the system numbers it
    std::string name;            // "3"; "3#2" for the second copy on processor 3 when copies share one
};

struct StressPlan {
    std::vector<StressCopy> copies;
    std::int32_t processors = 0;         // the logical processors the test may use
    bool sharedProcessors = false;       // more copies than processors
    std::uint64_t shareBytes = 0;        // each copy's memory cap
    std::int32_t workAreaLength = 0;     // the work area each copy gets from it; 0: too little memory
    bool fullWorkArea = false;           // ... the full one, every product in core
};

// `copies` copies (default: one per processor) of size 2^sizeExponent on
// `processors` (never empty), with the memory of `memory` and the user's cap.
StressPlan planStress(std::int32_t sizeExponent, std::optional<std::int32_t> copies, std::span<const int> processors,
                      const MemoryStatus& memory, std::uint64_t cap);

// The copy that the test hook's fault is for: the first copy on `core`, or
// without a core the first copy; nothing when no copy runs on that core.
const StressCopy* faultyCopy(const StressPlan& plan, std::optional<std::int32_t> core);

} // namespace calvorn
