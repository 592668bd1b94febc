#include "app/log_lines.h"

#include "app/size_table.h"
#include "app/text_format.h"

namespace calvorn {

std::string elapsedTimeText(std::uint32_t milliseconds)
{
    const std::uint32_t hours = milliseconds / 3600000u;
    const std::uint32_t minutes = (milliseconds / 60000u) % 60u;
    const std::uint32_t seconds = (milliseconds % 60000u) / 1000u;
    return formatText("%3d시간%2d분%2d초", static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(seconds));
}

std::string startLogLine(std::int32_t sizeExponent)
{
    return std::string(sizeLabel(sizeExponent)) + formatText(" 연산을 시작합니다. (%d회 반복)    \n", sizeExponent - 1);
}

std::string outputTimeLogLine(std::uint32_t elapsedMilliseconds)
{
    return elapsedTimeText(elapsedMilliseconds) + " PI 데이터 출력 → pi_data.txt";
}

} // namespace calvorn
