// The odd-term reversal and the pair bit reversal of the transforms.
#include "fft/permutations.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "fft/bit_reversal.h"

namespace calvorn::fft {

namespace {

// The bit reversal exchanges tiles: with a pair index t = (a, b, c), a and c
// of tileBits bits each and b the bits between, pair t goes to
// (rev c, rev b, rev a). Tile b and tile rev b are exchanged as a whole, so
// both sides stay within 16 rows of 16 pairs while they are in cache, instead
// of one far jump per pair. The rows of a tile lie a power of two apart and
// share cache sets, more of them than a set holds; so a tile goes in two
// halves of its columns c (whose partners lie in 8 rows), and its rows a in
// bit-reversed order, so that the partners' column rev a advances one pair at
// a time and each of their cache lines is used up while it stays in cache.
constexpr std::int32_t tileBits = 4;
constexpr std::size_t tileSide = std::size_t{1} << tileBits;
constexpr std::size_t halfSide = tileSide / 2;

void swapPairs(double* data, std::size_t t, std::size_t r)
{
    double first[2];
    double second[2];
    std::memcpy(first, data + 2 * t, sizeof first);
    std::memcpy(second, data + 2 * r, sizeof second);
    std::memcpy(data + 2 * t, second, sizeof second);
    std::memcpy(data + 2 * r, first, sizeof first);
}

void bitReversePairsDirect(std::size_t pairCount, double* data)
{
    std::size_t reversed = 0;
    for (std::size_t t = 0; t < pairCount; ++t) {
        if (t < reversed) swapPairs(data, t, reversed);
        reversed = nextBitReversed(reversed, pairCount / 2);
    }
}

// Asks for the rows of a tile ahead of use.
void prefetchTileRows(const double* data, std::size_t tileStart, std::int32_t highShift)
{
#if defined(__GNUC__)
    for (std::size_t a = 0; a < tileSide; ++a) {
        const double* row = data + 2 * ((a << highShift) | tileStart);
        for (std::size_t i = 0; i < 2 * tileSide; i += 8) __builtin_prefetch(row + i, 1);
    }
#else
    (void)data;
    (void)tileStart;
    (void)highShift;
#endif
}

// The tiles two steps ahead (and their partners) are asked for while the
// current ones are exchanged.
void bitReversePairsByTiles(std::int32_t bits, double* data)
{
    constexpr std::size_t lookahead = 2;
    std::size_t reversedCorner[tileSide];
    std::size_t r = 0;
    for (std::size_t c = 0; c < tileSide; ++c) {
        reversedCorner[c] = r;
        r = nextBitReversed(r, tileSide / 2);
    }
    const std::int32_t highShift = bits - tileBits;
    const std::size_t middleCount = std::size_t{1} << (bits - 2 * tileBits);
    std::size_t reversedMiddle = 0;
    std::size_t reversedAhead = 0;
    for (std::size_t b = 0; b < lookahead && b < middleCount; ++b) {
        reversedAhead = nextBitReversed(reversedAhead, middleCount / 2);
    }
    for (std::size_t b = 0; b < middleCount; ++b) {
        if (b + lookahead < middleCount) {
            if (reversedAhead >= b + lookahead) {
                prefetchTileRows(data, (b + lookahead) << tileBits, highShift);
                prefetchTileRows(data, reversedAhead << tileBits, highShift);
            }
            reversedAhead = nextBitReversed(reversedAhead, middleCount / 2);
        }
        if (reversedMiddle >= b) {
            const std::size_t tileT = b << tileBits;
            const std::size_t tileR = reversedMiddle << tileBits;
            const bool selfTile = reversedMiddle == b; // swap each pair once
            for (std::size_t half = 0; half < tileSide; half += halfSide) {
                for (std::size_t i = 0; i < tileSide; ++i) {
                    const std::size_t a = reversedCorner[i];
                    for (std::size_t c = half; c < half + halfSide; ++c) {
                        const std::size_t t = (a << highShift) | tileT | c;
                        const std::size_t rt = (reversedCorner[c] << highShift) | tileR | reversedCorner[a];
                        if (!selfTile || t < rt) swapPairs(data, t, rt);
                    }
                }
            }
        }
        reversedMiddle = nextBitReversed(reversedMiddle, middleCount / 2);
    }
}

} // namespace

void reverseOddTerms(std::int32_t k, std::span<double> x)
{
    for (std::int32_t p = 2; p < k; ++p) {
        const std::size_t octaveStart = std::size_t{1} << p;
        const std::size_t swaps = octaveStart / 4; // half of the octave's odd elements
        for (std::size_t t = 0; t < swaps; ++t) {
            std::swap(x[octaveStart + 1 + 2 * t], x[2 * octaveStart - 1 - 2 * t]);
        }
    }
}

void bitReversePairs(std::int32_t k, std::span<double> x)
{
    const std::int32_t bits = k - 1; // of the pair index
    const std::size_t pairCount = std::size_t{1} << bits;
    double* const data = x.first(2 * pairCount).data();
    if (bits < 2 * tileBits) {
        bitReversePairsDirect(pairCount, data);
    } else {
        bitReversePairsByTiles(bits, data);
    }
}

} // namespace calvorn::fft
