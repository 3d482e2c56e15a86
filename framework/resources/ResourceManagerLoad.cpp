// Loading the records of a group, at once or one per step, and the objects
// each kind of record makes.

#include "framework/resources/ResourceManager.h"

#include "framework/app/FileUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/FontData.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SysFont.h"
#include "framework/resources/ImageLib.h"
#include "framework/sound/SoundManager.h"

namespace Vorn {

namespace {

// Each byte of the source's low byte becomes the alpha of the pixel at the
// same place; sizes were checked by the caller.
void CopyAlpha(uint32_t* bits, int stride, int x0, int y0, const ImageLib::Image& alpha)
{
    const uint32_t* source = alpha.GetBits();
    for (int y = 0; y < alpha.GetHeight(); ++y) {
        uint32_t* row = bits + static_cast<size_t>(y0 + y) * static_cast<size_t>(stride) + x0;
        for (int x = 0; x < alpha.GetWidth(); ++x)
            row[x] = (row[x] & 0xFFFFFFu) | ((*source++ & 0xFFu) << 24);
    }
}

} // namespace

void ResourceManager::BeginGroupLoad(const std::string& group)
{
    mError.clear();
    mHasFailed = false;
    mCurResGroup = group;
    mCurResGroupList = &mResGroupMap[group];
    mCurResGroupListItr = mCurResGroupList->begin();
}

bool ResourceManager::LoadNextOfGroup()
{
    if (mHasFailed || !mCurResGroupList)
        return false;
    while (mCurResGroupListItr != mCurResGroupList->end()) {
        BaseRes* res = *mCurResGroupListItr++;
        if (res->mFromProgram || IsLoaded(*res))
            continue;
        switch (res->mType) {
        case kImage:
            return LoadImageResource(static_cast<ImageRes*>(res));
        case kSound:
            return LoadSoundResource(static_cast<SoundRes*>(res));
        case kFont:
            return LoadFontResource(static_cast<FontRes*>(res));
        default:
            break;
        }
    }
    return false;
}

bool ResourceManager::LoadGroup(const std::string& group)
{
    BeginGroupLoad(group);
    while (LoadNextOfGroup()) {
    }
    if (mHasFailed)
        return false;
    mLoadedGroups.insert(group);
    return true;
}

bool ResourceManager::LoadImageResource(ImageRes* res)
{
    ImageRef ref;
    bool isNew = false;
    if (mApp) {
        ImageLib::gAlphaOnlyColor = res->mAlphaColor;
        mApp->FindOrCreatePooledImage(ref, res->mPath, res->mVariant, &isNew);
        ImageLib::gAlphaOnlyColor = 0xFFFFFF;
    }
    MemoryImage* image = ref.GetImage();
    bool loaded = image != nullptr;
    if (!loaded)
        Fail(FormatString("Failed to load image: %s", res->mPath.c_str()));
    else if (isNew)
        loaded = (res->mAlphaImage.empty() || LoadAlphaSource(res, image)) &&
                 (res->mAlphaGridImage.empty() || LoadAlphaGrid(res, image));
    if (!loaded) {
        // A new entry left without its alpha must not be found by the retry.
        if (isNew)
            mApp->DiscardPooledImage(ref);
        ref.Release();
        return false;
    }

    ApplyImageSettings(res, image, ref);
    OnResourceLoaded(res);
    return true;
}

// Under the image lock: the main thread may walk the image set meanwhile.
void ResourceManager::ApplyImageSettings(ImageRes* res, MemoryImage* image, ImageRef& ref)
{
    const AutoCrit lock(mApp->ImageLock());
    image->ScanPixelFlags();
    res->mImage = ref;
    ref.Release();
    image->mPurgeBits = res->mPurgeBits;
    // Images of the display may live in a surface; plain memory images never
    // have one.
    DDImage* displayImage = dynamic_cast<DDImage*>(image);
    if (res->mDDSurface) {
        image->ScanPixelFlags();
        if (!image->mHasAlpha) {
            if (displayImage)
                displayImage->mWantDDSurface = true;
            image->mPurgeBits = true;
        }
    }
    // A shared image may already have been given a surface: it is then
    // palettized at the next rebuild of the display's images.
    if (res->mPalletize) {
        if (displayImage && displayImage->mSurface)
            image->mWantPal = true;
        else
            image->ReduceToPalette();
    }
    if (res->mA4R4G4B4)
        image->mD3DFlags |= kImageFlagUseA4R4G4B4;
    if (res->mA8R8G8B8)
        image->mD3DFlags |= kImageFlagUseA8R8G8B8;
    if (res->mMinimizeSubdivisions)
        image->mD3DFlags |= kImageFlagMinimizeSubdivision;
    if (res->mAnimation.mType != CelAnimation::kNone)
        image->mAnimation = std::make_unique<CelAnimation>(res->mAnimation);
    image->mNumRows = res->mRows;
    image->mNumCols = res->mCols;
    if (image->mPurgeBits)
        image->ReleaseMemoryBits();
}

bool ResourceManager::LoadAlphaSource(ImageRes* res, MemoryImage* image)
{
    const std::unique_ptr<ImageLib::Image> alpha = ImageLib::LoadImageFile(res->mAlphaImage, true);
    if (!alpha)
        return Fail(FormatString("Failed to load image: %s", res->mAlphaImage.c_str()));
    const AutoCrit lock(mApp->ImageLock());
    uint32_t* bits = image->GetBits();
    if (!bits || alpha->GetWidth() != image->mWidth || alpha->GetHeight() != image->mHeight)
        return Fail(FormatString("AlphaImage size mismatch between %s and %s", res->mPath.c_str(),
            res->mAlphaImage.c_str()));
    CopyAlpha(bits, image->mWidth, 0, 0, *alpha);
    image->MarkBitsChanged();
    return true;
}

bool ResourceManager::LoadAlphaGrid(ImageRes* res, MemoryImage* image)
{
    const std::unique_ptr<ImageLib::Image> grid = ImageLib::LoadImageFile(res->mAlphaGridImage, true);
    if (!grid)
        return Fail(FormatString("Failed to load image: %s", res->mAlphaGridImage.c_str()));
    const AutoCrit lock(mApp->ImageLock());
    // Rows and cols are 1 or more: the manifest refuses others.
    const int celWidth = image->mWidth / res->mCols;
    const int celHeight = image->mHeight / res->mRows;
    uint32_t* bits = image->GetBits();
    if (!bits || grid->GetWidth() != celWidth || grid->GetHeight() != celHeight)
        return Fail(FormatString("GridAlphaImage size mismatch between %s and %s", res->mPath.c_str(),
            res->mAlphaGridImage.c_str()));
    for (int row = 0; row < res->mRows; ++row) {
        for (int col = 0; col < res->mCols; ++col)
            CopyAlpha(bits, image->mWidth, col * celWidth, row * celHeight, *grid);
    }
    image->MarkBitsChanged();
    return true;
}

bool ResourceManager::LoadSoundResource(SoundRes* res)
{
    SoundManager* sounds = mApp ? mApp->mSoundManager.get() : nullptr;
    const int id = sounds ? sounds->GetFreeSoundId() : -1;
    if (id < 0)
        return Fail("Out of free sound ids");
    if (!sounds->LoadSound(static_cast<unsigned>(id), res->mPath))
        return Fail(FormatString("Failed to load sound: %s", res->mPath.c_str()));
    if (res->mVolume >= 0.0)
        sounds->SetBaseVolume(static_cast<unsigned>(id), res->mVolume);
    if (res->mPan != 0)
        sounds->SetBasePan(static_cast<unsigned>(id), res->mPan);
    res->mSoundId = id;
    res->mSoundManager = sounds;
    OnResourceLoaded(res);
    return true;
}

bool ResourceManager::LoadFontResource(FontRes* res)
{
    std::unique_ptr<Font> font;
    if (res->mSysFont) {
        bool bold = res->mBold;
        bool simulateBold = false;
        if (IsWindows9x()) {
            simulateBold = bold;
            bold = false;
        }
        auto sysFont = std::make_unique<SysFont>(res->mPath, res->mSize, bold, res->mItalic, res->mUnderline);
        sysFont->mDrawShadow = res->mShadow;
        sysFont->mSimulateBold = simulateBold;
        font = std::move(sysFont);
    } else if (!res->mImagePath.empty()) {
        std::unique_ptr<DDImage> image = mApp ? mApp->GetImage(res->mImagePath) : nullptr;
        if (!image)
            return Fail(FormatString("Failed to load image: %s", res->mImagePath.c_str()));
        MemoryImage* fontImage = image.get();
        res->mImage = std::move(image);
        font = std::make_unique<ImageFont>(fontImage, res->mPath);
    } else if (res->mPath.starts_with("!ref:")) {
        const std::string id = res->mPath.substr(5);
        const Font* other = GetFontRef(id);
        if (!other)
            return Fail("Ref font not found: " + id);
        font = other->Duplicate();
    } else {
        font = std::make_unique<ImageFont>(mApp, res->mPath);
    }

    if (auto* imageFont = dynamic_cast<ImageFont*>(font.get())) {
        if (!imageFont->mFontData || !imageFont->mFontData->mInitialized) {
            res->mImage.reset();
            return Fail(FormatString("Failed to load font: %s", res->mPath.c_str()));
        }
        // Split in place: a tags text may be of any length.
        if (!res->mTags.empty()) {
            constexpr const char* kSeparators = " ,\r\n\t";
            size_t start = res->mTags.find_first_not_of(kSeparators);
            while (start != std::string::npos) {
                const size_t end = res->mTags.find_first_of(kSeparators, start);
                imageFont->AddTag(res->mTags.substr(start, end - start));
                start = res->mTags.find_first_not_of(kSeparators, end);
            }
            imageFont->Prepare();
        }
    }
    res->mFont = std::move(font);
    OnResourceLoaded(res);
    return true;
}

int ResourceManager::CountGroupResources(const std::string& group) const
{
    if (group.empty())
        return static_cast<int>(mImageMap.size() + mSoundMap.size() + mFontMap.size());
    int count = 0;
    for (const ResMap* map : {&mImageMap, &mSoundMap, &mFontMap}) {
        for (const auto& [id, res] : *map)
            count += res->mResGroup == group && !res->mFromProgram;
    }
    return count;
}

} // namespace Vorn
