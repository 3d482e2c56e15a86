#pragma once
// Every visible element, from a whole screen to a check box: a container with
// the states the manager keeps for it (hovered, pressed, focused), a colour
// table, tab neighbours, and the default behaviour of every input slot.
// Coordinates handed to the input slots are widget-local. Deleted through
// this base (the application's deferred deletion does so).

#include "framework/graphics/Color.h"
#include "framework/widgets/Margins.h"
#include "framework/widgets/WidgetContainer.h"

#include <string>
#include <vector>

namespace Vorn {

class Font;
class Image;

class Widget : public WidgetContainer {
public:
    Widget() = default;

    // Called after the widget was moved in its parent's list.
    virtual void ZOrderChanged();
    virtual void SetVisible(bool visible);
    // The table is emptied and refilled, one colour per row.
    virtual void SetColors(const int (*colors)[4], int count);
    virtual void SetColors(const int (*colors)[3], int count);
    // Grows the table with default colours as needed; a negative index does
    // nothing.
    virtual void SetColor(int index, const Color& color);
    // The default when the index lies outside the table.
    virtual const Color& GetColor(int index, const Color& defaultColor) const;
    // Black when the index lies outside the table.
    virtual const Color& GetColor(int index) const;
    // Disabling drops the widget from every role it has in the manager.
    virtual void SetDisabled(bool disabled);
    virtual void ShowHandCursor(bool show);
    virtual void Resize(const Rect& rect);
    virtual void Resize(int x, int y, int width, int height);
    virtual void Move(int x, int y);
    virtual bool WantsFocus();
    virtual void DrawOverlay(Graphics* g, int priority);
    virtual void DrawOverlay(Graphics* g);
    virtual void GotFocus();
    virtual void LostFocus();
    virtual void KeyChar(char c);
    // Tab moves the focus to the next widget in tab order, with Shift held to
    // the previous one.
    virtual void KeyDown(int keyCode);
    virtual void KeyUp(int keyCode);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseMove(int x, int y);
    // Buttons: 0 left, 1 right, 2 middle.
    virtual void MouseDownButton(int x, int y, int button, int clickCount);
    // Click codes: 1 left, 2 left double, -1 right, -2 right double, 3 middle;
    // split into a button and a click count.
    virtual void MouseDown(int x, int y, int clickCode);
    virtual void MouseUpButton(int x, int y, int button, int clickCount);
    // MouseUpAt, then MouseUpButton with the split click code.
    virtual void MouseUp(int x, int y, int clickCode);
    virtual void MouseUpAt(int x, int y);
    virtual void MouseDrag(int x, int y);
    virtual void MouseWheel(int delta);
    // False lets the hit test fall through to what lies behind.
    virtual bool IsPointVisible(int x, int y);

    // The text is centred across the widget at baseline y in the shadow
    // colour shifted by the offsets, then in the text colour; returns the
    // rectangle both cover.
    virtual Rect DrawTextCenteredShadowed(Graphics* g, Font* font, const std::string& text, int y,
        const Color& textColor, const Color& shadowColor, int offsetX, int offsetY);
    // In the graphics' font, centred across the widget at baseline y; returns
    // the text's rectangle (empty without a font).
    virtual Rect DrawTextCentered(Graphics* g, const std::string& text, int y);
    // With colour codes on for the call; returns the width drawn.
    virtual int DrawTextJustified(Graphics* g, const std::string& text, int x, int y, int width, int justification);
    // Word-wrapped, with colour codes on for the call; returns the height.
    virtual int DrawWrappedTextIn(Graphics* g, const std::string& text, const Rect& rect, int lineSpacing,
        int justification);
    virtual int MeasureWrappedHeight(Font* font, const std::string& text, int width, int lineSpacing);
    // Decimal digits of a non-negative number; 1 below 10.
    virtual int CountDigits(int number);
    // The strip holds the digits 0 to 9 in ten equal cells across its width;
    // each digit is cut from it, most significant first, cells `spacing`
    // apart. A negative number draws nothing.
    virtual void DrawDigitsFromStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing);

    // (x, y) in the parent's coordinates lies in the widget.
    virtual bool Contains(int x, int y) const;
    // The rectangle the mouse hits, in the parent's coordinates.
    virtual Rect GetInsetRect() const;

    bool mVisible = true;
    // Off: the widget itself is never hit, its children still are.
    bool mMouseVisible = true;
    bool mDisabled = false;
    bool mHasFocus = false;
    // A mouse button pressed on it is held.
    bool mIsDown = false;
    // The pointer hovers over it.
    bool mIsOver = false;
    bool mHasTransparencies = false;
    std::vector<Color> mColors;
    Margins mMouseInsets;
    // The hand cursor shows while it is hovered.
    bool mDoFinger = false;
    bool mWantsFocus = false;
    Widget* mTabPrev = nullptr;
    Widget* mTabNext = nullptr;
};

} // namespace Vorn
