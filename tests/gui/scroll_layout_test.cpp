// The log view's scroll arithmetic: ranges after a resize, the step of each
// request, key and wheel turn, and the clamped move, at the metrics a fixed
// font gives.
#include <gtest/gtest.h>

#include "app/scroll_layout.h"

namespace calvorn {
namespace {

constexpr std::int32_t lineHeight = 16;
constexpr std::int32_t charWidth = 8;
constexpr std::int32_t textWidth = viewTextColumns * charWidth;

TEST(ScrollLayout, VerticalRangeCoversTheFortyTwoLines)
{
    EXPECT_EQ(verticalScrollMax(42 * lineHeight, lineHeight), 0);
    EXPECT_EQ(verticalScrollMax(100 * lineHeight, lineHeight), 0);
    EXPECT_EQ(verticalScrollMax(42 * lineHeight - 1, lineHeight), 1);  // 41 whole lines
    EXPECT_EQ(verticalScrollMax(555, lineHeight), 42 - 34);
    EXPECT_EQ(verticalScrollMax(0, lineHeight), 42);
}

TEST(ScrollLayout, HorizontalRangeKeepsTwoColumnsOfMargin)
{
    EXPECT_EQ(horizontalScrollMax(textWidth, textWidth + 2 * charWidth, charWidth), 0);
    EXPECT_EQ(horizontalScrollMax(textWidth, textWidth + 2 * charWidth - 1, charWidth), 1);
    EXPECT_EQ(horizontalScrollMax(textWidth, 4000, charWidth), 0);
    // The division truncates toward zero: -10 / 8 is -1, not -2.
    EXPECT_EQ(horizontalScrollMax(textWidth, textWidth + 10, charWidth), 1);
    EXPECT_EQ(horizontalScrollMax(textWidth, 496, charWidth), (textWidth - 496) / charWidth + 2);
}

TEST(ScrollLayout, StepsOfEachRequest)
{
    EXPECT_EQ(horizontalScrollStep(0, 0, 5), -1);
    EXPECT_EQ(horizontalScrollStep(1, 0, 5), 1);
    EXPECT_EQ(horizontalScrollStep(2, 0, 5), -8);
    EXPECT_EQ(horizontalScrollStep(3, 0, 5), 8);
    EXPECT_EQ(horizontalScrollStep(4, 9, 5), 0);   // thumb released: the track already moved it
    EXPECT_EQ(horizontalScrollStep(5, 9, 5), 4);
    EXPECT_EQ(horizontalScrollStep(5, 2, 5), -3);
    EXPECT_EQ(horizontalScrollStep(8, 9, 5), 0);   // end of scrolling and anything else

    EXPECT_EQ(verticalScrollStep(0, 0, 5, 555, lineHeight), -1);
    EXPECT_EQ(verticalScrollStep(1, 0, 5, 555, lineHeight), 1);
    EXPECT_EQ(verticalScrollStep(2, 0, 5, 555, lineHeight), -34);
    EXPECT_EQ(verticalScrollStep(3, 0, 5, 555, lineHeight), 34);
    EXPECT_EQ(verticalScrollStep(5, 7, 5, 555, lineHeight), 2);
    EXPECT_EQ(verticalScrollStep(4, 7, 5, 555, lineHeight), 0);
    // A client lower than one line still pages by one line.
    EXPECT_EQ(verticalScrollStep(2, 0, 5, lineHeight - 1, lineHeight), -1);
    EXPECT_EQ(verticalScrollStep(3, 0, 5, 0, lineHeight), 1);
}

TEST(ScrollLayout, MovesAreClampedToTheRange)
{
    ScrollAxis axis;
    axis.setMaximum(10);
    EXPECT_EQ(axis.moveBy(-1), 0);
    EXPECT_EQ(axis.position(), 0);
    EXPECT_EQ(axis.moveBy(8), 8);
    EXPECT_EQ(axis.moveBy(8), 2);
    EXPECT_EQ(axis.position(), 10);
    EXPECT_EQ(axis.moveBy(1), 0);
    EXPECT_EQ(axis.moveBy(-34), -10);
    EXPECT_EQ(axis.position(), 0);
}

TEST(ScrollLayout, ShrinkingClampsThePositionGrowingKeepsIt)
{
    ScrollAxis axis;
    axis.setMaximum(20);
    axis.moveBy(15);
    axis.setMaximum(30);  // more room: the text stays where it was
    EXPECT_EQ(axis.position(), 15);
    axis.setMaximum(6);   // less room: the position follows the maximum
    EXPECT_EQ(axis.position(), 6);
    axis.setMaximum(0);
    EXPECT_EQ(axis.position(), 0);
    EXPECT_EQ(axis.moveBy(3), 0);
}

TEST(ScrollLayout, KeysMoveByLinesPagesColumnsAndToEitherEnd)
{
    ScrollAxis axis;
    axis.setMaximum(8);
    axis.moveBy(3);
    const std::int32_t page = verticalPageLines(555, lineHeight);
    EXPECT_EQ(page, 34);
    EXPECT_EQ(verticalPageLines(lineHeight - 1, lineHeight), 1);

    EXPECT_EQ(keyScrollStep(ViewKey::lineUp, axis, page), -1);
    EXPECT_EQ(keyScrollStep(ViewKey::lineDown, axis, page), 1);
    EXPECT_EQ(keyScrollStep(ViewKey::pageUp, axis, page), -34);
    EXPECT_EQ(keyScrollStep(ViewKey::pageDown, axis, page), 34);
    EXPECT_EQ(keyScrollStep(ViewKey::top, axis, page), -3);
    EXPECT_EQ(keyScrollStep(ViewKey::bottom, axis, page), 5);
    EXPECT_EQ(keyScrollStep(ViewKey::columnLeft, axis, page), -1);
    EXPECT_EQ(keyScrollStep(ViewKey::columnRight, axis, page), 1);

    for (ViewKey key : {ViewKey::lineUp, ViewKey::lineDown, ViewKey::pageUp, ViewKey::pageDown, ViewKey::top,
                        ViewKey::bottom})
        EXPECT_TRUE(keyScrollsVertically(key));
    EXPECT_FALSE(keyScrollsVertically(ViewKey::columnLeft));
    EXPECT_FALSE(keyScrollsVertically(ViewKey::columnRight));

    // Home and End land exactly on the ends, also through the clamp.
    EXPECT_EQ(axis.moveBy(keyScrollStep(ViewKey::bottom, axis, page)), 5);
    EXPECT_EQ(axis.position(), 8);
    EXPECT_EQ(keyScrollStep(ViewKey::bottom, axis, page), 0);
    EXPECT_EQ(axis.moveBy(keyScrollStep(ViewKey::top, axis, page)), -8);
    EXPECT_EQ(axis.position(), 0);
}

TEST(ScrollLayout, WheelNotchesScrollTheSystemsLinesPerNotch)
{
    constexpr std::int32_t page = 34;
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.turn(wheelNotch, 3, page), 3);
    EXPECT_EQ(wheel.turn(-wheelNotch, 3, page), -3);
    EXPECT_EQ(wheel.turn(-2 * wheelNotch, 3, page), -6);  // two notches in one message
    EXPECT_EQ(wheel.turn(wheelNotch, 1, page), 1);
    // "One page per notch", and a setting beyond the page, scroll a page.
    EXPECT_EQ(wheel.turn(wheelNotch, wheelScrollsPages, page), page);
    EXPECT_EQ(wheel.turn(-wheelNotch, 500, page), -page);
    EXPECT_EQ(wheel.turn(wheelNotch, wheelScrollsPages, 0), 1);
    // A setting of 0 turns scrolling off.
    EXPECT_EQ(wheel.turn(10 * wheelNotch, 0, page), 0);
}

TEST(ScrollLayout, WheelPartTurnsAddUpWithoutDrift)
{
    WheelAccumulator wheel;
    // A fine wheel: a third of a notch at a time, three lines per notch.
    EXPECT_EQ(wheel.turn(40, 3, 34), 1);
    EXPECT_EQ(wheel.turn(20, 3, 34), 0);
    EXPECT_EQ(wheel.turn(20, 3, 34), 1);
    // Seven lines per notch do not divide a notch: sixty quarter notches
    // still make exactly 15 * 7 lines.
    wheel.clear();
    std::int32_t lines = 0;
    for (int i = 0; i < 60; ++i) lines += wheel.turn(wheelNotch / 4, 7, 34);
    EXPECT_EQ(lines, 15 * 7);
    lines = 0;
    for (int i = 0; i < 60; ++i) lines -= wheel.turn(-wheelNotch / 4, 7, 34);
    EXPECT_EQ(lines, 15 * 7);
}

TEST(ScrollLayout, WheelTurnedBackDropsThePartTurn)
{
    WheelAccumulator wheel;
    EXPECT_EQ(wheel.turn(90, 1, 34), 0);   // three quarters of a line forward
    EXPECT_EQ(wheel.turn(-60, 1, 34), 0);  // half a line back: the forward part is gone
    EXPECT_EQ(wheel.turn(-60, 1, 34), -1);
    EXPECT_EQ(wheel.turn(60, 1, 34), 0);
    wheel.clear();                         // the view was reset
    EXPECT_EQ(wheel.turn(60, 1, 34), 0);
    EXPECT_EQ(wheel.turn(60, 1, 34), 1);
}

} // namespace
} // namespace calvorn
