#include "mul/in_core_product.h"

#include <span>
#include <string>

#include "common/numeric.h"
#include "mul/digit_loader.h"
#include "mul/pointwise.h"
#include "mul/product_transforms.h"
#include "mul/rounded_product.h"
#include "norm/guard_terms.h"
#include "norm/round_to_integers.h"
#include "norm/store_product.h"
#include "storage/run_errors.h"

namespace calvorn {
namespace {

// Transform exponents: 4n doubles for a whole product, 2n for a half.
std::int32_t fullExponent(std::int32_t n) { return integerLog2(n) + 2; }
std::int32_t halfExponent(std::int32_t n) { return integerLog2(n) + 1; }

// The array at `start`, with everything after it (the spare doubles included),
// into which a transform of 2^k doubles is about to be written; the
// correction and store steps may write 5 more.
std::span<double> region(RunContext& run, std::int32_t start, std::int32_t k)
{
    const std::span<double> array = run.workArea.from(start);
    run.kept.areaWritten(run.workArea.doubles().data(), start, integerPower(2, k) + 5);
    return array;
}

// The transform of words firstWord .. firstWord + words - 1 of x at exponent k.
KeptTransform transformOf(const StoredNumber& x, std::int32_t firstWord, std::int32_t words, std::int32_t k,
                          const ReuseHint& hint)
{
    return {&x, firstWord, words, k, hint.session};
}

void keepTransform(RunContext& run, std::int32_t start, const KeptTransform& kept)
{
    run.kept.keptInArea(run.workArea.doubles().data(), start, kept);
}

// The array at `start`, which must hold `wanted` as a product of the same
// Newton run left it.
std::span<double> keptTransform(RunContext& run, std::int32_t start, const KeptTransform& wanted)
{
    const KeptTransform* kept = run.kept.inArea(run.workArea.doubles().data(), start);
    if (kept == nullptr || !kept->sameSource(wanted) || kept->session != wanted.session) {
        throw RunFailure("the work area at " + std::to_string(start) + " does not hold the kept transform of " +
                         wanted.number->fileName() + " words " + std::to_string(wanted.firstWord) + " .. " +
                         std::to_string(wanted.firstWord + wanted.words - 1) + " that this product takes over");
    }
    return run.workArea.from(start);
}

// The transform of words j .. j+m-1 of a number, in an array.
void transformWords(RunContext& run, StoredNumber& number, std::span<double> array, std::int32_t j, std::int32_t m,
                    std::int32_t k)
{
    const DigitSource digits = viewDigits(run, number, array, j, m);
    transformForward(run, k, array, &digits);
}

// The convolution sums in array, rounded. Every sum is checked; only the
// first `kept` are rounded in place, those that the term routine and the
// store read.
void roundSums(RunContext& run, std::span<double> array, std::int32_t k, std::int32_t kept)
{
    roundToIntegers(run, array, integerPower(2, k), kept);
}

// Back from the spectrum to rounded convolution sums.
void backToIntegers(RunContext& run, std::span<double> array, std::int32_t k, std::int32_t kept)
{
    transformInverse(run, k, array);
    roundSums(run, array, k, kept);
}

// What the stores and term routines read: storeProduct e[0 .. 2n + 4],
// storeUpperHalf e[0 .. n + 4] (the term routines add to the last five of
// these); completeHalfSquare the whole square and past it.
std::int32_t keptOfFull(std::int32_t n) { return 2 * n + 5; }
std::int32_t keptOfHalf(std::int32_t n) { return n + 5; }
std::int32_t keptOfHalfSquare(std::int32_t n) { return 2 * n; }

} // namespace

void inCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                   std::int32_t first, std::int32_t second, const ReuseHint& hint)
{
    const std::int32_t k = fullExponent(n);
    const std::span<double> a = region(run, first, k);
    const std::span<double> b = region(run, second, k);
    transformWords(run, x, a, 1, n, k);
    keepTransform(run, first, transformOf(x, 1, n, k, hint));
    productToIntegers(run, k, a, y, 1, n, b, keptOfFull(n));
    addGuardTerms(run, x, y, b, n, 4 * n);
    storeProduct(run, b, z, n);
}

void inCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                        std::int32_t first, std::int32_t second, const ReuseHint& hint)
{
    const std::int32_t k = fullExponent(n);
    const std::span<double> a = keptTransform(run, first, transformOf(x, 1, n, k, hint));
    const std::span<double> b = region(run, second, k);
    productToIntegers(run, k, a, y, 1, n, b, keptOfFull(n));
    addGuardTerms(run, x, y, b, n, 4 * n);
    storeProduct(run, b, z, n);
}

void inCoreHalfProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                       std::int32_t first, std::int32_t second)
{
    const std::int32_t k = halfExponent(n);
    const std::span<double> a = region(run, first, k);
    const std::span<double> b = region(run, second, k);
    transformWords(run, y, b, n / 2 + 1, n / 2, k);
    productToIntegers(run, k, b, x, 1, n / 2, a, keptOfHalf(n));
    addHalfProductTerms(run, x, y, a, n, 2 * n);
    storeUpperHalf(run, a, z, n);
}

void inCoreHalfProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                            std::int32_t first, std::int32_t second, const ReuseHint& hint)
{
    const std::int32_t k = halfExponent(n);
    const std::span<double> a = keptTransform(run, first, transformOf(x, 1, n / 2, k, hint));
    const std::span<double> b = region(run, second, k);
    productToIntegers(run, k, a, y, n / 2 + 1, n / 2, b, keptOfHalf(n));
    addHalfProductTerms(run, x, y, b, n, 2 * n);
    storeUpperHalf(run, b, z, n);
}

void inCoreSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t start)
{
    const std::int32_t k = fullExponent(n);
    const std::span<double> a = region(run, start, k);
    productToIntegers(run, k, {}, x, 1, n, a, keptOfFull(n));
    addGuardTerms(run, x, x, a, n, 4 * n);
    storeProduct(run, a, z, n);
}

void inCoreHalfSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t start)
{
    const std::int32_t k = halfExponent(n);
    const std::span<double> a = region(run, start, k);
    productToIntegers(run, k, {}, x, 1, n / 2, a, keptOfHalfSquare(n));
    completeHalfSquare(run, x, a, n, 2 * n);
    storeProduct(run, a, z, n);
}

void inCoreHalfSquareKeep(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, std::int32_t first,
                          std::int32_t second, const ReuseHint& hint)
{
    const std::int32_t k = halfExponent(n);
    const std::span<double> a = region(run, first, k);
    const std::span<double> b = region(run, second, k);
    // The spectrum stays in a as the square comes back in b, rounded. If
    // the fused rounding refuses a value (or a fault is injected for a test),
    // the square is made from the spectrum and rounded value by value.
    bool rounded = false;
    if (run.nudgeNextRoundedValue) {
        transformWords(run, x, a, 1, n / 2, k);
    } else {
        const DigitSource digits = viewDigits(run, x, a, 1, n / 2);
        rounded = squareKeepToIntegers(run, k, a, b, keptOfHalfSquare(n), &digits);
    }
    keepTransform(run, first, transformOf(x, 1, n / 2, k, hint));
    if (!rounded) {
        pointwiseSquare(a, b, 2 * n);
        backToIntegers(run, b, k, keptOfHalfSquare(n));
    }
    completeHalfSquare(run, x, b, n, 2 * n);
    storeProduct(run, b, z, n);
}

} // namespace calvorn
