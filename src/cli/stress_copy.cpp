#include "cli/stress_copy.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <utility>

#include "app/run_session.h"
#include "app/transform_plan_cache.h"
#include "cli/console_app.h"
#include "cli/stress_protocol.h"
#include "common/size_parameters.h"
#include "driver/decimal_output.h"
#include "platform/child_process.h"
#include "platform/processors.h"

namespace calvorn {
namespace {

// How often the copy looks whether its input has ended, and how often it
// says that it is alive while a run goes on.
constexpr std::chrono::milliseconds inputCheckInterval{50};
constexpr std::chrono::milliseconds aliveInterval{1000};

void send(std::FILE* out, const CopyReport& report)
{
    const std::string line = encodeCopyReport(report) + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
    std::fflush(out);
}

// The console's host, with the copy's own log (none: a person reads the
// test's lines), its failures kept for the run's report, a stop when the
// input ends, and a sign of life from the pump.
class CopyHost : public Host {
public:
    CopyHost(Host& host, std::FILE* out, const std::function<bool()>& inputEnded)
        : host_(host), out_(out), inputEnded_(inputEnded)
    {
    }
    std::uint32_t tickCount() override { return host_.tickCount(); }
    MemoryStatus memoryStatus() override { return host_.memoryStatus(); }
    void pumpMessages() override
    {
        host_.pumpMessages();
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextInputCheck_) {
            nextInputCheck_ = now + inputCheckInterval;
            if (!inputGone_ && inputEnded_()) inputGone_ = true;
            if (inputGone_) host_.setStopRequested(true);
        }
        if (now >= nextAlive_) {
            nextAlive_ = now + aliveInterval;
            send(out_, CopyReport{});
        }
    }
    void checkForStop() override
    {
        host_.checkForStop();
        nextInputCheck_ = {};
        pumpMessages();
    }
    bool stopRequested() const override { return host_.stopRequested(); }
    void setStopRequested(bool stop) override { host_.setStopRequested(stop); }
    void showError(std::string_view text, std::string_view) override
    {
        if (!errors_.empty()) errors_ += "; ";
        errors_ += text;
    }
    void appendLog(std::string_view) override {}

    // Whether the input has ended, looking once more now.
    bool inputGone()
    {
        if (!inputGone_ && inputEnded_()) inputGone_ = true;
        return inputGone_;
    }
    std::string takeErrors() { return std::exchange(errors_, {}); }

private:
    Host& host_;
    std::FILE* out_;
    const std::function<bool()>& inputEnded_;
    std::chrono::steady_clock::time_point nextInputCheck_{};
    std::chrono::steady_clock::time_point nextAlive_{};
    bool inputGone_ = false;
    std::string errors_;
};

class SilentFront : public SessionFront {
public:
    void runFinished(std::uint32_t, const RunSummary&) override {}
};

template <typename Number>
bool parseNumber(std::string_view text, Number& value)
{
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    return problem == std::errc{} && end == text.data() + text.size();
}

} // namespace

std::vector<std::string> stressCopyArguments(const StressCopyOrder& order)
{
    std::vector<std::string> args{std::string(stressCopyArgument), "size=" + std::to_string(order.sizeExponent),
                                  "memory=" + std::to_string(order.memoryCap),
                                  std::string("lang=") + (order.language == Language::korean ? "ko" : "en")};
    if (order.processor) args.push_back("processor=" + std::to_string(*order.processor));
    if (order.faultyRun) args.push_back("fault=" + std::to_string(*order.faultyRun));
    if (order.leaveFolder) args.push_back("leave");
    return args;
}

std::optional<StressCopyOrder> parseStressCopyArguments(std::span<const std::string> args)
{
    if (args.empty() || args[0] != stressCopyArgument) return std::nullopt;
    StressCopyOrder order;
    bool sized = false;
    for (const std::string& arg : args.subspan(1)) {
        const std::string_view text = arg;
        const std::size_t equals = text.find('=');
        const std::string_view key = text.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos ? std::string_view{} : text.substr(equals + 1);
        bool good = true;
        if (key == "size") {
            good = parseNumber(value, order.sizeExponent) && order.sizeExponent >= smallestSizeExponent &&
                   order.sizeExponent <= largestSizeExponent;
            sized = true;
        } else if (key == "memory") {
            good = parseNumber(value, order.memoryCap);
        } else if (key == "processor") {
            std::int32_t processor = -1;
            good = parseNumber(value, processor) && processor >= 0;
            order.processor = processor;
        } else if (key == "fault") {
            std::int64_t run = 0;
            good = parseNumber(value, run) && run >= 1;
            order.faultyRun = run;
        } else if (key == "lang" && (value == "ko" || value == "en")) {
            order.language = value == "ko" ? Language::korean : Language::english;
        } else if (key == "leave" && equals == std::string_view::npos) {
            order.leaveFolder = true;
        } else {
            good = false;
        }
        if (!good) return std::nullopt;
    }
    if (!sized) return std::nullopt;
    return order;
}

int runStressCopy(const StressCopyOrder& order, Host& host, std::FILE* out, const std::function<bool()>& inputEnded)
{
    CopyReport started;
    started.kind = CopyReport::Kind::started;
    if (order.processor) {
        const auto problem = pinToProcessor(*order.processor);
        started.pinned = !problem;
        started.pinProblem = problem.value_or("");
    }
    send(out, started);

    CopyHost copyHost(host, out, inputEnded);
    SilentFront front;
    RunOptions options;
    options.language = order.language;
    options.memoryCap = order.memoryCap;
    // The transforms run the plan this machine measured when it was quiet;
    // nothing is timed under the load of the other copies.
    options.planTransforms = false;
    if (const auto cache = transformPlanCacheFile()) options.knownPlans = readTransformPlans(*cache).choices;
    for (std::int64_t run = 1; !copyHost.inputGone(); ++run) {
        options.injectFault = order.faultyRun == run;
        const SessionResult session = runUnrecordedSession(copyHost, order.sizeExponent, front, options);
        const CopyReport report = runReport(run, session, copyHost.takeErrors());
        send(out, report);
        if (report.verdict != RunVerdict::passed) break;
    }
    return exitSuccess;
}

int runStressCopyCommand(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err,
                         TextWriter print)
{
    const auto order = parseStressCopyArguments(args);
    if (!order) {
        print(err, "calvorn: " + std::string(stressCopyArgument) + " is for the stress test's own copies\n");
        return exitUsage;
    }
    const int exitCode = runStressCopy(*order, host, out, standardInputEnded);
    if (order->leaveFolder) leaveCopyFolder();
    return exitCode;
}

void leaveCopyFolder()
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::remove(decimalOutputFileName, ignored);
    const fs::path own = fs::current_path(ignored);
    if (ignored || !own.has_parent_path()) return;
    const fs::path test = own.parent_path();
    fs::current_path(test, ignored);
    if (ignored) return;
    fs::remove(own, ignored);  // only once empty: anything else in it stays for the test to see
    fs::current_path(test.parent_path(), ignored);
    if (!ignored) fs::remove(test, ignored);
}

} // namespace calvorn
