#pragma once
// Shared images as the application pools them, for tests and benchmarks:
// memory images decoded with the image loader, one per upper-cased path and
// variant, and a new entry taken back at once on request.

#include "framework/app/StringUtils.h"
#include "framework/graphics/ImageRef.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace Testing {

class ImagePool {
public:
    explicit ImagePool(Vorn::VornAppBase* app) : mApp(app) {}
    ~ImagePool()
    {
        for (auto& [key, pooled] : mPool)
            delete pooled->mImage;
    }
    ImagePool(const ImagePool&) = delete;
    ImagePool& operator=(const ImagePool&) = delete;

    void FindOrCreate(Vorn::ImageRef& reference, const std::string& path, const std::string& variant, bool* isNew)
    {
        auto& pooled = mPool[{Vorn::StringToUpper(path), Vorn::StringToUpper(variant)}];
        const bool created = pooled == nullptr;
        if (created) {
            pooled = std::make_unique<Vorn::PooledImage>();
            if (const auto decoded = ImageLib::LoadImageFile(path, true)) {
                pooled->mImage = new Vorn::MemoryImage(mApp);
                pooled->mImage->SetBits(decoded->GetBits(), decoded->GetWidth(), decoded->GetHeight());
            }
        }
        reference = pooled.get();
        if (isNew)
            *isNew = created;
    }

    void Discard(Vorn::ImageRef& reference)
    {
        Vorn::PooledImage* pooled = reference.mPooled;
        reference.Release();
        for (auto it = mPool.begin(); it != mPool.end(); ++it) {
            if (it->second.get() == pooled && pooled->mRefCount == 0) {
                delete pooled->mImage;
                mPool.erase(it);
                return;
            }
        }
    }

    Vorn::VornAppBase* mApp;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<Vorn::PooledImage>> mPool;
};

} // namespace Testing
