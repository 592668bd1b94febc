// The twelve sizes a run can have, "  16K" (2^14 digits) to "  32M" (2^25
// digits): their labels as the list and the records show them, and the
// lookup of a size named on the command line. Constants only.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/size_parameters.h"

namespace calvorn {

constexpr std::size_t sizeCount = 12;

// Five characters each, right-aligned; size i has sizeExponent i + 14.
constexpr std::array<std::string_view, sizeCount> sizeLabels{
    "  16K", "  32K", "  64K", " 128K", " 256K", " 512K", "   1M", "   2M", "   4M", "   8M", "  16M", "  32M"};

static_assert(largestSizeExponent - smallestSizeExponent + 1 == static_cast<std::int32_t>(sizeCount));

constexpr std::int32_t sizeExponentOfIndex(std::size_t index)
{
    return static_cast<std::int32_t>(index) + smallestSizeExponent;
}

constexpr bool isSizeExponent(std::int32_t sizeExponent)
{
    return sizeExponent >= smallestSizeExponent && sizeExponent <= largestSizeExponent;
}

// Index into the table of a valid sizeExponent.
constexpr std::size_t sizeIndexOf(std::int32_t sizeExponent)
{
    return static_cast<std::size_t>(sizeExponent - smallestSizeExponent);
}

// The label of a valid sizeExponent, leading spaces included.
constexpr std::string_view sizeLabel(std::int32_t sizeExponent) { return sizeLabels[sizeIndexOf(sizeExponent)]; }

// The sizeExponent named by a label with or without its leading spaces, the
// unit in either case: "1M", "16k", "  16K". Nothing for any other text.
std::optional<std::int32_t> sizeExponentFromName(std::string_view name);

} // namespace calvorn
