#pragma once
// The root of the widget tree and the one place where input enters it. The
// application makes exactly one and feeds it every update, draw and input
// event of the main loop, live or replayed from a demo. It keeps the widget
// under the pointer (hovered), the one that received a press (pressed), the
// one with keyboard focus and the modal widget with its stack of layers, the
// held buttons and keys, and draws the dirty top-level widgets onto the
// screen image. Input, update and draw calls are virtual so that a test can
// stand in a recording manager.
//
// Callbacks may remove (and queue for deletion) any widget, the one being
// served included: the manager never keeps a role for a widget that has left
// the tree.

#include "framework/graphics/Rect.h"
#include "framework/widgets/WidgetContainer.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Vorn {

class Graphics;
class Image;
class VornAppBase;
class Widget;

// Mouse button bits of the held-button sets.
inline constexpr int kButtonBitLeft = 1;
inline constexpr int kButtonBitRight = 2;
inline constexpr int kButtonBitMiddle = 4;

// No overlay pending.
inline constexpr int kNoOverlayPriority = 0x7FFFFFFF;

// What a modal push changed, for its pop to restore. The layer's own widget
// is only compared, never used: it may have gone before its layer is popped.
struct ModalLayer {
    const Widget* mModalWidget = nullptr;
    Widget* mPrevBaseModalWidget = nullptr;
    Widget* mPrevFocusWidget = nullptr;
    FlagsModifier mPrevBelowModalFlagsMod;
};

class WidgetManager : public WidgetContainer {
public:
    // A widget with the overlay priority it was queued at; a drawn entry has
    // no widget.
    struct QueuedOverlay {
        Widget* mWidget;
        int mPriority;
    };

    // The application may be null (tests): then there is no cursor and no 3D.
    explicit WidgetManager(VornAppBase* app);
    ~WidgetManager() override;

    // Hover, press, focus and modal role, in that order.
    void ForgetWidget(Widget* widget) override;
    // Only a widget of this manager becomes focused; it hears GotFocus while
    // the application has the focus.
    void SetFocus(Widget* widget) override;

    // Positions in draw-buffer coordinates. Click codes: 1 left, 2 left
    // double, -1 right, -2 right double, 3 middle. Every call that returns a
    // result returns true.
    virtual bool MouseMove(int x, int y);
    virtual bool MouseDown(int x, int y, int clickCode);
    virtual bool MouseUp(int x, int y, int clickCode);
    virtual void MouseWheel(int delta);
    virtual bool MouseExit();
    // Codes 0 to 254 are recorded as held; Tab with Ctrl held goes to the
    // default tab widget only.
    virtual bool KeyDown(int keyCode);
    virtual bool KeyUp(int keyCode);
    virtual bool KeyChar(char c);
    // The application window gained or lost the keyboard focus; on loss the
    // held keys are released to the focused widget.
    virtual void GotFocus();
    virtual void LostFocus();

    // Mouse-ups at the last position for each button bit, left, right,
    // middle.
    void DeliverMouseUps(Widget* widget, int buttons);
    void ReleaseHeldButtons();
    // Widgets below the modal widget take the below-modal modifier in every
    // walk: by default they can be neither hovered, pressed nor focused.
    void PushModalLayer(Widget* widget);
    // Nothing unless the top layer is the widget's, which may have gone
    // already; layers left behind by widgets that went are unwound with it.
    void PopModalLayer(Widget* widget);

    // Receives Tab typed with Ctrl held.
    void SetDefaultTab(Widget* widget) { mDefaultTab = widget; }
    Widget* GetDefaultTab() const { return mDefaultTab; }
    // Removed from the manager as soon as a press lands outside it.
    void SetPopupCommandWidget(Widget* widget) { mPopupCommandWidget = widget; }
    Widget* GetPopupCommandWidget() const { return mPopupCommandWidget; }

    // After widgets were added, moved, resized, shown or hidden.
    void RefreshHover();
    void UpdateHover(int x, int y);
    Widget* FindWidgetAt(int x, int y, int* localX, int* localY) const;
    // None where the widget found is disabled: it still hides what lies
    // behind it.
    Widget* GetWidgetAt(int x, int y, int* localX, int* localY) const;
    int GetWidgetFlags() const;
    ModalFlagSet GetModalFlags() const;

    // Screen rectangle: the draw buffer's picture; window rectangle: where
    // it lies in the window's client area. The manager takes the picture's
    // size with its margins on both sides.
    void Resize(const Rect& screenRect, const Rect& windowRect);
    // A position in the window's client area, in place, into draw-buffer
    // coordinates.
    void MapMouseToScreen(int& x, int& y) const;

    // One fixed update of the whole tree; the manager's dirty flag.
    virtual bool UpdateTree();
    virtual bool UpdateTreeFraction(float fraction);
    // Draws the dirty visible top-level widgets, each as a whole, and the
    // queued overlays; true when a widget was drawn. What they covered goes
    // to mDrawnArea.
    virtual bool DrawToScreen();
    // Draws the queued overlays in ascending priority below `highest`;
    // kNoOverlayPriority drains the queue, overlays of that priority too.
    void DrawQueuedOverlays(int highest);
    // Only during a draw: the queue is emptied when a draw begins.
    void AddDeferredOverlay(Widget* widget, int priority);

    VornAppBase* mApp;
    // The draw in progress; none outside DrawToScreen.
    Graphics* mCurG = nullptr;
    // The image the tree is drawn onto; the application sets it after every
    // display set-up and clears it when the window goes.
    Image* mImage = nullptr;
    // The part of the image the DrawToScreen calls since whoever shows the
    // image last cleared it may have changed (in its pixels): the rectangle
    // around the widgets they drew, or all of the image when one of them or
    // an overlay could draw anywhere. Empty when nothing was drawn. Drawn
    // frames that were not shown stay in it until a showing clears it.
    Rect mDrawnArea;
    std::vector<QueuedOverlay> mDeferredOverlayWidgets;
    int mMinDeferredOverlayPriority = kNoOverlayPriority;
    // The application window has the keyboard focus.
    bool mHasFocus = true;
    Widget* mFocusWidget = nullptr;
    // The widget that received the press still held.
    Widget* mLastDownWidget = nullptr;
    Widget* mOverWidget = nullptr;
    Widget* mBaseModalWidget = nullptr;
    // Applied to the manager's flags while the application has no focus.
    FlagsModifier mLostFocusFlagsMod;
    FlagsModifier mBelowModalFlagsMod;
    FlagsModifier mDefaultBelowModalFlagsMod{0, kWidgetFlagAllowMouse | kWidgetFlagAllowFocus};
    std::vector<ModalLayer> mModalLayers;
    Rect mScreenRect;
    Rect mWindowRect;
    // The pointer is inside the window.
    bool mMouseIn = false;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    // Button bits held since a press that reached the pressed widget.
    int mDownButtons = 0;
    // Button bits of every button held.
    int mActualDownButtons = 0;
    int mLastInputUpdateCnt = 0;
    // Non-zero while the key of that code is held (codes 0 to 254).
    std::array<uint8_t, 255> mKeyDown{};
    // Of the last press: -1 right, 1 left, 2 middle.
    int mLastDownButtonId = 0;
    int mWidgetFlags = kDefaultWidgetFlags;

private:
    // All of the image drawn onto; empty without one.
    Rect WholeImage() const;
    // A widget the manager is about to give a role, watched across the
    // callbacks in between: forgetting it clears the watch.
    class Watch;

    void HoverEnter(Widget* widget);
    void HoverLeave(Widget* widget);
    void SetModalTarget(Widget* widget, const FlagsModifier& belowModal);
    void MouseDrag(int x, int y);
    void NoteInput();

    Widget* mDefaultTab = nullptr;
    Widget* mPopupCommandWidget = nullptr;
    Watch* mWatches = nullptr;
};

} // namespace Vorn
