#include "driver/progress_lines.h"

#include <cstdio>

namespace calvorn {
namespace {

std::string memoryLine(const char* label, std::uint64_t bytes)
{
    char text[96];
    std::snprintf(text, sizeof text, "  %s → %9llu \n", label, static_cast<unsigned long long>(bytes));
    return text;
}

} // namespace

std::string elapsedTimeText(std::int64_t milliseconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%3d시간%2d분%2d초", static_cast<int>(milliseconds / 3600000),
                  static_cast<int>((milliseconds / 60000) % 60), static_cast<int>((milliseconds % 60000) / 1000));
    return text;
}

std::string elapsedLine(std::uint32_t startTicks, std::uint32_t nowTicks, std::string_view rest)
{
    const auto milliseconds = static_cast<std::int32_t>(nowTicks - startTicks);
    std::string line = elapsedTimeText(milliseconds);
    line += rest;
    return line;
}

std::string iterationDoneText(std::int32_t k)
{
    char text[64];
    std::snprintf(text, sizeof text, " 반복 %d회 완료  \n", k);
    return text;
}

std::string totalMemoryLine(std::uint64_t bytes) { return memoryLine("실제시스템메모리", bytes); }
std::string availableMemoryLine(std::uint64_t bytes) { return memoryLine("사용가능한메모리", bytes); }
std::string allocatedMemoryLine(std::uint64_t bytes) { return memoryLine("실제할당된메모리", bytes); }

} // namespace calvorn
