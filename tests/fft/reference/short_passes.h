// The single radix-2 or radix-4 pass that takes care of k mod 3: a first pass
// of the forward transform (upper half zero) and a last pass of the inverse.
#pragma once

#include <cstdint>
#include <span>

namespace calvorn::reference {

// x[N/2 + i] = x[i]: the radix-2 butterfly with a zero upper half.
void forwardRadix2Pass(std::int32_t k, std::span<double> x);

// Radix-4 butterflies of (x[i], x[q+i], 0, 0), q = N/4.
void forwardRadix4Pass(std::int32_t k, std::span<double> x);

// Full radix-2 butterflies (a + b, a - b) of x[i] and x[N/2 + i].
void inverseRadix2Pass(std::int32_t k, std::span<double> x);

// Full real radix-4 butterflies, 4 times the inverse of the forward ones.
void inverseRadix4Pass(std::int32_t k, std::span<double> x);

} // namespace calvorn::reference
