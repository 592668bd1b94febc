// The bytes of a correct "pi_data.txt" laid out from known digits of pi, and
// the 64-bit FNV-1a digest of a byte stream. Written apart from the program's
// own output code so that it can judge it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace calvorn::tools {

// 64-bit FNV-1a over every byte added, with the count of bytes.
class Fnv1a64 {
public:
    void add(std::string_view bytes);
    std::uint64_t value() const { return hash_; }
    std::uint64_t size() const { return size_; }

private:
    std::uint64_t hash_ = 14695981039346656037ull;
    std::uint64_t size_ = 0;
};

// Hands the file to `write` in pieces, in order: the header "PI=" digit "."
// CR LF CR LF; lines of fifty digits in five groups of ten separated by
// spaces, ending CR LF; an empty line (CR LF) after every thousandth digit;
// the last partial line with a space after each complete group of ten, then
// CR LF (written even when it holds no digit).
void layOutPiData(char integerDigit, std::string_view fractionDigits,
                  const std::function<void(std::string_view)>& write);

// The whole file as one string.
std::string piDataText(char integerDigit, std::string_view fractionDigits);

struct PiDataDigest {
    std::uint64_t bytes = 0;
    std::uint64_t fnv1a = 0;
};

PiDataDigest digestOfPiData(char integerDigit, std::string_view fractionDigits);

} // namespace calvorn::tools
