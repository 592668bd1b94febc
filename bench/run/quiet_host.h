// The host of the benchmarks' whole runs: the kernel's memory figures, as
// the console reads them, errors on standard error, and no log.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/host.h"
#include "platform/posix/console_host.h"

namespace calvorn {

class QuietHost : public Host {
public:
    std::uint32_t tickCount() override
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    MemoryStatus memoryStatus() override { return readKernelMemoryStatus(); }
    void pumpMessages() override {}
    bool stopRequested() const override { return stop_; }
    void setStopRequested(bool stop) override { stop_ = stop; }
    void showError(std::string_view text, std::string_view caption) override
    {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
    void appendLog(std::string_view) override {}

private:
    bool stop_ = false;
};

} // namespace calvorn
