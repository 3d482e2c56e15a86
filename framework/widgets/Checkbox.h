#pragma once
// A two-state box: drawn from two pictures, from two rectangles of one
// picture, or as a plain box with a cross. Any mouse button flips it; it
// reports its new state to its listener under its id.

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/Widget.h"

namespace Vorn {

class CheckboxListener;
class Image;

class Checkbox : public Widget {
public:
    // The pictures are not owned; the listener may be null.
    Checkbox(Image* uncheckedImage, Image* checkedImage, int id, CheckboxListener* listener);

    // With tellListener the listener hears the state even when it did not
    // change.
    virtual void SetChecked(bool checked, bool tellListener);
    virtual bool IsChecked();

    void Draw(Graphics* g) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;

    CheckboxListener* mListener;
    int mId;
    bool mChecked = false;
    Image* mUncheckedImage;
    Image* mCheckedImage;
    // With a width, both states are cut from the unchecked picture.
    Rect mCheckedRect;
    Rect mUncheckedRect;
    Color mOutlineColor{255, 255, 255};
    Color mBkgColor{80, 80, 80};
    Color mCheckColor{255, 255, 0};
};

} // namespace Vorn
