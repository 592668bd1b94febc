#include "pi_data_layout.h"

namespace calvorn::tools {

void Fnv1a64::add(std::string_view bytes)
{
    for (const char c : bytes) {
        hash_ ^= static_cast<unsigned char>(c);
        hash_ *= 1099511628211ull;
    }
    size_ += bytes.size();
}

void layOutPiData(char integerDigit, std::string_view fractionDigits,
                  const std::function<void(std::string_view)>& write)
{
    constexpr std::string_view newline = "\r\n";
    constexpr std::size_t lineDigits = 50;
    constexpr std::size_t groupDigits = 10;
    constexpr std::size_t digitsBeforeEmptyLine = 1000;

    const std::string header = std::string("PI=") + integerDigit + ".\r\n\r\n";
    write(header);

    const std::size_t fullLines = fractionDigits.size() / lineDigits;
    std::string line;
    for (std::size_t l = 0; l < fullLines; ++l) {
        line.clear();
        for (std::size_t g = 0; g < lineDigits / groupDigits; ++g) {
            if (g != 0) line += ' ';
            line += fractionDigits.substr(l * lineDigits + g * groupDigits, groupDigits);
        }
        line += newline;
        write(line);
        if ((l + 1) * lineDigits % digitsBeforeEmptyLine == 0) write(newline);
    }

    const std::string_view rest = fractionDigits.substr(fullLines * lineDigits);
    line.clear();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        line += rest[i];
        if ((i + 1) % groupDigits == 0) line += ' ';
    }
    line += newline;
    write(line);
}

std::string piDataText(char integerDigit, std::string_view fractionDigits)
{
    std::string text;
    layOutPiData(integerDigit, fractionDigits, [&text](std::string_view piece) { text += piece; });
    return text;
}

PiDataDigest digestOfPiData(char integerDigit, std::string_view fractionDigits)
{
    Fnv1a64 digest;
    layOutPiData(integerDigit, fractionDigits, [&digest](std::string_view piece) { digest.add(piece); });
    return {digest.size(), digest.value()};
}

} // namespace calvorn::tools
