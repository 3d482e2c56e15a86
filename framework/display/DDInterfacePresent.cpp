// Presentation of frames and the software cursor.

#include "framework/display/DDInterface.h"

#include "framework/display/D3DInterface.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "platform/Frame.h"
#include "platform/Surface.h"
#include "platform/Window.h"

#include <algorithm>
#include <climits>

namespace Vorn {

namespace {

bool IsEmpty(const Rect& rect)
{
    return rect.mWidth <= 0 || rect.mHeight <= 0;
}

Rect Bounds(const Platform::Surface& surface)
{
    return Rect(0, 0, surface.Width(), surface.Height());
}

Rect Moved(const Rect& rect, int dx, int dy)
{
    return Rect(rect.mX + dx, rect.mY + dy, rect.mWidth, rect.mHeight);
}

const Rect kWholeArea(0, 0, DDInterface::kCursorAreaWidth, DDInterface::kCursorAreaHeight);

// Copies a rectangle of one surface into a rectangle of another, stretched
// when the sizes differ.
int32_t Copy(Platform::Surface& dest, const Rect& to, const Platform::Surface& source, const Rect& from)
{
    const Platform::SurfaceRect destRect{to.mX, to.mY, to.mX + to.mWidth, to.mY + to.mHeight};
    const Platform::SurfaceRect sourceRect{from.mX, from.mY, from.mX + from.mWidth, from.mY + from.mHeight};
    return dest.Blt(&destRect, &source, &sourceRect, Platform::kBltWait);
}

// The frame onto the screen. A mode larger than the frame shows it stretched
// by area, as the window shows a mode smaller than the desktop: every pixel
// of the frame keeps the same weight. Refusals are those of a blit.
int32_t PresentFrameOnto(Platform::Surface& screen, const Rect& to, Platform::Surface& frame, const Rect& from)
{
    if (to.mWidth == from.mWidth && to.mHeight == from.mHeight)
        return Copy(screen, to, frame, from);
    if (IsEmpty(to) || IsEmpty(from) || to.Intersection(Bounds(screen)) != to ||
        from.Intersection(Bounds(frame)) != from)
        return Platform::kDDErrInvalidRect;
    Platform::LockedPixels source;
    int32_t result = frame.Lock(source);
    if (result != Platform::kDDOk)
        return result;
    Platform::LockedPixels target;
    result = screen.Lock(target);
    if (result == Platform::kDDOk) {
        // Locked by someone else before: whoever holds the pixels is still
        // at them.
        if (screen.LockCount() > 1 || frame.LockCount() > 1) {
            result = Platform::kDDErrSurfaceBusy;
        } else {
            const Platform::Frame shown{source.bits + static_cast<ptrdiff_t>(from.mY) * source.pitch +
                                            static_cast<ptrdiff_t>(from.mX) * frame.Format().BytesPerPixel(),
                                        source.pitch, from.mWidth, from.mHeight, frame.Format()};
            uint8_t* corner = target.bits + static_cast<ptrdiff_t>(to.mY) * target.pitch +
                              static_cast<ptrdiff_t>(to.mX) * screen.Format().BytesPerPixel();
            if (!Platform::ScaleToFormat(shown, corner, target.pitch, screen.Format(), to.mWidth, to.mHeight))
                result = Platform::kDDErrInvalidParams;
        }
        screen.Unlock();
    }
    frame.Unlock();
    return result;
}

// Saves into a cursor-area surface what lies on the surface under the area;
// the part saved, in area coordinates, is empty when nothing was.
Rect TakeArea(Platform::Surface& areaSurface, const Rect& area, const Platform::Surface& surface)
{
    const Rect visible = area.Intersection(Bounds(surface));
    const Rect part = Moved(visible, -area.mX, -area.mY);
    if (IsEmpty(part) || Copy(areaSurface, part, surface, visible) != Platform::kDDOk)
        return Rect();
    return part;
}

// Puts a part of a cursor-area surface onto the surface where the area lies,
// as far as it lies on the surface.
void PutArea(Platform::Surface& surface, const Rect& area, const Platform::Surface& areaSurface, const Rect& part)
{
    const Rect to = Moved(part, area.mX, area.mY).Intersection(Bounds(surface));
    if (!IsEmpty(to))
        Copy(surface, to, areaSurface, Moved(to, -area.mX, -area.mY));
}

// Far enough for any move to leave the area, near enough to add to a
// position without overflowing.
int32_t ClampedStep(int32_t to, int32_t from)
{
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{to} - from, -DDInterface::kCursorAreaWidth,
                                                    DDInterface::kCursorAreaWidth));
}

} // namespace

Platform::Surface* DDInterface::FrameSurface() const
{
    return mDrawToVideoMemory ? mBackSurface.get() : mDrawSurface.get();
}

Rect DDInterface::CursorAreaOn(const Platform::Surface& surface, int x, int y) const
{
    int64_t left = int64_t{x} - kCursorAreaWidth / 2;
    int64_t top = int64_t{y} - kCursorAreaHeight / 2;
    // A frame in a window lands at the presentation rectangle's corner of the
    // screen; the cursor goes into it where it will show on the screen.
    if (mIsWindowed && &surface != mPrimarySurface.get()) {
        left -= mPresentationRect.mX;
        top -= mPresentationRect.mY;
    }
    // Positions far off the screen stay far off, short of overflowing.
    const auto corner = [](int64_t value) {
        return static_cast<int>(std::clamp<int64_t>(value, INT_MIN / 2, INT_MAX / 2));
    };
    return Rect(corner(left), corner(top), kCursorAreaWidth, kCursorAreaHeight);
}

bool DDInterface::Redraw(const Rect* clip)
{
    const AutoCrit lock(mCritSect);
    if (!mInitialized)
        return false;
    if (mIs3D) {
        // A device error anywhere in the frame: the next initialisation is
        // a 2D one.
        if (!mD3DInterface->mLastError.empty()) {
            mErrorString = mD3DInterface->mLastError;
            mIs3D = false;
            return false;
        }
        mD3DInterface->EndOpenScene();
    }

    const Rect buffer(0, 0, mWidth, mHeight);
    Rect source = buffer;
    Rect dest = mPresentationRect;
    // A clipped frame in a window would leave the cursor where it was outside
    // the rectangle and miss it where it went.
    // A rectangle that holds the whole buffer (the board marks all of it
    // every frame) is no clip: the frame goes out whole, in one pass.
    const bool clipped = clip && clip->Intersection(buffer) != buffer && !mIsStretched &&
                         !(mIsWindowed && mCursorImage);
    if (clipped) {
        source = clip->Intersection(buffer);
        if (IsEmpty(source))
            return true;
        dest = source;
    }

    mInRedraw = true;
    Platform::Surface* cursorFrame = nullptr;
    // Set where the frame reached the window in the pass that copied it.
    std::optional<bool> shown;
    int32_t result;
    const char* operation;
    if (!mIsWindowed) {
        if (mApp->mUseFlipping && !mApp->mMessageBoxPopup) {
            Platform::Surface& back = *mBackSurface;
            if (!mDrawToVideoMemory)
                PresentFrameOnto(back, dest, *mDrawSurface, source);
            mCursorX = mNextCursorX;
            mCursorY = mNextCursorY;
            DrawCursorOnto(back);
            cursorFrame = &back;
            mInRedraw = false;
            result = mPrimarySurface->Flip();
            operation = "Redraw FullScreen Flip";
        } else {
            // The frame replaces what the cursor covers: the cursor comes off
            // the screen first, and the cursor thread draws it at its next
            // move.
            RestoreUnderCursor(*mPrimarySurface);
            if (!clipped)
                shown = PresentWholeFrame(*mDrawSurface, source, dest);
            result = shown ? Platform::kDDOk : PresentFrameOnto(*mPrimarySurface, dest, *mDrawSurface, source);
            operation = "Redraw FullScreen Blt";
        }
    } else {
        // The cursor thread may have drawn the cursor beside the frame (the
        // bars of a pillarboxed window), where the frame will not cover it.
        RestoreUnderCursor(*mPrimarySurface);
        Platform::Surface& frame = *FrameSurface();
        mCursorX = mNextCursorX;
        mCursorY = mNextCursorY;
        DrawCursorOnto(frame);
        cursorFrame = &frame;
        if (!clipped)
            shown = PresentWholeFrame(frame, source, dest);
        result = shown ? Platform::kDDOk : PresentFrameOnto(*mPrimarySurface, dest, frame, source);
        operation = "Redraw Windowed";
    }
    // The cursor stays on the screen alone: the surface it went through is
    // drawn on again for the next frame. What the saved area holds is what
    // the screen shows under the cursor.
    if (cursorFrame && mHasSavedBackground) {
        RestoreUnderCursor(*cursorFrame);
        mHasSavedBackground = result == Platform::kDDOk;
    }
    mInRedraw = false;
    if (CheckHResult(result, operation))
        return false;
    if (shown)
        return *shown;
    // In a window only the rectangle copied changed on the screen.
    return PresentScreen(clipped && mIsWindowed ? &dest : nullptr);
}

bool DDInterface::PresentCursor()
{
    const AutoCrit lock(mCritSect);
    if (!mInitialized || !mScreenChanged)
        return true;
    return PresentScreen();
}

Rect DDInterface::ScreenRect() const
{
    const Platform::Size drawable = mWindow->DrawableSize();
    if (mIsWindowed || drawable.width <= 0 || drawable.height <= 0)
        return Rect(0, 0, drawable.width, drawable.height);
    // The mode fills the desktop's height or its width, whichever it reaches
    // first, and is centred in the other.
    int64_t width = drawable.width;
    int64_t height = drawable.height;
    if (width * mDisplayHeight > height * mDisplayWidth)
        width = int64_t{mDisplayWidth} * drawable.height / mDisplayHeight;
    else
        height = int64_t{mDisplayHeight} * drawable.width / mDisplayWidth;
    return Rect(static_cast<int>((drawable.width - width) / 2), static_cast<int>((drawable.height - height) / 2),
                static_cast<int>(width), static_cast<int>(height));
}

void DDInterface::WindowToScreen(int& x, int& y)
{
    const AutoCrit lock(mCritSect);
    const Rect& shown = mScreenRectInWindow;
    if (shown.mWidth <= 0 || shown.mHeight <= 0)
        return;
    x = static_cast<int>((int64_t{x} - shown.mX) * mDisplayWidth / shown.mWidth);
    y = static_cast<int>((int64_t{y} - shown.mY) * mDisplayHeight / shown.mHeight);
}

bool DDInterface::PresentScreen(const Rect* area)
{
    // What the cursor steps changed may lie outside the area: all goes.
    if (mScreenChanged.exchange(false))
        area = nullptr;
    if (!mWindow) {
        CheckHResult(kDDErrNoHWnd, "Present");
        return false;
    }
    Platform::LockedPixels pixels;
    if (CheckHResult(mPrimarySurface->Lock(pixels), "Present"))
        return false;
    const Platform::Frame frame{pixels.bits, pixels.pitch, mPrimarySurface->Width(), mPrimarySurface->Height(),
                                mPrimarySurface->Format()};
    mScreenRectInWindow = ScreenRect();
    const Rect& to = mScreenRectInWindow;
    const Platform::Rect destination{to.mX, to.mY, to.mWidth, to.mHeight};
    const bool shown =
        area ? mWindow->PresentArea(frame, destination, Platform::Rect{area->mX, area->mY, area->mWidth, area->mHeight})
             : mWindow->Present(frame, destination);
    mPrimarySurface->Unlock();
    if (!shown)
        mErrorString = "Present: " + mWindow->Error();
    return shown;
}

std::optional<bool> DDInterface::PresentWholeFrame(Platform::Surface& frame, const Rect& from, const Rect& to)
{
    Platform::Surface& screen = *mPrimarySurface;
    if (!mWindow || &frame == &screen || to != Bounds(screen) || from.mWidth != to.mWidth ||
        from.mHeight != to.mHeight || from.Intersection(Bounds(frame)) != from || !(frame.Format() == screen.Format()))
        return std::nullopt;
    Platform::LockedPixels source;
    if (frame.Lock(source) != Platform::kDDOk)
        return std::nullopt;
    std::optional<bool> shown;
    Platform::LockedPixels target;
    if (screen.Lock(target) == Platform::kDDOk) {
        // Pixels someone else holds: the copy refuses them.
        if (frame.LockCount() == 1 && screen.LockCount() == 1) {
            mScreenChanged = false;
            mScreenRectInWindow = ScreenRect();
            const Rect& in = mScreenRectInWindow;
            const Platform::Frame pixels{source.bits + static_cast<ptrdiff_t>(from.mY) * source.pitch +
                                             static_cast<ptrdiff_t>(from.mX) * frame.Format().BytesPerPixel(),
                                         source.pitch, from.mWidth, from.mHeight, frame.Format()};
            shown = mWindow->PresentCopying(pixels, Platform::Rect{in.mX, in.mY, in.mWidth, in.mHeight}, target.bits,
                                            target.pitch);
            if (!*shown)
                mErrorString = "Present: " + mWindow->Error();
        }
        screen.Unlock();
    }
    frame.Unlock();
    return shown;
}

bool DDInterface::SetCursorImage(Image* image)
{
    const AutoCrit lock(mCritSect);
    const bool changed = image != mCursorImage;
    // Without an image no later step would take the old cursor off the
    // screen.
    if (!image && mInitialized)
        RestoreUnderCursor(*mPrimarySurface);
    mCursorImage = image;
    return changed;
}

void DDInterface::SetCursorPos(int x, int y)
{
    mNextCursorX = x;
    mNextCursorY = y;
    if (mInRedraw)
        return;
    const AutoCrit lock(mCritSect);
    if (!mInitialized)
        return;
    if (!mHasSavedBackground) {
        mCursorX = x;
        mCursorY = y;
        DrawCursorOnto(*mPrimarySurface);
    } else {
        MoveCursor(*mPrimarySurface, x, y);
    }
}

void DDInterface::DrawCursorOnto(Platform::Surface& surface)
{
    const AutoCrit lock(mCritSect);
    mHasSavedBackground = false;
    if (!mCursorImage || !mInitialized)
        return;
    const Rect area = CursorAreaOn(surface, mCursorX, mCursorY);
    // Clipped against the surface drawn onto, so that the part restored later
    // is the part saved, also near its right and bottom edges.
    const Rect part = TakeArea(*mOldCursorArea, area, surface);
    // A cursor drawn over pixels that were not saved could never be taken
    // off again.
    if (IsEmpty(part))
        return;
    mHasSavedBackground = true;
    mSavedCursorPart = part;
    Copy(*mNewCursorArea, part, *mOldCursorArea, part);
    DrawCursorImage(mNewCursorImage.get(), 0, 0, kWholeArea);
    PutArea(surface, area, *mNewCursorArea, part);
    if (&surface == mPrimarySurface.get())
        mScreenChanged = true;
}

void DDInterface::DrawCursorImage(DDImage* area, int dx, int dy, const Rect& clip)
{
    if (!area || !mCursorImage)
        return;
    Graphics graphics(area);
    graphics.ClipRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight);
    graphics.DrawImage(mCursorImage, (kCursorAreaWidth - mCursorImage->GetWidth()) / 2 + dx,
        (kCursorAreaHeight - mCursorImage->GetHeight()) / 2 + dy);
}

void DDInterface::RestoreUnderCursor(Platform::Surface& surface)
{
    const AutoCrit lock(mCritSect);
    if (mHasSavedBackground && mInitialized) {
        PutArea(surface, CursorAreaOn(surface, mCursorX, mCursorY), *mOldCursorArea, mSavedCursorPart);
        if (&surface == mPrimarySurface.get())
            mScreenChanged = true;
    }
    mHasSavedBackground = false;
}

void DDInterface::MoveCursor(Platform::Surface& surface, int x, int y)
{
    const AutoCrit lock(mCritSect);
    if (!mCursorImage || !mInitialized) {
        mHasSavedBackground = false;
        return;
    }
    if (!mHasSavedBackground) {
        mCursorX = x;
        mCursorY = y;
        DrawCursorOnto(surface);
        return;
    }
    const Rect oldArea = CursorAreaOn(surface, mCursorX, mCursorY);
    const Rect newArea = CursorAreaOn(surface, x, y);
    const Rect newPart = TakeArea(*mNewCursorArea, newArea, surface);

    // Where the two areas overlap, the new save shows the old cursor: the
    // true background comes from the old save. Only pixels both saved and
    // to be restored take part.
    const int32_t dx = ClampedStep(x, mCursorX);
    const int32_t dy = ClampedStep(y, mCursorY);
    const Rect overlap = Rect(dx, dy, kCursorAreaWidth, kCursorAreaHeight)
                             .Intersection(kWholeArea)
                             .Intersection(mSavedCursorPart)
                             .Intersection(Moved(newPart, dx, dy));
    if (!IsEmpty(overlap)) {
        Copy(*mNewCursorArea, Moved(overlap, -dx, -dy), *mOldCursorArea, overlap);
        // Restoring the old area then already shows the new cursor where the
        // two overlap, and only there: a cursor larger than its area would
        // otherwise leave pixels outside the new area that nothing restores.
        DrawCursorImage(mOldCursorImage.get(), dx, dy, overlap);
    }

    PutArea(surface, oldArea, *mOldCursorArea, mSavedCursorPart);
    Copy(*mOldCursorArea, kWholeArea, *mNewCursorArea, kWholeArea);
    DrawCursorImage(mNewCursorImage.get(), 0, 0, kWholeArea);
    PutArea(surface, newArea, *mNewCursorArea, newPart);

    mCursorX = x;
    mCursorY = y;
    mHasSavedBackground = !IsEmpty(newPart);
    mSavedCursorPart = newPart;
    if (&surface == mPrimarySurface.get())
        mScreenChanged = true;
}

} // namespace Vorn
