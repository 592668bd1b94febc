#include "mpfr_pi_digits.h"

#include <cmath>
#include <stdexcept>

#include <mpfr.h>

namespace calvorn::tools {

std::string piDigitsFromMpfr(std::size_t fractionDigits)
{
    // Twenty digits beyond the last one returned decide the truncation; the
    // precision carries ten more, so MPFR's error (below one unit of its last
    // bit) stays far below one unit of the last guard digit.
    constexpr std::size_t guardDigits = 20;
    const std::size_t significant = 1 + fractionDigits + guardDigits;
    const auto bits = static_cast<mpfr_prec_t>(std::ceil(static_cast<double>(significant + 10) * 3.3219280948873626)) + 64;

    mpfr_t pi;
    mpfr_init2(pi, bits);
    mpfr_const_pi(pi, MPFR_RNDN);
    mpfr_exp_t exponent = 0;
    char* text = mpfr_get_str(nullptr, &exponent, 10, significant, pi, MPFR_RNDZ);
    std::string digits(text);
    mpfr_free_str(text);
    mpfr_clear(pi);

    if (exponent != 1 || digits.size() != significant || digits.compare(0, 5, "31415") != 0)
        throw std::runtime_error("MPFR did not give the digits of pi");
    const std::string guard = digits.substr(1 + fractionDigits);
    if (guard.find_first_not_of('0') == std::string::npos || guard.find_first_not_of('9') == std::string::npos)
        throw std::runtime_error("the digits after the last one are " + guard + ": truncation is not decided");
    digits.resize(1 + fractionDigits);
    return digits;
}

} // namespace calvorn::tools
