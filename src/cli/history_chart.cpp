#include "cli/history_chart.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <utility>

#include "app/size_table.h"
#include "app/text_format.h"
#include "cli/history_table.h"
#include "platform/owned_files.h"

namespace calvorn {
namespace {

// The page, and the plot's frame within it, in pixels.
constexpr double pageWidth = 960;
constexpr double plotLeft = 100;
constexpr double plotRight = pageWidth - 40;
constexpr double plotTop = 70;
constexpr double plotBottom = 430;
constexpr double legendTop = plotBottom + 85;
constexpr double legendRow = 24;

constexpr const char* palette[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                   "#8c564b", "#e377c2", "#17becf", "#7f7f7f", "#bcbd22"};
constexpr std::size_t paletteSize = std::size(palette);

std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Control characters have no place in XML text.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

std::string at(double value) { return formatText("%.1f", value); }

std::string trimmedLabel(std::int32_t sizeExponent)
{
    std::string label(sizeLabel(sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    return label;
}

// A time mark of the axis: m * 10^k seconds written out ("0.02", "5", "100").
std::string secondsMark(int mantissa, int power)
{
    const double value = mantissa * std::pow(10.0, power);
    return formatText("%.*f", power < 0 ? -power : 0, value);
}

// Where sizes and times go on the page.
class Axes {
public:
    explicit Axes(std::span<const ChartSeries> series)
    {
        std::uint32_t fastest = std::numeric_limits<std::uint32_t>::max();
        std::uint32_t slowest = 0;
        for (const ChartSeries& s : series)
            for (const ChartPoint& p : s.points) {
                smallest_ = std::min(smallest_, p.sizeExponent);
                largest_ = std::max(largest_, p.sizeExponent);
                fastest = std::min(fastest, std::max<std::uint32_t>(p.bestMs, 1));
                slowest = std::max(slowest, std::max<std::uint32_t>(p.bestMs, 1));
            }
        lowPower_ = static_cast<int>(std::floor(std::log10(fastest / 1000.0)));
        highPower_ = static_cast<int>(std::ceil(std::log10(slowest / 1000.0)));
        if (highPower_ <= lowPower_) highPower_ = lowPower_ + 1;
    }

    std::int32_t smallest() const { return smallest_; }
    std::int32_t largest() const { return largest_; }
    int lowPower() const { return lowPower_; }
    int highPower() const { return highPower_; }

    // Half a size to spare at either end, so that no point sits on the frame.
    double x(double sizeExponent) const
    {
        const double from = smallest_ - 0.5;
        const double to = largest_ + 0.5;
        return plotLeft + (sizeExponent - from) / (to - from) * (plotRight - plotLeft);
    }
    double y(double seconds) const
    {
        const double place = (std::log10(seconds) - lowPower_) / (highPower_ - lowPower_);
        return plotBottom - place * (plotBottom - plotTop);
    }
    double yOfMilliseconds(std::uint32_t ms) const { return y(std::max<std::uint32_t>(ms, 1) / 1000.0); }

private:
    std::int32_t smallest_ = largestSizeExponent;
    std::int32_t largest_ = smallestSizeExponent;
    int lowPower_ = 0;
    int highPower_ = 1;
};

void drawTimeAxis(std::string& svg, const Axes& axes)
{
    // Every decade; with few decades 2 and 5 times each as well.
    const bool fine = axes.highPower() - axes.lowPower() <= 3;
    for (int power = axes.lowPower(); power <= axes.highPower(); ++power) {
        for (const int mantissa : {1, 2, 5}) {
            if (mantissa != 1 && (!fine || power == axes.highPower())) continue;
            const double y = axes.y(mantissa * std::pow(10.0, power));
            const bool major = mantissa == 1;
            svg += "<line x1=\"" + at(plotLeft) + "\" y1=\"" + at(y) + "\" x2=\"" + at(plotRight) + "\" y2=\"" +
                   at(y) + "\" stroke=\"" + (major ? "#c8c8c8" : "#ececec") + "\"/>\n";
            svg += "<text x=\"" + at(plotLeft - 8) + "\" y=\"" + at(y + 4) + "\" text-anchor=\"end\" font-size=\"" +
                   (major ? "13" : "11") + "\" fill=\"" + (major ? "#222" : "#666") + "\">" +
                   secondsMark(mantissa, power) + "</text>\n";
        }
    }
}

void drawSizeAxis(std::string& svg, const Axes& axes)
{
    for (std::int32_t e = axes.smallest(); e <= axes.largest(); ++e) {
        const double x = axes.x(e);
        svg += "<line x1=\"" + at(x) + "\" y1=\"" + at(plotTop) + "\" x2=\"" + at(x) + "\" y2=\"" + at(plotBottom) +
               "\" stroke=\"#ececec\"/>\n";
        svg += "<text x=\"" + at(x) + "\" y=\"" + at(plotBottom + 20) + "\" text-anchor=\"middle\" font-size=\"13\">" +
               trimmedLabel(e) + "</text>\n";
    }
}

void drawSeries(std::string& svg, const Axes& axes, const ChartSeries& series, std::size_t index, bool marked)
{
    const std::string colour = palette[index % paletteSize];
    // Past the palette's colours the lines are told apart by their dashes.
    const std::string dashes = index >= paletteSize ? " stroke-dasharray=\"8 4\"" : "";
    std::string points;
    for (const ChartPoint& p : series.points) {
        if (!points.empty()) points.push_back(' ');
        points += at(axes.x(p.sizeExponent));
        points.push_back(',');
        points += at(axes.yOfMilliseconds(p.bestMs));
    }
    svg += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2.5\"" + dashes + " points=\"" + points +
           "\"/>\n";
    for (const ChartPoint& p : series.points) {
        const double x = axes.x(p.sizeExponent);
        const double y = axes.yOfMilliseconds(p.bestMs);
        svg += "<circle cx=\"" + at(x) + "\" cy=\"" + at(y) + "\" r=\"4.5\" fill=\"" + colour + "\"><title>" +
               trimmedLabel(p.sizeExponent) + ": " + secondsText(p.bestMs) + " s</title></circle>\n";
        if (marked)
            svg += "<text x=\"" + at(x + 7) + "\" y=\"" + at(y - 8) + "\" font-size=\"11\" fill=\"" + colour +
                   "\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\">" +
                   secondsText(p.bestMs) + "</text>\n";
    }
}

} // namespace

std::vector<ChartSeries> chartSeries(std::span<const HistoryEntry> entries, std::optional<std::int32_t> size)
{
    std::map<std::pair<std::string, std::string>, std::map<std::int32_t, std::uint32_t>> best;
    for (const HistoryEntry& entry : entries) {
        if (!entry.passed() || (size && entry.sizeExponent != *size)) continue;
        auto& times = best[{entry.processor, entry.version}];
        const auto [place, added] = times.emplace(entry.sizeExponent, entry.timeMs);
        if (!added) place->second = std::min(place->second, entry.timeMs);
    }
    std::vector<ChartSeries> series;
    for (const auto& [key, times] : best) {
        ChartSeries s{key.first, key.second, {}};
        for (const auto& [exponent, ms] : times) s.points.push_back({exponent, ms});
        series.push_back(std::move(s));
    }
    return series;
}

std::string historyChartSvg(std::span<const ChartSeries> series, Language language)
{
    const Axes axes(series);
    const double height = legendTop + legendRow * static_cast<double>(series.size()) + 10;
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + at(pageWidth) + "\" height=\"" +
                      at(height) + "\" viewBox=\"0 0 " + at(pageWidth) + " " + at(height) +
                      "\" font-family=\"DejaVu Sans, NanumGothic, Malgun Gothic, sans-serif\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + at(plotLeft) + "\" y=\"38\" font-size=\"20\" font-weight=\"bold\">" +
           escaped(messageText(MessageId::chartTitle, language)) + "</text>\n";
    drawTimeAxis(svg, axes);
    drawSizeAxis(svg, axes);
    svg += "<rect x=\"" + at(plotLeft) + "\" y=\"" + at(plotTop) + "\" width=\"" + at(plotRight - plotLeft) +
           "\" height=\"" + at(plotBottom - plotTop) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    svg += "<text x=\"" + at((plotLeft + plotRight) / 2) + "\" y=\"" + at(plotBottom + 48) +
           "\" text-anchor=\"middle\" font-size=\"14\">" + escaped(messageText(MessageId::chartDigitsAxis, language)) +
           "</text>\n";
    const double middle = (plotTop + plotBottom) / 2;
    svg += "<text x=\"30\" y=\"" + at(middle) + "\" text-anchor=\"middle\" font-size=\"14\" transform=\"rotate(-90 30 " +
           at(middle) + ")\">" + escaped(messageText(MessageId::chartTimeAxis, language)) + "</text>\n";

    // With a few lines each point carries its time; more would crowd them.
    const bool marked = series.size() <= 3;
    for (std::size_t i = 0; i < series.size(); ++i) drawSeries(svg, axes, series[i], i, marked);

    for (std::size_t i = 0; i < series.size(); ++i) {
        const double y = legendTop + legendRow * static_cast<double>(i);
        const std::string colour = palette[i % paletteSize];
        const std::string dashes = i >= paletteSize ? " stroke-dasharray=\"8 4\"" : "";
        svg += "<line x1=\"" + at(plotLeft) + "\" y1=\"" + at(y) + "\" x2=\"" + at(plotLeft + 34) + "\" y2=\"" + at(y) +
               "\" stroke=\"" + colour + "\" stroke-width=\"2.5\"" + dashes + "/>\n";
        svg += "<circle cx=\"" + at(plotLeft + 17) + "\" cy=\"" + at(y) + "\" r=\"4.5\" fill=\"" + colour + "\"/>\n";
        svg += "<text x=\"" + at(plotLeft + 44) + "\" y=\"" + at(y + 5) + "\" font-size=\"13\">" +
               escaped(series[i].processor) + " \xC2\xB7 calvorn " + escaped(series[i].version) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

std::optional<std::string> writeChartFile(const std::string& file, const std::string& svg)
{
    try {
        SideFile side(file);
        if (const int error = side.write(svg)) return "cannot write " + side.name() + ": " + systemErrorText(error);
        if (const int error = side.finish()) return "cannot write " + side.name() + ": " + systemErrorText(error);
        if (const int error = side.commit()) {
            const auto inTheWay = nameInTheWay(file);
            return inTheWay ? *inTheWay : "cannot write " + file + ": " + systemErrorText(error);
        }
    } catch (const FileRefused& refused) {
        return refused.what();
    }
    return std::nullopt;
}

} // namespace calvorn
