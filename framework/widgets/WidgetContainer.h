#pragma once
// A node of the widget tree that may hold child widgets, kept in z-order: the
// back of the list is drawn first, the front (list end) last and on top. The
// tree does not own its widgets: whoever creates one removes and deletes it.
//
// Positions are relative to the parent; the manager's children are placed in
// draw-buffer coordinates. Dirty marking spreads to overlapping siblings only
// among the manager's children, since only those are drawn independently.

#include "framework/graphics/Point.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/WidgetFlags.h"

#include <cstddef>
#include <list>
#include <vector>

namespace Vorn {

class Graphics;
class Widget;
class WidgetManager;

class WidgetContainer {
public:
    WidgetContainer() = default;
    // Leaves the children alone: they belong to whoever made them.
    virtual ~WidgetContainer();
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    virtual Rect GetRect() const;
    // Strict overlap: rectangles that only touch do not intersect.
    virtual bool Intersects(const WidgetContainer* other) const;

    // Adding a child twice does nothing; a widget that still has another
    // parent leaves it first. Removing a widget that is not a child does
    // nothing; removing never deletes.
    virtual void AddWidget(Widget* widget);
    virtual void RemoveWidget(Widget* widget);
    virtual bool HasWidget(const Widget* widget) const;
    // The manager drops the widget from every role it has there.
    virtual void ForgetWidget(Widget* widget);
    // Backmost first; with `recursive` each child empties itself too.
    virtual void RemoveAllWidgets(bool deleteThem, bool recursive);
    virtual void SetFocus(Widget* widget);
    // Whether `a` comes before `b` in a depth-first walk from here, children
    // back to front, each before its own children; false when neither is met.
    virtual bool IsBelow(const Widget* a, const Widget* b) const;
    virtual void MarkAllDirty();

    // Z-order always wins over the place asked for; moving a widget that is
    // not a child does nothing.
    virtual void BringToFront(Widget* child);
    virtual void BringToBack(Widget* child);
    virtual void PutBehind(Widget* child, Widget* other);
    virtual void PutInFront(Widget* child, Widget* other);

    virtual Point GetAbsPos() const;

    virtual void MarkChildDirty(Widget* child);
    virtual void MarkDirty();
    virtual void MarkChildDirtyWhole(Widget* child);
    // This widget's area changed or went: what lies under it is redrawn too.
    virtual void MarkDirtyWhole();

    virtual void OnAttached(WidgetManager* manager);
    virtual void OnDetached(WidgetManager* manager);

    // An override calls this first, so that the update count advances.
    virtual void Update();
    // Update runs at most once per update step of the manager, however often
    // a walk reaches the widget.
    virtual void UpdateAll(ModalFlagSet* flags);
    virtual void UpdateFraction(float fraction);
    virtual void UpdateFractionAll(ModalFlagSet* flags, float fraction);
    virtual void Draw(Graphics* g);
    // Draws this widget and every visible child, dirty or not.
    virtual void DrawAll(ModalFlagSet* flags, Graphics* g);
    virtual void SystemColorsChangedAll();
    virtual void SystemColorsChanged();

    // The frontmost child (or descendant) hit at (x, y), in this container's
    // coordinates, given the flags that reach this container; the point in
    // that widget's own coordinates goes to localX and localY.
    Widget* GetWidgetAtHelper(int x, int y, int flags, int* localX, int* localY) const;

    std::list<Widget*> mWidgets;
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    // The manager's update count when Update last ran.
    int mLastWMUpdateCount = 0;
    int mUpdateCnt = 0;
    bool mDirty = false;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
    // Drawn with translucency: dirty spreading treats it as see-through.
    bool mHasAlpha = false;
    bool mClip = true;
    // Applied to the flags of this container's own operations and its
    // children's.
    FlagsModifier mWidgetFlagsMod;
    // Overlays queued below this priority are drawn before this container.
    int mPriority = 0;
    int mZOrder = 0;

protected:
    // A walk over the children as they were when it began, back to front. A
    // child removed meanwhile is passed over, one added waits for the next
    // walk, and a z-order move leaves this walk's order as it was: no child
    // is visited twice or missed, and a nested walk keeps a place of its own.
    class ChildWalk {
    public:
        explicit ChildWalk(WidgetContainer& container);
        ~ChildWalk();
        ChildWalk(const ChildWalk&) = delete;
        ChildWalk& operator=(const ChildWalk&) = delete;

        // The next child still in the container; null at the end.
        Widget* Next();
        // The child Next gave last is still in the container.
        bool CurrentStillHere() const { return mChildren[mNext - 1] != nullptr; }

    private:
        friend class WidgetContainer;
        WidgetContainer& mContainer;
        std::vector<Widget*> mChildren;
        size_t mNext = 0;
        ChildWalk* mOuter;
    };

private:
    // From `start`, toward the front past lower z-orders, then back past
    // higher ones: among equal z-orders, a start at the list end puts the
    // widget in front of them all, one at the beginning behind them all.
    void InsertByZOrder(std::list<Widget*>::iterator start, Widget* widget);
    // Takes the child out of the list, telling the walks in progress.
    void EraseChild(std::list<Widget*>::iterator entry);
    void MoveChild(Widget* child, bool toFront);
    // Children first; the manager forgets the widget's roles, its modal
    // records and its overlays; what lay under it is redrawn.
    static void DetachFromManager(Widget* widget);

    // The walks over this container's children in progress, innermost first.
    ChildWalk* mChildWalks = nullptr;
};

} // namespace Vorn
