// The main window's client area as a read-only, scrollable view of the log
// text: the fixed font and its metrics, the scroll bars, painting. The text
// itself belongs to the window; the view only draws it.
#pragma once

#include <cstdint>
#include <string>

#include "app/scroll_layout.h"
#include "platform/win32/wide_text.h"

namespace calvorn {

class LogView {
public:
    LogView() = default;
    ~LogView();
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    // WM_CREATE: makes the font and reads the metrics it gives.
    void create(HWND window);
    // WM_SIZE: new client size, scroll ranges and positions.
    void resize(HWND window, std::int32_t clientWidth, std::int32_t clientHeight);
    // WM_PAINT: draws the whole UTF-8 text from the scrolled origin.
    void paint(HWND window, const std::string& text);
    // WM_HSCROLL (bar SB_HORZ) and WM_VSCROLL (SB_VERT).
    void scroll(HWND window, int bar, WPARAM request);
    // WM_MOUSEWHEEL (bar SB_VERT) and WM_MOUSEHWHEEL (SB_HORZ): wheel turns,
    // by the system's lines or columns per notch.
    void wheel(HWND window, int bar, WPARAM turn);
    // WM_KEYDOWN: the arrows, Page Up, Page Down, Home and End scroll; true
    // when the key was one of them.
    bool key(HWND window, WPARAM virtualKey);
    // The text was replaced: its first line and column go to the top left.
    void showStart(HWND window);

    // Repaints at once, with or without erasing the background first.
    static void refresh(HWND window, bool erase);

private:
    // Moves the axis of the bar by the wanted step, clamped, and scrolls the
    // client area and the bar with it.
    void scrollBy(HWND window, int bar, std::int32_t wanted);

    HFONT font_ = nullptr;
    std::int32_t charWidth_ = 1;
    std::int32_t lineHeight_ = 1;
    std::int32_t textWidth_ = viewTextColumns;
    std::int32_t clientWidth_ = 512;
    std::int32_t clientHeight_ = 600;
    ScrollAxis horizontal_;
    ScrollAxis vertical_;
    WheelAccumulator horizontalWheel_;
    WheelAccumulator verticalWheel_;
};

} // namespace calvorn
