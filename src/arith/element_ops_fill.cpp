// zeroNumber, clearTail, copyNumber: the operations that move words without
// arithmetic, ascending through the blocks.
#include "arith/element_ops.h"

#include <algorithm>

#include "arith/word_base.h"
#include "storage/block_transfer.h"

namespace calvorn {

void zeroNumber(RunContext& run, StoredNumber& x, std::int32_t n)
{
    const NumberBlocks blocks(run.size, n);
    // Whole blocks: the positions of the last block past the number's end
    // become 0 as well.
    run.firstBlockBuffer.fill(0);
    for (std::int32_t b = 1; b <= blocks.lastBlock; ++b) writeBlock(run, x, b, run.firstBlockBuffer);
}

void clearTail(RunContext& run, StoredNumber& x, std::int32_t m, std::int32_t n)
{
    const NumberBlocks blocks(run.size, n);
    assert(m >= 1 && m <= n + 2);
    const std::int32_t w = blocks.blockWords;
    const std::int32_t first = (m - 1) / w + 1;
    BlockBuffer& buffer = run.firstBlockBuffer;

    readBlock(run, x, first, buffer);
    std::fill(buffer.begin() + (m - 1) % w, buffer.begin() + w, 0);
    writeBlock(run, x, first, buffer);

    buffer.fill(0);
    for (std::int32_t b = first + 1; b <= blocks.lastBlock; ++b) writeBlock(run, x, b, buffer);
}

void copyNumber(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n)
{
    const NumberBlocks blocks(run.size, n);
    const std::int32_t w = blocks.blockWords;
    for (std::int32_t b = 1; b <= blocks.lastBlock; ++b) {
        readBlock(run, x, b, run.firstBlockBuffer);
        if (b == blocks.lastBlock) {
            // z's words past n + 2 in this block are not part of the copy.
            readBlock(run, z, b, run.secondBlockBuffer);
            std::copy(run.secondBlockBuffer.begin() + blocks.lastTop, run.secondBlockBuffer.begin() + w,
                      run.firstBlockBuffer.begin() + blocks.lastTop);
        }
        writeBlock(run, z, b, run.firstBlockBuffer);
    }
}

} // namespace calvorn
