#include "framework/graphics/ImageRef.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/MemoryImage.h"

namespace Vorn {

ImageRef::ImageRef(const ImageRef& other) : mPooled(other.mPooled), mUnshared(other.mUnshared)
{
    if (mPooled)
        ++mPooled->mRefCount;
}

ImageRef& ImageRef::operator=(const ImageRef& other)
{
    if (this == &other)
        return *this;
    Release();
    mPooled = other.mPooled;
    if (mPooled)
        ++mPooled->mRefCount;
    return *this;
}

ImageRef& ImageRef::operator=(PooledImage* pooled)
{
    // Counted first: releasing may drop the last count of this very record.
    ++pooled->mRefCount;
    Release();
    mPooled = pooled;
    return *this;
}

ImageRef& ImageRef::operator=(MemoryImage* image)
{
    Release();
    mUnshared = image;
    return *this;
}

void ImageRef::Release()
{
    if (mOwnsUnshared)
        delete mUnshared;
    mOwnsUnshared = false;
    mUnshared = nullptr;
    if (mPooled && --mPooled->mRefCount == 0 && gApplication)
        gApplication->mCleanSharedImages = true;
    mPooled = nullptr;
}

MemoryImage* ImageRef::GetImage() const
{
    if (mUnshared)
        return mUnshared;
    return mPooled ? mPooled->mImage : nullptr;
}

MemoryImage* ImageRef::GetSharedImage() const
{
    return mPooled ? mPooled->mImage : nullptr;
}

} // namespace Vorn
