// Verification of a finished "pi_data.txt": its length and 64-bit FNV-1a
// digest against the table of correct files generated from MPFR's digits of
// pi (pi_data_digests.inc). Reads the file only; touches nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace calvorn {

struct PiDataDigest {
    std::uint64_t bytes = 0; // length of the correct file
    std::uint64_t fnv1a = 0; // 64-bit FNV-1a of all its bytes
};

// The digest of the correct file of sizeExponent 14 .. 25.
PiDataDigest correctPiDataDigest(std::int32_t sizeExponent);

// Whether the file at `path` has exactly the length and digest of the
// correct digits of pi for sizeExponent (never for a sizeExponent outside
// 14 .. 25); a file that cannot be read does not match, and readProblem
// says why ("cannot read pi_data.txt.new: ...").
struct PiDataCheck {
    bool matches = false;
    std::string readProblem;
};
PiDataCheck checkPiData(std::int32_t sizeExponent, const std::string& path);

// The same, as a yes or no.
inline bool piDataMatchesDigest(std::int32_t sizeExponent, const std::string& path)
{
    return checkPiData(sizeExponent, path).matches;
}

} // namespace calvorn
