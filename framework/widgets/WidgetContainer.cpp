#include "framework/widgets/WidgetContainer.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace Vorn {

namespace {

// The flag set with a modifier applied to both its sides, put back as it was
// (apart from the is-above switch) when the walk leaves the container.
class ModifiedFlags {
public:
    ModifiedFlags(ModalFlagSet* flags, const FlagsModifier& modifier)
        : mFlags(flags), mOverFlags(flags->mOverFlags), mUnderFlags(flags->mUnderFlags)
    {
        flags->mOverFlags = modifier.Apply(flags->mOverFlags);
        flags->mUnderFlags = modifier.Apply(flags->mUnderFlags);
    }
    ~ModifiedFlags()
    {
        mFlags->mOverFlags = mOverFlags;
        mFlags->mUnderFlags = mUnderFlags;
    }
    ModifiedFlags(const ModifiedFlags&) = delete;
    ModifiedFlags& operator=(const ModifiedFlags&) = delete;

private:
    ModalFlagSet* mFlags;
    int mOverFlags;
    int mUnderFlags;
};

const Widget* ModalWidgetOf(const WidgetManager* manager)
{
    return manager ? manager->mBaseModalWidget : nullptr;
}

// 1 when a is met first, 2 when b is, 0 when neither.
int FirstMet(const WidgetContainer& container, const Widget* a, const Widget* b)
{
    for (const Widget* child : container.mWidgets) {
        if (child == a)
            return 1;
        if (child == b)
            return 2;
        if (const int found = FirstMet(*child, a, b))
            return found;
    }
    return 0;
}

} // namespace

WidgetContainer::ChildWalk::ChildWalk(WidgetContainer& container)
    : mContainer(container), mChildren(container.mWidgets.begin(), container.mWidgets.end()),
      mOuter(container.mChildWalks)
{
    container.mChildWalks = this;
}

WidgetContainer::ChildWalk::~ChildWalk()
{
    mContainer.mChildWalks = mOuter;
}

Widget* WidgetContainer::ChildWalk::Next()
{
    while (mNext < mChildren.size()) {
        if (Widget* child = mChildren[mNext++])
            return child;
    }
    return nullptr;
}

WidgetContainer::~WidgetContainer() = default;

Rect WidgetContainer::GetRect() const
{
    return Rect(mX, mY, mWidth, mHeight);
}

bool WidgetContainer::Intersects(const WidgetContainer* other) const
{
    const Rect a = GetRect();
    const Rect b = other->GetRect();
    return int64_t{a.mX} + a.mWidth > b.mX && int64_t{b.mX} + b.mWidth > a.mX && int64_t{a.mY} + a.mHeight > b.mY &&
           int64_t{b.mY} + b.mHeight > a.mY;
}

void WidgetContainer::AddWidget(Widget* widget)
{
    if (HasWidget(widget))
        return;
    if (widget->mParent)
        widget->mParent->RemoveWidget(widget);
    InsertByZOrder(mWidgets.end(), widget);
    widget->mWidgetManager = mWidgetManager;
    widget->mParent = this;
    if (WidgetManager* manager = mWidgetManager) {
        widget->OnAttached(manager);
        widget->MarkDirtyWhole();
        manager->RefreshHover();
    }
    MarkDirty();
}

void WidgetContainer::RemoveWidget(Widget* widget)
{
    if (widget->mParent != this)
        return;
    const auto entry = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (entry == mWidgets.end())
        return;
    DetachFromManager(widget);
    widget->mParent = nullptr;
    // The detach's callbacks may have changed the list.
    const auto stillThere = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (stillThere != mWidgets.end())
        EraseChild(stillThere);
}

bool WidgetContainer::HasWidget(const Widget* widget) const
{
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::ForgetWidget(Widget*) {}

void WidgetContainer::RemoveAllWidgets(bool deleteThem, bool recursive)
{
    while (!mWidgets.empty()) {
        Widget* child = mWidgets.front();
        RemoveWidget(child);
        if (recursive)
            child->RemoveAllWidgets(deleteThem, recursive);
        if (deleteThem)
            delete child;
    }
}

void WidgetContainer::SetFocus(Widget*) {}

bool WidgetContainer::IsBelow(const Widget* a, const Widget* b) const
{
    return FirstMet(*this, a, b) == 1;
}

void WidgetContainer::MarkAllDirty()
{
    MarkDirty();
    ChildWalk walk(*this);
    while (Widget* child = walk.Next()) {
        child->mDirty = true;
        child->MarkAllDirty();
    }
}

void WidgetContainer::InsertByZOrder(std::list<Widget*>::iterator start, Widget* widget)
{
    const int z = widget->mZOrder;
    auto at = start;
    while (at != mWidgets.end() && (*at)->mZOrder < z)
        ++at;
    if (at == mWidgets.begin() || (at != mWidgets.end() && (*at)->mZOrder == z)) {
        mWidgets.insert(at, widget);
        return;
    }
    while (at != mWidgets.begin() && (*std::prev(at))->mZOrder > z)
        --at;
    mWidgets.insert(at, widget);
}

void WidgetContainer::EraseChild(std::list<Widget*>::iterator entry)
{
    for (ChildWalk* walk = mChildWalks; walk; walk = walk->mOuter)
        std::replace(walk->mChildren.begin(), walk->mChildren.end(), *entry, static_cast<Widget*>(nullptr));
    mWidgets.erase(entry);
}

void WidgetContainer::MoveChild(Widget* child, bool toFront)
{
    const auto entry = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (entry == mWidgets.end())
        return;
    mWidgets.erase(entry);
    InsertByZOrder(toFront ? mWidgets.end() : mWidgets.begin(), child);
    child->ZOrderChanged();
}

void WidgetContainer::BringToFront(Widget* child)
{
    MoveChild(child, true);
}

void WidgetContainer::BringToBack(Widget* child)
{
    MoveChild(child, false);
}

void WidgetContainer::PutBehind(Widget* child, Widget* other)
{
    const auto entry = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (child == other || entry == mWidgets.end() || !HasWidget(other))
        return;
    mWidgets.erase(entry);
    InsertByZOrder(std::find(mWidgets.begin(), mWidgets.end(), other), child);
    child->ZOrderChanged();
}

void WidgetContainer::PutInFront(Widget* child, Widget* other)
{
    const auto entry = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (child == other || entry == mWidgets.end() || !HasWidget(other))
        return;
    mWidgets.erase(entry);
    InsertByZOrder(std::next(std::find(mWidgets.begin(), mWidgets.end(), other)), child);
    child->ZOrderChanged();
}

Point WidgetContainer::GetAbsPos() const
{
    if (!mParent)
        return Point(mX, mY);
    const Point parent = mParent->GetAbsPos();
    return Point(parent.mX + mX, parent.mY + mY);
}

void WidgetContainer::MarkChildDirty(Widget* child)
{
    if (child->mDirty)
        return;
    MarkDirty();
    child->mDirty = true;
    if (mParent)
        return;
    if (child->mHasAlpha) {
        MarkChildDirtyWhole(child);
        return;
    }
    auto sibling = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (sibling == mWidgets.end())
        return;
    for (++sibling; sibling != mWidgets.end(); ++sibling) {
        if ((*sibling)->mVisible && (*sibling)->Intersects(child))
            MarkChildDirty(*sibling);
    }
}

void WidgetContainer::MarkDirty()
{
    if (mParent)
        mParent->MarkChildDirty(static_cast<Widget*>(this));
    else
        mDirty = true;
}

void WidgetContainer::MarkChildDirtyWhole(Widget* child)
{
    MarkDirtyWhole();
    child->mDirty = true;
    if (mParent)
        return;
    const auto entry = std::find(mWidgets.begin(), mWidgets.end(), child);
    if (entry == mWidgets.end())
        return;

    // Behind the child, down to a sibling that hides all of it: nothing
    // further back can show through.
    const Rect area = child->GetRect().Intersection(Rect(0, 0, mWidth, mHeight));
    const int right = area.mX + area.mWidth - 1;
    const int bottom = area.mY + area.mHeight - 1;
    for (auto behind = std::make_reverse_iterator(entry); behind != mWidgets.rend(); ++behind) {
        Widget* sibling = *behind;
        if (!sibling->mVisible)
            continue;
        if (!sibling->mHasAlpha && !sibling->mHasTransparencies && sibling->Contains(area.mX, area.mY) &&
            sibling->Contains(right, bottom)) {
            MarkChildDirty(sibling);
            break;
        }
        if (sibling->Intersects(child))
            MarkChildDirty(sibling);
    }
    for (auto front = std::next(entry); front != mWidgets.end(); ++front) {
        if ((*front)->mVisible && (*front)->Intersects(child))
            MarkChildDirty(*front);
    }
}

void WidgetContainer::MarkDirtyWhole()
{
    if (mParent)
        mParent->MarkChildDirtyWhole(static_cast<Widget*>(this));
    else
        mDirty = true;
}

void WidgetContainer::OnAttached(WidgetManager* manager)
{
    ChildWalk walk(*this);
    while (Widget* child = walk.Next()) {
        child->mWidgetManager = manager;
        child->OnAttached(manager);
    }
    MarkDirty();
}

// The detach has told the children already: each widget hears of its detach
// once.
void WidgetContainer::OnDetached(WidgetManager* manager)
{
    if (manager->GetPopupCommandWidget() == this)
        manager->SetPopupCommandWidget(nullptr);
}

void WidgetContainer::DetachFromManager(Widget* widget)
{
    WidgetManager* manager = widget->mWidgetManager;
    if (!manager)
        return;
    {
        ChildWalk walk(*widget);
        while (Widget* child = walk.Next())
            DetachFromManager(child);
    }
    manager->ForgetWidget(widget);
    for (ModalLayer& layer : manager->mModalLayers) {
        if (layer.mPrevBaseModalWidget == widget)
            layer.mPrevBaseModalWidget = nullptr;
        if (layer.mPrevFocusWidget == widget)
            layer.mPrevFocusWidget = nullptr;
    }
    if (manager->GetDefaultTab() == widget)
        manager->SetDefaultTab(nullptr);
    for (WidgetManager::QueuedOverlay& overlay : manager->mDeferredOverlayWidgets) {
        if (overlay.mWidget == widget)
            overlay.mWidget = nullptr;
    }
    widget->OnDetached(manager);
    widget->MarkDirtyWhole();
    widget->mWidgetManager = nullptr;
}

void WidgetContainer::Update()
{
    ++mUpdateCnt;
}

void WidgetContainer::UpdateAll(ModalFlagSet* flags)
{
    const ModifiedFlags modified(flags, mWidgetFlagsMod);
    const int current = flags->GetFlags();
    if (current & kWidgetFlagMarkDirty)
        MarkDirty();
    WidgetManager* manager = mWidgetManager;
    if (!manager)
        return;
    if ((current & kWidgetFlagUpdate) && mLastWMUpdateCount != manager->mUpdateCnt) {
        mLastWMUpdateCount = manager->mUpdateCnt;
        Update();
    }
    if (mWidgets.empty())
        return;
    ChildWalk walk(*this);
    while (Widget* child = walk.Next()) {
        if (child == manager->mBaseModalWidget)
            flags->mIsOver = true;
        child->UpdateAll(flags);
    }
}

void WidgetContainer::UpdateFraction(float) {}

void WidgetContainer::UpdateFractionAll(ModalFlagSet* flags, float fraction)
{
    const ModifiedFlags modified(flags, mWidgetFlagsMod);
    if (flags->GetFlags() & kWidgetFlagUpdate)
        UpdateFraction(fraction);
    if (mWidgets.empty())
        return;
    const Widget* modal = ModalWidgetOf(mWidgetManager);
    ChildWalk walk(*this);
    while (Widget* child = walk.Next()) {
        if (child == modal)
            flags->mIsOver = true;
        child->UpdateFractionAll(flags, fraction);
    }
}

void WidgetContainer::Draw(Graphics*) {}

void WidgetContainer::DrawAll(ModalFlagSet* flags, Graphics* g)
{
    WidgetManager* manager = mWidgetManager;
    if (manager && mPriority > manager->mMinDeferredOverlayPriority)
        manager->DrawQueuedOverlays(mPriority);
    const ModifiedFlags modified(flags, mWidgetFlagsMod);
    const int current = flags->GetFlags();
    if (mClip && (current & kWidgetFlagClip))
        g->ClipRect(0, 0, mWidth, mHeight);
    if (mWidgets.empty()) {
        if (current & kWidgetFlagDraw)
            Draw(g);
        return;
    }
    if (current & kWidgetFlagDraw) {
        g->PushState();
        Draw(g);
        g->PopState();
    }
    const Widget* modal = ModalWidgetOf(manager);
    ChildWalk walk(*this);
    while (Widget* child = walk.Next()) {
        if (!child->mVisible)
            continue;
        if (child == modal)
            flags->mIsOver = true;
        Graphics childGraphics(*g);
        childGraphics.Translate(child->mX, child->mY);
        child->DrawAll(flags, &childGraphics);
        if (walk.CurrentStillHere())
            child->mDirty = false;
    }
}

void WidgetContainer::SystemColorsChangedAll()
{
    SystemColorsChanged();
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
        child->SystemColorsChangedAll();
}

void WidgetContainer::SystemColorsChanged() {}

Widget* WidgetContainer::GetWidgetAtHelper(int x, int y, int flags, int* localX, int* localY) const
{
    const int childFlags = mWidgetFlagsMod.Apply(flags);
    const WidgetManager* manager = mWidgetManager;
    const Widget* modal = ModalWidgetOf(manager);
    bool belowModal = false;
    for (auto it = mWidgets.rbegin(); it != mWidgets.rend(); ++it) {
        Widget* child = *it;
        int ownFlags = child->mWidgetFlagsMod.Apply(childFlags);
        if (belowModal)
            ownFlags = manager->mBelowModalFlagsMod.Apply(ownFlags);
        if ((ownFlags & kWidgetFlagAllowMouse) && child->mVisible) {
            const int childX = x - child->mX;
            const int childY = y - child->mY;
            if (Widget* inside = child->GetWidgetAtHelper(childX, childY, ownFlags, localX, localY))
                return inside;
            const Rect inset = child->GetInsetRect();
            if (child->mMouseVisible && x >= inset.mX && y >= inset.mY && int64_t{x} < int64_t{inset.mX} + inset.mWidth &&
                int64_t{y} < int64_t{inset.mY} + inset.mHeight && child->IsPointVisible(childX, childY)) {
                *localX = childX;
                *localY = childY;
                return child;
            }
        }
        if (child == modal)
            belowModal = true;
    }
    return nullptr;
}

} // namespace Vorn
