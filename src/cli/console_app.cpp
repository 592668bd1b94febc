#include "cli/console_app.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include "app/left_behind.h"
#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/record_table.h"
#include "app/run_history.h"
#include "app/size_table.h"
#include "app/text_format.h"
#include "cli/history_chart.h"
#include "cli/history_table.h"
#include "cli/json_report.h"
#include "cli/plan_report.h"
#include "cli/repeat_run.h"
#include "cli/stress_copy.h"
#include "cli/stress_test.h"
#include "driver/work_fingerprint.h"
#include "platform/owned_files.h"
#include "platform/user_data.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

// The streams and language of one invocation.
struct Console {
    std::FILE* out;   // the report and the records table; the JSON object alone with --json
    std::FILE* human; // what a person reads: `out`, or standard error with --json
    std::FILE* err;
    TextWriter print;
    Language language;

    void line(std::FILE* stream, MessageId id) const
    {
        print(stream, messageText(id, language));
        print(stream, "\n");
    }
    template <typename... Args>
    void formatted(std::FILE* stream, MessageId id, Args... args) const
    {
        print(stream, formatText(messageText(id, language), args...));
    }
    void complain(const std::string& text) const { print(err, "calvorn: " + text + "\n"); }
};

double seconds(std::uint32_t milliseconds) { return milliseconds / 1000.0; }

// The time of a run of the stability test: the recorded one, or for a failed
// run the computation's time up to its last digit (0 if it got no further).
std::uint32_t runTime(const SessionResult& run)
{
    return run.outcome == SessionResult::Outcome::recorded ? run.elapsed : run.summary.elapsed;
}

// The console's side of a single run: the output-time line and the report.
class ConsoleFront : public SessionFront {
public:
    ConsoleFront(Host& host, const Console& console) : host_(host), console_(console) {}

    void runFinished(std::uint32_t elapsed, const RunSummary& summary) override
    {
        const Console& c = console_;
        host_.appendLog(outputTimeLogLine(elapsed, c.language) + "\n");
        c.line(c.human, MessageId::runFinished);
        c.print(c.human, computationTimeLine(elapsed, c.language) + "\n");
        c.line(c.human, MessageId::digitsVerified);
        c.formatted(c.human, MessageId::largestRoundingDistance, summary.largestRoundingDistance);
        c.print(c.human, "\n");
        c.formatted(c.human, MessageId::workFingerprint, workFingerprintText(summary.workFingerprint).c_str());
        c.print(c.human, "\n");
        c.line(c.human, summary.fingerprintChecked ? MessageId::fingerprintChecked : MessageId::fingerprintNotChecked);
        c.print(c.human, "\n");
    }

private:
    Host& host_;
    const Console& console_;
};

// A run that could not be added to the history changes nothing else.
void warnOfHistory(const SessionResult& session, const Console& console)
{
    if (!session.historyProblem.empty())
        console.complain(formatText(messageText(MessageId::historyNotWritten, console.language),
                                    session.historyProblem.c_str()));
}

// One run as the window's start command makes it, from the start line to the
// saved records (and the history).
int runAndRecord(std::int32_t sizeExponent, Host& host, RecordTable& records, const RunOptions& options,
                 const std::optional<std::filesystem::path>& historyFile, const Console& console, JsonRun& json)
{
    ConsoleFront front(host, console);
    const SessionResult session = runOnce(sizeExponent, host, records, front, options, historyFile);
    warnOfHistory(session, console);
    json.runs.push_back(session);
    json.verdict = judgeRun(session);
    switch (session.outcome) {
    case SessionResult::Outcome::stopped:
        console.complain(messageText(MessageId::runStopped, console.language));
        return exitRunFailed;
    case SessionResult::Outcome::failed:
        console.complain(messageText(MessageId::runFailed, console.language));
        return exitRunFailed;
    case SessionResult::Outcome::recorded:
        break;
    }
    json.recordedTime = session.elapsed;
    int exitCode = exitSuccess;
    if (!session.recordsError.empty()) {
        console.complain(session.recordsError);
        exitCode = exitRunFailed;
    }
    console.print(console.human, records.afterRunTable(sizeExponent, console.language));
    return exitCode;
}

const char* verdictText(RunVerdict verdict, Language language)
{
    switch (verdict) {
    case RunVerdict::passed: return messageText(MessageId::verdictPassed, language);
    case RunVerdict::stopped: return messageText(MessageId::verdictStopped, language);
    case RunVerdict::fingerprintDiffers: return messageText(MessageId::fingerprintDiffers, language);
    case RunVerdict::failed: break;
    }
    return messageText(MessageId::verdictFailed, language);
}

// The stability test: one line per run, then the best and median times and
// the verdict; the records as after a single run of the best time.
int runStabilityTest(const StabilityTest& test, Host& host, RecordTable& records, const Console& console,
                     JsonRun& json)
{
    // A run's own log lines would bury the one line per run.
    RoutedHost quiet(host, nullptr, console.print);
    const StabilityReport report = runRepeatedly(test, quiet, records, [&](const RepeatedRun& run) {
        console.formatted(console.human, MessageId::repeatedRunLine, static_cast<long long>(run.number),
                          seconds(runTime(run.session)), verdictText(run.verdict, console.language));
        std::fflush(console.human);
    });
    for (const RepeatedRun& run : report.runs) json.runs.push_back(run.session);
    json.verdict = report.verdict;
    json.bestTime = report.bestTime;
    json.medianTime = report.medianTime;
    json.recordedTime = report.bestTime;

    console.print(console.human, "\n");
    console.formatted(console.human, MessageId::repeatSummary, seconds(report.bestTime), seconds(report.medianTime),
                      static_cast<long long>(report.passedRuns));
    console.formatted(console.human, MessageId::repeatVerdict, verdictText(report.verdict, console.language));
    for (const RepeatedRun& run : report.runs) {
        if (run.session.historyProblem.empty()) continue;
        warnOfHistory(run.session, console);
        break;
    }
    bool saved = true;
    for (const RepeatedRun& run : report.runs) {
        if (run.session.recordsError.empty()) continue;
        console.complain(run.session.recordsError);
        saved = false;
        break;
    }
    if (report.passedRuns > 0) {
        console.print(console.human, "\n");
        console.print(console.human, records.afterRunTable(test.sizeExponent, console.language));
    }
    if (report.verdict == RunVerdict::failed || report.verdict == RunVerdict::fingerprintDiffers) return exitRunFailed;
    // Until stopped: the stop is the way the test ends. A count not reached is not a pass.
    const bool complete = report.verdict == RunVerdict::passed || (test.count == 0 && report.passedRuns > 0);
    return saved && complete ? exitSuccess : exitRunFailed;
}

// A report that did not reach its reader makes an otherwise good ending a failure.
int reportWritten(const Console& console, int exitCode)
{
    errno = 0;
    if (std::fflush(console.out) == 0 && !std::ferror(console.out)) return exitCode;
    const int error = errno;
    console.complain(formatText(messageText(MessageId::reportNotWritten, console.language),
                                systemErrorText(error != 0 ? error : EIO).c_str()));
    return exitCode == exitSuccess ? exitRunFailed : exitCode;
}

// The runs of one command, while this process alone uses the folder.
int runCommand(const ConsoleCommand& command, Host& host, const ConsoleSettings& settings, const Console& console)
{
    FolderLock lock;
    switch (lock.acquire()) {
    case FolderLock::Outcome::acquired:
        break;
    case FolderLock::Outcome::heldByAnotherRun:
        console.complain(messageText(MessageId::anotherRunInFolder, console.language));
        return exitRunFailed;
    case FolderLock::Outcome::failed:
        console.complain(formatText(messageText(MessageId::directoryNotWritable, console.language),
                                    lock.problem().c_str()));
        return exitRunFailed;
    }
    if (command.stress)
        return runStressTest(command, host, settings,
                             {console.out, console.human, console.err, console.print, console.language, command.json});
    if (const auto inTheWay = folderFileInTheWay()) {
        console.complain(formatText(messageText(MessageId::fileInTheWay, console.language), inTheWay->c_str()));
        return exitRunFailed;
    }
    RecordTable records;
    if (const auto problem = loadRecords(records)) {
        console.complain(formatText(messageText(MessageId::recordsUnreadable, console.language), problem->c_str()));
        return exitRunFailed;
    }
    const LeftBehind left = removeFilesLeftBehind(lock.leftBehind());
    if (!left.problem.empty()) {
        console.complain(left.problem);
        return exitRunFailed;
    }
    if (!left.removed.empty()) console.print(console.human, leftBehindLine(left.removed, console.language));

    RunOptions options;
    options.language = console.language;
    if (command.memoryCap) options.memoryCap = *command.memoryCap;
    options.planCacheFile = settings.planCacheFile;
    options.replanTransforms = command.replan;
    const auto historyFile = command.noHistory ? std::nullopt : settings.historyFile;
    JsonRun json;
    json.sizeExponent = command.sizeExponent;
    json.repeated = command.repeat.has_value();
    int exitCode = exitRunFailed;
    if (command.repeat) {
        StabilityTest test;
        test.sizeExponent = command.sizeExponent;
        test.count = *command.repeat;
        test.options = options;
        test.faultyRun = settings.faultyRun;
        test.historyFile = historyFile;
        exitCode = runStabilityTest(test, host, records, console, json);
    } else {
        options.injectFault = settings.faultyRun == 1;
        if (command.json) {
            RoutedHost logToHuman(host, console.human, console.print);
            exitCode = runAndRecord(command.sizeExponent, logToHuman, records, options, historyFile, console, json);
        } else {
            exitCode = runAndRecord(command.sizeExponent, host, records, options, historyFile, console, json);
        }
    }
    // The lock file that stays would be taken over by the next run, which says so.
    if (const std::string problem = lock.release(); !problem.empty()) {
        console.complain(problem);
        exitCode = exitRunFailed;
    }
    if (command.verbose && !json.runs.empty()) {
        console.print(console.human, planReportText(json.runs.back().summary.planner, console.language, true));
    }
    if (command.json) {
        json.memoryBytes = host.memoryStatus().totalPhysical;
        console.print(console.out, jsonReport(json) + "\n");
    }
    return exitCode;
}

// --history [SIZE] [--chart FILE]: the table of the runs kept, and the chart.
int showHistory(const ConsoleCommand& command, const ConsoleSettings& settings, const Console& console)
{
    if (!settings.historyFile) {
        console.complain(messageText(MessageId::historyNoFolder, console.language));
        return exitRunFailed;
    }
    const HistoryContents history = readHistory(*settings.historyFile);
    if (!history.problem.empty()) {
        console.complain(formatText(messageText(MessageId::historyUnreadable, console.language),
                                    history.problem.c_str()));
        return exitRunFailed;
    }
    const std::optional<std::int32_t> size =
        command.sizeNamed ? std::optional<std::int32_t>(command.sizeExponent) : std::nullopt;
    const std::vector<HistoryRow> rows = historyRows(history.entries, size);
    unsigned long long shown = 0;
    for (const HistoryRow& row : rows) shown += row.passed + row.failed;
    const std::string file = pathText(*settings.historyFile);
    if (shown == 0 && size) {
        std::string label(sizeLabel(*size));
        label.erase(0, label.find_first_not_of(' '));
        console.formatted(console.out, MessageId::historyEmptyOfSize, label.c_str(), file.c_str());
    } else if (shown == 0) {
        console.formatted(console.out, MessageId::historyEmpty, file.c_str());
    } else {
        console.formatted(console.out, MessageId::historyHeading, file.c_str(), shown);
        console.print(console.out, historyTable(rows, console.language));
    }
    if (history.damagedLines > 0)
        console.formatted(console.out, MessageId::historyDamagedLines,
                          static_cast<unsigned long long>(history.damagedLines));
    if (!command.chartFile) return exitSuccess;

    const std::vector<ChartSeries> series = chartSeries(history.entries, size);
    if (series.empty()) {
        console.complain(messageText(MessageId::chartNoPassedRun, console.language));
        return exitRunFailed;
    }
    if (const auto problem = writeChartFile(*command.chartFile, historyChartSvg(series, console.language))) {
        console.complain(formatText(messageText(MessageId::chartNotWritten, console.language), problem->c_str()));
        return exitRunFailed;
    }
    console.formatted(console.out, MessageId::chartWritten, command.chartFile->c_str());
    return exitSuccess;
}

} // namespace

std::string consoleUsage() { return consoleUsage(Language::english); }

int runConsole(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err, TextWriter print,
               const ConsoleSettings& settings)
{
    if (!args.empty() && args[0] == stressCopyArgument) return runStressCopyCommand(args, host, out, err, print);
    const ConsoleCommand command = parseConsoleArguments(args);
    const Language language = command.language.value_or(settings.language);
    const Console console{out, command.json ? err : out, err, print, language};
    try {
        switch (command.kind) {
        case ConsoleCommand::Kind::help:
            print(out, consoleUsage(language));
            return exitSuccess;
        case ConsoleCommand::Kind::version:
            print(out, "calvorn " CALVORN_VERSION "\n");
            return exitSuccess;
        case ConsoleCommand::Kind::usageError:
            print(err, "calvorn: " + command.error + "\n");
            print(err, consoleUsage(language));
            return exitUsage;
        case ConsoleCommand::Kind::records: {
            RecordTable records;
            if (const auto problem = loadRecords(records)) {
                console.complain(*problem);
                return exitRunFailed;
            }
            print(out, records.startupTable(language));
            return reportWritten(console, exitSuccess);
        }
        case ConsoleCommand::Kind::history:
            return reportWritten(console, showHistory(command, settings, console));
        case ConsoleCommand::Kind::run:
            break;
        }
        return reportWritten(console, runCommand(command, host, settings, console));
    } catch (const std::exception& e) {
        console.complain(e.what());
        return exitRunFailed;
    }
}

} // namespace calvorn
