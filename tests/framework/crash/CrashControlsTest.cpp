#include "framework/crash/CrashControls.h"

#include "fakes/FixedFont.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using CrashCatcher::PushButton;
using CrashCatcher::TextField;

// FixedFont: 6 pixels a character, lines 16 apart. A field without border
// or bar has 2 pixels of margin: 64 wide holds 10 characters.
const TextField::Style kPlain{false, false, true, false};
const TextField::Style kEditable{true, true, true, true};
const TextField::Style kScrolled{true, true, true, false};

std::vector<std::string> Lines(const TextField& field)
{
    std::vector<std::string> lines;
    for (const TextField::Line& line : field.Lines())
        lines.push_back(field.Text().substr(line.start, line.length));
    return lines;
}

using Strings = std::vector<std::string>;

TEST(TextField, WrapsBeforeTheWordThatDoesNotFitAndInsideOneThatFitsNowhere)
{
    Testing::FixedFont font;
    const auto wrap = [&font](const std::string& text) { return Lines(TextField({0, 0, 64, 100}, kPlain, &font, text)); };
    EXPECT_EQ(wrap("aaaa bbbb cccc"), (Strings{"aaaa bbbb ", "cccc"}));
    EXPECT_EQ(wrap("aaaaaaaaaa bb"), (Strings{"aaaaaaaaaa ", "bb"}));
    EXPECT_EQ(wrap("abcdefghijklmnopqrstuvwxy"), (Strings{"abcdefghij", "klmnopqrst", "uvwxy"}));
    EXPECT_EQ(wrap("a bcdefghijklm"), (Strings{"a ", "bcdefghijk", "lm"}));
    EXPECT_EQ(wrap("one\r\ntwo\nthree\r\n"), (Strings{"one", "two", "three", ""}));
    EXPECT_EQ(wrap(""), (Strings{""}));
    EXPECT_EQ(wrap("\r\n\r\n"), (Strings{"", "", ""}));
    // Exactly the width fits.
    EXPECT_EQ(wrap("0123456789"), (Strings{"0123456789"}));
}

TEST(TextField, ASingleLineFieldShowsItsFirstLineUnwrapped)
{
    Testing::FixedFont font;
    const TextField field({0, 0, 64, 20}, {false, false, false, false}, &font, "Please Wait . . . . .\r\nrest");
    EXPECT_EQ(Lines(field), (Strings{"Please Wait . . . . ."}));
}

TEST(TextField, DrawsTheVisibleLinesOnTheirBaselines)
{
    Testing::FixedFont font;
    TextField field({8, 92, 384, 168}, kScrolled, &font, "first\r\nsecond\r\nthird");
    Vorn::MemoryImage canvas(nullptr);
    canvas.Create(400, 300);
    Vorn::Graphics g(&canvas);
    field.Draw(g, false);
    EXPECT_EQ(font.mRuns, (Strings{"first@11,105 #ff000000", "second@11,121 #ff000000", "third@11,137 #ff000000"}));
    ASSERT_EQ(font.mClips.size(), 3u);
    EXPECT_EQ(font.mClips[0], Vorn::Rect(11, 95, 362, 162));
}

// 30 lines in a field of 10 visible: the report field of the fatal window.
std::string ThirtyLines()
{
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text.substr(0, text.size() - 2);
}

TEST(TextField, ScrollsByWheelKeysArrowsTrackAndThumb)
{
    Testing::FixedFont font;
    TextField field({8, 92, 384, 168}, kScrolled, &font, ThirtyLines());
    EXPECT_EQ(field.VisibleLines(), 10);
    EXPECT_EQ(field.FirstVisibleLine(), 0);
    field.Wheel(-1);
    EXPECT_EQ(field.FirstVisibleLine(), 3);
    field.Wheel(2);
    EXPECT_EQ(field.FirstVisibleLine(), 0);
    field.KeyDown(Platform::VK_END);
    EXPECT_EQ(field.FirstVisibleLine(), 20);
    field.KeyDown(Platform::VK_DOWN);
    EXPECT_EQ(field.FirstVisibleLine(), 20);
    field.KeyDown(Platform::VK_PRIOR);
    EXPECT_EQ(field.FirstVisibleLine(), 10);
    field.KeyDown(Platform::VK_UP);
    EXPECT_EQ(field.FirstVisibleLine(), 9);
    field.KeyDown(Platform::VK_NEXT);
    EXPECT_EQ(field.FirstVisibleLine(), 19);
    field.KeyDown(Platform::VK_HOME);
    EXPECT_EQ(field.FirstVisibleLine(), 0);

    // The bar: arrows of 16 at the top and bottom inside the border, the
    // track between (y 108 to 243) with a thumb of 135 * 10 / 30 = 45.
    EXPECT_TRUE(field.MouseDown(380, 100));
    EXPECT_EQ(field.FirstVisibleLine(), 0);
    EXPECT_TRUE(field.MouseDown(380, 250));
    EXPECT_EQ(field.FirstVisibleLine(), 1);
    EXPECT_TRUE(field.MouseDown(380, 100));
    EXPECT_EQ(field.FirstVisibleLine(), 0);
    EXPECT_TRUE(field.MouseDown(380, 200));
    EXPECT_EQ(field.FirstVisibleLine(), 10);
    EXPECT_TRUE(field.MouseDown(380, 110));
    EXPECT_EQ(field.FirstVisibleLine(), 0);
    // The thumb now lies at 108..153; dragging it the whole travel of 90
    // moves through all 20 lines.
    EXPECT_TRUE(field.MouseDown(380, 120));
    field.MouseMove(380, 165);
    EXPECT_EQ(field.FirstVisibleLine(), 10);
    field.MouseMove(380, 300);
    EXPECT_EQ(field.FirstVisibleLine(), 20);
    field.MouseUp();
    field.MouseMove(380, 120);
    EXPECT_EQ(field.FirstVisibleLine(), 20);

    EXPECT_FALSE(field.MouseDown(7, 100));
    EXPECT_TRUE(field.MouseDown(100, 100));
}

TEST(TextField, TypingKeepsLineEndsWholeAndTheCaretInView)
{
    Testing::FixedFont font;
    TextField field({8, 92, 384, 168}, kEditable, &font, "");
    for (const unsigned char c : {'a', 'b', '\r', 'c', '\t', '\x1b'})
        field.Char(c);
    EXPECT_EQ(field.Text(), "ab\r\nc");
    field.KeyDown(Platform::VK_LEFT);
    field.KeyDown(Platform::VK_LEFT);
    EXPECT_EQ(field.Caret(), 2u);
    field.KeyDown(Platform::VK_RIGHT);
    EXPECT_EQ(field.Caret(), 4u);
    field.Char('\b');
    EXPECT_EQ(field.Text(), "abc");
    EXPECT_EQ(field.Caret(), 2u);
    field.KeyDown(Platform::VK_DELETE);
    EXPECT_EQ(field.Text(), "ab");
    field.KeyDown(Platform::VK_HOME);
    EXPECT_EQ(field.Caret(), 0u);
    field.Char('\b');
    EXPECT_EQ(field.Text(), "ab");
    field.KeyDown(Platform::VK_END);
    EXPECT_EQ(field.Caret(), 2u);
    field.KeyDown(Platform::VK_DELETE);
    EXPECT_EQ(field.Text(), "ab");

    for (int i = 0; i < 12; ++i)
        field.Char('\r');
    EXPECT_EQ(field.Lines().size(), 13u);
    EXPECT_EQ(field.FirstVisibleLine(), 3);
    field.KeyDown(Platform::VK_HOME);
    for (int i = 0; i < 10; ++i)
        field.KeyDown(Platform::VK_LEFT);
    EXPECT_EQ(field.FirstVisibleLine(), 2);
}

TEST(TextField, EditsLeaveTheLinesAFreshLayoutWouldHave)
{
    Testing::FixedFont font;
    TextField field({0, 0, 100, 400}, {false, false, true, true}, &font, "");
    std::mt19937 rng(31);
    const unsigned char typed[] = {'a', 'b', ' ', ' ', '\r', '\b', 'x'};
    const int keys[] = {Platform::VK_LEFT, Platform::VK_RIGHT, Platform::VK_DELETE, Platform::VK_HOME, Platform::VK_END};
    for (int i = 0; i < 3000; ++i) {
        if (rng() % 4 == 0)
            field.KeyDown(keys[rng() % std::size(keys)]);
        else
            field.Char(typed[rng() % std::size(typed)]);
        const TextField fresh({0, 0, 100, 400}, {false, false, true, true}, &font, field.Text());
        ASSERT_EQ(Lines(field), Lines(fresh)) << "after edit " << i;
    }
}

TEST(TextField, AnEditableFieldTakesNoMoreThanItsLimit)
{
    Testing::FixedFont font;
    TextField field({0, 0, 64, 20}, {false, false, false, true}, &font, std::string(TextField::kMaxTyped - 1, 'x'));
    field.Char('y');
    field.Char('z');
    field.Char('\r');
    EXPECT_EQ(field.Text().size(), TextField::kMaxTyped);
    EXPECT_EQ(field.Text().back(), 'y');

    TextField shown({0, 0, 64, 20}, kPlain, &font, "read only");
    shown.Char('x');
    shown.KeyDown(Platform::VK_DELETE);
    EXPECT_EQ(shown.Text(), "read only");
}

TEST(PushButton, CentresItsLabelAndEtchesItWhenDisabled)
{
    Testing::FixedFont font;
    Vorn::MemoryImage canvas(nullptr);
    canvas.Create(400, 300);
    Vorn::Graphics g(&canvas);
    const PushButton close({8, 268, 384, 24}, "Close Now", &font, true);
    close.Draw(g, false);
    close.Draw(g, true);
    const PushButton send({8, 268, 188, 24}, "Send Report", &font, false);
    send.Draw(g, false);
    EXPECT_EQ(font.mRuns, (Strings{"Close Now@173,283 #ff000000", "Close Now@174,284 #ff000000",
                                   "Send Report@70,284 #ffffffff", "Send Report@69,283 #ffa0a0a0"}));
    EXPECT_TRUE(close.Contains(8, 268));
    EXPECT_TRUE(close.Contains(391, 291));
    EXPECT_FALSE(close.Contains(392, 280));
    EXPECT_FALSE(close.Contains(100, 292));
    EXPECT_FALSE(close.Contains(7, 280));
    EXPECT_FALSE(close.Contains(100, 267));
}

} // namespace
