// Whole "  16K" runs through the console with a fake host: the console in
// English (the records file keeps its Korean bytes), the stability test with
// its one line per run and its summary, a stop in the middle of it, and the
// JSON report read back with a JSON parser and held against the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "app/record_file.h"
#include "cli/console_app.h"
#include "cli/repeat_run.h"
#include "console_runner.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::ConsoleResult;
using test::fileBytes;

ConsoleResult runWith(const std::vector<std::string>& args, test::FakeHost& host,
                      std::optional<std::int64_t> faultyRun = std::nullopt)
{
    ConsoleSettings settings;
    settings.language = Language::english;
    settings.faultyRun = faultyRun;
    return test::runConsoleWith(args, host, settings);
}

bool hasHangul(const std::string& text) { return std::regex_search(text, std::regex("[\xEA-\xED][\x80-\xBF]")); }

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// How many message pumps one "  16K" run makes.
std::uint64_t pumpsOfOneRun()
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    EXPECT_EQ(runWith({"16K"}, host).exitCode, exitSuccess);
    return host.pumps;
}

TEST(ConsoleLanguage, EnglishRunKeepsTheRecordsFileInKorean)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 100;
    const ConsoleResult r = runWith({"--lang", "en", "16K"}, host);
    ASSERT_EQ(r.exitCode, exitSuccess) << r.err;
    std::string log;
    for (const std::string& line : host.log) log += line;
    EXPECT_FALSE(hasHangul(log + r.out)) << log << r.out;
    EXPECT_EQ(host.log.front(), "  16K computation starts (13 iterations)\n");
    EXPECT_EQ(count(log, " done\n"), 14u); // the starting values and 13 iterations
    EXPECT_NE(r.out.find("digits verified"), std::string::npos);

    RecordTable records;
    loadRecords(records);
    EXPECT_EQ(fileBytes("pi_rec.txt"), recordFileBytes(records, 14));
    EXPECT_NE(r.out.find(records.afterRunTable(14, Language::english)), std::string::npos);
    EXPECT_NE(records.afterRunTable(14, Language::korean).find("- 연산되지 않음   [  32K]"), std::string::npos);
}

TEST(StabilityTest, RunsBackToBackAndRecordsTheBestTime)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 250;
    const ConsoleResult r = runWith({"16K", "--repeat", "3"}, host);
    ASSERT_EQ(r.exitCode, exitSuccess) << r.err;
    const std::regex threeLines("run 1: +[0-9]+\\.[0-9]{3} s  passed\nrun 2: .* passed\nrun 3: .* passed\n");
    EXPECT_TRUE(std::regex_search(r.out, threeLines)) << r.out;
    EXPECT_EQ(count(r.out, "run "), 3u);
    EXPECT_NE(r.out.find("runs passed: 3\nverdict: passed\n"), std::string::npos) << r.out;
    EXPECT_TRUE(host.log.empty()); // the runs' own lines are not shown
    RecordTable records;
    loadRecords(records);
    EXPECT_GT(records.bestSeconds(0), 0u);
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"pi_data.txt", "pi_rec.txt"}));
}

TEST(StabilityTest, StopEndsTheCurrentRunAndPrintsTheSummarySoFar)
{
    const std::uint64_t pumps = pumpsOfOneRun();
    for (const std::string runs : {"5", "0"}) {
        test::ScratchDirectory scratch;
        test::FakeHost host;
        host.stopAtPump = 2 * pumps + pumps / 2; // in the third run
        const ConsoleResult r = runWith({"16K", "--repeat", runs}, host);
        EXPECT_NE(r.out.find("run 3: "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("stopped\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("run 4: "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("runs passed: 2\nverdict: stopped\n"), std::string::npos) << r.out;
        // Until stopped ends this way; a count not reached is not a pass.
        EXPECT_EQ(r.exitCode, runs == "0" ? exitSuccess : exitRunFailed);
        EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"pi_data.txt", "pi_rec.txt"}));
        EXPECT_TRUE(host.stopRequested());
    }
}

// Right digits from other arithmetic: the hook moves one value of the second
// run by one unit in the last place, which the rounding absorbs.
TEST(StabilityTest, DifferentFingerprintWithRightDigitsStopsTheTest)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 250;
    const ConsoleResult r = runWith({"16K", "--repeat", "5", "--json"}, host, 2);
    EXPECT_EQ(r.exitCode, exitRunFailed);
    EXPECT_NE(r.err.find("run 1: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("run 2: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("run 3: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("FAILED: the digits are right but the work fingerprint differs"), std::string::npos) << r.err;
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].text.find("work fingerprint"), std::string::npos) << host.errors[0].text;

    const nlohmann::json report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report.at("verdict"), "fingerprint-differs");
    ASSERT_EQ(report.at("runs").size(), 2u);
    const nlohmann::json& good = report.at("runs").at(0);
    const nlohmann::json& faulty = report.at("runs").at(1);
    EXPECT_EQ(good.at("fingerprintChecked"), true);
    EXPECT_EQ(good.at("fingerprintMatched"), true);
    EXPECT_EQ(faulty.at("verified"), true); // the digits are right
    EXPECT_EQ(faulty.at("fingerprintChecked"), true);
    EXPECT_EQ(faulty.at("fingerprintMatched"), false);
    EXPECT_NE(faulty.at("fingerprint"), good.at("fingerprint"));
    // The first run's time was recorded as after a single run; the faulty one's was not.
    RecordTable records;
    loadRecords(records);
    EXPECT_EQ(records.bestSeconds(0), good.at("timeMs").get<std::uint32_t>() / 1000);
}

TEST(StabilityTest, MedianOfTheTimes)
{
    EXPECT_EQ(medianOf({}), 0u);
    EXPECT_EQ(medianOf({7}), 7u);
    EXPECT_EQ(medianOf({9, 1, 5}), 5u);
    EXPECT_EQ(medianOf({4000000000u, 4000000001u, 1, 2}), 2000000001u); // no overflow
}

TEST(JsonReport, OneObjectOnStandardOutputHeldAgainstTheRun)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 7;
    const ConsoleResult r = runWith({"--json", "16K"}, host);
    ASSERT_EQ(r.exitCode, exitSuccess) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out); // throws unless the output is one JSON text
    EXPECT_EQ(report.at("program"), "calvorn");
    EXPECT_EQ(report.at("version"), CALVORN_TEST_VERSION);
    EXPECT_EQ(report.at("size"), "16K");
    EXPECT_EQ(report.at("digits"), 16384);
    EXPECT_EQ(report.at("verified"), true);
    EXPECT_EQ(report.at("verdict"), "passed");
    EXPECT_EQ(report.at("iterations"), 13);
    EXPECT_EQ(report.at("memoryBytes"), host.memory.totalPhysical);
    const auto length = report.at("workArea").at("length").get<std::int64_t>();
    EXPECT_EQ(report.at("workArea").at("bytes").get<std::int64_t>(), (length + 5) * 8);
    EXPECT_TRUE(std::regex_match(report.at("dateUtc").get<std::string>(),
                                 std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]Z")));
    EXPECT_GT(report.at("processor").at("logicalProcessors").get<int>(), 0);
    EXPECT_FALSE(report.at("processor").at("model").get<std::string>().empty());
    EXPECT_FALSE(report.at("os").at("name").get<std::string>().empty());
    EXPECT_TRUE(report.at("lanePath").is_string());
    EXPECT_FALSE(report.contains("runs"));
    EXPECT_EQ(report.at("fingerprint").get<std::string>().size(), 16u);
    EXPECT_EQ(report.at("fingerprintChecked"), length == 8 * 2048); // the full work area of 16K
    EXPECT_EQ(report.at("fingerprintMatched"), report.at("fingerprintChecked"));

    // The recorded time is the one the records file got, in milliseconds.
    RecordTable records;
    loadRecords(records);
    EXPECT_EQ(report.at("timeMs").get<std::uint32_t>() / 1000, records.bestSeconds(0));
    // The person's lines went to standard error.
    EXPECT_NE(r.err.find("digits verified"), std::string::npos);
    EXPECT_NE(r.err.find("computation starts"), std::string::npos);
}

TEST(JsonReport, StabilityTestListsEveryRun)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 3;
    const ConsoleResult r = runWith({"--json", "--repeat", "2", "16K"}, host);
    ASSERT_EQ(r.exitCode, exitSuccess) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out);
    ASSERT_EQ(report.at("runs").size(), 2u);
    std::uint32_t best = UINT32_MAX;
    for (std::size_t i = 0; i < 2; ++i) {
        const nlohmann::json& run = report.at("runs").at(i);
        EXPECT_EQ(run.at("run"), i + 1);
        EXPECT_EQ(run.at("verified"), true);
        EXPECT_EQ(run.at("verdict"), "passed");
        best = std::min(best, run.at("timeMs").get<std::uint32_t>());
    }
    EXPECT_EQ(report.at("bestMs"), best);
    EXPECT_EQ(report.at("timeMs"), best);
    EXPECT_NE(r.err.find("verdict: passed"), std::string::npos);
}

} // namespace
} // namespace calvorn
