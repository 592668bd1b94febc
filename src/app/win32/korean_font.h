// The fonts of the program's Korean texts: the fixed font of the log view and
// the font of the dialogs' controls. Both ask for "굴림"; where that face is
// not installed (Wine on Linux, say) a Korean face that is takes its place,
// so that the Hangul is drawn rather than empty boxes.
#pragma once

#include <string>

#include "platform/win32/wide_text.h"

namespace calvorn {

// The face asked for by the log view and the dialogs.
constexpr const wchar_t* preferredKoreanFace = L"굴림";

// "굴림" when installed, otherwise the first installed of a short list of
// Korean faces (fixed-pitch ones first), otherwise "굴림" again and the
// system's own substitution.
std::wstring koreanFaceName(HDC dc);

// The log view's font: default size, weight 400, proof quality, fixed pitch.
HFONT createLogViewFont(HDC dc);

// Gives the dialog and its controls the Korean face at the dialog font's
// size when "굴림" is missing. Returns the font made for that (the caller
// deletes it when the dialog is destroyed), or nullptr when none was needed.
HFONT applyKoreanDialogFont(HWND dialog);

} // namespace calvorn
