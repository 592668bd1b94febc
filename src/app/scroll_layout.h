// The arithmetic of the log view's scrolling: the scroll maximums after a
// resize, the step of each scroll request, key and wheel turn, and the
// clamped move. Pixels, lines and columns only; the window applies the
// results.
#pragma once

#include <cstdint>

namespace calvorn {

// The view is laid out for this many lines of text and columns of characters.
constexpr std::int32_t viewLayoutLines = 42;
constexpr std::int32_t viewTextColumns = 80;
// A horizontal page.
constexpr std::int32_t horizontalPageColumns = 8;

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

// The lines of a vertical page: those the client shows, at least one.
std::int32_t verticalPageLines(std::int32_t clientHeight, std::int32_t lineHeight);

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

// The keys that scroll the view: the arrows by a line or a column, Page Up
// and Page Down by a vertical page, Home and End to the first and the last
// line.
enum class ViewKey : std::int32_t { lineUp, lineDown, pageUp, pageDown, top, bottom, columnLeft, columnRight };

// Whether the key moves the vertical axis (the others move the horizontal).
bool keyScrollsVertically(ViewKey key);

// The key's step on its axis before clamping; `page` in lines.
std::int32_t keyScrollStep(ViewKey key, const ScrollAxis& axis, std::int32_t page);

// A wheel notch as the window system counts it, and the lines-per-notch
// setting that means "one page per notch".
constexpr std::int32_t wheelNotch = 120;
constexpr std::uint32_t wheelScrollsPages = 0xFFFFFFFF;

// One wheel's turns, gathered until they make whole steps: fine-grained
// wheels report fractions of a notch. Turning the other way drops what was
// gathered.
class WheelAccumulator {
public:
    // Adds a turn of `delta` (a notch is `wheelNotch`, the sign the wheel's
    // direction) and returns the whole steps it completes, with the sign of
    // the turn. `perNotch` is the system's setting of lines (or columns) per
    // notch; 0 scrolls nothing, and `wheelScrollsPages` or anything above
    // `page` scrolls one page per notch.
    std::int32_t turn(std::int32_t delta, std::uint32_t perNotch, std::int32_t page);

    // Forgets a part-turn (the view was reset).
    void clear() { gathered_ = 0; }

private:
    std::int64_t gathered_ = 0;  // steps times wheelNotch
};

} // namespace calvorn
