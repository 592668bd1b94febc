#include "mul/digit_loader.h"

#include "norm/digit_split.h"
#include "storage/block_transfer.h"

namespace calvorn {

void loadDigits(RunContext& run, StoredNumber& x, std::span<double> array, std::int32_t j, std::int32_t m)
{
    // Each block that holds part of the run is read once, from the block of
    // word j upward; a run inside one block reads just that block.
    const std::int32_t w = run.size.blockWords;
    const std::int32_t last = j + m - 1;
    std::int32_t element = 0;
    for (std::int32_t word = j; word <= last;) {
        const std::int32_t block = (word - 1) / w + 1;
        const std::int32_t position = (word - 1) % w;
        const std::int32_t inBlock = w - position < last - word + 1 ? w - position : last - word + 1;
        const std::span<const std::int32_t> held = viewBlock(run, x, block, run.firstBlockBuffer);
        const auto count = static_cast<std::size_t>(inBlock);
        const std::span<const std::int32_t> words = held.subspan(static_cast<std::size_t>(position), count);
        splitWords(words, array.subspan(static_cast<std::size_t>(element), 2 * count));
        element += 2 * inBlock;
        word += inBlock;
    }
}

} // namespace calvorn
