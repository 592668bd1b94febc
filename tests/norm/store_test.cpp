// The stores against carries released in exact integers: whole products,
// upper halves at every layout of blocks, and the pieces of out-of-core
// products with the carry that passes between them.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "norm/product_oracle.h"
#include "norm/store_product.h"
#include "norm/store_product_piece.h"
#include "support/fake_host.h"
#include "support/number_io.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::Sums;
using test::Words;

constexpr std::uint64_t seed = 61001;
constexpr std::int32_t sentinel = 55555555;

// A run with block length w and a number z of `blocks` blocks of sentinels.
struct StoreRig {
    StoreRig(std::int32_t w, std::int32_t blocks)
        : run(host, SizeParameters::withBlockWords(w * blocks, w))
    {
        test::writeWords(run, z, Words(static_cast<std::size_t>(w * blocks), sentinel));
        run.transfers = {};
    }
    test::ScratchDirectory dir;
    test::FakeHost host;
    RunContext run;
    StoredNumber z{"iz.dat"};
};

// Convolution-like sums: whole numbers up to `limit`, as integers and doubles.
Sums randomSums(std::mt19937_64& random, std::size_t count, std::uint64_t limit)
{
    std::uniform_int_distribution<std::uint64_t> value(0, limit);
    Sums sums(count);
    for (auto& s : sums) s = value(random);
    return sums;
}

std::vector<double> asDoubles(const Sums& sums) { return {sums.begin(), sums.end()}; }

TEST(StoreProduct, ReleasesCarriesThroughEveryBlockAndKeepsTheRestOfTheTopBlock)
{
    std::mt19937_64 random(seed);
    for (const std::int32_t w : {4, 8, 64}) {
        for (std::int32_t n = 2; n <= 256; n *= 2) {
            StoreRig rig(w, (n + 2) / w + 2);
            Sums e = randomSums(random, static_cast<std::size_t>(2 * n + 5), std::uint64_t{1} << 40);
            e[0] %= 1000000000;  // the leading word must stay a 32-bit value
            storeProduct(rig.run, asDoubles(e), rig.z, n);
            // Only the partly filled top block is read.
            EXPECT_EQ(rig.run.transfers.blocksRead, (n + 2) % w == 0 ? 0u : 1u) << "n " << n << " w " << w;

            const Words stored = test::readBlocks(rig.run, rig.z, (n + 2) / w + 2);
            const Words expected = test::releaseCarries(e, n + 2);
            EXPECT_EQ(Words(stored.begin(), stored.begin() + n + 2), expected) << "n " << n << " w " << w;
            for (std::size_t i = static_cast<std::size_t>(n + 2); i < stored.size(); ++i)
                ASSERT_EQ(stored[i], sentinel) << "n " << n << " w " << w << " word " << i + 1;
        }
    }
}

// storeUpperHalf with n below, equal to and above the block length: the same
// words n/2+1 .. n+2, nothing else of z changed, only partly filled blocks read.
TEST(StoreUpperHalf, WritesTheSameWordsInEveryBlockLayout)
{
    std::mt19937_64 random(seed + 1);
    struct Layout {
        std::int32_t n, w;
        std::uint64_t blocksRead;
    };
    for (const Layout layout : {Layout{4, 8, 1}, Layout{8, 16, 1}, Layout{8, 8, 2}, Layout{16, 16, 2},
                                Layout{16, 8, 1}, Layout{64, 8, 1}, Layout{64, 4, 1}}) {
        const std::int32_t n = layout.n;
        const std::int32_t w = layout.w;
        const std::int32_t blocks = (n + 2) / w + 2;
        StoreRig rig(w, blocks);
        Sums e = randomSums(random, static_cast<std::size_t>(n + 5), std::uint64_t{1} << 40);
        e[0] %= 1000000000;
        storeUpperHalf(rig.run, asDoubles(e), rig.z, n);

        EXPECT_EQ(rig.run.transfers.blocksRead, layout.blocksRead) << "n " << n << " w " << w;
        const Words stored = test::readBlocks(rig.run, rig.z, blocks);
        const Words expected = test::releaseCarries(e, n / 2 + 2);
        for (std::int32_t j = 1; j <= blocks * w; ++j) {
            const std::int32_t want = (j > n / 2 && j <= n + 2) ? expected[j - n / 2 - 1] : sentinel;
            ASSERT_EQ(stored[j - 1], want) << "n " << n << " w " << w << " word " << j;
        }
    }
}

// One out-of-core product of n words in pieces of p words, stored piece by
// piece in the required order. The oracle adds all pieces into one array of
// sums (piece f's element t is element t + 2(f-1)p of the whole) and releases
// it at once, with the two starting carries of the guard and lowest calls.
struct PieceProduct {
    std::int32_t n, p;
    Sums guard;                // e[0] .. e[4] of the boundary array
    std::vector<Sums> pieces;  // pieces[f-1]: 4p sums, the last one 0
};

PieceProduct randomPieces(std::mt19937_64& random, std::int32_t n, std::int32_t p, std::uint64_t limit)
{
    PieceProduct product{n, p, randomSums(random, 5, limit), {}};
    for (std::int32_t f = 1; f <= n / p; ++f) {
        Sums piece = randomSums(random, static_cast<std::size_t>(4 * p), limit);
        piece[4 * p - 1] = 0;
        product.pieces.push_back(piece);
    }
    product.pieces[0][0] %= 1000000000;
    return product;
}

// Sums of the whole product, words 1 .. n+2 (elements 0 .. 2n+2), and the
// carry into word n+2.
std::pair<Sums, std::uint64_t> wholeSums(const PieceProduct& product, std::int32_t lowestPiece)
{
    const std::int32_t n = product.n, p = product.p;
    Sums whole(static_cast<std::size_t>(2 * n + 3), 0);
    for (std::int32_t t = 0; t <= 2; ++t) whole[2 * n + t] += product.guard[t];
    for (std::int32_t f = lowestPiece; f <= n / p; ++f) {
        const Sums& piece = product.pieces[f - 1];
        for (std::int32_t t = 0; t < 4 * p && 2 * (f - 1) * p + t <= 2 * n + 2; ++t)
            whole[2 * (f - 1) * p + t] += piece[t];
    }
    const Sums& lowest = product.pieces[n / p - 1];
    const std::uint64_t carry = (product.guard[4] / 10000 + product.guard[3]) / 10000 +
                                (lowest[2 * p + 4] / 10000 + lowest[2 * p + 3]) / 10000;
    return {whole, carry};
}

// Returns the carry left in savedPieceCarry after the last piece.
double storePieces(RunContext& run, StoredNumber& z, const PieceProduct& product, std::int32_t lowestPiece)
{
    const std::int32_t n = product.n, p = product.p;
    double savedPieceCarry = 0.0;
    std::vector<double> guard = asDoubles(product.guard);
    storeProductPiece(run, guard, z, 4 * p, n / p + 1, true, false, savedPieceCarry);
    for (std::int32_t f = n / p; f >= lowestPiece; --f)
        storeProductPiece(run, asDoubles(product.pieces[f - 1]), z, 4 * p, f, false, f == n / p, savedPieceCarry);
    return savedPieceCarry;
}

TEST(StoreProductPiece, PiecesMakeTheWholeProduct)
{
    std::mt19937_64 random(seed + 2);
    struct Shape {
        std::int32_t n, p, w;
    };
    for (const Shape shape : {Shape{16, 4, 4}, Shape{32, 8, 4}, Shape{64, 16, 16}, Shape{64, 32, 8}}) {
        const std::int32_t blocks = shape.n / shape.w + 2;
        StoreRig rig(shape.w, blocks);
        const PieceProduct product = randomPieces(random, shape.n, shape.p, std::uint64_t{1} << 40);
        storePieces(rig.run, rig.z, product, 1);

        const auto [sums, carry] = wholeSums(product, 1);
        const Words expected = test::releaseCarriesFrom(sums, shape.n + 2, carry, false).words;
        const Words stored = test::readBlocks(rig.run, rig.z, blocks);
        EXPECT_EQ(Words(stored.begin(), stored.begin() + shape.n + 2), expected) << "n " << shape.n << " p " << shape.p;
        for (std::size_t i = static_cast<std::size_t>(shape.n + 2); i < stored.size(); ++i)
            ASSERT_EQ(stored[i], sentinel) << "word " << i + 1;
    }
}

TEST(StoreProductPiece, HalfProductReducesItsTopWordAndLeavesTheLowerHalfAlone)
{
    std::mt19937_64 random(seed + 3);
    const std::int32_t n = 64, p = 8, w = 8;
    const std::int32_t blocks = n / w + 2;
    StoreRig rig(w, blocks);
    const PieceProduct product = randomPieces(random, n, p, std::uint64_t{1} << 40);
    const std::int32_t lastPiece = n / (2 * p) + 1;
    const double savedPieceCarry = storePieces(rig.run, rig.z, product, lastPiece);

    // Words n/2+1 .. n+2 as a number of their own whose top word is reduced;
    // what leaves it stays in savedPieceCarry and goes nowhere.
    const auto [sums, carry] = wholeSums(product, lastPiece);
    const Sums upper(sums.begin() + n, sums.end());
    const test::ReleasedWords expected = test::releaseCarriesFrom(upper, n / 2 + 2, carry, true);
    const Words stored = test::readBlocks(rig.run, rig.z, blocks);
    for (std::int32_t j = 1; j <= blocks * w; ++j) {
        const std::int32_t want = (j > n / 2 && j <= n + 2) ? expected.words[j - n / 2 - 1] : sentinel;
        ASSERT_EQ(stored[j - 1], want) << "word " << j;
    }
    EXPECT_EQ(savedPieceCarry, static_cast<double>(expected.carryOut));
    EXPECT_GT(expected.carryOut, 0u);
}

TEST(StoreProductPiece, CarryLeavingAPieceEntersTheNextThroughSavedPieceCarry)
{
    const std::int32_t n = 16, p = 4, w = 4;
    StoreRig rig(w, n / w + 2);
    PieceProduct product{n, p, Sums(5, 0), std::vector<Sums>(4, Sums(16, 0))};
    product.guard[0] = 3 * 100000000 + 7;  // z word n+1 gets 7, word n gets 3
    product.guard[2] = 12;                 // z word n+2
    product.guard[3] = 20000;              // starting carry (0 + 20000) / 10^4 = 2
    product.pieces[2][0] = 5 * 100000000;  // piece 3, local word 1: z word 9 gets 0, carry 5
    product.pieces[1][2 * p - 2] = 40;     // piece 2, local word p: z word 8
    product.pieces[1][0] = 9 * 100000000;  // piece 2, local word 1: z word 5 gets 0, carry 9

    double savedPieceCarry = 0.0;
    storeProductPiece(rig.run, asDoubles(product.guard), rig.z, 4 * p, n / p + 1, true, true, savedPieceCarry);
    EXPECT_EQ(savedPieceCarry, 3.0);
    EXPECT_EQ(test::readBlocks(rig.run, rig.z, n / w + 1)[n], 7);  // lowest flag ignored with guard
    storeProductPiece(rig.run, asDoubles(product.pieces[3]), rig.z, 4 * p, 4, false, true, savedPieceCarry);
    EXPECT_EQ(savedPieceCarry, 0.0);
    storeProductPiece(rig.run, asDoubles(product.pieces[2]), rig.z, 4 * p, 3, false, false, savedPieceCarry);
    EXPECT_EQ(savedPieceCarry, 5.0);
    storeProductPiece(rig.run, asDoubles(product.pieces[1]), rig.z, 4 * p, 2, false, false, savedPieceCarry);
    EXPECT_EQ(savedPieceCarry, 9.0);
    storeProductPiece(rig.run, asDoubles(product.pieces[0]), rig.z, 4 * p, 1, false, false, savedPieceCarry);
    EXPECT_EQ(savedPieceCarry, 9.0);  // piece 1 adds it in and leaves it as it was

    Words expected(18, 0);
    expected[15] = 3;   // z word 16 takes the carry of the guard call
    expected[16] = 7;
    expected[17] = 14;  // 12 plus the starting carry 2
    expected[3] = 9;    // the carry out of piece 2
    expected[7] = 45;   // 40 plus the carry out of piece 3
    EXPECT_EQ(test::readWords(rig.run, rig.z, 18), expected);
}

} // namespace
} // namespace calvorn
