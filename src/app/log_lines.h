// The lines the shell itself adds to the log of a run (the driver writes the
// others): the start line, the output-time line, whose elapsed time is the
// driver's elapsedTimeText, and the computation's time to the millisecond,
// in the language of the log (the window's is Korean). UTF-8; the window
// converts them for display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/messages.h"

namespace calvorn {

// The text of the box shown when a run has finished (trailing spaces included).
constexpr std::string_view finishedMessage = messageText(MessageId::runFinished, Language::korean);

// The first line of a run's log: the size label, then
// " 연산을 시작합니다. (%d회 반복)    " with sizeExponent - 1, then LF.
std::string startLogLine(std::int32_t sizeExponent, Language language = Language::korean);

// The line appended after a successful run, without LF:
// the elapsed time, then " PI 데이터 출력 → pi_data.txt".
std::string outputTimeLogLine(std::uint32_t elapsedMilliseconds, Language language = Language::korean);

// The computation's time in seconds to the millisecond, without LF:
// "연산 시간: 0.583초", "computation time: 0.583 s".
std::string computationTimeLine(std::uint32_t elapsedMilliseconds, Language language = Language::korean);

} // namespace calvorn
