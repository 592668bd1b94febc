#include "cli/console_app.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>

#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/record_table.h"
#include "app/run_session.h"
#include "app/size_table.h"
#include "driver/work_fingerprint.h"

namespace calvorn {
namespace {

constexpr std::int32_t defaultSizeExponent = 14; // "  16K"
constexpr const char* probeFileName = "calvorn-write-probe.tmp";

// The console's side of a run: the output-time line and the closing report.
class ConsoleFront : public SessionFront {
public:
    ConsoleFront(Host& host, std::FILE* out, TextWriter print) : host_(host), out_(out), print_(print) {}

    void runFinished(std::uint32_t elapsed, const RunSummary& summary) override
    {
        host_.appendLog(outputTimeLogLine(elapsed) + "\n");
        print_(out_, std::string(finishedMessage) + "\n");
        std::fprintf(out_, "digits verified: pi_data.txt holds the correct digits of pi\n");
        std::fprintf(out_, "largest rounding distance: %.6g\n", summary.largestRoundingDistance);
        std::fprintf(out_, "work fingerprint: %s\n", workFingerprintText(summary.workFingerprint).c_str());
        std::fprintf(out_, summary.fingerprintChecked
                               ? "work fingerprint checked: the one every correct machine computes for this size\n\n"
                               : "work fingerprint not checked: only a run with the full work area can be compared\n\n");
    }

private:
    Host& host_;
    std::FILE* out_;
    TextWriter print_;
};

// One run of `sizeExponent` as the window's start command makes it, from the
// start line to the saved records.
int runAndRecord(std::int32_t sizeExponent, Host& host, std::FILE* out, std::FILE* err, TextWriter print)
{
    if (const auto problem = currentDirectoryWriteProblem()) {
        std::fprintf(err, "calvorn: cannot write files in the current directory: %s\n", problem->c_str());
        return exitRunFailed;
    }
    RecordTable records;
    loadRecords(records);

    host.appendLog(startLogLine(sizeExponent));
    ConsoleFront front(host, out, print);
    const SessionResult session = runSession(host, sizeExponent, records, front);
    switch (session.outcome) {
    case SessionResult::Outcome::stopped:
        std::fprintf(err, "calvorn: the run was stopped; no record is written\n");
        return exitRunFailed;
    case SessionResult::Outcome::failed:
        std::fprintf(err, "calvorn: the run failed; no record is written\n");
        return exitRunFailed;
    case SessionResult::Outcome::recorded:
        break;
    }
    int exitCode = exitSuccess;
    if (!session.recordsError.empty()) {
        std::fprintf(err, "calvorn: %s\n", session.recordsError.c_str());
        exitCode = exitRunFailed;
    }
    print(out, records.afterRunTable(sizeExponent));
    return exitCode;
}

} // namespace

void writeBytes(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

ConsoleCommand parseConsoleArguments(std::span<const std::string> args)
{
    ConsoleCommand command;
    command.sizeExponent = defaultSizeExponent;
    if (args.size() > 1) {
        command.kind = ConsoleCommand::Kind::usageError;
        command.error = "too many arguments";
        return command;
    }
    if (args.empty()) return command;

    const std::string& arg = args.front();
    if (arg == "--help" || arg == "-h") {
        command.kind = ConsoleCommand::Kind::help;
    } else if (arg == "--records") {
        command.kind = ConsoleCommand::Kind::records;
    } else if (const auto exponent = sizeExponentFromName(arg); exponent && !arg.starts_with("-")) {
        command.sizeExponent = *exponent;
    } else {
        command.kind = ConsoleCommand::Kind::usageError;
        command.error = arg.starts_with("-") ? "unknown option \"" + arg + "\"" : "unknown size \"" + arg + "\"";
    }
    return command;
}

std::string consoleUsage()
{
    std::string sizes;
    for (std::string_view label : sizeLabels) {
        label.remove_prefix(label.find_first_not_of(' '));
        sizes += ' ';
        sizes += label;
    }
    return "usage: calvorn [SIZE]     compute pi to SIZE digits in the current directory (default 16K)\n"
           "       calvorn --records  show the best time of every size\n"
           "       calvorn --help     show this text\n"
           "SIZE is one of" + sizes + ".\n"
           "The digits go to pi_data.txt, the best times to pi_rec.txt; Ctrl+C stops a run.\n";
}

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

int runConsole(std::span<const std::string> args, Host& host, std::FILE* out, std::FILE* err, TextWriter print)
{
    const ConsoleCommand command = parseConsoleArguments(args);
    try {
        switch (command.kind) {
        case ConsoleCommand::Kind::help:
            print(out, consoleUsage());
            return exitSuccess;
        case ConsoleCommand::Kind::usageError:
            std::fprintf(err, "calvorn: %s\n", command.error.c_str());
            print(err, consoleUsage());
            return exitUsage;
        case ConsoleCommand::Kind::records: {
            RecordTable records;
            loadRecords(records);
            print(out, records.startupTable());
            return exitSuccess;
        }
        case ConsoleCommand::Kind::run:
            break;
        }
        return runAndRecord(command.sizeExponent, host, out, err, print);
    } catch (const std::exception& e) {
        std::fprintf(err, "calvorn: %s\n", e.what());
        return exitRunFailed;
    }
}

} // namespace calvorn
