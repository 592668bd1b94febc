#include "app/log_lines.h"

#include "app/size_table.h"
#include "app/text_format.h"
#include "driver/progress_lines.h"

namespace calvorn {

std::string startLogLine(std::int32_t sizeExponent)
{
    return std::string(sizeLabel(sizeExponent)) + formatText(" 연산을 시작합니다. (%d회 반복)    \n", sizeExponent - 1);
}

std::string outputTimeLogLine(std::uint32_t elapsedMilliseconds)
{
    return elapsedTimeText(elapsedMilliseconds) + " PI 데이터 출력 → pi_data.txt";
}

} // namespace calvorn
