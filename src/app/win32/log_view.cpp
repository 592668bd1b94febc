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
static_assert(wheelNotch == WHEEL_DELTA);
static_assert(wheelScrollsPages == WHEEL_PAGESCROLL);

void setScrollBar(HWND window, int bar, const ScrollAxis& axis)
{
    SetScrollRange(window, bar, 0, axis.maximum(), TRUE);
    SetScrollPos(window, bar, axis.position(), TRUE);
}

// The system's wheel setting: lines per notch (SB_VERT) or columns (SB_HORZ).
std::uint32_t wheelSetting(int bar)
{
    UINT perNotch = 3;
    SystemParametersInfoW(bar == SB_VERT ? SPI_GETWHEELSCROLLLINES : SPI_GETWHEELSCROLLCHARS, 0, &perNotch, 0);
    return perNotch;
}

bool viewKey(WPARAM virtualKey, ViewKey& key)
{
    switch (virtualKey) {
    case VK_UP: key = ViewKey::lineUp; return true;
    case VK_DOWN: key = ViewKey::lineDown; return true;
    case VK_PRIOR: key = ViewKey::pageUp; return true;
    case VK_NEXT: key = ViewKey::pageDown; return true;
    case VK_HOME: key = ViewKey::top; return true;
    case VK_END: key = ViewKey::bottom; return true;
    case VK_LEFT: key = ViewKey::columnLeft; return true;
    case VK_RIGHT: key = ViewKey::columnRight; return true;
    default: return false;
    }
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
    if (bar == SB_VERT)
        scrollBy(window, bar, verticalScrollStep(code, thumb, vertical_.position(), clientHeight_, lineHeight_));
    else
        scrollBy(window, bar, horizontalScrollStep(code, thumb, horizontal_.position()));
}

// A wheel turned forward (away from the user) scrolls back toward the first
// line; tilted to the right it scrolls toward the last column.
void LogView::wheel(HWND window, int bar, WPARAM turn)
{
    const std::int32_t delta = GET_WHEEL_DELTA_WPARAM(turn);
    const std::uint32_t perNotch = wheelSetting(bar);
    if (bar == SB_VERT)
        scrollBy(window, bar, -verticalWheel_.turn(delta, perNotch, verticalPageLines(clientHeight_, lineHeight_)));
    else
        scrollBy(window, bar, horizontalWheel_.turn(delta, perNotch, horizontalPageColumns));
}

bool LogView::key(HWND window, WPARAM virtualKey)
{
    ViewKey key{};
    if (!viewKey(virtualKey, key)) return false;
    const std::int32_t page = verticalPageLines(clientHeight_, lineHeight_);
    if (keyScrollsVertically(key))
        scrollBy(window, SB_VERT, keyScrollStep(key, vertical_, page));
    else
        scrollBy(window, SB_HORZ, keyScrollStep(key, horizontal_, page));
    return true;
}

void LogView::showStart(HWND window)
{
    vertical_.moveBy(-vertical_.position());
    horizontal_.moveBy(-horizontal_.position());
    verticalWheel_.clear();
    horizontalWheel_.clear();
    SetScrollPos(window, SB_VERT, 0, TRUE);
    SetScrollPos(window, SB_HORZ, 0, TRUE);
}

void LogView::scrollBy(HWND window, int bar, std::int32_t wanted)
{
    const bool vertical = bar == SB_VERT;
    ScrollAxis& axis = vertical ? vertical_ : horizontal_;
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
