// Images from files, and the images shared by path and variant with their
// deferred freeing.

#include "framework/app/VornAppBase.h"

#include "framework/app/StringUtils.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/resources/ImageLib.h"

#include <algorithm>
#include <memory>

namespace Vorn {

// Display images need the display: there is none before Init makes it.
std::unique_ptr<DDImage> VornAppBase::GetImage(const std::string& path)
{
    if (!mDDInterface)
        return nullptr;
    const std::unique_ptr<ImageLib::Image> decoded = ImageLib::LoadImageFile(path, true);
    if (!decoded)
        return nullptr;
    // Filled under the image lock: the loading thread makes images while the
    // main thread walks the image set.
    const AutoCrit lock(ImageLock());
    auto image = std::make_unique<DDImage>(mDDInterface.get());
    image->mFilePath = path;
    image->SetBits(decoded->GetBits(), decoded->GetWidth(), decoded->GetHeight());
    return image;
}

std::unique_ptr<DDImage> VornAppBase::CopyImageRect(Image* image, const Rect& rect)
{
    if (!mDDInterface)
        return nullptr;
    const AutoCrit lock(ImageLock());
    auto copy = std::make_unique<DDImage>(mDDInterface.get());
    copy->Create(rect.mWidth, rect.mHeight);
    Graphics graphics(copy.get());
    graphics.DrawImage(image, -rect.mX, -rect.mY);
    copy->CopyAttributes(*image);
    return copy;
}

std::unique_ptr<DDImage> VornAppBase::CopyImage(Image* image)
{
    return CopyImageRect(image, Rect(0, 0, image->GetWidth(), image->GetHeight()));
}

std::unique_ptr<MemoryImage> VornAppBase::MakeSharedImage(const std::string& path)
{
    if (!path.starts_with('!'))
        return GetImage(path);
    if (!mDDInterface)
        return nullptr;
    return std::make_unique<DDImage>(mDDInterface.get());
}

void VornAppBase::FindOrCreatePooledImage(ImageRef& reference, const std::string& path, const std::string& variant,
                                          bool* isNew)
{
    SharedImage* shared = nullptr;
    bool created = false;
    {
        AutoCrit lock(ImageLock());
        const auto [entry, inserted] = mSharedImageMap.try_emplace({StringToUpper(path), StringToUpper(variant)});
        shared = &entry->second;
        created = inserted;
        if (created)
            shared->mLoading = true;
        reference = &shared->mPooled;
    }
    if (isNew)
        *isNew = created;
    if (!created) {
        WaitForSharedImage(*shared);
        return;
    }
    std::unique_ptr<MemoryImage> image;
    try {
        image = MakeSharedImage(path);
    } catch (...) {
        // The entry stays without an image, as for a file that cannot be
        // read; those waiting for it must not wait for ever.
        FinishSharedImage(*shared, nullptr);
        throw;
    }
    FinishSharedImage(*shared, std::move(image));
}

void VornAppBase::FinishSharedImage(SharedImage& shared, std::unique_ptr<MemoryImage> image)
{
    {
        const std::lock_guard lock(mSharedImageLoadMutex);
        shared.mPooled.mImage = image.release();
        shared.mLoading = false;
    }
    mSharedImageLoaded.notify_all();
}

void VornAppBase::WaitForSharedImage(const SharedImage& shared)
{
    std::unique_lock lock(mSharedImageLoadMutex);
    mSharedImageLoaded.wait(lock, [&shared] { return !shared.mLoading; });
}

void VornAppBase::DiscardPooledImage(ImageRef& reference)
{
    AutoCrit lock(ImageLock());
    PooledImage* pooled = reference.mPooled;
    reference.Release();
    if (!pooled || pooled->mRefCount.load() != 0)
        return;
    const auto entry = std::find_if(mSharedImageMap.begin(), mSharedImageMap.end(),
        [pooled](const auto& candidate) { return &candidate.second.mPooled == pooled; });
    if (entry == mSharedImageMap.end())
        return;
    delete pooled->mImage;
    mSharedImageMap.erase(entry);
}

void VornAppBase::FreeUnusedSharedImages()
{
    // Every update asks; the display lock is taken only when there is work.
    if (!mCleanSharedImages.load())
        return;
    AutoCrit lock(ImageLock());
    // Cleared before the walk: a count that drops to 0 behind it asks again.
    if (!mCleanSharedImages.exchange(false))
        return;
    std::erase_if(mSharedImageMap, [](const auto& entry) {
        const PooledImage& pooled = entry.second.mPooled;
        if (pooled.mRefCount.load() != 0)
            return false;
        delete pooled.mImage;
        return true;
    });
}

void VornAppBase::DeleteAllSharedImages()
{
    AutoCrit lock(ImageLock());
    for (const auto& [key, shared] : mSharedImageMap)
        delete shared.mPooled.mImage;
    mSharedImageMap.clear();
}

} // namespace Vorn
