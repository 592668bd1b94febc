// The arithmetic element-wise operations against exact integers (GMP): sums,
// differences, complements, small multiples, halves and powers of two, with
// carries and borrows that cross every block, and results written over inputs.
#include <gtest/gtest.h>

#include <random>

#include "arith/element_ops.h"
#include "element_rig.h"

namespace calvorn {
namespace {

using test::Rig;
using test::filledWords;
using test::unitValue;
using test::shapes;
using test::signedWords;
using test::toInteger;
using test::Words;

// Digits 2 .. count lie in [0, 10^8).
bool digitsInRange(const Words& words, std::size_t count)
{
    for (std::size_t j = 1; j < count; ++j)
        if (words[j] < 0 || words[j] >= 100000000) return false;
    return true;
}

TEST(AddNumbers, CarriesRippleThroughEveryBlockAndResultsMayOverwriteInputs)
{
    std::mt19937_64 random(1);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        // 0.99999999...9 plus one unit of the last word is exactly 1.
        Words one = filledWords(count, 0, 0);
        one.back() = 1;
        t.put(t.x, filledWords(count, 99999999, 99999999));
        t.put(t.y, one);
        addNumbers(t.run, t.x, t.y, t.z, shape.n);
        EXPECT_EQ(t.get(t.z), filledWords(count, 100000000, 0));

        const Words a = test::randomWords(random, count, 900000000);
        const Words b = test::randomWords(random, count, 900000000);
        const Words sum = test::fromInteger(toInteger(a) + toInteger(b), count);
        t.put(t.x, a);
        t.put(t.y, b);
        addNumbers(t.run, t.x, t.y, t.x, shape.n);
        EXPECT_EQ(t.get(t.x), sum);
        t.put(t.x, a);
        addNumbers(t.run, t.x, t.y, t.y, shape.n);
        EXPECT_EQ(t.get(t.y), sum);
        t.put(t.x, a);
        addNumbers(t.run, t.x, t.x, t.x, shape.n);
        EXPECT_EQ(t.get(t.x), test::fromInteger(2 * toInteger(a), count));
    }
}

TEST(SubtractNumbers, BorrowsCrossBlocksAndANegativeResultKeepsItsValue)
{
    std::mt19937_64 random(2);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        Words unit = filledWords(count, 0, 0);
        unit.back() = 1;
        t.put(t.x, filledWords(count, 100000000, 0));
        t.put(t.y, unit);
        subtractNumbers(t.run, t.x, t.y, t.z, shape.n);
        EXPECT_EQ(t.get(t.z), filledWords(count, 99999999, 99999999));
        // 0 - unit: leading word -1 over digits 99999999.
        t.put(t.x, filledWords(count, 0, 0));
        subtractNumbers(t.run, t.x, t.y, t.x, shape.n);
        EXPECT_EQ(t.get(t.x), filledWords(count, -1, 99999999));

        // Equal digits borrow nothing: x - x is 0 whatever x holds.
        const Words same = test::randomWords(random, count, 900000000);
        t.put(t.x, same);
        subtractNumbers(t.run, t.x, t.x, t.x, shape.n);
        EXPECT_EQ(t.get(t.x), filledWords(count, 0, 0));

        for (int round = 0; round < 3; ++round) {
            const Words a = test::randomWords(random, count, 900000000);
            const Words b = test::randomWords(random, count, 900000000);
            const mpz_class expected = toInteger(a) - toInteger(b);
            t.put(t.x, a);
            t.put(t.y, b);
            subtractNumbers(t.run, t.x, t.y, round == 2 ? t.x : t.y, shape.n);
            const Words result = t.get(round == 2 ? t.x : t.y);
            EXPECT_EQ(result, signedWords(expected, count));
            EXPECT_EQ(toInteger(result), expected);
            EXPECT_TRUE(digitsInRange(result, result.size()));
        }
    }
}

TEST(IntegerMinus, WeightedSumIsExactlyKLessXWithTheLastWordUpToTenToTheEight)
{
    std::mt19937_64 random(3);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        // 1 - 1 = 0 as a leading -1, digits 99999999 and a last word of 10^8.
        t.put(t.x, filledWords(count, 100000000, 0));
        integerMinus(t.run, 1, t.x, t.z, shape.n);
        Words zero = filledWords(count, -1, 99999999);
        zero.back() = 100000000;
        EXPECT_EQ(t.get(t.z), zero);

        for (const std::int32_t k : {1, 2, 3, 5}) {
            Words a = test::randomWords(random, count, 300000000);
            if (k == 1) a.back() = 0;
            t.put(t.x, a);
            integerMinus(t.run, k, t.x, t.x, shape.n);
            const Words result = t.get(t.x);
            EXPECT_EQ(toInteger(result), k * unitValue(count) - toInteger(a)) << "k " << k;
            EXPECT_TRUE(digitsInRange(result, result.size() - 1));
            EXPECT_GE(result.back(), 1);
            EXPECT_LE(result.back(), 100000000);
            if (a.back() == 0) {
                EXPECT_EQ(result.back(), 100000000);
            }
        }
    }
}

TEST(MultiplySmall, ProductsUpToTwoToTheTwentySixAreExact)
{
    std::mt19937_64 random(4);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        for (const std::int32_t m : {0, 1, 2, 3, 99, 12345, 9999999, 1 << 26}) {
            // The leading word must stay within 32 bits after the product.
            const std::int32_t leadingLimit = 2000000000 / std::max(m, 1) - 1;
            for (const Words& a : {filledWords(count, std::min(leadingLimit, 99999999) - 1, 99999999),
                                   test::randomWords(random, count, std::min(leadingLimit, 100000000))}) {
                t.put(t.x, a);
                multiplySmall(t.run, t.x, m, t.x, shape.n);
                EXPECT_EQ(t.get(t.x), test::fromInteger(m * toInteger(a), count)) << "m " << m;
            }
        }
    }
}

TEST(HalveNumber, IsTheFloorOfHalfTheValue)
{
    std::mt19937_64 random(5);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        t.put(t.x, filledWords(count, 100000000, 0));
        halveNumber(t.run, t.x, shape.n);
        EXPECT_EQ(t.get(t.x), filledWords(count, 50000000, 0));

        Words odd = filledWords(count, 99999999, 99999999);
        for (const Words& a : {odd, test::randomWords(random, count, 2000000000)}) {
            t.put(t.x, a);
            halveNumber(t.run, t.x, shape.n);
            EXPECT_EQ(t.get(t.x), test::fromInteger(toInteger(a) / 2, count));
        }
    }
}

TEST(MultiplyPowerOfTwo, ChunksOfTwentySixBitsGiveTheExactProduct)
{
    std::mt19937_64 random(6);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t count = t.words();
        for (const std::int32_t k : {0, 1, 25, 26, 27, 52, 60}) {
            // A value small enough that value * 2^k stays below 20.
            const mpz_class limit = (20 * unitValue(count)) >> k;
            const mpz_class value = toInteger(test::randomWords(random, count)) % limit;
            t.put(t.x, test::fromInteger(value, count));
            const std::uint64_t readsBefore = t.run.transfers.blocksRead;
            multiplyPowerOfTwo(t.run, t.x, k, shape.n);
            const std::uint64_t passes = (t.run.transfers.blocksRead - readsBefore) / static_cast<std::uint64_t>(t.lastBlock());
            EXPECT_EQ(t.get(t.x), test::fromInteger(value << k, count)) << "k " << k;
            EXPECT_EQ(passes, static_cast<std::uint64_t>(k / 26 + (k % 26 != 0))) << "k " << k;
        }
    }
}

} // namespace
} // namespace calvorn
