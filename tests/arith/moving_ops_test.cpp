// The element-wise operations that move or compare words: zeroing, cutting,
// copying, counting agreeing words and the double in the leading words; and
// what a stored number looks like in its work file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "arith/element_ops.h"
#include "element_rig.h"

namespace calvorn {
namespace {

using test::Rig;
using test::poison;
using test::shapes;
using test::Words;

Words slice(const Words& words, std::int32_t from, std::int32_t to) // words from .. to - 1, counted from 0
{
    return Words(words.begin() + from, words.begin() + to);
}

TEST(ZeroAndClearTail, ZeroWholeBlocksAndKeepTheWordsBeforeTheCut)
{
    std::mt19937_64 random(11);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t w = shape.blockWords;
        const std::int32_t blocks = t.lastBlock();
        // One block more than the number occupies: it must never be touched.
        const Words before = test::randomWords(random, (blocks + 1) * w);
        t.put(t.x, before);
        zeroNumber(t.run, t.x, shape.n);
        Words after = test::readBlocks(t.run, t.x, blocks + 1);
        EXPECT_EQ(slice(after, 0, blocks * w), Words(static_cast<std::size_t>(blocks * w), 0));
        EXPECT_EQ(slice(after, blocks * w, (blocks + 1) * w), slice(before, blocks * w, (blocks + 1) * w));

        for (const std::int32_t m : {1, 2, std::min(w, shape.n), std::min(w + 1, shape.n), shape.n + 2}) {
            t.put(t.x, before);
            clearTail(t.run, t.x, m, shape.n);
            after = test::readBlocks(t.run, t.x, blocks + 1);
            EXPECT_EQ(slice(after, 0, m - 1), slice(before, 0, m - 1)) << "m " << m;
            EXPECT_EQ(slice(after, m - 1, blocks * w), Words(static_cast<std::size_t>(blocks * w - m + 1), 0)) << "m " << m;
            EXPECT_EQ(slice(after, blocks * w, (blocks + 1) * w), slice(before, blocks * w, (blocks + 1) * w));
        }
    }
}

TEST(CopyNumber, KeepsTheDestinationsWordsPastTheNumberInItsLastBlock)
{
    std::mt19937_64 random(12);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t w = shape.blockWords;
        const std::int32_t blocks = t.lastBlock();
        const Words source = test::randomWords(random, t.words());
        const Words destination = test::randomWords(random, (blocks + 1) * w);
        t.put(t.x, source);
        t.put(t.z, destination);
        const TransferCounts start = t.run.transfers;
        copyNumber(t.run, t.x, t.z, shape.n);
        EXPECT_EQ(t.run.transfers.blocksRead - start.blocksRead, static_cast<std::uint64_t>(blocks + 1));
        EXPECT_EQ(t.run.transfers.blocksWritten - start.blocksWritten, static_cast<std::uint64_t>(blocks));
        const Words after = test::readBlocks(t.run, t.z, blocks + 1);
        EXPECT_EQ(slice(after, 0, t.words()), source);
        EXPECT_EQ(slice(after, t.words(), (blocks + 1) * w), slice(destination, t.words(), (blocks + 1) * w));
        // Onto itself: nothing changes.
        copyNumber(t.run, t.z, t.z, shape.n);
        EXPECT_EQ(test::readBlocks(t.run, t.z, blocks + 1), after);
    }
}

TEST(CountAgreeingWords, FindsTheFirstDifferenceFromTheBlockOfTheEarlierCount)
{
    std::mt19937_64 random(13);
    for (const auto shape : shapes) {
        SCOPED_TRACE(testing::Message() << "blockWords " << shape.blockWords << " n " << shape.n);
        Rig t(shape);
        const std::int32_t w = shape.blockWords;
        const std::int32_t blocks = t.lastBlock();
        const Words a = test::randomWords(random, t.words());
        t.put(t.x, a);
        t.put(t.y, a);
        EXPECT_EQ(countAgreeingWords(t.run, t.x, t.y, shape.n, 0), shape.n + 2);
        for (std::int32_t j = 1; j <= t.words(); j += std::max(1, t.words() / 40)) {
            Words b = a;
            b[static_cast<std::size_t>(j - 1)] ^= 1;
            t.put(t.y, b);
            EXPECT_EQ(countAgreeingWords(t.run, t.x, t.y, shape.n, 0), j - 1);
        }
        if (blocks < 3) continue;
        // A difference in block 1 goes unseen when the earlier count starts
        // the comparison in block 3; only blocks 3 .. L are read.
        Words b = a;
        b[1] ^= 1;
        t.put(t.y, b);
        std::uint64_t reads = t.run.transfers.blocksRead;
        EXPECT_EQ(countAgreeingWords(t.run, t.x, t.y, shape.n, 2 * w + 1), shape.n + 2);
        EXPECT_EQ(t.run.transfers.blocksRead - reads, 2u * static_cast<std::uint64_t>(blocks - 2));
        const std::int32_t later = std::min(2 * w + 4, t.words() - 1); // index from 0, in block 3
        b[static_cast<std::size_t>(later)] ^= 1;
        t.put(t.y, b);
        EXPECT_EQ(countAgreeingWords(t.run, t.x, t.y, shape.n, 2 * w), later);
        // A starting block past the number reads nothing.
        reads = t.run.transfers.blocksRead;
        EXPECT_EQ(countAgreeingWords(t.run, t.x, t.y, shape.n, blocks * w), shape.n + 2);
        EXPECT_EQ(t.run.transfers.blocksRead, reads);
    }
}

TEST(LeadingValue, MovesADoubleThroughWordsOneAndTwoOnly)
{
    Rig t({16, 64});
    std::mt19937_64 random(14);
    const Words before = test::randomWords(random, 16);
    t.put(t.x, before);
    setLeadingValue(t.run, 1.0, t.x);
    Words after = test::readBlocks(t.run, t.x, 1);
    EXPECT_EQ(slice(after, 0, 2), (Words{100000000, 0}));
    EXPECT_EQ(slice(after, 2, 16), slice(before, 2, 16));
    setLeadingValue(t.run, 0.25, t.x);
    EXPECT_EQ(slice(test::readBlocks(t.run, t.x, 1), 0, 2), (Words{25000000, 0}));

    for (const double v : {std::sqrt(0.5), 1.0 / 3.0, 3.141592653589793, 20.0 / 7.0}) {
        setLeadingValue(t.run, v, t.x);
        after = test::readBlocks(t.run, t.x, 1);
        // Sixteen digits of v, as exact as v * 10^8 in a double allows.
        const mpz_class words = test::toInteger(slice(after, 0, 2));
        const mpz_class exact = mpz_class(floor(mpf_class(v, 128) * mpf_class(1e16, 128)));
        EXPECT_LE(abs(words - exact), static_cast<long>(3.0 * v) + 2) << v;
        EXPECT_NEAR(leadingValue(t.run, t.x), v, 4e-16 * v) << v;
    }
    t.put(t.x, Words{314159265, 35897932, 38462643});
    EXPECT_DOUBLE_EQ(leadingValue(t.run, t.x), 3.1415926535897932);
}

std::vector<char> fileBytes(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WorkFile, TheNumberOneIsItsFirstWordFollowedByZeros)
{
    test::ScratchDirectory dir;
    test::FakeHost host;
    RunContext run(host, SizeParameters::forExponent(14));
    StoredNumber a("ia.dat");
    zeroNumber(run, a, run.size.numberWords);
    setLeadingValue(run, 1.0, a);
    std::vector<char> expected(10240, 0);
    expected[0] = 0x00; // 100000000 = 0x05F5E100, little-endian
    expected[1] = static_cast<char>(0xE1);
    expected[2] = static_cast<char>(0xF5);
    expected[3] = 0x05;
    EXPECT_EQ(fileBytes("ia.dat"), expected);
}

TEST(WorkFile, AZeroedNumberFillsItsBlocksAndTheGuardBlockAtEverySize)
{
    const std::uint64_t zeroedBytes[] = {10240,   20480,   40960,   81920,   163840,  327680,
                                         589824, 1114112, 2162688, 4259840, 8454144, 16842752};
    for (std::int32_t p = smallestSizeExponent; p <= largestSizeExponent; ++p) {
        test::ScratchDirectory dir;
        test::FakeHost host;
        RunContext run(host, SizeParameters::forExponent(p));
        StoredNumber a("ia.dat");
        run.firstBlockBuffer.fill(poison);
        zeroNumber(run, a, run.size.numberWords);
        const auto size = static_cast<std::uint64_t>(run.size.blockCount + 1) * static_cast<std::uint64_t>(run.size.blockBytes);
        EXPECT_EQ(std::filesystem::file_size("ia.dat"), size) << "p " << p;
        EXPECT_EQ(size, zeroedBytes[p - smallestSizeExponent]) << "p " << p;
        EXPECT_EQ(host.pumps, static_cast<std::uint64_t>(run.size.blockCount + 1));
        const Words last = test::readBlocks(run, a, run.size.blockCount + 1);
        EXPECT_EQ(std::count(last.begin(), last.end(), 0), static_cast<std::ptrdiff_t>(last.size())) << "p " << p;
    }
}

} // namespace
} // namespace calvorn
