// The test build of the program, made to meet a failing disk: the Nth call
// of its file operations (create, open, read, write, sync, rename, close,
// remove, lock) fails with EIO or ENOSPC, is interrupted (EINTR) or moves
// fewer bytes than asked, for N over the calls of a whole run. A failure must
// end the run with a message that names the file and the reason, exit 1,
// leave the user's records and digits whole and nothing behind; an
// interruption or a short transfer must be taken up and the run succeed. The
// table of outcomes is printed. Cases named Long belong to the long sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli/sweep_folder.h"
#include "cli/sweep_runs.h"

namespace calvorn::test {
namespace fs = std::filesystem;
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The name a message about the call's file must hold: the final name of a
// side file is in every message about it.
std::string nameInMessages(const TracedCall& call)
{
    std::string name = call.name;
    if (name.ends_with(".new")) name.erase(name.size() - 4);
    return name;
}

// Whether the file of call `index` was last opened for reading only: a
// failed close of such a file loses nothing.
bool onlyRead(const std::vector<TracedCall>& calls, std::size_t index)
{
    for (std::size_t i = index; i-- > 0;)
        if (calls[i].name == calls[index].name && (calls[i].operation == "open" || calls[i].operation == "create"))
            return calls[i].operation == "open";
    return false;
}

// The user's own files beside the run (the transforms' plan kept between
// runs, the history of runs) have whole paths; the run's files are named
// within its folder.
bool onUserFile(const TracedCall& call) { return call.name.starts_with('/'); }

bool writesSomething(const std::string& operation)
{
    return operation == "create" || operation == "write" || operation == "sync" || operation == "syncFolder" ||
           operation == "rename" || operation == "close";
}

struct Outcomes {
    std::size_t swept = 0;
    std::size_t clearErrors = 0;
    std::size_t harmless = 0;        // a failed close of a file only read: the run goes on
    std::size_t warned = 0;          // the user's cached plan or history not written: a warning, the run stands
    std::size_t retried = 0;         // interrupted or shortened, taken up, the run succeeded
    std::size_t lostData = 0;        // runs after which the records or the digits were damaged
    std::size_t falseSuccesses = 0;  // runs that said they succeeded and had not
    ProblemTally problems;           // every problem, these two included
};

// Whether the problems of one run include damage to the user's files.
bool anyLost(const Problems& problems)
{
    for (const std::string& problem : problems)
        if (problem.starts_with("records neither") || problem.starts_with("digits neither") ||
            problem.starts_with("a record without"))
            return true;
    return false;
}

void printTable(const std::string& title, const std::map<std::string, Outcomes>& table)
{
    char line[200];
    std::snprintf(line, sizeof line, "  %-12s %11s %12s %9s %7s %8s %10s %14s %9s\n", "fault", "calls swept",
                  "clear error", "harmless", "warned", "retried", "lost data", "false success", "problems");
    std::cout << title << "\n" << line;
    for (const auto& [kind, o] : table) {
        std::snprintf(line, sizeof line, "  %-12s %11zu %12zu %9zu %7zu %8zu %10zu %14zu %9zu\n", kind.c_str(),
                      o.swept, o.clearErrors, o.harmless, o.warned, o.retried, o.lostData, o.falseSuccesses,
                      o.problems.total());
        std::cout << line;
    }
    for (const auto& [kind, o] : table)
        if (o.problems.total() != 0) std::cout << kind << ":\n" << o.problems.report();
}

// One failure at call `index`: judged as a run that must fail cleanly.
void failAt(const SweepFolder& folder, const std::vector<TracedCall>& calls, std::size_t index, const char* kind,
            int error, bool followUp, Outcomes& outcomes)
{
    const TracedCall& call = calls[index];
    double seconds = 0;
    const ProgramEnd end = runWithFault(folder, std::to_string(call.number) + ":" + kind, seconds);
    const std::string where = folder.sizeArgument() + " " + kind + " at call " + std::to_string(call.number) + " (" +
                              call.operation + " " + call.name + ")";
    ++outcomes.swept;
    Problems problems;
    const SweepFolder::State state = folder.state(seconds);
    if (end.exited && end.exitCode == 1) {
        if (contains(end.err, nameInMessages(call)) && contains(end.err, std::strerror(error)))
            ++outcomes.clearErrors;
        else
            problems.push_back("a failure without a message naming the file and the reason: " + end.err);
        const Problems judged = folder.judgeState(state);
        problems.insert(problems.end(), judged.begin(), judged.end());
        // A lock file that could not be removed stays; the next run takes it over.
        const bool lockKept = call.operation == "remove" && call.name == "calvorn.lock";
        for (const std::string& name : state.leftovers)
            if (!(lockKept && name == "calvorn.lock")) problems.push_back("a failed run left a file behind: " + name);
    } else if (end.exited && end.exitCode == 0 && call.operation == "close" && onlyRead(calls, index)) {
        ++outcomes.harmless;
        const Problems judged = judgeSuccess(folder, end, seconds);
        problems.insert(problems.end(), judged.begin(), judged.end());
    } else if (end.exited && end.exitCode == 0 && onUserFile(call)) {
        // The digits and the record stand; the warning names the file and the reason.
        const std::string said = end.out + end.err;
        if (contains(said, nameInMessages(call)) && contains(said, std::strerror(error)))
            ++outcomes.warned;
        else
            problems.push_back("a failure at the user's file without a warning naming it and the reason: " + said);
        const Problems judged = judgeSuccess(folder, end, seconds);
        problems.insert(problems.end(), judged.begin(), judged.end());
    } else if (end.exited && end.exitCode == 0) {
        ++outcomes.falseSuccesses;
        problems.push_back("a false success: the failure went unreported");
    } else {
        problems.push_back("the run did not end by itself: signal " + std::to_string(end.signal));
    }
    if (followUp || !state.pristine()) {
        const Problems next = folder.followUpRun(state.leftovers);
        problems.insert(problems.end(), next.begin(), next.end());
    }
    if (anyLost(folder.judgeState(state))) ++outcomes.lostData;
    folder.reset();
    outcomes.problems.add(where, problems);
}

// An interruption or a short transfer (`order` "N:EINTR", "every:short", ...):
// the run must succeed as if nothing had happened.
void retryAt(const SweepFolder& folder, const std::string& order, const std::string& what, Outcomes& outcomes)
{
    double seconds = 0;
    const ProgramEnd end = runWithFault(folder, order, seconds);
    ++outcomes.swept;
    const Problems problems = judgeSuccess(folder, end, seconds);
    if (problems.empty()) ++outcomes.retried;
    const SweepFolder::State state = folder.state(seconds);
    if (anyLost(folder.judgeState(state))) ++outcomes.lostData;
    // Said to have succeeded, without exactly the right digits and record.
    if (end.exited && end.exitCode == 0 && (!state.digitsNew || !state.recordsNew)) ++outcomes.falseSuccesses;
    folder.reset();
    outcomes.problems.add(folder.sizeArgument() + " " + order + " (" + what + ")", problems);
}

// Which calls a sweep visits: every step-th block transfer and every step-th
// other call (1: all of them, 0: none), for the failures and, apart, for
// the interruptions and short transfers; a clean failure is followed by a
// run of its own every followUpStep-th time (always when it changed the folder).
struct SweepPlan {
    std::size_t failBlockStep = 1;
    std::size_t failOtherStep = 1;
    std::size_t retryBlockStep = 1;
    std::size_t retryOtherStep = 1;
    std::size_t followUpStep = 16;
};

bool visited(std::size_t& count, std::size_t step)
{
    const bool chosen = step != 0 && count % step == step / 2;
    ++count;
    return chosen;
}

// The sweep of a run of 2^p digits: EIO at the chosen calls, ENOSPC at those
// that write, EINTR and a short transfer at the chosen calls (each alone),
// and every call of one run interrupted, and of another shortened.
void sweep(std::int32_t p, const SweepPlan& plan)
{
    SweepFolder folder(p);
    const TracedRun traced = traceRun(folder);
    ASSERT_TRUE(traced.problems.empty()) << traced.problems.front();
    const std::vector<TracedCall>& calls = traced.calls;
    std::size_t blockCalls = 0;
    for (const TracedCall& call : calls) blockCalls += call.isBlockTransfer() ? 1 : 0;
    std::cout << folder.sizeArgument() << ": " << calls.size() << " file operations, " << blockCalls
              << " of them block transfers\n";

    std::map<std::string, Outcomes> table;
    std::size_t failBlocks = 0, failOthers = 0, retryBlocks = 0, retryOthers = 0, failures = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const TracedCall& call = calls[i];
        const bool block = call.isBlockTransfer();
        const bool chosen = block ? visited(failBlocks, plan.failBlockStep) : visited(failOthers, plan.failOtherStep);
        const bool retryChosen =
            block ? visited(retryBlocks, plan.retryBlockStep) : visited(retryOthers, plan.retryOtherStep);
        if (chosen) {
            const bool followUp = failures++ % plan.followUpStep == 0;
            failAt(folder, calls, i, "EIO", EIO, followUp, table["EIO"]);
            if (writesSomething(call.operation)) failAt(folder, calls, i, "ENOSPC", ENOSPC, followUp, table["ENOSPC"]);
        }
        if (retryChosen) {
            const std::string what = call.operation + " " + call.name;
            retryAt(folder, std::to_string(call.number) + ":EINTR", what, table["EINTR"]);
            if (call.operation == "read" || call.operation == "write")
                retryAt(folder, std::to_string(call.number) + ":short", what, table["short"]);
        }
    }
    retryAt(folder, "every:EINTR", "every operation interrupted once", table["every EINTR"]);
    retryAt(folder, "every:short", "every transfer shortened", table["every short"]);
    printTable(folder.sizeArgument() + " fault injection", table);
    for (const auto& [kind, o] : table) {
        EXPECT_EQ(o.lostData, 0u) << kind;
        EXPECT_EQ(o.falseSuccesses, 0u) << kind;
        EXPECT_EQ(o.problems.total(), 0u) << kind << ":\n" << o.problems.report();
    }
}

// Failures at every call but the block transfers and at a spread of those;
// interruptions and short transfers at a spread of both.
TEST(FileFaultSweep, SixteenK) { sweep(14, {.failBlockStep = 500, .retryBlockStep = 2000, .retryOtherStep = 4, .followUpStep = 8}); }
TEST(FileFaultSweep, TwoHundredFiftySixK)
{
    sweep(18, {.failBlockStep = 2000, .failOtherStep = 5, .retryBlockStep = 0, .retryOtherStep = 0, .followUpStep = 8});
}

// Every call of the 16K run, each kind alone (about twenty minutes). At 256K
// every call would take most of an hour, and its 9280 block transfers all
// pass the same two transfer routines: every call but the block transfers
// and every third of those fail, every 25th is interrupted or shortened
// alone (and all of them in the runs where all are), about a quarter of an
// hour.
TEST(FileFaultSweep, EveryCallLong16K) { sweep(14, {}); }
TEST(FileFaultSweep, Long256K) { sweep(18, {.failBlockStep = 3, .retryBlockStep = 25}); }

// Durability as careful writers do it: the data of a side file reaches the
// disk before it is renamed over the old file, and the folder right after,
// so that a power cut cannot lose the rename.
TEST(FileDurability, ASideFileIsOnTheDiskBeforeItsRenameAndTheFolderAfterIt)
{
    SweepFolder folder(14);
    const TracedRun traced = traceRun(folder);
    ASSERT_TRUE(traced.problems.empty()) << traced.problems.front();
    const std::vector<TracedCall>& calls = traced.calls;
    std::vector<std::string> renamed;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].operation != "rename") continue;
        renamed.push_back(fs::path(calls[i].name).filename().string());
        const std::string side = calls[i].name + ".new";
        SCOPED_TRACE(calls[i].name);
        std::size_t lastWrite = 0, lastSync = 0;
        for (std::size_t j = 0; j < i; ++j) {
            if (calls[j].name != side) continue;
            if (calls[j].operation == "write") lastWrite = j;
            if (calls[j].operation == "sync") lastSync = j;
        }
        EXPECT_GT(lastWrite, 0u) << "nothing written to " << side;
        EXPECT_GT(lastSync, lastWrite) << side << " renamed without being put on the disk";
        ASSERT_LT(i + 1, calls.size());
        EXPECT_EQ(calls[i + 1].operation, "syncFolder") << "the folder is not put on the disk after the rename";
        EXPECT_EQ(calls[i + 1].name, calls[i].name);
    }
    // The digits and the records in the run's folder; the user's cached
    // transforms' plan, when one is kept, the same way.
    EXPECT_EQ(std::count(renamed.begin(), renamed.end(), "pi_data.txt"), 1);
    EXPECT_EQ(std::count(renamed.begin(), renamed.end(), "pi_rec.txt"), 1);
}

} // namespace
} // namespace calvorn::test
