// The stress test of the built program, run in scratch folders: every copy
// passing and nothing left behind, the fault hook caught and named by core
// and run (checked by the table, and by comparing the copies where the table
// cannot), a copy killed or frozen, a stop by TERM or Ctrl+C, the test itself
// killed outright, and the mistakes of its command line.
#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "cli/program_runner.h"

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

const std::string earlierRecords = "+ 000\xBD\xC3" "00\xBA\xD0" "07\xC3\xCA   [  16K]\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string describe(const ProgramEnd& end)
{
    return "exit " + std::to_string(end.exitCode) + (end.timedOut ? " (timed out)" : "") + "\nstdout:\n" + end.out +
           "\nstderr:\n" + end.err;
}

// The processes whose parent is `pid`.
std::vector<pid_t> childrenOf(pid_t pid)
{
    std::vector<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        pid_t child = 0;
        if (std::from_chars(name.data(), name.data() + name.size(), child).ec != std::errc{}) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // pid (name) state ppid ...: the name may hold spaces, so read after its ')'.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        pid_t parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == pid)
            children.push_back(child);
    }
    return children;
}

// Waits until `pid` has `count` children; what it has then.
std::vector<pid_t> waitForChildren(pid_t pid, std::size_t count)
{
    std::vector<pid_t> children;
    for (int i = 0; i < 1000 && (children = childrenOf(pid)).size() < count; ++i) std::this_thread::sleep_for(5ms);
    return children;
}

bool gone(pid_t pid) { return !fs::exists("/proc/" + std::to_string(pid)); }

// Waits until standard output (in the folders' elsewhere) holds `part` `times` times.
bool waitForOutput(const ProgramFolders& folders, const std::string& part, int times, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string out = fileBytes(folders.elsewhere() / "stdout.txt");
        int found = 0;
        for (auto at = out.find(part); at != std::string::npos; at = out.find(part, at + 1)) ++found;
        if (found >= times) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

std::function<void()> withEnvironment(std::string name, std::string value)
{
    return [name, value] { setenv(name.c_str(), value.c_str(), 1); };
}

TEST(ProgramStress, EveryCopyPassesAndNothingIsLeftBehind)
{
    ProgramFolders folders;
    writeFileBytes(folders.run() / "pi_rec.txt", earlierRecords);
    const ProgramEnd end = runProgram(folders, {"16K", "--stress", "--cores", "2", "--for", "1s", "--json"}, {}, 60s);
    ASSERT_EQ(end.exitCode, 0) << describe(end);
    const nlohmann::json report = nlohmann::json::parse(end.out);
    EXPECT_EQ(report.at("mode"), "stress");
    EXPECT_EQ(report.at("verdict"), "passed");
    EXPECT_EQ(report.at("ending"), "time-limit");
    EXPECT_EQ(report.at("durationMs"), 1000);
    EXPECT_GE(report.at("elapsedMs").get<int>(), 1000);
    ASSERT_EQ(report.at("cores").size(), 2u);
    for (const nlohmann::json& core : report.at("cores")) {
        EXPECT_EQ(core.at("verdict"), "passed") << core;
        EXPECT_GT(core.at("runs").get<int>(), 0) << core;
        EXPECT_LE(core.at("bestMs").get<int>(), core.at("medianMs").get<int>());
        EXPECT_TRUE(core.at("failure").is_null());
        EXPECT_EQ(core.at("workArea").at("full"), true);
        EXPECT_EQ(core.at("fingerprintChecked"), true);
        EXPECT_EQ(core.at("pinned"), true) << core; // sched_setaffinity to a processor of our own set
    }
    EXPECT_TRUE(contains(end.err, "work area of each copy: 131112 bytes, the full one")) << end.err;
    EXPECT_TRUE(contains(end.err, "\nverdict of the machine: passed\n")) << end.err;
    // No records, no digits, no folder of the copies.
    EXPECT_EQ(folders.names(), Names{"pi_rec.txt"});
    EXPECT_EQ(fileBytes(folders.run() / "pi_rec.txt"), earlierRecords);
}

TEST(ProgramStress, TheFaultHookIsCaughtAndNamedByCoreAndRun)
{
    // The full work area: the table catches it. A smaller one (three copies
    // within 128 KiB): the other copies' fingerprints do.
    for (const bool full : {true, false}) {
        SCOPED_TRACE(full ? "full work area" : "smaller work area");
        ProgramFolders folders;
        std::vector<std::string> args{"16K", "--stress", "--cores", "3", "--for", "30s", "--json"};
        if (!full) args.insert(args.end(), {"--memory", "128K"});
        const auto start = std::chrono::steady_clock::now();
        const ProgramEnd end = runProgram(folders, args, withEnvironment("CALVORN_TEST_FAULT_RUN", "3"), 60s);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << "the first failure ends the test";
        ASSERT_EQ(end.exitCode, 1) << describe(end);
        const nlohmann::json report = nlohmann::json::parse(end.out);
        EXPECT_EQ(report.at("verdict"), "failed");
        EXPECT_EQ(report.at("ending"), "failure");
        const nlohmann::json& faulty = report.at("cores").at(0);
        EXPECT_EQ(faulty.at("verdict"), "fingerprint-differs") << faulty;
        EXPECT_EQ(faulty.at("failure").at("run"), 3);
        EXPECT_EQ(faulty.at("failure").at("kind"), full ? "fingerprint-table" : "fingerprint-copies");
        EXPECT_EQ(faulty.at("failure").at("certain"), true);
        EXPECT_EQ(faulty.at("runs"), 2);
        for (std::size_t i = 1; i < 3; ++i) EXPECT_TRUE(report.at("cores").at(i).at("failure").is_null());
        const std::string named = "core " + faulty.at("name").get<std::string>() +
                                  ", run 3: the digits are right but the work fingerprint ";
        EXPECT_TRUE(contains(end.err, named)) << end.err;
        EXPECT_TRUE(contains(end.err, full ? "the one every correct machine computes" : "copies computed in"))
            << end.err;
        EXPECT_TRUE(contains(end.err, "verdict of the machine: FAILED")) << end.err;
        EXPECT_TRUE(folders.names().empty());
    }
}

TEST(ProgramStress, ACopyThatDiesOrFreezesFailsItsCore)
{
    struct Case {
        int signal;
        const char* named;
    };
    for (const Case& c : {Case{SIGKILL, "the copy ended without its result (signal 9, Killed)"},
                          Case{SIGSTOP, "no sign of life for 2 s: the copy hangs and was ended"}}) {
        SCOPED_TRACE(c.named);
        ProgramFolders folders;
        // A frozen copy counts as hung after two seconds here, not two minutes.
        ProgramRun run(folders, {"256K", "--stress", "--cores", "2", "--for", "60s"},
                       c.signal == SIGSTOP ? withEnvironment("CALVORN_TEST_HANG_LIMIT", "2s") : std::function<void()>{});
        const std::vector<pid_t> copies = waitForChildren(run.pid(), 2);
        ASSERT_EQ(copies.size(), 2u);
        std::this_thread::sleep_for(300ms);
        kill(copies[1], c.signal);
        const ProgramEnd end = run.wait(30s);
        EXPECT_EQ(end.exitCode, 1) << describe(end);
        EXPECT_TRUE(contains(end.out, c.named)) << end.out;
        EXPECT_TRUE(contains(end.out, "verdict of the machine: FAILED")) << end.out;
        EXPECT_TRUE(gone(copies[0]) && gone(copies[1]));
        EXPECT_TRUE(folders.names().empty());
    }
}

TEST(ProgramStress, AStopEndsEveryCopyWithTheSummarySoFar)
{
    // TERM before the duration: stopped, exit 1. Ctrl+C (the whole process
    // group) without a duration: that is how such a test ends, exit 0.
    for (const bool duration : {true, false}) {
        SCOPED_TRACE(duration ? "TERM before the duration" : "Ctrl+C until stopped");
        ProgramFolders folders;
        std::vector<std::string> args{"64K", "--stress", "--cores", "2"};
        if (duration) args.insert(args.end(), {"--for", "60s"});
        ProgramRun run(folders, args, [] { setpgid(0, 0); });
        ASSERT_TRUE(waitForOutput(folders, "runs passed      1 ", 2, 30s));
        const std::vector<pid_t> copies = childrenOf(run.pid());
        if (duration) kill(run.pid(), SIGTERM);
        else kill(-run.pid(), SIGINT);
        const ProgramEnd end = run.wait(30s);
        EXPECT_EQ(end.exitCode, duration ? 1 : 0) << describe(end);
        EXPECT_TRUE(contains(end.out, duration ? "verdict of the machine: stopped" : "verdict of the machine: passed"))
            << end.out;
        for (const pid_t copy : copies) EXPECT_TRUE(gone(copy));
        EXPECT_TRUE(folders.names().empty());
    }
}

TEST(ProgramStress, ATestKilledOutrightLeavesItsCopiesToCleanUp)
{
    ProgramFolders folders;
    ProgramRun run(folders, {"256K", "--stress", "--cores", "2"});
    const std::vector<pid_t> copies = waitForChildren(run.pid(), 2);
    ASSERT_EQ(copies.size(), 2u);
    ASSERT_TRUE(waitForFile(folders.run() / "calvorn.lock", 10s));
    std::this_thread::sleep_for(300ms);
    run.signal(SIGKILL);
    run.wait(10s);
    // The copies see their input end, stop their runs and remove their folders.
    for (int i = 0; i < 500 && !(gone(copies[0]) && gone(copies[1])); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(gone(copies[0]) && gone(copies[1]));
    // As after any killed run, the lock file stays (its lock went with the process).
    EXPECT_EQ(folders.names(), Names{"calvorn.lock"});
}

TEST(ProgramStress, MistakesAreToldBeforeAnyCopyStarts)
{
    ProgramFolders folders;
    const ProgramEnd alone = runProgram(folders, {"--cores", "2"});
    EXPECT_EQ(alone.exitCode, 2) << describe(alone);
    EXPECT_TRUE(contains(alone.err, "--cores belongs to --stress")) << alone.err;
    const ProgramEnd zero = runProgram(folders, {"--stress", "--for", "0s"});
    EXPECT_EQ(zero.exitCode, 2) << describe(zero);
    const ProgramEnd memory = runProgram(folders, {"16K", "--stress", "--cores", "2", "--memory", "16K"});
    EXPECT_EQ(memory.exitCode, 1) << describe(memory);
    EXPECT_TRUE(contains(memory.err, "not enough memory for 2 copies: each would get 8192 bytes, and the smallest "
                                     "work area of 16K takes 16424"))
        << memory.err;
    EXPECT_TRUE(folders.names().empty());
}

} // namespace
} // namespace calvorn::test
