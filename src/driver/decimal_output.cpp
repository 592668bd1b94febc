#include "driver/decimal_output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "arith/word_base.h"
#include "common/numeric.h"
#include "driver/decimal_layout.h"
#include "storage/block_transfer.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

constexpr std::int32_t digitsPerWord = 8;

// The place values of a word's digits, most significant first.
constexpr std::array<std::int32_t, digitsPerWord> placeValues{10000000, 1000000, 100000, 10000, 1000, 100, 10, 1};

// The eight digit characters of a word, most significant first: each digit
// is the word divided by its place value, truncated, and the word keeps the
// rest. On whole numbers below 2^31 in magnitude this integer division gives
// exactly what the same steps give in doubles (the quotient of two such
// whole numbers never rounds across a whole number), whatever the word.
void wordCharacters(std::int32_t word, char* out)
{
    if (word >= 0 && word < 100000000) {
        // Both halves at once: the usual case of a word in the digit range.
        std::int32_t high = word / 10000;
        std::int32_t low = word - high * 10000;
        for (int place = 3; place >= 0; --place) {
            out[place] = static_cast<char>('0' + high % 10);
            out[place + 4] = static_cast<char>('0' + low % 10);
            high /= 10;
            low /= 10;
        }
        return;
    }
    for (std::size_t place = 0; place < placeValues.size(); ++place) {
        const std::int32_t digit = word / placeValues[place];
        word -= digit * placeValues[place];
        out[place] = static_cast<char>('0' + digit);
    }
}

// The result going into its side file. A write that fails ends the run with
// the name of the result file and the system's reason.
class OutputFile {
public:
    explicit OutputFile(SideFile& side) : side_(side) {}

    void write(std::span<const char> bytes)
    {
        if (const int error = side_.write(bytes)) fail(error);
    }

    // Flushes, puts the digits on the disk and closes the side file.
    void finish()
    {
        if (const int error = side_.finish()) fail(error);
    }

private:
    [[noreturn]] void fail(int error) const
    {
        throw RunFailure("cannot write " + side_.finalName() + ": " + systemErrorText(error));
    }

    SideFile& side_;
};

} // namespace

void writeDecimalDigits(RunContext& run, StoredNumber& number, std::int32_t n, SideFile& side)
{
    OutputFile output(side);
    const auto emit = [&output](std::span<const char> bytes) { output.write(bytes); };
    // The lines of one block are gathered and written together.
    std::vector<char> pending;
    const auto collect = [&pending](std::span<const char> bytes) {
        pending.insert(pending.end(), bytes.begin(), bytes.end());
    };
    std::vector<char> characters(static_cast<std::size_t>(digitsPerWord * run.size.blockWords));
    DigitLayout layout;
    const std::int32_t w = run.size.blockWords;
    BlockBuffer& buffer = run.firstBlockBuffer;

    for (std::int32_t k = 1; k <= n / w + 1; ++k) {
        readBlock(run, number, k, buffer);
        if (k == 1) {
            // Word 1 holds the integer part times 10^8 plus eight fraction digits.
            const auto x = static_cast<double>(buffer[0]);
            const double integerPart = truncateTowardZero(x * inverseWordBase);
            output.write(decimalHeader(static_cast<std::int32_t>(integerPart)));
            buffer[0] = toWord(truncateTowardZero(x - integerPart * wordBase));
        }
        // Whole blocks up to word n; the block of the guard words prints nothing.
        const std::int32_t words = std::clamp(n - (k - 1) * w, 0, w);
        for (std::int32_t i = 0; i < words; ++i)
            wordCharacters(buffer[static_cast<std::size_t>(i)], characters.data() + digitsPerWord * i);
        // The block's complete lines reach the file before the next block is read.
        const auto count = static_cast<std::size_t>(digitsPerWord * words);
        layout.putDigits(std::span<const char>(characters.data(), count), collect);
        output.write(pending);
        pending.clear();
    }
    layout.finish(emit);
    output.finish();
}

} // namespace calvorn
