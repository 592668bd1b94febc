// BaseWindow<Derived>: registers nothing and owns nothing; it routes the
// messages of one window to Derived::handleMessage, with the object found
// through the window's user data (set from the creation parameter).
#pragma once

#include <exception>

#include "platform/win32/wide_text.h"

namespace calvorn {

template <class Derived>
class BaseWindow {
public:
    HWND window() const { return window_; }

    // The window procedure of the class. Nothing may unwind through the
    // system's frames: an exception that reaches here is shown and dropped.
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        Derived* self = nullptr;
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            self = static_cast<Derived*>(create->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->window_ = window;
        } else {
            self = reinterpret_cast<Derived*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        }
        if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        try {
            const LRESULT result = self->handleMessage(message, wParam, lParam);
            if (message == WM_NCDESTROY) self->window_ = nullptr;
            return result;
        } catch (const std::exception& e) {
            MessageBoxW(IsWindow(window) ? window : nullptr, utf8ToWide(e.what()).c_str(), L"ERROR", MB_OK);
        } catch (...) {
            MessageBoxW(IsWindow(window) ? window : nullptr, L"unexpected failure", L"ERROR", MB_OK);
        }
        return 0;
    }

protected:
    BaseWindow() = default;
    ~BaseWindow() = default;

    HWND window_ = nullptr;
};

} // namespace calvorn
