#include "driver/digit_check.h"

#include <array>
#include <cerrno>
#include <stdexcept>
#include <vector>

#include "common/size_parameters.h"
#include "platform/file_transfers.h"
#include "platform/owned_files.h"

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

PiDataCheck checkPiData(std::int32_t sizeExponent, const std::string& path)
{
    PiDataCheck check;
    if (sizeExponent < smallestSizeExponent || sizeExponent > largestSizeExponent) return check;
    const PiDataDigest expected = correctPiDataDigest(sizeExponent);

    const ReadableFile in = openRegularFileForReading(path);
    if (in.file == nullptr) {
        check.readProblem = in.missing ? "cannot read " + path + ": " + systemErrorText(ENOENT) : in.problem;
        return check;
    }
    std::vector<char> chunk(readChunkBytes);
    std::uint64_t hash = fnvOffsetBasis;
    std::uint64_t bytes = 0;
    int error = 0;
    for (;;) {
        std::size_t got = 0;
        error = readUpTo(in.file, path, chunk, got);
        for (std::size_t i = 0; i < got; ++i) {
            hash ^= static_cast<unsigned char>(chunk[i]);
            hash *= fnvPrime;
        }
        bytes += got;
        if (error != 0 || got < chunk.size() || bytes > expected.bytes) break;
    }
    // Only read: a failed close loses nothing.
    closeFile(in.file, path);
    if (error != 0) {
        check.readProblem = "cannot read " + path + ": " + systemErrorText(error);
        return check;
    }
    check.matches = bytes == expected.bytes && hash == expected.fnv1a;
    return check;
}

} // namespace calvorn
