// What a person sees of a stress test: one line per core (core, runs passed,
// last time, verdict) redrawn in place under a clock line on a terminal, or
// elsewhere printed again when its verdict changes and with new runs every
// ten seconds; then the summary per core
// (runs, best, median, verdict), each failure with its core, run and what
// differed, the copies' work areas and fingerprint check, and the verdict of
// the machine. Only formats and writes; the judge holds the figures.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/stress_console.h"
#include "cli/stress_judge.h"

namespace calvorn {

// "0:00:30": hours, minutes and seconds.
std::string clockText(std::chrono::milliseconds time);

// A copy's line of the live status, without its line end.
std::string statusLine(const CopyState& copy, Language language);

// The summary after the test.
std::string summaryText(const StressJudge& judge, const StressPlan& plan, std::int32_t sizeExponent,
                        MachineVerdict verdict, Language language);

// The words of a machine verdict.
const char* machineVerdictText(MachineVerdict verdict, Language language);

class StressDisplay {
public:
    StressDisplay(const StressConsole& console, bool redraw, std::optional<std::chrono::milliseconds> duration);

    // Shows the state: on a terminal the clock line and the copies' lines
    // drawn again in place when anything changed; elsewhere the lines of the
    // copies that changed. `stopping` marks the clock line while the copies stop.
    void show(const std::vector<CopyState>& copies, std::chrono::milliseconds elapsed, bool stopping);
    // A line of its own (a plain one only: on a terminal the clock line says it).
    void plainLine(const std::string& text);
    // The last drawing: below it comes the summary.
    void finish(const std::vector<CopyState>& copies, std::chrono::milliseconds elapsed);
    // False once writing to the stream failed because nobody reads it any more.
    bool readerPresent() const { return readerPresent_; }

private:
    void draw(const std::vector<CopyState>& copies, std::chrono::milliseconds elapsed, bool stopping, bool force);
    void write(const std::string& text);

    const StressConsole& console_;
    bool redraw_;
    std::optional<std::chrono::milliseconds> duration_;
    std::vector<std::string> shown_;  // on a terminal: the block as drawn; elsewhere each copy's last line
    std::vector<std::string> shownVerdicts_;          // elsewhere: each copy's last verdict shown
    std::vector<std::chrono::milliseconds> shownAt_;  // ... and when
    bool drawn_ = false;
    std::chrono::milliseconds drawnAt_{0};
    bool readerPresent_ = true;
};

} // namespace calvorn
