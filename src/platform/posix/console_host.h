// The console's host on POSIX systems: a monotonic clock, the kernel's memory
// figures, and Ctrl+C as a confirmed stop. SIGINT is blocked while the host
// lives and picked up from the pending set by the pump (at most every few
// milliseconds), so no signal handler and no global flag are needed.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>

#include "platform/host.h"

namespace calvorn {

// Total and available physical memory from /proc/meminfo (MemTotal, MemAvailable).
MemoryStatus readKernelMemoryStatus();

class ConsoleHost : public Host {
public:
    ConsoleHost(std::FILE* log = stdout, std::FILE* errors = stderr);
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    std::uint32_t tickCount() override;
    MemoryStatus memoryStatus() override;
    void pumpMessages() override;
    bool stopRequested() const override { return stop_; }
    void setStopRequested(bool stop) override { stop_ = stop; }
    void showError(std::string_view text, std::string_view caption) override;
    void appendLog(std::string_view line) override;

private:
    std::FILE* log_;
    std::FILE* errors_;
    static constexpr std::chrono::milliseconds signalCheckInterval{5};

    sigset_t previousMask_{};
    std::chrono::steady_clock::time_point nextSignalCheck_{};  // the first pump looks at once
    bool stop_ = true;
};

} // namespace calvorn
