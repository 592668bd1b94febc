#include "mul/boundary_piece.h"

#include "mul/digit_loader.h"
#include "mul/pointwise.h"
#include "mul/product_transforms.h"
#include "norm/round_to_integers.h"

namespace calvorn {

void accumulateProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                       std::int32_t count)
{
    const double dc = a[0] * b[0];
    const double nyquist = a[1] * b[1];
    out[0] += dc;
    out[1] += nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
        out[k] += ar * br - ai * bi;
        out[k + 1] += ar * bi + br * ai;
    }
}

void accumulateSquare(std::span<const double> a, std::span<double> out, std::int32_t count)
{
    const double dc = a[0] * a[0];
    const double nyquist = a[1] * a[1];
    out[0] += dc;
    out[1] += nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1];
        out[k] += ar * ar - ai * ai;
        out[k + 1] += ar * ai * 2.0;
    }
}

void accumulateDoubledProduct(std::span<const double> a, std::span<const double> b, std::span<double> out,
                              std::int32_t count)
{
    const double dc = a[0] * b[0] * 2.0;
    const double nyquist = a[1] * b[1] * 2.0;
    out[0] += dc;
    out[1] += nyquist;
    for (std::int32_t k = 2; k < count; k += 2) {
        const double ar = a[k], ai = a[k + 1], br = b[k], bi = b[k + 1];
        out[k] += (ar * br - ai * bi) * 2.0;
        out[k + 1] += (ar * bi + br * ai) * 2.0;
    }
}

BoundaryArray boundaryRunSpectrum(RunContext& run, StoredNumber& x, std::int32_t j)
{
    BoundaryArray spectrum{};
    loadDigits(run, x, spectrum, j, boundaryRunWords);
    transformForward(run, boundaryExponent, spectrum);
    return spectrum;
}

void addBoundaryProduct(RunContext& run, StoredNumber& x, std::int32_t xWord, StoredNumber& y, std::int32_t yWord,
                        BoundaryArray& piece, bool first)
{
    const BoundaryArray a = boundaryRunSpectrum(run, x, xWord);
    const BoundaryArray b = boundaryRunSpectrum(run, y, yWord);
    if (first) pointwiseProduct(a, b, piece, boundaryLength);
    else accumulateProduct(a, b, piece, boundaryLength);
}

void addBoundarySquareTerm(RunContext& run, StoredNumber& x, std::int32_t aWord, std::int32_t iWord,
                           BoundaryArray& piece, bool first)
{
    const BoundaryArray a = boundaryRunSpectrum(run, x, aWord);
    if (aWord == iWord) {
        if (first) pointwiseSquare(a, piece, boundaryLength);
        else accumulateSquare(a, piece, boundaryLength);
        return;
    }
    const BoundaryArray i = boundaryRunSpectrum(run, x, iWord);
    if (first) pointwiseProductDoubled(a, i, piece, boundaryLength);
    else accumulateDoubledProduct(a, i, piece, boundaryLength);
}

void finishBoundaryPiece(RunContext& run, BoundaryArray& piece)
{
    transformInverse(run, boundaryExponent, piece);
    roundToIntegers(run, piece, boundaryLength);
}

} // namespace calvorn
