#include "app/win32/korean_font.h"

#include <array>
#include <cwchar>

namespace calvorn {
namespace {

// In order of preference after "굴림"; the fixed-pitch ones first, since the
// log's table lines up in columns.
constexpr std::array<const wchar_t*, 7> fallbackFaces{
    L"GulimChe", L"Gulim", L"NanumGothicCoding", L"D2Coding", L"Noto Sans Mono CJK KR", L"NanumGothic", L"Baekmuk Gulim"};

int CALLBACK noteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool faceInstalled(HDC dc, const wchar_t* face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, noteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

BOOL CALLBACK setControlFont(HWND control, LPARAM font)
{
    SendMessageW(control, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

} // namespace

std::wstring koreanFaceName(HDC dc)
{
    if (faceInstalled(dc, preferredKoreanFace)) return preferredKoreanFace;
    for (const wchar_t* face : fallbackFaces)
        if (faceInstalled(dc, face)) return face;
    return preferredKoreanFace;
}

HFONT createLogViewFont(HDC dc)
{
    return CreateFontW(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_ROMAN, koreanFaceName(dc).c_str());
}

HFONT applyKoreanDialogFont(HWND dialog)
{
    HDC dc = GetDC(dialog);
    const std::wstring face = koreanFaceName(dc);
    ReleaseDC(dialog, dc);
    if (face == preferredKoreanFace) return nullptr;

    LOGFONTW font{};
    const auto current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0) return nullptr;
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    font.lfCharSet = DEFAULT_CHARSET;
    HFONT korean = CreateFontIndirectW(&font);
    if (korean == nullptr) return nullptr;
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(korean), FALSE);
    EnumChildWindows(dialog, setControlFont, reinterpret_cast<LPARAM>(korean));
    return korean;
}

} // namespace calvorn
