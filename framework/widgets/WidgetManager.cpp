#include "framework/widgets/WidgetManager.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/Widget.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdint>

namespace Vorn {

namespace {

// The smallest rectangle holding both; an empty one adds nothing.
Rect Union(const Rect& a, const Rect& b)
{
    if (a.mWidth <= 0 || a.mHeight <= 0)
        return b;
    if (b.mWidth <= 0 || b.mHeight <= 0)
        return a;
    const int64_t left = std::min(a.mX, b.mX);
    const int64_t top = std::min(a.mY, b.mY);
    const int64_t right = std::max(int64_t{a.mX} + a.mWidth, int64_t{b.mX} + b.mWidth);
    const int64_t bottom = std::max(int64_t{a.mY} + a.mHeight, int64_t{b.mY} + b.mHeight);
    return Rect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(std::min<int64_t>(right - left, INT32_MAX)),
                static_cast<int>(std::min<int64_t>(bottom - top, INT32_MAX)));
}

// Click code 1 left, 2 left double, -1 right, -2 right double, 3 middle.
int ButtonBitOf(int clickCode)
{
    if (clickCode < 0)
        return kButtonBitRight;
    return clickCode == 3 ? kButtonBitMiddle : kButtonBitLeft;
}

} // namespace

class WidgetManager::Watch {
public:
    Watch(WidgetManager& manager, Widget* widget) : mManager(manager), mWidget(widget), mOuter(manager.mWatches)
    {
        manager.mWatches = this;
    }
    ~Watch() { mManager.mWatches = mOuter; }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // The widget, or null once the manager forgot it.
    Widget* Get() const { return mWidget; }

private:
    friend class WidgetManager;
    WidgetManager& mManager;
    Widget* mWidget;
    Watch* mOuter;
};

WidgetManager::WidgetManager(VornAppBase* app) : mApp(app)
{
    mWidgetManager = this;
}

WidgetManager::~WidgetManager() = default;

void WidgetManager::NoteInput()
{
    mLastInputUpdateCnt = mUpdateCnt;
}

int WidgetManager::GetWidgetFlags() const
{
    return mHasFocus ? mWidgetFlags : mLostFocusFlagsMod.Apply(mWidgetFlags);
}

ModalFlagSet WidgetManager::GetModalFlags() const
{
    ModalFlagSet flags;
    flags.mOverFlags = GetWidgetFlags();
    flags.mUnderFlags = mBelowModalFlagsMod.Apply(flags.mOverFlags);
    flags.mIsOver = mBaseModalWidget == nullptr;
    return flags;
}

Widget* WidgetManager::FindWidgetAt(int x, int y, int* localX, int* localY) const
{
    return GetWidgetAtHelper(x, y, GetWidgetFlags(), localX, localY);
}

Widget* WidgetManager::GetWidgetAt(int x, int y, int* localX, int* localY) const
{
    Widget* widget = FindWidgetAt(x, y, localX, localY);
    return widget && widget->mDisabled ? nullptr : widget;
}

void WidgetManager::HoverEnter(Widget* widget)
{
    widget->mIsOver = true;
    widget->MouseEnter();
    if (widget->mDoFinger)
        widget->ShowHandCursor(true);
}

void WidgetManager::HoverLeave(Widget* widget)
{
    widget->mIsOver = false;
    widget->MouseLeave();
    if (widget->mDoFinger)
        widget->ShowHandCursor(false);
}

// The hit test runs again after the old widget's leave: its callback may
// have removed or moved what lay under the pointer.
void WidgetManager::UpdateHover(int x, int y)
{
    const bool moved = x != mLastMouseX || y != mLastMouseY;
    mLastMouseX = x;
    mLastMouseY = y;
    for (;;) {
        int localX = 0;
        int localY = 0;
        Widget* found = GetWidgetAt(x, y, &localX, &localY);
        if (found == mOverWidget) {
            if (found && moved)
                found->MouseMove(localX, localY);
            return;
        }
        if (Widget* old = mOverWidget) {
            mOverWidget = nullptr;
            HoverLeave(old);
            continue;
        }
        mOverWidget = found;
        HoverEnter(found);
        if (mOverWidget == found)
            found->MouseMove(localX, localY);
        return;
    }
}

void WidgetManager::RefreshHover()
{
    if (!mLastDownWidget) {
        if (mMouseIn)
            UpdateHover(mLastMouseX, mLastMouseY);
        return;
    }
    int localX = 0;
    int localY = 0;
    if (mOverWidget && GetWidgetAt(mLastMouseX, mLastMouseY, &localX, &localY) != mLastDownWidget) {
        Widget* old = mOverWidget;
        mOverWidget = nullptr;
        HoverLeave(old);
    }
}

bool WidgetManager::MouseMove(int x, int y)
{
    NoteInput();
    if (mDownButtons) {
        MouseDrag(x, y);
        return true;
    }
    mMouseIn = true;
    UpdateHover(x, y);
    return true;
}

// The pressed widget shows as hovered only while the pointer is over it.
void WidgetManager::MouseDrag(int x, int y)
{
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;
    if (mOverWidget && mOverWidget != mLastDownWidget) {
        Widget* old = mOverWidget;
        mOverWidget = nullptr;
        HoverLeave(old);
    }
    Widget* pressed = mLastDownWidget;
    if (!pressed)
        return;
    const Point origin = pressed->GetAbsPos();
    pressed->MouseDrag(x - origin.mX, y - origin.mY);
    pressed = mLastDownWidget;
    int localX = 0;
    int localY = 0;
    if (pressed && GetWidgetAt(x, y, &localX, &localY) == pressed) {
        if (!mOverWidget) {
            mOverWidget = pressed;
            HoverEnter(pressed);
        }
    } else if (Widget* old = mOverWidget) {
        mOverWidget = nullptr;
        HoverLeave(old);
    }
}

bool WidgetManager::MouseDown(int x, int y, int clickCode)
{
    NoteInput();
    const int bit = ButtonBitOf(clickCode);
    mActualDownButtons |= bit;
    UpdateHover(x, y);
    if (Widget* popup = mPopupCommandWidget; popup && !popup->Contains(x, y)) {
        mPopupCommandWidget = nullptr;
        RemoveWidget(popup);
    }
    int localX = 0;
    int localY = 0;
    Widget* target = mLastDownWidget ? mLastDownWidget : GetWidgetAt(x, y, &localX, &localY);
    mDownButtons |= bit;
    mLastDownButtonId = clickCode < 0 ? -1 : clickCode == 3 ? 2 : 1;
    if (!target)
        return true;
    // Only a widget still in the tree after the focus change takes the press.
    Watch watch(*this, target);
    if (target->WantsFocus())
        SetFocus(target);
    if (!watch.Get())
        return true;
    mLastDownWidget = target;
    target->mIsDown = true;
    const Point origin = target->GetAbsPos();
    target->MouseDown(x - origin.mX, y - origin.mY, clickCode);
    return true;
}

bool WidgetManager::MouseUp(int x, int y, int clickCode)
{
    NoteInput();
    const int bit = ButtonBitOf(clickCode);
    mActualDownButtons &= ~bit;
    Widget* pressed = mLastDownWidget;
    if (pressed && (mDownButtons & bit)) {
        mDownButtons &= ~bit;
        if (!mDownButtons)
            mLastDownWidget = nullptr;
        pressed->mIsDown = false;
        const Point origin = pressed->GetAbsPos();
        pressed->MouseUp(x - origin.mX, y - origin.mY, clickCode);
    } else {
        mDownButtons &= ~bit;
    }
    UpdateHover(x, y);
    return true;
}

void WidgetManager::DeliverMouseUps(Widget* widget, int buttons)
{
    static constexpr struct {
        int bit;
        int clickCode;
    } kButtons[] = {{kButtonBitLeft, 1}, {kButtonBitRight, -1}, {kButtonBitMiddle, 3}};
    for (const auto& button : kButtons) {
        if (!(buttons & button.bit))
            continue;
        widget->mIsDown = false;
        const Point origin = widget->GetAbsPos();
        widget->MouseUp(mLastMouseX - origin.mX, mLastMouseY - origin.mY, button.clickCode);
    }
}

void WidgetManager::ReleaseHeldButtons()
{
    Widget* pressed = mLastDownWidget;
    const int buttons = mDownButtons;
    mLastDownWidget = nullptr;
    mDownButtons = 0;
    if (pressed && buttons)
        DeliverMouseUps(pressed, buttons);
}

bool WidgetManager::MouseExit()
{
    NoteInput();
    mMouseIn = false;
    if (Widget* old = mOverWidget) {
        mOverWidget = nullptr;
        HoverLeave(old);
    }
    return true;
}

void WidgetManager::MouseWheel(int delta)
{
    NoteInput();
    if (mFocusWidget)
        mFocusWidget->MouseWheel(delta);
}

// Negative codes, like those of 255 and above, are never table indices.
bool WidgetManager::KeyDown(int keyCode)
{
    NoteInput();
    if (keyCode >= 0 && keyCode < static_cast<int>(mKeyDown.size()))
        mKeyDown[static_cast<size_t>(keyCode)] = 1;
    if (mFocusWidget)
        mFocusWidget->KeyDown(keyCode);
    return true;
}

bool WidgetManager::KeyUp(int keyCode)
{
    NoteInput();
    if (keyCode >= 0 && keyCode < static_cast<int>(mKeyDown.size()))
        mKeyDown[static_cast<size_t>(keyCode)] = 0;
    if (keyCode == Platform::VK_TAB && mKeyDown[Platform::VK_CONTROL])
        return true;
    if (mFocusWidget)
        mFocusWidget->KeyUp(keyCode);
    return true;
}

bool WidgetManager::KeyChar(char c)
{
    NoteInput();
    if (c == Platform::VK_TAB && mKeyDown[Platform::VK_CONTROL]) {
        if (mDefaultTab)
            mDefaultTab->KeyChar(c);
        return true;
    }
    if (mFocusWidget)
        mFocusWidget->KeyChar(c);
    return true;
}

void WidgetManager::GotFocus()
{
    NoteInput();
    if (mHasFocus)
        return;
    mHasFocus = true;
    if (mFocusWidget)
        mFocusWidget->GotFocus();
}

// The focused widget keeps its place and hears GotFocus again when the
// window regains the focus.
void WidgetManager::LostFocus()
{
    NoteInput();
    if (!mHasFocus)
        return;
    mActualDownButtons = 0;
    for (size_t key = 0; key < mKeyDown.size(); ++key) {
        if (mKeyDown[key])
            KeyUp(static_cast<int>(key));
    }
    mHasFocus = false;
    if (mFocusWidget)
        mFocusWidget->LostFocus();
}

void WidgetManager::SetFocus(Widget* widget)
{
    if (widget == mFocusWidget)
        return;
    Watch watch(*this, widget);
    if (Widget* old = mFocusWidget) {
        mFocusWidget = nullptr;
        old->LostFocus();
    }
    widget = watch.Get();
    if (!widget || widget->mWidgetManager != this)
        return;
    mFocusWidget = widget;
    if (mHasFocus)
        widget->GotFocus();
}

void WidgetManager::ForgetWidget(Widget* widget)
{
    for (Watch* watch = mWatches; watch; watch = watch->mOuter) {
        if (watch->mWidget == widget)
            watch->mWidget = nullptr;
    }
    if (widget == mOverWidget) {
        mOverWidget = nullptr;
        HoverLeave(widget);
    }
    if (widget == mLastDownWidget) {
        const int buttons = mDownButtons;
        mLastDownWidget = nullptr;
        mDownButtons = 0;
        DeliverMouseUps(widget, buttons);
    }
    if (widget == mFocusWidget) {
        mFocusWidget = nullptr;
        widget->LostFocus();
    }
    if (widget == mBaseModalWidget)
        mBaseModalWidget = nullptr;
}

// Nothing lies below no widget, and the modal widget is not below itself:
// neither loses a role here.
void WidgetManager::SetModalTarget(Widget* widget, const FlagsModifier& belowModal)
{
    mBaseModalWidget = widget;
    mBelowModalFlagsMod = belowModal;
    if (!widget)
        return;
    if (belowModal.mRemoveFlags & kWidgetFlagAllowMouse) {
        if (Widget* hovered = mOverWidget; hovered && hovered != widget && IsBelow(hovered, widget)) {
            mOverWidget = nullptr;
            HoverLeave(hovered);
        }
        if (Widget* pressed = mLastDownWidget; pressed && pressed != widget && IsBelow(pressed, widget)) {
            const int buttons = mDownButtons;
            mLastDownWidget = nullptr;
            mDownButtons = 0;
            DeliverMouseUps(pressed, buttons);
        }
    }
    if (belowModal.mRemoveFlags & kWidgetFlagAllowFocus) {
        if (Widget* focused = mFocusWidget; focused && focused != widget && IsBelow(focused, widget)) {
            mFocusWidget = nullptr;
            focused->LostFocus();
        }
    }
}

void WidgetManager::PushModalLayer(Widget* widget)
{
    mModalLayers.push_back({widget, mBaseModalWidget, mFocusWidget, mBelowModalFlagsMod});
    SetModalTarget(widget, mDefaultBelowModalFlagsMod);
}

// Focus comes back through SetFocus, and only to a widget still there and
// enabled.
void WidgetManager::PopModalLayer(Widget* widget)
{
    if (mModalLayers.empty() || mModalLayers.back().mModalWidget != widget)
        return;
    while (!mModalLayers.empty()) {
        const ModalLayer layer = mModalLayers.back();
        const bool more = mModalLayers.size() > 1;
        mModalLayers.pop_back();
        SetModalTarget(layer.mPrevBaseModalWidget, layer.mPrevBelowModalFlagsMod);
        if (!mFocusWidget && layer.mPrevFocusWidget && !layer.mPrevFocusWidget->mDisabled)
            SetFocus(layer.mPrevFocusWidget);
        if (layer.mPrevBaseModalWidget || !more)
            return;
    }
}

void WidgetManager::Resize(const Rect& screenRect, const Rect& windowRect)
{
    mScreenRect = screenRect;
    mWindowRect = windowRect;
    mWidth = screenRect.mWidth + 2 * screenRect.mX;
    mHeight = screenRect.mHeight + 2 * screenRect.mY;
}

// Integer arithmetic, product first, quotient truncated. Before the first
// Resize (or for an empty window) there is no mapping to divide by: the
// position stays as it is.
void WidgetManager::MapMouseToScreen(int& x, int& y) const
{
    if (mWindowRect.mWidth <= 0 || mWindowRect.mHeight <= 0)
        return;
    const int64_t mappedX = (int64_t{x} - mWindowRect.mX) * mScreenRect.mWidth / mWindowRect.mWidth + mScreenRect.mX;
    const int64_t mappedY = (int64_t{y} - mWindowRect.mY) * mScreenRect.mHeight / mWindowRect.mHeight + mScreenRect.mY;
    x = static_cast<int>(std::clamp<int64_t>(mappedX, INT32_MIN, INT32_MAX));
    y = static_cast<int>(std::clamp<int64_t>(mappedY, INT32_MIN, INT32_MAX));
}

bool WidgetManager::UpdateTree()
{
    ModalFlagSet flags = GetModalFlags();
    ++mUpdateCnt;
    mLastWMUpdateCount = mUpdateCnt;
    UpdateAll(&flags);
    return mDirty;
}

bool WidgetManager::UpdateTreeFraction(float fraction)
{
    ModalFlagSet flags = GetModalFlags();
    UpdateFractionAll(&flags, fraction);
    return mDirty;
}

bool WidgetManager::DrawToScreen()
{
    ModalFlagSet flags = GetModalFlags();
    const bool anyDirty = std::any_of(mWidgets.begin(), mWidgets.end(), [](const Widget* w) { return w->mDirty; });
    mMinDeferredOverlayPriority = kNoOverlayPriority;
    mDeferredOverlayWidgets.clear();

    Graphics g(mImage);
    mCurG = &g;
    DDImage* surfaceImage = dynamic_cast<DDImage*>(mImage);
    const bool locked = surfaceImage && surfaceImage->LockSurface();
    bool drawn = false;
    if (anyDirty) {
        Graphics screen(g);
        screen.Translate(-mScreenRect.mX, -mScreenRect.mY);
        const bool is3D = mApp && mApp->Is3DEnabled();
        ChildWalk walk(*this);
        while (Widget* widget = walk.Next()) {
            if (widget == mBaseModalWidget)
                flags.mIsOver = true;
            if (!widget->mDirty || !widget->mVisible)
                continue;
            Graphics widgetGraphics(screen);
            widgetGraphics.SetQuickStretch(!is3D);
            widgetGraphics.SetSmoothBlend(is3D);
            widgetGraphics.Translate(widget->mX, widget->mY);
            // Held to its rectangle only when its drawing is clipped to it.
            const bool clipped = widget->mClip && (widget->mWidgetFlagsMod.Apply(flags.GetFlags()) & kWidgetFlagClip);
            mDrawnArea = Union(mDrawnArea, clipped ? Rect(widget->mX - mScreenRect.mX, widget->mY - mScreenRect.mY,
                                                              widget->mWidth, widget->mHeight)
                                                       : WholeImage());
            widget->DrawAll(&flags, &widgetGraphics);
            if (walk.CurrentStillHere())
                widget->mDirty = false;
            drawn = true;
        }
    }
    DrawQueuedOverlays(kNoOverlayPriority);
    if (locked)
        surfaceImage->UnlockSurface();
    mCurG = nullptr;
    return drawn;
}

Rect WidgetManager::WholeImage() const
{
    return mImage ? Rect(0, 0, mImage->GetWidth(), mImage->GetHeight()) : Rect();
}

// Overlays are placed at their widget's absolute position, so that a nested
// widget's overlay lands on it too.
void WidgetManager::DrawQueuedOverlays(int highest)
{
    if (!mCurG)
        return;
    do {
        const int priority = mMinDeferredOverlayPriority;
        // By index: an overlay may queue another while it draws.
        for (size_t i = 0; i < mDeferredOverlayWidgets.size(); ++i) {
            Widget* widget = mDeferredOverlayWidgets[i].mWidget;
            if (!widget || mDeferredOverlayWidgets[i].mPriority != priority)
                continue;
            mDeferredOverlayWidgets[i].mWidget = nullptr;
            Graphics overlay(*mCurG);
            overlay.Translate(-mScreenRect.mX, -mScreenRect.mY);
            const Point origin = widget->GetAbsPos();
            overlay.Translate(origin.mX, origin.mY);
            overlay.SetQuickStretch(!overlay.mLinearBlend);
            widget->DrawOverlay(&overlay, priority);
            // An overlay may draw anywhere.
            mDrawnArea = WholeImage();
        }
        std::erase_if(mDeferredOverlayWidgets, [](const QueuedOverlay& entry) { return !entry.mWidget; });
        if (mDeferredOverlayWidgets.empty()) {
            mMinDeferredOverlayPriority = kNoOverlayPriority;
            return;
        }
        mMinDeferredOverlayPriority = std::min_element(mDeferredOverlayWidgets.begin(), mDeferredOverlayWidgets.end(),
            [](const QueuedOverlay& a, const QueuedOverlay& b) { return a.mPriority < b.mPriority; })->mPriority;
        // The final drain takes overlays queued at the highest priority too:
        // whether any is pending is told by the queue, not by that value.
    } while (mMinDeferredOverlayPriority < highest || highest == kNoOverlayPriority);
}

void WidgetManager::AddDeferredOverlay(Widget* widget, int priority)
{
    mDeferredOverlayWidgets.push_back({widget, priority});
    mMinDeferredOverlayPriority = std::min(mMinDeferredOverlayPriority, priority);
}

} // namespace Vorn
