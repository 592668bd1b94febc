#include "cli/program_runner.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;

void redirect(const fs::path& file, int fd, int flags)
{
    const int opened = open(file.c_str(), flags, 0644);
    if (opened < 0) _exit(125);
    if (opened != fd) {
        dup2(opened, fd);
        close(opened);
    }
}

} // namespace

std::string programPath()
{
    const char* chosen = std::getenv("CALVORN_PROGRAM");
    return chosen != nullptr && *chosen != '\0' ? chosen : CALVORN_BINARY;
}

std::string faultProbePath()
{
    const char* chosen = std::getenv("CALVORN_FAULT_PROBE");
    if (chosen != nullptr && *chosen != '\0') return chosen;
#ifdef CALVORN_FAULT_PROBE
    return CALVORN_FAULT_PROBE;
#else
    return {};
#endif
}

ProgramFolders::ProgramFolders()
{
    std::string pattern = (fs::temp_directory_path() / "calvorn-program-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    base_ = pattern;
    run_ = base_ / "run";
    elsewhere_ = base_ / "elsewhere";
    fs::create_directory(run_);
    fs::create_directory(elsewhere_);
    // Another user may have to work in the run folder.
    fs::permissions(base_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
}

ProgramFolders::~ProgramFolders()
{
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

std::vector<std::string> ProgramFolders::names() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(run_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ProgramRun::ProgramRun(const ProgramFolders& folders, std::vector<std::string> args, std::function<void()> prepare,
                       std::string program)
    : folders_(folders), outFile_(folders.elsewhere() / "stdout.txt"), errFile_(folders.elsewhere() / "stderr.txt")
{
    args.insert(args.begin(), program.empty() ? programPath() : std::move(program));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("cannot fork");
    if (pid_ == 0) {
        if (chdir(folders.run().c_str()) != 0) _exit(125);
        redirect("/dev/null", 0, O_RDONLY);
        redirect(outFile_, 1, O_WRONLY | O_CREAT | O_TRUNC);
        redirect(errFile_, 2, O_WRONLY | O_CREAT | O_TRUNC);
        // The test process may block or ignore signals; the program starts as a shell would start it.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) std::signal(s, SIG_DFL);
        // Its messages in English, whatever the tester's locale.
        setenv("LC_ALL", "C", 1);
        unsetenv("LANGUAGE");
        // The tester's own history, settings and caches are not the test's.
        const fs::path base = folders.run().parent_path();
        setenv("XDG_DATA_HOME", folders.dataHome().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (base / "config").c_str(), 1);
        setenv("XDG_CACHE_HOME", folders.cacheHome().c_str(), 1);
        if (prepare) prepare();
        execv(argv[0], argv.data());
        _exit(127);
    }
}

ProgramRun::~ProgramRun()
{
    if (!ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ProgramRun::signal(int number) const { kill(pid_, number); }

ProgramEnd ProgramRun::wait(std::chrono::milliseconds limit)
{
    ProgramEnd end;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) break;
        if (std::chrono::steady_clock::now() > deadline) {
            end.timedOut = true;
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ended_ = true;
    end.exited = WIFEXITED(status);
    end.exitCode = end.exited ? WEXITSTATUS(status) : -1;
    end.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    end.out = fileBytes(outFile_);
    end.err = fileBytes(errFile_);
    return end;
}

ProgramEnd runProgram(const ProgramFolders& folders, std::vector<std::string> args, std::function<void()> prepare,
                      std::chrono::milliseconds limit)
{
    ProgramRun run(folders, std::move(args), std::move(prepare));
    return run.wait(limit);
}

bool waitForFile(const std::filesystem::path& file, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(file)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string fileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace calvorn::test
