// The digit loader against the integer split of the words, wherever the run
// lies among the blocks, and the digit source against the loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <vector>

#include "mul/digit_loader.h"
#include "mul/product_rig.h"

namespace calvorn {
namespace {

using test::Words;

TEST(LoadDigits, SplitsWordsIntoHighAndLowDigits)
{
    test::ProductRig rig(8);
    rig.put(rig.x, Words{2099999999, 99999999, 10000, 300000000, 9999, 0});
    std::vector<double> array(12, -1.0);
    loadDigits(rig.run, rig.x, array, 1, 6);
    EXPECT_EQ(array, (std::vector<double>{209999, 9999, 9999, 9999, 1, 0, 30000, 0, 0, 9999, 0, 0}));
}

TEST(LoadDigits, ReadsAnyRunOfWordsAndWritesNothingBeyondIt)
{
    std::mt19937_64 random(44001);
    for (const std::int32_t w : {4, 16}) {
        test::ProductRig rig(w);
        const Words words = test::randomWords(random, 70);
        rig.put(rig.x, words);
        // Runs from the start of a block, inside block 1, and across blocks.
        for (const auto& [j, m] : {std::pair{1, 64}, {w + 1, 2 * w}, {3, 2}, {w / 2 + 1, w / 2}, {5, 40}, {33, 4}}) {
            std::vector<double> array(2 * static_cast<std::size_t>(m) + 2, -1.0);
            loadDigits(rig.run, rig.x, array, j, m);
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

// What a transform's first pass gets from viewDigits, asked for in runs of
// every even length from every even element, past the run's digits too, is
// what loadDigits writes (and zeros after it), whether the blocks are seen
// through views or read; the blocks pass as many times as loadDigits passes
// them.
TEST(DigitSource, GivesWhatLoadDigitsWritesAndZerosAfterIt)
{
    std::mt19937_64 random(44002);
    for (const bool views : {true, false}) {
        for (const std::int32_t w : {4, 16}) {
            test::ProductRig rig(w);
            rig.run.viewWorkFiles = views;
            const Words words = test::randomWords(random, 70);
            rig.put(rig.x, words);
            for (const auto& [j, m] : {std::pair{1, 64}, {w + 1, 2 * w}, {3, 2}, {w / 2 + 1, w / 2}, {5, 40}}) {
                const auto digits = 2 * static_cast<std::size_t>(m);
                std::vector<double> want(2 * digits, 0.0);
                const std::uint64_t before = rig.run.transfers.blocksRead;
                loadDigits(rig.run, rig.x, want, j, m);
                const std::uint64_t loaded = rig.run.transfers.blocksRead - before;

                std::vector<double> array(2 * digits, -1.0);
                const DigitSource source = viewDigits(rig.run, rig.x, array, j, m);
                EXPECT_EQ(rig.run.transfers.blocksRead - before, 2 * loaded) << "w " << w << " j " << j;
                for (std::size_t element = 0; element < 2 * digits; element += 2) {
                    for (std::size_t length = 2; element + length <= 2 * digits; length += 2) {
                        std::vector<double> got(length, -1.0);
                        source.load(got, element);
                        const auto from = want.begin() + static_cast<std::ptrdiff_t>(element);
                        const std::vector<double> expected(from, from + static_cast<std::ptrdiff_t>(length));
                        ASSERT_EQ(got, expected) << "views " << views << " w " << w << " j " << j << " m " << m
                                                 << " element " << element << " length " << length;
                    }
                }
                // Taken into the array's own place, as the shortest transforms take them.
                source.load(std::span<double>(array).first(digits), 0);
                const auto end = array.begin() + static_cast<std::ptrdiff_t>(digits);
                EXPECT_TRUE(std::equal(array.begin(), end, want.begin()));
            }
            EXPECT_EQ(rig.run.transfers.blocksViewed > 0, views) << "w " << w;
        }
    }
}

} // namespace
} // namespace calvorn
