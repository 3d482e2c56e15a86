#pragma once
// The root of the widget tree and the one place where input enters it. The
// application makes exactly one and feeds it every update, draw and input
// event of the main loop. Input, update and draw calls are virtual so that a
// test can stand in a recording manager.

#include "framework/graphics/Rect.h"
#include "framework/widgets/WidgetContainer.h"

#include <array>
#include <cstdint>

namespace Vorn {

class DDImage;
class VornAppBase;
class Widget;

class WidgetManager : public WidgetContainer {
public:
    explicit WidgetManager(VornAppBase* app);

    // Screen rectangle: the draw buffer; window rectangle: where it lies in
    // the window's client area.
    void Resize(const Rect& screenRect, const Rect& windowRect);
    // A position in the window's client area, in place, into draw-buffer
    // coordinates.
    void MapMouseToScreen(int& x, int& y) const;

    // One fixed update of the whole tree; true when it marked anything dirty.
    virtual bool UpdateTree();
    virtual void UpdateTreeFraction(float fraction);
    // Draws the dirty widgets onto the screen image; true when anything was
    // drawn.
    virtual bool DrawToScreen();

    // Click codes: 1 left, 2 left double, -1 right, -2 right double, 3 middle.
    virtual void MouseMove(int x, int y);
    virtual void MouseDown(int x, int y, int clickCode);
    virtual void MouseUp(int x, int y, int clickCode);
    virtual void MouseExit();
    virtual void MouseWheel(int steps);
    virtual void KeyDown(int keyCode);
    virtual void KeyUp(int keyCode);
    virtual void KeyChar(char c);
    virtual void GotFocus();
    virtual void LostFocus();

    // Button bits: 1 left, 2 right, 4 middle.
    void DeliverMouseUps(Widget* widget, int buttons);
    void ReleaseHeldButtons();
    void PushModalLayer(Widget* widget);
    void PopModalLayer(Widget* widget);

    VornAppBase* mApp;
    // Non-zero while the key of that code is held (codes 0..254).
    std::array<uint8_t, 255> mKeyDown{};
    int mDownButtons = 0;
    Widget* mLastDownWidget = nullptr;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    // The image the tree is drawn onto; the application sets it after every
    // display set-up and clears it when the window goes.
    DDImage* mImage = nullptr;
    Rect mScreenRect;
    Rect mWindowRect;
};

} // namespace Vorn
