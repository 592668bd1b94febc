#include "app/record_table.h"

#include <stdexcept>

#include "app/text_format.h"

namespace calvorn {
namespace {

std::string noTimeLine(std::size_t index, Language language)
{
    const std::string_view label = sizeLabels[index];
    return formatText(messageText(MessageId::notComputedRecord, language), static_cast<int>(label.size()),
                      label.data());
}

struct HoursMinutesSeconds {
    int hours;
    int minutes;
    int seconds;
};

HoursMinutesSeconds splitSeconds(std::uint32_t total)
{
    return {static_cast<int>(total / 3600u), static_cast<int>((total / 60u) % 60u), static_cast<int>(total % 60u)};
}

std::size_t checkedIndex(std::int32_t sizeExponent)
{
    if (!isSizeExponent(sizeExponent)) throw std::out_of_range("size exponent outside 14 .. 25");
    return sizeIndexOf(sizeExponent);
}

} // namespace

void RecordTable::parseRecordBytes(std::string_view bytes)
{
    const std::size_t n = bytes.size();
    // The digit at position x: the byte as a signed character minus '0'; a
    // position past the bytes read counts as a NUL byte.
    const auto digit = [&](std::size_t x) -> std::int32_t {
        const std::int32_t byte = x < n ? static_cast<signed char>(bytes[x]) : 0;
        return byte - '0';
    };

    std::size_t q = 0;
    std::size_t j = 0;
    for (;;) {
        if (q < n && bytes[q] == '+') {
            const std::int32_t seconds = 360000 * digit(q + 2) + 36000 * digit(q + 3) + 3600 * digit(q + 4) +
                                         600 * digit(q + 7) + 60 * digit(q + 8) + 10 * digit(q + 11) + digit(q + 12);
            bestSeconds_[j] = static_cast<std::uint32_t>(seconds);
            q += 12;
        }
        ++q;
        while (q < n && bytes[q] != '\n') ++q;
        ++q;
        if (q > n) break;
        if (++j == sizeCount) break;
    }
}

void RecordTable::recordRun(std::int32_t sizeExponent, std::uint32_t elapsedMilliseconds)
{
    std::uint32_t& best = bestSeconds_[checkedIndex(sizeExponent)];
    const std::uint32_t seconds = elapsedMilliseconds / 1000u;
    if (best == 0 || (seconds != 0 && seconds < best)) best = seconds;
}

std::string RecordTable::startupTable(Language language) const
{
    std::string table;
    for (std::size_t i = 0; i < sizeCount; ++i) {
        if (bestSeconds_[i] == 0) {
            table += noTimeLine(i, language);
            continue;
        }
        const auto t = splitSeconds(bestSeconds_[i]);
        const std::string_view label = sizeLabels[i];
        table += formatText(messageText(MessageId::startupRecord, language), t.hours, t.minutes, t.seconds,
                            static_cast<int>(label.size()), label.data());
    }
    return table;
}

std::string RecordTable::afterRunTable(std::int32_t computedSizeExponent, Language language) const
{
    const std::size_t computed = checkedIndex(computedSizeExponent);
    std::string table;
    for (std::size_t i = 0; i < sizeCount; ++i) {
        if (i != computed && bestSeconds_[i] == 0) {
            table += noTimeLine(i, language);
            continue;
        }
        const auto t = splitSeconds(bestSeconds_[i]);
        const std::string_view label = sizeLabels[i];
        table += formatText(messageText(MessageId::afterRunRecord, language), t.hours, t.minutes, t.seconds,
                            static_cast<int>(label.size()), label.data());
    }
    return table;
}

} // namespace calvorn
