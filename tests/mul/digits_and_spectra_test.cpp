// The digit loader against the integer split of the words, wherever the run
// lies among the blocks.
#include <gtest/gtest.h>

#include <random>
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

} // namespace
} // namespace calvorn
