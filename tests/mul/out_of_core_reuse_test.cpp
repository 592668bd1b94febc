// The kept block spectra of the out-of-core products under the call orders
// of the Newton iterations: each product equals its plain mode, while the
// blocks that it takes over are spoiled in the operand's file, so that a
// block transformed again would show. Then the transforms that are skipped,
// counted in file blocks, operands that are also the result, and the record
// of what is kept where: spectra that a step did not keep, or that another
// number or another run left, are never taken over.
#include <gtest/gtest.h>

#include <string>

#include "mul/multiply_numbers.h"
#include "mul/out_of_core_rig.h"
#include "mul/out_of_core_oracle.h"
#include "mul/product_checks.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

using test::Words;

constexpr std::uint64_t seed = 45001;
constexpr std::int32_t blockWords = 8;
constexpr std::int32_t area = 64;  // b: blocks of m = 16 words
constexpr std::int32_t m = area / 4;
constexpr std::int32_t longest = 256;

// An iterate at length n carries words 1 .. n/2 + 2 (the rest are zero); it
// agrees with `previous` in its first `agree` words and differs right after.
Words iterate(std::mt19937_64& random, std::int32_t n, const Words& previous, std::int32_t agree)
{
    Words words = test::randomWords(random, longest + 2, 130000000);
    words[0] = 70000000 + static_cast<std::int32_t>(random() % 60000000);
    for (std::int32_t j = 1; j <= agree; ++j) words[j - 1] = previous[j - 1];
    if (agree < n / 2 + 2) words[agree] = (previous[agree] + 1) % 100000000;
    for (std::int32_t j = n / 2 + 3; j <= longest + 2; ++j) words[j - 1] = 0;
    return words;
}

// `fresh` with the first `agree` words of `previous`.
Words agreeingWith(const Words& previous, Words fresh, std::int32_t agree)
{
    for (std::int32_t j = 1; j <= agree; ++j) fresh[j - 1] = previous[j - 1];
    fresh[agree] = (previous[agree] + 1) % 100000000;
    return fresh;
}

Words withLowerPart(const Words& kept, const Words& upper, std::int32_t n)
{
    Words words = test::part(kept, 1, n / 2);
    words.insert(words.end(), upper.begin(), upper.end());
    return words;
}

void expectWords(test::ProductRig& rig, StoredNumber& number, std::int32_t n, const Words& expected,
                 const std::string& what)
{
    EXPECT_EQ(test::readWords(rig.run, number, n + 2), expected) << what << ", n " << n;
}

// The square root: a run that fills X with the spectra of w, then the next
// run with a w that agrees in 3m + 5 words, warm from n = 64: per step the
// half square of v, w times it (mode 4), v times that (mode 1), and at the
// end w times the result with w's kept spectra (mode 6).
TEST(OutOfCoreReuse, SquareRootOrder)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed);
    StoredNumber v("iv.dat");
    RunContext& run = rig.run;

    const Words oldW = test::randomWords(random, longest + 2, 200000000);
    rig.put(rig.x, oldW);
    rig.put(rig.z, test::randomWords(random, longest + 2));
    ReuseHint lastRun;
    multiplyNumbers(run, rig.x, rig.z, rig.z, longest, productKeepFirst, lastRun);

    const std::int32_t agreement = 3 * m + 5;
    const Words w = agreeingWith(oldW, test::randomWords(random, longest + 2, 200000000), agreement);
    ReuseHint hint{.session = run.kept.newSession(), .agreementCount = agreement};
    Words iterateWords = iterate(random, 64, Words(longest + 2, 0), 0);
    for (const std::int32_t n : {64, 128, 256}) {
        const std::int32_t blocks = n / m;
        const std::string step = "step " + std::to_string(n);
        rig.poisonWorkArea();

        // Half square: Y positions of the agreeing blocks are v's, as the
        // half product of the last step left them.
        const std::int32_t kept = hint.iterateAgreeWords / m;
        rig.put(v, test::spoilBlocks(iterateWords, 1, kept, m, true));
        multiplyNumbers(run, v, v, rig.z, n, squareHalf, hint);
        expectWords(rig, rig.z, n, test::expectedOutOfCoreHalfSquare(iterateWords, n, m), step + ", mode 3");
        rig.put(v, iterateWords);

        // w times the square: w's first blocks come from X, those agreeing
        // with the last run's w at the first product, those of the last step
        // later on.
        const std::int32_t fromX = n == 64 ? agreement / m : blocks / 2;
        const Words y4 = test::randomWords(random, longest + 2);
        rig.put(rig.x, test::spoilBlocks(w, 1, fromX, m));
        rig.put(rig.z, y4);
        multiplyNumbers(run, rig.x, rig.z, rig.z, n, productKeepFirst, hint);
        expectWords(rig, rig.z, n, test::expectedOutOfCoreProduct(w, y4, n, m), step + ", mode 4");
        EXPECT_EQ(hint.firstProductOfRun, 0) << step;
        rig.put(rig.x, w);

        const Words y1 = test::randomWords(random, longest + 2);
        rig.put(rig.z, y1);
        multiplyNumbers(run, v, rig.z, rig.z, n, productHalf, hint);
        expectWords(rig, rig.z, n, withLowerPart(y1, test::expectedOutOfCoreHalfProduct(iterateWords, y1, n, m), n),
                    step + ", mode 1");

        if (n == longest) break;
        // The next iterate agrees in all its predecessor's words, then in
        // fewer than it could (the block after the agreeing ones differs).
        const std::int32_t agree = n == 64 ? n / 2 + 2 : n / 2 - 14;
        iterateWords = iterate(random, 2 * n, iterateWords, agree);
        hint.iterateAgreeWords = agree;
    }

    const Words y6 = test::randomWords(random, longest + 2);
    rig.put(rig.x, test::spoilBlocks(w, 1, longest / m, m));
    rig.put(rig.z, y6);
    rig.poisonWorkArea();
    multiplyNumbers(run, rig.x, rig.z, rig.z, longest, productReuseFirst, hint);
    expectWords(rig, rig.z, longest, test::expectedOutOfCoreProduct(w, y6, longest, m), "mode 6");
}

// The reciprocal: t = x * y (mode 5) keeps x's spectra from step to step and
// y's agreeing blocks; the half product y * t (mode 7) takes y's upper half
// from the spectra that mode 5 saved. From S2 (n = b/4) to S4.
TEST(OutOfCoreReuse, ReciprocalOrder)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed + 1);
    StoredNumber y("iv.dat");
    RunContext& run = rig.run;
    rig.clearResult(longest);

    const Words x = test::randomWords(random, longest + 2, 300000000);
    ReuseHint hint{.session = run.kept.newSession()};
    Words iterateWords = iterate(random, 16, Words(longest + 2, 0), 0);
    for (const std::int32_t n : {16, 32, 64, 128, 256}) {
        const std::int32_t blocks = n / m;
        const std::string step = "step " + std::to_string(n);
        const bool firstOutOfCore = n == 16;
        rig.poisonWorkArea();

        rig.put(rig.x, firstOutOfCore ? x : test::spoilBlocks(x, 1, blocks / 2, m));
        rig.put(y, test::spoilBlocks(iterateWords, 1, hint.iterateAgreeWords / m, m));
        multiplyNumbers(run, rig.x, y, rig.z, n, productFixedFirst, hint);
        expectWords(rig, rig.z, n, test::expectedOutOfCoreProduct(x, iterateWords, n, m), step + ", mode 5");
        EXPECT_EQ(hint.firstProductOfRun, 0) << step;

        const Words t = test::randomWords(random, longest + 2);
        rig.put(y, n == 16 ? iterateWords : test::spoilBlocks(iterateWords, 1, n / 2 / m, m));
        rig.put(rig.z, t);
        multiplyNumbers(run, y, rig.z, rig.z, n, productHalfAfterFixed, hint);
        const Words upper = n == 16 ? test::expectedHalfProduct(iterateWords, t, n)
                                    : test::expectedOutOfCoreHalfProduct(iterateWords, t, n, m);
        expectWords(rig, rig.z, n, withLowerPart(t, upper, n), step + ", mode 7");

        const std::int32_t agree = n == 64 ? n / 2 - 5 : n / 2 + 2;
        iterateWords = iterate(random, 2 * n, iterateWords, agree);
        hint.iterateAgreeWords = agree;
    }
}

// The inverse square root: the half square of y (mode 3), then y times the
// result (mode 8). In S3 mode 3 is in core and mode 8 transforms both
// operands, which leaves y's first block in Y for the first half square out
// of core; in S4 mode 8 takes y's upper half from the half square.
TEST(OutOfCoreReuse, InverseSquareRootOrder)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed + 2);
    StoredNumber y("iv.dat");
    RunContext& run = rig.run;
    rig.clearResult(longest);

    ReuseHint hint{.session = run.kept.newSession()};
    Words iterateWords = iterate(random, 16, Words(longest + 2, 0), 0);
    for (const std::int32_t n : {16, 32, 64, 128, 256}) {
        const std::string step = "step " + std::to_string(n);
        const bool s4 = n >= area;
        rig.poisonWorkArea();

        rig.put(y, s4 ? test::spoilBlocks(iterateWords, 1, hint.iterateAgreeWords / m, m, true) : iterateWords);
        multiplyNumbers(run, y, y, rig.z, n, squareHalf, hint);
        expectWords(rig, rig.z, n,
                    s4 ? test::expectedOutOfCoreHalfSquare(iterateWords, n, m) : test::expectedHalfSquare(iterateWords, n),
                    step + ", mode 3");

        const Words t = test::randomWords(random, longest + 2);
        rig.put(y, s4 ? test::spoilBlocks(iterateWords, 1, n / 2 / m, m) : iterateWords);
        rig.put(rig.z, t);
        multiplyNumbers(run, y, rig.z, rig.z, n, productHalfAfterSquare, hint);
        const Words upper = n >= area / 2 ? test::expectedOutOfCoreHalfProduct(iterateWords, t, n, m)
                                          : test::expectedHalfProduct(iterateWords, t, n);
        expectWords(rig, rig.z, n, withLowerPart(t, upper, n), step + ", mode 8");

        const std::int32_t agree = n == 128 ? n / 2 - 3 : n / 2 + 2;
        iterateWords = iterate(random, 2 * n, iterateWords, agree);
        hint.iterateAgreeWords = agree;
    }
}

// Blocks taken over are neither loaded nor transformed nor saved: against a
// call that transforms everything, each one saves m / W block reads of the
// operand and b / halfBlockWords block writes of its spectrum.
TEST(OutOfCoreReuse, BlocksTakenOverAreNotTransformedAgain)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed + 3);
    RunContext& run = rig.run;
    const std::int32_t n = 128;  // K = 8, K'' = 5
    const std::int32_t reads = m / blockWords;
    const std::int32_t writes = area / run.size.halfBlockWords;
    const Words x = test::randomWords(random, n + 2, 200000000);
    const Words y = test::randomWords(random, n + 2);
    rig.put(rig.x, x);
    rig.put(rig.y, y);
    rig.clearResult(n);

    // Transfers of one call after `prepare` has set the counts.
    ReuseHint hint;
    const auto transfersOf = [&](std::int32_t mode, auto prepare) {
        prepare();
        const TransferCounts before = run.transfers;
        multiplyNumbers(run, rig.x, rig.y, rig.z, n, mode, hint);
        return TransferCounts{run.transfers.blocksRead - before.blocksRead,
                              run.transfers.blocksWritten - before.blocksWritten};
    };
    const auto expectSaving = [&](const TransferCounts& all, const TransferCounts& fewer, std::int32_t blocks,
                                  const std::string& what) {
        EXPECT_EQ(all.blocksRead - fewer.blocksRead, static_cast<std::uint64_t>(blocks * reads)) << what;
        EXPECT_EQ(all.blocksWritten - fewer.blocksWritten, static_cast<std::uint64_t>(blocks * writes)) << what;
    };

    // Mode 4: at the first product of a run, the blocks inside agreementCount.
    const auto keepAll = transfersOf(productKeepFirst, [&] { hint.firstProductOfRun = 1; hint.agreementCount = 0; });
    const auto keepFrom4 =
        transfersOf(productKeepFirst, [&] { hint.firstProductOfRun = 1; hint.agreementCount = 3 * m + 5; });
    expectSaving(keepAll, keepFrom4, 3, "mode 4, agreementCount 3m + 5");
    const auto keepHalf = transfersOf(productKeepFirst, [&] { hint.agreementCount = 0; });
    expectSaving(keepAll, keepHalf, n / m / 2, "mode 4, later in the run");
    EXPECT_EQ(hint.firstProductOfRun, 0);

    // Mode 6 saves every block of x; mode 0 transforms them all.
    const auto plain = transfersOf(productFull, [] {});
    const auto reuse = transfersOf(productReuseFirst, [] {});
    expectSaving(plain, reuse, n / m, "mode 6");

    // Mode 5: x's first half after the first product, y's agreeing blocks.
    const auto fixedAll =
        transfersOf(productFixedFirst, [&] { hint.firstProductOfRun = 1; hint.iterateAgreeWords = 0; });
    const auto fixedLater = transfersOf(productFixedFirst, [&] { hint.iterateAgreeWords = 2 * m + 1; });
    expectSaving(fixedAll, fixedLater, n / m / 2 + 2, "mode 5, later with 2m + 1 agreeing words");

    // Mode 3 in S4: the blocks inside iterateAgreeWords; mode 8 in S4 all of
    // x's upper half, against mode 1.
    const auto halfSquareAll = transfersOf(squareHalf, [&] { hint.iterateAgreeWords = 0; });
    const auto halfSquareFrom3 = transfersOf(squareHalf, [&] { hint.iterateAgreeWords = 2 * m; });
    expectSaving(halfSquareAll, halfSquareFrom3, 2, "mode 3, 2m agreeing words");
    const auto halfProduct = transfersOf(productHalf, [] {});
    const auto halfReuse = transfersOf(productHalfAfterSquare, [] {});
    expectSaving(halfProduct, halfReuse, n / 2 / m, "mode 8");
}

// The driver's in-place square and its pi = a * b into a, and the Newton
// steps' products into their second operand, out of core: every word of an
// operand is read before the result overwrites it.
TEST(OutOfCoreReuse, ResultMayBeAnOperand)
{
    test::OutOfCoreRig rig(blockWords);
    std::mt19937_64 random(seed + 4);
    const std::int32_t n = 128;
    for (const std::int32_t b : {4 * n, 2 * n, n, n / 2}) {
        const std::string size = "b = " + std::to_string(b);
        const std::int32_t blockLength = b / 4;
        rig.workArea(b);
        const Words x = test::randomWords(random, n + 2, test::squareLeadingLimit);
        const Words y = test::randomWords(random, n + 2);

        rig.put(rig.x, x);
        rig.put(rig.y, y);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.x, n, productFull);
        expectWords(rig, rig.x, n, test::expectedOutOfCoreProduct(x, y, n, blockLength), size + ", z = x, mode 0");
        rig.put(rig.x, x);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.y, n, productFull);
        expectWords(rig, rig.y, n, test::expectedOutOfCoreProduct(x, y, n, blockLength), size + ", z = y, mode 0");

        rig.put(rig.y, y);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.y, n, productKeepFirst);
        expectWords(rig, rig.y, n, test::expectedOutOfCoreProduct(x, y, n, blockLength), size + ", z = y, mode 4");
        rig.put(rig.y, y);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.y, n, productReuseFirst);
        expectWords(rig, rig.y, n, test::expectedOutOfCoreProduct(x, y, n, blockLength), size + ", z = y, mode 6");

        if (b > 2 * n) continue;  // the squares and half products are in core in S2
        rig.put(rig.z, x);
        multiplyNumbers(rig.run, rig.z, rig.z, rig.z, n, squareFull);
        expectWords(rig, rig.z, n, test::expectedOutOfCoreProduct(x, x, n, blockLength), size + ", x = y = z, mode 2");

        rig.put(rig.y, y);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.y, n, productHalf);
        expectWords(rig, rig.y, n,
                    withLowerPart(y, test::expectedOutOfCoreHalfProduct(x, y, n, blockLength), n),
                    size + ", z = y, mode 1");
        rig.put(rig.y, y);
        multiplyNumbers(rig.run, rig.x, rig.y, rig.y, n, productHalfAfterSquare);
        expectWords(rig, rig.y, n,
                    withLowerPart(y, test::expectedOutOfCoreHalfProduct(x, y, n, blockLength), n),
                    size + ", z = y, mode 8 after mode 1");

        if (b > n) continue;  // the half square is in core in S3
        multiplyNumbers(rig.run, rig.x, rig.x, rig.x, n, squareHalf);
        expectWords(rig, rig.x, n, test::expectedOutOfCoreHalfSquare(x, n, blockLength), size + ", z = x, mode 3");
    }
}

// A step whose product has a single block (n = b/4) keeps the iterate only
// in the work area: the next step transforms the iterate's first block
// again, although the iterate agrees in more than that block, rather than
// take what Y holds there (here the spectra of the same number's old words,
// left by an earlier run).
TEST(OutOfCoreReuse, ASingleBlockStepLeavesNothingInYForTheNextStep)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed + 5);
    StoredNumber y("iv.dat");
    RunContext& run = rig.run;
    rig.clearResult(longest);
    const Words x = test::randomWords(random, longest + 2, 300000000);
    rig.put(rig.x, x);
    rig.put(y, test::randomWords(random, longest + 2));
    ReuseHint earlier{.session = run.kept.newSession()};
    multiplyNumbers(run, rig.x, y, rig.z, longest, productFixedFirst, earlier);

    ReuseHint hint{.session = run.kept.newSession()};
    const Words first = iterate(random, m, Words(longest + 2, 0), 0);
    rig.put(y, first);
    multiplyNumbers(run, rig.x, y, rig.z, m, productFixedFirst, hint);
    expectWords(rig, rig.z, m, test::expectedOutOfCoreProduct(x, first, m, m), "one block, mode 5");

    // The next iterate agrees in all m + 2 words of this one.
    hint.iterateAgreeWords = m + 2;
    const Words second = iterate(random, 2 * m, first, m + 2);
    rig.put(y, second);
    multiplyNumbers(run, rig.x, y, rig.z, 2 * m, productFixedFirst, hint);
    expectWords(rig, rig.z, 2 * m, test::expectedOutOfCoreProduct(x, second, 2 * m, m), "two blocks, mode 5");
    const Words t = test::randomWords(random, longest + 2);
    rig.put(rig.z, t);
    multiplyNumbers(run, y, rig.z, rig.z, 2 * m, productHalfAfterFixed, hint);
    expectWords(rig, rig.z, 2 * m,
                withLowerPart(t, test::expectedOutOfCoreHalfProduct(second, t, 2 * m, m), 2 * m), "two blocks, mode 7");
}

// The half product of a step puts the other operand's blocks at Y positions
// K'+1 .. 2K', over the block of x's guard words that the half square had
// saved at K'+1. An iterate that agrees beyond that block takes the
// positions before it from Y and transforms the rest again.
TEST(OutOfCoreReuse, HalfSquareTakesOverOnlyItsOwnBlocks)
{
    test::OutOfCoreRig rig(blockWords);
    rig.workArea(area);
    std::mt19937_64 random(seed + 6);
    StoredNumber y("iv.dat");
    RunContext& run = rig.run;
    rig.clearResult(longest);
    ReuseHint hint{.session = run.kept.newSession()};
    const std::int32_t n = 128;  // K' = 4, K'' = 5
    const Words previous = iterate(random, n, Words(longest + 2, 0), 0);
    rig.put(y, previous);
    multiplyNumbers(run, y, y, rig.z, n, squareHalf, hint);
    const Words t = test::randomWords(random, longest + 2);
    rig.put(rig.z, t);
    multiplyNumbers(run, y, rig.z, rig.z, n, productHalfAfterSquare, hint);

    // Agreement in 6 blocks: positions 1 .. 4 are y's, 5 and 6 the other
    // operand's. The words of blocks 1 .. 4 are spoiled.
    const std::int32_t agree = 6 * m;
    hint.iterateAgreeWords = agree;
    const Words next = iterate(random, 2 * n, previous, agree);
    rig.put(y, test::spoilBlocks(next, 1, 4, m, true));
    multiplyNumbers(run, y, y, rig.z, 2 * n, squareHalf, hint);
    expectWords(rig, rig.z, 2 * n, test::expectedOutOfCoreHalfSquare(next, 2 * n, m), "mode 3 after mode 8");
}

// A product that takes kept transforms over refuses, before it writes a
// word, when the record shows the work area or the store holding another
// number's transforms, another run's, or none.
TEST(OutOfCoreReuse, TakingOverWhatWasNotKeptIsRefused)
{
    test::OutOfCoreRig rig(blockWords);
    std::mt19937_64 random(seed + 7);
    RunContext& run = rig.run;
    const std::int32_t n = 128;
    rig.clearResult(n);
    rig.put(rig.x, test::randomWords(random, n + 2, 200000000));
    rig.put(rig.y, test::randomWords(random, n + 2));
    const auto refusal = [&](std::int32_t mode, StoredNumber& first, ReuseHint& hint) -> std::string {
        rig.clearResult(n);
        const TransferCounts before = run.transfers;
        try {
            multiplyNumbers(run, first, rig.y, rig.z, n, mode, hint);
        } catch (const RunFailure& failure) {
            EXPECT_EQ(run.transfers.blocksWritten, before.blocksWritten) << failure.what();
            return failure.what();
        }
        return "no failure";
    };
    const std::string store = " does not hold the kept spectrum of ";
    const std::string workArea = "the work area at ";
    const std::string end = " that this product takes over";

    // Out of core (S4, blocks of 16 words).
    rig.workArea(64);
    ReuseHint keep{.session = run.kept.newSession()};
    multiplyNumbers(run, rig.x, rig.y, rig.z, n, productKeepFirst, keep);
    EXPECT_EQ(refusal(productReuseFirst, rig.y, keep), "spectrum store sx.dat position 1" + store + "iy.dat words 1 .. 16" + end);
    ReuseHint other{.session = run.kept.newSession()};
    EXPECT_EQ(refusal(productReuseFirst, rig.x, other), "spectrum store sx.dat position 1" + store + "ix.dat words 1 .. 16" + end);
    ReuseHint fixed{.session = run.kept.newSession()};
    multiplyNumbers(run, rig.x, rig.y, rig.z, n, productFixedFirst, fixed);
    EXPECT_EQ(refusal(productHalfAfterFixed, rig.x, fixed), "spectrum store sy.dat position 1" + store + "ix.dat words 1 .. 16" + end);
    // Another block length: the spectra of blocks of 16 words do not serve blocks of 32.
    rig.workArea(128);
    EXPECT_EQ(refusal(productReuseFirst, rig.x, keep), "spectrum store sx.dat position 1" + store + "ix.dat words 1 .. 32" + end);

    // In core (S1): nothing kept yet, then a kept transform that a whole
    // product has overwritten since.
    rig.workArea(8 * n);
    ReuseHint inCore{.session = run.kept.newSession()};
    EXPECT_EQ(refusal(productReuseFirst, rig.x, inCore), workArea + "0 does not hold the kept transform of ix.dat words 1 .. 128" + end);
    EXPECT_EQ(refusal(productHalfAfterSquare, rig.x, inCore), workArea + "512 does not hold the kept transform of ix.dat words 1 .. 64" + end);
    multiplyNumbers(run, rig.x, rig.y, rig.z, n, productKeepFirst, inCore);
    multiplyNumbers(run, rig.y, rig.y, rig.z, n, productFull, inCore);
    EXPECT_EQ(refusal(productReuseFirst, rig.x, inCore), workArea + "0 does not hold the kept transform of ix.dat words 1 .. 128" + end);
}

} // namespace
} // namespace calvorn
