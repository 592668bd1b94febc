#include "cli/stress_test.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/size_table.h"
#include "app/text_format.h"
#include "cli/stress_copy.h"
#include "cli/stress_json.h"
#include "cli/stress_plan.h"
#include "cli/stress_status.h"
#include "common/size_parameters.h"
#include "driver/work_area_sizing.h"
#include "driver/work_fingerprint.h"
#include "platform/child_process.h"
#include "platform/processors.h"
#include "platform/terminal.h"

namespace calvorn {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A copy that says nothing for this long hangs (it says it is alive every
// second while it computes; the longest stretch without that is one
// transform of the largest size).
constexpr milliseconds ordinaryHangLimit{120000};
// How long copies asked to stop may take before they are ended.
constexpr milliseconds stopGrace{30000};
// How long the start waits for every copy to say that it runs.
constexpr milliseconds startWait{5000};
constexpr milliseconds lookInterval{100};
// A look that comes this much later than asked for means that the test itself
// was held (Ctrl+Z, a suspended machine): its copies' silence is not theirs.
constexpr milliseconds heldAfter{5000};

enum class Ending { none, timeLimit, stopped, failure };

const char* endingName(Ending ending)
{
    switch (ending) {
    case Ending::timeLimit: return "time-limit";
    case Ending::failure: return "failure";
    case Ending::stopped:
    case Ending::none: break;
    }
    return "stopped";
}

std::string trimmedLabel(std::int32_t sizeExponent)
{
    std::string label(sizeLabel(sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    return label;
}

// A folder of the test's own under the current one, made new: never one
// that was there before.
fs::path makeTestFolder()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = formatText("calvorn-stress-%08x", static_cast<unsigned>(random()));
        std::error_code error;
        if (fs::create_directory(name, error)) return fs::absolute(name);
        if (error && error != std::errc::file_exists)
            throw std::runtime_error("cannot create " + name + ": " + error.message());
    }
    throw std::runtime_error("cannot create a folder for the copies");
}

std::string folderName(const StressCopy& copy)
{
    std::string name = "core-" + copy.name;
    for (char& c : name)
        if (c == '#') c = '-';
    return name;
}

std::string endText(const ChildEnd& end, Language language)
{
    if (end.signalled)
        return formatText(messageText(MessageId::stressSignal, language), end.code, end.signalName.c_str());
    if (end.code < 256) return formatText(messageText(MessageId::stressExitStatus, language), end.code);
    return formatText(messageText(MessageId::stressExitCode, language), end.code);
}

struct Copy {
    fs::path folder;
    std::unique_ptr<ChildProcess> process;
    std::string pending;          // output not yet a whole line
    Clock::time_point lastSign;
    Clock::time_point outputEndedAt;
    bool outputEnded = false;
    bool askedToStop = false;
    bool killedByTest = false;
    bool endedOnItsOwn = false;   // its last report was a run that did not pass
    bool gone = false;
};

class Supervisor {
public:
    Supervisor(const ConsoleCommand& command, Host& host, const ConsoleSettings& settings,
               const StressConsole& console, const StressPlan& plan, StressJudge& judge)
        : command_(command), host_(host), settings_(settings), console_(console), plan_(plan), judge_(judge),
          display_(console, terminalCanRedraw(console.human), command.duration),
          hangLimit_(settings.hangLimit.value_or(ordinaryHangLimit))
    {
    }

    void run(const fs::path& testFolder);
    Ending ending() const { return ending_; }
    milliseconds elapsed() const { return elapsed_; }

private:
    void startCopies(const fs::path& testFolder);
    void readReports(Clock::time_point now);
    void handleLine(std::size_t i, const std::string& line, Clock::time_point now);
    void reapEnded(Clock::time_point now);
    void checkSilence(Clock::time_point now);
    void endTest(Ending ending, Clock::time_point now);
    void showPinNotes();
    bool allGone() const;
    std::vector<ChildProcess*> running();

    const ConsoleCommand& command_;
    Host& host_;
    const ConsoleSettings& settings_;
    const StressConsole& console_;
    const StressPlan& plan_;
    StressJudge& judge_;
    StressDisplay display_;
    milliseconds hangLimit_;
    std::vector<Copy> copies_;
    Ending ending_ = Ending::none;
    Clock::time_point stopAskedAt_{};
    bool stopping_ = false;
    bool killedAll_ = false;
    milliseconds elapsed_{0};
};

void Supervisor::startCopies(const fs::path& testFolder)
{
    const std::string program = thisProgramPath();
    const StressCopy* faulty = settings_.faultyRun ? faultyCopy(plan_, settings_.faultyCore) : nullptr;
    copies_.resize(plan_.copies.size());
    for (std::size_t i = 0; i < plan_.copies.size(); ++i) {
        const StressCopy& copy = plan_.copies[i];
        Copy& c = copies_[i];
        c.lastSign = Clock::now();
        StressCopyOrder order;
        order.sizeExponent = command_.sizeExponent;
        order.memoryCap = plan_.shareBytes;
        order.processor = copy.processor;
        order.language = console_.language;
        if (faulty == &copy) order.faultyRun = settings_.faultyRun;
        order.leaveFolder = true;
        try {
            c.folder = testFolder / folderName(copy);
            fs::create_directory(c.folder);
            c.process = std::make_unique<ChildProcess>(program, stressCopyArguments(order), c.folder);
        } catch (const std::exception& e) {
            judge_.lost(i, "not-started",
                        formatText(messageText(MessageId::stressCopyNotStarted, console_.language), e.what()));
            c.outputEnded = c.gone = true;
        }
    }
}

std::vector<ChildProcess*> Supervisor::running()
{
    std::vector<ChildProcess*> children;
    for (Copy& c : copies_)
        if (!c.outputEnded) children.push_back(c.process.get());
    return children;
}

bool Supervisor::allGone() const
{
    for (const Copy& c : copies_)
        if (!c.gone) return false;
    return true;
}

void Supervisor::handleLine(std::size_t i, const std::string& line, Clock::time_point now)
{
    Copy& c = copies_[i];
    const std::optional<CopyReport> report = decodeCopyReport(line);
    if (!report) {
        judge_.lost(i, "unreadable",
                    formatText(messageText(MessageId::stressCopyUnreadable, console_.language),
                               line.substr(0, 200).c_str()));
        c.process->kill();
        c.killedByTest = true;
        return;
    }
    c.lastSign = now;
    switch (report->kind) {
    case CopyReport::Kind::started:
        judge_.started(i, *report);
        break;
    case CopyReport::Kind::alive:
        break;
    case CopyReport::Kind::runEnded:
        judge_.runEnded(i, *report);
        if (report->verdict == RunVerdict::passed) break;
        c.endedOnItsOwn = true;
        // A copy stopped from outside the test (Ctrl+C reaches every copy too) stops the test.
        if (report->verdict == RunVerdict::stopped) endTest(Ending::stopped, now);
        break;
    }
}

void Supervisor::readReports(Clock::time_point now)
{
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        Copy& c = copies_[i];
        if (c.outputEnded) continue;
        const bool open = c.process->readAvailable(c.pending);
        for (std::size_t end; (end = c.pending.find('\n')) != std::string::npos;) {
            const std::string line = c.pending.substr(0, end);
            c.pending.erase(0, end + 1);
            if (!c.killedByTest) handleLine(i, line, now);
        }
        if (!open) {
            c.outputEnded = true;
            c.outputEndedAt = now;
        }
    }
}

void Supervisor::reapEnded(Clock::time_point now)
{
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        Copy& c = copies_[i];
        if (c.gone || !c.outputEnded) continue;
        const std::optional<ChildEnd> end = c.process->wait(milliseconds(0));
        if (!end) {
            // It closed its output but lives on: it is ended after a while.
            if (now - c.outputEndedAt > stopGrace) {
                c.process->kill();
                c.killedByTest = true;
            }
            continue;
        }
        c.gone = true;
        if (c.killedByTest || judge_.copies()[i].failure) continue;
        const bool abnormal = end->signalled || end->code != 0;
        if (abnormal || (!c.askedToStop && !c.endedOnItsOwn))
            judge_.lost(i, "died",
                        formatText(messageText(MessageId::stressCopyDied, console_.language),
                                   endText(*end, console_.language).c_str()));
    }
}

void Supervisor::checkSilence(Clock::time_point now)
{
    // Copies asked to stop get less patience: a person who stopped the test is waiting.
    const milliseconds patience = stopping_ ? std::min(stopGrace, hangLimit_) : hangLimit_;
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        Copy& c = copies_[i];
        if (c.outputEnded || c.killedByTest) continue;
        const bool silent = now - c.lastSign > patience;
        const bool overdue = stopping_ && now - stopAskedAt_ > patience;
        if (!silent && !overdue) continue;
        if (silent) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - c.lastSign).count();
            judge_.lost(i, "hung",
                        formatText(messageText(MessageId::stressCopyHung, console_.language),
                                   static_cast<long long>(seconds)));
        }
        c.process->kill();
        c.killedByTest = true;
    }
}

void Supervisor::endTest(Ending ending, Clock::time_point now)
{
    if (ending_ == Ending::none) ending_ = ending;
    if (stopping_) return;
    stopping_ = true;
    stopAskedAt_ = now;
    display_.plainLine(messageText(MessageId::stressStopping, console_.language));
    for (Copy& c : copies_) {
        if (c.gone) continue;
        c.askedToStop = true;
        if (c.process) c.process->closeInput();
    }
}

void Supervisor::showPinNotes()
{
    for (const CopyState& c : judge_.copies())
        if (c.started && !c.pinned)
            console_.print(console_.human, formatText(messageText(MessageId::stressNotPinned, console_.language),
                                                      c.copy.name.c_str(), c.pinProblem.c_str()));
}

void Supervisor::run(const fs::path& testFolder)
{
    startCopies(testFolder);
    host_.setStopRequested(false);
    const Clock::time_point start = Clock::now();
    Clock::time_point lastLook = start;
    bool shown = false;
    while (!allGone()) {
        const std::vector<ChildProcess*> children = running();
        waitForChildOutput(children, lookInterval);
        const Clock::time_point now = Clock::now();
        if (now - lastLook > heldAfter)
            for (Copy& c : copies_) c.lastSign += now - lastLook;
        lastLook = now;
        elapsed_ = std::chrono::duration_cast<milliseconds>(now - start);
        readReports(now);

        host_.checkForStop();
        if (host_.stopRequested()) {
            host_.setStopRequested(false);
            // A second stop does not wait for the copies.
            if (stopping_ && !killedAll_) {
                killedAll_ = true;
                for (Copy& c : copies_)
                    if (!c.gone && c.process) {
                        c.process->kill();
                        c.killedByTest = true;
                    }
            }
            endTest(Ending::stopped, now);
        }
        if (command_.duration && elapsed_ >= *command_.duration) endTest(Ending::timeLimit, now);
        checkSilence(now);
        if (judge_.anyFailure()) endTest(Ending::failure, now);
        reapEnded(now);

        if (!shown) {
            bool allStarted = true;
            for (const CopyState& c : judge_.copies()) allStarted = allStarted && (c.started || c.failure);
            if (!allStarted && now - start < startWait && !stopping_) continue;
            showPinNotes();
            shown = true;
        }
        display_.show(judge_.copies(), elapsed_, stopping_);
        if (!display_.readerPresent()) endTest(Ending::stopped, now);
    }
    host_.setStopRequested(true);
    if (!shown) showPinNotes();
    display_.finish(judge_.copies(), elapsed_);
}

void printHeader(const ConsoleCommand& command, const StressPlan& plan, const StressConsole& console)
{
    const Language language = console.language;
    const std::string length =
        command.duration ? formatText(messageText(MessageId::stressForDuration, language),
                                      clockText(*command.duration).c_str())
                         : std::string(messageText(MessageId::stressUntilStopped, language));
    std::string text = formatText(messageText(MessageId::stressStarts, language),
                                  trimmedLabel(command.sizeExponent).c_str(), static_cast<int>(plan.copies.size()),
                                  length.c_str());
    if (plan.sharedProcessors)
        text += formatText(messageText(MessageId::stressSharedProcessors, language),
                           static_cast<int>(plan.copies.size()), plan.processors);
    const SizeParameters size = SizeParameters::forExponent(command.sizeExponent);
    const auto bytes = [](std::int32_t l) { return static_cast<unsigned long long>((static_cast<std::uint64_t>(l) + 5) * 8); };
    text += plan.fullWorkArea
                ? formatText(messageText(MessageId::stressWorkAreaFull, language), bytes(plan.workAreaLength))
                : formatText(messageText(MessageId::stressWorkAreaSmaller, language), bytes(plan.workAreaLength),
                             bytes(fullWorkAreaLength(size)));
    console.print(console.human, text);
    std::fflush(console.human);
}

} // namespace

int runStressTest(const ConsoleCommand& command, Host& host, const ConsoleSettings& settings,
                  const StressConsole& console)
{
    const Language language = console.language;
    const std::vector<int> processors = usableProcessors();
    const MemoryStatus memory = host.memoryStatus();
    const StressPlan plan = planStress(command.sizeExponent, command.cores, processors, memory,
                                       command.memoryCap.value_or(std::numeric_limits<std::uint64_t>::max()));
    if (plan.workAreaLength == 0) {
        const SizeParameters size = SizeParameters::forExponent(command.sizeExponent);
        console.complain(formatText(
            messageText(MessageId::stressNotEnoughMemory, language), static_cast<int>(plan.copies.size()),
            static_cast<unsigned long long>(plan.shareBytes), trimmedLabel(command.sizeExponent).c_str(),
            static_cast<unsigned long long>((static_cast<std::uint64_t>(smallestWorkAreaLength(size)) + 5) * 8)));
        return exitRunFailed;
    }
    const fs::path testFolder = makeTestFolder();
    printHeader(command, plan, console);

    StressJudge judge(plan, command.sizeExponent, language);
    Supervisor supervisor(command, host, settings, console, plan, judge);
    try {
        supervisor.run(testFolder);
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(testFolder, ignored);
        throw;
    }
    std::error_code error;
    fs::remove_all(testFolder, error);
    if (error)
        console.complain(formatText(messageText(MessageId::stressFolderLeft, language), testFolder.string().c_str(),
                                    error.message().c_str()));

    const bool stoppedEarly = supervisor.ending() == Ending::stopped && command.duration.has_value();
    const MachineVerdict verdict = judge.verdict(stoppedEarly);
    console.print(console.human, summaryText(judge, plan, command.sizeExponent, verdict, language));
    if (command.json) {
        StressOutcome outcome;
        outcome.sizeExponent = command.sizeExponent;
        outcome.duration = command.duration;
        outcome.elapsed = supervisor.elapsed();
        outcome.ending = endingName(supervisor.ending());
        outcome.verdict = verdict;
        outcome.memoryBytes = memory.totalPhysical;
        console.print(console.out, stressJsonReport(outcome, judge, plan) + "\n");
    }
    return verdict == MachineVerdict::passed ? exitSuccess : exitRunFailed;
}

} // namespace calvorn
