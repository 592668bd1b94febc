#include "mul/multiply_numbers.h"

#include "mul/in_core_product.h"
#include "mul/out_of_core_product.h"

namespace calvorn {
namespace {

// How n compares with the work-area length b; equality falls into the
// larger class. In S1 (n < b/4, so n <= b/8) a whole product's two arrays of
// 4n doubles fit in [0, b/2) and [b/2, b), and a half product's two arrays
// of 2n in [b/2, 3b/4) and [3b/4, b).
enum class SizeClass { s1, s2, s3, s4 };

SizeClass sizeClassOf(std::int32_t n, std::int32_t b)
{
    if (n < b / 4) return SizeClass::s1;
    if (n < b / 2) return SizeClass::s2;
    if (n < b) return SizeClass::s3;
    return SizeClass::s4;
}

} // namespace

// The out-of-core methods need blocks of b/4 words that are whole blocks of
// the work files (b >= 4 * blockWords); the driver never sizes a smaller
// area, and should one arrive here anyway, the method refuses it with a
// RunFailure before it reads or writes anything.
void multiplyNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                     std::int32_t mode, ReuseHint& hint)
{
    const std::int32_t b = run.workArea.length();
    const std::int32_t low = 0;
    const std::int32_t middle = b / 2;
    const std::int32_t upper = 3 * (b / 4);
    const SizeClass size = sizeClassOf(n, b);
    const bool s1 = size == SizeClass::s1;

    switch (mode) {
    case productFull:
        if (s1) inCoreProduct(run, x, y, z, n, low, middle, hint);
        else outOfCoreProduct(run, x, y, z, n, hint);
        return;
    case productHalf:
        if (s1) inCoreHalfProduct(run, x, y, z, n, middle, upper);
        else if (size == SizeClass::s2) inCoreHalfProduct(run, x, y, z, n, low, middle);
        else outOfCoreHalfProduct(run, x, y, z, n, hint);
        return;
    case squareFull:
        // In S1 the region at 0 is left as it was.
        if (s1) inCoreSquare(run, x, z, n, middle);
        else if (size == SizeClass::s2) inCoreSquare(run, x, z, n, low);
        else outOfCoreSquare(run, x, z, n, hint);
        return;
    case squareHalf:
        // Only S1 keeps the transform of x's first half (at b/2) for mode 8.
        if (s1) inCoreHalfSquareKeep(run, x, z, n, middle, upper, hint);
        else if (size == SizeClass::s2) inCoreHalfSquare(run, x, z, n, middle);
        else if (size == SizeClass::s3) inCoreHalfSquare(run, x, z, n, low);
        else outOfCoreHalfSquare(run, x, z, n, hint);
        return;
    case productKeepFirst:
        // In S1 the transform of x stays at 0 for mode 6; the half products
        // and half squares in between work above b/2.
        if (s1) inCoreProduct(run, x, y, z, n, low, middle, hint);
        else outOfCoreProductKeep(run, x, y, z, n, hint);
        return;
    case productFixedFirst:
        if (s1) inCoreProduct(run, x, y, z, n, low, middle, hint);
        else outOfCoreProductFixed(run, x, y, z, n, hint);
        return;
    case productReuseFirst:
        if (s1) inCoreProductReuse(run, x, y, z, n, low, middle, hint);
        else outOfCoreProductReuse(run, x, y, z, n, hint);
        return;
    case productHalfAfterFixed:
        if (s1) inCoreHalfProduct(run, x, y, z, n, middle, upper);
        else if (size == SizeClass::s2) inCoreHalfProduct(run, x, y, z, n, low, middle);
        else outOfCoreHalfProductReuse(run, x, y, z, n, hint);
        return;
    default:
        // productHalfAfterSquare, and any mode outside 0 .. 7. Mode 3 kept
        // x's transform only in S1 (in core) and S4 (in the store of Y).
        if (s1) inCoreHalfProductReuse(run, x, y, z, n, middle, upper, hint);
        else if (size == SizeClass::s2) inCoreHalfProduct(run, x, y, z, n, low, middle);
        else if (size == SizeClass::s3) outOfCoreHalfProduct(run, x, y, z, n, hint);
        else outOfCoreHalfProductReuse(run, x, y, z, n, hint);
        return;
    }
}

void multiplyNumbers(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                     std::int32_t mode)
{
    ReuseHint none;
    multiplyNumbers(run, x, y, z, n, mode, none);
}

} // namespace calvorn
