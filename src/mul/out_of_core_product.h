// The out-of-core products: operands too long for their transforms to share
// the work area are cut into blocks of workAreaLength/4 words whose spectra
// are kept in the spectrum stores (run.spectrumStoreX, run.spectrumStoreY);
// the product is formed piece by piece in run.workArea. z may be x or y.
// Each method refuses (RunFailure, nothing read or written) a work area whose
// blocks would not be whole blocks of the work files: see outOfCoreLayout.
// The spectra they save are recorded in run.kept with the hint's session;
// those that take spectra over check that record first (updateBlockSpectra,
// requireBlockSpectra).
#pragma once

#include <cstdint>

#include "mul/reuse_hint.h"
#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// z words 1 .. n+2 = x * y. x's spectra go to X, y's to Y (more than one block).
void outOfCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                      const ReuseHint& hint = {});

// As outOfCoreProduct; keeps x's block spectra in the store of X for a
// following outOfCoreProductReuse. At the first product of a run (which
// clears hint.firstProductOfRun) the blocks inside hint.agreementCount are
// taken from X, later the first half (those of the step before).
void outOfCoreProductKeep(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                          ReuseHint& hint);

// As outOfCoreProduct, for a Newton run in which x stays the same and y is
// the iterate; keeps the spectra of both for later calls: x's first half
// after the first product of the run (which clears
// hint.firstProductOfRun), y's blocks inside hint.iterateAgreeWords.
void outOfCoreProductFixed(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                           ReuseHint& hint);

// As outOfCoreProduct, taking x's block spectra as the last
// outOfCoreProductKeep of the same run and length left them.
void outOfCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                           const ReuseHint& hint = {});

// z words 1 .. n+2 = x * x.
void outOfCoreSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, const ReuseHint& hint = {});

// z words 1 .. n+2 = x[1..n/2] * x[1..n/2]; keeps the spectra for a
// following half product, and takes those of the blocks inside
// hint.iterateAgreeWords from Y.
void outOfCoreHalfSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n, const ReuseHint& hint);

// z words n/2+1 .. n+2 = the leading words of x[1..n/2] * y[n/2+1..n];
// z words 1 .. n/2 keep their value.
void outOfCoreHalfProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                          const ReuseHint& hint = {});

// As outOfCoreHalfProduct, taking the spectra of x's upper half as the
// preceding outOfCoreProductFixed or outOfCoreHalfSquare (or half product)
// of the same run left them.
void outOfCoreHalfProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n,
                               const ReuseHint& hint = {});

} // namespace calvorn
