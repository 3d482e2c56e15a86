#include "framework/widgets/ButtonWidget.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using Testing::RecordingImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::ButtonWidget;
using Vorn::Rect;

// Writes down what the buttons report, with the click count folded into
// "press" by the interface's own default.
class ListenerLog : public Vorn::ButtonListener {
public:
    void ButtonPress(int id) override { Note("press " + std::to_string(id)); }
    void ButtonPressClicks(int id, int clicks) override
    {
        Note("clicks " + std::to_string(id) + " " + std::to_string(clicks));
        ButtonListener::ButtonPressClicks(id, clicks);
    }
    void ButtonDepress(int id) override { Note("depress " + std::to_string(id)); }
    void ButtonDownTick(int id) override { Note("tick " + std::to_string(id)); }
    void ButtonMouseEnter(int id) override { Note("enter " + std::to_string(id)); }
    void ButtonMouseLeave(int id) override { Note("leave " + std::to_string(id)); }
    void ButtonMouseMove(int id, int x, int y) override
    {
        Note("move " + std::to_string(id) + " " + std::to_string(x) + "," + std::to_string(y));
    }

    std::vector<std::string> mCalls;
    // Put before each call, such as the update it came in.
    std::function<std::string()> mStamp = [] { return std::string(); };

private:
    void Note(const std::string& call) { mCalls.push_back(mStamp() + call); }
};

// Colour words of a memory image as 0xAARRGGBB.
constexpr uint32_t kFace = 0xFFD4D4D4;
constexpr uint32_t kLight = 0xFFFFFFFF;
constexpr uint32_t kDark = 0xFF000000;
constexpr uint32_t kShadow = 0xFF848484;

struct FramePixel {
    int x;
    int y;
    uint32_t raised;
    uint32_t pressed;
};

// A 20 x 10 button: the light edge on the top and left (less their last
// pixel), the dark one on the bottom and right, the shadow inside the dark
// edge; pressed, the edges swap and the shadow runs inside the top-left.
constexpr FramePixel kFramePixels[] = {
    {0, 0, kLight, kDark}, {18, 0, kLight, kDark}, {19, 0, kDark, kLight}, {0, 8, kLight, kDark},
    {0, 9, kDark, kLight}, {19, 9, kDark, kLight}, {1, 1, kFace, kShadow}, {17, 1, kFace, kShadow},
    {18, 1, kShadow, kFace}, {1, 7, kFace, kShadow}, {1, 8, kShadow, kFace}, {18, 8, kShadow, kFace},
    {19, 8, kDark, kLight}, {18, 9, kDark, kLight}, {5, 5, kFace, kFace}, {2, 2, kFace, kFace},
    // Nothing outside the button.
    {20, 0, 0, 0}, {20, 5, 0, 0}, {0, 10, 0, 0}, {5, 10, 0, 0}, {20, 10, 0, 0},
};

TEST(ButtonFrame, IsExactInPixelsRaisedPressedAndInvertedWithTheLabelShiftedWhenPressed)
{
    ListenerLog listener;
    for (const bool inverted : {false, true}) {
        for (const bool down : {false, true}) {
            ButtonWidget button(1, &listener);
            button.Resize(0, 0, 20, 10);
            button.mLabel = "OK";
            FixedFont font;
            button.SetFont(&font);
            button.SetColor(ButtonWidget::kColorLabelHilite, Vorn::Color(255, 0, 0));
            button.mInverted = inverted;
            button.mIsDown = button.mIsOver = down;
            Vorn::MemoryImage image;
            image.Create(21, 11);
            Vorn::Graphics g(&image);
            button.Draw(&g);
            const bool pressedLook = down != inverted;
            for (const FramePixel& p : kFramePixels)
                EXPECT_EQ(image.GetBits()[p.y * 21 + p.x], pressedLook ? p.pressed : p.raised)
                    << p.x << "," << p.y << " inverted " << inverted << " down " << down;
            // "OK" is 12 wide: x (20 - 12) / 2; baseline (10 + 10 - 10 / 6 - 1) / 2.
            const auto& runs = static_cast<FixedFont*>(button.mFont.get())->mRuns;
            EXPECT_THAT(runs, ElementsAre(std::string(pressedLook ? "OK@5,10" : "OK@4,9") +
                                          (down ? " #ffff0000" : " #ff000000")));
        }
    }
}

TEST(ButtonFrame, WithoutAFrameOnlyTheLabelIsDrawnAndDrawNothingDrawsNothing)
{
    ListenerLog listener;
    ButtonWidget button(1, &listener);
    button.Resize(0, 0, 4, 4);
    button.mFrameNoDraw = true;
    RecordingImage image(4, 4);
    Vorn::Graphics g(&image);
    button.Draw(&g);
    EXPECT_THAT(image.mCalls, IsEmpty());
    button.mFrameNoDraw = false;
    button.mBtnNoDraw = true;
    button.Draw(&g);
    EXPECT_THAT(image.mCalls, IsEmpty());
    button.mBtnNoDraw = false;
    button.Draw(&g);
    EXPECT_EQ(image.mCalls.size(), 7u);
}

TEST(ButtonLabel, IsPlacedByItsJustificationAndTheFontsAscent)
{
    ListenerLog listener;
    const std::pair<int, const char*> cases[] = {{0, "OK@44,19"}, {1, "OK@88,19"}, {7, "OK@0,19"}, {-1, "OK@0,19"}};
    for (const auto& [justify, run] : cases) {
        ButtonWidget button(1, &listener);
        button.Resize(0, 0, 100, 30);
        button.mLabel = "OK";
        button.mLabelJustify = justify;
        FixedFont font;
        font.mAscent = 12;
        button.SetFont(&font);
        button.mFrameNoDraw = true;
        Vorn::Graphics g;
        button.Draw(&g);
        EXPECT_THAT(static_cast<FixedFont*>(button.mFont.get())->mRuns, ElementsAre(std::string(run) + " #ff000000"));
    }
}

// A label without a font gets the system font; a button's own font given
// back to it is duplicated before the old one goes.
TEST(ButtonLabel, GetsTheFallbackSystemFontAndSurvivesBeingGivenItsOwnFont)
{
    ListenerLog listener;
    ButtonWidget button(1, &listener);
    Vorn::Graphics g;
    button.Draw(&g);
    EXPECT_EQ(button.mFont, nullptr);
    button.mLabel = "Go";
    button.Draw(&g);
    const auto* font = dynamic_cast<Vorn::SysFont*>(button.mFont.get());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mFace, "Arial Unicode MS");
    EXPECT_EQ(font->mPointSize, 10);
    EXPECT_FALSE(font->mBold || font->mItalics || font->mUnderline);

    FixedFont fixed;
    button.SetFont(&fixed);
    button.SetFont(button.mFont.get());
    EXPECT_EQ(button.mFont->StringWidth("abc"), 18);
    button.SetFont(nullptr);
    EXPECT_EQ(button.mFont, nullptr);
}

// With pictures too, the pressed label moves one pixel right and down and
// takes the hover colour.
TEST(ButtonLabel, ShiftsOverPicturesWhenPressed)
{
    ListenerLog listener;
    RecordingImage normal(10, 10, "normal");
    for (const bool pressed : {false, true}) {
        ButtonWidget button(1, &listener);
        button.Resize(0, 0, 40, 20);
        button.mButtonImage = &normal;
        button.mLabel = "ab";
        FixedFont font;
        button.SetFont(&font);
        button.SetColor(ButtonWidget::kColorLabelHilite, Vorn::Color(0, 0, 255));
        button.mIsDown = pressed;
        button.mIsOver = pressed;
        Vorn::Graphics g;
        button.Draw(&g);
        // "ab" is 12 wide: x (40 - 12) / 2; baseline (20 + 10 - 1 - 1) / 2.
        EXPECT_THAT(static_cast<FixedFont*>(button.mFont.get())->mRuns,
            ElementsAre(pressed ? "ab@15,15 #ff0000ff" : "ab@14,14 #ff000000"));
    }
}

struct ImageCase {
    const char* name;
    bool down;
    bool over;
    bool disabled;
    double fade;
    // Which pictures exist: n normal, o over, d down, x disabled; s cuts the
    // over picture from the normal one.
    const char* pictures;
    std::vector<std::string> blits;
};

class ButtonImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ButtonImages, PickThePictureOfTheState)
{
    const ImageCase& c = GetParam();
    ListenerLog listener;
    RecordingImage normal(10, 10, "normal");
    RecordingImage over(10, 10, "over");
    RecordingImage down(10, 10, "down");
    RecordingImage disabled(10, 10, "disabled");
    ButtonWidget button(1, &listener);
    button.Resize(0, 0, 10, 10);
    const std::string pictures = c.pictures;
    const auto has = [&](char p) { return pictures.find(p) != std::string::npos; };
    button.mButtonImage = has('n') ? &normal : nullptr;
    button.mOverImage = has('o') ? &over : nullptr;
    button.mDownImage = has('d') ? &down : nullptr;
    button.mDisabledImage = has('x') ? &disabled : nullptr;
    if (has('s')) {
        button.mNormalRect = Rect(0, 0, 10, 5);
        button.mOverRect = Rect(0, 5, 10, 5);
    }
    button.mIsDown = c.down;
    button.mIsOver = c.over;
    button.mDisabled = c.disabled;
    button.mOverAlpha = c.fade;
    RecordingImage screen(40, 40);
    Vorn::Graphics g(&screen);
    button.Draw(&g);
    EXPECT_EQ(screen.mCalls, c.blits);
}

INSTANTIATE_TEST_SUITE_P(Cases, ButtonImages,
    ::testing::Values(
        ImageCase{"PressedDown", true, true, false, 0, "nod", {"Blt down 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"PressedOverOneDown", true, true, false, 0, "no", {"Blt over 1,1 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"PressedNormalOneDown", true, true, false, 0, "n", {"Blt normal 1,1 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"DownButNotOverIsRaised", true, false, false, 0, "nod", {"Blt over 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"Disabled", false, true, true, 0, "nox", {"Blt disabled 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"DisabledWithoutItsPicture", false, false, true, 0, "no", {"Blt normal 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"Hovered", false, true, false, 0, "no", {"Blt over 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"Idle", false, false, false, 0, "no", {"Blt normal 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"HalfFaded", false, false, false, 0.5, "no",
            {"Blt normal 0,0 src=0,0,10,10 #ffffffff m0", "Blt over 0,0 src=0,0,10,10 #7fffffff m0"}},
        ImageCase{"FullyFaded", false, false, false, 1.0, "no", {"Blt over 0,0 src=0,0,10,10 #ffffffff m0"}},
        ImageCase{"CutFromOnePicture", false, true, false, 0, "ns", {"Blt normal 0,0 src=0,5,10,5 #ffffffff m0"}},
        // A rectangle without a button image to cut it from is no picture,
        // whatever the state's own image.
        ImageCase{"RectangleWithoutButtonImage", false, true, false, 0.5, "ods", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The button "7" at (100, 100, 50, 20) in a manager of its own.
class ButtonInput : public ::testing::Test {
protected:
    ButtonInput()
    {
        manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        button.Resize(100, 100, 50, 20);
        manager.AddWidget(&button);
    }
    ~ButtonInput() override { manager.RemoveWidget(&button); }

    ListenerLog listener;
    Vorn::WidgetManager manager{nullptr};
    ButtonWidget button{7, &listener};
};

TEST_F(ButtonInput, AClickIsReportedOnlyForAReleaseOverTheButtonWhileTheWindowHasFocus)
{
    manager.MouseMove(110, 105);
    manager.MouseDown(110, 105, 2);
    manager.MouseUp(110, 105, 1);
    EXPECT_THAT(listener.mCalls,
        ElementsAre("enter 7", "move 7 10,5", "clicks 7 2", "press 7", "depress 7"));

    listener.mCalls.clear();
    manager.MouseDown(110, 105, 1);
    manager.MouseMove(300, 300);
    manager.MouseUp(300, 300, 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("clicks 7 1", "press 7", "leave 7"));

    listener.mCalls.clear();
    manager.MouseMove(111, 105);
    manager.MouseDown(111, 105, 1);
    manager.LostFocus();
    manager.MouseUp(111, 105, 1);
    EXPECT_THAT(listener.mCalls, ElementsAre("enter 7", "move 7 11,5", "clicks 7 1", "press 7"));
}

TEST_F(ButtonInput, TicksComeEveryUpdateWhilePressedAndHovered)
{
    manager.MouseDown(110, 105, 1);
    manager.UpdateTree();
    manager.UpdateTree();
    manager.MouseMove(300, 300);
    manager.UpdateTree();
    manager.MouseMove(112, 105);
    manager.UpdateTree();
    manager.MouseUp(112, 105, 1);
    manager.UpdateTree();
    EXPECT_THAT(listener.mCalls, ElementsAre("enter 7", "move 7 10,5", "clicks 7 1", "press 7", "tick 7", "tick 7",
                                     "leave 7", "enter 7", "tick 7", "depress 7"));
    EXPECT_FALSE(button.IsButtonDown());
}

// Ten steps of 0.1 end at 1.0 exactly, and the over picture then shows at
// full alpha; leaving with a fade-out speed of 0.25 starts at 1.0 and ends
// after four updates.
TEST_F(ButtonInput, TheOverPictureFadesInAndOutByItsSpeeds)
{
    RecordingImage normal(50, 20, "normal");
    RecordingImage over(50, 20, "over");
    button.mButtonImage = &normal;
    button.mOverImage = &over;
    button.mOverAlphaFadeInSpeed = 0.1;
    button.mOverAlphaSpeed = 0.25;
    manager.MouseMove(110, 105);
    for (int i = 0; i < 9; ++i)
        manager.UpdateTree();
    EXPECT_LT(button.mOverAlpha, 1.0);
    manager.UpdateTree();
    EXPECT_EQ(button.mOverAlpha, 1.0);
    RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    button.Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt over 0,0 src=0,0,50,20 #ffffffff m0"));

    manager.MouseMove(300, 300);
    button.mOverAlpha = 0.0;
    manager.MouseMove(110, 105);
    manager.MouseMove(300, 300);
    EXPECT_EQ(button.mOverAlpha, 1.0);
    std::vector<double> fade;
    for (int i = 0; i < 5; ++i) {
        manager.UpdateTree();
        fade.push_back(button.mOverAlpha);
    }
    EXPECT_THAT(fade, ElementsAre(0.75, 0.5, 0.25, 0.0, 0.0));
    // Once faded out, an idle button is left alone.
    button.mDirty = false;
    manager.UpdateTree();
    EXPECT_FALSE(button.mDirty);

    button.mOverAlphaFadeInSpeed = 0.0;
    button.mOverAlphaSpeed = 0.0;
    button.mOverAlpha = 0.3;
    manager.UpdateTree();
    EXPECT_EQ(button.mOverAlpha, 0.0);
}

struct HoverFade {
    double fadeIn;
    double fadeOut;
    double before;
    bool enter;
    double after;
};

// Entering without a fade-in speed, or leaving without a fade-out speed,
// drops a fade at once; with a speed the fade goes on from where it is, and
// leaving with a fade-out speed starts it at full strength.
TEST_F(ButtonInput, HoveringKeepsOrDropsAFadeByTheSpeeds)
{
    const HoverFade cases[] = {{0.0, 0.0, 0.5, true, 0.0}, {0.1, 0.0, 0.5, true, 0.5}, {0.0, 0.0, 0.5, false, 0.0},
        {0.0, 0.25, 0.5, false, 0.5}, {0.0, 0.25, 0.0, false, 1.0}, {0.0, 0.0, 0.0, false, 0.0}};
    for (const HoverFade& c : cases) {
        button.mOverAlphaFadeInSpeed = c.fadeIn;
        button.mOverAlphaSpeed = c.fadeOut;
        manager.MouseMove(c.enter ? 300 : 110, 105);
        button.mOverAlpha = c.before;
        manager.MouseMove(c.enter ? 110 : 300, 105);
        EXPECT_EQ(button.mOverAlpha, c.after) << c.fadeIn << " " << c.fadeOut << " " << c.before << " " << c.enter;
    }
}

// A hovered button whose fade has nothing left to do is not redrawn.
TEST_F(ButtonInput, AHoveredButtonWithoutAFadeToRunStaysClean)
{
    manager.MouseMove(110, 105);
    for (const double fadeIn : {0.0, 0.1}) {
        button.mOverAlphaFadeInSpeed = fadeIn;
        button.mOverAlpha = fadeIn > 0.0 ? 1.0 : 0.0;
        button.mDirty = false;
        manager.UpdateTree();
        EXPECT_FALSE(button.mDirty) << fadeIn;
        EXPECT_EQ(button.mOverAlpha, fadeIn > 0.0 ? 1.0 : 0.0);
    }
    EXPECT_THAT(button.mColors, ElementsAre(Vorn::Color(0, 0, 0), Vorn::Color(0, 0, 0), Vorn::Color(0, 0, 0),
                                    Vorn::Color(255, 255, 255), Vorn::Color(132, 132, 132), Vorn::Color(212, 212, 212)));
}

// Hovering marks the button for redrawing only when its look changes.
TEST_F(ButtonInput, HoveringMarksTheButtonDirtyOnlyWhenItsLookChanges)
{
    RecordingImage overPicture(50, 20, "over");
    const std::function<void()> setups[] = {[] {}, [&] { button.mOverImage = &overPicture; },
        [&] { button.SetColor(ButtonWidget::kColorLabelHilite, Vorn::Color(1, 0, 0)); }, [&] { button.mIsDown = true; }};
    for (size_t i = 0; i < 4; ++i) {
        button.mOverImage = nullptr;
        button.SetColor(ButtonWidget::kColorLabelHilite, Vorn::Color(0, 0, 0));
        button.mIsDown = false;
        setups[i]();
        button.mDirty = false;
        manager.MouseMove(110, 105);
        EXPECT_EQ(button.mDirty, i > 0) << i;
        button.mDirty = false;
        manager.MouseMove(300, 300);
        EXPECT_EQ(button.mDirty, i > 0) << i;
    }
}

// The player's clicks on two buttons, by update, as the desktop delivers
// them; a double click on the second.
struct Scripted {
    int32_t update;
    Platform::MessageRecord message;
};

intptr_t At(int x, int y)
{
    return static_cast<intptr_t>(static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

const std::vector<Scripted> kSession = {
    {2, {Platform::WM_MOUSEMOVE, 0, At(110, 105)}}, {3, {Platform::WM_LBUTTONDOWN, 0, At(110, 105)}},
    {6, {Platform::WM_LBUTTONUP, 0, At(112, 106)}}, {8, {Platform::WM_MOUSEMOVE, 0, At(310, 105)}},
    {9, {Platform::WM_LBUTTONDOWN, 0, At(310, 105)}}, {9, {Platform::WM_MOUSEMOVE, 0, At(500, 400)}},
    {11, {Platform::WM_LBUTTONUP, 0, At(500, 400)}}, {12, {Platform::WM_MOUSEMOVE, 0, At(320, 110)}},
    {13, {Platform::WM_LBUTTONDOWN, 0, At(320, 110)}}, {13, {Platform::WM_LBUTTONUP, 0, At(320, 110)}},
    {13, {Platform::WM_LBUTTONDBLCLK, 0, At(320, 110)}}, {14, {Platform::WM_LBUTTONUP, 0, At(320, 110)}},
    {16, {Platform::WM_CLOSE, 0, 0}},
};

// An application with the real manager and two buttons that report, stamped
// with the update, to one listener.
class ButtonSession {
public:
    explicit ButtonSession(Testing::ScriptedClock& clock) : app(clock)
    {
        app.mWidgetManager = std::make_unique<Vorn::WidgetManager>(&app);
        listener.mStamp = [this] { return std::to_string(app.mUpdateCount) + ": "; };
        first.Resize(100, 100, 60, 20);
        second.Resize(300, 100, 60, 20);
        app.mWidgetManager->AddWidget(&first);
        app.mWidgetManager->AddWidget(&second);
    }
    ~ButtonSession() { app.mWidgetManager->RemoveAllWidgets(false, false); }

    void Run(bool deliver)
    {
        app.CreateMainWindow();
        app.mRunning = true;
        size_t next = 0;
        for (int i = 0; i < 100000 && !app.mShutdown; ++i) {
            const bool pumps =
                app.mLoopState == app.kStatePumpMessages || app.mLoopState == app.kStateFinished;
            for (; deliver && pumps && next < kSession.size() && kSession[next].update == app.mUpdateCount; ++next)
                app.Send(kSession[next].message);
            const uint32_t before = clock().Milliseconds();
            const int32_t updates = app.mUpdateCount;
            app.StepLoopState(nullptr);
            if (clock().Milliseconds() == before && app.mUpdateCount == updates)
                app.mTestClock.Advance(1);
        }
    }
    Testing::ScriptedClock& clock() { return app.mTestClock; }

    Testing::WindowedApp app;
    ListenerLog listener;
    ButtonWidget first{1, &listener};
    ButtonWidget second{2, &listener};
};

TEST(ButtonSessionReplay, ADemoOfASessionWithButtonsReplaysToTheSameListenerCalls)
{
    Testing::ScriptedClock recordingClock(1000);
    ButtonSession recorded(recordingClock);
    recorded.app.SetDemoMode(Vorn::DemoMode::Recording);
    recorded.Run(true);
    ASSERT_EQ(recorded.app.mUpdateCount, 16);
    EXPECT_THAT(recorded.listener.mCalls,
        ElementsAre("2: enter 1", "2: move 1 10,5", "3: clicks 1 1", "3: press 1", "4: tick 1", "5: tick 1",
            "6: tick 1", "6: depress 1", "8: leave 1", "8: enter 2", "8: move 2 10,5", "9: clicks 2 1", "9: press 2",
            "9: leave 2", "12: enter 2", "12: move 2 20,10", "13: clicks 2 1", "13: press 2", "13: depress 2",
            "13: clicks 2 2", "13: press 2", "14: tick 2", "14: depress 2"));
    recorded.app.SaveDemoFile();

    Testing::ScriptedClock playingClock(987654);
    ButtonSession replayed(playingClock);
    replayed.app.mDemoFileName = recorded.app.mDemoFileName;
    replayed.app.SetDemoMode(Vorn::DemoMode::Playing);
    std::string error;
    ASSERT_TRUE(replayed.app.LoadDemoFile(error)) << error;
    replayed.Run(false);
    EXPECT_EQ(replayed.listener.mCalls, recorded.listener.mCalls);
}

} // namespace
