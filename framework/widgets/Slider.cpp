#include "framework/widgets/Slider.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/SliderListener.h"
#include "framework/widgets/WidgetManager.h"

namespace Vorn {

Slider::Slider(Image* trackImage, Image* thumbImage, int id, SliderListener* listener)
    : mListener(listener), mId(id), mTrackImage(trackImage), mThumbImage(thumbImage)
{
}

void Slider::SetValue(double value)
{
    if (!(value > 0.0))
        value = 0.0;
    else if (value > 1.0)
        value = 1.0;
    mVal = value;
    MarkDirtyWhole();
}

bool Slider::HasTransparencies()
{
    return true;
}

int Slider::ThumbLength() const
{
    return mHorizontal ? mThumbImage->GetWidth() : mThumbImage->GetHeight();
}

int Slider::ThumbX() const
{
    if (mHorizontal)
        return static_cast<int>((mWidth - mThumbImage->GetWidth()) * mVal);
    return (mWidth - mThumbImage->GetWidth()) / 2;
}

int Slider::ThumbY() const
{
    if (mHorizontal)
        return (mHeight - mThumbImage->GetHeight()) / 2;
    return static_cast<int>((mHeight - mThumbImage->GetHeight()) * mVal);
}

bool Slider::OverThumb(int x, int y) const
{
    const int at = Along(x, y);
    const int thumb = Along(ThumbX(), ThumbY());
    return at >= thumb && at < thumb + ThumbLength();
}

void Slider::SetCursor(int cursor)
{
    if (mWidgetManager && mWidgetManager->mApp)
        mWidgetManager->mApp->SetCursor(cursor);
}

void Slider::TellListener()
{
    if (mListener)
        mListener->SliderVal(mId, mVal);
}

void Slider::Draw(Graphics* g)
{
    if (mTrackImage)
        DrawTrack(g);
    g->DrawImage(mThumbImage, ThumbX(), ThumbY());
}

// Three equal cells: both ends once, the middle repeated between them. A
// track too small for three cells of a pixel has nothing to repeat.
void Slider::DrawTrack(Graphics* g)
{
    const int trackLength = mHorizontal ? mTrackImage->GetWidth() : mTrackImage->GetHeight();
    const int cell = trackLength / 3;
    if (cell <= 0)
        return;
    const int breadth = mHorizontal ? mTrackImage->GetHeight() : mTrackImage->GetWidth();
    const int length = Length();
    const int across = ((mHorizontal ? mHeight : mWidth) - breadth) / 2;
    // Cell n of the track, drawn at `along` on the slider's axis.
    const auto cellRect = [&](int n) {
        return mHorizontal ? Rect(n * cell, 0, cell, breadth) : Rect(0, n * cell, breadth, cell);
    };
    const auto drawCell = [&](Graphics* on, int n, int along) {
        if (mHorizontal)
            on->DrawImage(mTrackImage, along, across, cellRect(n));
        else
            on->DrawImage(mTrackImage, across, along, cellRect(n));
    };
    drawCell(g, 0, 0);
    {
        Graphics middle(*g);
        if (mHorizontal)
            middle.ClipRect(cell, across, length - 2 * cell, breadth);
        else
            middle.ClipRect(across, cell, breadth, length - 2 * cell);
        const int repeats = (length - cell - 1) / cell;
        for (int i = 1; i <= repeats; ++i)
            drawCell(&middle, 1, i * cell);
    }
    drawCell(g, 2, length - cell);
}

void Slider::MouseLeave()
{
    if (!mDragging)
        SetCursor(VornAppBase::kCursorPointer);
}

void Slider::MouseMove(int x, int y)
{
    SetCursor(OverThumb(x, y) ? VornAppBase::kCursorDragging : VornAppBase::kCursorPointer);
}

void Slider::MouseDown(int x, int y, int)
{
    if (OverThumb(x, y)) {
        SetCursor(VornAppBase::kCursorDragging);
        mDragging = true;
        mRelX = x - ThumbX();
        mRelY = y - ThumbY();
        return;
    }
    // A slider of no length has no fraction to jump to.
    if (Length() > 0)
        SetValue(static_cast<double>(Along(x, y)) / Length());
}

void Slider::MouseUpAt(int, int)
{
    mDragging = false;
    SetCursor(VornAppBase::kCursorPointer);
    TellListener();
}

// A thumb as long as the slider (or longer) has no room to move.
void Slider::MouseDrag(int x, int y)
{
    const int room = Length() - ThumbLength();
    if (!mDragging || room <= 0)
        return;
    double value = static_cast<double>(Along(x - mRelX, y - mRelY)) / room;
    if (value < 0.0)
        value = 0.0;
    else if (value > 1.0)
        value = 1.0;
    if (value == mVal)
        return;
    mVal = value;
    TellListener();
    MarkDirtyWhole();
}

} // namespace Vorn
