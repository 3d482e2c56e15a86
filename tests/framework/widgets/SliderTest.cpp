#include "framework/widgets/Slider.h"

#include "fakes/RecordingImage.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/SliderListener.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::Rect;
using Vorn::Slider;

class ValueLog : public Vorn::SliderListener {
public:
    void SliderVal(int id, double value) override
    {
        char text[40];
        std::snprintf(text, sizeof text, "%d %g", id, value);
        mCalls.push_back(text);
    }
    std::vector<std::string> mCalls;
};

// Writes down each cursor the widgets ask for.
class CursorApp : public Testing::ScriptedApp {
public:
    using ScriptedApp::ScriptedApp;
    void ApplyCursor() override { mCursors.push_back(mCursorNum); }
    std::vector<int> mCursors;
};

// A slider "3" at (100, 100), 200 long, with a 20 x 10 thumb, in a manager
// of its own; horizontal or vertical.
class SliderInput : public ::testing::TestWithParam<bool> {
protected:
    SliderInput()
    {
        manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        slider.mHorizontal = GetParam();
        if (slider.mHorizontal)
            slider.Resize(100, 100, 200, 10);
        else
            slider.Resize(100, 100, 10, 200);
        manager.AddWidget(&slider);
    }
    ~SliderInput() override { manager.RemoveWidget(&slider); }

    // A manager point at `along` pixels down the slider's axis.
    int X(int along) const { return GetParam() ? 100 + along : 105; }
    int Y(int along) const { return GetParam() ? 105 : 100 + along; }

    Testing::ScriptedClock clock;
    CursorApp app{clock};
    Vorn::WidgetManager manager{&app};
    ValueLog listener;
    RecordingImage thumb{GetParam() ? 20 : 10, GetParam() ? 10 : 20, "thumb"};
    Slider slider{nullptr, &thumb, 3, &listener};
};

// Clicking beside the thumb jumps to the clicked fraction and reports it at
// the release.
TEST_P(SliderInput, AClickBesideTheThumbJumpsToTheClickedFractionAndTheReleaseReportsIt)
{
    manager.MouseDown(X(50), Y(50), 1);
    EXPECT_EQ(slider.mVal, 0.25);
    EXPECT_THAT(listener.mCalls, IsEmpty());
    EXPECT_FALSE(slider.mDragging);
    manager.MouseUp(X(50), Y(50), 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("3 0.25"));
}

// The thumb at 0.25 lies at 45 (180 x 0.25); grabbed 5 into it, each drag
// that changes the value reports it, past either end no further than the end.
TEST_P(SliderInput, DraggingTheThumbReportsEachChangeClampedAndTheReleaseReportsAgain)
{
    slider.SetValue(0.25);
    manager.MouseMove(X(50), Y(50));
    manager.MouseDown(X(50), Y(50), 1);
    EXPECT_TRUE(slider.mDragging);
    EXPECT_EQ(GetParam() ? slider.mRelX : slider.mRelY, 5);
    manager.MouseMove(X(95), Y(95));
    manager.MouseMove(X(95), Y(95));
    manager.MouseMove(X(1000), Y(1000));
    manager.MouseMove(X(900), Y(900));
    manager.MouseMove(X(-300), Y(-300));
    manager.MouseUp(X(-300), Y(-300), 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("3 0.5", "3 1", "3 0", "3 0"));
    EXPECT_FALSE(slider.mDragging);
    // Over the thumb: dragging; the grab; leaving while dragging keeps it;
    // the release: normal.
    EXPECT_THAT(app.mCursors, ElementsAre(2, 2, 0));
}

TEST_P(SliderInput, HoveringShowsTheDraggingCursorOnlyOverTheThumb)
{
    manager.MouseMove(X(5), Y(5));
    manager.MouseMove(X(19), Y(19));
    manager.MouseMove(X(20), Y(20));
    manager.MouseMove(X(500), Y(500));
    EXPECT_THAT(app.mCursors, ElementsAre(2, 2, 0, 0));
}

// A thumb as long as the slider has no room to move: no division by zero,
// no report until the release.
TEST_P(SliderInput, AThumbAsLongAsTheSliderDoesNotMove)
{
    if (GetParam())
        slider.Resize(100, 100, 20, 10);
    else
        slider.Resize(100, 100, 10, 20);
    slider.SetValue(0.5);
    manager.MouseDown(X(5), Y(5), 1);
    ASSERT_TRUE(slider.mDragging);
    manager.MouseMove(X(15), Y(15));
    EXPECT_EQ(slider.mVal, 0.5);
    EXPECT_THAT(listener.mCalls, IsEmpty());
    manager.MouseUp(X(15), Y(15), 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("3 0.5"));
}

INSTANTIATE_TEST_SUITE_P(Axes, SliderInput, ::testing::Bool(),
    [](const auto& info) { return std::string(info.param ? "Horizontal" : "Vertical"); });

TEST(SliderValue, IsClampedToZeroToOneWithoutTellingTheListener)
{
    ValueLog listener;
    RecordingImage thumb(4, 4);
    Slider slider(nullptr, &thumb, 1, &listener);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, double> cases[] = {{-0.5, 0.0}, {0.0, 0.0}, {0.3, 0.3}, {1.0, 1.0}, {1.5, 1.0},
        {nan, 0.0}, {std::numeric_limits<double>::infinity(), 1.0}};
    for (const auto& [given, kept] : cases) {
        slider.mDirty = false;
        slider.SetValue(given);
        EXPECT_EQ(slider.mVal, kept) << given;
        EXPECT_TRUE(slider.mDirty);
    }
    EXPECT_THAT(listener.mCalls, IsEmpty());
}

// A click on a slider of one pixel lands at fraction 0; one of no length
// has no fraction.
TEST(SliderValue, ClicksOnTheShortestSlidersStayInRange)
{
    RecordingImage thumb(0, 4);
    Slider slider(nullptr, &thumb, 1, nullptr);
    for (const int length : {1, 0}) {
        slider.Resize(0, 0, length, 4);
        slider.SetValue(0.5);
        slider.MouseDown(0, 0, 1);
        EXPECT_EQ(slider.mVal, length == 1 ? 0.0 : 0.5) << length;
    }
}

TEST(SliderValue, WithoutAListenerClicksAndDragsOnlyMoveTheThumb)
{
    RecordingImage thumb(10, 10);
    Slider slider(nullptr, &thumb, 1, nullptr);
    slider.Resize(0, 0, 110, 10);
    slider.MouseDown(55, 5, 1);
    slider.MouseUp(55, 5, 1);
    slider.MouseDown(53, 5, 1);
    slider.MouseDrag(103, 5);
    slider.MouseUp(103, 5, 1);
    EXPECT_EQ(slider.mVal, 1.0);
}

// Cells of 10 from a 30-pixel track: both ends once, the middle repeated
// (width - 11) / 10 times from 10 on, the last repeat cut at the right end's
// start; the thumb at (width - 20) x value, centred across.
// The blits of drawing the slider onto a screen of its own.
std::vector<std::string> Drawn(Slider& slider)
{
    RecordingImage screen(200, 200);
    Vorn::Graphics g(&screen);
    slider.Draw(&g);
    return screen.mCalls;
}

TEST(SliderDraw, LaysTheTrackOutInThreeCellsWithTheMiddleRepeatedAndClipped)
{
    RecordingImage track(30, 6, "track");
    RecordingImage thumb(20, 10, "thumb");
    Slider slider(&track, &thumb, 1, nullptr);
    slider.Resize(0, 0, 95, 14);
    slider.SetValue(0.5);
    RecordingImage screen(200, 200);
    Vorn::Graphics g(&screen);
    slider.Draw(&g);
    std::vector<std::string> expected = {"Blt track 0,4 src=0,0,10,6 #ffffffff m0"};
    for (int x = 10; x <= 70; x += 10)
        expected.push_back("Blt track " + std::to_string(x) + ",4 src=10,0,10,6 #ffffffff m0");
    expected.push_back("Blt track 80,4 src=10,0,5,6 #ffffffff m0");
    expected.push_back("Blt track 85,4 src=20,0,10,6 #ffffffff m0");
    expected.push_back("Blt thumb 37,2 src=0,0,20,10 #ffffffff m0");
    EXPECT_EQ(screen.mCalls, expected);

    slider.Resize(0, 0, 100, 14);
    screen.mCalls.clear();
    slider.Draw(&g);
    int middles = 0;
    for (const std::string& call : screen.mCalls)
        middles += call.find("src=10,0,10,6") != std::string::npos;
    EXPECT_EQ(middles, 8);
}

// A track thinner than the slider and a thumb shorter than it: the slider
// paints nothing else, so what lies behind shows through, as it says.
TEST(SliderDraw, PaintsOnlyItsTrackAndThumbAndSaysWhatLiesBehindShowsThrough)
{
    RecordingImage track(30, 2, "track");
    RecordingImage thumb(20, 4, "thumb");
    Slider slider(&track, &thumb, 1, nullptr);
    slider.Resize(0, 0, 30, 14);
    EXPECT_THAT(Drawn(slider),
        ElementsAre("Blt track 0,6 src=0,0,10,2 #ffffffff m0", "Blt track 10,6 src=10,0,10,2 #ffffffff m0",
            "Blt track 20,6 src=20,0,10,2 #ffffffff m0", "Blt thumb 0,5 src=0,0,20,4 #ffffffff m0"));
    EXPECT_TRUE(slider.HasTransparencies());
}

TEST(SliderDraw, AVerticalTrackIsStackedAndItsThumbMovesDown)
{
    RecordingImage track(6, 30, "track");
    RecordingImage thumb(10, 20, "thumb");
    Slider slider(&track, &thumb, 1, nullptr);
    slider.mHorizontal = false;
    slider.Resize(0, 0, 14, 45);
    slider.SetValue(0.2);
    EXPECT_THAT(Drawn(slider),
        ElementsAre("Blt track 4,0 src=0,0,6,10 #ffffffff m0", "Blt track 4,10 src=0,10,6,10 #ffffffff m0",
            "Blt track 4,20 src=0,10,6,10 #ffffffff m0", "Blt track 4,30 src=0,10,6,5 #ffffffff m0",
            "Blt track 4,35 src=0,20,6,10 #ffffffff m0", "Blt thumb 2,5 src=0,0,10,20 #ffffffff m0"));
}

// 91 long: the eighth middle cell shows one column before the right end.
TEST(SliderDraw, TheLastMiddleCellShowsUpToTheRightEnd)
{
    RecordingImage track(30, 6, "track");
    RecordingImage thumb(0, 6, "thumb");
    Slider slider(&track, &thumb, 1, nullptr);
    slider.Resize(0, 0, 91, 6);
    const std::vector<std::string> calls = Drawn(slider);
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[8], "Blt track 80,0 src=10,0,1,6 #ffffffff m0");
    EXPECT_EQ(calls[9], "Blt track 81,0 src=20,0,10,6 #ffffffff m0");
}

TEST(SliderDraw, ATrackTooSmallForThreeCellsDrawsOnlyTheThumb)
{
    RecordingImage track(2, 6, "track");
    RecordingImage thumb(20, 10, "thumb");
    Slider slider(&track, &thumb, 1, nullptr);
    slider.Resize(0, 0, 100, 10);
    EXPECT_THAT(Drawn(slider), ElementsAre("Blt thumb 0,0 src=0,0,20,10 #ffffffff m0"));
    slider.mTrackImage = nullptr;
    EXPECT_THAT(Drawn(slider), ElementsAre("Blt thumb 0,0 src=0,0,20,10 #ffffffff m0"));
}

} // namespace
