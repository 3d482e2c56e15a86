#include "framework/widgets/WidgetManager.h"

#include "fakes/LoggingWidget.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Testing::LoggingWidget;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::Rect;

// What reaches the manager: m move, d press, u release, x pointer left.
struct Input {
    char op;
    int x = 0;
    int y = 0;
    int code = 1;
};

// A manager of 800 x 600 without an application; a button-sized widget
// "b" at (100, 100, 50, 20) and a larger one "o" at (300, 300, 50, 50).
class Manager : public ::testing::Test {
protected:
    Manager()
    {
        manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        manager.AddWidget(&b);
        manager.AddWidget(&o);
        log.clear();
    }
    ~Manager() override { manager.RemoveAllWidgets(false, true); }

    void Feed(const std::vector<Input>& inputs)
    {
        for (const Input& in : inputs) {
            if (in.op == 'm')
                manager.MouseMove(in.x, in.y);
            else if (in.op == 'd')
                manager.MouseDown(in.x, in.y, in.code);
            else if (in.op == 'u')
                manager.MouseUp(in.x, in.y, in.code);
            else
                manager.MouseExit();
        }
    }

    std::vector<std::string> log;
    Vorn::WidgetManager manager{nullptr};
    LoggingWidget b{log, "b", Rect(100, 100, 50, 20)};
    LoggingWidget o{log, "o", Rect(300, 300, 50, 50)};
};

struct Sequence {
    const char* name;
    std::vector<Input> inputs;
    std::vector<std::string> calls;
};

class MouseSequence : public Manager, public ::testing::WithParamInterface<Sequence> {};

TEST_P(MouseSequence, ReachesTheHoveredAndPressedWidgetsInTheirOwnCoordinates)
{
    Feed(GetParam().inputs);
    EXPECT_EQ(log, GetParam().calls);
    EXPECT_EQ(b.mIsDown, false);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Cases, MouseSequence,
    ::testing::Values(
        // The pressed widget shows as hovered only while the pointer is on it
        // and hears the release outside itself.
        Sequence{"PressDragOffAndBackRelease",
            {{'m', 110, 105}, {'d', 110, 105}, {'m', 200, 200}, {'m', 120, 110}, {'m', 200, 201}, {'u', 200, 201}},
            {"b enter", "b move 10 5", "b down 10 5 0 1", "b drag 100 100", "b leave", "b drag 20 10", "b enter",
                "b drag 100 101", "b leave", "b up 100 101 0 1"}},
        Sequence{"SecondButtonGoesToThePressedWidget",
            {{'d', 110, 105}, {'m', 310, 310}, {'d', 310, 310, -1}, {'u', 310, 310, 1}, {'u', 311, 310, -1}},
            {"b enter", "b move 10 5", "b down 10 5 0 1", "b drag 210 210", "b leave", "o enter", "o move 10 10",
                "b down 210 210 1 1", "b up 210 210 0 1", "b up 211 210 1 1", "o move 11 10"}},
        Sequence{"PressOnEmptySpaceHoversNothingUntilReleased",
            {{'d', 10, 10}, {'m', 110, 105}, {'u', 110, 105}, {'m', 110, 105}, {'m', 111, 105}},
            {"b enter", "b move 10 5", "b move 11 5"}},
        Sequence{"ClickCodesSplitIntoButtonAndCount",
            {{'d', 110, 105, 2}, {'u', 110, 105, 1}, {'d', 110, 105, -2}, {'u', 110, 105, -1}, {'d', 110, 105, 3},
                {'u', 110, 105, 3}},
            {"b enter", "b move 10 5", "b down 10 5 0 2", "b up 10 5 0 1", "b down 10 5 1 2", "b up 10 5 1 1",
                "b down 10 5 2 1", "b up 10 5 2 1"}},
        Sequence{"LeavingTheWindowEndsTheHover", {{'m', 110, 105}, {'x'}, {'m', 110, 105}},
            {"b enter", "b move 10 5", "b leave", "b enter", "b move 10 5"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Manager, HeldButtonsAreReleasedToThePressedWidgetWithItsOwnCoordinates)
{
    Feed({{'d', 110, 105}, {'d', 110, 105, 3}, {'m', 120, 130}});
    log.clear();
    manager.ReleaseHeldButtons();
    EXPECT_THAT(log, ElementsAre("b up 20 30 0 1", "b up 20 30 2 1"));
    EXPECT_EQ(manager.mDownButtons, 0);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    EXPECT_EQ(manager.mActualDownButtons, Vorn::kButtonBitLeft | Vorn::kButtonBitMiddle);
    EXPECT_EQ(manager.mLastDownButtonId, 2);
}

TEST_F(Manager, KeysGoToTheFocusedWidgetAndAreReleasedWhenTheWindowLosesFocus)
{
    b.mWantsFocus = true;
    Feed({{'d', 110, 105}, {'u', 110, 105}});
    ASSERT_EQ(manager.mFocusWidget, &b);
    log.clear();
    for (int key : {65, 17, 9, -5, 300})
        manager.KeyDown(key);
    manager.MouseWheel(-2);
    EXPECT_EQ(std::count(manager.mKeyDown.begin(), manager.mKeyDown.end(), 1), 3);
    manager.LostFocus();
    manager.LostFocus();
    manager.GotFocus();
    manager.GotFocus();
    EXPECT_THAT(log, ElementsAre("b key down 65", "b key down 17", "b key down 9", "b key down -5", "b key down 300",
                         "b wheel -2", "b key up 17", "b key up 65", "b lost focus", "b focus"));
    EXPECT_EQ(std::count(manager.mKeyDown.begin(), manager.mKeyDown.end(), 1), 0);
}

TEST_F(Manager, TabMovesTheFocusAlongTheTabOrderAndCtrlTabReachesOnlyTheDefaultTabWidget)
{
    b.mTabNext = &o;
    o.mTabPrev = &b;
    manager.SetFocus(&b);
    manager.KeyDown(9);
    EXPECT_EQ(manager.mFocusWidget, &o);
    manager.KeyDown(9);
    manager.KeyDown(16);
    manager.KeyDown(9);
    EXPECT_EQ(manager.mFocusWidget, &b);
    manager.KeyUp(16);
    log.clear();

    manager.KeyDown(17);
    manager.KeyChar(9);
    manager.KeyUp(9);
    manager.SetDefaultTab(&o);
    manager.KeyChar(9);
    manager.KeyUp(17);
    manager.KeyChar(9);
    EXPECT_THAT(log, ElementsAre("b key down 17", "o char 9", "b key up 17", "b char 9"));
}

TEST_F(Manager, OnlyAWidgetOfThisManagerTakesFocusAndHearsOfItWhileTheWindowHasIt)
{
    LoggingWidget stranger(log, "s");
    manager.SetFocus(&b);
    manager.SetFocus(&b);
    manager.SetFocus(&stranger);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    manager.LostFocus();
    manager.SetFocus(&o);
    EXPECT_THAT(log, ElementsAre("b focus", "b lost focus"));
    manager.GotFocus();
    EXPECT_EQ(log.back(), "o focus");
}

TEST_F(Manager, DisablingDropsEveryRoleAndEnablingUnderThePointerHoversAgain)
{
    b.mWantsFocus = true;
    Feed({{'d', 110, 105}});
    log.clear();
    b.SetDisabled(true);
    EXPECT_THAT(log, ElementsAre("b leave", "b up 10 5 0 1", "b lost focus"));
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    Feed({{'u', 110, 105}});
    log.clear();
    b.SetDisabled(false);
    EXPECT_THAT(log, ElementsAre("b enter", "b move 10 5"));

    // Inside a parent, the pointer's place is taken into its coordinates.
    LoggingWidget inner(log, "i", Rect(5, 5, 10, 10));
    o.AddWidget(&inner);
    inner.SetDisabled(true);
    Feed({{'m', 310, 310}});
    log.clear();
    inner.SetDisabled(false);
    EXPECT_THAT(log, ElementsAre("i enter", "i move 5 5"));
    o.RemoveWidget(&inner);
}

// The dialog "d" at (90, 90, 200, 200) covers b.
class Modal : public Manager {
protected:
    ~Modal() override { manager.RemoveWidget(&d); }

    LoggingWidget d{log, "d", Rect(90, 90, 200, 200)};
};

TEST_F(Modal, APushTakesHoverPressAndFocusFromWhatLiesBelowAndAPopGivesTheFocusBack)
{
    o.mWantsFocus = true;
    Feed({{'d', 310, 310}, {'u', 310, 310}, {'m', 110, 105}, {'d', 110, 105}});
    log.clear();
    manager.AddWidget(&d);
    manager.PushModalLayer(&d);
    EXPECT_THAT(log, ElementsAre("d attached", "b leave", "b up 10 5 0 1", "o lost focus"));
    EXPECT_EQ(manager.mDownButtons, 0);
    log.clear();
    // Over the widget behind the dialog nothing is hovered.
    Feed({{'u', 110, 105}, {'m', 320, 320}, {'d', 320, 320}, {'u', 320, 320}, {'m', 110, 106}});
    EXPECT_THAT(log, ElementsAre("d enter", "d move 20 15", "d leave", "d enter", "d move 20 16"));
    EXPECT_EQ(manager.mFocusWidget, nullptr);

    // The dialog leaves before its layer is popped, as the application does.
    log.clear();
    manager.RemoveWidget(&d);
    manager.PopModalLayer(&d);
    EXPECT_EQ(manager.mBaseModalWidget, nullptr);
    EXPECT_THAT(manager.mModalLayers, IsEmpty());
    EXPECT_EQ(manager.mFocusWidget, &o);
    EXPECT_THAT(log, ElementsAre("d leave", "d detached", "o focus"));
}

TEST_F(Modal, APopGivesNoFocusToAWidgetThatIsDisabledOrWhenAnotherHasTakenIt)
{
    for (const bool disabled : {true, false}) {
        manager.SetFocus(&o);
        manager.AddWidget(&d);
        manager.PushModalLayer(&d);
        o.mDisabled = disabled;
        if (!disabled)
            manager.SetFocus(&d);
        manager.PopModalLayer(&b);
        EXPECT_EQ(manager.mModalLayers.size(), 1u);
        manager.PopModalLayer(&d);
        EXPECT_EQ(manager.mFocusWidget, disabled ? nullptr : &d);
        manager.RemoveWidget(&d);
        o.mDisabled = false;
    }
    manager.PopModalLayer(&d);
}

// A push ends the hover of a widget below the modal one, though not of the
// modal widget itself; a pop restores one layer while the widget below it
// remains, and leaves a layer pushed meanwhile.
TEST_F(Modal, LayersComeAndGoOneAtATime)
{
    LoggingWidget second(log, "e", Rect(0, 0, 10, 10));
    Feed({{'m', 110, 105}});
    manager.AddWidget(&second);
    log.clear();
    manager.PushModalLayer(&second);
    EXPECT_THAT(log, ElementsAre("b leave"));
    Feed({{'m', 5, 5}});
    manager.PushModalLayer(&second);
    EXPECT_EQ(manager.mOverWidget, &second);
    manager.AddWidget(&d);
    manager.PushModalLayer(&d);

    manager.PopModalLayer(&d);
    EXPECT_EQ(manager.mBaseModalWidget, &second);
    EXPECT_EQ(manager.mModalLayers.size(), 2u);
    manager.PopModalLayer(&second);
    EXPECT_EQ(manager.mBaseModalWidget, &second);
    EXPECT_EQ(manager.mModalLayers.size(), 1u);

    manager.SetFocus(&o);
    manager.PopModalLayer(&second);
    manager.PushModalLayer(&d);
    o.mOn["focus"] = [&] { manager.PushModalLayer(&b); };
    manager.RemoveWidget(&d);
    manager.PopModalLayer(&d);
    EXPECT_EQ(manager.mFocusWidget, &o);
    ASSERT_EQ(manager.mModalLayers.size(), 1u);
    EXPECT_EQ(manager.mModalLayers[0].mModalWidget, &b);
    manager.RemoveWidget(&second);
}

// A's dialog went while B's was above it: popping B unwinds A's layer too,
// and the focus goes back to what had it before A.
TEST_F(Modal, LayersOfWidgetsThatWentAreUnwoundWithTheLayerAboveThem)
{
    LoggingWidget second(log, "e", Rect(0, 0, 10, 10));
    manager.SetFocus(&o);
    manager.AddWidget(&d);
    manager.PushModalLayer(&d);
    manager.AddWidget(&second);
    manager.SetFocus(&second);
    manager.PushModalLayer(&second);
    // Becoming modal, a widget keeps its own focus.
    EXPECT_EQ(manager.mFocusWidget, &second);
    EXPECT_EQ(manager.mModalLayers[1].mPrevBaseModalWidget, &d);
    manager.RemoveWidget(&d);
    EXPECT_EQ(manager.mModalLayers[1].mPrevBaseModalWidget, nullptr);
    EXPECT_EQ(manager.mBaseModalWidget, &second);
    manager.RemoveWidget(&second);
    manager.PopModalLayer(&second);
    EXPECT_THAT(manager.mModalLayers, IsEmpty());
    EXPECT_EQ(manager.mBaseModalWidget, nullptr);
    EXPECT_EQ(manager.mFocusWidget, &o);
}

// Widgets below the modal one are updated and drawn with the below-modal
// modifier; those at and above it with the manager's flags.
TEST_F(Modal, WalksCarryTheBelowModalModifierBehindTheModalWidget)
{
    manager.AddWidget(&d);
    manager.PushModalLayer(&d);
    manager.mBelowModalFlagsMod = {0, Vorn::kWidgetFlagUpdate | Vorn::kWidgetFlagDraw};
    LoggingWidget front(log, "f", Rect(0, 0, 10, 10));
    manager.AddWidget(&front);
    log.clear();
    manager.UpdateTree();
    EXPECT_THAT(log, ElementsAre("d update", "f update"));
    manager.MarkAllDirty();
    Vorn::MemoryImage screen;
    manager.mImage = &screen;
    manager.DrawToScreen();
    EXPECT_EQ(b.mDraws + o.mDraws, 0);
    EXPECT_EQ(d.mDraws + front.mDraws, 2);
    manager.RemoveWidget(&front);
}

TEST_F(Manager, APressOutsideThePopupRemovesIt)
{
    manager.SetPopupCommandWidget(&o);
    Feed({{'d', 310, 310}, {'u', 310, 310}});
    EXPECT_TRUE(manager.HasWidget(&o));
    Feed({{'d', 110, 105}, {'u', 110, 105}});
    EXPECT_FALSE(manager.HasWidget(&o));
    EXPECT_EQ(manager.GetPopupCommandWidget(), nullptr);

    manager.AddWidget(&o);
    manager.SetPopupCommandWidget(&o);
    manager.SetDefaultTab(&o);
    manager.RemoveWidget(&o);
    EXPECT_EQ(manager.GetPopupCommandWidget(), nullptr);
    EXPECT_EQ(manager.GetDefaultTab(), nullptr);
}

// A callback that removes the widget about to be hovered, pressed or focused
// keeps it from taking that role.
TEST_F(Manager, AWidgetRemovedByAnotherWidgetsCallbackTakesNoRole)
{
    LoggingWidget cover(log, "c", Rect(100, 100, 20, 20));
    manager.AddWidget(&cover);
    Feed({{'m', 110, 105}});
    cover.mOn["leave"] = [&] { manager.RemoveWidget(&b); };
    Feed({{'m', 130, 105}});
    EXPECT_EQ(manager.mOverWidget, nullptr);
    EXPECT_FALSE(b.mIsOver);
    cover.mOn.clear();
    manager.RemoveWidget(&cover);

    manager.AddWidget(&b);
    b.mWantsFocus = true;
    manager.SetFocus(&o);
    o.mOn["lost focus"] = [&] { manager.RemoveWidget(&b); };
    log.clear();
    Feed({{'d', 110, 105}});
    EXPECT_THAT(log, ElementsAre("b move 10 5", "o lost focus", "b leave", "b detached"));
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_FALSE(b.mIsDown);
}

// Widgets that remove themselves and queue their own deletion in their
// callbacks are gone after the update, and nothing touches them afterwards.
TEST(ManagerWithApplication, WidgetsMayRemoveAndQueueThemselvesFromEveryCallback)
{
    for (const std::string call : {"enter", "down", "up", "drag", "update", "focus", "leave"}) {
        SCOPED_TRACE(call);
        Testing::ScriptedClock clock;
        Testing::ScriptedApp app(clock);
        Vorn::WidgetManager& manager = *app.mWidgetManager;
        std::vector<std::string> log;
        auto* widget = new LoggingWidget(log, "w", Rect(0, 0, 10, 10));
        widget->mWantsFocus = true;
        widget->mOn[call] = [&app, &manager, widget] {
            manager.RemoveWidget(widget);
            app.QueueWidgetDeletion(widget);
        };
        manager.AddWidget(widget);
        manager.MouseMove(5, 5);
        manager.MouseDown(5, 5, 1);
        manager.MouseMove(6, 6);
        manager.MouseUp(6, 6, 1);
        manager.MouseMove(50, 50);
        manager.UpdateTree();
        app.DeleteQueuedWidgets();
        EXPECT_TRUE(manager.mWidgets.empty());
        EXPECT_TRUE(manager.mOverWidget == nullptr && manager.mLastDownWidget == nullptr &&
                    manager.mFocusWidget == nullptr);
        manager.MouseMove(5, 5);
        manager.MouseDown(5, 5, 1);
        manager.UpdateTree();
    }
}

struct Mapping {
    Rect screen;
    Rect window;
    int x;
    int y;
    int mappedX;
    int mappedY;
};

TEST(ManagerMapping, TakesWindowPositionsIntoTheDrawBuffer)
{
    const Mapping cases[] = {
        {Rect(80, 60, 640, 480), Rect(0, 0, 640, 480), 0, 0, 80, 60},
        {Rect(0, 0, 800, 600), Rect(0, 0, 1600, 1200), 799, 599, 399, 299},
        {Rect(0, 0, 800, 600), Rect(0, 0, 1600, 1200), -3, 1, -1, 0},
        {Rect(0, 0, 800, 600), Rect(10, 20, 0, 600), 7, 8, 7, 8},
        {Rect(0, 0, 800, 600), Rect(10, 20, 400, 0), 7, 8, 7, 8},
    };
    for (const Mapping& c : cases) {
        Vorn::WidgetManager manager(nullptr);
        manager.Resize(c.screen, c.window);
        int x = c.x;
        int y = c.y;
        manager.MapMouseToScreen(x, y);
        EXPECT_EQ(x, c.mappedX);
        EXPECT_EQ(y, c.mappedY);
        EXPECT_EQ(manager.mWidth, c.screen.mWidth + 2 * c.screen.mX);
        EXPECT_EQ(manager.mHeight, c.screen.mHeight + 2 * c.screen.mY);
    }
}

TEST_F(Manager, EachUpdateStepUpdatesEveryWidgetOnceAndAnswersTheManagersDirtyFlag)
{
    manager.mDirty = false;
    b.mDirty = false;
    EXPECT_FALSE(manager.UpdateTree());
    EXPECT_FALSE(manager.UpdateTreeFraction(0.5f));
    b.MarkDirty();
    EXPECT_TRUE(manager.UpdateTree());
    EXPECT_TRUE(manager.UpdateTreeFraction(0.5f));
    EXPECT_EQ(b.mUpdateCnt, 2);
    EXPECT_EQ(manager.mUpdateCnt, 2);
    EXPECT_EQ(manager.mLastInputUpdateCnt, 0);
    manager.KeyDown(1);
    EXPECT_EQ(manager.mLastInputUpdateCnt, 2);
}

// The back widget covers the manager; "f" lies in front of "b".
class Drawing : public Manager {
protected:
    Drawing()
    {
        screen.Create(800, 600);
        manager.mImage = &screen;
        manager.AddWidget(&front);
        manager.DrawToScreen();
        for (LoggingWidget* widget : {&b, &o, &front})
            widget->mDraws = 0;
    }
    ~Drawing() override { manager.RemoveWidget(&front); }
    std::vector<int> Draws() const { return {b.mDraws, o.mDraws, front.mDraws}; }

    Vorn::MemoryImage screen;
    LoggingWidget front{log, "f", Rect(140, 110, 20, 20)};
};

TEST_F(Drawing, OnlyDirtyTopLevelWidgetsAreDrawnAndAnIdleFrameDrawsNothing)
{
    EXPECT_FALSE(manager.DrawToScreen());
    b.MarkDirty();
    EXPECT_TRUE(manager.DrawToScreen());
    EXPECT_EQ(Draws(), (std::vector<int>{1, 0, 1}));
    EXPECT_FALSE(manager.DrawToScreen());

    o.SetVisible(false);
    o.MarkDirty();
    EXPECT_FALSE(manager.DrawToScreen());
    EXPECT_TRUE(o.mDirty);
    o.SetVisible(true);
    EXPECT_TRUE(manager.DrawToScreen());
    EXPECT_EQ(Draws(), (std::vector<int>{1, 1, 1}));
}

// What the draws since the area was last cleared may have changed: the
// rectangle around the widgets they drew; all of the image where one of them
// draws unclipped or an overlay was drawn; nothing when nothing was drawn.
TEST_F(Drawing, TheDrawnAreaHoldsTheWidgetsDrawnUntilCleared)
{
    // The widgets start dirty.
    manager.DrawToScreen();
    manager.mDrawnArea = Rect();
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(300, 300, 50, 50));
    manager.mDrawnArea = Rect();
    b.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(100, 100, 60, 30));
    // A later draw adds to what was not cleared.
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(100, 100, 250, 250));
    manager.mDrawnArea = Rect();
    b.MarkDirty();
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(100, 100, 250, 250));
    manager.mDrawnArea = Rect();
    EXPECT_FALSE(manager.DrawToScreen());
    EXPECT_EQ(manager.mDrawnArea, Rect());

    o.mClip = false;
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(0, 0, 800, 600));
    manager.mDrawnArea = Rect();
    o.mClip = true;
    o.mWidgetFlagsMod.mRemoveFlags = Vorn::kWidgetFlagClip;
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(0, 0, 800, 600));
    manager.mDrawnArea = Rect();
    o.mWidgetFlagsMod.mRemoveFlags = 0;
    o.mOn["draw"] = [&] { manager.AddDeferredOverlay(&o, 1); };
    o.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, Rect(0, 0, 800, 600));
}

// Two widgets drawn one after the other: a widget without width or height
// adds nothing, one of a single pixel adds that pixel, in either order. The
// area is in the image's pixels, where the screen's corner is the origin.
struct DrawnPair {
    Rect first;
    Rect second;
    Rect screen;
    Rect area;
};

class DrawnAreas : public Drawing, public ::testing::WithParamInterface<DrawnPair> {};

TEST_P(DrawnAreas, JoinWhatWasDrawn)
{
    const DrawnPair& pair = GetParam();
    manager.Resize(pair.screen, Rect(0, 0, 800, 600));
    LoggingWidget first{log, "1", pair.first};
    LoggingWidget second{log, "2", pair.second};
    manager.AddWidget(&first);
    manager.AddWidget(&second);
    manager.DrawToScreen();
    manager.mDrawnArea = Rect();
    first.MarkDirty();
    manager.DrawToScreen();
    second.MarkDirty();
    manager.DrawToScreen();
    EXPECT_EQ(manager.mDrawnArea, pair.area);
    manager.RemoveWidget(&second);
    manager.RemoveWidget(&first);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DrawnAreas,
    ::testing::Values(DrawnPair{Rect(700, 20, 1, 1), Rect(300, 300, 50, 50), Rect(0, 0, 800, 600), Rect(300, 20, 401, 330)},
        DrawnPair{Rect(300, 300, 50, 50), Rect(700, 20, 1, 1), Rect(0, 0, 800, 600), Rect(300, 20, 401, 330)},
        DrawnPair{Rect(600, 500, 0, 5), Rect(300, 300, 50, 50), Rect(0, 0, 800, 600), Rect(300, 300, 50, 50)},
        DrawnPair{Rect(600, 500, 5, 0), Rect(300, 300, 50, 50), Rect(0, 0, 800, 600), Rect(300, 300, 50, 50)},
        DrawnPair{Rect(300, 300, 50, 50), Rect(600, 500, 0, 5), Rect(0, 0, 800, 600), Rect(300, 300, 50, 50)},
        DrawnPair{Rect(300, 300, 50, 50), Rect(600, 500, 5, 0), Rect(0, 0, 800, 600), Rect(300, 300, 50, 50)},
        DrawnPair{Rect(300, 300, 50, 50), Rect(310, 320, 10, 10), Rect(50, 30, 800, 600), Rect(250, 270, 50, 50)}));

// Overlays come in ascending priority, those below a widget's priority
// before it; one queued at the highest priority there is still comes last.
TEST_F(Drawing, QueuedOverlaysAreDrawnInPriorityOrderBetweenTheWidgets)
{
    o.mPriority = 5;
    b.mOn["draw"] = [&] {
        manager.AddDeferredOverlay(&front, Vorn::kNoOverlayPriority);
        manager.AddDeferredOverlay(&b, 7);
        manager.AddDeferredOverlay(&front, 2);
        manager.AddDeferredOverlay(&o, 2);
    };
    o.mOn["draw"] = [&] { log.push_back("o draw"); };
    log.clear();
    manager.MarkAllDirty();
    manager.DrawToScreen();
    EXPECT_THAT(log, ElementsAre("f overlay 2", "o overlay 2", "o draw", "b overlay 7", "f overlay 2147483647"));
    EXPECT_THAT(manager.mDeferredOverlayWidgets, IsEmpty());
}

// The screen image is locked while the widgets draw (a 3D display refuses
// the lock and is drawn on all the same); without a 3D display images are
// stretched quickly, with one smoothly.
TEST(ManagerDrawing, DrawsOnALockedDisplayImageWithTheDisplaysStretchMode)
{
    Testing::SurfaceDisplayApp display(Platform::kFormatX8R8G8B8, 64, 32);
    ASSERT_TRUE(display.initialised);
    Vorn::WidgetManager& manager = *display.app.mWidgetManager;
    Vorn::DDImage* screen = display.Display().GetScreenImage();
    manager.mImage = screen;
    manager.Resize(Rect(10, 20, 64, 32), Rect(0, 0, 64, 32));
    std::vector<std::string> log;
    LoggingWidget widget(log, "w", Rect(10, 20, 5, 5));
    std::vector<std::string> seen;
    manager.AddWidget(&widget);
    for (const bool is3D : {false, true}) {
        display.Display().mIs3D = is3D;
        widget.MarkDirty();
        Vorn::Graphics* used = nullptr;
        widget.mOn["draw"] = [&] {
            seen.push_back(std::to_string(screen->mLockCount));
            used = manager.mCurG;
        };
        struct Probe : LoggingWidget {
            using LoggingWidget::LoggingWidget;
            void Draw(Vorn::Graphics* g) override
            {
                state = {static_cast<float>(g->mFastStretch), static_cast<float>(g->mLinearBlend), g->mTransX};
            }
            std::vector<float> state;
        } probe(log, "p", Rect(10, 20, 1, 1));
        manager.AddWidget(&probe);
        manager.DrawToScreen();
        EXPECT_EQ(probe.state, (std::vector<float>{!is3D ? 1.0f : 0.0f, is3D ? 1.0f : 0.0f, 0.0f}));
        EXPECT_NE(used, nullptr);
        EXPECT_EQ(manager.mCurG, nullptr);
        manager.RemoveWidget(&probe);
    }
    EXPECT_THAT(seen, ElementsAre("1", "0"));
    EXPECT_EQ(screen->mLockCount, 0);
    manager.RemoveWidget(&widget);
}

// A panel: opaque, translucent (alpha), or a frame whose inside shows what
// lies behind (transparencies).
class Panel : public Vorn::Widget {
public:
    enum Kind { kOpaque, kTranslucent, kFrame };
    Panel(Kind kind, uint32_t seed) : mKind(kind), mSeed(seed)
    {
        mHasAlpha = kind == kTranslucent;
        mHasTransparencies = kind == kFrame;
    }
    void Draw(Vorn::Graphics* g) override
    {
        g->SetColor(Vorn::Color(static_cast<int>(mSeed & 0xFF), static_cast<int>(mSeed >> 8 & 0xFF),
            static_cast<int>(mSeed >> 16 & 0xFF), mKind == kTranslucent ? 100 : 255));
        if (mKind == kFrame)
            g->DrawRect(0, 0, mWidth - 1, mHeight - 1);
        else
            g->FillRect(0, 0, mWidth, mHeight);
    }
    Kind mKind;
    uint32_t mSeed;
};

// After any change and its marking, the frame drawn from the dirty widgets
// alone equals a frame drawn from all of them.
TEST(ManagerDrawing, IncrementalRedrawEqualsFullRedraw)
{
    Vorn::WidgetManager manager(nullptr);
    manager.Resize(Rect(0, 0, 120, 90), Rect(0, 0, 120, 90));
    Vorn::MemoryImage incremental;
    Vorn::MemoryImage full;
    incremental.Create(120, 90);
    full.Create(120, 90);
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    // Opaque tiles cover the manager, so that a full frame paints every
    // pixel; being small, they let a marking spread no further than it must.
    std::vector<std::unique_ptr<Panel>> tiles;
    for (int y = 0; y < 90; y += 30)
        for (int x = 0; x < 120; x += 30) {
            tiles.push_back(std::make_unique<Panel>(Panel::kOpaque, static_cast<uint32_t>(x * 1000 + y)));
            tiles.back()->Resize(x, y, 30, 30);
            manager.AddWidget(tiles.back().get());
        }
    std::vector<std::unique_ptr<Panel>> panels;
    for (int i = 0; i < 9; ++i) {
        panels.push_back(std::make_unique<Panel>(static_cast<Panel::Kind>(i % 3), next(0xFFFFFF)));
        panels.back()->Resize(static_cast<int>(next(100)), static_cast<int>(next(70)), 10 + static_cast<int>(next(40)),
            10 + static_cast<int>(next(30)));
        Vorn::WidgetContainer* parent = i == 8 ? panels[2].get() : static_cast<Vorn::WidgetContainer*>(&manager);
        parent->AddWidget(panels.back().get());
    }
    manager.mImage = &incremental;
    manager.DrawToScreen();
    for (int step = 0; step < 400; ++step) {
        Panel& panel = *panels[next(9)];
        switch (next(5)) {
        case 0: panel.mSeed = next(0xFFFFFF); panel.MarkDirty(); break;
        case 1: panel.Move(static_cast<int>(next(110)) - 5, static_cast<int>(next(80)) - 5); break;
        case 2: panel.SetVisible(!panel.mVisible); break;
        case 3:
            if (panel.mParent == &manager) {
                manager.BringToFront(&panel);
                panel.MarkDirty();
            }
            break;
        default: panel.Resize(panel.mX, panel.mY, 5 + static_cast<int>(next(50)), 5 + static_cast<int>(next(40))); break;
        }
        manager.mImage = &incremental;
        manager.DrawToScreen();
        manager.mImage = &full;
        manager.MarkAllDirty();
        manager.DrawToScreen();
        ASSERT_TRUE(std::equal(incremental.GetBits(), incremental.GetBits() + 120 * 90, full.GetBits()))
            << "step " << step;
    }
}

} // namespace
