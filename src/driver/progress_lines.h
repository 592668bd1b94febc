// The progress lines of a run: elapsed times as hours, minutes and seconds,
// and the memory figures of the sizing step, in the language of the log.
// Formats text only; the driver hands the lines to the host's log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/messages.h"

namespace calvorn {

// "%3d시간%2d분%2d초" of a count of milliseconds: hours = ms / 3600000,
// minutes = (ms / 60000) mod 60, seconds = (ms mod 60000) / 1000. Takes the
// driver's signed 32-bit differences and the shell's unsigned 32-bit counts
// alike: in 64 bits both divide as they would in their own type.
std::string elapsedTimeText(std::int64_t milliseconds, Language language = Language::korean);

// The elapsed time since startTicks (a signed 32-bit difference of tick
// counts, so the wrap of the counter does not matter) followed by `rest`.
std::string elapsedLine(std::uint32_t startTicks, std::uint32_t nowTicks, std::string_view rest,
                        Language language = Language::korean);

// " 반복 %d회 완료  \n" for iteration k.
std::string iterationDoneText(std::int32_t k, Language language = Language::korean);

// The three memory lines, each "label → %9ld \n" with a 64-bit byte count.
std::string totalMemoryLine(std::uint64_t bytes, Language language = Language::korean);
std::string availableMemoryLine(std::uint64_t bytes, Language language = Language::korean);
std::string allocatedMemoryLine(std::uint64_t bytes, Language language = Language::korean);

} // namespace calvorn
