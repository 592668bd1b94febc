// The history as the console shows it: the table per size and processor
// (best and median of the passed runs, the failed ones counted), the chart's
// series and its SVG (every point inside the frame, slower runs higher,
// names escaped), and whole "  16K" runs through the console with a history
// in a scratch folder: the time line, --no-history, --repeat, --history,
// --chart, and a history that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_history.h"
#include "cli/history_chart.h"
#include "cli/history_table.h"
#include "cli/options.h"
#include "console_runner.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

namespace fs = std::filesystem;
using test::ConsoleResult;

HistoryEntry entryOf(std::int32_t sizeExponent, std::uint32_t ms, std::string processor, std::string date,
                     std::string verdict = "passed", std::string version = "1.2")
{
    HistoryEntry entry;
    entry.sizeExponent = sizeExponent;
    entry.timeMs = ms;
    entry.processor = std::move(processor);
    entry.dateUtc = std::move(date);
    entry.verdict = std::move(verdict);
    entry.version = std::move(version);
    return entry;
}

std::vector<HistoryEntry> sampleHistory()
{
    return {
        entryOf(14, 30, "Alpha", "2026-01-01T00:00:03Z"),
        entryOf(14, 10, "Alpha", "2026-01-01T00:00:01Z"),
        entryOf(14, 7, "Beta", "2026-01-02T00:00:00Z"),
        entryOf(20, 900, "Alpha", "2026-01-05T00:00:00Z", "failed"),
        entryOf(14, 20, "Alpha", "2026-01-01T00:00:02Z"),
        entryOf(14, 5, "Alpha", "2026-01-09T00:00:00Z", "fingerprint-differs"),
        entryOf(20, 583, "Beta", "2026-01-03T00:00:00Z"),
        entryOf(20, 1583, "Beta", "2026-01-04T00:00:00Z", "passed", "1.3"),
    };
}

// Columns on a terminal, counted independently of the program: Hangul
// syllables take two.
std::size_t columns(const std::string& text)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        width += length == 3 ? 2 : 1;
        i += length;
    }
    return width;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(HistoryTable, BestAndMedianOfThePassedRunsPerSizeAndProcessor)
{
    const std::vector<HistoryEntry> history = sampleHistory();
    const std::vector<HistoryRow> rows = historyRows(history, std::nullopt);
    ASSERT_EQ(rows.size(), 4u);
    // 16K on Alpha: 30, 10 and 20 ms passed, one run with other arithmetic.
    EXPECT_EQ(rows[0].sizeExponent, 14);
    EXPECT_EQ(rows[0].processor, "Alpha");
    EXPECT_EQ(rows[0].passed, 3u);
    EXPECT_EQ(rows[0].failed, 1u);
    EXPECT_EQ(rows[0].bestMs, 10u);
    EXPECT_EQ(rows[0].medianMs, 20u);
    EXPECT_EQ(rows[0].lastDateUtc, "2026-01-09T00:00:00Z");
    EXPECT_EQ(rows[1].processor, "Beta");
    // 1M on Alpha: nothing passed.
    EXPECT_EQ(rows[2].sizeExponent, 20);
    EXPECT_EQ(rows[2].passed, 0u);
    EXPECT_EQ(rows[2].failed, 1u);
    // 1M on Beta: 583 and 1583 ms, two versions, one processor: the mean of the middle two.
    EXPECT_EQ(rows[3].bestMs, 583u);
    EXPECT_EQ(rows[3].medianMs, 1083u);

    EXPECT_EQ(historyRows(history, 20).size(), 2u);
    EXPECT_TRUE(historyRows(history, 25).empty());

    const std::vector<std::string> english = linesOf(historyTable(rows, Language::english));
    ASSERT_EQ(english.size(), 5u);
    EXPECT_EQ(english[0], "  size   passed   failed     best (s)   median (s)  last run (UTC)        processor");
    EXPECT_EQ(english[1], "   16K        3        1        0.010        0.020  2026-01-09T00:00:00Z  Alpha");
    EXPECT_EQ(english[3], "    1M        0        1            -            -  2026-01-05T00:00:00Z  Alpha");
    EXPECT_EQ(english[4], "    1M        2        0        0.583        1.083  2026-01-04T00:00:00Z  Beta");

    // The Korean column names take two columns a letter and still line up.
    const std::vector<std::string> korean = linesOf(historyTable(rows, Language::korean));
    ASSERT_EQ(korean.size(), 5u);
    const std::size_t processorColumn = columns(korean[0].substr(0, korean[0].rfind("  ") + 2));
    EXPECT_EQ(columns(korean[1].substr(0, korean[1].rfind("  ") + 2)), processorColumn) << korean[0] << "\n" << korean[1];
    EXPECT_EQ(processorColumn, columns(english[0].substr(0, english[0].rfind("  ") + 2)));
}

TEST(HistoryChart, OneLinePerProcessorAndVersionThroughTheBestTimes)
{
    const std::vector<HistoryEntry> history = sampleHistory();
    const std::vector<ChartSeries> series = chartSeries(history, std::nullopt);
    ASSERT_EQ(series.size(), 3u);
    EXPECT_EQ(series[0].processor, "Alpha");
    ASSERT_EQ(series[0].points.size(), 1u) << "a failed run and a run with other arithmetic are no points";
    EXPECT_EQ(series[0].points[0].bestMs, 10u);
    EXPECT_EQ(series[1].processor, "Beta");
    EXPECT_EQ(series[1].version, "1.2");
    ASSERT_EQ(series[1].points.size(), 2u);
    EXPECT_EQ(series[1].points[0].sizeExponent, 14);
    EXPECT_EQ(series[1].points[1].sizeExponent, 20);
    EXPECT_EQ(series[2].version, "1.3");
    EXPECT_EQ(chartSeries(history, 20).size(), 2u);
    EXPECT_TRUE(chartSeries({}, std::nullopt).empty());
}

TEST(HistoryChart, EveryPointInsideTheFrameSlowerRunsHigherNamesEscaped)
{
    std::vector<HistoryEntry> history = sampleHistory();
    history.push_back(entryOf(25, 180000, "<A&B> \"C\"", "2026-02-01T00:00:00Z"));
    const std::vector<ChartSeries> series = chartSeries(history, std::nullopt);
    const std::string svg = historyChartSvg(series, Language::english);
    EXPECT_TRUE(svg.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    EXPECT_TRUE(contains(svg, "&lt;A&amp;B&gt; &quot;C&quot;")) << "the processor's name is escaped";
    EXPECT_FALSE(contains(svg, "<A&B>"));
    EXPECT_FALSE(contains(svg, "<script") || contains(svg, "href"));
    EXPECT_TRUE(contains(svg, ">Calvorn: best time per size<"));

    std::size_t polylines = 0;
    for (auto at = svg.find("<polyline"); at != std::string::npos; at = svg.find("<polyline", at + 1)) ++polylines;
    EXPECT_EQ(polylines, series.size());
    // Every size from the smallest to the largest has its mark, and the time
    // axis reaches from below the fastest (5 ms) to above the slowest (180 s).
    for (const char* label : {">16K<", ">32K<", ">1M<", ">4M<", ">32M<"}) EXPECT_TRUE(contains(svg, label)) << label;
    EXPECT_TRUE(contains(svg, ">0.001<"));
    EXPECT_TRUE(contains(svg, ">1000<"));

    // The points: inside the plot's frame, and for Beta the 1M point above the 16K one.
    const std::regex circle(R"re(<circle cx="([0-9.]+)" cy="([0-9.]+)" r="4.5" fill="[^"]+"><title>([0-9A-Z]+): ([0-9.]+) s</title>)re");
    std::vector<std::pair<double, std::string>> heights;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), circle); it != std::sregex_iterator(); ++it) {
        const double x = std::stod((*it)[1]);
        const double y = std::stod((*it)[2]);
        EXPECT_GT(x, 100.0);
        EXPECT_LT(x, 920.0);
        EXPECT_GT(y, 70.0);
        EXPECT_LT(y, 430.0);
        heights.emplace_back(y, (*it)[3].str() + " " + (*it)[4].str());
    }
    ASSERT_EQ(heights.size(), 5u);
    // In the order of the series ('<' before the letters): the 32M one,
    // Alpha 16K, Beta 16K, Beta 1M, Beta 1.3 1M; the slower, the higher.
    EXPECT_EQ(heights[0].second, "32M 180.000");
    EXPECT_EQ(heights[1].second, "16K 0.010");
    EXPECT_EQ(heights[2].second, "16K 0.007");
    EXPECT_EQ(heights[3].second, "1M 0.583");
    EXPECT_EQ(heights[4].second, "1M 1.583");
    EXPECT_LT(heights[1].first, heights[2].first);
    EXPECT_GT(heights[2].first, heights[3].first);
    EXPECT_GT(heights[3].first, heights[4].first);
    EXPECT_GT(heights[4].first, heights[0].first);
}

// ---------------------------------------------------------------------------
// Whole runs through the console, the history in a scratch folder.

struct HistoryConsole {
    test::ScratchDirectory scratch;
    fs::path file = scratch.path() / "data" / "calvorn" / "history.jsonl";
    test::FakeHost host;

    ConsoleResult run(const std::vector<std::string>& args, Language language = Language::english)
    {
        ConsoleSettings settings;
        settings.language = language;
        settings.historyFile = file;
        return test::runConsoleWith(args, host, settings);
    }
    std::vector<HistoryEntry> entries() const { return readHistory(file).entries; }
};

TEST(ConsoleHistory, RunsAreAddedAndShownButNotWithNoHistory)
{
    HistoryConsole console;
    console.host.tickStep = 1;
    const ConsoleResult first = console.run({"16K"});
    ASSERT_EQ(first.exitCode, exitSuccess) << first.err;
    ASSERT_EQ(console.entries().size(), 1u);
    // The time line right after the end line, with the time the history keeps.
    const std::uint32_t ms = console.entries()[0].timeMs;
    EXPECT_TRUE(contains(first.out, "pi computation finished\ncomputation time: " + secondsText(ms) + " s\ndigits verified"))
        << first.out;
    EXPECT_TRUE(first.err.empty()) << first.err;

    EXPECT_EQ(console.run({"--no-history", "16K"}).exitCode, exitSuccess);
    EXPECT_EQ(console.entries().size(), 1u);
    EXPECT_EQ(console.run({"--repeat", "2", "32K"}).exitCode, exitSuccess);
    EXPECT_EQ(console.entries().size(), 3u);
    // A stopped run is not judged, and not kept.
    console.host.stopAtPump = console.host.pumps + 40;
    EXPECT_EQ(console.run({"16K"}).exitCode, exitRunFailed);
    EXPECT_EQ(console.entries().size(), 3u);

    const ConsoleResult shown = console.run({"--history"});
    EXPECT_EQ(shown.exitCode, exitSuccess) << shown.err;
    const std::vector<std::string> lines = linesOf(shown.out);
    ASSERT_EQ(lines.size(), 4u) << shown.out;
    EXPECT_EQ(lines[0], "history: " + console.file.string() + " (3 runs)");
    EXPECT_TRUE(lines[2].starts_with("   16K        1        0        " + secondsText(ms) + "  ")) << lines[2];
    EXPECT_TRUE(lines[3].starts_with("   32K        2        0  ")) << lines[3];

    const ConsoleResult one = console.run({"--history", "32K", "--lang", "ko"});
    EXPECT_EQ(linesOf(one.out).size(), 3u) << one.out;
    EXPECT_TRUE(one.out.starts_with("연산 이력: ")) << one.out;
    EXPECT_EQ(console.run({"--history", "1M"}).out, "no runs of 1M in the history: " + console.file.string() + "\n");
}

TEST(ConsoleHistory, DamagedLinesAreCountedAndTheChartIsWrittenWhole)
{
    HistoryConsole console;
    EXPECT_EQ(console.run({"--history"}).out, "no runs in the history yet: " + console.file.string() + "\n");
    EXPECT_EQ(console.run({"--history", "--chart", "none.svg"}).exitCode, exitRunFailed);
    EXPECT_FALSE(fs::exists("none.svg"));

    ASSERT_EQ(console.run({"16K"}).exitCode, exitSuccess);
    std::ofstream(console.file, std::ios::app) << "{\"dateUtc\": \"half a line\n";
    const std::string kept = bytesOf(console.file);
    ASSERT_EQ(console.run({"32K"}).exitCode, exitSuccess);

    const ConsoleResult shown = console.run({"--history", "--chart", "chart.svg"});
    EXPECT_EQ(shown.exitCode, exitSuccess) << shown.err;
    EXPECT_TRUE(contains(shown.out, "(2 runs)")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "\n1 damaged line(s) skipped (the file is left as it is)\n")) << shown.out;
    EXPECT_TRUE(contains(shown.out, "chart written to chart.svg\n")) << shown.out;
    EXPECT_TRUE(bytesOf(console.file).starts_with(kept));
    EXPECT_TRUE(bytesOf("chart.svg").starts_with("<?xml"));
    EXPECT_EQ(console.scratch.fileNames(), (std::vector<std::string>{"chart.svg", "data", "pi_data.txt", "pi_rec.txt"}));

    // A chart that cannot be put in place leaves nothing behind.
    const ConsoleResult nowhere = console.run({"--history", "--chart", "missing-folder/chart.svg"});
    EXPECT_EQ(nowhere.exitCode, exitRunFailed);
    EXPECT_TRUE(contains(nowhere.err, "cannot write the chart: ")) << nowhere.err;
    EXPECT_FALSE(fs::exists("missing-folder"));
}

TEST(ConsoleHistory, AHistoryThatCannotBeWrittenIsOneWarningAndNothingElse)
{
    HistoryConsole console;
    fs::create_directories(console.file.parent_path().parent_path());
    std::ofstream(console.file.parent_path()) << "in the way";
    const ConsoleResult warned = console.run({"16K"});
    const std::string records = bytesOf("pi_rec.txt");
    const ConsoleResult quiet = console.run({"--no-history", "16K"});
    EXPECT_EQ(warned.exitCode, exitSuccess);
    EXPECT_EQ(warned.out, quiet.out) << "the report is the same (the fake clock stands still)";
    EXPECT_EQ(bytesOf("pi_rec.txt"), records);
    ASSERT_EQ(linesOf(warned.err).size(), 1u) << warned.err;
    EXPECT_TRUE(warned.err.starts_with("calvorn: warning: cannot make the folder ")) << warned.err;
    EXPECT_TRUE(warned.err.ends_with("; this run is not kept in the history\n")) << warned.err;
    EXPECT_TRUE(quiet.err.empty());
    EXPECT_EQ(bytesOf(console.file.parent_path()), "in the way");
}

TEST(ConsoleHistory, Options)
{
    const auto parse = [](std::vector<std::string> args) { return parseConsoleArguments(args); };
    const ConsoleCommand all = parse({"--history"});
    EXPECT_EQ(all.kind, ConsoleCommand::Kind::history);
    EXPECT_FALSE(all.sizeNamed);
    const ConsoleCommand one = parse({"1M", "--history", "--chart=c.svg"});
    EXPECT_EQ(one.kind, ConsoleCommand::Kind::history);
    EXPECT_TRUE(one.sizeNamed);
    EXPECT_EQ(one.sizeExponent, 20);
    EXPECT_EQ(one.chartFile, "c.svg");
    EXPECT_TRUE(parse({"--no-history", "16K"}).noHistory);
    EXPECT_EQ(parse({"--chart", "c.svg"}).kind, ConsoleCommand::Kind::usageError);
    EXPECT_EQ(parse({"--chart", "c.svg"}).error, "--chart goes with --history");
    EXPECT_EQ(parse({"--records", "--chart", "c.svg"}).error, "--chart goes with --history");
    EXPECT_EQ(parse({"--history", "--chart="}).kind, ConsoleCommand::Kind::usageError);
    EXPECT_TRUE(contains(consoleUsage(Language::english), "  --no-history  "));
}

} // namespace
} // namespace calvorn
