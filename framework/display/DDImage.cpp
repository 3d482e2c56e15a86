// A DDImage's life: construction and registration with the display, the 3D
// test, locking, attaching an outside surface, and the memory image
// operations that must also look after the surface.

#include "framework/display/DDImage.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDInterface.h"
#include "platform/Surface.h"

namespace Vorn {

DDImage::DDImage(DDInterface* display) : MemoryImage(display->mApp, Unregistered{}), mDisplay(display)
{
    mDisplay->RegisterImage(this);
    Register();
}

// Out of the image set first: a walk must not meet the image while its
// parts are going.
DDImage::~DDImage()
{
    if (mApp)
        mApp->RemoveFromImageSet(this);
    ReleaseSurface();
    mDisplay->UnregisterImage(this);
}

bool DDImage::UsesDirect3D() const
{
    return mDisplay->mIs3D && mSurface &&
           (mSurface == mDisplay->mDrawSurface || mSurface == mDisplay->mBackSurface);
}

bool DDImage::UsesDirect3D(const Image* image)
{
    return image && image->UsesDirect3D();
}

bool DDImage::IsCursorAreaImage() const
{
    return this == mDisplay->mOldCursorImage.get() || this == mDisplay->mNewCursorImage.get();
}

bool DDImage::LockSurface()
{
    if (UsesDirect3D())
        return false;
    if (mLockCount == 0) {
        mLockedSurfaceDesc = LockedDesc();
        Platform::Surface* surface = GetSurface();
        if (!surface)
            return false;
        Platform::LockedPixels pixels;
        if (surface->Lock(pixels) != Platform::kDDOk)
            return false;
        mLockedSurfaceDesc = LockedDesc{pixels.bits, pixels.pitch, surface->Format()};
    }
    ++mLockCount;
    return true;
}

bool DDImage::UnlockSurface()
{
    if (UsesDirect3D())
        return false;
    if (mLockCount == 0)
        return true;
    if (--mLockCount == 0 && mSurface)
        mSurface->Unlock();
    return true;
}

bool DDImage::SurfaceLockable()
{
    if (!LockSurface())
        return false;
    UnlockSurface();
    return true;
}

void DDImage::SetSurface(std::shared_ptr<Platform::Surface> surface)
{
    mSurfaceAttached = true;
    mSurface = std::move(surface);
    if (mSurface) {
        mWidth = mSurface->Width();
        mHeight = mSurface->Height();
    }
    mNoLock = false;
}

// The bits are the image's only copy once the surface is gone: a surface
// that was drawn on is read back before it goes.
void DDImage::ReleaseMemoryBits()
{
    if (mSurfaceAttached)
        return;
    mPurgeBits = true;
    ScanPixelFlags();
    if (mApp && mApp->Is3DEnabled()) {
        if (mSurface) {
            GetBits();
            FreeSurface();
        }
        MemoryImage::ReleaseMemoryBits();
        return;
    }
    if (mWantDDSurface && BuildSurface()) {
        mBits.reset();
        ForgetTriangleData();
        mColorIndices.reset();
        mColorTable.reset();
        return;
    }
    MemoryImage::ReleaseMemoryBits();
}

void DDImage::FreeDerivedData()
{
    if (mSurfaceAttached)
        return;
    MemoryImage::FreeDerivedData();
    FreeSurface();
}

void DDImage::FreeNativeData()
{
    if (mSurfaceAttached)
        return;
    MemoryImage::FreeNativeData();
    FreeSurface();
}

void DDImage::ReInit()
{
    MemoryImage::ReInit();
    if (mWantDDSurface)
        BuildSurface();
}

// An attached surface is the only store of the pixels: it stays.
void DDImage::MarkBitsChanged()
{
    MemoryImage::MarkBitsChanged();
    if (!mSurfaceAttached)
        ReleaseSurface();
}

// A lock held on a surface that goes is forgotten with it, so that no caller
// writes through its pointer and the caller's later unlock does nothing. The
// surface may be the display's and outlive the image.
void DDImage::ReleaseSurface()
{
    if (mLockCount > 0 && mSurface)
        mSurface->Unlock();
    mLockCount = 0;
    mLockedSurfaceDesc = LockedDesc();
    mSurface.reset();
}

void DDImage::ScanPixelFlags()
{
    if (!mSurface)
        MemoryImage::ScanPixelFlags();
}

// Drawing clips to the image's size: an attached image larger than its
// surface would draw past the surface's pixels.
bool DDImage::KeepsSurfaceSize(int width, int height) const
{
    return mSurfaceAttached && (width != mWidth || height != mHeight);
}

void DDImage::Create(int width, int height)
{
    if (width < 0 || height < 0 || KeepsSurfaceSize(width, height))
        return;
    mBits.reset();
    mColorIndices.reset();
    mColorTable.reset();
    mWidth = width;
    mHeight = height;
    MarkBitsChanged();
}

void DDImage::SetBits(const uint32_t* bits, int width, int height, bool commit)
{
    if (!KeepsSurfaceSize(width, height))
        MemoryImage::SetBits(bits, width, height, commit);
}

bool DDImage::ReduceToPalette()
{
    const bool reduced = MemoryImage::ReduceToPalette();
    if (reduced)
        FreeSurface();
    return reduced;
}

void DDImage::SetVideoMemory(bool videoMemory)
{
    if (videoMemory == mVideoMemory)
        return;
    mVideoMemory = videoMemory;
    GetBits();
    FreeSurface();
}

} // namespace Vorn
