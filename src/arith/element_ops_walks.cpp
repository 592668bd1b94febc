// integerMinus, halveNumber, countAgreeingWords: the operations that need no
// carry toward word 1 and walk the blocks from the first to the last.
#include "arith/element_ops.h"

#include "arith/word_base.h"
#include "arith/word_chains.h"
#include "common/numeric.h"
#include "storage/block_transfer.h"

namespace calvorn {

void integerMinus(RunContext& run, std::int32_t k, StoredNumber& x, StoredNumber& z, std::int32_t n)
{
    const NumberBlocks blocks(run.size, n);
    const auto largest = static_cast<std::int32_t>(largestDigit);
    const auto base = static_cast<std::int32_t>(wordBase);
    BlockBuffer& r = run.firstBlockBuffer;
    // Every digit is complemented against 99999999 and the last word against
    // 10^8, so no borrow ever arises and the weighted sum is exactly k - x.
    for (std::int32_t b = 1; b <= blocks.lastBlock; ++b) {
        readBlock(run, x, b, r);
        std::int32_t top = blocks.top(b);
        if (b == blocks.lastBlock) {
            r[at(top)] = base - r[at(top)];
            --top;
        }
        std::int32_t bottom = 1;
        if (b == 1) {
            r[0] = static_cast<std::int32_t>(static_cast<std::int64_t>(k) * base - r[0] - 1);
            bottom = 2;
        }
        for (std::int32_t p = bottom; p <= top; ++p) r[at(p)] = largest - r[at(p)];
        writeBlock(run, z, b, r);
    }
}

void halveNumber(RunContext& run, StoredNumber& x, std::int32_t n)
{
    const NumberBlocks blocks(run.size, n);
    BlockBuffer& r = run.firstBlockBuffer;
    double remainder = 0.0;
    for (std::int32_t b = 1; b <= blocks.lastBlock; ++b) {
        readBlock(run, x, b, r);
        remainder = halveWords(std::span(r).first(static_cast<std::size_t>(blocks.top(b))), remainder);
        writeBlock(run, x, b, r);
    }
    // The remainder left after word n + 2 is dropped.
}

std::int32_t countAgreeingWords(RunContext& run, StoredNumber& x, StoredNumber& y, std::int32_t n,
                                std::int32_t earlierCount)
{
    const NumberBlocks blocks(run.size, n);
    const std::int32_t w = blocks.blockWords;
    // The blocks before the one holding word earlierCount + 1 agreed last time
    // and are not read again.
    for (std::int32_t b = earlierCount / w + 1; b <= blocks.lastBlock; ++b) {
        const std::span<const std::int32_t> xs = viewBlock(run, x, b, run.firstBlockBuffer);
        const std::span<const std::int32_t> ys = viewBlock(run, y, b, run.secondBlockBuffer);
        for (std::int32_t p = 1; p <= blocks.top(b); ++p)
            if (xs[at(p)] != ys[at(p)]) return (b - 1) * w + p - 1;
    }
    return n + 2;
}

} // namespace calvorn
