// What the computation asks of the program that hosts it: a clock, the
// machine's memory, the message pump with its stop flag, error boxes and the
// progress log. The window and the console each provide one; tests fake it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace calvorn {

struct MemoryStatus {
    std::uint64_t totalPhysical = 0;     // bytes of physical memory
    std::uint64_t availablePhysical = 0; // bytes free at this moment
    // Bytes the process may still take under its own limits (address space,
    // data, control group); the largest value when none applies.
    std::uint64_t processHeadroom = std::numeric_limits<std::uint64_t>::max();
};

class Host {
public:
    virtual ~Host() = default;

    // Milliseconds since some fixed start, wrapping at 2^32 like a tick count.
    virtual std::uint32_t tickCount() = 0;

    virtual MemoryStatus memoryStatus() = 0;

    // Called after every block transfer: the window dispatches its pending
    // messages here, the console notices Ctrl+C. Either may raise the stop flag.
    virtual void pumpMessages() = 0;

    // Looks at once for a stop that is waiting, as the pump would (which may
    // look only every few milliseconds), and raises the stop flag for it.
    virtual void checkForStop() { pumpMessages(); }

    // The shared stop flag: set when no computation may continue.
    virtual bool stopRequested() const = 0;
    virtual void setStopRequested(bool stop) = 0;

    // A message box with an OK button over the main window (UTF-8 text).
    virtual void showError(std::string_view text, std::string_view caption) = 0;

    // Append one progress line (UTF-8, may end in "\n") and show it at once.
    virtual void appendLog(std::string_view line) = 0;

    // Milliseconds, since some fixed start, during which a message box that
    // the pump opened held the computation (the window's stop question, say).
    // A run's clock leaves them out: a person's hesitation is not the
    // machine's time. Hosts that never hold a run keep the default.
    virtual std::uint32_t heldTicks() { return 0; }
};

} // namespace calvorn
