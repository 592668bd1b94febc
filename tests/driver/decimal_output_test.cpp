// "pi_data.txt" byte for byte: the digits of pi from MPFR in a stored number,
// the layout of lines, groups and empty lines built here independently, the
// last line and file size of every size, a stop in the middle of the output
// that leaves the previous file, and file errors that must end the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <mpfr.h>

#include "driver/decimal_layout.h"
#include "driver/decimal_output.h"
#include "storage/run_errors.h"
#include "support/fake_host.h"
#include "support/number_io.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::Words;

// "31415926..." : the first `count` digits of pi, integer digit included.
std::string piDigits(std::size_t count)
{
    mpfr_t pi;
    mpfr_init2(pi, static_cast<mpfr_prec_t>(count * 34 / 10 + 64));
    mpfr_const_pi(pi, MPFR_RNDN);
    mpfr_exp_t exponent = 0;
    char* text = mpfr_get_str(nullptr, &exponent, 10, count + 10, pi, MPFR_RNDZ);
    std::string digits(text, count);
    mpfr_free_str(text);
    mpfr_clear(pi);
    return digits;
}

// Word 1 is the integer digit and eight fraction digits, every later word eight more.
Words wordsOf(const std::string& digits, std::int32_t count)
{
    Words words(static_cast<std::size_t>(count));
    words[0] = std::stoi(digits.substr(0, 9));
    for (std::size_t j = 1; j < words.size(); ++j) words[j] = std::stoi(digits.substr(1 + 8 * j, 8));
    return words;
}

// What "pi_data.txt" must hold for an integer digit and the fraction digits.
std::string expectedFile(char integerDigit, const std::string& fraction)
{
    std::string out = std::string("PI=") + integerDigit + ".\r\n\r\n";
    const std::size_t fullLines = fraction.size() / 50;
    for (std::size_t line = 0; line < fullLines; ++line) {
        for (std::size_t group = 0; group < 5; ++group)
            out += fraction.substr(line * 50 + group * 10, 10) + (group < 4 ? " " : "\r\n");
        if ((line + 1) % 20 == 0) out += "\r\n";
    }
    const std::string rest = fraction.substr(fullLines * 50);
    std::size_t at = 0;
    for (; at + 10 <= rest.size(); at += 10) out += rest.substr(at, 10) + " ";
    return out + rest.substr(at) + "\r\n";
}

std::string fileText(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t openFiles() { return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})); }

struct OutputRun {
    explicit OutputRun(SizeParameters size) : run(host, size) {}
    test::ScratchDirectory dir;
    test::FakeHost host;
    RunContext run;
    StoredNumber a{"ia.dat"};
};

// The digits of `number` as a run leaves them: written to the side file and
// put in place as "pi_data.txt" once complete.
void writeDigitsFile(RunContext& run, StoredNumber& number, std::int32_t n)
{
    SideFile side(decimalOutputFileName);
    writeDecimalDigits(run, number, n, side);
    ASSERT_EQ(side.commit(), 0);
}

TEST(DecimalOutput, PiToSixteenThousandDigitsMatchesTheLayoutByteForByte)
{
    OutputRun t(SizeParameters::forExponent(14));
    const std::string pi = piDigits(16400);
    t.run.firstBlockBuffer.fill(0);
    test::writeWords(t.run, t.a, wordsOf(pi, 2050));
    writeDigitsFile(t.run, t.a, 2048);

    const std::string text = fileText("pi_data.txt");
    EXPECT_EQ(text.size(), 18392u);
    EXPECT_EQ(text, expectedFile('3', pi.substr(1, 16384)));
    EXPECT_EQ(text.substr(0, 31), "PI=3.\r\n\r\n1415926535 8979323846 ");
    EXPECT_EQ(text.size() - text.rfind("\r\n", text.size() - 3) - 2, 39u); // the last line
    EXPECT_EQ(text.find("\r\n\r\n", 9), 9 + 20 * 56 - 2u);                 // after the 1000th digit
}

TEST(DecimalOutput, SmallBlocksAndWordsWithLeadingZeros)
{
    std::mt19937_64 random(21);
    for (const auto& [words, block] : {std::pair{4, 8}, {8, 8}, {64, 16}, {256, 8}}) {
        SCOPED_TRACE(testing::Message() << "n " << words << " blockWords " << block);
        OutputRun t(SizeParameters::withBlockWords(words, block));
        Words number = test::randomWords(random, words + 2, 1000000000);
        number[1] = 7;
        number[2] = 0;
        test::writeWords(t.run, t.a, number);
        writeDigitsFile(t.run, t.a, words);
        std::string fraction;
        char eight[12];
        std::snprintf(eight, sizeof eight, "%08d", number[0] % 100000000);
        fraction += eight;
        for (std::int32_t j = 1; j < words; ++j) {
            std::snprintf(eight, sizeof eight, "%08d", number[static_cast<std::size_t>(j)]);
            fraction += eight;
        }
        EXPECT_EQ(fraction.substr(8, 16), "0000000700000000");
        EXPECT_EQ(fileText("pi_data.txt"), expectedFile(static_cast<char>('0' + number[0] / 100000000), fraction));
    }
}

// Words outside the digit range (never in a finished pi, but possible in a
// wrong one) print as the steps on doubles give them: each digit the
// truncated quotient by its place value, characters past '9' or below '0'
// included. Words 2 .. n of a number of 16 words, blocks of 8.
TEST(DecimalOutput, WordsOutsideTheDigitRangePrintAsTheStepsOnDoublesGiveThem)
{
    std::mt19937_64 random(5);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    OutputRun t(SizeParameters::withBlockWords(16, 8));
    Words number(18, 0);
    number[0] = 300000000;
    const std::int32_t odd[] = {-1, -99999999, 100000000, 123456789, INT32_MAX, INT32_MIN, -7, 999999999};
    for (std::size_t j = 1; j < 16; ++j) number[j] = j <= 8 ? odd[j - 1] : any(random);
    test::writeWords(t.run, t.a, number);
    writeDigitsFile(t.run, t.a, 16);

    std::string fraction = "00000000";
    for (std::size_t j = 1; j < 16; ++j) {
        double x = number[j];
        for (double place = 10000000.0; place >= 1.0; place /= 10.0) {
            const double quotient = x / place;
            const double digit = quotient > 0.0 ? std::floor(quotient) : -std::floor(-quotient);
            x -= digit * place;
            fraction += static_cast<char>('0' + static_cast<std::int32_t>(digit));
        }
    }
    EXPECT_EQ(fileText("pi_data.txt"), expectedFile('3', fraction));
}

// Runs of digits laid out at once give the bytes of digits laid out one by
// one, whatever the runs' lengths.
TEST(DigitLayout, RunsOfDigitsLayOutAsSingleDigits)
{
    std::mt19937_64 random(8);
    std::uniform_int_distribution<std::size_t> runLength(0, 40);
    std::string digits(5000, '0');
    for (std::size_t i = 0; i < digits.size(); ++i) digits[i] = static_cast<char>('0' + random() % 10);
    std::string single, runs;
    DigitLayout one, many;
    const auto toSingle = [&](std::span<const char> bytes) { single.append(bytes.begin(), bytes.end()); };
    const auto toRuns = [&](std::span<const char> bytes) { runs.append(bytes.begin(), bytes.end()); };
    for (const char c : digits) one.put(c - '0', toSingle);
    for (std::size_t at = 0; at < digits.size();) {
        const std::size_t length = std::min(runLength(random), digits.size() - at);
        many.putDigits(std::span<const char>(digits.data() + at, length), toRuns);
        at += length;
    }
    one.finish(toSingle);
    many.finish(toRuns);
    EXPECT_EQ(runs, single);
    EXPECT_EQ(many.digitCount(), one.digitCount());
}

TEST(DigitLayout, LastLinesAndFileSizesOfEverySize)
{
    const std::int32_t lastLineDigits[] = {34, 18, 36, 22, 44, 38, 26, 2, 4, 8, 16, 32};
    for (std::int32_t p = smallestSizeExponent; p <= largestSizeExponent; ++p) {
        const std::int32_t digits = 8 * SizeParameters::forExponent(p).numberWords;
        DigitLayout layout;
        std::uint64_t bytes = decimalHeaderBytes;
        std::size_t last = 0;
        const auto count = [&](std::span<const char> chunk) { bytes += chunk.size(); last = chunk.size(); };
        for (std::int32_t i = 0; i < digits; ++i) layout.put(i % 10, count);
        layout.finish(count);

        const std::int32_t lastDigits = lastLineDigits[p - smallestSizeExponent];
        EXPECT_EQ(layout.digitCount(), digits);
        EXPECT_EQ(last, static_cast<std::size_t>(lastDigits + lastDigits / 10 + 2)) << "p " << p;
        EXPECT_EQ(bytes, 9u + static_cast<std::uint64_t>(digits / 50) * 56 + static_cast<std::uint64_t>(digits / 1000) * 2 + last)
            << "p " << p;
        if (p == 14) {
            EXPECT_EQ(bytes, 18392u);
        }
        if (p == 25) {
            EXPECT_EQ(bytes, 37648082u);
        }
    }
}

TEST(DecimalOutput, TwoMillionDigitsEndWithALineOfTwo)
{
    OutputRun t(SizeParameters::forExponent(21));
    Words three(static_cast<std::size_t>(t.run.size.numberWords + 2), 0);
    three[0] = 300000000;
    test::writeWords(t.run, t.a, three);
    writeDigitsFile(t.run, t.a, t.run.size.numberWords);
    const std::string text = fileText("pi_data.txt");
    EXPECT_EQ(text.size(), 9u + 41943u * 56 + 2097u * 2 + 4);
    EXPECT_EQ(text.substr(0, 9), "PI=3.\r\n\r\n");
    EXPECT_EQ(text.substr(text.size() - 60), "0000000000 0000000000 0000000000 0000000000 0000000000\r\n00\r\n");
}

TEST(DecimalOutput, AStopLeavesThePreviousFileAsItWasAndClosesTheSideFile)
{
    OutputRun t(SizeParameters::forExponent(14));
    const std::string pi = piDigits(16400);
    test::writeWords(t.run, t.a, wordsOf(pi, 2050));
    writeDigitsFile(t.run, t.a, 2048);
    const std::string whole = fileText("pi_data.txt");
    const std::size_t filesBefore = openFiles();

    for (std::uint64_t j = 1; j <= 5; ++j) {
        t.host.stopAtPump = t.host.pumps + j;
        EXPECT_THROW(writeDigitsFile(t.run, t.a, 2048), StopRequested) << "j " << j;
        t.host.stop = false;
        EXPECT_EQ(openFiles(), filesBefore) << "j " << j;
        EXPECT_EQ(fileText("pi_data.txt"), whole) << "j " << j;
        EXPECT_EQ(t.dir.fileNames(), (std::vector<std::string>{"ia.dat", "pi_data.txt"})) << "j " << j;
    }
}

TEST(DecimalOutput, AFailingWriteNamesTheFileAndTheReason)
{
    OutputRun t(SizeParameters::forExponent(14));
    test::writeWords(t.run, t.a, wordsOf(piDigits(16400), 2050));
    // A file size limit of 10000 bytes: the digits do not fit.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 10000;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string message;
    try {
        writeDigitsFile(t.run, t.a, 2048);
    } catch (const RunFailure& failure) {
        message = failure.what();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_NE(message.find("cannot write pi_data.txt: "), std::string::npos) << message;
    EXPECT_NE(message.find("large"), std::string::npos) << message;
}

TEST(DecimalOutput, NothingButARegularFileIsReplaced)
{
    // A link in place of the side file is refused, not written through.
    OutputRun t(SizeParameters::forExponent(14));
    test::writeWords(t.run, t.a, wordsOf(piDigits(16400), 2050));
    std::ofstream("victim") << "precious";
    std::filesystem::create_symlink("victim", "pi_data.txt.new");
    try {
        writeDigitsFile(t.run, t.a, 2048);
        FAIL() << "the output went through a link";
    } catch (const FileRefused& refused) {
        EXPECT_EQ(std::string(refused.what()), "cannot create pi_data.txt.new: it is a symbolic link");
    }
    EXPECT_EQ(fileText("victim"), "precious");
    std::filesystem::remove("pi_data.txt.new");

    // A directory in place of the result stays, and so does what is in it.
    std::filesystem::create_directory("pi_data.txt");
    SideFile side(decimalOutputFileName);
    writeDecimalDigits(t.run, t.a, 2048, side);
    EXPECT_NE(side.commit(), 0);
    EXPECT_TRUE(std::filesystem::is_directory("pi_data.txt"));
}

} // namespace
} // namespace calvorn
