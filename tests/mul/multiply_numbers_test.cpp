// The dispatcher's in-core choices: which region of the work area each mode
// and size class writes, that the result is the mode's product, that the
// kept transforms survive the calls in between, and that operands may be
// the result.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "mul/multiply_numbers.h"
#include "mul/product_checks.h"

namespace calvorn {
namespace {

using test::Words;

constexpr std::uint64_t seed = 43001;

// Bit patterns of the work area, NaN included.
std::vector<std::uint64_t> snapshot(const WorkArea& area)
{
    std::vector<std::uint64_t> bits(area.doubles().size());
    std::memcpy(bits.data(), area.doubles().data(), bits.size() * sizeof(double));
    return bits;
}

std::int32_t lowestChanged(const std::vector<std::uint64_t>& before, const std::vector<std::uint64_t>& after)
{
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i]) return static_cast<std::int32_t>(i);
    return -1;
}

// What z receives from x and y in a mode, and from which word on.
struct Expectation {
    std::int32_t firstWord;
    Words words;
};

Expectation expectedFor(std::int32_t mode, const Words& x, const Words& y, std::int32_t n)
{
    switch (mode) {
    case productFull: case productKeepFirst: case productFixedFirst: case productReuseFirst:
        return {1, test::expectedProduct(x, y, n)};
    case squareFull:
        return {1, test::expectedProduct(x, x, n)};
    case squareHalf:
        return {1, test::expectedHalfSquare(x, n)};
    default:
        return {n / 2 + 1, test::expectedHalfProduct(x, y, n)};
    }
}

// The call that leaves the transform a mode takes over, if any.
std::optional<std::int32_t> companionOf(std::int32_t mode)
{
    if (mode == productReuseFirst) return productKeepFirst;
    if (mode < productFull || mode > productHalfAfterFixed) return squareHalf;  // 8, and 9 or -1 acting as 8
    return std::nullopt;
}

struct Selection {
    std::int32_t mode;
    std::int32_t areaPerN;      // b = areaPerN * n
    std::int32_t lowestWritten; // in units of b/4
};

TEST(MultiplyNumbers, InCoreModesWriteTheirRegionsAndFormTheirProducts)
{
    // S1: b = 8n and 16n; S2: b = 4n; S3: b = 2n.
    const std::vector<Selection> table = {
        {0, 8, 0}, {1, 8, 2}, {2, 8, 2}, {3, 8, 2}, {4, 8, 0}, {5, 8, 0}, {6, 8, 2}, {7, 8, 2},
        {8, 8, 3}, {9, 8, 3}, {-1, 8, 3}, {0, 16, 0}, {2, 16, 2}, {6, 16, 2}, {8, 16, 3},
        {1, 4, 0}, {2, 4, 0}, {3, 4, 2}, {7, 4, 0}, {8, 4, 0}, {9, 4, 0}, {-1, 4, 0},
        {3, 2, 0},
    };
    std::mt19937_64 random(seed);
    for (const std::int32_t n : {2, 64}) {
        test::ProductRig rig(16);
        for (const Selection& s : table) {
            const std::int32_t b = s.areaPerN * n;
            const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
            const Words y = test::randomWords(random, n + 2);
            rig.put(rig.x, x);
            rig.put(rig.y, y);
            rig.workArea(b);
            if (const auto companion = companionOf(s.mode)) {
                const Words other = test::randomWords(random, n + 2);
                rig.put(rig.y, other);
                rig.clearResult(n);
                multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, *companion);
                rig.put(rig.y, y);
            }
            const auto before = snapshot(rig.run.workArea);
            rig.clearResult(n);
            multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, s.mode);

            const std::string what = "mode " + std::to_string(s.mode) + ", b = " + std::to_string(s.areaPerN) + "n";
            EXPECT_EQ(lowestChanged(before, snapshot(rig.run.workArea)), s.lowestWritten * (b / 4))
                << what << ", n " << n;
            const Expectation expected = expectedFor(s.mode, x, y, n);
            test::expectStored(rig, n, expected.firstWord, expected.words, what);
        }
    }
}

// The square root's order in S1: mode 4, then a half square and a half
// product of other numbers, then mode 6 with the kept transform of x. x's
// words that only the transform needs are spoiled before mode 6.
TEST(MultiplyNumbers, KeptProductTransformSurvivesTheHalfProductsInBetween)
{
    std::mt19937_64 random(seed + 1);
    const std::int32_t n = 256;
    test::ProductRig rig(64);
    StoredNumber u("iu.dat");
    rig.workArea(16 * n);
    const Words x = test::randomWords(random, n + 2, test::productLeadingLimit);
    const Words y1 = test::randomWords(random, n + 2);
    const Words y2 = test::randomWords(random, n + 2);
    const Words other = test::randomWords(random, n + 2, test::squareLeadingLimit);

    rig.put(rig.x, x);
    rig.put(rig.y, y1);
    rig.clearResult(n);
    multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, productKeepFirst);
    test::expectStored(rig, n, 1, test::expectedProduct(x, y1, n), "mode 4");

    rig.put(u, other);
    multiplyNumbers(rig.run, u, u, rig.y, n, squareHalf);
    multiplyNumbers(rig.run, u, rig.y, rig.y, n, productHalf);

    Words spoiled = x;
    for (std::int32_t j = 3; j <= n; ++j) spoiled[j - 1] = 12345678;
    rig.put(rig.x, spoiled);
    rig.put(rig.y, y2);
    rig.clearResult(n);
    const std::uint64_t readsBefore = rig.run.transfers.blocksRead;
    multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, productReuseFirst);
    // y's blocks, then the first and guard blocks of x and y, then z's top block.
    EXPECT_EQ(rig.run.transfers.blocksRead - readsBefore, 4u + 2u + 2u + 1u);
    test::expectStored(rig, n, 1, test::expectedProduct(x, y2, n), "mode 6");
}

// The inverse square root's order in S1: mode 3 keeps x's first half, mode 8
// multiplies it by y's lower half without loading x again.
TEST(MultiplyNumbers, KeptHalfSquareTransformServesTheFollowingHalfProduct)
{
    std::mt19937_64 random(seed + 2);
    const std::int32_t n = 256;
    test::ProductRig rig(32);
    rig.workArea(8 * n);
    const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
    const Words y = test::randomWords(random, n + 2);
    rig.put(rig.x, x);
    rig.clearResult(n);
    multiplyNumbers(rig.run, rig.x, rig.x, rig.z, n, squareHalf);
    test::expectStored(rig, n, 1, test::expectedHalfSquare(x, n), "mode 3");

    Words spoiled = x;
    for (std::int32_t j = 3; j <= n / 2; ++j) spoiled[j - 1] = 12345678;
    rig.put(rig.x, spoiled);
    rig.put(rig.y, y);
    rig.clearResult(n);
    multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, productHalfAfterSquare);
    test::expectStored(rig, n, n / 2 + 1, test::expectedHalfProduct(x, y, n), "mode 8");
}

// The reciprocal's order: mode 5 then mode 7, in S1 and (mode 7) S2.
TEST(MultiplyNumbers, FixedProductAndItsHalfProductNeedNothingKept)
{
    std::mt19937_64 random(seed + 3);
    for (const std::int32_t areaPerN : {8, 4}) {
        const std::int32_t n = 128;
        test::ProductRig rig(32);
        rig.workArea(areaPerN * n);
        const Words x = test::randomWords(random, n + 2, test::productLeadingLimit);
        const Words y = test::randomWords(random, n + 2);
        rig.put(rig.x, x);
        rig.put(rig.y, y);
        if (areaPerN == 8) {
            rig.clearResult(n);
            multiplyNumbers(rig.run, rig.x, rig.y, rig.z, n, productFixedFirst);
            test::expectStored(rig, n, 1, test::expectedProduct(x, y, n), "mode 5");
        }
        rig.clearResult(n);
        multiplyNumbers(rig.run, rig.y, rig.x, rig.z, n, productHalfAfterFixed);
        test::expectStored(rig, n, n / 2 + 1, test::expectedHalfProduct(y, x, n), "mode 7");
    }
}

// Operands that are also the result: every value is read before z is written.
TEST(MultiplyNumbers, ResultMayBeAnOperand)
{
    std::mt19937_64 random(seed + 4);
    const std::int32_t n = 64;
    const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
    const Words y = test::randomWords(random, n + 2);
    Words yFirstHalfThenProduct = test::part(y, 1, n / 2);
    const Words upper = test::expectedHalfProduct(x, y, n);
    yFirstHalfThenProduct.insert(yFirstHalfThenProduct.end(), upper.begin(), upper.end());

    for (const std::int32_t areaPerN : {8, 4}) {  // S1, S2
        test::ProductRig rig(16);
        rig.workArea(areaPerN * n);
        StoredNumber& a = rig.x;
        StoredNumber& b = rig.y;
        struct Case {
            StoredNumber &x, &y, &z;
            std::int32_t mode;
            Words expected;
            const char* what;
        };
        std::vector<Case> cases = {
            {a, a, a, squareFull, test::expectedProduct(x, x, n), "x = y = z, mode 2"},
            {a, b, b, productHalf, yFirstHalfThenProduct, "z = y, mode 1"},
            {a, a, a, squareHalf, test::expectedHalfSquare(x, n), "z = x, mode 3"},
        };
        if (areaPerN == 8) {  // whole products are in core only in S1
            cases.push_back({a, b, a, productFull, test::expectedProduct(x, y, n), "z = x, mode 0"});
            cases.push_back({a, b, b, productFull, test::expectedProduct(x, y, n), "z = y, mode 0"});
            cases.push_back({a, a, rig.z, productFull, test::expectedProduct(x, x, n), "x = y, mode 0"});
        }
        for (const Case& c : cases) {
            rig.put(a, x);
            rig.put(b, y);
            rig.clearResult(n);
            multiplyNumbers(rig.run, c.x, c.y, c.z, n, c.mode);
            EXPECT_EQ(test::readWords(rig.run, c.z, n + 2), c.expected) << c.what << ", b = " << areaPerN << "n";
        }
    }
}

} // namespace
} // namespace calvorn
