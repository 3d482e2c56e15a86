#include "fakes/ScriptedApp.h"
#include "framework/app/Profiler.h"
#include "framework/display/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Testing::ScriptedClock;

constexpr int kF2 = 0x71;
constexpr int kF3 = 0x72;
constexpr int kF8 = 0x77;
constexpr int kF10 = 0x79;

// Keeps the message boxes it is asked to show instead of showing them.
class DebugApp : public Testing::ScriptedApp {
public:
    explicit DebugApp(ScriptedClock& clock) : ScriptedApp(clock) {}

    int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override
    {
        mBoxes.push_back({text, caption, flags});
        return 0;
    }

    void Hold(bool shift, bool ctrl, bool alt)
    {
        auto& held = mWidgetManager->mKeyDown;
        held[Platform::VK_SHIFT] = shift;
        held[Platform::VK_CONTROL] = ctrl;
        held[Platform::VK_MENU] = alt;
    }

    struct Box {
        std::string text;
        std::string caption;
        uint32_t flags;
    };
    std::vector<Box> mBoxes;
};

TEST(UsesAltKey, SwallowsEnterAndRInEitherCase)
{
    const std::tuple<int, bool> cases[] = {{13, true}, {'r', true}, {'R', true}, {'x', false}, {10, false}, {0, false}};
    ScriptedClock clock;
    DebugApp app(clock);
    for (const auto& [key, used] : cases) {
        SCOPED_TRACE(key);
        EXPECT_EQ(app.UsesAltKey(key), used);
    }
}

TEST(HandleDebugKey, F10ChangesSlowMotionAndSingleStepMode)
{
    // Ctrl, Shift, multiplier before, step mode before; multiplier and step
    // mode after.
    const std::tuple<bool, bool, double, int, double, int> cases[] = {
        {true, false, 1.0, 0, 0.25, 0},  {true, false, 0.25, 0, 1.0, 0}, {true, false, 1.5, 0, 0.25, 0},
        {true, true, 0.25, 1, 1.0, 1},   {false, true, 1.0, 1, 1.0, 0},  {false, false, 1.0, 0, 1.0, 1},
        {false, false, 0.25, 1, 0.25, 1}};
    ScriptedClock clock;
    DebugApp app(clock);
    for (const auto& [ctrl, shift, multiplier, step, multiplierAfter, stepAfter] : cases) {
        SCOPED_TRACE(testing::Message() << ctrl << shift << multiplier << step);
        app.Hold(shift, ctrl, false);
        app.mUpdateMultiplier = multiplier;
        app.mStepMode = step;
        EXPECT_TRUE(app.HandleDebugKey(kF10));
        EXPECT_EQ(app.mUpdateMultiplier, multiplierAfter);
        EXPECT_EQ(app.mStepMode, stepAfter);
    }
}

TEST(HandleDebugKey, CtrlF10TwiceReturnsToFullSpeed)
{
    ScriptedClock clock;
    DebugApp app(clock);
    app.Hold(false, true, false);
    app.HandleDebugKey(kF10);
    app.HandleDebugKey(kF10);
    EXPECT_EQ(app.mUpdateMultiplier, 1.0);
}

TEST(HandleDebugKey, ShiftF10ResetsTheFractionalTimeBase)
{
    ScriptedClock clock;
    DebugApp app(clock);
    app.mTimeAcc = 33.0;
    clock.Advance(500);
    app.Hold(true, false, false);
    app.HandleDebugKey(kF10);
    EXPECT_EQ(app.mTimeAcc, 0.0);
    EXPECT_EQ(app.mLastTime, clock.Milliseconds());
}

TEST(HandleDebugKey, F3SwitchesTheOverlayAndShiftF3ItsMode)
{
    // Shift, shown before, mode before; shown and mode after.
    const std::tuple<bool, bool, int, bool, int> cases[] = {{false, false, 0, true, 0}, {false, true, 1, false, 1},
        {true, false, 0, true, 1}, {true, true, 1, true, 0}, {true, true, 0, true, 1}};
    ScriptedClock clock;
    DebugApp app(clock);
    for (const auto& [shift, shown, mode, shownAfter, modeAfter] : cases) {
        SCOPED_TRACE(testing::Message() << shift << shown << mode);
        app.Hold(shift, false, false);
        app.mShowFPS = shown;
        app.mShowFPSMode = mode;
        EXPECT_FALSE(app.HandleDebugKey(kF3));
        EXPECT_EQ(app.mShowFPS, shownAfter);
        EXPECT_EQ(app.mShowFPSMode, modeAfter);
    }
}

TEST(HandleDebugKey, F3RestartsTheFrameRateCountWhenTheOverlayComesOn)
{
    ScriptedClock clock;
    DebugApp app(clock);
    clock.Advance(1234);
    app.mOverlayFrames = 7;
    app.mOverlayFrameRate = 60;
    app.mOverlayTimerStart = 5;
    app.HandleDebugKey(kF3);
    EXPECT_EQ(app.mOverlayFrames, 0);
    EXPECT_EQ(app.mOverlayFrameRate, 0);
    EXPECT_TRUE(app.mForceFrameRate);
    EXPECT_TRUE(app.mOverlayTimerRunning);
    EXPECT_EQ(app.mOverlayTimerStart, clock.Milliseconds());

    // Switched off, the count is left as it stood.
    app.mOverlayFrames = 3;
    app.mForceFrameRate = false;
    app.HandleDebugKey(kF3);
    EXPECT_EQ(app.mOverlayFrames, 3);
    EXPECT_FALSE(app.mForceFrameRate);
}

TEST(HandleDebugKey, F2StartsTheProfilerAndShowsItsSummaryWhenStopped)
{
    ScriptedClock clock;
    DebugApp app(clock);
    Vorn::Profiler& profiler = Vorn::TheProfiler();
    ASSERT_FALSE(profiler.IsRunning());
    EXPECT_FALSE(app.HandleDebugKey(kF2));
    EXPECT_TRUE(profiler.IsRunning());
    EXPECT_TRUE(app.mBoxes.empty());
    EXPECT_FALSE(app.HandleDebugKey(kF2));
    EXPECT_FALSE(profiler.IsRunning());
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].text, profiler.GetSummary());
    EXPECT_EQ(app.mBoxes[0].caption, "Perf Results");
    EXPECT_EQ(app.mBoxes[0].flags, 0u);
}

TEST(HandleDebugKey, OtherKeysAndRWithoutAltAreNotUsed)
{
    ScriptedClock clock;
    DebugApp app(clock);
    app.Hold(true, true, false);
    for (const int key : {0x52, 0x44, 0x70, 0x7B, 0x41}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(app.HandleDebugKey(key));
    }
    EXPECT_TRUE(app.mBoxes.empty());
    EXPECT_EQ(app.mWidgetManager->mKeyDown[Platform::VK_SHIFT], 1);
}

TEST(HandleDebugKey, ShiftF8ReportsTheNewModeInAMessageBox)
{
    ScriptedClock clock;
    DebugApp app(clock);
    app.Hold(true, false, false);
    EXPECT_TRUE(app.HandleDebugKey(kF8));
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].text, "3D-Mode: ON");
    EXPECT_EQ(app.mBoxes[0].caption, "Mode Switch");
    EXPECT_EQ(app.mBoxes[0].flags, 0u);
}

TEST(GetVideoStats, CountsTheImagesAndShowsZeroMemoryWithoutADisplay)
{
    ScriptedClock clock;
    DebugApp app(clock);
    const size_t before = app.mMemoryImageSet.size();
    auto first = std::make_unique<Vorn::MemoryImage>(&app);
    auto second = std::make_unique<Vorn::MemoryImage>(&app);
    ASSERT_EQ(app.mMemoryImageSet.size(), before + 2);
    app.Hold(false, false, false);
    EXPECT_TRUE(app.HandleDebugKey(kF8));
    ASSERT_EQ(app.mBoxes.size(), 1u);
    EXPECT_EQ(app.mBoxes[0].caption, "Video Stats");
    EXPECT_EQ(app.mBoxes[0].text, "3D-Mode is Off (3D is Unsupported on this system)\r\n\r\n"
                                  "Num Images: " +
                                      std::to_string(before + 2) +
                                      "\r\n"
                                      "Num Sounds: 0\r\n"
                                      "Video Memory: 0/0 KB\r\n"
                                      "Texture Memory: 0 KB\r\n"
                                      "A8R8G8B8: 0 - 0 KB\r\n"
                                      "A4R4G4B4: 0 - 0 KB\r\n"
                                      "R5G6B5: 0 - 0 KB\r\n"
                                      "Palette8: 0 - 0 KB\r\n");
}

// Texture bytes are summed per format key (1, 2, 4, 8); a set of another
// format counts toward the total only. Sums are rounded down per line: the
// total is one byte short of 11 KB.
TEST(GetVideoStats, SumsTheTexturesOfTheImagesByFormat)
{
    ScriptedClock clock;
    DebugApp app(clock);
    Vorn::TextureSet sets[5];
    const int formats[5] = {1, 2, 8, 8, 16};
    const int bytes[5] = {1024, 5000, 3072, 1023, 1144};
    std::vector<std::unique_ptr<Vorn::MemoryImage>> images;
    for (int i = 0; i < 5; ++i) {
        sets[i].mFormat = formats[i];
        sets[i].mTextureMemory = bytes[i];
        images.push_back(std::make_unique<Vorn::MemoryImage>(&app));
        images.back()->mD3DData = &sets[i];
    }
    const std::string text = app.VideoStatsText();
    for (auto& image : images)
        image->mD3DData = nullptr;
    const std::string tail = "Texture Memory: 10 KB\r\n"
                             "A8R8G8B8: 1 - 1 KB\r\n"
                             "A4R4G4B4: 1 - 4 KB\r\n"
                             "R5G6B5: 0 - 0 KB\r\n"
                             "Palette8: 2 - 3 KB\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

} // namespace
