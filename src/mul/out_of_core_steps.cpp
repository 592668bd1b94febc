#include "mul/out_of_core_steps.h"

#include <string>

#include "common/numeric.h"
#include "fft/real_fft.h"
#include "mul/digit_loader.h"
#include "mul/product_transforms.h"
#include "mul/rounded_product.h"
#include "mul/spectrum_store.h"
#include "norm/round_to_integers.h"
#include "norm/store_product_piece.h"
#include "storage/block_transfer.h"
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

std::span<double> spectrumRoom(RunContext& run, const BlockLayout& layout)
{
    const std::span<double> room = run.workArea.room();
    const auto b = static_cast<std::size_t>(layout.b);
    if (room.size() < b) return {};
    run.kept.areaWritten(run.workArea.doubles().data(), layout.b, layout.b);
    return room.first(b);
}

StoredNumber& spectrumStoreX(RunContext& run) { return *run.spectrumStoreX; }
StoredNumber& spectrumStoreY(RunContext& run) { return *run.spectrumStoreY; }

void transformBlockInto(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block,
                        std::span<double> array)
{
    const DigitSource digits = viewDigits(run, number, array, (block - 1) * layout.m + 1, layout.m);
    transformForward(run, layout.k, array, &digits);
}

void transformBlock(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block)
{
    transformBlockInto(run, layout, number, block, transformArray(run));
}

void loadSpectrum(RunContext& run, const BlockLayout& layout, StoredNumber& store, std::int32_t position,
                  std::span<double> array)
{
    const std::int32_t s = layout.b / run.size.halfBlockWords;
    readBlocks(run, store, (position - 1) * s + 1, array.first(static_cast<std::size_t>(layout.b)));
}

namespace {

// What block `block` of `number` becomes in a spectrum store.
KeptTransform blockSpectrum(const BlockLayout& layout, const StoredNumber& number, std::int32_t block,
                            std::uint64_t session)
{
    return {&number, (block - 1) * layout.m + 1, layout.m, layout.k, session};
}

void saveBlockSpectrum(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t block,
                       StoredNumber& store, std::int32_t position, std::uint64_t session, std::span<double> array)
{
    transformBlockInto(run, layout, number, block, array);
    storeSpectrum(run, array, store, layout.b, position);
    run.kept.stored(store, position, blockSpectrum(layout, number, block, session));
}

// Whether the store position e holds block e of `number` as updateBlockSpectra may take it over.
bool takenOver(RunContext& run, const BlockLayout& layout, const StoredNumber& number, std::int32_t e,
               std::int32_t firstNew, const StoredNumber& store, const ReuseHint& hint, KeptFrom from)
{
    const KeptTransform* kept = e < firstNew ? run.kept.atPosition(store, e) : nullptr;
    return kept != nullptr && kept->sameSource(blockSpectrum(layout, number, e, hint.session)) &&
           (from == KeptFrom::anyRun || kept->session == hint.session);
}

} // namespace

void saveBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t first,
                      std::int32_t last, StoredNumber& store, const ReuseHint& hint, std::int32_t shift,
                      std::span<double> firstInto)
{
    for (std::int32_t e = first; e <= last; ++e) {
        const std::span<double> array = e == first && !firstInto.empty() ? firstInto : transformArray(run);
        saveBlockSpectrum(run, layout, number, e, store, e + shift, hint.session, array);
    }
}

void updateBlockSpectra(RunContext& run, const BlockLayout& layout, StoredNumber& number, std::int32_t firstNew,
                        std::int32_t last, StoredNumber& store, const ReuseHint& hint, KeptFrom from,
                        std::span<double> firstInto)
{
    bool intoUsed = firstInto.empty();
    for (std::int32_t e = 1; e <= last; ++e) {
        if (takenOver(run, layout, number, e, firstNew, store, hint, from)) {
            run.kept.atPosition(store, e)->session = hint.session;
            continue;
        }
        const std::span<double> array = intoUsed ? transformArray(run) : firstInto;
        intoUsed = true;
        saveBlockSpectrum(run, layout, number, e, store, e, hint.session, array);
    }
}

std::int32_t firstBlockToTransform(RunContext& run, const BlockLayout& layout, const StoredNumber& number,
                                   std::int32_t firstNew, std::int32_t last, const StoredNumber& store,
                                   const ReuseHint& hint, KeptFrom from)
{
    for (std::int32_t e = 1; e <= last; ++e)
        if (!takenOver(run, layout, number, e, firstNew, store, hint, from)) return e;
    return 0;
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

void storeSingleBlockProduct(RunContext& run, const BlockLayout& layout, PieceTarget& target, StoredNumber& number,
                             std::int32_t block, std::span<const double> spectrum, std::int32_t f)
{
    // The store of a lowest piece reads e[0 .. b/2 + 4]; every value is checked.
    const std::span<double> w = transformArray(run);
    productToIntegers(run, layout.k, spectrum, number, (block - 1) * layout.m + 1, layout.m,
                      w.first(static_cast<std::size_t>(layout.b)), layout.b / 2 + 5);
    storeProductPiece(run, w, target.z, layout.b, f, false, true, target.savedPieceCarry);
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
