#include "app/win32/log_view.h"

#include "app/win32/korean_font.h"

namespace calvorn {
namespace {

constexpr COLORREF black = RGB(0, 0, 0);
constexpr std::int32_t textMargin = 4;

static_assert(static_cast<int>(ScrollRequest::lineBack) == SB_LINEUP);
static_assert(static_cast<int>(ScrollRequest::pageForward) == SB_PAGEDOWN);
static_assert(static_cast<int>(ScrollRequest::thumbPosition) == SB_THUMBPOSITION);
static_assert(static_cast<int>(ScrollRequest::thumbTrack) == SB_THUMBTRACK);

void setScrollBar(HWND window, int bar, const ScrollAxis& axis)
{
    SetScrollRange(window, bar, 0, axis.maximum(), TRUE);
    SetScrollPos(window, bar, axis.position(), TRUE);
}

} // namespace

LogView::~LogView()
{
    if (font_ != nullptr) DeleteObject(font_);
}

void LogView::create(HWND window)
{
    HDC dc = GetDC(window);
    font_ = createLogViewFont(dc);
    SelectObject(dc, font_);
    SetTextColor(dc, black);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    charWidth_ = metrics.tmAveCharWidth;
    lineHeight_ = metrics.tmHeight + metrics.tmExternalLeading;
    textWidth_ = viewTextColumns * charWidth_;
    ReleaseDC(window, dc);
}

void LogView::resize(HWND window, std::int32_t clientWidth, std::int32_t clientHeight)
{
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    vertical_.setMaximum(verticalScrollMax(clientHeight_, lineHeight_));
    setScrollBar(window, SB_VERT, vertical_);
    horizontal_.setMaximum(horizontalScrollMax(textWidth_, clientWidth_, charWidth_));
    setScrollBar(window, SB_HORZ, horizontal_);
}

void LogView::paint(HWND window, const std::string& text)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    SelectObject(dc, font_);
    SetTextColor(dc, black);
    RECT area{textMargin - horizontal_.position() * charWidth_, textMargin - vertical_.position() * lineHeight_,
              clientWidth_, clientHeight_};
    const std::wstring wide = utf8ToWide(text);
    DrawTextW(dc, wide.c_str(), -1, &area, DT_LEFT | DT_TOP);
    ValidateRect(window, nullptr);
    EndPaint(window, &paint);
}

void LogView::scroll(HWND window, int bar, WPARAM request)
{
    const auto code = static_cast<std::int32_t>(LOWORD(request));
    const auto thumb = static_cast<std::int32_t>(HIWORD(request));
    const bool vertical = bar == SB_VERT;
    ScrollAxis& axis = vertical ? vertical_ : horizontal_;
    const std::int32_t wanted = vertical ? verticalScrollStep(code, thumb, axis.position(), clientHeight_, lineHeight_)
                                         : horizontalScrollStep(code, thumb, axis.position());
    const std::int32_t step = axis.moveBy(wanted);
    if (step == 0) return;
    if (vertical)
        ScrollWindow(window, 0, -lineHeight_ * step, nullptr, nullptr);
    else
        ScrollWindow(window, -charWidth_ * step, 0, nullptr, nullptr);
    SetScrollPos(window, bar, axis.position(), TRUE);
}

void LogView::refresh(HWND window, bool erase)
{
    InvalidateRect(window, nullptr, erase ? TRUE : FALSE);
    UpdateWindow(window);
}

} // namespace calvorn
