// A host for tests: a settable clock and memory status, captured log lines and
// error boxes, and a stop that can be scheduled for the j-th message pump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"

namespace calvorn::test {

struct ShownError {
    std::string text;
    std::string caption;
};

class FakeHost : public Host {
public:
    std::uint32_t tickCount() override { return ticks += tickStep; }
    MemoryStatus memoryStatus() override { return memory; }
    void pumpMessages() override
    {
        ++pumps;
        if (stopAtPump != 0 && pumps == stopAtPump) stop = true;
    }
    bool stopRequested() const override { return stop; }
    void setStopRequested(bool value) override { stop = value; }
    void showError(std::string_view text, std::string_view caption) override
    {
        errors.push_back({std::string(text), std::string(caption)});
    }
    void appendLog(std::string_view line) override { log.emplace_back(line); }
    std::uint32_t heldTicks() override { return held; }

    std::uint32_t ticks = 0;
    std::uint32_t tickStep = 0;              // added at every tickCount() call
    std::uint32_t held = 0;                  // what heldTicks() reports
    MemoryStatus memory{24ull << 30, 20ull << 30};
    std::uint64_t pumps = 0;
    std::uint64_t stopAtPump = 0;            // 0: never
    bool stop = false;
    std::vector<ShownError> errors;
    std::vector<std::string> log;
};

} // namespace calvorn::test
