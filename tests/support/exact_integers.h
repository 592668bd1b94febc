// Word vectors as exact integers (GMP), for the oracles of the tests that
// compare the program's arithmetic with whole-number results.
#pragma once

#include <cstdint>

#include <gmpxx.h>

#include "support/number_io.h"

namespace calvorn::test {

// The integer sum of words[j-1] * 10^(8 * (count - j)): the number times 10^(8 * (count - 1)).
mpz_class toInteger(const Words& words);

// The inverse of toInteger for a non-negative value: `count` words, the first
// taking whatever is left above 10^(8 * (count - 1)).
Words fromInteger(const mpz_class& value, std::int32_t count);

} // namespace calvorn::test
