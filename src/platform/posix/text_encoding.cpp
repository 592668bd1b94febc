// iconv conversions between UTF-8 and the Korean and Japanese code pages.
#include "platform/text_encoding.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace calvorn {
namespace {

std::string convert(std::string_view text, const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no conversion from ") + from + " to " + to);
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        throw std::runtime_error(std::string("text not representable in ") + to);
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

std::string utf8ToCp949(std::string_view utf8) { return convert(utf8, "CP949", "UTF-8"); }
std::string cp949ToUtf8(std::string_view cp949) { return convert(cp949, "UTF-8", "CP949"); }
std::string cp932ToUtf8(std::string_view cp932) { return convert(cp932, "UTF-8", "CP932"); }

} // namespace calvorn
