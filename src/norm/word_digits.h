// The split of a base-10^8 word into two base-10^4 digits, and the constants
// of every carry split between digits. Shared by the digit loader and the
// term routines; pure functions, no state.
#pragma once

#include <cstdint>

#include "common/numeric.h"

namespace calvorn {

constexpr double halfWordBase = 10000.0;  // 10^4
constexpr double halfWordScale = 0.0001;  // 10^-4, the factor of every split

struct WordDigits {
    double hi;  // above 9999 only in a leading word
    double lo;  // 0 .. 9999
};

// hi = truncate(w * 10^-4), lo = w - hi * 10^4, formed from the exact integer w.
inline WordDigits splitWord(std::int32_t word)
{
    const double w = static_cast<double>(word);
    const double hi = truncateTowardZero(w * halfWordScale);
    return {hi, w - hi * halfWordBase};
}

} // namespace calvorn
