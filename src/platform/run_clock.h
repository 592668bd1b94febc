// The clock of one run: milliseconds since the run started, less the time
// during which a message box opened from the pump held it. Reads the host's
// tick count and held time; keeps only the two readings taken at the start.
#pragma once

#include <cstdint>

#include "platform/host.h"

namespace calvorn {

class RunClock {
public:
    explicit RunClock(Host& host) : host_(host), startTicks_(host.tickCount()), startHeld_(host.heldTicks()) {}

    // The tick count at the start of the run.
    std::uint32_t startTicks() const { return startTicks_; }

    // A tick count that runs on from startTicks() but stands still while a
    // message box holds the run. Differences wrap like the tick count itself.
    std::uint32_t nowTicks() const { return host_.tickCount() - (host_.heldTicks() - startHeld_); }

    // The run's time so far in milliseconds.
    std::uint32_t elapsed() const { return nowTicks() - startTicks_; }

private:
    Host& host_;
    std::uint32_t startTicks_;
    std::uint32_t startHeld_;
};

} // namespace calvorn
