// The console program with a fake host: arguments and usage errors, the
// records listing, an unwritable directory, and whole "  16K" runs that end
// normally or by a stop.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/log_lines.h"
#include "app/record_file.h"
#include "cli/console_app.h"
#include "console_runner.h"
#include "support/fake_host.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::ConsoleResult;
using test::fileBytes;

// The console as a user of the given locale language runs it (Korean: the
// window's texts).
ConsoleResult runWith(const std::vector<std::string>& args, test::FakeHost& host,
                      Language language = Language::korean)
{
    ConsoleSettings settings;
    settings.language = language;
    return test::runConsoleWith(args, host, settings);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ConsoleArguments, SizesOptionsAndMistakes)
{
    using Kind = ConsoleCommand::Kind;
    const auto parse = [](std::vector<std::string> args) { return parseConsoleArguments(args); };
    EXPECT_EQ(parse({}).kind, Kind::run);
    EXPECT_EQ(parse({}).sizeExponent, 14);
    EXPECT_EQ(parse({"1M"}).sizeExponent, 20);
    EXPECT_EQ(parse({"--records"}).kind, Kind::records);
    EXPECT_EQ(parse({"--help"}).kind, Kind::help);
    EXPECT_EQ(parse({"3M"}).kind, Kind::usageError);
    EXPECT_EQ(parse({"--record"}).kind, Kind::usageError);
    EXPECT_EQ(parse({"1M", "2M"}).kind, Kind::usageError);
}

TEST(ConsoleProgram, UsageErrorsExitWithTwoAndListTheSizes)
{
    test::FakeHost host;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"3M"}, {"--bogus"}, {"16K", "32K"}}) {
        const ConsoleResult r = runWith(args, host);
        EXPECT_EQ(r.exitCode, exitUsage);
        EXPECT_TRUE(contains(r.err, "16K 32K 64K 128K 256K 512K 1M 2M 4M 8M 16M 32M")) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_TRUE(contains(runWith({"3M"}, host).err, "unknown size \"3M\""));
    EXPECT_TRUE(contains(runWith({"--bogus"}, host).err, "unknown option \"--bogus\""));
    const ConsoleResult help = runWith({"--help"}, host, Language::english);
    EXPECT_EQ(help.exitCode, exitSuccess);
    EXPECT_TRUE(contains(help.out, "usage: calvorn"));
    EXPECT_TRUE(host.log.empty());
}

TEST(ConsoleProgram, RecordsPrintsTheStartupTable)
{
    test::ScratchDirectory scratch;
    test::FakeHost host;
    const ConsoleResult empty = runWith({"--records"}, host);
    EXPECT_EQ(empty.exitCode, exitSuccess);
    EXPECT_EQ(empty.out, RecordTable().startupTable());
    EXPECT_TRUE(std::filesystem::exists("pi_rec.txt"));

    RecordTable table;
    table.setBestSeconds(2, 3723);
    saveRecords(table, 16);
    const ConsoleResult listed = runWith({"--records"}, host);
    EXPECT_EQ(listed.out, table.startupTable());
    EXPECT_TRUE(contains(listed.out, "+   1시간 2분 3초    [  64K]\n"));
}

TEST(ConsoleProgram, UnwritableDirectoryIsReportedBeforeTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps a process's working directory from being removed";
#endif
    test::ScratchDirectory scratch;
    // A working directory that has been removed: nothing can be created in
    // it, whatever the user's rights.
    std::filesystem::create_directory("gone");
    std::filesystem::current_path("gone");
    std::filesystem::remove(scratch.path() / "gone");

    test::FakeHost host;
    const ConsoleResult r = runWith({"16K"}, host, Language::english);
    EXPECT_EQ(r.exitCode, exitRunFailed);
    EXPECT_TRUE(contains(r.err, "cannot write files in the current directory")) << r.err;
    EXPECT_TRUE(host.log.empty());
}

TEST(ConsoleProgram, WholeRunWritesVerifiedDigitsAndImprovesTheRecord)
{
    test::ScratchDirectory scratch;
    RecordTable before;
    before.setBestSeconds(0, 999999);
    before.setBestSeconds(5, 42);
    saveRecords(before, 14);

    test::FakeHost host;
    host.tickStep = 250;
    const ConsoleResult r = runWith({"16K"}, host);
    ASSERT_EQ(r.exitCode, exitSuccess) << r.err << (host.errors.empty() ? "" : host.errors.front().text);
    EXPECT_TRUE(contains(r.out, "자릿수 검증 완료"));
    EXPECT_EQ(std::filesystem::file_size("pi_data.txt"), 18392u);
    EXPECT_EQ(scratch.fileNames(), (std::vector<std::string>{"pi_data.txt", "pi_rec.txt"}));

    RecordTable after;
    loadRecords(after);
    ASSERT_GT(after.bestSeconds(0), 0u);
    ASSERT_LT(after.bestSeconds(0), 60u);
    EXPECT_EQ(after.bestSeconds(5), 42u);
    ASSERT_FALSE(host.log.empty());
    EXPECT_EQ(host.log.front(), startLogLine(14));
    EXPECT_EQ(host.log.back(), outputTimeLogLine(after.bestSeconds(0) * 1000) + "\n");
    EXPECT_EQ(fileBytes("pi_rec.txt"), recordFileBytes(after, 14));
    EXPECT_TRUE(contains(r.out, after.afterRunTable(14)));
}

TEST(ConsoleProgram, StoppedRunExitsWithOneAndLeavesTheRecords)
{
    test::ScratchDirectory scratch;
    RecordTable before;
    before.setBestSeconds(0, 77);
    saveRecords(before, 14);
    const std::string recordsBefore = fileBytes("pi_rec.txt");

    test::FakeHost host;
    host.stopAtPump = 40;
    const ConsoleResult r = runWith({"16K"}, host, Language::english);
    EXPECT_EQ(r.exitCode, exitRunFailed);
    EXPECT_TRUE(contains(r.err, "stopped")) << r.err;
    EXPECT_EQ(fileBytes("pi_rec.txt"), recordsBefore);
    EXPECT_EQ(scratch.fileNames(), std::vector<std::string>{"pi_rec.txt"});
    EXPECT_TRUE(host.stopRequested()); // idle again
}

TEST(ConsoleProgram, AStopAfterTheLastTransferEndsAsAStopWithoutARecord)
{
    // The driver looks for a stop once more before it puts the digits in
    // place, and the console once more before it saves the record: a stop
    // seen at either look ends the run as a stop.
    test::ScratchDirectory scratch;
    RecordTable before;
    before.setBestSeconds(0, 77);
    saveRecords(before, 14);
    const std::string recordsBefore = fileBytes("pi_rec.txt");
    std::uint64_t pumps = 0;
    {
        test::FakeHost host;
        ASSERT_EQ(runWith({"16K"}, host).exitCode, exitSuccess);
        pumps = host.pumps;
        saveRecords(before, 14);
        std::filesystem::remove("pi_data.txt");
    }
    for (const std::uint64_t stopAt : {pumps - 1, pumps}) {
        SCOPED_TRACE(stopAt == pumps ? "before the record" : "before the digits are put in place");
        test::FakeHost host;
        host.stopAtPump = stopAt;
        const ConsoleResult r = runWith({"16K"}, host, Language::english);
        EXPECT_EQ(r.exitCode, exitRunFailed);
        EXPECT_TRUE(contains(r.err, "the run was stopped; no record is written")) << r.err;
        EXPECT_EQ(fileBytes("pi_rec.txt"), recordsBefore);
        EXPECT_EQ(std::filesystem::exists("pi_data.txt"), stopAt == pumps);
        EXPECT_TRUE(host.stopRequested());
    }
}

} // namespace
} // namespace calvorn
