#include "cli/console_app.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>

#include "app/log_lines.h"
#include "app/record_file.h"
#include "app/record_table.h"
#include "app/run_session.h"
#include "app/size_table.h"
#include "driver/work_files.h"
#include "driver/work_fingerprint.h"
#include "platform/owned_files.h"

namespace calvorn {
namespace {

constexpr std::int32_t defaultSizeExponent = 14; // "  16K"

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

// Why a run cannot start in the current directory without touching what is
// not its own, or nothing. The records file and its side file are checked
// here, the run's own files by the driver.
std::optional<std::string> fileInTheWay()
{
    if (auto inTheWay = runFileInTheWay()) return inTheWay;
    const std::string records(recordFileName);
    if (auto inTheWay = nameInTheWay(records)) return inTheWay;
    return nameInTheWay(records + ".new");
}

// One run as the window's start command makes it, from the start line to
// the saved records, while this process alone uses the folder.
int runAndRecord(const ConsoleCommand& command, Host& host, std::FILE* out, std::FILE* err, TextWriter print)
{
    const std::int32_t sizeExponent = command.sizeExponent;
    FolderLock lock;
    switch (lock.acquire()) {
    case FolderLock::Outcome::acquired:
        break;
    case FolderLock::Outcome::heldByAnotherRun:
        std::fprintf(err, "calvorn: another run is using this folder; nothing was changed\n");
        return exitRunFailed;
    case FolderLock::Outcome::failed:
        std::fprintf(err, "calvorn: cannot write files in the current directory: %s\n", lock.problem().c_str());
        return exitRunFailed;
    }
    if (const auto inTheWay = fileInTheWay()) {
        std::fprintf(err, "calvorn: %s; it is not a file of this program and is left alone: no run is made\n",
                     inTheWay->c_str());
        return exitRunFailed;
    }
    RecordTable records;
    if (const auto problem = loadRecords(records)) {
        std::fprintf(err, "calvorn: %s; no run is made, so that the records are not lost\n", problem->c_str());
        return exitRunFailed;
    }

    host.appendLog(startLogLine(sizeExponent));
    RunOptions options;
    options.memoryCap = command.memoryCap;
    ConsoleFront front(host, out, print);
    const SessionResult session = runSession(host, sizeExponent, records, front, options);
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

// A report that did not reach its reader makes an otherwise good ending a failure.
int reportWritten(std::FILE* out, std::FILE* err, int exitCode)
{
    errno = 0;
    if (std::fflush(out) == 0 && !std::ferror(out)) return exitCode;
    const int error = errno;
    std::fprintf(err, "calvorn: cannot write the report to standard output%s%s\n", error != 0 ? ": " : "",
                 error != 0 ? std::strerror(error) : "");
    return exitCode == exitSuccess ? exitRunFailed : exitCode;
}

} // namespace

void writeBytes(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

std::optional<std::uint64_t> parseMemorySize(std::string_view text)
{
    std::uint64_t unit = 1;
    if (!text.empty() && std::isalpha(static_cast<unsigned char>(text.back()))) {
        switch (std::toupper(static_cast<unsigned char>(text.back()))) {
        case 'K': unit = 1ull << 10; break;
        case 'M': unit = 1ull << 20; break;
        case 'G': unit = 1ull << 30; break;
        default: return std::nullopt;
        }
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value == 0 || value > std::numeric_limits<std::uint64_t>::max() / unit) return std::nullopt;
    return value * unit;
}

ConsoleCommand parseConsoleArguments(std::span<const std::string> args)
{
    ConsoleCommand command;
    command.sizeExponent = defaultSizeExponent;
    const auto mistake = [&command](std::string error) {
        command.kind = ConsoleCommand::Kind::usageError;
        command.error = std::move(error);
        return command;
    };
    bool sizeNamed = false;
    bool listing = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            command.kind = ConsoleCommand::Kind::help;
            return command;
        }
        if (arg == "--records") {
            listing = true;
        } else if (arg == "--memory" || arg.starts_with("--memory=")) {
            std::string value;
            if (arg != "--memory") value = arg.substr(std::string_view("--memory=").size());
            else if (i + 1 < args.size()) value = args[++i];
            else return mistake("--memory needs a size such as 16M");
            const auto bytes = parseMemorySize(value);
            if (!bytes) return mistake("unknown memory size \"" + value + "\" (use a number with K, M or G)");
            command.memoryCap = *bytes;
        } else if (arg.starts_with("-")) {
            return mistake("unknown option \"" + arg + "\"");
        } else if (sizeNamed) {
            return mistake("too many arguments");
        } else if (const auto exponent = sizeExponentFromName(arg)) {
            command.sizeExponent = *exponent;
            sizeNamed = true;
        } else {
            return mistake("unknown size \"" + arg + "\"");
        }
    }
    if (listing && (sizeNamed || command.memoryCap != noMemoryCap)) return mistake("too many arguments");
    if (listing) command.kind = ConsoleCommand::Kind::records;
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
    return "usage: calvorn [--memory BYTES] [SIZE]\n"
           "                          compute pi to SIZE digits in the current directory (default 16K)\n"
           "       calvorn --records  show the best time of every size\n"
           "       calvorn --help     show this text\n"
           "SIZE is one of" + sizes + ".\n"
           "--memory BYTES (such as 16M; K, M and G are powers of 1024) caps the products' work area.\n"
           "The digits go to pi_data.txt, the best times to pi_rec.txt; Ctrl+C stops a run.\n";
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
            if (const auto problem = loadRecords(records)) {
                std::fprintf(err, "calvorn: %s\n", problem->c_str());
                return exitRunFailed;
            }
            print(out, records.startupTable());
            return reportWritten(out, err, exitSuccess);
        }
        case ConsoleCommand::Kind::run:
            break;
        }
        return reportWritten(out, err, runAndRecord(command, host, out, err, print));
    } catch (const std::exception& e) {
        std::fprintf(err, "calvorn: %s\n", e.what());
        return exitRunFailed;
    }
}

} // namespace calvorn
