#include "platform/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/owned_files.h"

namespace calvorn {
namespace {

void closeDescriptor(int& fd)
{
    if (fd >= 0) close(fd);
    fd = -1;
}

ChildEnd endOf(int status)
{
    ChildEnd end;
    if (WIFSIGNALED(status)) {
        end.signalled = true;
        end.code = static_cast<std::uint32_t>(WTERMSIG(status));
        const char* name = strsignal(WTERMSIG(status));
        end.signalName = name != nullptr ? name : "unknown signal";
    } else {
        end.code = static_cast<std::uint32_t>(WEXITSTATUS(status));
    }
    return end;
}

// In the child between fork and exec: only async-signal-safe calls. A failure
// is written to `report` as the errno value and ends the child.
[[noreturn]] void becomeChild(const char* program, char* const* argv, const char* folder, int input, int output,
                              int report)
{
    int error = 0;
    if (chdir(folder) != 0 || dup2(input, 0) < 0 || dup2(output, 1) < 0) {
        error = errno;
    } else {
        // The program starts as a shell would start it, whatever this one blocks or ignores.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) signal(s, SIG_DFL);
        execv(program, argv);
        error = errno;
    }
    [[maybe_unused]] const ssize_t written = write(report, &error, sizeof error);
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& folder)
{
    int inputPipe[2];
    int outputPipe[2];
    int reportPipe[2];
    if (pipe2(inputPipe, O_CLOEXEC) != 0) throw std::runtime_error(systemErrorText(errno));
    if (pipe2(outputPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        close(inputPipe[0]);
        close(inputPipe[1]);
        throw std::runtime_error(systemErrorText(error));
    }
    if (pipe2(reportPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        for (const int fd : {inputPipe[0], inputPipe[1], outputPipe[0], outputPipe[1]}) close(fd);
        throw std::runtime_error(systemErrorText(error));
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string where = folder.string();

    pid_ = fork();
    if (pid_ == 0) becomeChild(program.c_str(), argv.data(), where.c_str(), inputPipe[0], outputPipe[1], reportPipe[1]);
    const int forkError = errno;
    close(inputPipe[0]);
    close(outputPipe[1]);
    close(reportPipe[1]);
    input_ = inputPipe[1];
    output_ = outputPipe[0];
    if (pid_ < 0) {
        close(reportPipe[0]);
        closeDescriptor(input_);
        closeDescriptor(output_);
        throw std::runtime_error(systemErrorText(forkError));
    }
    // The report pipe closes at the exec: nothing read means the program runs.
    int childError = 0;
    ssize_t got = 0;
    do got = read(reportPipe[0], &childError, sizeof childError);
    while (got < 0 && errno == EINTR);
    close(reportPipe[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        waitpid(pid_, nullptr, 0);
        end_ = ChildEnd{};
        closeDescriptor(input_);
        closeDescriptor(output_);
        throw std::runtime_error(program + ": " + systemErrorText(childError));
    }
    fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
}

ChildProcess::~ChildProcess()
{
    closeDescriptor(input_);
    if (!end_) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    closeDescriptor(output_);
}

bool ChildProcess::readAvailable(std::string& into)
{
    if (output_ < 0) return false;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(output_, chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        closeDescriptor(output_);
        return false;
    }
}

void ChildProcess::closeInput() { closeDescriptor(input_); }

void ChildProcess::kill()
{
    if (!end_) ::kill(pid_, SIGKILL);
}

std::optional<ChildEnd> ChildProcess::wait(std::chrono::milliseconds limit)
{
    if (end_) return end_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            end_ = endOf(status);
            return end_;
        }
        if (done < 0 && errno != EINTR) {
            end_ = ChildEnd{};
            return end_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void waitForChildOutput(std::span<ChildProcess* const> children, std::chrono::milliseconds limit)
{
    std::vector<pollfd> watched;
    for (const ChildProcess* child : children)
        if (child->outputDescriptor() >= 0) watched.push_back({child->outputDescriptor(), POLLIN, 0});
    if (watched.empty()) {
        std::this_thread::sleep_for(limit);
        return;
    }
    poll(watched.data(), watched.size(), static_cast<int>(limit.count()));
}

std::string thisProgramPath()
{
    // The program's own path shows in the list of processes; a program file
    // replaced since it started is still reached through the link itself.
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return "/proc/self/exe";
    path.resize(static_cast<std::size_t>(length));
    if (path.ends_with(" (deleted)") || access(path.c_str(), X_OK) != 0) return "/proc/self/exe";
    return path;
}

bool standardInputEnded()
{
    pollfd input{0, POLLIN, 0};
    if (poll(&input, 1, 0) <= 0) return false;
    if ((input.revents & (POLLERR | POLLNVAL)) != 0) return true;
    if ((input.revents & POLLIN) == 0) return (input.revents & POLLHUP) != 0;
    char chunk[256];
    const ssize_t got = read(0, chunk, sizeof chunk);
    return got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN);
}

} // namespace calvorn
