// The console's host on Windows: GetTickCount, GlobalMemoryStatusEx, the log
// in UTF-8 (wide-character console output where the stream is a console),
// and Ctrl+C as a confirmed stop. The control handler runs on a thread of
// its own and only raises an event named after the process, which the host
// looks at in every pump: no global flag is needed, and Ctrl+C never kills a
// run that still holds its work files. Closing the console, logging off and
// shutting down stop the run the same way; the handler then holds the
// process until the host is destroyed, after the run has cleaned up.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/host.h"
#include "platform/win32/wide_text.h"

namespace calvorn {

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
    HANDLE interruptEvent_ = nullptr; // raised by the control handler on Ctrl+C
    HANDLE finishedEvent_ = nullptr;  // raised on destruction, for a handler of a closing console
    UINT previousOutputCodePage_ = 0;
    bool stop_ = true;
    // The event is looked at no more often than this: each look is a call
    // into the system, and a Ctrl+C is in time when seen within milliseconds.
    static constexpr std::chrono::milliseconds interruptCheckInterval{5};
    std::chrono::steady_clock::time_point nextInterruptCheck_{};  // the first pump looks at once
};

// UTF-8 text to a stream: through WriteConsoleW when the stream is a console
// (right whatever its code page), as the bytes themselves otherwise.
void writeUtf8(std::FILE* stream, std::string_view text);

} // namespace calvorn
