// The pixel store of a memory image and its lifetime: construction and
// registration, the master copy and its rebuilding, the alpha flags.

#include "framework/graphics/MemoryImage.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/PaletteBuilder.h"

#include <algorithm>
#include <cstring>

namespace Vorn {

namespace {

template <typename T>
std::unique_ptr<T[]> CopyArray(const T* from, size_t count)
{
    if (!from)
        return nullptr;
    auto copy = std::make_unique<T[]>(count);
    std::copy_n(from, count, copy.get());
    return copy;
}

// One channel of a premultiplied display word back to 8 bits, undoing the
// premultiplication as far as the word's precision allows.
uint32_t UnpremultiplyChannel(uint32_t word, uint32_t alpha, int32_t mask, int32_t bits, int32_t shift)
{
    const uint32_t m = static_cast<uint32_t>(mask);
    const uint32_t v = ((word & m) * 256u / (alpha + 1u)) & m;
    return (v >> shift) << (8 - bits);
}

} // namespace

MemoryImage::MemoryImage() : MemoryImage(gApplication) {}

MemoryImage::MemoryImage(VornAppBase* app) : mApp(app)
{
    Register();
}

MemoryImage::MemoryImage(VornAppBase* app, Unregistered) : mApp(app) {}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other), mBitsChangedCount(other.mBitsChangedCount), mD3DFlags(other.mD3DFlags),
      mForcedMode(other.mForcedMode), mHasTrans(other.mHasTrans), mHasAlpha(other.mHasAlpha),
      mIsVolatile(other.mIsVolatile), mPurgeBits(other.mPurgeBits), mWantPal(other.mWantPal),
      mBitsChanged(other.mBitsChanged), mApp(other.mApp)
{
    const size_t count = other.PixelCount();
    const bool paletteForm = other.mColorTable && other.mColorIndices;
    if (other.mBits) {
        mBits = CopyArray(other.mBits.get(), count + 1);
    } else if (!paletteForm) {
        AllocateBits();
        other.RebuildPixels(mBits.get());
    }
    if (paletteForm) {
        mColorTable = CopyArray(other.mColorTable.get(), kPaletteSize);
        mColorIndices = CopyArray(other.mColorIndices.get(), count);
    }
    mNativeAlphaData = CopyArray(other.mNativeAlphaData.get(), paletteForm ? kPaletteSize : count);
    mRLAlphaData = CopyArray(other.mRLAlphaData.get(), count);
    mRLAdditiveData = CopyArray(other.mRLAdditiveData.get(), count);
    Register();
}

MemoryImage::~MemoryImage()
{
    if (mApp)
        mApp->RemoveFromImageSet(this);
    mBits.reset();
    ForgetNativeData();
    mRLAlphaData.reset();
    mRLAdditiveData.reset();
    FreePalette();
}

void MemoryImage::Register()
{
    if (mApp)
        mApp->AddToImageSet(this);
}

size_t MemoryImage::PixelCount() const
{
    if (mWidth <= 0 || mHeight <= 0)
        return 0;
    return static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight);
}

SWTri::TriangleLayer& MemoryImage::TriangleLayerOf()
{
    if (!mTriangleLayer)
        mTriangleLayer = std::make_unique<SWTri::TriangleLayer>();
    return *mTriangleLayer;
}

SWTri::TexelDiscs& MemoryImage::TexelDiscsOf()
{
    if (!mTexelDiscs)
        mTexelDiscs = std::make_unique<SWTri::TexelDiscs>();
    return *mTexelDiscs;
}

void MemoryImage::ForgetTriangleData()
{
    mTriangleLayer.reset();
    mTexelDiscs.reset();
}

const NativeDisplay* MemoryImage::AppDisplay() const
{
    if (!mApp || !mApp->mDDInterface)
        return nullptr;
    const NativeDisplay& display = *mApp->mDDInterface;
    return display.mRGBBits == 16 || display.mRGBBits == 32 ? &display : nullptr;
}

void MemoryImage::ForgetNativeData()
{
    mNativeAlphaData.reset();
    mEdgedNativeData.reset();
    mPaletteNativeWords.reset();
}

void MemoryImage::AllocateBits()
{
    const size_t count = PixelCount();
    mBits = std::make_unique<uint32_t[]>(count + 1);
    mBits[count] = kMemoryImageGuardWord;
}

void MemoryImage::FreePalette()
{
    mColorIndices.reset();
    mColorTable.reset();
    ForgetTriangleData();
}

void MemoryImage::RebuildPixels(uint32_t* out) const
{
    const size_t count = PixelCount();
    const NativeDisplay* display = AppDisplay();
    if (!mNativeAlphaData || !display) {
        std::fill_n(out, count, 0u);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = mNativeAlphaData[i];
        const uint32_t alpha = word >> 24;
        const uint32_t red = UnpremultiplyChannel(word, alpha, display->mRedMask, display->mRedBits,
            display->mRedShift);
        const uint32_t green = UnpremultiplyChannel(word, alpha, display->mGreenMask, display->mGreenBits,
            display->mGreenShift);
        const uint32_t blue = UnpremultiplyChannel(word, alpha, display->mBlueMask, display->mBlueBits,
            display->mBlueShift);
        out[i] = (alpha << 24) | (red << 16) | (green << 8) | blue;
    }
}

uint32_t* MemoryImage::GetBits()
{
    if (mBits)
        return mBits.get();
    AllocateBits();
    const size_t count = PixelCount();
    // Purged on the 3D road: the textures hold the pixels.
    if (!mColorIndices && mD3DData && mApp && mApp->ReadBackTextureBits(this))
        return mBits.get();
    if (mColorTable && mColorIndices) {
        for (size_t i = 0; i < count; ++i)
            mBits[i] = mColorTable[mColorIndices[i]];
        FreePalette();
        ForgetNativeData();
    } else {
        RebuildPixels(mBits.get());
    }
    return mBits.get();
}

// The palette form goes too: GetBits would otherwise expand the old indices
// at the new size.
void MemoryImage::Create(int width, int height)
{
    if (width < 0 || height < 0)
        return;
    mBits.reset();
    FreePalette();
    mWidth = width;
    mHeight = height;
    mHasTrans = true;
    mHasAlpha = true;
    MarkBitsChanged();
}

void MemoryImage::SetBits(const uint32_t* bits, int width, int height, bool commit)
{
    if (bits && bits == mBits.get())
        return;
    if (width < 0 || height < 0)
        return;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (!bits && count > 0)
        return;
    FreePalette();
    if (width != mWidth || height != mHeight || !mBits) {
        mWidth = width;
        mHeight = height;
        AllocateBits();
    }
    if (count > 0)
        std::memcpy(mBits.get(), bits, count * sizeof(uint32_t));
    mBits[count] = kMemoryImageGuardWord;
    MarkBitsChanged();
    if (commit)
        ScanPixelFlags();
}

void MemoryImage::Clear()
{
    std::fill_n(GetBits(), PixelCount(), 0u);
    MarkBitsChanged();
}

void MemoryImage::MarkBitsChanged()
{
    ++mBitsChangedCount;
    mBitsChanged = true;
    ForgetNativeData();
    mRLAlphaData.reset();
    mRLAdditiveData.reset();
    ForgetTriangleData();
}

void MemoryImage::ScanPixelFlags()
{
    if (!mBitsChanged || mForcedMode)
        return;
    mBitsChanged = false;
    mHasAlpha = false;
    const uint32_t* pixels = mBits ? mBits.get() : mColorTable.get();
    if (!pixels) {
        mHasTrans = true;
        return;
    }
    mHasTrans = false;
    const size_t count = mBits ? PixelCount() : size_t{kPaletteSize};
    for (size_t i = 0; i < count; ++i) {
        const uint32_t alpha = pixels[i] >> 24;
        if (alpha == 0)
            mHasTrans = true;
        else if (alpha != 255)
            mHasAlpha = true;
    }
}

void MemoryImage::ForceAlphaFlags(bool hasTrans, bool hasAlpha)
{
    mForcedMode = true;
    mHasTrans = hasTrans;
    mHasAlpha = hasAlpha;
}

void MemoryImage::SetVolatile(bool isVolatile)
{
    mIsVolatile = isVolatile;
}

void MemoryImage::FreeSoftwareData()
{
    if (!mBits && !mColorIndices)
        GetBits();
    ForgetNativeData();
    mRLAdditiveData.reset();
    mRLAlphaData.reset();
    ForgetTriangleData();
}

void MemoryImage::FreeNativeData()
{
    if (!mBits && !mColorIndices)
        GetBits();
    ForgetNativeData();
    mRLAdditiveData.reset();
    ForgetTriangleData();
}

void MemoryImage::FreeTextureBuffers()
{
    if (mApp)
        mApp->DropTextureData(this);
}

void MemoryImage::FreeDerivedData()
{
    FreeSoftwareData();
    FreeTextureBuffers();
}

} // namespace Vorn
