// The progress lines of a run: elapsed times as hours, minutes and seconds,
// and the memory figures of the sizing step. Formats text only; the driver
// hands the lines to the host's log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace calvorn {

// "%3d시간%2d분%2d초" of a count of milliseconds: hours = ms / 3600000,
// minutes = (ms / 60000) mod 60, seconds = (ms mod 60000) / 1000. Takes the
// driver's signed 32-bit differences and the shell's unsigned 32-bit counts
// alike: in 64 bits both divide as they would in their own type.
std::string elapsedTimeText(std::int64_t milliseconds);

// The elapsed time since startTicks (a signed 32-bit difference of tick
// counts, so the wrap of the counter does not matter) followed by `rest`.
std::string elapsedLine(std::uint32_t startTicks, std::uint32_t nowTicks, std::string_view rest);

// The texts that follow the elapsed time.
constexpr std::string_view startingValuesDone = " 기본연산완료              \n";
// " 반복 %d회 완료  \n" for iteration k.
std::string iterationDoneText(std::int32_t k);

// The three memory lines, each "label → %9ld \n" with a 64-bit byte count.
std::string totalMemoryLine(std::uint64_t bytes);
std::string availableMemoryLine(std::uint64_t bytes);
std::string allocatedMemoryLine(std::uint64_t bytes);

} // namespace calvorn
