// The decimal digits of pi from MPFR, truncated (not rounded) after a given
// number of fraction digits, with a check that the digits MPFR could get
// wrong by its last-bit error do not reach the ones returned.
#pragma once

#include <cstddef>
#include <string>

namespace calvorn::tools {

// "3" followed by the first `fractionDigits` fraction digits of pi. Throws
// std::runtime_error when the digits just beyond them are all 0 or all 9,
// so that truncating MPFR's value might not give the truncated pi.
std::string piDigitsFromMpfr(std::size_t fractionDigits);

} // namespace calvorn::tools
