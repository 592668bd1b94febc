// Conversion between the UTF-8 texts of the program and the code pages that
// its files and the original window use (cp949 Korean, cp932 Japanese).
// Linux converts with iconv, Windows with its code-page functions.
#pragma once

#include <string>
#include <string_view>

namespace calvorn {

// Throws std::runtime_error when the text cannot be converted.
std::string utf8ToCp949(std::string_view utf8);
std::string cp949ToUtf8(std::string_view cp949);
std::string cp932ToUtf8(std::string_view cp932);

} // namespace calvorn
