#include "framework/widgets/WidgetContainer.h"

#include "fakes/LoggingWidget.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Testing::LoggingWidget;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Vorn::Rect;

// A manager of 800 x 600 without an application, and widgets named by
// number that log into one list.
class Tree : public ::testing::Test {
protected:
    Tree() { manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600)); }
    ~Tree() override { manager.RemoveAllWidgets(false, true); }

    LoggingWidget* Make(const Rect& rect = Rect(), int zOrder = 0)
    {
        widgets.push_back(std::make_unique<LoggingWidget>(log, std::to_string(widgets.size()), rect));
        widgets.back()->mZOrder = zOrder;
        return widgets.back().get();
    }
    LoggingWidget* Add(const Rect& rect = Rect(), int zOrder = 0, Vorn::WidgetContainer* parent = nullptr)
    {
        LoggingWidget* widget = Make(rect, zOrder);
        (parent ? parent : &manager)->AddWidget(widget);
        return widget;
    }
    // Children of the manager, back to front, as indices.
    std::vector<int> Order() const
    {
        std::vector<int> order;
        for (const Vorn::Widget* child : manager.mWidgets)
            for (size_t i = 0; i < widgets.size(); ++i)
                if (widgets[i].get() == child)
                    order.push_back(static_cast<int>(i));
        return order;
    }
    std::vector<std::string> Calls(const std::string& call) const
    {
        std::vector<std::string> found;
        for (const std::string& entry : log)
            if (entry.ends_with(" " + call))
                found.push_back(entry.substr(0, entry.size() - call.size() - 1));
        return found;
    }
    void CleanAll()
    {
        manager.mDirty = false;
        for (auto& widget : widgets)
            widget->mDirty = false;
    }

    std::vector<std::string> log;
    Vorn::WidgetManager manager{nullptr};
    std::vector<std::unique_ptr<LoggingWidget>> widgets;
};

enum class Move { None, Front, Back, Behind, InFront };

struct ZCase {
    const char* name;
    std::vector<int> zOrders;
    Move move;
    int child;
    int other;
    std::vector<int> order;
};

class ZOrder : public Tree, public ::testing::WithParamInterface<ZCase> {};

TEST_P(ZOrder, KeepsTheListSortedWithTheAskedPlaceAmongEquals)
{
    const ZCase& c = GetParam();
    for (int z : c.zOrders)
        Add(Rect(), z);
    log.clear();
    LoggingWidget* child = widgets[static_cast<size_t>(c.child)].get();
    LoggingWidget* other = widgets[static_cast<size_t>(c.other)].get();
    switch (c.move) {
    case Move::None: break;
    case Move::Front: manager.BringToFront(child); break;
    case Move::Back: manager.BringToBack(child); break;
    case Move::Behind: manager.PutBehind(child, other); break;
    case Move::InFront: manager.PutInFront(child, other); break;
    }
    EXPECT_EQ(Order(), c.order);
    EXPECT_EQ(Calls("z").size(), c.move == Move::None ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZOrder,
    ::testing::Values(ZCase{"AddedInFrontOfEquals", {0, 0, 1, 0}, Move::None, 0, 0, {0, 1, 3, 2}},
        ZCase{"BackAmongEquals", {0, 1, 1, 2}, Move::Back, 2, 0, {0, 2, 1, 3}},
        ZCase{"FrontAmongEquals", {0, 1, 1, 2}, Move::Front, 1, 0, {0, 2, 1, 3}},
        ZCase{"FrontStopsBelowHigher", {0, 1, 0}, Move::Front, 0, 0, {2, 0, 1}},
        ZCase{"BackStopsAboveLower", {0, 0, 2}, Move::Back, 2, 0, {0, 1, 2}},
        ZCase{"BehindAnEqual", {0, 0, 0}, Move::Behind, 2, 0, {2, 0, 1}},
        ZCase{"InFrontOfAnEqual", {0, 0, 0}, Move::InFront, 0, 1, {1, 0, 2}},
        ZCase{"BehindALowerKeepsItsZ", {0, 1}, Move::Behind, 1, 0, {0, 1}},
        ZCase{"InFrontOfAHigherKeepsItsZ", {0, 1, 1}, Move::InFront, 0, 1, {0, 1, 2}},
        ZCase{"BehindAHigherGoesToItsZ", {0, 1, 1}, Move::Behind, 0, 2, {0, 1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tree, MovesOfAWidgetThatIsNotAChildDoNothing)
{
    LoggingWidget* a = Add();
    LoggingWidget* b = Add();
    LoggingWidget* stranger = Make();
    manager.BringToFront(stranger);
    manager.BringToBack(stranger);
    manager.PutBehind(stranger, a);
    manager.PutInFront(a, stranger);
    manager.PutBehind(b, b);
    EXPECT_EQ(Order(), (std::vector<int>{0, 1}));
    EXPECT_THAT(Calls("z"), IsEmpty());
}

// Every widget of a subtree hears of its attach and of its detach once; the
// manager forgets it; a widget still held by another parent leaves it first.
TEST_F(Tree, AddingAndRemovingASubtreeTellsEachWidgetOnce)
{
    LoggingWidget* top = Make();
    LoggingWidget* child = Add(Rect(), 0, top);
    Add(Rect(), 0, child);
    EXPECT_THAT(log, IsEmpty());
    manager.AddWidget(top);
    manager.AddWidget(top);
    EXPECT_THAT(Calls("attached"), ElementsAre("2", "1", "0"));
    EXPECT_EQ(child->mWidgetManager, &manager);

    log.clear();
    LoggingWidget* other = Add();
    other->AddWidget(child);
    EXPECT_EQ(child->mParent, other);
    EXPECT_FALSE(top->HasWidget(child));
    EXPECT_THAT(Calls("detached"), ElementsAre("2", "1"));
    EXPECT_THAT(Calls("attached"), ElementsAre("3", "2", "1"));

    log.clear();
    manager.RemoveWidget(other);
    manager.RemoveWidget(other);
    EXPECT_THAT(Calls("detached"), ElementsAre("2", "1", "3"));
    EXPECT_EQ(child->mWidgetManager, nullptr);
    EXPECT_EQ(other->mParent, nullptr);
    EXPECT_EQ(Order(), (std::vector<int>{0}));
}

TEST_F(Tree, RemovingAllTakesTheBackmostFirstAndMayEmptyAndDeleteTheChildren)
{
    std::vector<std::string> deleted;
    struct Counted : LoggingWidget {
        Counted(std::vector<std::string>& log, std::vector<std::string>& gone, std::string name)
            : LoggingWidget(log, name), mGone(gone), mName(std::move(name))
        {
        }
        ~Counted() override { mGone.push_back(mName); }
        std::vector<std::string>& mGone;
        std::string mName;
    };
    auto* back = new Counted(log, deleted, "back");
    auto* front = new Counted(log, deleted, "front");
    auto* inner = new Counted(log, deleted, "inner");
    manager.AddWidget(back);
    manager.AddWidget(front);
    front->AddWidget(inner);
    manager.RemoveAllWidgets(true, true);
    EXPECT_THAT(manager.mWidgets, IsEmpty());
    EXPECT_THAT(Calls("detached"), ElementsAre("back", "inner", "front"));
    EXPECT_THAT(deleted, ElementsAre("back", "inner", "front"));
}

TEST_F(Tree, IsBelowWalksDepthFirstBackToFront)
{
    LoggingWidget* back = Add();
    LoggingWidget* backChild = Add(Rect(), 0, back);
    LoggingWidget* front = Add();
    LoggingWidget* stranger = Make();
    EXPECT_TRUE(manager.IsBelow(back, backChild));
    EXPECT_TRUE(manager.IsBelow(backChild, front));
    EXPECT_FALSE(manager.IsBelow(front, backChild));
    EXPECT_TRUE(manager.IsBelow(front, stranger));
    EXPECT_FALSE(manager.IsBelow(stranger, front));
    EXPECT_FALSE(manager.IsBelow(stranger, stranger));
}

TEST_F(Tree, IntersectionIsStrictAndAbsolutePositionsAddUp)
{
    LoggingWidget* a = Add(Rect(10, 10, 10, 10));
    const Rect others[] = {Rect(20, 10, 5, 5), Rect(10, 20, 5, 5), Rect(5, 5, 5, 30), Rect(19, 19, 1, 1)};
    const bool expected[] = {false, false, false, true};
    for (size_t i = 0; i < 4; ++i) {
        LoggingWidget* b = Make(others[i]);
        EXPECT_EQ(a->Intersects(b), expected[i]) << i;
        EXPECT_EQ(b->Intersects(a), expected[i]) << i;
    }
    LoggingWidget* child = Add(Rect(3, 4, 1, 1), 0, a);
    LoggingWidget* grandchild = Add(Rect(-1, 7, 1, 1), 0, child);
    EXPECT_EQ(grandchild->GetAbsPos(), Vorn::Point(12, 21));
    EXPECT_EQ(manager.GetAbsPos(), Vorn::Point(0, 0));
}

struct SpreadCase {
    const char* name;
    bool alpha;
    bool transparencies;
    bool hidden;
    bool whole;
    // Dirty afterwards: back, cover, marked, front, chained, far.
    std::vector<bool> dirty;
};

class DirtySpreading : public Tree, public ::testing::WithParamInterface<SpreadCase> {};

// From back to front: a large widget, one that covers the marked widget
// completely, the marked widget, one in front overlapping it, one
// overlapping only that one, and one far away.
TEST_P(DirtySpreading, ReachesWhatCanShowThroughAndWhatLiesInFront)
{
    const SpreadCase& c = GetParam();
    Add(Rect(0, 0, 300, 300));
    LoggingWidget* cover = Add(Rect(0, 0, 100, 100));
    LoggingWidget* marked = Add(Rect(10, 10, 20, 20));
    Add(Rect(25, 25, 50, 50));
    Add(Rect(70, 70, 10, 10));
    Add(Rect(400, 400, 10, 10));
    cover->mHasAlpha = c.alpha;
    cover->mHasTransparencies = c.transparencies;
    cover->mVisible = !c.hidden;
    CleanAll();
    if (c.whole)
        marked->MarkDirtyWhole();
    else
        marked->MarkDirty();
    std::vector<bool> dirty;
    for (auto& widget : widgets)
        dirty.push_back(widget->mDirty);
    EXPECT_EQ(dirty, c.dirty);
    EXPECT_TRUE(manager.mDirty);
}

INSTANTIATE_TEST_SUITE_P(Cases, DirtySpreading,
    ::testing::Values(SpreadCase{"OpaqueCoverStops", false, false, false, true, {0, 1, 1, 1, 1, 0}},
        SpreadCase{"AlphaCoverLetsThrough", true, false, false, true, {1, 1, 1, 1, 1, 0}},
        SpreadCase{"TransparentCoverLetsThrough", false, true, false, true, {1, 1, 1, 1, 1, 0}},
        SpreadCase{"HiddenCoverIsPassed", false, false, true, true, {1, 0, 1, 1, 1, 0}},
        SpreadCase{"PlainMarkingGoesForwardOnly", false, false, false, false, {0, 0, 1, 1, 1, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CoverCase {
    Rect marked;
    Rect cover;
    bool backDirty;
};

// The cover must hold the marked widget's first and last pixels, both taken
// within the manager: one pixel short on any side and it hides nothing.
TEST_F(Tree, OnlyASiblingHoldingTheWholeVisibleAreaStopsTheBackwardMarking)
{
    const CoverCase cases[] = {
        {Rect(10, 10, 20, 20), Rect(10, 10, 20, 20), false},
        {Rect(10, 10, 20, 20), Rect(10, 10, 19, 20), true},
        {Rect(10, 10, 20, 20), Rect(10, 10, 20, 19), true},
        {Rect(10, 10, 20, 20), Rect(11, 10, 19, 20), true},
        {Rect(0, 10, 20, 20), Rect(1, 0, 100, 100), true},
        {Rect(10, 0, 20, 20), Rect(0, 1, 100, 100), true},
        {Rect(790, 590, 20, 20), Rect(780, 580, 20, 20), false},
        {Rect(-5, -5, 20, 20), Rect(0, 0, 15, 15), false},
    };
    for (const CoverCase& c : cases) {
        LoggingWidget* back = Add(Rect(-100, -100, 1000, 1000));
        LoggingWidget* cover = Add(c.cover);
        LoggingWidget* marked = Add(c.marked);
        CleanAll();
        marked->MarkDirtyWhole();
        EXPECT_TRUE(cover->mDirty);
        EXPECT_EQ(back->mDirty, c.backDirty) << c.cover.mX << "," << c.cover.mY;
        manager.RemoveAllWidgets(false, false);
    }
}

TEST_F(Tree, AWidgetWithAlphaMarksWhatLiesBehindItAndNestedMarkingSpreadsFromTheTop)
{
    LoggingWidget* back = Add(Rect(0, 0, 100, 100));
    LoggingWidget* translucent = Add(Rect(10, 10, 10, 10));
    translucent->mHasAlpha = true;
    LoggingWidget* sibling = Add(Rect(0, 0, 5, 5), 0, translucent);
    LoggingWidget* nested = Add(Rect(0, 0, 5, 5), 0, translucent);
    CleanAll();
    translucent->MarkDirty();
    EXPECT_TRUE(back->mDirty);

    CleanAll();
    nested->MarkDirty();
    EXPECT_TRUE(nested->mDirty && translucent->mDirty && back->mDirty);
    EXPECT_FALSE(sibling->mDirty);
}

struct RemovalCase {
    const char* name;
    int actor;
    int removed;
    std::vector<std::string> updates;
};

class RemovalDuringUpdate : public Tree, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(RemovalDuringUpdate, NeitherSkipsNorRepeatsAChild)
{
    const RemovalCase& c = GetParam();
    for (int i = 0; i < 4; ++i)
        Add();
    LoggingWidget* removed = widgets[static_cast<size_t>(c.removed)].get();
    widgets[static_cast<size_t>(c.actor)]->mOn["update"] = [this, removed] { manager.RemoveWidget(removed); };
    manager.UpdateTree();
    EXPECT_EQ(Calls("update"), c.updates);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalDuringUpdate,
    ::testing::Values(RemovalCase{"Itself", 1, 1, {"0", "1", "2", "3"}},
        RemovalCase{"ASiblingBefore", 2, 0, {"0", "1", "2", "3"}},
        RemovalCase{"ASiblingAfter", 1, 2, {"0", "1", "3"}},
        RemovalCase{"TheLast", 0, 3, {"0", "1", "2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tree, NestedWalksAndMovesDuringAWalkUpdateEachWidgetOncePerStep)
{
    for (int i = 0; i < 4; ++i)
        Add();
    bool nested = false;
    widgets[1]->mOn["update"] = [&] {
        if (!nested) {
            nested = true;
            manager.UpdateTree();
        }
    };
    manager.UpdateTree();
    EXPECT_EQ(Calls("update"), (std::vector<std::string>{"0", "1", "0", "1", "2", "3"}));

    log.clear();
    widgets[1]->mOn["update"] = [&] {
        manager.BringToFront(widgets[0].get());
        manager.BringToBack(widgets[3].get());
    };
    manager.UpdateTree();
    EXPECT_EQ(Calls("update"), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(widgets[2]->mUpdateCnt, 2);
}

// The modifier reaches the widget's own operations and its children's.
TEST_F(Tree, FlagsModifiersDecideUpdateAndMarkDirtyForASubtree)
{
    LoggingWidget* parent = Add();
    LoggingWidget* child = Add(Rect(), 0, parent);
    parent->mWidgetFlagsMod = {Vorn::kWidgetFlagMarkDirty, Vorn::kWidgetFlagUpdate};
    CleanAll();
    log.clear();
    EXPECT_TRUE(manager.UpdateTree());
    EXPECT_THAT(Calls("update"), IsEmpty());
    EXPECT_TRUE(parent->mDirty && child->mDirty);

    manager.UpdateTreeFraction(0.5f);
    EXPECT_THAT(Calls("fraction 50"), IsEmpty());
    parent->mWidgetFlagsMod = {};
    manager.UpdateTreeFraction(0.5f);
    manager.UpdateTreeFraction(0.25f);
    EXPECT_EQ(log, (std::vector<std::string>{"0 fraction 50", "1 fraction 50", "0 fraction 25", "1 fraction 25"}));
    EXPECT_EQ(manager.mUpdateCnt, 1);

    LoggingWidget* loose = Make();
    Vorn::ModalFlagSet flags = manager.GetModalFlags();
    loose->UpdateAll(&flags);
    EXPECT_EQ(loose->mUpdateCnt, 0);
}

struct HitCase {
    const char* name;
    int x;
    int y;
    int hit;
    int localX;
    int localY;
};

class HitTest : public Tree, public ::testing::WithParamInterface<HitCase> {
protected:
    // Back (0, 0, 100, 100); front (40, 50, 100, 100), its right half a hole,
    // mouse insets 5 on the left; inside the front a child (10, 10, 20, 20);
    // in front of all a widget that the mouse does not see, with a child
    // (200, 0, 10, 10) of its own.
    void Build()
    {
        Add(Rect(0, 0, 100, 100));
        LoggingWidget* front = Add(Rect(40, 50, 100, 100));
        front->mHole = true;
        front->mMouseInsets.mLeft = 5;
        Add(Rect(10, 10, 20, 20), 0, front);
        LoggingWidget* unseen = Add(Rect(0, 0, 400, 400));
        unseen->mMouseVisible = false;
        Add(Rect(200, 0, 10, 10), 0, unseen);
    }
};

TEST_P(HitTest, FindsTheFrontmostWidgetThatTakesThePoint)
{
    Build();
    const HitCase& c = GetParam();
    int x = -1;
    int y = -1;
    Vorn::Widget* found = manager.FindWidgetAt(c.x, c.y, &x, &y);
    if (c.hit < 0) {
        EXPECT_EQ(found, nullptr);
        return;
    }
    EXPECT_EQ(found, widgets[static_cast<size_t>(c.hit)].get());
    EXPECT_EQ(x, c.localX);
    EXPECT_EQ(y, c.localY);
}

INSTANTIATE_TEST_SUITE_P(Cases, HitTest,
    ::testing::Values(HitCase{"Back", 20, 20, 0, 20, 20}, HitCase{"Front", 60, 90, 1, 20, 40},
        HitCase{"ChildOfFront", 51, 62, 2, 1, 2}, HitCase{"InsetFallsThrough", 42, 90, 0, 42, 90},
        HitCase{"HoleFallsThrough", 95, 95, 0, 95, 95}, HitCase{"HoleOutsideEverything", 120, 120, -1, 0, 0},
        HitCase{"ChildOfUnseen", 205, 5, 4, 5, 5}, HitCase{"Nothing", 300, 300, -1, 0, 0},
        HitCase{"InsetLeftEdge", 45, 90, 1, 5, 40}, HitCase{"TopEdge", 60, 50, 1, 20, 0},
        HitCase{"BottomEdge", 60, 150, -1, 0, 0}, HitCase{"ChildRightEdge", 70, 65, 1, 30, 15},
        HitCase{"ChildBottomEdge", 55, 80, 1, 15, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HitTest, HiddenWidgetsAndWidgetsWithoutMouseFlagsAreNotHitNorTheirChildren)
{
    Build();
    int x = 0;
    int y = 0;
    widgets[1]->mWidgetFlagsMod = {0, Vorn::kWidgetFlagAllowMouse};
    EXPECT_EQ(manager.FindWidgetAt(51, 62, &x, &y), widgets[0].get());
    widgets[1]->mWidgetFlagsMod = {};
    widgets[1]->mVisible = false;
    EXPECT_EQ(manager.FindWidgetAt(51, 62, &x, &y), widgets[0].get());
    widgets[1]->mVisible = true;
    widgets[2]->mDisabled = true;
    EXPECT_EQ(manager.FindWidgetAt(51, 62, &x, &y), widgets[2].get());
    EXPECT_EQ(manager.GetWidgetAt(51, 62, &x, &y), nullptr);
}

// A Draw that removes a sibling, before or after itself, draws the rest once.
TEST_F(Tree, DrawingSkipsWhatADrawRemovedAndClearsWhatItDrew)
{
    Vorn::MemoryImage screen;
    screen.Create(800, 600);
    manager.mImage = &screen;
    LoggingWidget* parent = Add(Rect(0, 0, 100, 100));
    for (int i = 0; i < 3; ++i)
        Add(Rect(i, 0, 1, 1), 0, parent);
    widgets[2]->mOn["draw"] = [&] {
        parent->RemoveWidget(widgets[1].get());
        parent->RemoveWidget(widgets[3].get());
    };
    LoggingWidget* hidden = Add(Rect(0, 0, 1, 1), 0, parent);
    hidden->mVisible = false;
    for (auto& widget : widgets)
        widget->mDirty = true;
    EXPECT_TRUE(manager.DrawToScreen());
    std::vector<int> draws;
    for (auto& widget : widgets)
        draws.push_back(widget->mDraws);
    EXPECT_EQ(draws, (std::vector<int>{1, 1, 1, 0, 0}));
    EXPECT_FALSE(parent->mDirty || widgets[2]->mDirty);
    EXPECT_TRUE(hidden->mDirty);
}

} // namespace
