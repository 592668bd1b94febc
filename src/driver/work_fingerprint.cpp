#include "driver/work_fingerprint.h"

#include <array>
#include <cstdio>

namespace calvorn {
namespace {

constexpr std::array<std::uint64_t, largestSizeExponent - smallestSizeExponent + 1> workFingerprints{{
#include "driver/work_fingerprints.inc"
}};

} // namespace

std::optional<std::uint64_t> referenceWorkFingerprint(std::int32_t sizeExponent)
{
    if (sizeExponent < smallestSizeExponent || sizeExponent > largestSizeExponent) return std::nullopt;
    const std::uint64_t fingerprint = workFingerprints[static_cast<std::size_t>(sizeExponent - smallestSizeExponent)];
    if (fingerprint == 0) return std::nullopt; // none made for this size
    return fingerprint;
}

std::string workFingerprintText(std::uint64_t fingerprint)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(fingerprint));
    return text;
}

} // namespace calvorn
