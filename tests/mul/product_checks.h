// Operands and checks shared by the product tests: random and extreme
// operands within the range each product allows, and the comparison of z's
// blocks with the oracle, words outside the result included.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mul/product_rig.h"
#include "norm/product_oracle.h"

namespace calvorn::test {

constexpr std::int32_t largestWord = 99999999;

// The leading word of a product must stay below 2^31: a factor up to 21 may
// meet a factor below 1, and a square's base stays below 4.63.
constexpr std::int32_t productLeadingLimit = 2100000000;
constexpr std::int32_t squareLeadingLimit = 463000000;

struct OperandPair {
    Words x, y;
    std::string name;
};

inline Words allNines(std::int32_t count, std::int32_t leading)
{
    Words words(static_cast<std::size_t>(count), largestWord);
    words[0] = leading;
    return words;
}

// n+2 words each: random, and every digit at its largest.
inline std::vector<OperandPair> productOperands(std::mt19937_64& random, std::int32_t n)
{
    return {
        {randomWords(random, n + 2, productLeadingLimit), randomWords(random, n + 2), "random"},
        {allNines(n + 2, productLeadingLimit - 1), allNines(n + 2, largestWord), "largest digits"},
    };
}

struct Operand {
    Words x;
    std::string name;
};

inline std::vector<Operand> squareOperands(std::mt19937_64& random, std::int32_t n)
{
    Words three(static_cast<std::size_t>(n + 2), 0);
    three[0] = 300000000;
    return {
        {randomWords(random, n + 2, squareLeadingLimit), "random"},
        {allNines(n + 2, largestWord), "all nines"},
        {allNines(n + 2, squareLeadingLimit), "largest square"},
        {three, "three"},
    };
}

inline Words part(const Words& words, std::int32_t from, std::int32_t count)
{
    return Words(words.begin() + from - 1, words.begin() + from - 1 + count);
}

// z's blocks hold `expected` at words first .. first + size - 1 and the
// value `untouched` everywhere else.
inline void expectStored(ProductRig& rig, std::int32_t n, std::int32_t first, const Words& expected,
                         const std::string& what)
{
    const Words blocks = rig.blocksOf(rig.z, n);
    const auto last = first + static_cast<std::int32_t>(expected.size()) - 1;
    for (std::int32_t j = 1; j <= static_cast<std::int32_t>(blocks.size()); ++j) {
        const std::int32_t want = (j >= first && j <= last) ? expected[j - first] : untouched;
        if (blocks[j - 1] != want) {
            ADD_FAILURE() << what << ", n " << n << ", blockWords " << rig.run.size.blockWords << ": word " << j
                          << " is " << blocks[j - 1] << ", expected " << want;
            return;
        }
    }
}

// The oracle's words lie at most a few units of their last word below the
// exact product of the operand words.
inline void expectNearExact(const Words& x, const Words& y, const Words& result, const std::string& what)
{
    const mpz_class gap = shortfall(x, y, result);
    EXPECT_TRUE(gap >= 0 && gap < 64) << what << ": " << gap.get_str() << " units below the exact product";
}

} // namespace calvorn::test
