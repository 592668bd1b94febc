// expected_pi_data P FILE: writes the correct "pi_data.txt" for 2^P digits
// (P = 14 .. 25) to FILE, from the digits of pi that MPFR computes, for the
// window test to compare the program's file with byte for byte.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "mpfr_pi_digits.h"
#include "pi_data_layout.h"

int main(int argc, char** argv)
{
    const int exponent = argc == 3 ? std::atoi(argv[1]) : 0;
    if (exponent < 14 || exponent > 25) {
        std::fprintf(stderr, "usage: expected_pi_data P(14..25) FILE\n");
        return 2;
    }
    try {
        const std::string digits = calvorn::tools::piDigitsFromMpfr(std::size_t{1} << exponent);
        const std::string text = calvorn::tools::piDataText(digits[0], std::string_view(digits).substr(1));
        std::FILE* out = std::fopen(argv[2], "wb");
        if (out == nullptr || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
