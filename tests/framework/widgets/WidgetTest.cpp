#include "framework/widgets/Widget.h"

#include "fakes/FixedFont.h"
#include "fakes/LoggingWidget.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using ::testing::ElementsAre;
using Vorn::Color;
using Vorn::Rect;

TEST(WidgetColors, GrowWithDefaultsAndAnIndexOutsideTheTableGivesTheDefault)
{
    Vorn::Widget widget;
    widget.SetColor(2, Color(1, 2, 3));
    widget.SetColor(-1, Color(9, 9, 9));
    EXPECT_THAT(widget.mColors, ElementsAre(Color(), Color(), Color(1, 2, 3)));
    const Color fallback(7, 7, 7, 7);
    EXPECT_EQ(widget.GetColor(2, fallback), Color(1, 2, 3));
    EXPECT_EQ(widget.GetColor(3, fallback), fallback);
    EXPECT_EQ(widget.GetColor(-1, fallback), fallback);
    EXPECT_EQ(widget.GetColor(5), Color(0, 0, 0, 255));
    EXPECT_EQ(widget.GetColor(-5), Color(0, 0, 0, 255));

    const int rgba[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    widget.SetColors(rgba, 2);
    EXPECT_THAT(widget.mColors, ElementsAre(Color(1, 2, 3, 4), Color(5, 6, 7, 8)));
    const int rgb[1][3] = {{9, 8, 7}};
    widget.mDirty = false;
    widget.SetColors(rgb, 1);
    EXPECT_THAT(widget.mColors, ElementsAre(Color(9, 8, 7, 255)));
    EXPECT_TRUE(widget.mDirty);
}

TEST(WidgetGeometry, ContainsTheHalfOpenRectangleAndTheInsetsShrinkIt)
{
    Vorn::Widget widget;
    widget.Resize(Rect(10, 20, 30, 40));
    EXPECT_TRUE(widget.Contains(10, 20));
    EXPECT_TRUE(widget.Contains(39, 59));
    EXPECT_FALSE(widget.Contains(40, 20));
    EXPECT_FALSE(widget.Contains(10, 60));
    EXPECT_FALSE(widget.Contains(9, 30));
    EXPECT_FALSE(widget.Contains(20, 19));
    widget.mMouseInsets.mLeft = 1;
    widget.mMouseInsets.mTop = 2;
    widget.mMouseInsets.mRight = 3;
    widget.mMouseInsets.mBottom = 4;
    EXPECT_EQ(widget.GetInsetRect(), Rect(11, 22, 26, 34));
    widget.Move(-5, 6);
    EXPECT_EQ(widget.GetRect(), Rect(-5, 6, 30, 40));
}

TEST(WidgetGeometry, AResizeToTheSameRectangleMarksNothing)
{
    std::vector<std::string> log;
    Vorn::WidgetManager manager(nullptr);
    Testing::LoggingWidget back(log, "back", Rect(0, 0, 100, 100));
    Testing::LoggingWidget widget(log, "w", Rect(10, 10, 10, 10));
    manager.AddWidget(&back);
    manager.AddWidget(&widget);
    back.mDirty = widget.mDirty = false;
    widget.Resize(10, 10, 10, 10);
    EXPECT_FALSE(back.mDirty || widget.mDirty);
    widget.Resize(10, 10, 11, 10);
    EXPECT_TRUE(back.mDirty && widget.mDirty);
    manager.RemoveAllWidgets(false, false);
}

TEST(WidgetCursor, TheHandShowsThroughTheApplicationOnlyForAnAttachedWidget)
{
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    Vorn::Widget widget;
    widget.ShowHandCursor(true);
    EXPECT_EQ(app.mCursorNum, Vorn::VornAppBase::kCursorPointer);
    app.mWidgetManager->AddWidget(&widget);
    widget.ShowHandCursor(true);
    EXPECT_EQ(app.mCursorNum, Vorn::VornAppBase::kCursorHand);
    widget.ShowHandCursor(false);
    EXPECT_EQ(app.mCursorNum, Vorn::VornAppBase::kCursorPointer);

    // Hovering a widget with the finger switch shows the hand.
    widget.Resize(0, 0, 10, 10);
    widget.mDoFinger = true;
    app.mWidgetManager->MouseMove(5, 5);
    EXPECT_EQ(app.mCursorNum, Vorn::VornAppBase::kCursorHand);
    app.mWidgetManager->MouseExit();
    EXPECT_EQ(app.mCursorNum, Vorn::VornAppBase::kCursorPointer);
    app.mWidgetManager->RemoveWidget(&widget);
}

// Texts are laid out in the graphics' font, 6 pixels a character, ascent
// 10 and height 14.
TEST(WidgetText, CentredTextsReturnTheRectangleTheyCover)
{
    Vorn::Widget widget;
    widget.Resize(0, 0, 100, 50);
    FixedFont font;
    Vorn::Graphics g;
    EXPECT_EQ(widget.DrawTextCentered(&g, "none", 20), Rect());
    g.SetFont(&font);
    g.SetColor(Color(1, 2, 3));
    EXPECT_EQ(widget.DrawTextCentered(&g, "abcd", 20), Rect(38, 10, 24, 14));
    EXPECT_EQ(widget.DrawTextCenteredShadowed(&g, &font, "abc", 30, Color(255, 0, 0), Color(0, 0, 255), 2, -1),
        Rect(41, 19, 20, 15));
    EXPECT_THAT(font.mRuns, ElementsAre("abcd@38,20 #ff010203", "abc@43,29 #ff0000ff", "abc@41,30 #ffff0000"));
    EXPECT_EQ(widget.DrawTextCenteredShadowed(&g, nullptr, "abc", 30, Color(), Color(), 1, 1), Rect());
}

TEST(WidgetText, JustifiedAndWrappedTextTakeColourCodesForTheCallOnly)
{
    Vorn::Widget widget;
    FixedFont font;
    Vorn::Graphics g;
    g.SetFont(&font);
    g.SetColor(Color(0, 0, 0));
    g.SetWriteColoredString(false);
    EXPECT_EQ(widget.DrawTextJustified(&g, "^FF0000^ab", 0, 10, 100, Vorn::kJustifyLeft), 12);
    EXPECT_FALSE(g.GetWriteColoredString());
    // Wrapped lines start at the ascent less its padding and lie a line
    // spacing apart; the height ends with the last line's descent.
    EXPECT_EQ(widget.DrawWrappedTextIn(&g, "aa bb", Rect(0, 0, 12, 100), -1, Vorn::kJustifyLeft), 24 + 4);
    EXPECT_FALSE(g.GetWriteColoredString());
    EXPECT_THAT(font.mRuns, ElementsAre("ab@0,10 #ffff0000", "aa@0,8 #ffff0000", "bb@0,24 #ffff0000"));
    EXPECT_EQ(widget.MeasureWrappedHeight(&font, "aa bb cc", 12, 4), 16 + 4);
}

TEST(WidgetDigits, CountsDecimalDigits)
{
    Vorn::Widget widget;
    const std::pair<int, int> cases[] = {{0, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {2147483647, 10}, {-7, 1}};
    for (const auto& [number, digits] : cases)
        EXPECT_EQ(widget.CountDigits(number), digits) << number;
}

// A strip of ten 2 x 1 cells, cell d holding the blue d + 1 (opaque): each
// digit shows its own cell and nothing of its neighbours. An opaque blit
// onto a transparent pixel weights the colour by 255 / 256, truncated.
TEST(WidgetDigits, EachDigitIsCutFromItsCellOfTheStrip)
{
    std::vector<uint32_t> cells;
    for (uint32_t d = 0; d < 10; ++d)
        cells.insert(cells.end(), 2, 0xFF000000u | (d + 1));
    Vorn::MemoryImage strip;
    strip.SetBits(cells.data(), 20, 1, true);
    Vorn::MemoryImage screen;
    screen.Create(16, 2);
    Vorn::Graphics g(&screen);
    Vorn::Widget widget;
    widget.DrawDigitsFromStrip(&g, 4092, 1, 1, &strip, 1);
    widget.DrawDigitsFromStrip(&g, -3, 0, 0, &strip, 0);
    widget.DrawDigitsFromStrip(&g, 0, 14, 0, &strip, 0);
    const uint32_t* row0 = screen.GetBits();
    const uint32_t* row1 = row0 + 16;
    auto digit = [](uint32_t d) { return 0xFF000000u | ((d + 1) * 255 >> 8); };
    const std::vector<uint32_t> expected = {0, digit(4), digit(4), 0, digit(0), digit(0), 0, digit(9), digit(9), 0,
        digit(2), digit(2), 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint32_t>(row1, row1 + 16), expected);
    EXPECT_EQ(row0[14], digit(0));
    EXPECT_EQ(row0[15], digit(0));
    EXPECT_EQ(std::count(row0, row0 + 14, 0u), 14);
}

} // namespace
