#pragma once
// A value between 0 and 1 shown as a three-part track with a thumb that can
// be dragged; a click beside the thumb jumps to the clicked fraction. The
// listener hears the value during a drag and at every release. A vertical
// slider is the horizontal one with x and y, width and height swapped.

#include "framework/widgets/Widget.h"

namespace Vorn {

class Image;
class SliderListener;

class Slider : public Widget {
public:
    // The pictures are not owned; the thumb is required. The listener may be
    // null: then nobody hears the value.
    Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener);

    // Clamped to 0..1 (a value that is not a number becomes 0); the listener
    // is not told.
    virtual void SetValue(double value);
    // True: the slider paints its track and thumb, never its whole
    // rectangle, so whatever lies behind it shows around them and must be
    // painted first. For owners that layer widgets; the redraw walk of the
    // widget tree reads the widget flag mHasTransparencies instead, which
    // the slider leaves as every widget starts it.
    virtual bool HasTransparencies();

    void Draw(Graphics* g) override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCode) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;

    SliderListener* mListener;
    double mVal = 0.0;
    int mId;
    Image* mTrackImage;
    Image* mThumbImage;
    bool mDragging = false;
    // Where in the thumb it was grabbed.
    int mRelX = 0;
    int mRelY = 0;
    bool mHorizontal = true;

private:
    // Along the slider's axis: the coordinate, the slider's length and the
    // thumb's.
    int Along(int x, int y) const { return mHorizontal ? x : y; }
    int Length() const { return mHorizontal ? mWidth : mHeight; }
    int ThumbLength() const;
    // The thumb's top-left corner in the slider.
    int ThumbX() const;
    int ThumbY() const;
    bool OverThumb(int x, int y) const;
    void DrawTrack(Graphics* g);
    void SetCursor(int cursor);
    void TellListener();
};

} // namespace Vorn
