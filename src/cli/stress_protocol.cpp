#include "cli/stress_protocol.h"

#include <nlohmann/json.hpp>

namespace calvorn {
namespace {

constexpr std::string_view kindNames[] = {"started", "alive", "run"};
constexpr std::string_view verdictNames[] = {"passed", "stopped", "failed", "fingerprint-differs"};

template <typename Enum, std::size_t n>
std::optional<Enum> named(const std::string& name, const std::string_view (&names)[n])
{
    for (std::size_t i = 0; i < n; ++i)
        if (names[i] == name) return static_cast<Enum>(i);
    return std::nullopt;
}

} // namespace

std::string encodeCopyReport(const CopyReport& report)
{
    nlohmann::ordered_json line = {{"report", kindNames[static_cast<std::size_t>(report.kind)]}};
    switch (report.kind) {
    case CopyReport::Kind::started:
        line["pinned"] = report.pinned;
        line["pinProblem"] = report.pinProblem;
        break;
    case CopyReport::Kind::alive:
        break;
    case CopyReport::Kind::runEnded:
        line.update(nlohmann::ordered_json{
            {"run", report.run},
            {"verdict", verdictNames[static_cast<std::size_t>(report.verdict)]},
            {"timeMs", report.timeMs},
            {"verified", report.verified},
            // As a string: a JSON number would lose bits.
            {"fingerprint", std::to_string(report.fingerprint)},
            {"fingerprintChecked", report.fingerprintChecked},
            {"fingerprintMatched", report.fingerprintMatched},
            {"workAreaBytes", report.workAreaBytes},
            {"workAreaLength", report.workAreaLength},
            {"iterations", report.iterations},
            {"error", report.error},
        });
        break;
    }
    // Invalid UTF-8 in an error text becomes U+FFFD rather than an exception.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<CopyReport> decodeCopyReport(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) return std::nullopt;
    try {
        const auto kind = named<CopyReport::Kind>(object.at("report").get<std::string>(), kindNames);
        if (!kind) return std::nullopt;
        CopyReport report;
        report.kind = *kind;
        switch (report.kind) {
        case CopyReport::Kind::started:
            report.pinned = object.at("pinned").get<bool>();
            report.pinProblem = object.at("pinProblem").get<std::string>();
            break;
        case CopyReport::Kind::alive:
            break;
        case CopyReport::Kind::runEnded: {
            const auto verdict = named<RunVerdict>(object.at("verdict").get<std::string>(), verdictNames);
            if (!verdict) return std::nullopt;
            report.verdict = *verdict;
            report.run = object.at("run").get<std::int64_t>();
            report.timeMs = object.at("timeMs").get<std::uint32_t>();
            report.verified = object.at("verified").get<bool>();
            report.fingerprint = std::stoull(object.at("fingerprint").get<std::string>());
            report.fingerprintChecked = object.at("fingerprintChecked").get<bool>();
            report.fingerprintMatched = object.at("fingerprintMatched").get<bool>();
            report.workAreaBytes = object.at("workAreaBytes").get<std::uint64_t>();
            report.workAreaLength = object.at("workAreaLength").get<std::int32_t>();
            report.iterations = object.at("iterations").get<std::int32_t>();
            report.error = object.at("error").get<std::string>();
            break;
        }
        }
        return report;
    } catch (const std::exception&) {
        return std::nullopt; // a field missing or of another type, or a fingerprint that is no number
    }
}

CopyReport runReport(std::int64_t run, const SessionResult& session, std::string error)
{
    const RunSummary& s = session.summary;
    CopyReport report;
    report.kind = CopyReport::Kind::runEnded;
    report.run = run;
    report.verdict = judgeRun(session);
    report.timeMs = session.outcome == SessionResult::Outcome::recorded ? session.elapsed : s.elapsed;
    report.verified = s.digitsVerified;
    report.fingerprint = s.workFingerprint;
    report.fingerprintChecked = s.fingerprintChecked;
    report.fingerprintMatched = s.fingerprintChecked && s.fingerprintMatched;
    report.workAreaBytes = s.workAreaBytes;
    report.workAreaLength = s.workAreaLength;
    report.iterations = s.iterations;
    report.error = std::move(error);
    return report;
}

} // namespace calvorn
