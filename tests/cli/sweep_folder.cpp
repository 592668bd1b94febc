#include "cli/sweep_folder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "mpfr_pi_digits.h"
#include "pi_data_layout.h"

namespace calvorn::test {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 12> sizeLabels{"  16K", "  32K", "  64K", " 128K", " 256K", " 512K",
                                                 "   1M", "   2M", "   4M", "   8M", "  16M", "  32M"};

// The two forms of a records line, in cp949: "연산되지 않음" and 시 분 초.
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

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        result.push_back(text.substr(start, stop - start));
        start = stop;
    }
    return result;
}

// The correct file of a size, from MPFR, made once per size.
const std::string& correctDigits(std::int32_t sizeExponent)
{
    static std::mutex guard;
    static std::map<std::int32_t, std::string> made;
    const std::lock_guard<std::mutex> lock(guard);
    auto found = made.find(sizeExponent);
    if (found == made.end()) {
        const std::string digits = tools::piDigitsFromMpfr(std::size_t{1} << sizeExponent);
        found = made.emplace(sizeExponent, tools::piDataText(digits[0], std::string_view(digits).substr(1))).first;
    }
    return found->second;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

} // namespace

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const std::vector<std::string>& leftBehindNames()
{
    static const std::vector<std::string> names{"ia.dat", "ib.dat", "it.dat", "iv.dat", "iw.dat", "ix.dat",
                                                "iy.dat", "pi_data.txt.new", "pi_rec.txt.new", "calvorn.lock"};
    return names;
}

SweepFolder::SweepFolder(std::int32_t sizeExponent)
    : sizeExponent_(sizeExponent), expectedDigits_(correctDigits(sizeExponent))
{
    // Times at two sizes that the sweeps do not run, none at the others.
    for (std::size_t i = 0; i < sizeLabels.size(); ++i) {
        if (i == 1) oldRecords_ += recordedLine(7, sizeLabels[i]);
        else if (i == 11) oldRecords_ += recordedLine(3723, sizeLabels[i]);
        else oldRecords_ += notComputedLine(sizeLabels[i]);
    }
    oldDigits_ = "PI=3.\r\n\r\n1415926535 8979323846 (the digits of an earlier run)\r\n";
    reset();
}

std::string SweepFolder::sizeArgument() const
{
    std::string label = sizeLabels[static_cast<std::size_t>(sizeExponent_ - 14)];
    label.erase(0, label.find_first_not_of(' '));
    return label;
}

void SweepFolder::reset() const
{
    for (const auto& entry : fs::directory_iterator(folders_.run())) fs::remove_all(entry.path());
    // Every run starts as the first one did: no transforms' plan kept and no
    // history yet, so that it makes the same file operations in the same order.
    fs::remove_all(folders_.cacheHome());
    fs::remove_all(folders_.dataHome());
    writeFileBytes(folders_.run() / "pi_rec.txt", oldRecords_);
    writeFileBytes(folders_.run() / "pi_data.txt", oldDigits_);
}

void SweepFolder::plantLeftovers(const std::vector<std::string>& names) const
{
    for (const std::string& name : names) writeFileBytes(folders_.run() / name, "left by a killed run");
}

SweepFolder::State SweepFolder::state(double runSeconds) const
{
    State state;
    const std::string records = fileBytes(folders_.run() / "pi_rec.txt");
    state.recordsOld = records == oldRecords_;
    // The old table with this size's line in the recorded form, at a time
    // the run can have taken.
    const auto oldLines = lines(oldRecords_);
    const auto newLines = lines(records);
    const auto index = static_cast<std::size_t>(sizeExponent_ - 14);
    if (newLines.size() == oldLines.size()) {
        bool othersKept = true;
        for (std::size_t i = 0; i < oldLines.size(); ++i)
            if (i != index && newLines[i] != oldLines[i]) othersKept = false;
        for (long s = 0; othersKept && s <= static_cast<long>(runSeconds) + 1; ++s)
            if (newLines[index] == recordedLine(s, sizeLabels[index])) state.recordsNew = true;
    }
    const std::string digits = fileBytes(folders_.run() / "pi_data.txt");
    state.digitsOld = digits == oldDigits_;
    state.digitsNew = digits == expectedDigits_;
    for (const std::string& name : folders_.names()) {
        if (name == "pi_rec.txt" || name == "pi_data.txt") continue;
        const auto& known = leftBehindNames();
        (std::find(known.begin(), known.end(), name) != known.end() ? state.leftovers : state.strangers).push_back(name);
    }
    return state;
}

int SweepFolder::State::phase() const
{
    const auto left = [this](const char* name) { return std::find(leftovers.begin(), leftovers.end(), name) != leftovers.end(); };
    if (digitsNew && recordsNew) return 4;
    if (left("pi_rec.txt.new")) return 3;
    if (digitsNew && recordsOld) return 2;
    if (left("pi_data.txt.new")) return 1;
    return 0;
}

std::string describePhases(const std::array<int, 5>& phases)
{
    return "ended in the computation " + std::to_string(phases[0]) + ", the digit output " + std::to_string(phases[1]) +
           ", between digits and records " + std::to_string(phases[2]) + ", the records update " +
           std::to_string(phases[3]) + "; after both files were in place " + std::to_string(phases[4]);
}

Problems SweepFolder::judgeState(const State& state) const
{
    Problems problems;
    if (!state.recordsOld && !state.recordsNew) problems.push_back("records neither old nor old with this run's record");
    if (!state.digitsOld && !state.digitsNew) problems.push_back("digits neither old nor the correct ones");
    if (state.recordsNew && !state.recordsOld && !state.digitsNew) problems.push_back("a record without its digits");
    for (const std::string& name : state.strangers) problems.push_back("a file that is not the program's: " + name);
    return problems;
}

Problems judgeSuccess(const SweepFolder& folder, const ProgramEnd& end, double runSeconds)
{
    Problems problems;
    if (!end.exited || end.exitCode != 0)
        problems.push_back("a run that had to succeed did not: exit " + std::to_string(end.exitCode) + " signal " +
                           std::to_string(end.signal) + ", " + firstLine(end.err));
    else if (!contains(end.out, "digits verified"))
        problems.push_back("a run that had to succeed did not verify its digits");
    const SweepFolder::State state = folder.state(runSeconds);
    if (!state.digitsNew) problems.push_back("a successful run without the correct digits");
    if (!state.recordsNew) problems.push_back("a successful run without exactly its record");
    for (const std::string& name : state.leftovers) problems.push_back("a successful run left a file behind: " + name);
    for (const std::string& name : state.strangers) problems.push_back("a file that is not the program's: " + name);
    return problems;
}

Problems SweepFolder::followUpRun(const std::vector<std::string>& leftovers, double* seconds) const
{
    const auto start = std::chrono::steady_clock::now();
    const ProgramEnd end = runProgram(folders_, {sizeArgument()});
    const double length = secondsSince(start);
    if (seconds != nullptr) *seconds = length;
    Problems problems = judgeSuccess(*this, end, length);
    const auto at = end.out.find("left behind");
    if (!leftovers.empty()) {
        if (at == std::string::npos) {
            problems.push_back("files left behind removed without a word");
        } else {
            const std::string line = end.out.substr(end.out.rfind('\n', at) + 1, end.out.find('\n', at) - end.out.rfind('\n', at));
            for (const std::string& name : leftovers)
                if (!contains(line, name)) problems.push_back("the left-behind line does not name " + name);
        }
    } else if (at != std::string::npos) {
        problems.push_back("a left-behind line when nothing was left: " + firstLine(end.out.substr(at)));
    }
    reset();
    return problems;
}

void ProblemTally::add(const std::string& moment, const Problems& problems)
{
    for (const std::string& problem : problems) {
        const auto colon = problem.find(": ");
        const std::string cause = problem.substr(0, colon);
        byCause_[cause].push_back(moment + (colon == std::string::npos ? "" : " (" + problem.substr(colon + 2) + ")"));
        ++total_;
    }
}

std::string ProblemTally::report() const
{
    std::string text;
    for (const auto& [cause, moments] : byCause_) {
        text += "  " + std::to_string(moments.size()) + " x " + cause + "; first at:";
        // CALVORN_SWEEP_ALL_MOMENTS=1 lists every moment, for counting the causes by operation.
        const std::size_t shown = std::getenv("CALVORN_SWEEP_ALL_MOMENTS") != nullptr ? moments.size() : 3;
        for (std::size_t i = 0; i < moments.size() && i < shown; ++i) text += "\n      " + moments[i];
        text += "\n";
    }
    return text;
}

} // namespace calvorn::test
