// One run of the console program as the window's start command makes it: the
// start line, then the run session (clock, driver, digit check, record), and
// the host through which the console shows or hides a run's log lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "app/record_table.h"
#include "app/run_session.h"
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
    void checkForStop() override { host_.checkForStop(); }
    bool stopRequested() const override { return host_.stopRequested(); }
    void setStopRequested(bool stop) override { host_.setStopRequested(stop); }
    void showError(std::string_view text, std::string_view caption) override { host_.showError(text, caption); }
    std::uint32_t heldTicks() override { return host_.heldTicks(); }
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

// The start line in the options' language, then one run session (added to
// the history file if there is one).
SessionResult runOnce(std::int32_t sizeExponent, Host& host, RecordTable& records, SessionFront& front,
                      const RunOptions& options, const std::optional<std::filesystem::path>& historyFile);

} // namespace calvorn
