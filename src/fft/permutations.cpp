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
// both sides stay within a few rows while they are in cache, instead of one
// far jump per pair. The rows of a tile lie a power of two apart and share
// cache sets, more of them than a set holds; so a tile goes in parts of 8
// columns c (whose partners lie in 8 rows), and within a part its rows a go in
// bit-reversed order, so that the partners' column rev a advances one pair at
// a time and each of their cache lines is used up while it stays in cache.
// Tiles of 64 by 64 pairs where the length allows, smaller ones below.
constexpr std::int32_t largestTileBits = 6;
constexpr std::int32_t smallestTileBits = 3;
constexpr std::size_t partColumns = 8;

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

// Asks for the rows of two tiles ahead of use, row by row of both (asking
// for all of one tile first and then the other is markedly slower).
void prefetchTileRows(const double* data, std::size_t tileStart, std::size_t partnerStart, std::int32_t highShift,
                      std::size_t tileSide)
{
#if defined(__GNUC__)
    for (std::size_t a = 0; a < tileSide; ++a) {
        const double* row = data + 2 * ((a << highShift) | tileStart);
        const double* partnerRow = data + 2 * ((a << highShift) | partnerStart);
        for (std::size_t i = 0; i < 2 * tileSide; i += 8) {
            __builtin_prefetch(row + i, 1);
            __builtin_prefetch(partnerRow + i, 1);
        }
    }
#else
    (void)data;
    (void)tileStart;
    (void)partnerStart;
    (void)highShift;
    (void)tileSide;
#endif
}

// The tiles two steps ahead (and their partners) are asked for while the
// current ones are exchanged.
template <std::int32_t tileBits>
void bitReversePairsByTiles(std::int32_t bits, double* data)
{
    constexpr std::size_t tileSide = std::size_t{1} << tileBits;
    constexpr std::size_t part = tileSide < partColumns ? tileSide : partColumns;
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
                prefetchTileRows(data, (b + lookahead) << tileBits, reversedAhead << tileBits, highShift, tileSide);
            }
            reversedAhead = nextBitReversed(reversedAhead, middleCount / 2);
        }
        if (reversedMiddle >= b) {
            const std::size_t tileT = b << tileBits;
            const std::size_t tileR = reversedMiddle << tileBits;
            const bool selfTile = reversedMiddle == b; // swap each pair once
            for (std::size_t first = 0; first < tileSide; first += part) {
                for (std::size_t i = 0; i < tileSide; ++i) {
                    const std::size_t a = reversedCorner[i];
                    for (std::size_t c = first; c < first + part; ++c) {
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
    switch (bits / 2 < largestTileBits ? bits / 2 : largestTileBits) {
    case 6:
        bitReversePairsByTiles<6>(bits, data);
        break;
    case 5:
        bitReversePairsByTiles<5>(bits, data);
        break;
    case 4:
        bitReversePairsByTiles<4>(bits, data);
        break;
    case 3:
        bitReversePairsByTiles<3>(bits, data);
        break;
    default: // fewer than 2^smallestTileBits * 2 pair-index bits
        bitReversePairsDirect(pairCount, data);
        break;
    }
}

} // namespace calvorn::fft
