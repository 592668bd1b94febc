// The parts of the stress test that need no second process: its options and
// durations, the fault hook's target, the plan of copies and memory shares,
// the reports between copy and test, the judgement of fingerprints (which
// copy is wrong, and when that cannot be told), and one copy run with a fake
// host until its input ends or a run fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/console_environment.h"
#include "cli/options.h"
#include "cli/stress_copy.h"
#include "cli/stress_judge.h"
#include "cli/stress_plan.h"
#include "cli/stress_protocol.h"
#include "cli/stress_status.h"
#include "console_runner.h"
#include "driver/work_area_sizing.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using std::chrono::milliseconds;

ConsoleCommand parse(std::vector<std::string> args) { return parseConsoleArguments(args); }

TEST(StressOptions, DurationsAndCopies)
{
    EXPECT_EQ(parseDuration("30s"), milliseconds(30000));
    EXPECT_EQ(parseDuration("10m"), milliseconds(600000));
    EXPECT_EQ(parseDuration("2h"), milliseconds(7200000));
    EXPECT_EQ(parseDuration("1h30m5s"), milliseconds(5405000));
    for (const char* bad : {"", "0s", "0h0m", "30", "s", "-1s", "1x", "30S", "1.5h", "9999h", "1h ", "99999999999999999999s"})
        EXPECT_FALSE(parseDuration(bad).has_value()) << bad;

    const ConsoleCommand c = parse({"1M", "--stress", "--cores", "3", "--for=10m", "--memory", "64M"});
    EXPECT_EQ(c.kind, ConsoleCommand::Kind::run);
    EXPECT_TRUE(c.stress);
    EXPECT_EQ(c.cores, 3);
    EXPECT_EQ(c.duration, milliseconds(600000));
    EXPECT_EQ(c.memoryCap, 64ull << 20);
    EXPECT_FALSE(parse({"--stress"}).cores.has_value());
    EXPECT_NE(consoleUsage(Language::english).find("--for DURATION"), std::string::npos);

    const std::map<std::vector<std::string>, std::string> mistakes{
        {{"--cores", "2"}, "--cores belongs to --stress"},
        {{"--for", "1m"}, "--for belongs to --stress"},
        {{"--stress", "--repeat", "2"}, "cannot be combined"},
        {{"--stress", "--cores", "0"}, "--cores takes a number of copies from 1 to 1024"},
        {{"--stress", "--cores", "1025"}, "--cores takes"},
        {{"--stress", "--cores", "two"}, "--cores takes"},
        {{"--stress", "--for", "30"}, "--for takes a duration such as 30s"},
    };
    for (const auto& [args, error] : mistakes) {
        const ConsoleCommand m = parse(args);
        EXPECT_EQ(m.kind, ConsoleCommand::Kind::usageError) << args.front();
        EXPECT_NE(m.error.find(error), std::string::npos) << m.error;
    }
}

TEST(StressOptions, FaultHookNamesARunAndOptionallyACore)
{
    auto target = [](const char* value) {
        return faultTargetFromEnvironment([value](std::string_view) { return std::optional<std::string>(value); });
    };
    EXPECT_EQ(target("3")->run, 3);
    EXPECT_FALSE(target("3")->core.has_value());
    EXPECT_EQ(target("3:1")->run, 3);
    EXPECT_EQ(target("3:1")->core, 1);
    EXPECT_EQ(target("2:0")->core, 0);
    for (const char* bad : {"", "0", "0:1", "3:", ":1", "3:-1", "3:1:2", "3x", "a"}) EXPECT_FALSE(target(bad)) << bad;
    // The stability test reads the run alone.
    EXPECT_EQ(faultyRunFromEnvironment([](std::string_view) { return std::optional<std::string>("4:7"); }), 4);
}

TEST(StressPlan, CopiesShareProcessorsInTurnAndMemoryEvenly)
{
    const MemoryStatus plenty{24ull << 30, 20ull << 30};
    const std::vector<int> two{0, 1};
    const StressPlan own = planStress(20, std::nullopt, two, plenty, UINT64_MAX);
    ASSERT_EQ(own.copies.size(), 2u);
    EXPECT_FALSE(own.sharedProcessors);
    EXPECT_EQ(own.copies[1].name, "1");
    EXPECT_EQ(own.copies[1].number, 2);
    EXPECT_TRUE(own.fullWorkArea);
    EXPECT_EQ(own.workAreaLength, 8 << 17);

    const std::vector<int> one{3};
    const StressPlan shared = planStress(14, 3, one, plenty, UINT64_MAX);
    ASSERT_EQ(shared.copies.size(), 3u);
    EXPECT_TRUE(shared.sharedProcessors);
    for (const StressCopy& c : shared.copies) EXPECT_EQ(c.processor, 3);
    EXPECT_EQ(shared.copies[0].name, "3#1");
    EXPECT_EQ(shared.copies[2].name, "3#3");

    // 8M on two copies within 64M: 32M each, and the work area that fits it
    // is a quarter of the full one (the five extra doubles tip the half over).
    const StressPlan capped = planStress(23, std::nullopt, two, plenty, 64ull << 20);
    EXPECT_EQ(capped.shareBytes, 32ull << 20);
    EXPECT_EQ(capped.workAreaLength, 1 << 21);
    EXPECT_FALSE(capped.fullWorkArea);
    // A process limit (a control group) is shared too, a reserve kept for each copy.
    MemoryStatus limited = plenty;
    const std::uint64_t reserve = runReserveBytes + largeAreaOverheadBytes;
    limited.processHeadroom = 2 * reserve + (40ull << 20);
    EXPECT_EQ(sharedMemoryBudget(limited, UINT64_MAX, 2), 20ull << 20);
    limited.processHeadroom = 2 * reserve - 1;
    EXPECT_EQ(sharedMemoryBudget(limited, UINT64_MAX, 2), 0u);
    EXPECT_EQ(planStress(14, 2, two, plenty, 16 << 10).workAreaLength, 0); // too little for 16K twice

    EXPECT_EQ(faultyCopy(own, std::nullopt)->number, 1);
    EXPECT_EQ(faultyCopy(own, 1)->number, 2);
    EXPECT_EQ(faultyCopy(own, 7), nullptr);
    EXPECT_EQ(faultyCopy(shared, 3)->name, "3#1");
}

TEST(StressProtocol, ReportsSurviveTheirLineWithEveryBit)
{
    CopyReport run;
    run.kind = CopyReport::Kind::runEnded;
    run.run = 12;
    run.verdict = RunVerdict::fingerprintDiffers;
    run.timeMs = 4000000000u;
    run.verified = true;
    run.fingerprint = 0xfedcba9876543211ull; // beyond what a double holds
    run.fingerprintChecked = true;
    run.workAreaBytes = 8388648;
    run.workAreaLength = 1 << 20;
    run.iterations = 19;
    run.error = "cannot write ia.dat: \xff full";
    const std::string line = encodeCopyReport(run);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const auto back = decodeCopyReport(line + "\r");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, CopyReport::Kind::runEnded);
    EXPECT_EQ(back->run, 12);
    EXPECT_EQ(back->verdict, RunVerdict::fingerprintDiffers);
    EXPECT_EQ(back->timeMs, 4000000000u);
    EXPECT_EQ(back->fingerprint, 0xfedcba9876543211ull);
    EXPECT_TRUE(back->verified && back->fingerprintChecked && !back->fingerprintMatched);
    EXPECT_EQ(back->workAreaLength, 1 << 20);
    EXPECT_EQ(back->iterations, 19);
    EXPECT_EQ(back->error, "cannot write ia.dat: \xEF\xBF\xBD full");

    CopyReport started;
    started.kind = CopyReport::Kind::started;
    started.pinProblem = "Invalid argument";
    EXPECT_EQ(decodeCopyReport(encodeCopyReport(started))->pinProblem, "Invalid argument");
    EXPECT_EQ(decodeCopyReport(encodeCopyReport(CopyReport{}))->kind, CopyReport::Kind::alive);
    for (const char* bad : {"", "garbage", "{}", "[1]", R"({"report":"run","run":1})", R"({"report":"other"})",
                            R"({"report":"started","pinned":"yes","pinProblem":""})"})
        EXPECT_FALSE(decodeCopyReport(bad)) << bad;
}

// A judge of `copies` copies of 16K with runs given as (copy, fingerprint).
class Judging : public ::testing::Test {
protected:
    void start(int copies)
    {
        const std::vector<int> processors{0, 1, 2, 3};
        plan_ = planStress(14, copies, processors, {24ull << 30, 20ull << 30}, UINT64_MAX);
        judge_.emplace(plan_, 14, Language::english);
    }
    // A passed run with a work area the table cannot check.
    void passed(std::size_t copy, std::uint64_t fingerprint, std::int32_t length = 4096)
    {
        CopyReport r;
        r.kind = CopyReport::Kind::runEnded;
        r.run = judge_->copies()[copy].runsEnded + 1;
        r.verdict = RunVerdict::passed;
        r.timeMs = 100 + static_cast<std::uint32_t>(r.run);
        r.verified = true;
        r.fingerprint = fingerprint;
        r.workAreaLength = length;
        r.workAreaBytes = (static_cast<std::uint64_t>(length) + 5) * 8;
        judge_->runEnded(copy, r);
    }
    const CopyState& copy(std::size_t i) const { return judge_->copies()[i]; }

    StressPlan plan_;
    std::optional<StressJudge> judge_;
};

TEST_F(Judging, TheFingerprintOfMoreCopiesIsTheRightOne)
{
    start(3);
    passed(0, 7);
    passed(1, 7);
    passed(0, 7);
    EXPECT_FALSE(judge_->anyFailure());
    EXPECT_EQ(judge_->agreedFingerprint(), 7u);
    passed(2, 8);
    ASSERT_TRUE(copy(2).failure);
    EXPECT_FALSE(copy(0).failure || copy(1).failure);
    EXPECT_EQ(copy(2).failure->kind, "fingerprint-copies");
    EXPECT_EQ(copy(2).failure->run, 1);
    EXPECT_TRUE(copy(2).failure->certain);
    EXPECT_NE(copy(2).failure->text.find("0000000000000008 differs from 0000000000000007, which 2 copies computed in 3 runs"),
              std::string::npos)
        << copy(2).failure->text;
    EXPECT_EQ(copy(2).passedRuns(), 0); // the wrong run is not a passed one
    EXPECT_EQ(judge_->verdict(false), MachineVerdict::failed);
    EXPECT_FALSE(judge_->agreedFingerprint());
}

TEST_F(Judging, ACopyThatDisagreesWithItselfIsTheFaultyOne)
{
    // Two copies, one on each side, but copy 1 has also computed the other
    // fingerprint: it is faulty, and its rarer fingerprint is the wrong one.
    start(2);
    passed(0, 7);
    passed(1, 7);
    passed(1, 9);
    EXPECT_FALSE(copy(0).failure);
    ASSERT_TRUE(copy(1).failure);
    EXPECT_EQ(copy(1).failure->run, 2);
    EXPECT_TRUE(copy(1).failure->certain);
    EXPECT_EQ(copy(1).times, (std::vector<std::uint32_t>{101}));

    // One copy alone, its two runs differing: the copy is faulty, the run cannot be told.
    start(1);
    passed(0, 7);
    passed(0, 9);
    ASSERT_TRUE(copy(0).failure);
    EXPECT_EQ(copy(0).failure->kind, "fingerprint-own-runs");
    EXPECT_EQ(copy(0).failure->run, 2);
    EXPECT_NE(copy(0).failure->text.find("it did the same work two ways"), std::string::npos);
}

TEST_F(Judging, AsManyCopiesOnEachSideNamesBothAsUndecided)
{
    start(2);
    passed(0, 7);
    passed(0, 7);
    passed(1, 9); // copy 0's repeats do not outweigh copy 1: a core can be wrong the same way every time
    ASSERT_TRUE(copy(0).failure && copy(1).failure);
    EXPECT_FALSE(copy(0).failure->certain);
    EXPECT_FALSE(copy(1).failure->certain);
    EXPECT_EQ(copy(0).failure->run, 1);
    EXPECT_EQ(copy(1).failure->run, 1);
    EXPECT_NE(copy(1).failure->text.find("of core 0; with as many copies on either side"), std::string::npos)
        << copy(1).failure->text;
}

TEST_F(Judging, OnlyEqualWorkIsComparedAndTheTableJudgesTheFullArea)
{
    start(2);
    passed(0, 7, 4096);
    passed(1, 9, 8192);  // another work area: another fingerprint is right
    EXPECT_FALSE(judge_->anyFailure());
    EXPECT_EQ(judge_->comparedRuns(), 2);

    CopyReport differs;
    differs.kind = CopyReport::Kind::runEnded;
    differs.run = 2;
    differs.verdict = RunVerdict::fingerprintDiffers;
    differs.verified = true;
    differs.fingerprint = 5;
    differs.fingerprintChecked = true;
    judge_->runEnded(0, differs);
    ASSERT_TRUE(copy(0).failure);
    EXPECT_EQ(copy(0).failure->kind, "fingerprint-table");
    EXPECT_NE(copy(0).failure->text.find("0000000000000005 differs from "), std::string::npos);
    EXPECT_NE(copy(0).failure->text.find("the one every correct machine computes"), std::string::npos);
}

TEST_F(Judging, FailuresStopsAndTheMachineVerdict)
{
    start(2);
    passed(0, 7);
    EXPECT_EQ(judge_->verdict(false), MachineVerdict::incomplete); // copy 1 has finished no run
    passed(1, 7);
    EXPECT_EQ(judge_->verdict(false), MachineVerdict::passed);
    EXPECT_EQ(judge_->verdict(true), MachineVerdict::stopped);

    CopyReport stopped;
    stopped.kind = CopyReport::Kind::runEnded;
    stopped.run = 2;
    stopped.verdict = RunVerdict::stopped;
    judge_->runEnded(0, stopped);
    EXPECT_TRUE(copy(0).lastRunStopped);
    EXPECT_EQ(judge_->verdict(false), MachineVerdict::passed); // a stopped run is not judged

    CopyReport failed = stopped;
    failed.verdict = RunVerdict::failed;
    failed.error = "NOT EXACT IN ROUND";
    judge_->runEnded(1, failed);
    EXPECT_EQ(copy(1).failure->text, "the run failed: NOT EXACT IN ROUND");
    judge_->lost(0, "died", "the copy ended without its result (signal 9, Killed)");
    EXPECT_EQ(copy(0).failure->run, 3);
    EXPECT_EQ(judge_->verdict(true), MachineVerdict::failed);

    const std::string summary = summaryText(*judge_, plan_, 14, MachineVerdict::failed, Language::english);
    EXPECT_NE(summary.find("core 1, run 2: the run failed: NOT EXACT IN ROUND\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("core 0, run 3: the copy ended"), std::string::npos) << summary;
    EXPECT_NE(summary.find("verdict of the machine: FAILED\n"), std::string::npos) << summary;
    EXPECT_EQ(clockText(milliseconds(3725999)), "1:02:05");
}

// ---------------------------------------------------------------------------
// One copy, with a fake host, in a scratch folder.

std::vector<CopyReport> reportsOf(const std::string& text)
{
    std::vector<CopyReport> reports;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const auto report = decodeCopyReport(text.substr(at, end - at));
        EXPECT_TRUE(report) << text.substr(at, end - at);
        if (report && report->kind != CopyReport::Kind::alive) reports.push_back(*report);
    }
    EXPECT_EQ(at, text.size()) << "a report without its line end";
    return reports;
}

TEST(StressCopy, OrderSurvivesItsArguments)
{
    StressCopyOrder order;
    order.sizeExponent = 20;
    order.memoryCap = 123456789;
    order.processor = 5;
    order.language = Language::korean;
    order.faultyRun = 3;
    order.leaveFolder = true;
    const std::vector<std::string> args = stressCopyArguments(order);
    EXPECT_EQ(args.front(), stressCopyArgument);
    const auto back = parseStressCopyArguments(args);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sizeExponent, 20);
    EXPECT_EQ(back->memoryCap, 123456789u);
    EXPECT_EQ(back->processor, 5);
    EXPECT_EQ(back->language, Language::korean);
    EXPECT_EQ(back->faultyRun, 3);
    EXPECT_TRUE(back->leaveFolder);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--stress-copy"}, {"--stress-copy", "size=13"}, {"--stress-copy", "size=14", "x=1"},
          {"--stress-copy", "size=14", "fault=0"}, {"--stress-copy", "size=14", "leave=1"}, {"size=14"}})
        EXPECT_FALSE(parseStressCopyArguments(bad)) << bad.back();
}

TEST(StressCopy, RunsUntilItsInputEndsAndWritesNoRecords)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    host.tickStep = 1;
    std::FILE* out = std::tmpfile();
    int looks = 0;
    std::size_t runsSeen = 0;
    // The input ends once the copy has reported two runs.
    const std::function<bool()> inputEnded = [&] {
        ++looks;
        std::fflush(out);
        const long size = std::ftell(out);
        std::rewind(out);
        std::string text(static_cast<std::size_t>(size), '\0');
        runsSeen = std::fread(text.data(), 1, text.size(), out) == text.size() ? reportsOf(text).size() : 0;
        std::fseek(out, 0, SEEK_END);
        return runsSeen >= 3;  // "started" and two runs
    };
    StressCopyOrder order;
    EXPECT_EQ(runStressCopy(order, host, out, inputEnded), 0);
    const std::vector<CopyReport> reports = reportsOf(test::readAll(out));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].kind, CopyReport::Kind::started);
    EXPECT_FALSE(reports[0].pinned); // no processor was named
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(reports[i].run, static_cast<std::int64_t>(i));
        EXPECT_EQ(reports[i].verdict, RunVerdict::passed);
        EXPECT_TRUE(reports[i].verified && reports[i].fingerprintChecked && reports[i].fingerprintMatched);
        EXPECT_EQ(reports[i].workAreaLength, 16384);
    }
    EXPECT_GT(looks, 2);
    EXPECT_EQ(scratch.fileNames(), std::vector<std::string>{"pi_data.txt"}); // no pi_rec.txt
}

TEST(StressCopy, AFaultyRunEndsTheCopyWithItsReport)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    std::FILE* out = std::tmpfile();
    StressCopyOrder order;
    order.faultyRun = 2;
    EXPECT_EQ(runStressCopy(order, host, out, [] { return false; }), 0);
    const std::vector<CopyReport> reports = reportsOf(test::readAll(out));
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[1].verdict, RunVerdict::passed);
    EXPECT_EQ(reports[2].verdict, RunVerdict::fingerprintDiffers);
    EXPECT_TRUE(reports[2].verified);
    EXPECT_NE(reports[2].fingerprint, reports[1].fingerprint);
    EXPECT_NE(reports[2].error.find("work fingerprint"), std::string::npos) << reports[2].error;
}

} // namespace
} // namespace calvorn
