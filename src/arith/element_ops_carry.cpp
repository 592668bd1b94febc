// addNumbers, subtractNumbers, multiplySmall, multiplyPowerOfTwo: the
// operations whose carry runs from the last guard word toward word 1, so they
// walk the blocks from the last to the first.
#include "arith/element_ops.h"

#include <algorithm>

#include "arith/word_base.h"
#include "arith/word_chains.h"
#include "common/numeric.h"
#include "storage/block_transfer.h"

namespace calvorn {
namespace {

// Visits blocks L .. 1 of a number of length n; in each, `load` fills the
// buffers, `words` works the positions from the block's top down to its
// bottom (1, or 2 in block 1, whose word 1 goes to `leading` last) as one run
// of buffer indices, and the first buffer is written as the block of z. Each
// block of every input is read before the same block of z is written, so z
// may be an input.
template <typename Load, typename Words, typename Leading>
void descendingWalk(RunContext& run, std::int32_t n, StoredNumber& z, Load load, Words words, Leading leading)
{
    const NumberBlocks blocks(run.size, n);
    for (std::int32_t b = blocks.lastBlock; b >= 1; --b) {
        load(b);
        const std::int32_t bottom = b == 1 ? 2 : 1;
        const std::int32_t top = blocks.top(b);
        if (top >= bottom) words(at(bottom), static_cast<std::size_t>(top - bottom + 1));
        if (b == 1) leading();
        writeBlock(run, z, b, run.firstBlockBuffer);
    }
}

// Bits of a product of a word and a power of two that still fit a double's
// 53-bit mantissa: 53 less the bits of a word (27 for base 10^8), at most 30.
std::int32_t powerOfTwoChunk()
{
    const auto wordBits = static_cast<std::int32_t>(truncateTowardZero(log10Of(wordBase) / log10Of(2.0))) + 1;
    return std::min(53 - wordBits, 30);
}

} // namespace

void addNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    BlockBuffer& r = run.firstBlockBuffer;
    // y's block is only looked at; it is used up before z's block is written.
    std::span<const std::int32_t> s;
    double carry = 0.0;
    descendingWalk(
        run, n, z,
        [&](std::int32_t b) {
            readBlock(run, x, b, r);
            s = viewBlock(run, y, b, run.secondBlockBuffer);
        },
        [&](std::size_t first, std::size_t count) {
            carry = addWords(std::span(r).subspan(first, count), s.subspan(first, count), carry);
        },
        [&] { r[0] = toWord(static_cast<double>(r[0]) + static_cast<double>(s[0]) + carry); });
}

void subtractNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    BlockBuffer& r = run.firstBlockBuffer;
    std::span<const std::int32_t> s;
    double borrow = 0.0;
    descendingWalk(
        run, n, z,
        [&](std::int32_t b) {
            readBlock(run, x, b, r);
            s = viewBlock(run, y, b, run.secondBlockBuffer);
        },
        [&](std::size_t first, std::size_t count) {
            borrow = subtractWords(std::span(r).subspan(first, count), s.subspan(first, count), borrow);
        },
        // A result below zero keeps a negative leading word over digits in range.
        [&] { r[0] = toWord(static_cast<double>(r[0]) - static_cast<double>(s[0]) - borrow); });
}

void multiplySmall(RunContext& run, StoredNumber& x, std::int32_t m, StoredNumber& z, std::int32_t n)
{
    BlockBuffer& r = run.firstBlockBuffer;
    const auto factor = static_cast<double>(m);
    double carry = 0.0;
    descendingWalk(
        run, n, z, [&](std::int32_t b) { readBlock(run, x, b, r); },
        [&](std::size_t first, std::size_t count) {
            carry = multiplyWords(std::span(r).subspan(first, count), factor, carry);
        },
        [&] { r[0] = toWord(static_cast<double>(r[0]) * factor + carry); });
}

void multiplyPowerOfTwo(RunContext& run, StoredNumber& x, std::int32_t k, std::int32_t n)
{
    if (k == 0) return;
    const std::int32_t chunk = powerOfTwoChunk();
    for (std::int32_t i = 0; i < k / chunk; ++i) multiplySmall(run, x, integerPower(2, chunk), x, n);
    if (k % chunk != 0) multiplySmall(run, x, integerPower(2, k % chunk), x, n);
}

} // namespace calvorn
