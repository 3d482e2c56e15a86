#include "framework/widgets/Checkbox.h"

#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/CheckboxListener.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::Checkbox;
using Vorn::Rect;

class CheckLog : public Vorn::CheckboxListener {
public:
    void CheckboxChecked(int id, bool checked) override
    {
        mCalls.push_back(std::to_string(id) + (checked ? " on" : " off"));
    }
    std::vector<std::string> mCalls;
};

// Each press flips the box, whatever the button and however many clicks;
// releases do nothing.
TEST(CheckboxClicks, EveryPressFlipsTheBoxAndReportsItsNewState)
{
    CheckLog listener;
    Checkbox box(nullptr, nullptr, 4, &listener);
    Vorn::WidgetManager manager(nullptr);
    manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
    box.Resize(10, 10, 20, 20);
    manager.AddWidget(&box);
    for (const int click : {1, -1, 3, 2}) {
        manager.MouseDown(15, 15, click);
        manager.MouseUp(15, 15, click == 2 ? 1 : click);
    }
    manager.MouseDown(100, 100, 1);
    manager.MouseUp(100, 100, 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("4 on", "4 off", "4 on", "4 off"));
    EXPECT_FALSE(box.IsChecked());
    EXPECT_TRUE(box.mDoFinger);
    manager.RemoveWidget(&box);
}

TEST(CheckboxState, SetCheckedTellsTheListenerOnlyWhenAskedAndThenEvenWithoutAChange)
{
    CheckLog listener;
    Checkbox box(nullptr, nullptr, 9, &listener);
    box.SetChecked(true, false);
    EXPECT_TRUE(box.IsChecked());
    EXPECT_THAT(listener.mCalls, IsEmpty());
    box.mDirty = false;
    box.SetChecked(true, true);
    EXPECT_TRUE(box.mDirty);
    box.SetChecked(false, true);
    EXPECT_THAT(listener.mCalls, ElementsAre("9 on", "9 off"));
}

TEST(CheckboxState, WithoutAListenerTheBoxStillToggles)
{
    Checkbox box(nullptr, nullptr, 1, nullptr);
    box.MouseDown(1, 1, 1);
    EXPECT_TRUE(box.IsChecked());
    box.SetChecked(false, true);
    EXPECT_FALSE(box.IsChecked());
}

struct DrawCase {
    const char* name;
    bool twoPictures;
    bool cells;
    bool checked;
    std::vector<std::string> calls;
};

class CheckboxDraw : public ::testing::TestWithParam<DrawCase> {};

// Two pictures are drawn whole; with rectangles both states are cut from
// the unchecked picture; without pictures a white frame round a grey inside
// and, checked, a yellow cross whose second stroke starts on the frame.
TEST_P(CheckboxDraw, ShowsTheStateByItsPicturesOrAsABoxWithACross)
{
    const DrawCase& c = GetParam();
    RecordingImage unchecked(32, 16, "unchecked");
    RecordingImage checked(16, 16, "checked");
    Checkbox box(c.twoPictures || c.cells ? &unchecked : nullptr, c.twoPictures ? &checked : nullptr, 1, nullptr);
    box.Resize(0, 0, 6, 5);
    if (c.cells) {
        box.mUncheckedRect = Rect(0, 0, 16, 16);
        box.mCheckedRect = Rect(16, 0, 16, 16);
    }
    box.SetChecked(c.checked, false);
    RecordingImage screen(40, 40);
    Vorn::Graphics g(&screen);
    box.Draw(&g);
    EXPECT_EQ(screen.mCalls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckboxDraw,
    ::testing::Values(DrawCase{"TwoPicturesChecked", true, false, true, {"Blt checked 0,0 src=0,0,16,16 #ffffffff m0"}},
        DrawCase{"TwoPicturesUnchecked", true, false, false, {"Blt unchecked 0,0 src=0,0,32,16 #ffffffff m0"}},
        DrawCase{"CellsChecked", false, true, true, {"Blt unchecked 0,0 src=16,0,16,16 #ffffffff m0"}},
        DrawCase{"CellsUnchecked", false, true, false, {"Blt unchecked 0,0 src=0,0,16,16 #ffffffff m0"}},
        DrawCase{"BoxUnchecked", false, false, false,
            {"FillRect 0,0,6,5 #ffffffff m0", "FillRect 1,1,4,3 #ff505050 m0"}},
        DrawCase{"BoxChecked", false, false, true,
            {"FillRect 0,0,6,5 #ffffffff m0", "FillRect 1,1,4,3 #ff505050 m0", "DrawLine 1,1-4,3 #ffffff00 m0",
                "DrawLine 5,1-1,3 #ffffff00 m0"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Rectangles without the unchecked picture fall back to the box.
TEST(CheckboxDrawFallback, RectanglesWithoutAPictureDrawTheBox)
{
    RecordingImage checked(16, 16, "checked");
    Checkbox box(nullptr, &checked, 1, nullptr);
    box.Resize(0, 0, 4, 4);
    box.mCheckedRect = Rect(16, 0, 16, 16);
    RecordingImage screen(40, 40);
    Vorn::Graphics g(&screen);
    box.Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("FillRect 0,0,4,4 #ffffffff m0", "FillRect 1,1,2,2 #ff505050 m0"));
}

} // namespace
