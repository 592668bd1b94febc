// The out-of-core whole products x * y: the plain one and the three that keep
// or take over block spectra across the calls of a Newton run. They share one
// sequence: boundary piece and guard words, x's spectra, y's spectra, then
// the pieces from the least significant to the leading one.
#include "mul/out_of_core_product.h"

#include <algorithm>

#include "mul/boundary_piece.h"
#include "mul/out_of_core_steps.h"
#include "mul/spectrum_store.h"
#include "norm/guard_terms.h"

namespace calvorn {
namespace {

// The leading digits of the block pairs on the diagonal K+2 (whose products
// begin at word n+1) plus the guard terms, stored as z words n+1 and n+2.
// With K = 1 that diagonal is empty and only the guard terms remain.
void formGuardWords(RunContext& run, const BlockLayout& layout, StoredNumber& x, StoredNumber& y, StoredNumber& z,
                    std::int32_t n)
{
    const std::int32_t m = layout.m;
    const std::int32_t blocks = n / m;
    BoundaryArray piece{};
    for (std::int32_t d = blocks; d >= 2; --d)
        addBoundaryProduct(run, x, (blocks - d + 1) * m + 1, y, (d - 1) * m + 1, piece, d == blocks);
    if (blocks >= 2) finishBoundaryPiece(run, piece);
    addGuardTerms(run, x, y, piece, n, 0);
    storeGuardWords(run, layout, piece, z, blocks + 1);
}

// With x's spectra at X positions 1 .. K: forms y's spectra (blocks
// yFirst .. yLast to Y; the others are taken from Y as they are) and the
// pieces from the pairs (i, j) with j <= jLast. A single block of y stays in
// the work area and is multiplied by X position 1 there.
void finishProduct(RunContext& run, const BlockLayout& layout, StoredNumber& y, StoredNumber& z, std::int32_t n,
                   std::int32_t yFirst, std::int32_t yLast, std::int32_t jLast)
{
    const std::int32_t blocks = n / layout.m;
    StoredNumber& storeX = spectrumStoreX(run);
    const std::span<double> w = transformArray(run);
    if (blocks == 1) {
        transformBlock(run, layout, y, 1);
        spectrumTimesStored(run, w, storeX, w, layout.b, 1);
        storePiece(run, layout, z, 1, false, true);
        return;
    }
    StoredNumber& storeY = spectrumStoreY(run);
    saveBlockSpectra(run, layout, y, yFirst, yLast, storeY);
    for (std::int32_t f = blocks; f >= 1; --f) {
        const std::int32_t iFirst = std::max(f - jLast + 1, 1);
        for (std::int32_t i = iFirst; i <= f; ++i) {
            const std::int32_t j = f - i + 1;
            if (i == iFirst) productOfStored(run, storeX, storeY, w, layout.b, i, j);
            else accumulateProductOfStored(run, storeX, storeY, w, layout.b, i, j);
        }
        storePiece(run, layout, z, f, false, f == blocks);
    }
}

// The first block of x to transform again when a count of agreeing leading
// words decides it at the first product of a run, and half the blocks
// (those of the previous, half as long step) otherwise.
std::int32_t firstNewBlock(RunContext& run, std::int32_t agreeingWords, std::int32_t m, std::int32_t blocks)
{
    if (run.firstProductOfRun == 1) {
        run.firstProductOfRun = 0;
        return agreeingBlocks(agreeingWords, m) + 1;
    }
    return blocks / 2 + 1;
}

} // namespace

void outOfCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    formGuardWords(run, layout, x, y, z, n);
    saveBlockSpectra(run, layout, x, 1, blocks, spectrumStoreX(run));
    finishProduct(run, layout, y, z, n, 1, blocks, blocks);
}

void outOfCoreProductKeep(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    // At the first product of a square root x is the new w, which agrees
    // with the w of the last run in about agreementCount words.
    const std::int32_t xFirst = firstNewBlock(run, run.agreementCount, layout.m, blocks);
    formGuardWords(run, layout, x, y, z, n);
    saveBlockSpectra(run, layout, x, xFirst, blocks, spectrumStoreX(run));
    finishProduct(run, layout, y, z, n, 1, blocks, blocks);
}

void outOfCoreProductFixed(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    // x is the same number throughout the run: new blocks only once the
    // length has doubled. y, the iterate, carries words up to about n/2 + 2,
    // so its blocks after K/2 + 1 enter only the boundary piece; those inside
    // the words that agree with the last iterate keep their spectra.
    const std::int32_t xFirst = run.firstProductOfRun == 1 ? 1 : blocks / 2 + 1;
    run.firstProductOfRun = 0;
    const std::int32_t yFirst = agreeingBlocks(run.iterateAgreeWords, layout.m) + 1;
    formGuardWords(run, layout, x, y, z, n);
    saveBlockSpectra(run, layout, x, xFirst, blocks, spectrumStoreX(run));
    finishProduct(run, layout, y, z, n, yFirst, blocks / 2 + 1, blocks / 2 + 1);
}

void outOfCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n)
{
    const BlockLayout layout = outOfCoreLayout(run);
    const std::int32_t blocks = n / layout.m;
    formGuardWords(run, layout, x, y, z, n);
    // x's spectra are at X positions 1 .. K as the last outOfCoreProductKeep left them.
    finishProduct(run, layout, y, z, n, 1, blocks, blocks);
}

} // namespace calvorn
