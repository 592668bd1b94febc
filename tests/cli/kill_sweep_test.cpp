// The built program killed with SIGKILL at many moments of real runs, in a
// folder that holds an earlier run's records and digits: at random moments
// (seeded, printed) spread over a measured run, and, through the test build's
// fault point, just before chosen file operations, so that the digit output,
// the renames and the records update are surely hit. After each kill the
// folder must hold the old records or the old ones with exactly this run's
// record, the old digits or the correct ones, nothing but the program's own
// leftovers, and the next run must succeed, name what it removed and leave
// nothing behind. Cases named Long belong to the long sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <thread>

#include "cli/sweep_folder.h"
#include "cli/sweep_runs.h"

namespace calvorn::test {
namespace {

std::string describeLeftovers(const std::vector<std::string>& leftovers)
{
    std::string text;
    for (const std::string& name : leftovers) text += (text.empty() ? "" : ",") + name;
    return text.empty() ? "nothing" : text;
}

// Kills at `moments` random times of a run of 2^p digits, each followed by a run to completion.
void killAtRandomMoments(std::int32_t p, int moments)
{
    SweepFolder folder(p);
    const std::uint64_t seed = sweepSeed();
    std::mt19937_64 random(seed);

    // The length of an undisturbed run, from the fork to its end: the
    // shortest of up to three (as many as fit in half a second) and, as the
    // sweep goes on, of the runs that follow the kills, since a run that the
    // shared machine held up would put most moments after the end.
    double runSeconds = 0, measured = 0;
    for (int i = 0; i < 3 && measured < 0.5; ++i) {
        const auto begun = std::chrono::steady_clock::now();
        const ProgramEnd undisturbed = runProgram(folder.folders(), {folder.sizeArgument()});
        const double seconds = secondsSince(begun);
        ASSERT_TRUE(judgeSuccess(folder, undisturbed, seconds).empty()) << undisturbed.err;
        folder.reset();
        runSeconds = i == 0 ? seconds : std::min(runSeconds, seconds);
        measured += seconds;
    }
    auto start = std::chrono::steady_clock::now();

    ProblemTally tally;
    int killed = 0, completed = 0, leftFiles = 0;
    std::array<int, 5> phases{};
    for (int i = 0; i < moments; ++i) {
        const double delay = std::uniform_real_distribution<double>(0.0, runSeconds * 1.1)(random);
        start = std::chrono::steady_clock::now();
        ProgramRun run(folder.folders(), {folder.sizeArgument()});
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        run.signal(SIGKILL);
        const ProgramEnd end = run.wait();
        const double seconds = secondsSince(start);
        const SweepFolder::State state = folder.state(seconds);
        const std::string where = folder.sizeArgument() + " kill after " + std::to_string(static_cast<int>(delay * 1000)) +
                                  " ms (seed " + std::to_string(seed) + ", moment " + std::to_string(i) + ", left " +
                                  describeLeftovers(state.leftovers) + ")";
        Problems problems = end.signal == SIGKILL ? folder.judgeState(state) : judgeSuccess(folder, end, seconds);
        (end.signal == SIGKILL ? killed : completed) += 1;
        leftFiles += state.leftovers.empty() ? 0 : 1;
        ++phases[static_cast<std::size_t>(state.phase())];
        double followUpSeconds = 0;
        const Problems next = folder.followUpRun(state.leftovers, &followUpSeconds);
        if (next.empty()) runSeconds = std::min(runSeconds, followUpSeconds);
        problems.insert(problems.end(), next.begin(), next.end());
        tally.add(where, problems);
    }
    std::cout << folder.sizeArgument() << ": " << moments << " moments over runs of " << runSeconds * 1000 << " ms (seed "
              << seed << "): " << killed << " killed (" << leftFiles << " left files), " << completed
              << " ended first; problems: " << tally.total() << "\n  " << describePhases(phases) << "\n"
              << tally.report();
    EXPECT_EQ(tally.total(), 0u) << tally.report();
}

// Kills just before the chosen file operations of a run of 2^p digits.
void killAtFileOperations(std::int32_t p, std::size_t blockStep)
{
    SweepFolder folder(p);
    const TracedRun traced = traceRun(folder);
    ASSERT_TRUE(traced.problems.empty()) << traced.problems.front();
    ProblemTally tally;
    const std::vector<TracedCall> calls = chosenCalls(traced.calls, blockStep);
    std::array<int, 5> phases{};
    for (const TracedCall& call : calls) {
        double seconds = 0;
        const ProgramEnd end = runWithFault(folder, std::to_string(call.number) + ":kill", seconds);
        const SweepFolder::State state = folder.state(seconds);
        const std::string where = folder.sizeArgument() + " kill before call " + std::to_string(call.number) + " (" +
                                  call.operation + " " + call.name + ", left " + describeLeftovers(state.leftovers) + ")";
        Problems problems = folder.judgeState(state);
        if (end.signal != SIGKILL) problems.push_back("the run was not killed: exit " + std::to_string(end.exitCode));
        ++phases[static_cast<std::size_t>(state.phase())];
        const Problems next = folder.followUpRun(state.leftovers);
        problems.insert(problems.end(), next.begin(), next.end());
        tally.add(where, problems);
    }
    std::cout << folder.sizeArgument() << ": killed before " << calls.size() << " of " << traced.calls.size()
              << " file operations; problems: " << tally.total() << "\n  " << describePhases(phases) << "\n"
              << tally.report();
    EXPECT_EQ(tally.total(), 0u) << tally.report();
}

TEST(KillSweep, RandomMoments)
{
    killAtRandomMoments(14, 6);
    killAtRandomMoments(16, 3);
    killAtRandomMoments(18, 2);
    killAtRandomMoments(20, 1);
}

// Every operation on the records, the digits, their side files and the lock,
// every work file's creation, close and removal, and a few block transfers.
TEST(KillSweep, BeforeFileOperations) { killAtFileOperations(14, 2000); }

TEST(KillSweep, RandomMomentsLong16K) { killAtRandomMoments(14, 50); }
TEST(KillSweep, RandomMomentsLong64K) { killAtRandomMoments(16, 50); }
TEST(KillSweep, RandomMomentsLong256K) { killAtRandomMoments(18, 50); }
TEST(KillSweep, RandomMomentsLong1M) { killAtRandomMoments(20, 50); }
TEST(KillSweep, RandomMomentsLong4M) { killAtRandomMoments(22, 50); }

TEST(KillSweep, BeforeFileOperationsLong)
{
    killAtFileOperations(14, 100);
    killAtFileOperations(16, 200);
    killAtFileOperations(18, 400);
    killAtFileOperations(20, 1000);
}

} // namespace
} // namespace calvorn::test
