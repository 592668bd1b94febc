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

mpz_class toInteger(const Words& words)
{
    mpz_class value = 0;
    for (const std::int32_t word : words) {
        value *= 100000000;
        value += word;
    }
    return value;
}

Words fromInteger(const mpz_class& value, std::int32_t count)
{
    Words words(static_cast<std::size_t>(count));
    mpz_class rest = value;
    for (std::int32_t j = count - 1; j >= 1; --j) {
        mpz_class digit;
        mpz_fdiv_qr_ui(rest.get_mpz_t(), digit.get_mpz_t(), rest.get_mpz_t(), 100000000);
        words[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(digit.get_si());
    }
    words[0] = static_cast<std::int32_t>(rest.get_si());
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
