// terminate_sweep CALVORN.EXE WORK_FOLDER EXPECTED_PI_DATA SIZE MOMENTS SEED
//
// The Windows console program ended by TerminateProcess at random moments of
// a run (seeded, printed), in a folder that holds an earlier run's records
// and digits. After each ending "pi_rec.txt" must be the old bytes or the old
// bytes with exactly this run's record, "pi_data.txt" the old file or the
// correct one (EXPECTED_PI_DATA), nothing else may stand there but the
// program's own leftovers, and the next run must succeed, name what it
// removed and leave nothing behind. Half the moments are drawn over the
// measured run, from the moment its lock file appears; the other half fall
// shortly after the digits' side file appears, so that the digit output, the
// renames and the records update are hit. Exit 0 when no moment found a
// problem. (The same judgement as the Linux kill sweep, kept apart because
// that one starts its runs with fork.)
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::array<const char*, 12> sizeLabels{"  16K", "  32K", "  64K", " 128K", " 256K", " 512K",
                                                 "   1M", "   2M", "   4M", "   8M", "  16M", "  32M"};
const std::vector<std::string> leftBehindNames{"ia.dat", "ib.dat", "it.dat", "iv.dat", "iw.dat", "ix.dat",
                                               "iy.dat", "pi_data.txt.new", "pi_rec.txt.new", "calvorn.lock"};

std::string notComputedLine(const char* label)
{
    return std::string("- \xBF\xAC\xBB\xEA\xB5\xC7\xC1\xF6 \xBE\xCA\xC0\xBD   [") + label + "]\n";
}

std::string recordedLine(long seconds, const char* label)
{
    char text[64];
    std::snprintf(text, sizeof text, "+ %03ld\xBD\xC3%02ld\xBA\xD0%02ld\xC3\xCA   [%s]\n", seconds / 3600,
                  seconds / 60 % 60, seconds % 60, label);
    return text;
}

std::string fileBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Waits until the process ends or `seconds` have passed; true when it ended.
// Polls (yielding the processor) rather than sleeping, since the moments
// after the digits' side file appears are shorter than a timer's tick.
bool waitFor(HANDLE process, double seconds)
{
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
        if (Clock::now() >= until) return false;
        SwitchToThread();
    }
}

// Waits until `file` exists or the process ends; true when it ended.
bool waitForFile(HANDLE process, const fs::path& file)
{
    std::error_code error;
    while (!fs::exists(file, error))
        if (waitFor(process, 0)) return true;
    return false;
}

class Sweep {
public:
    Sweep(fs::path program, fs::path work, std::string expected, std::string size)
        : program_(std::move(program)), folder_(work / "run"), output_(work / "output.txt"),
          expected_(std::move(expected)), size_(std::move(size))
    {
        for (std::size_t i = 0; i < sizeLabels.size(); ++i) {
            std::string label = sizeLabels[i];
            label.erase(0, label.find_first_not_of(' '));
            if (label == size_) index_ = i;
        }
        for (std::size_t i = 0; i < sizeLabels.size(); ++i)
            oldRecords_ += i == 11 ? recordedLine(3723, sizeLabels[i]) : notComputedLine(sizeLabels[i]);
        oldDigits_ = "PI=3.\r\n\r\n1415926535 8979323846 (the digits of an earlier run)\r\n";
        // The program's own folder for the user's data stays in the work folder.
        const fs::path user = work / "user";
        fs::create_directories(user);
        SetEnvironmentVariableW(L"LOCALAPPDATA", user.wstring().c_str());
        SetEnvironmentVariableW(L"APPDATA", user.wstring().c_str());
        SetEnvironmentVariableW(L"LC_ALL", L"C");
        reset();
    }

    void reset() const
    {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        writeFileBytes(folder_ / "pi_rec.txt", oldRecords_);
        writeFileBytes(folder_ / "pi_data.txt", oldDigits_);
    }

    // Starts the program in the folder, its output to output.txt.
    PROCESS_INFORMATION start() const
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(output_.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = INVALID_HANDLE_VALUE;
        startup.hStdOutput = out;
        startup.hStdError = out;
        std::wstring commandLine = L"\"" + program_.wstring() + L"\" " + std::wstring(size_.begin(), size_.end());
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program_.wstring().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            folder_.wstring().c_str(), &startup, &process)) {
            std::fprintf(stderr, "cannot start %ls: error %lu\n", program_.wstring().c_str(), GetLastError());
            std::exit(2);
        }
        CloseHandle(out);
        CloseHandle(process.hThread);
        return process;
    }

    // Exit code of a program that ends by itself.
    static DWORD finish(const PROCESS_INFORMATION& process)
    {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        return code;
    }

    struct State {
        bool recordsOld = false, recordsNew = false, digitsOld = false, digitsNew = false;
        std::vector<std::string> leftovers, strangers;
    };

    State state(double runSeconds) const
    {
        State s;
        const std::string records = fileBytes(folder_ / "pi_rec.txt");
        s.recordsOld = records == oldRecords_;
        for (long seconds = 0; seconds <= static_cast<long>(runSeconds) + 1; ++seconds) {
            std::string withRecord = oldRecords_;
            const std::string old = notComputedLine(sizeLabels[index_]);
            withRecord.replace(withRecord.find(old), old.size(), recordedLine(seconds, sizeLabels[index_]));
            if (records == withRecord) s.recordsNew = true;
        }
        const std::string digits = fileBytes(folder_ / "pi_data.txt");
        s.digitsOld = digits == oldDigits_;
        s.digitsNew = digits == expected_;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name == "pi_rec.txt" || name == "pi_data.txt") continue;
            const bool known = std::find(leftBehindNames.begin(), leftBehindNames.end(), name) != leftBehindNames.end();
            (known ? s.leftovers : s.strangers).push_back(name);
        }
        return s;
    }

    static std::vector<std::string> judgeEnded(const State& s)
    {
        std::vector<std::string> problems;
        if (!s.recordsOld && !s.recordsNew) problems.push_back("records neither old nor old with this run's record");
        if (!s.digitsOld && !s.digitsNew) problems.push_back("digits neither old nor the correct ones");
        if (s.recordsNew && !s.recordsOld && !s.digitsNew) problems.push_back("a record without its digits");
        for (const std::string& name : s.strangers) problems.push_back("a file that is not the program's: " + name);
        return problems;
    }

    std::vector<std::string> judgeSuccess(DWORD code, double seconds) const
    {
        std::vector<std::string> problems;
        const std::string out = fileBytes(output_);
        if (code != 0) problems.push_back("a run that had to succeed exited " + std::to_string(code));
        else if (!contains(out, "digits verified")) problems.push_back("a run that had to succeed did not verify");
        const State s = state(seconds);
        if (!s.digitsNew) problems.push_back("a successful run without the correct digits");
        if (!s.recordsNew) problems.push_back("a successful run without exactly its record");
        for (const std::string& name : s.leftovers) problems.push_back("a successful run left " + name);
        for (const std::string& name : s.strangers) problems.push_back("a file that is not the program's: " + name);
        return problems;
    }

    // The next run in the folder: it must succeed and name what it removed.
    std::vector<std::string> followUp(const std::vector<std::string>& leftovers) const
    {
        const auto begun = Clock::now();
        const DWORD code = finish(start());
        std::vector<std::string> problems = judgeSuccess(code, secondsSince(begun));
        const std::string out = fileBytes(output_);
        const auto at = out.find("left behind");
        const std::string line = at == std::string::npos ? "" : out.substr(at, out.find('\n', at) - at);
        if (!leftovers.empty() && line.empty()) problems.push_back("files left behind removed without a word");
        for (const std::string& name : leftovers)
            if (!line.empty() && !contains(line, name)) problems.push_back("the left-behind line does not name " + name);
        if (leftovers.empty() && !line.empty()) problems.push_back("a left-behind line when nothing was left");
        reset();
        return problems;
    }

    const fs::path& folder() const { return folder_; }

private:
    fs::path program_, folder_, output_;
    std::string expected_, size_;
    std::size_t index_ = 0;
    std::string oldRecords_, oldDigits_;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: terminate_sweep CALVORN.EXE WORK_FOLDER EXPECTED_PI_DATA SIZE MOMENTS SEED\n");
        return 2;
    }
    const fs::path work = argv[2];
    const std::string expected = fileBytes(argv[3]);
    const std::string size = fs::path(argv[4]).string();
    const int moments = _wtoi(argv[5]);
    const auto seed = static_cast<std::uint64_t>(_wtoi64(argv[6]));
    if (expected.empty()) {
        std::fprintf(stderr, "no expected digits in %ls\n", argv[3]);
        return 2;
    }
    Sweep sweep(argv[1], work, expected, size);

    // One undisturbed run: its length, and when its lock file and the digits'
    // side file appear.
    auto begun = Clock::now();
    PROCESS_INFORMATION first = sweep.start();
    double lockSeconds = -1, digitsSeconds = -1;
    while (!waitFor(first.hProcess, 0)) {
        std::error_code error;
        if (lockSeconds < 0 && fs::exists(sweep.folder() / "calvorn.lock", error)) lockSeconds = secondsSince(begun);
        if (digitsSeconds < 0 && fs::exists(sweep.folder() / "pi_data.txt.new", error))
            digitsSeconds = secondsSince(begun);
    }
    const double runSeconds = secondsSince(begun);
    const std::vector<std::string> baseline = sweep.judgeSuccess(Sweep::finish(first), runSeconds);
    if (!baseline.empty()) {
        std::fprintf(stderr, "the undisturbed run failed: %s\n", baseline.front().c_str());
        return 1;
    }
    sweep.reset();
    if (lockSeconds < 0) lockSeconds = 0;
    if (digitsSeconds < 0) digitsSeconds = lockSeconds;

    // Where the endings fell, told by what each left: the computation (work
    // files only), the digit output (the digits' side file), between the
    // digits' rename and the records (new digits, old records), the records
    // update (their side file), or once both files were in place.
    std::array<int, 5> phases{};
    const auto phaseOf = [](const Sweep::State& s) {
        const auto left = [&s](const char* name) {
            return std::find(s.leftovers.begin(), s.leftovers.end(), name) != s.leftovers.end();
        };
        if (s.digitsNew && s.recordsNew) return 4;
        if (left("pi_rec.txt.new")) return 3;
        if (s.digitsNew && s.recordsOld) return 2;
        if (left("pi_data.txt.new")) return 1;
        return 0;
    };

    // Every other moment is drawn over the whole run; the others fall after
    // the digits' side file has appeared, over the short rest of the run in
    // which the digits are written, checked and renamed and the records
    // replaced.
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> anyMoment(lockSeconds * 0.9, runSeconds * 1.05);
    std::uniform_real_distribution<double> lateMoment(0, (runSeconds - digitsSeconds) * 0.8);
    int problems = 0, terminated = 0, leftFiles = 0;
    for (int i = 0; i < moments; ++i) {
        const bool late = i % 2 == 1;
        const double delay = late ? lateMoment(random) : anyMoment(random);
        begun = Clock::now();
        const PROCESS_INFORMATION run = sweep.start();
        bool ended = late ? waitForFile(run.hProcess, sweep.folder() / "pi_data.txt.new") || waitFor(run.hProcess, delay)
                          : WaitForSingleObject(run.hProcess, static_cast<DWORD>(delay * 1000)) == WAIT_OBJECT_0;
        // A program that ended just before the call cannot be terminated: it is judged as ended.
        if (!ended) {
            if (TerminateProcess(run.hProcess, 9)) ++terminated;
            else ended = true;
        }
        DWORD code = Sweep::finish(run);
        const double seconds = secondsSince(begun);
        const Sweep::State state = sweep.state(seconds);
        std::vector<std::string> found = ended ? sweep.judgeSuccess(code, seconds) : Sweep::judgeEnded(state);
        leftFiles += state.leftovers.empty() ? 0 : 1;
        ++phases[static_cast<std::size_t>(phaseOf(state))];
        const std::vector<std::string> next = sweep.followUp(state.leftovers);
        found.insert(found.end(), next.begin(), next.end());
        for (const std::string& problem : found) {
            std::fprintf(stderr, "moment %d (terminated %d us after %s, seed %llu): %s\n", i,
                         static_cast<int>(delay * 1e6), late ? "the digits' side file appeared" : "the start",
                         static_cast<unsigned long long>(seed), problem.c_str());
            ++problems;
        }
    }
    std::printf("%s: %d moments, half from %d to %d ms, half up to %d us after the digits' side file appeared "
                "(seed %llu): %d terminated (%d left files); problems: %d\n",
                size.c_str(), moments, static_cast<int>(lockSeconds * 900), static_cast<int>(runSeconds * 1050),
                static_cast<int>((runSeconds - digitsSeconds) * 0.8e6), static_cast<unsigned long long>(seed), terminated,
                leftFiles, problems);
    std::printf("  ended in the computation %d, the digit output %d, between digits and records %d, the records "
                "update %d; after both files were in place %d\n",
                phases[0], phases[1], phases[2], phases[3], phases[4]);
    return problems == 0 ? 0 : 1;
}
