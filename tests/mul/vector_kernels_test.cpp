// The digit split and the pointwise kernels two and four at a time against
// the plain loops, bit for bit: every word a 32-bit integer can hold, and
// spectra with values of every size and sign, in place and not.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "common/vector_path.h"
#include "norm/digit_split.h"
#include "mul/pointwise.h"
#include "mul/spectrum_store.h"

namespace calvorn {
namespace {

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint64_t>(a[i]) != std::bit_cast<std::uint64_t>(b[i])) return false;
    return true;
}

class VectorKernels : public testing::Test {
protected:
    void SetUp() override
    {
        if (!avx2Usable()) GTEST_SKIP() << "no AVX2 here: only the plain loops run";
    }
    std::mt19937_64 random{99};
};

#if defined(CALVORN_AVX2)

TEST_F(VectorKernels, DigitSplitMatchesThePlainSplit)
{
    std::uniform_int_distribution<std::int32_t> any(INT_MIN, INT_MAX);
    std::uniform_int_distribution<std::int32_t> digit(0, 99999999);
    for (const std::size_t count : {0u, 1u, 3u, 4u, 5u, 8u, 11u, 16384u}) {
        std::vector<std::int32_t> words(count);
        for (std::size_t i = 0; i < count; ++i) words[i] = i % 3 == 0 ? any(random) : digit(random);
        if (count > 4) {
            words[0] = INT_MIN;
            words[1] = -9999;  // its hi digit is -0.0
            words[2] = 99999999;
            words[3] = 10000;
            words[4] = INT_MAX;
        }
        std::vector<double> plainDigits(2 * count + 3, 7.0), quadDigits(2 * count + 3, 7.0);
        plain::splitWords(words, plainDigits);
        quads::splitWords(words, quadDigits);
        ASSERT_TRUE(sameBits(quadDigits, plainDigits)) << "count " << count;
    }
}

TEST_F(VectorKernels, PointwiseProductsMatchThePlainKernels)
{
    std::uniform_real_distribution<double> value(-1e9, 1e9);
    for (const std::int32_t count : {4, 8, 16, 64, 4096}) {
        std::vector<double> a(static_cast<std::size_t>(count)), b(a.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            a[i] = value(random) * (i % 5 == 0 ? 1e-9 : 1.0);
            b[i] = value(random);
        }
        a[2] = -0.0;
        b[3] = std::numeric_limits<double>::denorm_min();
        const auto check = [&](const char* kernel, auto plainKernel, auto quadKernel) {
            std::vector<double> plainOut(a.size() + 1, 3.0), quadOut(a.size() + 1, 3.0);
            plainKernel(plainOut);
            quadKernel(quadOut);
            EXPECT_TRUE(sameBits(quadOut, plainOut)) << kernel << " count " << count;
        };
        check("product", [&](std::vector<double>& o) { plain::pointwiseProduct(a, b, o, count); },
              [&](std::vector<double>& o) { quads::pointwiseProduct(a, b, o, count); });
        check("square", [&](std::vector<double>& o) { plain::pointwiseSquare(a, o, count); },
              [&](std::vector<double>& o) { quads::pointwiseSquare(a, o, count); });
        check("doubled product", [&](std::vector<double>& o) { plain::pointwiseProductDoubled(a, b, o, count); },
              [&](std::vector<double>& o) { quads::pointwiseProductDoubled(a, b, o, count); });

        // In place: the result over the first operand.
        std::vector<double> plainInPlace = a, quadInPlace = a;
        plain::pointwiseProduct(plainInPlace, b, plainInPlace, count);
        quads::pointwiseProduct(quadInPlace, b, quadInPlace, count);
        EXPECT_TRUE(sameBits(quadInPlace, plainInPlace)) << "in place, count " << count;
        plainInPlace = a;
        quadInPlace = a;
        plain::pointwiseSquare(plainInPlace, plainInPlace, count);
        quads::pointwiseSquare(quadInPlace, quadInPlace, count);
        EXPECT_TRUE(sameBits(quadInPlace, plainInPlace)) << "square in place, count " << count;
    }
}

// The stored-spectrum stretches: every kernel, set and added, the first
// stretch (real elements 0 and 1) and later ones, stretches of one pair and
// of an odd number of pairs, and the result over either operand.
TEST_F(VectorKernels, SpectrumStretchesMatchThePlainKernels)
{
    std::uniform_real_distribution<double> value(-1e9, 1e9);
    for (const std::size_t size : {2u, 4u, 6u, 8u, 10u, 8192u}) {
        std::vector<double> a(size), b(size), sum(size);
        for (std::size_t i = 0; i < size; ++i) {
            a[i] = value(random) * (i % 5 == 0 ? 1e-9 : 1.0);
            b[i] = value(random);
            sum[i] = value(random) * 1e3;
        }
        a[0] = -0.0;
        b[size - 1] = std::numeric_limits<double>::denorm_min();
        for (const SpectrumKernel kind :
             {SpectrumKernel::product, SpectrumKernel::square, SpectrumKernel::doubledProduct}) {
            for (const bool accumulate : {false, true}) {
                for (const bool first : {true, false}) {
                    for (const int alias : {0, 1, 2}) {  // out apart, over a, over b
                        std::vector<double> plainA = a, plainB = b, quadA = a, quadB = b;
                        std::vector<double> plainOut = sum, quadOut = sum;
                        std::vector<double>& po = alias == 1 ? plainA : alias == 2 ? plainB : plainOut;
                        std::vector<double>& qo = alias == 1 ? quadA : alias == 2 ? quadB : quadOut;
                        plain::combineStretch(kind, accumulate, plainA, plainB, po, first);
                        quads::combineStretch(kind, accumulate, quadA, quadB, qo, first);
                        ASSERT_TRUE(sameBits(qo, po)) << "kind " << int(kind) << " accumulate " << accumulate
                                                      << " first " << first << " alias " << alias << " size "
                                                      << size;
                    }
                }
            }
        }
    }
}

#endif

} // namespace
} // namespace calvorn
