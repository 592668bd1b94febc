// What a product must store, computed without the program's own arithmetic:
// exact digit convolutions from GMP and carries released in integers.
//
// The stores define a product as follows. The convolution sums e[t] of the
// operands' base-10^4 digits (hi then lo per word) are released into words
// 1 .. K: word 1 is e[0] plus the carry (not reduced), word k >= 2 has the
// halves e[2k-3], e[2k-2], and the carry into word K comes from word K+1
// alone: c = ((e[2K] div 10^4) + e[2K-1]) div 10^4; everything further down
// is dropped. So the oracle needs e[0] .. e[2K] exactly as the transform plus
// the term routines leave them, and these are the sums of the complete
// convolution of the operands with their guard words, except in e[2K]:
//   - whole products (operands loaded as L = 2n digits, guard digits L .. L+3):
//     the transform holds the pairs of loaded digits, the guard terms the
//     pairs of one operand's first four digits with the other's guard digits.
//     Complete up to e[L+3]; e[L+4] (= e[2K]) lacks digit 4 of one operand
//     times guard digit L of the other (once, as the single term 4 x 4, when
//     L = 4).
//   - half products: the same with L = n, the operands being x words
//     1 .. n/2+2 and y words n/2+1 .. n+2. At n = 2 (L = 2) y's second word is
//     already its first guard word, and e[6] lacks only x digit 4 times y
//     digit 2.
//   - half squares (x words 1 .. n/2+2): complete up to e[2K].
// Beside this definition the tests check that the stored value lies within a
// few units of its last word below the exact product.
#pragma once

#include <cstdint>
#include <vector>

#include <gmpxx.h>

#include "support/exact_integers.h"

namespace calvorn::test {

// Convolution sums or digits, index 0 first.
using Sums = std::vector<std::uint64_t>;

// Base-10^4 digits of words, hi then lo, by integer division.
Sums digitsOfWords(const Words& words);

// The full linear convolution of two digit sequences (GMP, by packing one
// digit per 64 bits).
Sums convolve(const Sums& a, const Sums& b);

struct ReleasedWords {
    Words words;             // words 1 .. count
    std::uint64_t carryOut;  // what left word 1 (0 when word 1 is not reduced)
};

// Releases e[0] .. e[2count - 2] into `count` words with `carry` entering the
// last one; word 1 is reduced below 10^8 only when `reduceLeading`.
ReleasedWords releaseCarriesFrom(const Sums& e, std::int32_t count, std::uint64_t carry, bool reduceLeading);

// The store's rule: the starting carry from e[2count - 1] and e[2count].
std::uint64_t storeStartingCarry(const Sums& e, std::int32_t count);
Words releaseCarries(const Sums& e, std::int32_t count);

// x, y hold at least n+2 words. Results: z words 1 .. n+2 for the whole
// product and the half square, z words n/2+1 .. n+2 for the half product.
Words expectedProduct(const Words& x, const Words& y, std::int32_t n);
Words expectedHalfProduct(const Words& x, const Words& y, std::int32_t n);
Words expectedHalfSquare(const Words& x, std::int32_t n);

// How far the stored words lie below the exact product of the operand words
// x and y (each a fixed-point number from its word 1) cut after
// result.size() words, in units of the last word. Goes through decimal
// strings, which GMP converts fast at any length.
mpz_class shortfall(const Words& x, const Words& y, const Words& result);

} // namespace calvorn::test
