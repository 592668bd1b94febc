// Another program started by this one with a pipe at each end: its standard
// input written (and closed) here, its standard output read here without
// blocking, its standard error this process's own; its end waited for or
// forced. Also the path of this program, to start it again, and the other
// side: whether the program that started this one has closed its input.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace calvorn {

// How a child ended: by exiting with a status, or (POSIX) by a signal.
struct ChildEnd {
    bool signalled = false;
    std::uint32_t code = 0;     // the exit status, or the signal's number
    std::string signalName;     // "Killed", "Segmentation fault", ... for a signal
};

class ChildProcess {
public:
    // Starts `program` with `args` (without the program's own name) in
    // `folder`. Throws std::runtime_error with the system's reason.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& folder);
    // A child still running is killed and waited for.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Appends what the child wrote since the last call, without waiting.
    // False once its output has ended (closed by it, or it ended).
    bool readAvailable(std::string& into);
    // Closes the child's standard input: it reads the end of its input.
    void closeInput();
    // Ends the child at once.
    void kill();
    // Waits up to `limit` for the child's end; nothing while it still runs.
    std::optional<ChildEnd> wait(std::chrono::milliseconds limit);
    bool ended() const { return end_.has_value(); }

#ifdef _WIN32
    void* outputHandle() const { return output_; }
#else
    int outputDescriptor() const { return output_; }
#endif

private:
#ifdef _WIN32
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
#else
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
#endif
    std::optional<ChildEnd> end_;
};

// Waits up to `limit` until one of the children has output to read or its
// output has ended; returns at once when one has.
void waitForChildOutput(std::span<ChildProcess* const> children, std::chrono::milliseconds limit);

// This program, as a path that starts it again.
std::string thisProgramPath();

// In a child started as above: true once the standard input has reached its
// end (the parent closed it, or the parent is gone). Never waits; what is
// read from it is discarded.
bool standardInputEnded();

} // namespace calvorn
