// The host of a computation that runs inside the main window's command
// handler: the window's message queue is pumped after every block transfer,
// errors are message boxes over the window, and log lines go back to the
// window through the writer it hands in. The window owns this object and so
// the stop flag; nothing here is global.
#pragma once

#include <functional>

#include "platform/host.h"
#include "platform/win32/wide_text.h"

namespace calvorn {

class WindowHost : public Host {
public:
    using LogWriter = std::function<void(std::string_view)>;

    explicit WindowHost(LogWriter writeLog) : writeLog_(std::move(writeLog)) {}

    // The window that owns the message boxes (none before it exists).
    void setWindow(HWND window) { window_ = window; }

    std::uint32_t tickCount() override;
    MemoryStatus memoryStatus() override;
    // Dispatches every waiting message, returning early once one of them has
    // raised the stop flag. A quit message is put back for the main loop.
    void pumpMessages() override;
    bool stopRequested() const override { return stop_; }
    void setStopRequested(bool stop) override { stop_ = stop; }
    void showError(std::string_view text, std::string_view caption) override;
    void appendLog(std::string_view line) override { writeLog_(line); }
    std::uint32_t heldTicks() override { return heldTicks_; }

    // A message box over the window; returns the button chosen. The time it
    // stays open counts as held (see Host::heldTicks).
    int showMessage(std::string_view text, std::string_view caption, UINT buttons);

private:
    HWND owner() const { return IsWindow(window_) ? window_ : nullptr; }

    HWND window_ = nullptr;
    LogWriter writeLog_;
    bool stop_ = true; // no computation may continue: idle, or a stop confirmed
    std::uint32_t heldTicks_ = 0;
};

} // namespace calvorn
