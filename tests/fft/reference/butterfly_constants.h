// The fixed rotations of the radix-8 butterflies, as exact double literals.
// Shared by the forward and inverse passes; nothing else.
#pragma once

namespace calvorn::reference {

inline constexpr double piValue = 3.141592653589793;
inline constexpr double rootHalf = 0.7071067811865476;   // cos(pi/4) = 1/sqrt(2)
inline constexpr double cosPiOver8 = 0.9238795325112867; // cos(pi/8)
inline constexpr double sinPiOver8 = 0.3826834323650898; // sin(pi/8)
inline constexpr double rootTwo = 1.4142135623730951;    // sqrt(2), the inverse pass only

} // namespace calvorn::reference
