// One run of the console program as the window's start command makes it, up
// to the digit check (the start line, the driver, the output-time line), and
// the host through which the console shows or hides a run's log lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "common/messages.h"
#include "driver/pi_computation.h"
#include "platform/host.h"

namespace calvorn {

// Writes UTF-8 text to a stream. Plain bytes by default; a Windows console
// needs its wide-character output to show the Korean texts.
using TextWriter = void (*)(std::FILE* stream, std::string_view text);
void writeBytes(std::FILE* stream, std::string_view text);

// The console's host with the log lines sent to a stream of the console's
// choosing (standard error in JSON mode), or to nowhere (nullptr: the one-line
// reports of a stability test). Everything else goes to the host it wraps.
class RoutedHost : public Host {
public:
    RoutedHost(Host& host, std::FILE* log, TextWriter write) : host_(host), log_(log), write_(write) {}
    std::uint32_t tickCount() override { return host_.tickCount(); }
    MemoryStatus memoryStatus() override { return host_.memoryStatus(); }
    void pumpMessages() override { host_.pumpMessages(); }
    bool stopRequested() const override { return host_.stopRequested(); }
    void setStopRequested(bool stop) override { host_.setStopRequested(stop); }
    void showError(std::string_view text, std::string_view caption) override { host_.showError(text, caption); }
    void appendLog(std::string_view line) override
    {
        if (log_ != nullptr) {
            write_(log_, line);
            std::fflush(log_);
        }
    }

private:
    Host& host_;
    std::FILE* log_;
    TextWriter write_;
};

struct RunOutcome {
    int result = 1;                  // the driver's: 0 written and verified, 1 otherwise
    bool stopped = false;            // the user stopped it
    std::uint32_t elapsed = 0;       // milliseconds, start to last digit (when result is 0)
    RunSummary summary;
};

// Start line, driver, and on success the output-time line. The caller has
// made sure the current directory can be written to.
RunOutcome runOnce(std::int32_t sizeExponent, Host& host, Language language);

} // namespace calvorn
