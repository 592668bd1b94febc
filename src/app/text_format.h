// printf-style formatting into a std::string, for the fixed-format lines of
// the log and the records. The formats are the program's own literals.
#pragma once

#include <cstdio>
#include <string>

namespace calvorn {

template <typename... Args>
std::string formatText(const char* format, Args... args)
{
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

} // namespace calvorn
