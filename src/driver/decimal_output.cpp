#include "driver/decimal_output.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "arith/word_base.h"
#include "common/numeric.h"
#include "driver/decimal_layout.h"
#include "storage/block_transfer.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

constexpr std::int32_t digitsPerWord = 8;

// The place values of a word's digits, indexed by place (1, 10, .. 10^7).
constexpr std::array<double, digitsPerWord> placeValues{1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0,
                                                        10000000.0};

// The result file, closed on every way out. A stop that abandons the output
// leaves behind, flushed, whatever was written before it.
class OutputFile {
public:
    explicit OutputFile(const char* name) : name_(name)
    {
        errno = 0;
        file_ = std::fopen(name, "wb");
        if (file_ == nullptr) fail("cannot create");
    }
    ~OutputFile()
    {
        if (file_ != nullptr) std::fclose(file_);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::span<const char> bytes)
    {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("cannot write");
    }

    // Closes the file; what the C library still held must reach the disk too.
    void close()
    {
        std::FILE* file = file_;
        file_ = nullptr;
        errno = 0;
        if (std::fclose(file) != 0) fail("cannot write");
    }

private:
    [[noreturn]] void fail(const char* what) const
    {
        const int error = errno;
        throw RunFailure(std::string(what) + " " + name_ + ": " +
                         (error != 0 ? std::strerror(error) : "unexpected end of file"));
    }

    std::string name_;
    std::FILE* file_ = nullptr;
};

} // namespace

void writeDecimalDigits(RunContext& run, StoredNumber& number, std::int32_t n)
{
    OutputFile output(decimalOutputFileName);
    const auto emit = [&output](std::span<const char> bytes) { output.write(bytes); };
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
        for (std::int32_t i = 0; i < words; ++i) {
            auto x = static_cast<double>(buffer[static_cast<std::size_t>(i)]);
            for (std::int32_t place = digitsPerWord - 1; place >= 0; --place) {
                const double value = placeValues[static_cast<std::size_t>(place)];
                const double digit = truncateTowardZero(x / value);
                x -= digit * value;
                layout.put(static_cast<std::int32_t>(digit), emit);
            }
        }
    }
    layout.finish(emit);
    output.close();
}

} // namespace calvorn
