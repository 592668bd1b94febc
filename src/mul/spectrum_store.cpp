#include "mul/spectrum_store.h"

#include <cassert>

#include "common/vector_path.h"
#include "storage/block_transfer.h"

namespace calvorn {
namespace {

using Kernel = SpectrumKernel;

// Elements 0 and 1: the zero-frequency and Nyquist terms, both real.
template <Kernel kind>
double realTerm(double a, double b)
{
    if constexpr (kind == Kernel::product) return a * b;
    else if constexpr (kind == Kernel::square) return a * a;
    else return a * b * 2.0;
}

struct Complex {
    double re;
    double im;
};

// Every later (re, im) pair, with the operations of the pointwise kernels.
template <Kernel kind>
Complex pairTerm(double ar, double ai, double br, double bi)
{
    if constexpr (kind == Kernel::product) return {ar * br - ai * bi, ar * bi + br * ai};
    else if constexpr (kind == Kernel::square) return {ar * ar - ai * ai, ar * ai * 2.0};
    else return {(ar * br - ai * bi) * 2.0, (ar * bi + br * ai) * 2.0};
}

template <bool accumulate>
void put(double& element, double value)
{
    if constexpr (accumulate) element += value;
    else element = value;
}

// One file block's worth of elements: a and b are the operands' h doubles,
// out the same h elements of the work area (out may be a).
template <Kernel kind, bool accumulate>
void combineBlock(std::span<const double> a, std::span<const double> b, std::span<double> out, bool firstBlock)
{
    std::size_t u = 0;
    if (firstBlock) {
        const double dc = realTerm<kind>(a[0], b[0]);
        const double nyquist = realTerm<kind>(a[1], b[1]);
        put<accumulate>(out[0], dc);
        put<accumulate>(out[1], nyquist);
        u = 2;
    }
    for (; u < out.size(); u += 2) {
        const Complex c = pairTerm<kind>(a[u], a[u + 1], b[u], b[u + 1]);
        put<accumulate>(out[u], c.re);
        put<accumulate>(out[u + 1], c.im);
    }
}

struct StoreLayout {
    std::size_t h;   // doubles per file block
    std::int32_t s;  // file blocks per position
};

StoreLayout layoutOf(const RunContext& run, std::int32_t b)
{
    const std::int32_t h = run.size.halfBlockWords;
    assert(h % 2 == 0 && b % h == 0);
    return {static_cast<std::size_t>(h), b / h};
}

std::span<double> bufferA(RunContext& run, std::size_t h) { return {run.spectrumBufferA.data(), h}; }

} // namespace

namespace plain {

void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch)
{
    switch (kind) {
    case Kernel::product:
        if (accumulate) combineBlock<Kernel::product, true>(a, b, out, firstStretch);
        else combineBlock<Kernel::product, false>(a, b, out, firstStretch);
        return;
    case Kernel::square:
        if (accumulate) combineBlock<Kernel::square, true>(a, a, out, firstStretch);
        else combineBlock<Kernel::square, false>(a, a, out, firstStretch);
        return;
    case Kernel::doubledProduct:
        if (accumulate) combineBlock<Kernel::doubledProduct, true>(a, b, out, firstStretch);
        else combineBlock<Kernel::doubledProduct, false>(a, b, out, firstStretch);
        return;
    }
}

} // namespace plain

void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch)
{
#if defined(CALVORN_AVX2)
    if (avx2Usable()) return quads::combineStretch(kind, accumulate, a, b, out, firstStretch);
#endif
    plain::combineStretch(kind, accumulate, a, b, out, firstStretch);
}

void storeSpectrum(RunContext& run, std::span<const double> array, StoredNumber& store, std::int32_t b,
                   std::int32_t e)
{
    // The file blocks of a position follow each other: written straight from
    // the array, several at a time.
    const StoreLayout layout = layoutOf(run, b);
    writeBlocks(run, store, (e - 1) * layout.s + 1, array.first(static_cast<std::size_t>(b)));
}

void spectrumTimesStored(RunContext& run, std::span<const double> a, StoredNumber& store, std::span<double> w,
                         std::int32_t b, std::int32_t p)
{
    const StoreLayout layout = layoutOf(run, b);
    const std::span<double> stored = bufferA(run, layout.h);
    for (std::int32_t t = 1; t <= layout.s; ++t) {
        const std::span<const double> block = viewBlock(run, store, (p - 1) * layout.s + t, stored);
        const std::size_t start = static_cast<std::size_t>(t - 1) * layout.h;
        combineStretch(Kernel::product, false, a.subspan(start, layout.h), block, w.subspan(start, layout.h), t == 1);
    }
}

} // namespace calvorn
