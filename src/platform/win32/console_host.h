// The console's host on Windows: GetTickCount, GlobalMemoryStatusEx, the log
// in UTF-8 on a console switched to code page 65001, and Ctrl+C as a
// confirmed stop. Ctrl+C is taken as ordinary input (processed input off on
// the console's input buffer) and looked for at every pump, so no control
// handler and no global flag are needed.
#pragma once

#include <cstdio>

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

    // True once Ctrl+C has been seen (also outside a run).
    bool interrupted() const { return interrupted_; }

private:
    // Reads what waits in the console's input buffer; notes a Ctrl+C.
    void takeConsoleInput();

    std::FILE* log_;
    std::FILE* errors_;
    HANDLE input_ = INVALID_HANDLE_VALUE; // the console's input ("CONIN$"), if there is a console
    DWORD previousInputMode_ = 0;
    UINT previousOutputCodePage_ = 0;
    bool stop_ = true;
    bool interrupted_ = false;
};

} // namespace calvorn
