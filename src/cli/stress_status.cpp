#include "cli/stress_status.h"

#include <algorithm>
#include <cerrno>

#include "app/text_format.h"
#include "cli/repeat_run.h"
#include "common/size_parameters.h"
#include "driver/work_fingerprint.h"

namespace calvorn {
namespace {

using std::chrono::milliseconds;

// How often a plain (not redrawn) status shows a core's new runs.
constexpr milliseconds plainInterval{10000};
// How often a terminal's status is drawn again at most.
constexpr milliseconds redrawInterval{200};

std::string secondsText(std::uint32_t ms, Language language)
{
    return formatText(messageText(MessageId::stressSeconds, language), ms / 1000.0);
}

const char* copyVerdictText(const CopyState& copy, Language language, bool live)
{
    if (copy.failure) return messageText(MessageId::verdictFailed, language);
    if (copy.passedRuns() > 0) return messageText(MessageId::verdictPassed, language);
    return messageText(live ? MessageId::stressRunning : MessageId::stressNoRun, language);
}

std::uint64_t areaBytes(std::int32_t length) { return (static_cast<std::uint64_t>(length) + 5) * 8; }

std::string workAreaText(const StressJudge& judge, const StressPlan& plan, std::int32_t sizeExponent,
                         Language language)
{
    const std::int32_t full = fullWorkAreaLength(SizeParameters::forExponent(sizeExponent));
    std::vector<std::int32_t> lengths;
    for (const CopyState& c : judge.copies())
        lengths.push_back(c.workAreaLength != 0 ? c.workAreaLength : plan.workAreaLength);
    const bool same = std::all_of(lengths.begin(), lengths.end(), [&](std::int32_t l) { return l == lengths[0]; });
    if (!same) {
        std::string text;
        for (std::size_t i = 0; i < lengths.size(); ++i)
            text += formatText(messageText(MessageId::stressWorkAreaOfCore, language),
                               judge.copies()[i].copy.name.c_str(),
                               static_cast<unsigned long long>(areaBytes(lengths[i])));
        return text;
    }
    if (lengths[0] == full)
        return formatText(messageText(MessageId::stressWorkAreaFull, language),
                          static_cast<unsigned long long>(areaBytes(full)));
    return formatText(messageText(MessageId::stressWorkAreaSmaller, language),
                      static_cast<unsigned long long>(areaBytes(lengths[0])),
                      static_cast<unsigned long long>(areaBytes(full)));
}

} // namespace

std::string clockText(std::chrono::milliseconds time)
{
    const long long seconds = time.count() / 1000;
    return formatText("%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string statusLine(const CopyState& copy, Language language)
{
    const std::string last = copy.passedRuns() > 0 ? secondsText(copy.times.back(), language) : "-";
    return formatText(messageText(MessageId::stressStatusLine, language), copy.copy.name.c_str(),
                      static_cast<long long>(copy.passedRuns()), last.c_str(), copyVerdictText(copy, language, true));
}

const char* machineVerdictText(MachineVerdict verdict, Language language)
{
    switch (verdict) {
    case MachineVerdict::passed: return messageText(MessageId::verdictPassed, language);
    case MachineVerdict::stopped: return messageText(MessageId::verdictStopped, language);
    case MachineVerdict::incomplete: return messageText(MessageId::stressIncomplete, language);
    case MachineVerdict::failed: break;
    }
    return messageText(MessageId::verdictFailed, language);
}

std::string summaryText(const StressJudge& judge, const StressPlan& plan, std::int32_t sizeExponent,
                        MachineVerdict verdict, Language language)
{
    std::string text = "\n";
    for (const CopyState& c : judge.copies()) {
        const bool any = c.passedRuns() > 0;
        const std::string best = any ? secondsText(*std::min_element(c.times.begin(), c.times.end()), language) : "-";
        const std::string median = any ? secondsText(medianOf(c.times), language) : "-";
        text += formatText(messageText(MessageId::stressSummaryLine, language), c.copy.name.c_str(),
                           static_cast<long long>(c.passedRuns()), best.c_str(), median.c_str(),
                           copyVerdictText(c, language, false));
    }
    for (const CopyState& c : judge.copies())
        if (c.failure)
            text += formatText(messageText(MessageId::stressFailureLine, language), c.copy.name.c_str(),
                               static_cast<long long>(c.failure->run), c.failure->text.c_str());
    text += workAreaText(judge, plan, sizeExponent, language);
    if (judge.comparedRuns() > 0) {
        if (const auto agreed = judge.agreedFingerprint())
            text += formatText(messageText(MessageId::stressFingerprintsCompared, language),
                               static_cast<long long>(judge.comparedRuns()), workFingerprintText(*agreed).c_str());
        else text += messageText(MessageId::stressFingerprintsDiffer, language);
    } else if (std::any_of(judge.copies().begin(), judge.copies().end(),
                           [](const CopyState& c) { return c.fingerprintChecked; })) {
        text += messageText(MessageId::stressFingerprintsChecked, language);
    }
    text += formatText(messageText(MessageId::stressMachineVerdict, language), machineVerdictText(verdict, language));
    return text;
}

StressDisplay::StressDisplay(const StressConsole& console, bool redraw,
                             std::optional<std::chrono::milliseconds> duration)
    : console_(console), redraw_(redraw), duration_(duration)
{
}

void StressDisplay::write(const std::string& text)
{
    console_.print(console_.human, text);
    errno = 0;
    if (std::fflush(console_.human) != 0 && errno == EPIPE) readerPresent_ = false;
}

void StressDisplay::plainLine(const std::string& text)
{
    if (!redraw_) write(text);
}

void StressDisplay::show(const std::vector<CopyState>& copies, std::chrono::milliseconds elapsed, bool stopping)
{
    draw(copies, elapsed, stopping, false);
}

void StressDisplay::draw(const std::vector<CopyState>& copies, milliseconds elapsed, bool stopping, bool force)
{
    const Language language = console_.language;
    if (!redraw_) {
        // A core's line again when its verdict changed, or with its new runs
        // every plainInterval: a log of a long test stays short.
        shown_.resize(copies.size());
        shownVerdicts_.resize(copies.size());
        shownAt_.resize(copies.size(), milliseconds(0));
        for (std::size_t i = 0; i < copies.size(); ++i) {
            const CopyState& c = copies[i];
            if (c.passedRuns() == 0 && !c.failure) continue;
            const std::string verdict = copyVerdictText(c, language, true);
            const std::string line = statusLine(c, language);
            const bool changed = verdict != shownVerdicts_[i];
            if (line == shown_[i] || (!changed && elapsed - shownAt_[i] < plainInterval)) continue;
            shown_[i] = line;
            shownVerdicts_[i] = verdict;
            shownAt_[i] = elapsed;
            write(line + "\n");
        }
        return;
    }
    std::vector<std::string> block;
    std::string clock = duration_ ? formatText(messageText(MessageId::stressClockOf, language),
                                               clockText(elapsed).c_str(), clockText(*duration_).c_str())
                                  : formatText(messageText(MessageId::stressClock, language), clockText(elapsed).c_str());
    if (stopping) {
        std::string note = messageText(MessageId::stressStopping, language);
        if (!note.empty() && note.back() == '\n') note.pop_back();
        clock += "  " + note;
    }
    block.push_back(clock);
    for (const CopyState& c : copies) block.push_back(statusLine(c, language));
    if (drawn_ && block == shown_) return;
    // A redraw at most every redrawInterval: fast runs would otherwise flood the terminal.
    if (drawn_ && !force && elapsed - drawnAt_ < redrawInterval) return;
    drawnAt_ = elapsed;
    std::string text;
    // Back to the first line of the block, each line rewritten and cleared to its end.
    if (drawn_) text += "\x1b[" + std::to_string(shown_.size()) + "A";
    for (const std::string& line : block) text += "\r" + line + "\x1b[K\n";
    write(text);
    shown_ = block;
    drawn_ = true;
}

void StressDisplay::finish(const std::vector<CopyState>& copies, std::chrono::milliseconds elapsed)
{
    // Every line as it ended, however recently it was shown.
    if (!redraw_) std::fill(shownAt_.begin(), shownAt_.end(), elapsed - plainInterval);
    draw(copies, elapsed, false, true);
}

} // namespace calvorn
