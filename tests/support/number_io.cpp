#include "support/number_io.h"

#include "storage/block_transfer.h"

namespace calvorn::test {

void writeWords(RunContext& run, StoredNumber& number, const Words& words, std::int32_t fill)
{
    const std::int32_t w = run.size.blockWords;
    const auto count = static_cast<std::int32_t>(words.size());
    const std::int32_t blocks = (count - 1) / w + 1;
    for (std::int32_t b = 1; b <= blocks; ++b) {
        for (std::int32_t i = 0; i < w; ++i) {
            const std::int32_t index = (b - 1) * w + i;
            run.firstBlockBuffer[static_cast<std::size_t>(i)] = index < count ? words[static_cast<std::size_t>(index)] : fill;
        }
        writeBlock(run, number, b, run.firstBlockBuffer);
    }
}

Words readBlocks(RunContext& run, StoredNumber& number, std::int32_t blocks)
{
    const std::int32_t w = run.size.blockWords;
    Words words;
    for (std::int32_t b = 1; b <= blocks; ++b) {
        readBlock(run, number, b, run.firstBlockBuffer);
        words.insert(words.end(), run.firstBlockBuffer.begin(), run.firstBlockBuffer.begin() + w);
    }
    return words;
}

Words readWords(RunContext& run, StoredNumber& number, std::int32_t count)
{
    Words words = readBlocks(run, number, (count - 1) / run.size.blockWords + 1);
    words.resize(static_cast<std::size_t>(count));
    return words;
}

Words randomWords(std::mt19937_64& random, std::int32_t count, std::int32_t leadingLimit)
{
    Words words(static_cast<std::size_t>(count));
    std::uniform_int_distribution<std::int32_t> digit(0, 99999999);
    std::uniform_int_distribution<std::int32_t> leading(0, leadingLimit - 1);
    for (auto& word : words) word = digit(random);
    words[0] = leading(random);
    return words;
}

} // namespace calvorn::test
