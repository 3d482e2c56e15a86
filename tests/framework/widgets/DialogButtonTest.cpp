#include "framework/widgets/DialogButton.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/ButtonListener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using Testing::RecordingImage;
using ::testing::ElementsAre;
using Vorn::DialogButton;
using Vorn::Rect;

// Writes down where each run lands on the screen: the context's translation
// added.
class PlacedFont : public FixedFont {
public:
    void DrawString(Vorn::Graphics* g, int x, int y, const std::string& text, const Vorn::Color& color,
        const Rect& clip) override
    {
        FixedFont::DrawString(g, x + static_cast<int>(g->mTransX), y + static_cast<int>(g->mTransY), text, color,
            clip);
    }
    std::unique_ptr<Vorn::Font> Duplicate() const override { return std::make_unique<PlacedFont>(*this); }
};

class Quiet : public Vorn::ButtonListener {};

// The box drawn by a context translated by (dx, dy), for comparison.
std::vector<std::string> Box(Vorn::Image* image, const Rect* cell, int dx, int dy, const Vorn::Color* colour)
{
    RecordingImage screen(200, 200);
    Vorn::Graphics g(&screen);
    g.Translate(dx, dy);
    if (colour) {
        g.SetColorize(true);
        g.SetColor(*colour);
    }
    if (cell)
        g.DrawImageAsBox(Rect(0, 0, 80, 24), image, *cell);
    else
        g.DrawImageAsBox(Rect(0, 0, 80, 24), image);
    return screen.mCalls;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct CellCase {
    const char* name;
    bool pressed;
    bool over;
    bool disabled;
    double fade;
};

class DialogButtonCells : public ::testing::TestWithParam<CellCase> {};

// An 80 x 24 button "OK" cut from cells of one picture: the cell of its
// state as a box, the fade laid over the normal cell; pressed, only the
// label moves by the press offset. Label: x (80 - 12) / 2, baseline
// (24 + 10 - 10 / 6 - 2 - 1) / 2 = 15.
TEST_P(DialogButtonCells, DrawTheStatesCellAsABoxAndMoveOnlyThePressedLabel)
{
    const CellCase& c = GetParam();
    Quiet listener;
    RecordingImage picture(40, 40, "cells");
    DialogButton button(1000, &listener);
    button.mComponentImage = &picture;
    const Rect normal(0, 0, 20, 10), over(20, 0, 20, 10), down(0, 10, 20, 10), disabled(20, 10, 20, 10);
    button.mNormalRect = normal;
    button.mOverRect = over;
    button.mDownRect = down;
    button.mDisabledRect = disabled;
    button.Resize(0, 0, 80, 24);
    button.mLabel = "OK";
    PlacedFont font;
    button.SetFont(&font);
    button.SetColor(0, Vorn::Color(1, 1, 1));
    button.SetColor(1, Vorn::Color(2, 2, 2));
    button.mIsDown = c.pressed;
    button.mIsOver = c.over || c.pressed;
    button.mDisabled = c.disabled;
    button.mOverAlpha = c.fade;
    RecordingImage screen(200, 200);
    Vorn::Graphics g(&screen);
    button.Draw(&g);

    std::vector<std::string> expected;
    if (c.disabled) {
        expected = Box(&picture, &disabled, 0, 0, nullptr);
    } else if (c.pressed) {
        expected = Box(&picture, &down, 0, 0, nullptr);
    } else if (c.fade > 0.0) {
        const Vorn::Color white(255, 255, 255, static_cast<int>(c.fade * 255));
        expected = Box(&picture, &over, 0, 0, &white);
        if (c.fade < 1.0)
            expected = Join(Box(&picture, &normal, 0, 0, nullptr), expected);
    } else {
        expected = Box(&picture, c.over ? &over : &normal, 0, 0, nullptr);
    }
    EXPECT_EQ(screen.mCalls, expected);
    const bool pressed = c.pressed && !c.disabled;
    char run[40];
    std::snprintf(run, sizeof run, "OK@%d,%d #ff%s", pressed ? 35 : 34, pressed ? 16 : 15,
        button.mIsOver ? "020202" : "010101");
    EXPECT_THAT(static_cast<FixedFont*>(button.mFont.get())->mRuns, ElementsAre(run));
}

INSTANTIATE_TEST_SUITE_P(States, DialogButtonCells,
    ::testing::Values(CellCase{"Idle", false, false, false, 0.0}, CellCase{"Hovered", false, true, false, 0.0},
        CellCase{"Pressed", true, true, false, 0.0}, CellCase{"Disabled", false, true, true, 0.0},
        CellCase{"HalfFaded", false, false, false, 0.5}, CellCase{"FullyFaded", false, false, false, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

// A whole picture moves with its label while pressed.
TEST(DialogButtonPicture, AWholePictureMovesWithTheLabelWhilePressed)
{
    Quiet listener;
    RecordingImage picture(30, 30, "panel");
    for (const bool pressed : {false, true}) {
        DialogButton button(1000, &listener);
        button.mComponentImage = &picture;
        button.mTranslateX = 2;
        button.mTranslateY = 3;
        button.mTextOffsetX = 5;
        button.mTextOffsetY = -1;
        button.Resize(0, 0, 80, 24);
        button.mLabel = "OK";
        PlacedFont font;
        button.SetFont(&font);
        button.mIsDown = button.mIsOver = pressed;
        RecordingImage screen(200, 200);
        Vorn::Graphics g(&screen);
        button.Draw(&g);
        EXPECT_EQ(screen.mCalls, Box(&picture, nullptr, pressed ? 2 : 0, pressed ? 3 : 0, nullptr));
        EXPECT_THAT(static_cast<FixedFont*>(button.mFont.get())->mRuns,
            ElementsAre(pressed ? "OK@41,17 #ffffffff" : "OK@39,14 #ffffffff"));
    }
}

// Without a picture it is a plain button with white labels; with one and no
// font it makes the system font of size 12.
TEST(DialogButtonPicture, WithoutAPictureItIsAPlainButtonAndWithOneItMakesItsFont)
{
    Quiet listener;
    DialogButton plain(1000, &listener);
    EXPECT_TRUE(plain.mDoFinger);
    plain.Resize(0, 0, 20, 10);
    RecordingImage screen(100, 100);
    Vorn::Graphics g(&screen);
    plain.Draw(&g);
    ASSERT_FALSE(screen.mCalls.empty());
    EXPECT_EQ(screen.mCalls.front(), "FillRect 0,0,20,10 #ffd4d4d4 m0");
    EXPECT_EQ(plain.GetColor(0), Vorn::Color(255, 255, 255));
    EXPECT_EQ(plain.GetColor(1), Vorn::Color(255, 255, 255));

    RecordingImage picture(30, 30, "panel");
    DialogButton pictured(1000, &listener);
    pictured.mComponentImage = &picture;
    pictured.mLabel = "Go";
    pictured.Draw(&g);
    const auto* font = dynamic_cast<Vorn::SysFont*>(pictured.mFont.get());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mPointSize, 12);
    pictured.mBtnNoDraw = true;
    screen.mCalls.clear();
    pictured.Draw(&g);
    EXPECT_TRUE(screen.mCalls.empty());
}

} // namespace
