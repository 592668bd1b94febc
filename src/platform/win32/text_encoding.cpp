// The code-page conversions through UTF-16 with the Windows code-page
// functions: code pages 949 (Korean), 932 (Japanese) and UTF-8. Strict in
// both directions: bytes that are not valid in the source code page, or
// characters that the target code page lacks, are errors, not '?'.
#include "platform/text_encoding.h"

#include <limits>
#include <stdexcept>

#include "platform/win32/wide_text.h"

namespace calvorn {
namespace {

constexpr UINT koreanCodePage = 949;
constexpr UINT japaneseCodePage = 932;

std::wstring toWide(std::string_view text, UINT codePage)
{
    if (text.empty()) return {};
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::runtime_error("text too long to convert");
    const int inLength = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLength, nullptr, 0);
    if (length == 0) throw std::runtime_error("text not valid in code page " + std::to_string(codePage));
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), inLength, wide.data(), length);
    return wide;
}

std::string fromWide(std::wstring_view wide, UINT codePage)
{
    if (wide.empty()) return {};
    const int inLength = static_cast<int>(wide.size());
    // UTF-8 reports lone surrogates through WC_ERR_INVALID_CHARS; the other
    // code pages report a missing character through the default-char flag.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), inLength, nullptr, 0, nullptr, usedDefaultOut);
    if (length == 0 || usedDefault)
        throw std::runtime_error("text not representable in code page " + std::to_string(codePage));
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), inLength, out.data(), length, nullptr, usedDefaultOut);
    return out;
}

} // namespace

std::string utf8ToCp949(std::string_view utf8) { return fromWide(toWide(utf8, CP_UTF8), koreanCodePage); }
std::string cp949ToUtf8(std::string_view cp949) { return fromWide(toWide(cp949, koreanCodePage), CP_UTF8); }
std::string cp932ToUtf8(std::string_view cp932) { return fromWide(toWide(cp932, japaneseCodePage), CP_UTF8); }

} // namespace calvorn
