#include "support/exact_integers.h"

namespace calvorn::test {

mpz_class toInteger(const Words& words)
{
    mpz_class value = 0;
    for (const std::int32_t word : words) {
        value *= 100000000;
        value += word;
    }
    return value;
}

Words fromInteger(const mpz_class& value, std::int32_t count)
{
    Words words(static_cast<std::size_t>(count));
    mpz_class rest = value;
    for (std::int32_t j = count - 1; j >= 1; --j) {
        mpz_class digit;
        mpz_fdiv_qr_ui(rest.get_mpz_t(), digit.get_mpz_t(), rest.get_mpz_t(), 100000000);
        words[static_cast<std::size_t>(j)] = static_cast<std::int32_t>(digit.get_si());
    }
    words[0] = static_cast<std::int32_t>(rest.get_si());
    return words;
}

} // namespace calvorn::test
