// The log view's scroll arithmetic: ranges after a resize, the step of each
// request, and the clamped move, at the metrics a fixed font gives.
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

} // namespace
} // namespace calvorn
