#include "app/run_history.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "app/run_verdict.h"
#include "app/size_table.h"
#include "driver/work_fingerprint.h"
#include "fft/transform_plan.h"
#include "platform/owned_files.h"
#include "platform/system_facts.h"
#include "platform/user_data.h"

#ifndef CALVORN_VERSION
#define CALVORN_VERSION "unknown"
#endif

namespace calvorn {
namespace {

using Json = nlohmann::ordered_json;

// No entry is this long; a longer line is damaged whatever it holds.
constexpr std::size_t longestLine = 64 * 1024;

std::string trimmedLabel(std::int32_t sizeExponent)
{
    std::string label(sizeLabel(sizeExponent));
    label.erase(0, label.find_first_not_of(' '));
    return label;
}

// The value of `key` if the object has it with the type `T`.
template <typename T>
std::optional<T> field(const Json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end()) return std::nullopt;
    if constexpr (std::is_same_v<T, std::string>) {
        if (!found->is_string()) return std::nullopt;
    } else if constexpr (std::is_same_v<T, bool>) {
        if (!found->is_boolean()) return std::nullopt;
    } else {
        if (!found->is_number_unsigned()) return std::nullopt;
        if (found->template get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<T>::max()))
            return std::nullopt;
    }
    return found->template get<T>();
}

// Reads one line into `line` without its LF; false at the end of the file.
// `tooLong` tells that the line had more than longestLine bytes (the rest is skipped).
bool readLine(std::FILE* in, std::string& line, bool& tooLong)
{
    line.clear();
    tooLong = false;
    bool any = false;
    for (int c; (c = std::fgetc(in)) != EOF;) {
        any = true;
        if (c == '\n') return true;
        if (line.size() < longestLine) line.push_back(static_cast<char>(c));
        else tooLong = true;
    }
    return any;
}

} // namespace

std::optional<std::filesystem::path> userHistoryFile()
{
    const auto folder = userDataFolder();
    if (!folder) return std::nullopt;
    return *folder / "calvorn" / "history.jsonl";
}

HistoryEntry historyEntryOf(std::int32_t sizeExponent, const SessionResult& session)
{
    const RunSummary& summary = session.summary;
    HistoryEntry entry;
    entry.dateUtc = utcTimestamp();
    entry.sizeExponent = sizeExponent;
    entry.timeMs = summary.elapsed;
    entry.verdict = verdictName(judgeRun(session));
    entry.fingerprint = workFingerprintText(summary.workFingerprint);
    entry.fingerprintChecked = summary.fingerprintChecked;
    entry.fingerprintMatched = summary.fingerprintChecked && summary.fingerprintMatched;
    entry.workAreaBytes = summary.workAreaBytes;
    entry.workAreaLength = summary.workAreaLength;
    entry.lanePath = fft::lanePathName(fft::lanePathFromEnvironment());
    entry.processor = readSystemFacts().processorModel;
    entry.version = CALVORN_VERSION;
    return entry;
}

std::string historyLine(const HistoryEntry& entry)
{
    const Json object = {
        {"dateUtc", entry.dateUtc},
        {"size", trimmedLabel(entry.sizeExponent)},
        {"timeMs", entry.timeMs},
        {"verdict", entry.verdict},
        {"fingerprint", entry.fingerprint},
        {"fingerprintChecked", entry.fingerprintChecked},
        {"fingerprintMatched", entry.fingerprintMatched},
        {"workArea", {{"bytes", entry.workAreaBytes}, {"length", entry.workAreaLength}}},
        {"lanePath", entry.lanePath},
        {"processor", entry.processor},
        {"version", entry.version},
    };
    // A brand string that is not UTF-8 must not cost the line.
    return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<HistoryEntry> parseHistoryLine(std::string_view line)
{
    const Json object = Json::parse(line.begin(), line.end(), nullptr, false);
    if (!object.is_object()) return std::nullopt;
    const auto date = field<std::string>(object, "dateUtc");
    const auto size = field<std::string>(object, "size");
    const auto time = field<std::uint32_t>(object, "timeMs");
    const auto verdict = field<std::string>(object, "verdict");
    if (!date || !size || !time || !verdict) return std::nullopt;
    const auto exponent = sizeExponentFromName(*size);
    if (!exponent) return std::nullopt;

    HistoryEntry entry;
    entry.dateUtc = *date;
    entry.sizeExponent = *exponent;
    entry.timeMs = *time;
    entry.verdict = *verdict;
    entry.fingerprint = field<std::string>(object, "fingerprint").value_or("");
    entry.fingerprintChecked = field<bool>(object, "fingerprintChecked").value_or(false);
    entry.fingerprintMatched = field<bool>(object, "fingerprintMatched").value_or(false);
    if (const auto area = object.find("workArea"); area != object.end() && area->is_object()) {
        entry.workAreaBytes = field<std::uint64_t>(*area, "bytes").value_or(0);
        entry.workAreaLength = field<std::int32_t>(*area, "length").value_or(0);
    }
    entry.lanePath = field<std::string>(object, "lanePath").value_or("");
    entry.processor = field<std::string>(object, "processor").value_or("unknown");
    entry.version = field<std::string>(object, "version").value_or("unknown");
    return entry;
}

std::optional<std::string> appendToHistory(const std::filesystem::path& file, const HistoryEntry& entry)
{
    return appendWholeLine(file, historyLine(entry));
}

HistoryContents readHistory(const std::filesystem::path& file)
{
    HistoryContents contents;
    const ReadableFile found = openRegularFileForReading(pathText(file));
    if (found.missing) {
        contents.missing = true;
        return contents;
    }
    if (found.file == nullptr) {
        contents.problem = found.problem;
        return contents;
    }
    std::string line;
    bool tooLong = false;
    errno = 0;
    while (readLine(found.file, line, tooLong)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos && !tooLong) continue; // a blank line holds nothing
        auto entry = tooLong ? std::nullopt : parseHistoryLine(line);
        if (entry) contents.entries.push_back(std::move(*entry));
        else ++contents.damagedLines;
    }
    if (std::ferror(found.file)) contents.problem = "cannot read " + pathText(file) + ": " + systemErrorText(errno);
    std::fclose(found.file);
    return contents;
}

} // namespace calvorn
