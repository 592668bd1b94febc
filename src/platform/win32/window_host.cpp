#include "platform/win32/window_host.h"

#include "platform/win32/system_status.h"

namespace calvorn {

std::uint32_t WindowHost::tickCount() { return windowsTickCount(); }

MemoryStatus WindowHost::memoryStatus() { return windowsMemoryStatus(); }

void WindowHost::pumpMessages()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The window is gone: leave the quit message to the main loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            stop_ = true;
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (stop_) return;
    }
}

void WindowHost::showError(std::string_view text, std::string_view caption)
{
    showMessage(text, caption, MB_OK);
}

// An empty caption asks for the system's default caption rather than a blank
// title bar.
int WindowHost::showMessage(std::string_view text, std::string_view caption, UINT buttons)
{
    const std::wstring wideCaption = utf8ToWide(caption);
    const std::uint32_t opened = windowsTickCount();
    const int choice =
        MessageBoxW(owner(), utf8ToWide(text).c_str(), caption.empty() ? nullptr : wideCaption.c_str(), buttons);
    heldTicks_ += windowsTickCount() - opened;
    return choice;
}

} // namespace calvorn
