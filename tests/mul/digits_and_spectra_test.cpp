// The digit loader against the integer split of the words, wherever the run
// lies among the blocks, and the pointwise kernels against complex products
// in long double.
#include <gtest/gtest.h>

#include <complex>
#include <random>
#include <vector>

#include "mul/digit_loader.h"
#include "mul/pointwise.h"
#include "mul/product_bench.h"

namespace calvorn {
namespace {

using test::Words;

TEST(LoadDigits, SplitsWordsIntoHighAndLowDigits)
{
    test::ProductBench bench(8);
    bench.put(bench.x, Words{2099999999, 99999999, 10000, 300000000, 9999, 0});
    std::vector<double> array(12, -1.0);
    loadDigits(bench.run, bench.x, array, 1, 6);
    EXPECT_EQ(array, (std::vector<double>{209999, 9999, 9999, 9999, 1, 0, 30000, 0, 0, 9999, 0, 0}));
}

TEST(LoadDigits, ReadsAnyRunOfWordsAndWritesNothingBeyondIt)
{
    std::mt19937_64 random(44001);
    for (const std::int32_t w : {4, 16}) {
        test::ProductBench bench(w);
        const Words words = test::randomWords(random, 70);
        bench.put(bench.x, words);
        // Runs from the start of a block, inside block 1, and across blocks.
        for (const auto& [j, m] : {std::pair{1, 64}, {w + 1, 2 * w}, {3, 2}, {w / 2 + 1, w / 2}, {5, 40}, {33, 4}}) {
            std::vector<double> array(2 * static_cast<std::size_t>(m) + 2, -1.0);
            loadDigits(bench.run, bench.x, array, j, m);
            for (std::int32_t t = 1; t <= m; ++t) {
                const std::int32_t word = words[j + t - 2];
                ASSERT_EQ(array[2 * (t - 1)], word / 10000) << "w " << w << " j " << j << " t " << t;
                ASSERT_EQ(array[2 * (t - 1) + 1], word % 10000) << "w " << w << " j " << j << " t " << t;
            }
            EXPECT_EQ(array[2 * m], -1.0);
            EXPECT_EQ(array[2 * m + 1], -1.0);
        }
    }
}

// Packed spectra of small whole numbers, so that every product is exact.
std::vector<double> randomSpectrum(std::mt19937_64& random, std::size_t count)
{
    std::uniform_int_distribution<int> value(-1000, 1000);
    std::vector<double> s(count);
    for (double& d : s) d = value(random);
    return s;
}

// The packed product by its definition: two real terms, then complex pairs.
std::vector<double> packedProduct(const std::vector<double>& a, const std::vector<double>& b, long double factor)
{
    std::vector<double> out(a.size());
    out[0] = static_cast<double>(factor * a[0] * b[0]);
    out[1] = static_cast<double>(factor * a[1] * b[1]);
    for (std::size_t k = 2; k < a.size(); k += 2) {
        const std::complex<long double> p =
            factor * std::complex<long double>(a[k], a[k + 1]) * std::complex<long double>(b[k], b[k + 1]);
        out[k] = static_cast<double>(p.real());
        out[k + 1] = static_cast<double>(p.imag());
    }
    return out;
}

TEST(PointwiseKernels, MatchComplexProductsAlsoInPlace)
{
    std::mt19937_64 random(44002);
    for (const std::int32_t count : {4, 8, 64}) {
        const auto a = randomSpectrum(random, static_cast<std::size_t>(count));
        const auto b = randomSpectrum(random, static_cast<std::size_t>(count));

        std::vector<double> out(a.size());
        pointwiseProduct(a, b, out, count);
        EXPECT_EQ(out, packedProduct(a, b, 1.0L));
        pointwiseSquare(a, out, count);
        EXPECT_EQ(out, packedProduct(a, a, 1.0L));
        pointwiseProductDoubled(a, b, out, count);
        EXPECT_EQ(out, packedProduct(a, b, 2.0L));

        auto inA = a;
        pointwiseProduct(inA, b, inA, count);
        EXPECT_EQ(inA, packedProduct(a, b, 1.0L));
        auto inB = b;
        pointwiseProductDoubled(a, inB, inB, count);
        EXPECT_EQ(inB, packedProduct(a, b, 2.0L));
        auto square = a;
        pointwiseSquare(square, square, count);
        EXPECT_EQ(square, packedProduct(a, a, 1.0L));
    }
}

} // namespace
} // namespace calvorn
