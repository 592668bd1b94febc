// The digests of correct "pi_data.txt" files: the layout that produced them
// against the documented file facts and a byte-by-byte rendering of the
// output rules, the committed table against MPFR, and the check of a file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "driver/digit_check.h"
#include "mpfr_pi_digits.h"
#include "pi_data_layout.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

// Digit by digit as the output does it: a 56-byte line buffer flushed when
// its position reaches 54, CR LF alone after every 1000th digit.
std::string renderDigitByDigit(const std::string& digits)
{
    std::string file = std::string("PI=") + digits[0] + ".\r\n\r\n";
    std::string line(56, '\0');
    std::size_t linePos = 0;
    for (std::size_t count = 1; count < digits.size(); ++count) {
        line[linePos++] = digits[count];
        if (count % 10 == 0) line[linePos++] = ' ';
        if (linePos >= 54) {
            line[54] = '\r';
            line[55] = '\n';
            file += line;
            linePos = 0;
        }
        if (count % 1000 == 0) file += "\r\n";
    }
    return file + line.substr(0, linePos) + "\r\n";
}

TEST(PiDataDigests, LayoutFollowsTheOutputRules)
{
    const std::string digits = tools::piDigitsFromMpfr(1 << 14);
    const std::string text = tools::piDataText(digits[0], std::string_view(digits).substr(1));
    EXPECT_EQ(text, renderDigitByDigit(digits));
    EXPECT_EQ(text.size(), 18392u);
    EXPECT_EQ(text.substr(0, 20), "PI=3.\r\n\r\n1415926535 ");
    // Line 20 ends with the 1000th digit; an empty line follows.
    const std::size_t line20 = 9 + 19 * 56;
    EXPECT_EQ(text.substr(line20 + 54, 4), "\r\n\r\n");
    // The last line: 34 digits, a space after each group of ten.
    const std::string last = text.substr(text.size() - 39);
    EXPECT_EQ(last.substr(10, 1), " ");
    EXPECT_EQ(last.substr(32, 1), " ");
    EXPECT_EQ(last.substr(33, 4), digits.substr(digits.size() - 4));
    EXPECT_EQ(last.substr(37), "\r\n");
}

TEST(PiDataDigests, TableLengthsMatchTheDocumentedLastLines)
{
    const std::uint64_t lastLineDigits[] = {34, 18, 36, 22, 44, 38, 26, 2, 4, 8, 16, 32};
    for (std::int32_t p = 14; p <= 25; ++p) {
        const std::uint64_t digits = std::uint64_t{1} << p;
        const std::uint64_t rest = lastLineDigits[p - 14];
        ASSERT_EQ(digits % 50, rest);
        const std::uint64_t bytes = 9 + 56 * (digits / 50) + 2 * (digits / 1000) + rest + rest / 10 + 2;
        EXPECT_EQ(correctPiDataDigest(p).bytes, bytes) << "p = " << p;
    }
    EXPECT_EQ(correctPiDataDigest(25).bytes, 37648082u);
}

TEST(PiDataDigests, CommittedTableAgreesWithMpfrForTheSmallerSizes)
{
    const std::string digits = tools::piDigitsFromMpfr(1 << 18);
    for (std::int32_t p = 14; p <= 18; ++p) {
        const auto fresh = tools::digestOfPiData(digits[0], std::string_view(digits).substr(1, std::size_t{1} << p));
        EXPECT_EQ(correctPiDataDigest(p).bytes, fresh.bytes) << "p = " << p;
        EXPECT_EQ(correctPiDataDigest(p).fnv1a, fresh.fnv1a) << "p = " << p;
    }
}

TEST(DigitCheck, AcceptsOnlyTheCorrectFileOfItsSize)
{
    test::ScratchDirectory scratch;
    const std::string digits = tools::piDigitsFromMpfr(1 << 14);
    const std::string correct = tools::piDataText(digits[0], std::string_view(digits).substr(1));
    const auto write = [](const std::string& bytes) { std::ofstream("pi_data.txt", std::ios::binary) << bytes; };

    EXPECT_FALSE(piDataMatchesDigest(14, "pi_data.txt")) << "missing file";
    write(correct);
    EXPECT_TRUE(piDataMatchesDigest(14, "pi_data.txt"));
    EXPECT_FALSE(piDataMatchesDigest(15, "pi_data.txt"));
    EXPECT_FALSE(piDataMatchesDigest(13, "pi_data.txt"));
    EXPECT_FALSE(piDataMatchesDigest(26, "pi_data.txt"));

    std::string wrongDigit = correct;
    const std::size_t lastDigit = wrongDigit.size() - 3;
    wrongDigit[lastDigit] = wrongDigit[lastDigit] == '9' ? '8' : static_cast<char>(wrongDigit[lastDigit] + 1);
    write(wrongDigit);
    EXPECT_FALSE(piDataMatchesDigest(14, "pi_data.txt"));
    write(correct + "\r\n");
    EXPECT_FALSE(piDataMatchesDigest(14, "pi_data.txt"));
    write(correct.substr(0, correct.size() - 1));
    EXPECT_FALSE(piDataMatchesDigest(14, "pi_data.txt"));
}

} // namespace
} // namespace calvorn
