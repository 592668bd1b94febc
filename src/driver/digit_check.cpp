#include "driver/digit_check.h"

#include <array>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "common/size_parameters.h"

namespace calvorn {
namespace {

constexpr std::array<PiDataDigest, largestSizeExponent - smallestSizeExponent + 1> piDataDigests{{
#include "driver/pi_data_digests.inc"
}};

constexpr std::uint64_t fnvOffsetBasis = 14695981039346656037ull;
constexpr std::uint64_t fnvPrime = 1099511628211ull;
constexpr std::size_t readChunkBytes = 1 << 16;

} // namespace

PiDataDigest correctPiDataDigest(std::int32_t sizeExponent)
{
    if (sizeExponent < smallestSizeExponent || sizeExponent > largestSizeExponent)
        throw std::out_of_range("size exponent outside 14 .. 25");
    return piDataDigests[static_cast<std::size_t>(sizeExponent - smallestSizeExponent)];
}

bool piDataMatchesDigest(std::int32_t sizeExponent, const std::string& path)
{
    if (sizeExponent < smallestSizeExponent || sizeExponent > largestSizeExponent) return false;
    const PiDataDigest expected = correctPiDataDigest(sizeExponent);

    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<char> chunk(readChunkBytes);
    std::uint64_t hash = fnvOffsetBasis;
    std::uint64_t bytes = 0;
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(chunk[i]);
            hash *= fnvPrime;
        }
        bytes += got;
        if (bytes > expected.bytes) return false;
    }
    if (in.bad()) return false;
    return bytes == expected.bytes && hash == expected.fnv1a;
}

} // namespace calvorn
