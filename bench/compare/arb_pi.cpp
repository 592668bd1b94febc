// arb_pi: pi to a number of decimal places with Arb (arb_const_pi, the
// Chudnovsky series by binary splitting, then arb_get_str), written to a file.
// FLINT is kept to one thread so that the comparison is single-threaded.
#if __has_include(<flint/arb.h>)
#include <flint/arb.h>
#else
#include <arb.h>
#endif

#include <cstdio>
#include <cstring>
#include <string_view>

#include "pi_output.h"

int main(int argc, char** argv) {
  using namespace calvorn::compare;
  if (argc != 3) return usage(argv[0]);
  const auto places = parsePlaces(argv[1]);
  if (!places) return usage(argv[0]);
  flint_set_num_threads(1);

  arb_t pi;
  arb_init(pi);
  arb_const_pi(pi, precisionBits(*places));

  // "3.14159..." with as many significant digits as the enclosure allows.
  char* text = arb_get_str(pi, significantDigits(*places), ARB_STR_NO_RADIUS);
  int result = 1;
  if (text == nullptr || std::strncmp(text, "3.", 2) != 0) {
    std::fprintf(stderr, "arb_get_str did not give the digits of pi\n");
  } else {
    result = writePlaces(argv[2], std::string_view(text + 2), *places);
  }
  flint_free(text);
  arb_clear(pi);
  flint_cleanup();
  return result;
}
