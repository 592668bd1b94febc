// The spectrum stores of the out-of-core products: block spectra of b doubles
// kept at numbered positions of a work file, written straight from the
// array that holds them; and the element-wise kernels of the spectra: one
// stretch of two spectra at a time, and a spectrum in memory times a stored
// one, streamed through run.spectrumBufferA.
#pragma once

#include <cstdint>
#include <span>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// Position e (from 1) of a store holds one spectrum of b doubles as
// s = b / halfBlockWords file blocks, (e-1)s + 1 .. es; file block (e-1)s + t
// holds elements (t-1)h .. th - 1 (h = halfBlockWords, even, so no (re, im)
// pair is split and elements 0 and 1 lie in the first file block).
void storeSpectrum(RunContext& run, std::span<const double> array, StoredNumber& store, std::int32_t b,
                   std::int32_t e);

// What the kernels form from two spectra, pair by pair. They treat elements
// 0 and 1 (both real) alone and every later pair as a complex value, exactly
// as pointwiseProduct, pointwiseSquare and pointwiseProductDoubled do.
enum class SpectrumKernel { product, square, doubledProduct };

// One stretch of `out.size()` elements (even) of the kernel's result from
// the same elements of a and b (b is ignored by the square): written, or
// added when `accumulate` is set. With `firstStretch` the stretch starts at
// element 0, whose elements 0 and 1 are real. out may be a or b.
void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch);

// The same one pair after another, and (only where avx2Usable()) two pairs
// at a time with the same operations; the one above takes the fastest usable.
namespace plain {
void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch);
} // namespace plain
namespace quads {
void combineStretch(SpectrumKernel kind, bool accumulate, std::span<const double> a, std::span<const double> b,
                    std::span<double> out, bool firstStretch);
} // namespace quads

// w = a * (store at p); a may be w itself.
void spectrumTimesStored(RunContext& run, std::span<const double> a, StoredNumber& store, std::span<double> w,
                         std::int32_t b, std::int32_t p);

} // namespace calvorn
