#include "driver/progress_lines.h"

#include <cstdio>

namespace calvorn {
namespace {

std::string memoryLine(MessageId label, std::uint64_t bytes, Language language)
{
    char text[96];
    std::snprintf(text, sizeof text, messageText(MessageId::memoryLine, language), messageText(label, language),
                  static_cast<unsigned long long>(bytes));
    return text;
}

} // namespace

std::string elapsedTimeText(std::int64_t milliseconds, Language language)
{
    char text[64];
    std::snprintf(text, sizeof text, messageText(MessageId::elapsedTime, language),
                  static_cast<int>(milliseconds / 3600000), static_cast<int>((milliseconds / 60000) % 60),
                  static_cast<int>((milliseconds % 60000) / 1000));
    return text;
}

std::string elapsedLine(std::uint32_t startTicks, std::uint32_t nowTicks, std::string_view rest, Language language)
{
    const auto milliseconds = static_cast<std::int32_t>(nowTicks - startTicks);
    std::string line = elapsedTimeText(milliseconds, language);
    line += rest;
    return line;
}

std::string iterationDoneText(std::int32_t k, Language language)
{
    char text[64];
    std::snprintf(text, sizeof text, messageText(MessageId::iterationDone, language), k);
    return text;
}

std::string totalMemoryLine(std::uint64_t bytes, Language language)
{
    return memoryLine(MessageId::totalMemoryLabel, bytes, language);
}
std::string availableMemoryLine(std::uint64_t bytes, Language language)
{
    return memoryLine(MessageId::availableMemoryLabel, bytes, language);
}
std::string allocatedMemoryLine(std::uint64_t bytes, Language language)
{
    return memoryLine(MessageId::allocatedMemoryLabel, bytes, language);
}

} // namespace calvorn
