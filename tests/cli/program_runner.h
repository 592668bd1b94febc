// Runs the built console program as a person would: in a folder of its own,
// with its output in files elsewhere, limits or closed descriptors set up in
// the child before the program starts, and signals sent while it runs.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace calvorn::test {

// The program under test: the one built beside the tests, or the one named
// by the environment variable CALVORN_PROGRAM.
std::string programPath();

// The same program built with the test fault point (injected_file_faults.cpp),
// or the one named by CALVORN_FAULT_PROBE.
std::string faultProbePath();

// A fresh folder for a run and a second one beside it for what must not be
// touched (victim files, captured output), and the user's data, settings and
// cache folders the program is given (XDG_DATA_HOME and the others), so that
// it never writes to the tester's own. Removed with their contents.
class ProgramFolders {
public:
    ProgramFolders();
    ~ProgramFolders();
    ProgramFolders(const ProgramFolders&) = delete;
    ProgramFolders& operator=(const ProgramFolders&) = delete;

    const std::filesystem::path& run() const { return run_; }
    const std::filesystem::path& elsewhere() const { return elsewhere_; }
    std::filesystem::path dataHome() const { return base_ / "data"; }
    std::filesystem::path cacheHome() const { return base_ / "cache"; }
    std::filesystem::path historyFile() const { return dataHome() / "calvorn" / "history.jsonl"; }
    // Names in the run folder, sorted (links, FIFOs and folders included).
    std::vector<std::string> names() const;

private:
    std::filesystem::path base_;
    std::filesystem::path run_;
    std::filesystem::path elsewhere_;
};

struct ProgramEnd {
    bool exited = false;   // ended by exit() rather than by a signal
    int exitCode = -1;
    int signal = 0;        // the signal that ended it, if any
    bool timedOut = false; // killed by the runner after the time allowed
    std::string out;       // standard output (unless redirected elsewhere)
    std::string err;       // standard error
};

class ProgramRun {
public:
    // `folders.run()` is the working directory; output goes to files in
    // `folders.elsewhere()`, and the user's data, configuration and cache
    // folders are the ones `folders` names. `prepare` runs in the child just before
    // the program starts (limits, descriptors, another user). `program`
    // replaces programPath().
    ProgramRun(const ProgramFolders& folders, std::vector<std::string> args,
               std::function<void()> prepare = {}, std::string program = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) const;
    // Waits for the program's end; a program still running after `limit` is killed.
    ProgramEnd wait(std::chrono::milliseconds limit = std::chrono::seconds(120));

private:
    const ProgramFolders& folders_;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
};

// Runs the program to its end.
ProgramEnd runProgram(const ProgramFolders& folders, std::vector<std::string> args,
                      std::function<void()> prepare = {},
                      std::chrono::milliseconds limit = std::chrono::seconds(120));

// Waits until `file` exists; false after `limit`.
bool waitForFile(const std::filesystem::path& file, std::chrono::milliseconds limit);

std::string fileBytes(const std::filesystem::path& file);
void writeFileBytes(const std::filesystem::path& file, const std::string& bytes);

} // namespace calvorn::test
