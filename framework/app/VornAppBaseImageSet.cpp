// The set of live memory images and the walks over it after display changes.

#include "framework/app/VornAppBase.h"

#include "framework/display/D3DTester.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/MemoryImage.h"

namespace Vorn {

// Images may be made before the display exists (and in tests without one);
// the set is then guarded by the application's own lock.
CriticalSection& VornAppBase::ImageLock()
{
    return mDDInterface ? mDDInterface->mCritSect : mCritSect;
}

namespace {

// Every walk holds the lock: the loading thread adds and removes images
// while the main thread walks.
template <typename Operation>
void ForEachImage(VornAppBase& app, Operation operation)
{
    AutoCrit lock(app.ImageLock());
    for (MemoryImage* image : app.mMemoryImageSet)
        operation(*image);
}

} // namespace

void VornAppBase::AddToImageSet(MemoryImage* image)
{
    AutoCrit lock(ImageLock());
    mMemoryImageSet.insert(image);
}

void VornAppBase::RemoveFromImageSet(MemoryImage* image)
{
    AutoCrit lock(ImageLock());
    mMemoryImageSet.erase(image);
    DropTextureData(image);
}

bool VornAppBase::Is3DEnabled() const
{
    return mDDInterface && mDDInterface->mIs3D;
}

void VornAppBase::DropTextureData(MemoryImage* image)
{
    if (mDDInterface)
        mDDInterface->DropTextureData(image);
}

bool VornAppBase::ReadBackTextureBits(MemoryImage* image)
{
    return mDDInterface && mDDInterface->ReadBackTextureBits(image);
}

bool VornAppBase::Is3DSupported() const
{
    return mDDInterface && mDDInterface->mD3DTester && mDDInterface->mD3DTester->mFailureReason.empty();
}

bool VornAppBase::Is3DRecommended() const
{
    return Is3DSupported() && mDDInterface->mD3DTester->mWarning.empty();
}

void VornAppBase::RebuildAllImages()
{
    ForEachImage(*this, [](MemoryImage& image) { image.ReInit(); });
}

void VornAppBase::FreeAllImageSoftwareData()
{
    ForEachImage(*this, [](MemoryImage& image) { image.FreeNativeData(); });
}

void VornAppBase::FreeAllImageDerivedData()
{
    ForEachImage(*this, [](MemoryImage& image) { image.FreeDerivedData(); });
}

} // namespace Vorn
