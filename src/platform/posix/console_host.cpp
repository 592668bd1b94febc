#include "platform/posix/console_host.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "platform/process_limits.h"

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

void openNullOnClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is this one.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened >= 0) close(opened);
    }
}

ConsoleHost::ConsoleHost(std::FILE* log, std::FILE* errors) : log_(log), errors_(errors)
{
    sigemptyset(&stopSignals_);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stopSignals_, signal);
    pthread_sigmask(SIG_BLOCK, &stopSignals_, &previousMask_);

    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previousPipeAction_);
    sigaction(SIGXFSZ, &ignore, &previousFileSizeAction_);
}

ConsoleHost::~ConsoleHost()
{
    // A stop signal that came after the run's last look is taken here: once
    // the records are saved, restoring the mask must not end the program.
    sigset_t pending;
    while (sigemptyset(&pending) == 0 && sigpending(&pending) == 0 &&
           (sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1 ||
            sigismember(&pending, SIGHUP) == 1 || sigismember(&pending, SIGQUIT) == 1))
        takePendingStopSignal();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
    sigaction(SIGPIPE, &previousPipeAction_, nullptr);
    sigaction(SIGXFSZ, &previousFileSizeAction_, nullptr);
}

std::uint32_t ConsoleHost::tickCount()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MemoryStatus ConsoleHost::memoryStatus()
{
    MemoryStatus status = readKernelMemoryStatus();
    status.processHeadroom = processMemoryHeadroom();
    return status;
}

void ConsoleHost::checkForStop()
{
    nextSignalCheck_ = {};
    pumpMessages();
}

void ConsoleHost::takePendingStopSignal()
{
    const timespec now{0, 0};
    if (sigtimedwait(&stopSignals_, nullptr, &now) > 0) {
        stop_ = true;
    }
}

void ConsoleHost::pumpMessages()
{
    // Asking the kernel for the pending signals is a system call, and a block
    // transfer can come every few microseconds; a stop is in time when it is
    // seen within a few milliseconds. The clock is read without one.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextSignalCheck_) return;
    nextSignalCheck_ = now + signalCheckInterval;
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) != 0) return;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        if (sigismember(&pending, signal) == 1) takePendingStopSignal();
}

void ConsoleHost::showError(std::string_view text, std::string_view caption)
{
    // A message box without a caption (the memory message) is its text alone.
    if (!caption.empty()) std::fprintf(errors_, "%.*s: ", static_cast<int>(caption.size()), caption.data());
    std::fprintf(errors_, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(errors_);
}

void ConsoleHost::appendLog(std::string_view line)
{
    errno = 0;
    const bool written = std::fwrite(line.data(), 1, line.size(), log_) == line.size();
    if (std::fflush(log_) == 0 && written) return;
    if (logWriteError_ == 0) logWriteError_ = errno != 0 ? errno : EIO;
    // Nobody reads the log any more (the other end of a pipe has gone): a
    // run that cannot show its progress ends as a stop.
    if (errno == EPIPE) stop_ = true;
}

} // namespace calvorn
