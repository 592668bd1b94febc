// One step of each carrying loop of the element-wise operations: a word, the
// carry that reaches it, the word that results and the carry that leaves it.
// The plain loops and the AVX2 loops both take their single steps from here.
#pragma once

#include <cstdint>

#include "arith/word_base.h"
#include "common/numeric.h"

namespace calvorn::steps {

inline std::int32_t addStep(std::int32_t x, std::int32_t y, double& carry)
{
    const double sum = static_cast<double>(x) + static_cast<double>(y) + carry;
    carry = truncateTowardZero(sum * inverseWordBase);
    return toWord(sum - carry * wordBase);
}

// For digits in range the borrow is 1 exactly when the difference is negative.
inline std::int32_t subtractStep(std::int32_t x, std::int32_t y, double& borrow)
{
    const double difference = static_cast<double>(x) - static_cast<double>(y) - borrow;
    borrow = truncateTowardZero((largestDigit - difference) * inverseWordBase);
    return toWord(difference + borrow * wordBase);
}

inline std::int32_t multiplyStep(std::int32_t x, double factor, double& carry)
{
    const double product = static_cast<double>(x) * factor + carry;
    carry = truncateTowardZero(product * inverseWordBase);
    return toWord(product - carry * wordBase);
}

inline std::int32_t halveStep(std::int32_t x, double& remainder)
{
    const double h = remainder * wordBase + static_cast<double>(x);
    const double q = truncateTowardZero(h * 0.5);
    remainder = h - 2.0 * q;
    return toWord(q);
}

} // namespace calvorn::steps
