// The out-of-core products: operands too long for their transforms to share
// the work area are cut into blocks of workAreaLength/4 words whose spectra
// are kept in the spectrum stores (run.spectrumStoreX, run.spectrumStoreY);
// the product is formed piece by piece in run.workArea. z may be x or y.
// Each method refuses (RunFailure, nothing read or written) a work area whose
// blocks would not be whole blocks of the work files: see outOfCoreLayout.
#pragma once

#include <cstdint>

#include "storage/run_context.h"
#include "storage/stored_number.h"

namespace calvorn {

// z words 1 .. n+2 = x * y.
void outOfCoreProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// As outOfCoreProduct; keeps x's block spectra in the store of X for a
// following outOfCoreProductReuse.
void outOfCoreProductKeep(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// As outOfCoreProduct, for a Newton run in which x stays the same and y is
// the iterate; keeps the spectra of both for later calls.
void outOfCoreProductFixed(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// As outOfCoreProduct, taking x's block spectra as the last
// outOfCoreProductKeep left them.
void outOfCoreProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// z words 1 .. n+2 = x * x.
void outOfCoreSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n);

// z words 1 .. n+2 = x[1..n/2] * x[1..n/2]; keeps the spectra for a
// following half product.
void outOfCoreHalfSquare(RunContext& run, StoredNumber& x, StoredNumber& z, std::int32_t n);

// z words n/2+1 .. n+2 = the leading words of x[1..n/2] * y[n/2+1..n];
// z words 1 .. n/2 keep their value.
void outOfCoreHalfProduct(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

// As outOfCoreHalfProduct, taking the spectra of x's upper half as the
// preceding outOfCoreProductFixed or outOfCoreHalfSquare left them.
void outOfCoreHalfProductReuse(RunContext& run, StoredNumber& x, StoredNumber& y, StoredNumber& z, std::int32_t n);

} // namespace calvorn
