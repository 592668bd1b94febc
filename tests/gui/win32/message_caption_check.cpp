// The window host's message boxes as the window system shows them: a failure
// shown without a caption (the memory message) gets the system's default
// caption, never an empty title bar, and a caption given is shown as it is.
// A second thread finds each box, reads its title and closes it. Run under
// Wine by the window test; prints what it saw and exits 0 when all is right.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win32/window_host.h"

namespace {

struct FoundBox {
    HWND box = nullptr;
};

BOOL CALLBACK noteMessageBox(HWND window, LPARAM found)
{
    wchar_t className[16]{};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    reinterpret_cast<FoundBox*>(found)->box = window;
    return FALSE;
}

// Waits up to ten seconds for a message box of the thread, closes it with
// OK and returns its title; "(no box)" when none appeared.
std::wstring closeMessageBoxOf(DWORD threadId)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        FoundBox found;
        EnumThreadWindows(threadId, noteMessageBox, reinterpret_cast<LPARAM>(&found));
        if (found.box != nullptr) {
            wchar_t title[256]{};
            GetWindowTextW(found.box, title, 256);
            PostMessageW(found.box, WM_COMMAND, IDOK, 0);
            return title;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return L"(no box)";
}

// Shows the message through `show` and returns the title its box had.
template <class Show>
std::wstring titleOfBox(Show show)
{
    std::wstring title;
    std::thread closer([&title, threadId = GetCurrentThreadId()] { title = closeMessageBoxOf(threadId); });
    show();
    closer.join();
    return title;
}

bool expect(bool good, const char* what, const std::wstring& title)
{
    std::printf("%s %s: title \"%ls\"\n", good ? "ok  " : "FAIL", what, title.c_str());
    return good;
}

} // namespace

int main()
{
    calvorn::WindowHost host{[](std::string_view) {}};
    bool good = true;

    const std::wstring memory = titleOfBox([&] { host.showError("out of memory", ""); });
    good &= expect(!memory.empty() && memory != L"(no box)", "a failure without a caption shows the default", memory);

    const std::wstring error = titleOfBox([&] { host.showError("NOT EXACT IN ROUND", "ERROR"); });
    good &= expect(error == L"ERROR", "a caption given is shown", error);

    return good ? 0 : 1;
}
