// The arithmetic of the log view's scrolling: the scroll maximums after a
// resize, the step of each scroll request, and the clamped move. Pixels,
// lines and columns only; the window applies the results.
#pragma once

#include <cstdint>

namespace calvorn {

// The view is laid out for this many lines of text and columns of characters.
constexpr std::int32_t viewLayoutLines = 42;
constexpr std::int32_t viewTextColumns = 80;

// Scroll requests, numbered as the window system numbers them (SB_LINEUP ...).
enum class ScrollRequest : std::int32_t {
    lineBack = 0,
    lineForward = 1,
    pageBack = 2,
    pageForward = 3,
    thumbPosition = 4,
    thumbTrack = 5,
};

// 42 - clientHeight / lineHeight lines, or 0 when the client shows them all.
std::int32_t verticalScrollMax(std::int32_t clientHeight, std::int32_t lineHeight);

// (textWidth - clientWidth) / charWidth + 2 columns (division truncating
// toward zero), or 0 when that is negative.
std::int32_t horizontalScrollMax(std::int32_t textWidth, std::int32_t clientWidth, std::int32_t charWidth);

// Requested steps before clamping: lines of one column or line, pages of
// eight columns or of the lines the client shows (at least one), the thumb
// as a new position; anything else (thumb released) 0.
std::int32_t horizontalScrollStep(std::int32_t request, std::int32_t thumb, std::int32_t position);
std::int32_t verticalScrollStep(std::int32_t request, std::int32_t thumb, std::int32_t position,
                                std::int32_t clientHeight, std::int32_t lineHeight);

// One scroll bar's position and maximum.
class ScrollAxis {
public:
    std::int32_t position() const { return position_; }
    std::int32_t maximum() const { return maximum_; }

    // A new maximum after a resize: the position keeps its place unless it
    // lies beyond the new maximum.
    void setMaximum(std::int32_t maximum);

    // Moves by `step`, clamped to keep the position within 0 .. maximum, and
    // returns the step taken (0: nothing moves).
    std::int32_t moveBy(std::int32_t step);

private:
    std::int32_t position_ = 0;
    std::int32_t maximum_ = 0;
};

} // namespace calvorn
