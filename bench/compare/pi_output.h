// Command line and output shared by the reference pi programs of the
// comparison: the number of decimal places asked for, the working precision
// that covers them, and the file that receives "3." and exactly those places.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <system_error>

namespace calvorn::compare {

// Digits computed beyond the last place asked for, so that cutting the
// correctly rounded longer string gives the truncated digits of pi.
constexpr long guardDigits = 20;
constexpr double bitsPerDigit = 3.321928094887362;  // log2(10)

// The decimal places from the first argument: a whole number from 1 to 2^31.
inline std::optional<long> parsePlaces(std::string_view text) {
  long places = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), places);
  if (error != std::errc{} || end != text.data() + text.size() || places < 1 || places > (1L << 31)) {
    return std::nullopt;
  }
  return places;
}

// Significant digits to compute: the integer digit, the places and the guard.
constexpr long significantDigits(long places) { return places + 1 + guardDigits; }

// Binary precision for significantDigits(places), with a word to spare.
inline long precisionBits(long places) {
  return static_cast<long>(std::ceil(static_cast<double>(significantDigits(places)) * bitsPerDigit)) + 64;
}

// Writes "3.", the first `places` characters of `fraction` and a newline to
// `path`. Returns 0, or 1 after a message when the file cannot be written.
inline int writePlaces(const char* path, std::string_view fraction, long places) {
  if (fraction.size() < static_cast<std::size_t>(places)) {
    std::fprintf(stderr, "only %zu decimal places were produced, %ld asked for\n", fraction.size(), places);
    return 1;
  }
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    std::perror(path);
    return 1;
  }
  const auto count = static_cast<std::size_t>(places);
  const bool written = std::fputs("3.", file) >= 0 && std::fwrite(fraction.data(), 1, count, file) == count &&
                       std::fputc('\n', file) == '\n';
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::perror(path);
    return 1;
  }
  return 0;
}

inline int usage(const char* program) {
  std::fprintf(stderr, "usage: %s PLACES OUTPUT\n  writes pi as \"3.\" and PLACES decimal places to the file OUTPUT\n",
               program);
  return 2;
}

}  // namespace calvorn::compare
