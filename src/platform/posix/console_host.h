// The console's host on POSIX systems: a monotonic clock, the kernel's memory
// figures with the process's own limits, and Ctrl+C as a confirmed stop.
// SIGINT, SIGTERM, SIGHUP and SIGQUIT are blocked while the host lives and
// picked up from the pending set by the pump (at most every few
// milliseconds), so no signal handler and no global flag are needed: each of
// them ends a run as a stop does. SIGPIPE and SIGXFSZ are ignored, so that a
// write that fails is reported as the failure it is.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>

#include "platform/host.h"

namespace calvorn {

// Total and available physical memory from /proc/meminfo (MemTotal, MemAvailable).
MemoryStatus readKernelMemoryStatus();

// Opens the null device on whichever of the descriptors 0, 1 and 2 is
// closed, so that no file the program opens later takes their place.
void openNullOnClosedStandardDescriptors();

class ConsoleHost : public Host {
public:
    ConsoleHost(std::FILE* log = stdout, std::FILE* errors = stderr);
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

    std::uint32_t tickCount() override;
    MemoryStatus memoryStatus() override;
    void pumpMessages() override;
    void checkForStop() override;
    bool stopRequested() const override { return stop_; }
    void setStopRequested(bool stop) override { stop_ = stop; }
    void showError(std::string_view text, std::string_view caption) override;
    void appendLog(std::string_view line) override;

    // The error of the first log line that could not be written, or 0.
    int logWriteError() const { return logWriteError_; }

private:
    void takePendingStopSignal();

    std::FILE* log_;
    std::FILE* errors_;
    static constexpr std::chrono::milliseconds signalCheckInterval{5};

    sigset_t stopSignals_{};
    sigset_t previousMask_{};
    struct sigaction previousPipeAction_ {};
    struct sigaction previousFileSizeAction_ {};
    int logWriteError_ = 0;
    std::chrono::steady_clock::time_point nextSignalCheck_{};  // the first pump looks at once
    bool stop_ = true;
};

} // namespace calvorn
