// Numeric helpers shared by every layer of the arithmetic: truncation and
// rounding of doubles, the conversion back to words, integer powers and
// logarithms. Pure functions and constants, no state.
#pragma once

#include <cmath>
#include <cstdint>

namespace calvorn {

// Below this magnitude a double converts to a 64-bit integer and back exactly
// (2^52: from here on every double is whole).
inline constexpr double wholeFromHere = 4503599627370496.0;

// floor(x) for x > 0, otherwise -floor(-x): the carry split of every loop.
// Below 2^52 the truncation goes through a 64-bit integer, inline rather than
// through the library's floor; the sign is put back so that the results are
// the same to the bit, -0.0 for -1 < x <= -0.0 included.
inline double truncateTowardZero(double x)
{
    if (!(std::fabs(x) < wholeFromHere)) return x > 0.0 ? std::floor(x) : -std::floor(-x);
    return std::copysign(static_cast<double>(static_cast<std::int64_t>(x)), x);
}

// Nearest whole number, halves away from zero: floor(x + 0.5) for x >= 0,
// otherwise -floor(0.5 - x). Below 2^52 the floor of that positive sum goes
// through a 64-bit integer, as above, with the same results to the bit.
inline double roundHalfAway(double x)
{
    if (!(std::fabs(x) < wholeFromHere)) return x >= 0.0 ? std::floor(x + 0.5) : -std::floor(0.5 - x);
    if (x >= 0.0) return static_cast<double>(static_cast<std::int64_t>(x + 0.5));
    return -static_cast<double>(static_cast<std::int64_t>(0.5 - x));
}

// A finished whole value back into a 32-bit word, truncating toward zero.
constexpr std::int32_t toWord(double value) { return static_cast<std::int32_t>(value); }

// The leading word of the value 1: a stored number's first word holds its
// integer part times 10^8.
inline constexpr std::int32_t leadingWordOfOne = 100000000;

// Natural logarithm times log10(e), as the original constant gives it.
inline double log10Of(double x) { return std::log(x) * 0.4342944819032518; }

// base^exponent in 32-bit integers by repeated squaring. Exponent 0 or base 1
// gives 1; a negative exponent gives (-1)^|exponent| for base -1 and 0 for any
// other base.
constexpr std::int32_t integerPower(std::int32_t base, std::int32_t exponent)
{
    if (exponent == 0 || base == 1) return 1;
    if (exponent < 0) {
        if (base == -1) return (exponent % 2 == 0) ? 1 : -1;
        return 0;
    }
    std::int64_t result = 1;
    std::int64_t square = base;
    for (std::int32_t e = exponent; e > 0; e /= 2) {
        if (e & 1) result = static_cast<std::int32_t>(result * square);
        square = static_cast<std::int32_t>(square * square);
    }
    return static_cast<std::int32_t>(result);
}

// How many times n can be halved by integer division before it is 1 or less.
constexpr std::int32_t integerLog2(std::int32_t n)
{
    std::int32_t count = 0;
    for (; n > 1; n /= 2) ++count;
    return count;
}

} // namespace calvorn
