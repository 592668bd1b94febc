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

std::span<double> transformArray(RunContext& run)
{
    const std::span<double> area = run.workArea.doubles();
    run.kept.areaWritten(area.data(), 0, static_cast<std::int32_t>(area.size()));
    return area;
}

StoredNumber& spectrumStoreX(RunContext& run) { return *run.spectrumStoreX; }
StoredNumber& spectrumStoreY(RunContext& run) { return *run.spectrumStoreY; }

void transformBlock(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block)
{
    const std::span<double> w = transformArray(run);
    loadDigits(run, number, w, (block - 1) * layout.m + 1, layout.m);
    transformForward(run, layout.k, w);
}

namespace {

// What block `block` of `number` becomes in a spectrum store.
KeptTransform blockSpectrum(const BlockLayout& layout, const StoredNumber& number, std::int32_t block,
                            std::uint64_t session)
{
    return {&number, (block - 1) * layout.m + 1, layout.m, layout.k, session};
}

void saveBlockSpectrum(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block,
                       StoredNumber& store, std::int32_t position, std::uint64_t session)
{
    transformBlock(run, layout, number, block);
    storeSpectrum(run, transformArray(run), store, layout.b, position);
    run.kept.stored(store, position, blockSpectrum(layout, number, block, session));
}

} // namespace

void saveBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t first,
                      std::int32_t last, StoredNumber& store, const ReuseHint& hint, std::int32_t shift)
{
    for (std::int32_t e = first; e <= last; ++e) saveBlockSpectrum(run, layout, number, e, store, e + shift, hint.session);
}

void updateBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t firstNew,
                        std::int32_t last, StoredNumber& store, const ReuseHint& hint, KeptFrom from)
{
    for (std::int32_t e = 1; e <= last; ++e) {
        KeptTransform* kept = e < firstNew ? run.kept.atPosition(store, e) : nullptr;
        const bool usable = kept != nullptr && kept->sameSource(blockSpectrum(layout, number, e, hint.session)) &&
                            (from == KeptFrom::anyRun || kept->session == hint.session);
        if (usable)
            kept->session = hint.session;
        else
            saveBlockSpectrum(run, layout, number, e, store, e, hint.session);
    }
}

void requireBlockSpectra(RunContext& run, const BlockLayout& layout, const StoredNumber& number, std::int32_t first,
                         std::int32_t last, StoredNumber& store, const ReuseHint& hint, std::int32_t shift)
{
    for (std::int32_t e = first; e <= last; ++e) {
        const KeptTransform* kept = run.kept.atPosition(store, e + shift);
        const KeptTransform wanted = blockSpectrum(layout, number, e, hint.session);
        if (kept == nullptr || !kept->sameSource(wanted) || kept->session != hint.session) {
            throw RunFailure("spectrum store " + store.fileName() + " position " + std::to_string(e + shift) +
                             " does not hold the kept spectrum of " + number.fileName() + " words " +
                             std::to_string(wanted.firstWord) + " .. " +
                             std::to_string(wanted.firstWord + wanted.words - 1) + " that this product takes over");
        }
    }
}

void storeGuardWords(RunContext& run, const BlockLayout& layout, const BoundaryArray& piece, PieceTarget& target,
                     std::int32_t f)
{
    storeProductPiece(run, piece, target.z, layout.b, f, true, false, target.savedPieceCarry);
}

void storePiece(RunContext& run, const BlockLayout& layout, PieceTarget& target, std::int32_t f, bool guard,
                bool lowest)
{
    const std::span<double> w = transformArray(run);
    transformInverse(run, layout.k, w);
    roundToIntegers(run, w, layout.b);
    storeProductPiece(run, w, target.z, layout.b, f, guard, lowest, target.savedPieceCarry);
}

} // namespace calvorn
