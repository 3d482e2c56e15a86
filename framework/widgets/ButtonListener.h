#pragma once
// What a push button reports to its owner, under the button's id. Every
// operation does nothing by default: an owner overrides what it needs.

namespace Vorn {

class ButtonListener {
public:
    // A mouse button went down on the button; clickCount is 2 for a double
    // click. Owners that do not care about the count get ButtonPress.
    virtual void ButtonPressClicks(int id, int clickCount);
    virtual void ButtonPress(int id);
    // The click: released while hovered and while the application has focus.
    virtual void ButtonDepress(int id);
    // Every update while pressed and hovered.
    virtual void ButtonDownTick(int id);
    virtual void ButtonMouseEnter(int id);
    virtual void ButtonMouseLeave(int id);
    // Widget-local position.
    virtual void ButtonMouseMove(int id, int x, int y);

protected:
    // Never deleted through the interface.
    ~ButtonListener() = default;
};

} // namespace Vorn
