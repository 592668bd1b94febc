// A folder in which the program is killed or made to fail again and again:
// it holds the records and the digits of an earlier run, and after every
// ending it is judged by what a person would lose. "pi_rec.txt" must be the
// old bytes or the old bytes with exactly this run's record, "pi_data.txt"
// the old file or the correct digits (never a mixture or a cut file), nothing
// else may stand there but what a cut-short run leaves (work files, side
// files, the lock), and the next run must succeed, say what it removed,
// leave nothing behind and write the right digits.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "cli/program_runner.h"

namespace calvorn::test {

// The problems found after one ending, each in a word or two ("records
// neither old nor new", ...); empty when there is none.
using Problems = std::vector<std::string>;

// The files a cut-short run may leave, in the order the next run names them.
const std::vector<std::string>& leftBehindNames();

class SweepFolder {
public:
    explicit SweepFolder(std::int32_t sizeExponent);

    const ProgramFolders& folders() const { return folders_; }
    std::int32_t sizeExponent() const { return sizeExponent_; }
    std::string sizeArgument() const;       // "16K"
    const std::string& expectedDigits() const { return expectedDigits_; }

    // Back to the earlier run's two files alone.
    void reset() const;
    // Leftovers of a killed run put beside them.
    void plantLeftovers(const std::vector<std::string>& names) const;

    // Whether the records and the digits are each old or new, and what else
    // stands in the folder. `runSeconds` bounds the time the run may have
    // recorded.
    struct State {
        bool recordsOld = false, recordsNew = false;
        bool digitsOld = false, digitsNew = false;
        std::vector<std::string> leftovers;  // of leftBehindNames()
        std::vector<std::string> strangers;  // anything else
        bool pristine() const { return recordsOld && digitsOld && leftovers.empty() && strangers.empty(); }
        // Where a run that was cut short ended, told by what it left: 0 the
        // computation (work files only), 1 the digit output (the digits'
        // side file), 2 between the digits' rename and the records (new
        // digits, old records), 3 the records update (their side file), 4
        // once both files were in place.
        int phase() const;
    };
    State state(double runSeconds) const;

    // The problems of the state after a run that was killed or failed.
    Problems judgeState(const State& state) const;

    // Runs the program to its end in the folder and judges the outcome as a
    // run that must succeed; the leftovers found before it must be named in
    // its "left behind" line. Leaves the folder reset. `seconds`, when
    // given, receives the run's length.
    Problems followUpRun(const std::vector<std::string>& leftovers, double* seconds = nullptr) const;

private:
    ProgramFolders folders_;
    std::int32_t sizeExponent_;
    std::string oldRecords_;
    std::string oldDigits_;
    std::string expectedDigits_;
};

// Counts of the endings by phase, printed as "computation 12, digit output 3, ...".
std::string describePhases(const std::array<int, 5>& phases);

// Judges a run that must have succeeded: exit 0, verified digits, the right
// digits, exactly this run's record, nothing left behind.
Problems judgeSuccess(const SweepFolder& folder, const ProgramEnd& end, double runSeconds);

// Counts problems by their cause and keeps the first few occurrences.
class ProblemTally {
public:
    void add(const std::string& moment, const Problems& problems);
    std::size_t total() const { return total_; }
    std::string report() const;  // one line per cause: count and first moments

private:
    std::map<std::string, std::vector<std::string>> byCause_;
    std::size_t total_ = 0;
};

// Seconds since `start`.
double secondsSince(std::chrono::steady_clock::time_point start);

} // namespace calvorn::test
