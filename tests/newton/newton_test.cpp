// The Newton iterations against MPFR: reciprocal, 1/sqrt(2) and square root
// at several lengths and work-area lengths, their step counts, the warm start
// of the square root, exact answers, and the failure when the length limit is
// reached first.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>

#include <gmpxx.h>
#include <mpfr.h>

#include "arith/element_ops.h"
#include "newton/newton_iterations.h"
#include "storage/run_errors.h"
#include "support/fake_host.h"
#include "support/exact_integers.h"
#include "support/scratch_directory.h"

namespace calvorn {
namespace {

using test::FakeHost;
using test::ScratchDirectory;
using test::Words;

// A stored-number rig of numberWords N, blockWords W and a work area of b
// doubles, with the spectrum stores that the out-of-core products use.
class NewtonRig {
public:
    NewtonRig(std::int32_t words, std::int32_t blockWords, std::int32_t workAreaLength)
        : run(std::make_unique<RunContext>(host, SizeParameters::withBlockWords(words, blockWords)))
    {
        run->workArea.allocate(workAreaLength);
        run->spectrumStoreX = &X;
        run->spectrumStoreY = &Y;
        // As in a run, the result starts as a zeroed number.
        zeroNumber(*run, result, words);
    }
    std::int32_t N() const { return run->size.numberWords; }
    void write(StoredNumber& number, const Words& words) { test::writeWords(*run, number, words); }
    Words read(StoredNumber& number, std::int32_t count) { return test::readWords(*run, number, count); }

    ScratchDirectory dir;
    FakeHost host;
    std::unique_ptr<RunContext> run;
    StoredNumber input{"iw.dat"};
    StoredNumber result{"ib.dat"};
    StoredNumber iterate{"iv.dat"};
    StoredNumber X{"ix.dat"};
    StoredNumber Y{"iy.dat"};
};

// MPFR values to the precision of `count` words. A stored number of words
// 1 .. c, the first holding the integer part times 10^8, is the value times
// 10^(8 c).
class Oracle {
public:
    explicit Oracle(std::int32_t count) { mpfr_init2(value_, static_cast<mpfr_prec_t>(27 * (count + 2) + 64)); }
    ~Oracle() { mpfr_clear(value_); }
    Oracle(const Oracle&) = delete;
    Oracle& operator=(const Oracle&) = delete;

    mpfr_ptr value() { return value_; }
    void set(const Words& words)
    {
        const mpz_class integer = test::toInteger(words);
        mpfr_set_z(value_, integer.get_mpz_t(), MPFR_RNDN);
        mpfr_div_z(value_, value_, scale(words.size()).get_mpz_t(), MPFR_RNDN);
    }
    // floor(value * 10^(8 count)): the exact words 1 .. count, cut after the last.
    mpz_class scaled(std::size_t count)
    {
        mpfr_t product;
        mpfr_init2(product, mpfr_get_prec(value_));
        mpfr_mul_z(product, value_, scale(count).get_mpz_t(), MPFR_RNDN);
        mpz_class integer;
        mpfr_get_z(integer.get_mpz_t(), product, MPFR_RNDD);
        mpfr_clear(product);
        return integer;
    }

private:
    static mpz_class scale(std::size_t count)
    {
        mpz_class power;
        mpz_ui_pow_ui(power.get_mpz_t(), 10, 8 * count);
        return power;
    }
    mpfr_t value_;
};

// How far the computed words lie from the exact value, in units of the last
// word read.
mpz_class distance(const Words& computed, Oracle& exact)
{
    const mpz_class difference = test::toInteger(computed) - exact.scaled(computed.size());
    return abs(difference);
}

// Results must be right up to a few units of the last guard word: the
// iterations leave errors of about ten.
const mpz_class tolerance{1000}; // units of word N + 2

struct Shape {
    std::int32_t words;
    std::int32_t blockWords;
    std::int32_t workAreaLength;
};

std::ostream& operator<<(std::ostream& out, const Shape& shape)
{
    return out << "N=" << shape.words << " W=" << shape.blockWords << " b=" << shape.workAreaLength;
}

// p such that the last allowed step is at n = N.
std::int32_t exponentFor(std::int32_t words) { return integerLog2(words) + 3; }

Words randomNumber(std::mt19937_64& random, std::int32_t words, std::int32_t leadingLow, std::int32_t leadingHigh)
{
    Words number = test::randomWords(random, words + 2);
    number[0] = std::uniform_int_distribution<std::int32_t>(leadingLow, leadingHigh)(random);
    return number;
}

class NewtonShapes : public testing::TestWithParam<Shape> {};

TEST_P(NewtonShapes, ReciprocalMatchesMpfr)
{
    NewtonRig rig(GetParam().words, GetParam().blockWords, GetParam().workAreaLength);
    const std::int32_t N = rig.N();
    std::mt19937_64 random(1000 + static_cast<unsigned>(N));
    // t lies between 0.05 and 0.25 in a run; here anything from 0.05 to 1.
    const Words x = randomNumber(random, N, 5000000, 99999999);
    rig.write(rig.input, x);
    newtonReciprocal(*rig.run, rig.input, rig.result, rig.iterate, N, exponentFor(N));

    Oracle exact(N + 2);
    exact.set(x);
    mpfr_ui_div(exact.value(), 1, exact.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.result, N + 2), exact), tolerance);
    EXPECT_EQ(rig.read(rig.input, N + 2), x) << "the input changed";
}

TEST_P(NewtonShapes, InverseSqrtOfTwoMatchesMpfr)
{
    NewtonRig rig(GetParam().words, GetParam().blockWords, GetParam().workAreaLength);
    const std::int32_t N = rig.N();
    newtonInverseSqrt(*rig.run, rig.result, rig.iterate, N, exponentFor(N));

    Oracle exact(N + 2);
    mpfr_set_ui(exact.value(), 2, MPFR_RNDN);
    mpfr_rec_sqrt(exact.value(), exact.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.result, N + 2), exact), tolerance);
}

TEST_P(NewtonShapes, SquareRootMatchesMpfrColdAndWarm)
{
    NewtonRig rig(GetParam().words, GetParam().blockWords, GetParam().workAreaLength);
    const std::int32_t N = rig.N();
    const std::int32_t p = exponentFor(N);
    std::mt19937_64 random(2000 + static_cast<unsigned>(N));
    // a * b lies near 0.7 in a run; here anything from 0.1 to 4.
    Words w = randomNumber(random, N, 10000000, 399999999);
    rig.write(rig.input, w);
    newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, p, 3, 0);

    Oracle exact(N + 2);
    exact.set(w);
    mpfr_sqrt(exact.value(), exact.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.result, N + 2), exact), tolerance);

    // From iteration 3 on, v keeps words 1 .. N/4 + 2 of 1/sqrt(w).
    Oracle inverse(N + 2);
    inverse.set(w);
    mpfr_rec_sqrt(inverse.value(), inverse.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.iterate, N / 4 + 2), inverse), 1);

    // The next w agrees with this one in its first N/8 words, and so does
    // its 1/sqrt nearly: a warm start from the 1/sqrt(w) kept in v, at
    // n = N/8.
    for (std::size_t i = static_cast<std::size_t>(N / 8); i < w.size(); ++i)
        w[i] = std::uniform_int_distribution<std::int32_t>(0, 99999999)(random);
    rig.write(rig.input, w);
    const std::int32_t steps = newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, p, 4, N / 8);
    EXPECT_EQ(steps, 4);
    exact.set(w);
    mpfr_sqrt(exact.value(), exact.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.result, N + 2), exact), tolerance);
}

// Every product in core, at several lengths, the 16K length among them.
INSTANTIATE_TEST_SUITE_P(InCore, NewtonShapes,
                         testing::Values(Shape{16, 8, 128}, Shape{64, 16, 512}, Shape{256, 64, 2048},
                                         Shape{2048, 512, 16384}));

// Work areas down to the smallest usable one (four blocks), so that the
// products of the longer steps go out of core in every size class.
INSTANTIATE_TEST_SUITE_P(OutOfCore, NewtonShapes,
                         testing::Values(Shape{256, 16, 1024}, Shape{256, 16, 512}, Shape{256, 16, 256},
                                         Shape{256, 16, 128}, Shape{256, 16, 64}, Shape{2048, 512, 8192},
                                         Shape{2048, 512, 4096}, Shape{2048, 512, 2048}));

TEST(Newton, ColdRunsAtTheSixteenKLengthTakeElevenSteps)
{
    NewtonRig rig(2048, 512, 16384);
    const std::int32_t N = 2048;
    std::mt19937_64 random(7);
    rig.write(rig.input, randomNumber(random, N, 50000000, 99999999));
    EXPECT_EQ(newtonReciprocal(*rig.run, rig.input, rig.result, rig.iterate, N, 14), 11);
    EXPECT_EQ(newtonInverseSqrt(*rig.run, rig.result, rig.iterate, N, 14), 11);
    EXPECT_EQ(newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, 14, 1, 0), 11);
}

TEST(Newton, WarmStartBeginsAtTheFirstPowerOfTwoAboveTheAgreement)
{
    // n = 2^step: agreement 0, 1, 2 give n = 2; 3 gives 4; 100 gives 128.
    EXPECT_EQ(warmStartStep(0), 1);
    EXPECT_EQ(warmStartStep(1), 1);
    EXPECT_EQ(warmStartStep(2), 1);
    EXPECT_EQ(warmStartStep(3), 2);
    EXPECT_EQ(warmStartStep(100), 7);
    EXPECT_EQ(warmStartStep(128), 7);
    EXPECT_EQ(warmStartStep(129), 8);

    // A warm run at the 16K length with 100 agreeing words: n = 128 .. 2048.
    NewtonRig rig(2048, 512, 16384);
    const std::int32_t N = 2048;
    std::mt19937_64 random(11);
    const Words w = randomNumber(random, N, 50000000, 99999999);
    rig.write(rig.input, w);
    newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, 14, 3, 0);
    EXPECT_EQ(newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, 14, 4, 100), 5);
    Oracle exact(N + 2);
    exact.set(w);
    mpfr_sqrt(exact.value(), exact.value(), MPFR_RNDN);
    EXPECT_LE(distance(rig.read(rig.result, N + 2), exact), tolerance);
}

TEST(Newton, ExactAnswersComeOutExact)
{
    // 1/0.25 = 4: every product x * y is exactly one, the second branch with
    // a zero correction. sqrt(0.25) = 0.5 converges one length early, before
    // the full length has been reached.
    NewtonRig rig(256, 64, 2048);
    const std::int32_t N = 256;
    Words quarter(static_cast<std::size_t>(N + 2), 0);
    quarter[0] = 25000000;
    rig.write(rig.input, quarter);

    newtonReciprocal(*rig.run, rig.input, rig.result, rig.iterate, N, 11);
    Words four(static_cast<std::size_t>(N + 2), 0);
    four[0] = 400000000;
    EXPECT_EQ(rig.read(rig.result, N + 2), four);

    newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, 11, 1, 0);
    Words half(static_cast<std::size_t>(N + 2), 0);
    half[0] = 50000000;
    EXPECT_EQ(rig.read(rig.result, N + 2), half);
}

// Old words in every file the iterations use: the result, the iterate and
// both spectrum stores hold leftovers of some earlier work.
void fillWithOldData(NewtonRig& rig, std::mt19937_64& random)
{
    const std::int32_t N = rig.N();
    rig.write(rig.result, test::randomWords(random, 2 * N));
    rig.write(rig.iterate, test::randomWords(random, 2 * N));
    // A store grows to 32 N bytes: 8 N words of junk doubles.
    rig.write(rig.X, test::randomWords(random, 8 * N));
    rig.write(rig.Y, test::randomWords(random, 8 * N));
}

// Exact answers out of core, down to a work area of four blocks, with old
// data in every file: 1/0.25 settles in a few words, and its iterate agrees
// with the last one in more than a block after the step whose product has a
// single block (n = b/4), which keeps nothing in Y for the step after it;
// sqrt(0.25) converges before the full length, so its last product reads
// words of b beyond those the last step wrote. Then the other order: the
// reciprocal after a square root with the same iterate, whose spectra are
// still in Y from that run.
TEST(Newton, ExactAnswersOutOfCoreWithOldDataInTheFiles)
{
    const std::int32_t N = 256;
    Words quarter(static_cast<std::size_t>(N + 2), 0);
    quarter[0] = 25000000;
    Words four(static_cast<std::size_t>(N + 2), 0);
    four[0] = 400000000;
    Words half(static_cast<std::size_t>(N + 2), 0);
    half[0] = 50000000;
    for (const std::int32_t b : {256, 128, 64}) {
        const std::string shape = "b = " + std::to_string(b);
        std::mt19937_64 random(static_cast<std::uint64_t>(17 + b));
        NewtonRig rig(N, 16, b);
        rig.write(rig.input, quarter);

        fillWithOldData(rig, random);
        newtonReciprocal(*rig.run, rig.input, rig.result, rig.iterate, N, 11);
        EXPECT_EQ(rig.read(rig.result, N + 2), four) << shape << ", 1/0.25";

        for (const std::int32_t k : {1, 3}) {
            fillWithOldData(rig, random);
            newtonSqrt(*rig.run, rig.input, rig.result, rig.iterate, N, 11, k, 0);
            EXPECT_EQ(rig.read(rig.result, N + 2), half) << shape << ", sqrt(0.25), k = " << k;
            if (k == 3) {
                Words two(static_cast<std::size_t>(N / 4 + 2), 0);
                two[0] = 200000000;
                EXPECT_EQ(rig.read(rig.iterate, N / 4 + 2), two) << shape << ", 1/sqrt(0.25) kept in v";
            }
        }
        newtonReciprocal(*rig.run, rig.input, rig.result, rig.iterate, N, 11);
        EXPECT_EQ(rig.read(rig.result, N + 2), four) << shape << ", 1/0.25 after the square root";
    }
}

std::string failureOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const RunFailure& failure) {
        return failure.what();
    }
    return "no failure";
}

TEST(Newton, ReachingTheLengthLimitFirstIsAFailure)
{
    // p = 10 allows steps up to n = 128 only, far from convergence at 2048 words.
    NewtonRig rig(2048, 512, 16384);
    const std::int32_t N = 2048;
    std::mt19937_64 random(13);
    rig.write(rig.input, randomNumber(random, N, 50000000, 99999999));
    RunContext& run = *rig.run;
    EXPECT_EQ(failureOf([&] { newtonReciprocal(run, rig.input, rig.result, rig.iterate, N, 10); }),
              "NOT CONVERGENT IN INV");
    EXPECT_EQ(failureOf([&] { newtonInverseSqrt(run, rig.result, rig.iterate, N, 10); }),
              "NOT CONVERGENT IN SQR05");
    EXPECT_EQ(failureOf([&] { newtonSqrt(run, rig.input, rig.result, rig.iterate, N, 10, 1, 0); }),
              "NOT CONVERGENT IN SQR");
    // A warm start above the limit fails at once.
    EXPECT_EQ(failureOf([&] { newtonSqrt(run, rig.input, rig.result, rig.iterate, N, 12, 5, 1000); }),
              "NOT CONVERGENT IN SQR");
}

} // namespace
} // namespace calvorn
