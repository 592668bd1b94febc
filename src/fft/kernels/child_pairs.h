// The rule by which a twiddled pair's children pair up: the one place that
// says which blocks, which groups and which table entries the eight child
// pairs of a pair (J, K) have. Pure helpers.
#pragma once

#include <cstddef>

namespace calvorn::fft {

// Child i (0..7) of the pair (J, K) of the next level: for even i the pair
// (8J + i, 8K + 7 - i), its even group child i of J's block and its odd group
// child 7 - i of K's block; for odd i the pair (8K + 7 - i, 8J + i), its even
// group child 7 - i of K's block and its odd group child i of J's block. The
// children of a pair thus pair among themselves.
struct ChildPair {
    bool evenInOddBlock = false;   // the child's even group lies in K's block
    std::size_t evenChild = 0;     // position (0..7) of the even group in its block
    std::size_t oddChild = 0;      // position (0..7) of the odd group in its block
    std::size_t evenGroup = 0;     // group numbers at the next level
    std::size_t oddGroup = 0;
};

constexpr ChildPair childPair(std::size_t evenGroup, std::size_t oddGroup, std::size_t i)
{
    if (i % 2 == 0) return {false, i, 7 - i, 8 * evenGroup + i, 8 * oddGroup + 7 - i};
    return {true, 7 - i, i, 8 * oddGroup + 7 - i, 8 * evenGroup + i};
}

// The twiddle table entry of the pair whose even group is evenGroup, at any
// level: entry j serves pair j (even group 2j) of every pass.
constexpr std::size_t pairOf(std::size_t evenGroup) { return evenGroup / 2; }

} // namespace calvorn::fft
