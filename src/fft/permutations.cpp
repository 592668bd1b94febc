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
// both sides stay within 2^tileBits rows of 2^tileBits pairs while they are
// in cache, instead of one far jump per pair. Tiles of 8 by 8 pairs do best
// while the array fits the caches easily (up to 2^20 doubles, 8 MiB), tiles
// of 16 by 16 with the next tiles asked for ahead beyond that (at 2^21 they
// win whenever other work shares the caches).
constexpr std::int32_t largestSmallTileBits = 19; // pair-index bits, k = 20

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

// Asks for the rows of tile b (and of its partner rev b) ahead of use.
void prefetchTileRows(const double* data, std::size_t tileStart, std::int32_t highShift, std::size_t tileSide)
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
    (void)tileSide;
#endif
}

// With prefetching, the tiles two steps ahead are asked for while the
// current ones are exchanged (worth it for arrays beyond the caches).
template <std::int32_t tileBits, bool prefetching>
void bitReversePairsByTiles(std::int32_t bits, double* data)
{
    constexpr std::size_t tileSide = std::size_t{1} << tileBits;
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
        if (prefetching && b + lookahead < middleCount) {
            if (reversedAhead >= b + lookahead) {
                prefetchTileRows(data, (b + lookahead) << tileBits, highShift, tileSide);
                prefetchTileRows(data, reversedAhead << tileBits, highShift, tileSide);
            }
            reversedAhead = nextBitReversed(reversedAhead, middleCount / 2);
        }
        if (reversedMiddle >= b) {
            const std::size_t tileT = b << tileBits;
            const std::size_t tileR = reversedMiddle << tileBits;
            const bool selfTile = reversedMiddle == b; // swap each pair once
            for (std::size_t a = 0; a < tileSide; ++a) {
                for (std::size_t c = 0; c < tileSide; ++c) {
                    const std::size_t t = (a << highShift) | tileT | c;
                    const std::size_t rt = (reversedCorner[c] << highShift) | tileR | reversedCorner[a];
                    if (!selfTile || t < rt) swapPairs(data, t, rt);
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
    if (bits < 2 * 3) {
        bitReversePairsDirect(pairCount, data);
    } else if (bits <= largestSmallTileBits) {
        bitReversePairsByTiles<3, false>(bits, data);
    } else {
        bitReversePairsByTiles<4, true>(bits, data);
    }
}

} // namespace calvorn::fft
