#include "platform/posix/console_host.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace calvorn {

MemoryStatus readKernelMemoryStatus()
{
    MemoryStatus status;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    std::string unit;
    while (meminfo >> key >> kib) {
        std::getline(meminfo, unit);
        if (key == "MemTotal:") status.totalPhysical = kib * 1024;
        else if (key == "MemAvailable:") status.availablePhysical = kib * 1024;
    }
    if (status.totalPhysical == 0) {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0)
            status.totalPhysical = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    return status;
}

ConsoleHost::ConsoleHost(std::FILE* log, std::FILE* errors) : log_(log), errors_(errors)
{
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    pthread_sigmask(SIG_BLOCK, &block, &previousMask_);
}

ConsoleHost::~ConsoleHost() { pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr); }

std::uint32_t ConsoleHost::tickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MemoryStatus ConsoleHost::memoryStatus() { return readKernelMemoryStatus(); }

void ConsoleHost::pumpMessages()
{
    // Asking the kernel for the pending signals is a system call, and a block
    // transfer can come every few microseconds; a Ctrl+C is in time when it
    // is seen within a few milliseconds. The clock is read without one.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextSignalCheck_) return;
    nextSignalCheck_ = now + signalCheckInterval;
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) == 0 && sigismember(&pending, SIGINT)) {
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, SIGINT);
        int signal = 0;
        sigwait(&only, &signal);
        stop_ = true;
    }
}

void ConsoleHost::showError(std::string_view text, std::string_view caption)
{
    std::fprintf(errors_, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(errors_);
}

void ConsoleHost::appendLog(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), log_);
    std::fflush(log_);
}

} // namespace calvorn
