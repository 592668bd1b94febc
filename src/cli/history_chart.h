// The --chart picture: the best time of the passed runs per size, one line
// per processor and program version, on a logarithmic time axis, as one
// self-contained SVG document (no scripts, images or fonts of its own), and
// its writing through a side file, so that a failure leaves no half chart.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/run_history.h"
#include "common/messages.h"

namespace calvorn {

struct ChartPoint {
    std::int32_t sizeExponent = 14;
    std::uint32_t bestMs = 0;
};

struct ChartSeries {
    std::string processor;
    std::string version;
    std::vector<ChartPoint> points; // by size
};

// The best passed time per size of each processor and version, in the order
// of processor and version; of `size` alone if given. Empty when no run passed.
std::vector<ChartSeries> chartSeries(std::span<const HistoryEntry> entries, std::optional<std::int32_t> size);

// The chart of at least one series as an SVG document.
std::string historyChartSvg(std::span<const ChartSeries> series, Language language);

// Puts `svg` in place as `file` whole (written beside it, then renamed over
// it). Returns why it could not, or nothing.
std::optional<std::string> writeChartFile(const std::string& file, const std::string& svg);

} // namespace calvorn
