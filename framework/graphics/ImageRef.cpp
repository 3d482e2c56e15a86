#include "framework/graphics/ImageRef.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/MemoryImage.h"

#include <utility>

namespace Vorn {

namespace {

PooledImage* Counted(PooledImage* pooled)
{
    if (pooled)
        pooled->mRefCount.fetch_add(1, std::memory_order_relaxed);
    return pooled;
}

} // namespace

ImageRef::ImageRef(const ImageRef& other) : mPooled(Counted(other.mPooled)), mUnshared(other.mUnshared) {}

ImageRef::ImageRef(ImageRef&& other) noexcept
    : mPooled(std::exchange(other.mPooled, nullptr)), mUnshared(std::exchange(other.mUnshared, nullptr)),
      mOwnsUnshared(std::exchange(other.mOwnsUnshared, false))
{
}

ImageRef& ImageRef::operator=(const ImageRef& other)
{
    // Assigning to itself would drop its own unshared image.
    if (this != &other)
        Replace(Counted(other.mPooled), other.mUnshared);
    return *this;
}

ImageRef& ImageRef::operator=(ImageRef&& other) noexcept
{
    if (this == &other)
        return *this;
    MemoryImage* unshared = std::exchange(other.mUnshared, nullptr);
    const bool owns = std::exchange(other.mOwnsUnshared, false);
    if (!Replace(std::exchange(other.mPooled, nullptr), unshared)) {
        mUnshared = unshared;
        mOwnsUnshared = owns;
    }
    return *this;
}

ImageRef& ImageRef::operator=(PooledImage* pooled)
{
    Replace(Counted(pooled), nullptr);
    return *this;
}

ImageRef& ImageRef::operator=(MemoryImage* image)
{
    if (!Replace(nullptr, image))
        mUnshared = image;
    return *this;
}

// Counted before the old record is released: the old one may be the same
// record, and dropping its last count first would let it be freed. An owned
// image that the incoming side holds as well (a copy of this reference
// assigned back) is not deleted: it stays here, still owned, since the other
// side does not own it.
bool ImageRef::Replace(PooledImage* pooled, const MemoryImage* incoming)
{
    MemoryImage* kept = mOwnsUnshared && mUnshared == incoming ? mUnshared : nullptr;
    if (kept)
        mOwnsUnshared = false;
    Release();
    mPooled = pooled;
    if (!kept)
        return false;
    mUnshared = kept;
    mOwnsUnshared = true;
    return true;
}

void ImageRef::Release()
{
    if (mOwnsUnshared)
        delete mUnshared;
    mOwnsUnshared = false;
    mUnshared = nullptr;
    PooledImage* pooled = std::exchange(mPooled, nullptr);
    if (pooled && pooled->mRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1 && gApplication)
        gApplication->mCleanSharedImages = true;
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
