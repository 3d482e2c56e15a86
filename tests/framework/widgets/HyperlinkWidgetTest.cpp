#include "framework/widgets/HyperlinkWidget.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using Testing::RecordingImage;
using ::testing::ElementsAre;
using Vorn::HyperlinkWidget;
using Vorn::Rect;

class ClickLog : public Vorn::ButtonListener {
public:
    void ButtonDepress(int id) override { mCalls.push_back("depress " + std::to_string(id)); }
    void ButtonMouseEnter(int id) override { mCalls.push_back("enter " + std::to_string(id)); }
    void ButtonMouseLeave(int id) override { mCalls.push_back("leave " + std::to_string(id)); }
    std::vector<std::string> mCalls;
};

struct UnderlineCase {
    int size;
    bool over;
    std::vector<std::string> fills;
};

class HyperlinkDraw : public ::testing::TestWithParam<UnderlineCase> {};

// "Back" is 24 wide in a 100 x 30 link: x (100 - 24) / 2 = 38, baseline
// (10 + 30) / 2 - 1 = 19; each underline row one pixel, from 3 below it.
TEST_P(HyperlinkDraw, CentresTheLabelAndUnderlinesItInTheColourOfItsState)
{
    const UnderlineCase& c = GetParam();
    ClickLog listener;
    HyperlinkWidget link(1, &listener);
    link.Resize(0, 0, 100, 30);
    link.mLabel = "Back";
    FixedFont font;
    link.SetFont(&font);
    link.mColor = Vorn::Color(128, 64, 0);
    link.mOverColor = Vorn::Color(255, 128, 0);
    link.mUnderlineSize = c.size;
    link.mIsOver = c.over;
    RecordingImage screen(200, 100);
    Vorn::Graphics g(&screen);
    link.Draw(&g);
    EXPECT_EQ(screen.mCalls, c.fills);
    const char* colour = c.over ? "#ffff8000" : "#ff804000";
    EXPECT_THAT(static_cast<FixedFont*>(link.mFont.get())->mRuns, ElementsAre(std::string("Back@38,19 ") + colour));
}

INSTANTIATE_TEST_SUITE_P(Cases, HyperlinkDraw,
    ::testing::Values(UnderlineCase{0, false, {}}, UnderlineCase{1, false, {"FillRect 38,22,24,1 #ff804000 m0"}},
        UnderlineCase{2, true, {"FillRect 38,22,24,1 #ffff8000 m0", "FillRect 38,23,24,1 #ffff8000 m0"}}));

// Held but dragged off, the link keeps its normal colour: only hovering
// selects the other. Entering and leaving redraw the whole area.
TEST(HyperlinkInput, OnlyHoveringChangesTheColourAndClicksReachTheListener)
{
    ClickLog listener;
    HyperlinkWidget link(5, &listener);
    EXPECT_TRUE(link.mDoFinger);
    link.Resize(10, 10, 100, 30);
    Vorn::WidgetManager manager(nullptr);
    manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    manager.AddWidget(&link);
    manager.MouseMove(20, 20);
    manager.MouseDown(20, 20, 1);
    manager.MouseUp(20, 20, 1);
    manager.MouseDown(20, 20, 1);
    manager.MouseMove(300, 300);
    EXPECT_TRUE(link.mIsDown);
    EXPECT_FALSE(link.mIsOver);
    manager.mDirty = false;
    link.mDirty = false;
    manager.MouseUp(300, 300, 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("enter 5", "depress 5", "leave 5"));
    manager.RemoveWidget(&link);
}

TEST(HyperlinkInput, WithoutAFontTheLinkMakesTheSystemFallback)
{
    ClickLog listener;
    HyperlinkWidget link(1, &listener);
    Vorn::Graphics g;
    link.Draw(&g);
    const auto* font = dynamic_cast<Vorn::SysFont*>(link.mFont.get());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mFace, "Arial Unicode MS");
    EXPECT_EQ(font->mPointSize, 10);
}

} // namespace
