#include "mul/out_of_core_steps.h"

#include <string>

#include "common/numeric.h"
#include "fft/real_fft.h"
#include "mul/digit_loader.h"
#include "mul/product_transforms.h"
#include "mul/spectrum_store.h"
#include "norm/round_to_integers.h"
#include "norm/store_product_piece.h"
#include "storage/run_errors.h"

namespace calvorn {

BlockLayout outOfCoreLayout(const RunContext& run)
{
    const std::int32_t b = run.workArea.length();
    const std::int32_t w = run.size.blockWords;
    const std::int32_t k = integerLog2(b);
    // Every operand block and every boundary run must start at the first
    // position of a block of its work file, and no (re, im) pair of a
    // spectrum may be split between two file blocks.
    const bool wholeBlocks = w >= 4 && b >= 4 * w && (b / 4) % w == 0;
    if (!wholeBlocks || k > largestTransformExponent) {
        throw RunFailure("work area of " + std::to_string(b) +
                         " doubles cannot be cut into blocks for an out-of-core product (blockWords " +
                         std::to_string(w) + ", at least " + std::to_string(4 * w) + " doubles needed)");
    }
    if (run.spectrumStoreX == nullptr || run.spectrumStoreY == nullptr)
        throw RunFailure("out-of-core product without its spectrum stores");
    return {b, k, b / 4};
}

std::span<double> transformArray(RunContext& run) { return run.workArea.doubles(); }

StoredNumber& spectrumStoreX(RunContext& run) { return *run.spectrumStoreX; }
StoredNumber& spectrumStoreY(RunContext& run) { return *run.spectrumStoreY; }

void transformBlock(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block)
{
    const std::span<double> w = transformArray(run);
    loadDigits(run, number, w, (block - 1) * layout.m + 1, layout.m);
    transformForward(run, layout.k, w);
}

void saveBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t first,
                      std::int32_t last, StoredNumber& store, std::int32_t shift)
{
    for (std::int32_t e = first; e <= last; ++e) {
        transformBlock(run, layout, number, e);
        storeSpectrum(run, transformArray(run), store, layout.b, e + shift);
    }
}

void storeGuardWords(RunContext& run, const BlockLayout& layout, const BoundaryArray& piece, StoredNumber& z,
                     std::int32_t f)
{
    storeProductPiece(run, piece, z, layout.b, f, true, false);
}

void storePiece(RunContext& run, const BlockLayout& layout, StoredNumber& z, std::int32_t f, bool guard,
                bool lowest)
{
    const std::span<double> w = transformArray(run);
    transformInverse(run, layout.k, w);
    roundToIntegers(run, w, layout.b);
    storeProductPiece(run, w, z, layout.b, f, guard, lowest);
}

} // namespace calvorn
