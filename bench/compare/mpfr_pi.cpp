// mpfr_pi: pi to a number of decimal places with MPFR (mpfr_const_pi, then
// mpfr_get_str), written to a file. Both the constant and its conversion to
// decimal are part of the timed work, as they are for every program compared.
#include <mpfr.h>

#include <cstdio>
#include <string_view>

#include "pi_output.h"

int main(int argc, char** argv) {
  using namespace calvorn::compare;
  if (argc != 3) return usage(argv[0]);
  const auto places = parsePlaces(argv[1]);
  if (!places) return usage(argv[0]);

  mpfr_t pi;
  mpfr_init2(pi, static_cast<mpfr_prec_t>(precisionBits(*places)));
  mpfr_const_pi(pi, MPFR_RNDN);

  // Digits without the point, "31415...", with the decimal exponent 1.
  mpfr_exp_t exponent = 0;
  char* digits = mpfr_get_str(nullptr, &exponent, 10, static_cast<std::size_t>(significantDigits(*places)), pi,
                              MPFR_RNDN);
  int result = 1;
  if (digits == nullptr || exponent != 1 || digits[0] != '3') {
    std::fprintf(stderr, "mpfr_get_str did not give the digits of pi\n");
  } else {
    result = writePlaces(argv[2], std::string_view(digits + 1), *places);
  }
  if (digits != nullptr) mpfr_free_str(digits);
  mpfr_clear(pi);
  mpfr_free_cache();
  return result;
}
