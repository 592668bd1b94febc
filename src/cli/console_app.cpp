#include "cli/console_app.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>

#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/record_table.h"
#include "app/size_table.h"
#include "app/text_format.h"
#include "cli/json_report.h"
#include "cli/repeat_run.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

constexpr const char* probeFileName = "calvorn-write-probe.tmp";

// The streams and language of one invocation.
struct Console {
    std::FILE* out;   // the report and the records table; the JSON object alone with --json
    std::FILE* human; // what a person reads: `out`, or standard error with --json
    std::FILE* err;
    TextWriter print;
    Language language;

    void say(std::FILE* stream, MessageId id) const { print(stream, messageText(id, language)); }
    template <typename... Args>
    void sayFormatted(std::FILE* stream, MessageId id, Args... args) const
    {
        print(stream, formatText(messageText(id, language), args...));
    }
    void complain(MessageId id) const
    {
        print(err, "calvorn: ");
        say(err, id);
        print(err, "\n");
    }
};

double seconds(std::uint32_t milliseconds) { return milliseconds / 1000.0; }

// Saves the records with `elapsed` as a run of the size and shows the table.
// Returns false when the file could not be written.
bool recordTime(RecordTable& records, std::int32_t sizeExponent, std::uint32_t elapsed, const Console& console)
{
    records.recordRun(sizeExponent, elapsed);
    bool saved = true;
    try {
        saveRecords(records, sizeExponent);
    } catch (const RecordFileError& e) {
        console.print(console.err, std::string("calvorn: ") + e.what() + "\n");
        saved = false;
    }
    console.print(console.human, records.afterRunTable(sizeExponent, console.language));
    return saved;
}

// One run as the window's start command makes it, from the start line to
// the saved records.
int runAndRecord(std::int32_t sizeExponent, Host& host, RecordTable& records, const Console& console,
                 JsonRun& json)
{
    const RunOutcome outcome = runOnce(sizeExponent, host, console.language);
    json.runs.push_back(outcome);
    if (outcome.result != 0) {
        console.complain(outcome.stopped ? MessageId::runStopped : MessageId::runFailed);
        return exitRunFailed;
    }
    // A wrong result must never become a best time.
    if (!outcome.summary.digitsVerified) {
        console.complain(MessageId::digitsWrong);
        return exitRunFailed;
    }
    console.say(console.human, MessageId::runFinished);
    console.print(console.human, "\n");
    console.say(console.human, MessageId::digitsVerified);
    console.print(console.human, "\n");
    console.sayFormatted(console.human, MessageId::largestRoundingDistance, outcome.summary.largestRoundingDistance);
    console.print(console.human, "\n\n");
    json.recordedTime = outcome.elapsed;
    json.verdict = RunVerdict::passed;
    return recordTime(records, sizeExponent, outcome.elapsed, console) ? exitSuccess : exitRunFailed;
}

const char* verdictText(RunVerdict verdict, Language language)
{
    switch (verdict) {
    case RunVerdict::passed: return messageText(MessageId::verdictPassed, language);
    case RunVerdict::stopped: return messageText(MessageId::verdictStopped, language);
    case RunVerdict::failed: break;
    }
    return messageText(MessageId::verdictFailed, language);
}

// The stability test: one line per run, then the best and median times and
// the verdict. The best time is recorded as after a single run, unless a run
// failed.
int runStabilityTest(std::int32_t sizeExponent, std::int64_t count, Host& host, RecordTable& records,
                     const Console& console, JsonRun& json)
{
    // A run's own log lines would bury the one line per run.
    RoutedHost quiet(host, nullptr, console.print);
    const StabilityReport report =
        runRepeatedly(sizeExponent, count, quiet, console.language, [&](const RepeatedRun& run) {
            console.sayFormatted(console.human, MessageId::repeatedRunLine, static_cast<long long>(run.number),
                                 seconds(run.outcome.elapsed), verdictText(run.verdict, console.language));
            std::fflush(console.human);
        });
    for (const RepeatedRun& run : report.runs) json.runs.push_back(run.outcome);
    json.verdict = report.verdict;
    json.bestTime = report.bestTime;
    json.medianTime = report.medianTime;
    console.print(console.human, "\n");
    console.sayFormatted(console.human, MessageId::repeatSummary, seconds(report.bestTime), seconds(report.medianTime),
                         static_cast<long long>(report.passedRuns));
    console.sayFormatted(console.human, MessageId::repeatVerdict, verdictText(report.verdict, console.language));
    if (report.verdict == RunVerdict::failed) return exitRunFailed;
    if (report.passedRuns == 0) return exitRunFailed;
    json.recordedTime = report.bestTime;
    console.print(console.human, "\n");
    const bool saved = recordTime(records, sizeExponent, report.bestTime, console);
    // Until stopped: the stop is the way a test ends. A count not reached is not a pass.
    const bool complete = report.verdict == RunVerdict::passed || count == 0;
    return saved && complete ? exitSuccess : exitRunFailed;
}

int runCommand(const ConsoleCommand& command, Host& host, const Console& console)
{
    if (const auto problem = currentDirectoryWriteProblem()) {
        console.print(console.err, "calvorn: " +
                                       formatText(messageText(MessageId::directoryNotWritable, console.language),
                                                  problem->c_str()) +
                                       "\n");
        return exitRunFailed;
    }
    RecordTable records;
    loadRecords(records);

    JsonRun json;
    json.sizeExponent = command.sizeExponent;
    json.repeated = command.repeat.has_value();
    json.verdict = RunVerdict::failed;
    int exitCode = exitRunFailed;
    if (command.repeat) {
        exitCode = runStabilityTest(command.sizeExponent, *command.repeat, host, records, console, json);
    } else if (command.json) {
        RoutedHost logToHuman(host, console.human, console.print);
        exitCode = runAndRecord(command.sizeExponent, logToHuman, records, console, json);
    } else {
        exitCode = runAndRecord(command.sizeExponent, host, records, console, json);
    }
    if (command.json) {
        json.memoryBytes = host.memoryStatus().totalPhysical;
        console.print(console.out, jsonReport(json) + "\n");
    }
    return exitCode;
}

} // namespace

std::string consoleUsage() { return consoleUsage(Language::english); }

std::optional<std::string> currentDirectoryWriteProblem()
{
    std::error_code ignored;
    const bool existed = std::filesystem::exists(probeFileName, ignored);
    errno = 0;
    std::FILE* probe = std::fopen(probeFileName, "ab");
    if (probe == nullptr) return std::string(errno != 0 ? std::strerror(errno) : "cannot create a file");
    std::fclose(probe);
    if (!existed) std::filesystem::remove(probeFileName, ignored);
    return std::nullopt;
}

int runConsole(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err, TextWriter print,
               const ConsoleSettings& settings)
{
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
            loadRecords(records);
            print(out, records.startupTable(language));
            return exitSuccess;
        }
        case ConsoleCommand::Kind::run:
            break;
        }
        return runCommand(command, host, console);
    } catch (const std::exception& e) {
        print(err, std::string("calvorn: ") + e.what() + "\n");
        return exitRunFailed;
    }
}

} // namespace calvorn
