// UTF-8 <-> UTF-16 for the wide-character Windows functions, the system's
// error texts, and the one place that includes <windows.h> with the settings
// this program uses.
// Windows only; the portable code never sees these headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace calvorn {

// Invalid UTF-8 sequences become U+FFFD; these never throw for bad input.
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

// The system's text for a Windows error code, without its final full stop.
std::string windowsErrorText(DWORD error);

} // namespace calvorn
