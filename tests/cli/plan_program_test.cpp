// The transforms' plan as the built program keeps it: measured in a run and
// kept in the user's cache folder (never in the run folder), taken up by the
// next run without trials, measured anew with --replan, and a cache that
// cannot be read left as it is while the run takes the static plan. Every
// way gives the same work fingerprint.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/program_runner.h"

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// Long enough for the planner to finish its search at its longest lengths.
const std::string size = "256K";
const std::string fingerprint256K = "\"fingerprint\":\"12d88de6e731c99d\"";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::size_t count(const std::string& text, const std::string& part)
{
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

fs::path cacheFile(const ProgramFolders& folders)
{
    return folders.cacheHome() / "calvorn" / "transform-plans";
}

ProgramEnd runJson(const ProgramFolders& folders, std::vector<std::string> extra = {})
{
    std::vector<std::string> args{size, "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runProgram(folders, args);
}

std::size_t measuring(const std::string& json)
{
    return count(json, "\"source\":\"measured\"") + count(json, "\"source\":\"trying\"");
}

TEST(ProgramPlans, AMeasuredPlanIsKeptForTheUserAndTakenUpByLaterRuns)
{
    ProgramFolders folders;
    const ProgramEnd first = runJson(folders);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_TRUE(contains(first.out, fingerprint256K)) << first.out;
    EXPECT_GT(measuring(first.out), 0u) << first.out;
    // Kept beside the user's other caches; the run folder holds what it always held.
    ASSERT_TRUE(fs::is_regular_file(cacheFile(folders)));
    EXPECT_TRUE(fileBytes(cacheFile(folders)).starts_with("calvorn ")) << fileBytes(cacheFile(folders));
    EXPECT_EQ(folders.names(), (Names{"pi_data.txt", "pi_rec.txt"}));

    // A run takes a few steps of each search, as many as its trial budget
    // pays for, and leaves the rest to the next ones; then the plan is whole
    // and runs untimed, with the same work.
    ProgramEnd later = first;
    for (int run = 0; run < 14 && measuring(later.out) > 0; ++run) {
        later = runJson(folders);
        ASSERT_EQ(later.exitCode, 0) << later.err;
        EXPECT_TRUE(contains(later.out, fingerprint256K)) << later.out;
    }
    EXPECT_EQ(measuring(later.out), 0u) << later.out;
    EXPECT_GT(count(later.out, "\"source\":\"cached\""), 0u) << later.out;
    EXPECT_TRUE(contains(later.out, "\"planTrialMs\":0")) << later.out;

    // --replan measures the same lengths again and writes them back.
    const ProgramEnd again = runJson(folders, {"--replan", "--verbose"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(contains(again.out, fingerprint256K)) << again.out;
    EXPECT_EQ(count(again.out, "\"source\":\"cached\""), 0u) << again.out;
    EXPECT_GT(measuring(again.out), 0u) << again.out;
    // --verbose: the plan and every candidate's time, on standard error beside the JSON.
    EXPECT_TRUE(contains(again.err, "transform plan 2^17 times: ")) << again.err;
    EXPECT_TRUE(contains(again.err, " ms\n")) << again.err;
    EXPECT_TRUE(fs::is_regular_file(cacheFile(folders)));
    EXPECT_FALSE(fs::exists(cacheFile(folders).string() + ".new"));
}

TEST(ProgramPlans, ACacheThatCannotBeReadIsLeftAloneAndTheStaticPlanRuns)
{
    ProgramFolders folders;
    ASSERT_EQ(runJson(folders).exitCode, 0);
    const std::string good = fileBytes(cacheFile(folders));
    const std::string heading = good.substr(0, good.find('\n') + 1);
    for (const std::string& damage : {heading + "not a plan\n", heading + good.substr(heading.size(), 20),
                                      std::string("\x01\x02 binary junk without a line end")}) {
        writeFileBytes(cacheFile(folders), damage);
        const ProgramEnd end = runJson(folders);
        ASSERT_EQ(end.exitCode, 0) << end.err;
        EXPECT_TRUE(contains(end.err, "the transforms run the static plan (--replan measures them anew)")) << end.err;
        EXPECT_TRUE(contains(end.out, fingerprint256K)) << end.out;
        EXPECT_EQ(measuring(end.out) + count(end.out, "\"source\":\"cached\""), 0u) << end.out;
        EXPECT_EQ(fileBytes(cacheFile(folders)), damage);
    }
    // --replan measures anew and writes a good one over it.
    const ProgramEnd replanned = runJson(folders, {"--replan"});
    ASSERT_EQ(replanned.exitCode, 0) << replanned.err;
    EXPECT_GT(measuring(replanned.out), 0u) << replanned.out;
    EXPECT_TRUE(fileBytes(cacheFile(folders)).starts_with(heading)) << fileBytes(cacheFile(folders));
}

TEST(ProgramPlans, APlanThatCannotBeKeptCostsAWarningNotTheRun)
{
    ProgramFolders folders;
    // A folder where the plan's side file would be written.
    fs::create_directories(cacheFile(folders).string() + ".new");
    const ProgramEnd end = runJson(folders);
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_TRUE(contains(end.err, "the transforms' plan was not kept: ")) << end.err;
    EXPECT_TRUE(contains(end.out, fingerprint256K)) << end.out;
    EXPECT_FALSE(fs::exists(cacheFile(folders)));
    EXPECT_TRUE(fs::is_directory(cacheFile(folders).string() + ".new"));
}

} // namespace
} // namespace calvorn::test
