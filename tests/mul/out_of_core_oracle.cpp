#include "mul/out_of_core_oracle.h"

#include <array>

namespace calvorn::test {
namespace {

constexpr std::uint64_t half = 10000;

// The sums of a part at the elements L+3 and L+4 give the part's carry.
using Tail = std::array<std::uint64_t, 5>;  // relative elements 0 .. 4

std::uint64_t partCarry(const Tail& part) { return (part[4] / half + part[3]) / half; }

// Digits of words from .. from+count-1 (1-based), words past `last` taken as 0.
Sums digitsOf(const Words& words, std::int32_t from, std::int32_t count, std::int32_t last)
{
    Words slice;
    for (std::int32_t j = from; j < from + count; ++j) slice.push_back(j <= last ? words[j - 1] : 0);
    return digitsOfWords(slice);
}

Sums head(const Sums& digits, std::int32_t count) { return Sums(digits.begin(), digits.begin() + count); }

// The sums of the block pairs (i, j) with i + j = K + 2 at the relative
// elements 0 .. 4 from element L (only the blocks' leading digits reach them).
Tail diagonal(const Sums& x, const Sums& y, std::int32_t blocks, std::int32_t blockDigits)
{
    Tail d{};
    for (std::int32_t i = 2; i <= blocks; ++i) {
        const std::int32_t j = blocks + 2 - i;
        for (std::int32_t t = 0; t <= 4; ++t)
            for (std::int32_t a = 0; a <= t; ++a)
                d[t] += x[(i - 1) * blockDigits + a] * y[(j - 1) * blockDigits + t - a];
    }
    return d;
}

// x and y: L loaded digits and four guard digits each. The pieces multiply
// x by yPiece, the boundary part takes the diagonal K+2 and the guard terms
// from x and yBoundary.
Words releaseParts(const Sums& x, const Sums& yPiece, const Sums& yBoundary, std::int32_t loaded,
                   std::int32_t blockDigits, bool reduceLeading)
{
    const std::int32_t blocks = loaded / blockDigits;
    const Sums c = convolve(head(x, loaded), head(yPiece, loaded));
    const Tail piecesDiagonal = diagonal(x, yPiece, blocks, blockDigits);

    Tail boundary = diagonal(x, yBoundary, blocks, blockDigits);
    for (std::int32_t a = 0; a <= 3; ++a)
        for (std::int32_t g = 0; g <= 3 && a + g <= 4; ++g)
            boundary[a + g] += x[a] * yBoundary[loaded + g] + x[loaded + g] * yBoundary[a];

    Tail lowestPiece{};
    for (std::int32_t t = 0; t <= 4; ++t) lowestPiece[t] = c[loaded + t] - piecesDiagonal[t];

    Sums e(c.begin(), c.begin() + loaded + 3);
    for (std::int32_t t = 0; t <= 2; ++t) e[loaded + t] = lowestPiece[t] + boundary[t];
    const std::uint64_t carry = partCarry(boundary) + partCarry(lowestPiece);
    return releaseCarriesFrom(e, loaded / 2 + 2, carry, reduceLeading).words;
}

} // namespace

Words expectedOutOfCoreProduct(const Words& x, const Words& y, std::int32_t n, std::int32_t m,
                               std::int32_t yPieceWords)
{
    const Sums dx = digitsOf(x, 1, n + 2, n + 2);
    const Sums dy = digitsOf(y, 1, n + 2, n + 2);
    const Sums pieceY = digitsOf(y, 1, n + 2, yPieceWords);
    return releaseParts(dx, pieceY, dy, 2 * n, 2 * m, false);
}

Words expectedOutOfCoreHalfProduct(const Words& x, const Words& y, std::int32_t n, std::int32_t m)
{
    const Sums dx = digitsOf(x, 1, n / 2 + 2, n + 2);
    const Sums dy = digitsOf(y, n / 2 + 1, n / 2 + 2, n + 2);
    return releaseParts(dx, dy, dy, n, 2 * m, true);
}

Words expectedOutOfCoreHalfSquare(const Words& x, std::int32_t n, std::int32_t m)
{
    // The last block (from word n/2 + 1) squared is the boundary part, the
    // pairs of it with the block before it the lowest piece.
    const Sums dx = digitsOf(x, 1, n / 2 + m, n + 2);
    const Sums c = convolve(dx, dx);
    const std::int32_t last = n;  // first digit of the last block
    Tail lastSquared{};
    for (std::int32_t t = 0; t <= 4; ++t)
        for (std::int32_t a = 0; a <= t; ++a) lastSquared[t] += dx[last + a] * dx[last + t - a];
    Tail lowestPiece{};
    for (std::int32_t t = 0; t <= 4; ++t) lowestPiece[t] = c[2 * n + t] - lastSquared[t];
    const Sums e(c.begin(), c.begin() + 2 * n + 3);
    const std::uint64_t carry = partCarry(lastSquared) + partCarry(lowestPiece);
    return releaseCarriesFrom(e, n + 2, carry, false).words;
}

} // namespace calvorn::test
