// The window's two modal dialogs from the resources: "crowddlg", where the
// user picks one of the twelve sizes, and the About box "AboutBox".
#pragma once

#include <cstdint>

#include "platform/win32/wide_text.h"

namespace calvorn {

// The chosen size's sizeExponent (14 .. 25), or 0 when the dialog was
// cancelled (Escape, the close box).
std::int32_t chooseSize(HINSTANCE instance, HWND owner);

void showAbout(HINSTANCE instance, HWND owner);

} // namespace calvorn
