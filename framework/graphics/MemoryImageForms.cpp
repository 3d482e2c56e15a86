// The derived forms of a memory image: the palette form, the premultiplied
// pixels in the display's format, the run-length tables, and giving up the
// master copy where a derived form can stand in.

#include "framework/graphics/MemoryImage.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/NativeDisplay.h"
#include "framework/graphics/PaletteBuilder.h"
#include "framework/graphics/SWTri.h"

#include <algorithm>

namespace Vorn {

namespace {

// `topBit` is the channel's position above bit 0 in 0xAARRGGBB plus 8: the
// premultiplied 8-bit value is cut to the channel's own width.
uint32_t PremultiplyChannel(uint32_t argb, uint32_t k, uint32_t channelMask, int topBit, int32_t mask, int32_t bits,
    int32_t shift)
{
    return ((((argb & channelMask) * k) >> 8) >> (topBit - bits) << shift) & static_cast<uint32_t>(mask);
}

uint32_t ToNative(uint32_t argb, const NativeDisplay& display)
{
    const uint32_t k = (argb >> 24) + 1;
    return PremultiplyChannel(argb, k, 0xFF0000u, 24, display.mRedMask, display.mRedBits, display.mRedShift) |
           PremultiplyChannel(argb, k, 0xFF00u, 16, display.mGreenMask, display.mGreenBits, display.mGreenShift) |
           PremultiplyChannel(argb, k, 0xFFu, 8, display.mBlueMask, display.mBlueBits, display.mBlueShift) |
           (argb & 0xFF000000u);
}

// Each byte counts the pixels from it to the end of its run of one class in
// its row, itself included, capped at 255; runs never cross rows.
template <typename ClassOf>
std::unique_ptr<uint8_t[]> BuildRunLengths(int width, size_t count, ClassOf classOf)
{
    auto runs = std::make_unique<uint8_t[]>(count);
    if (count == 0)
        return runs;
    const size_t rowLength = static_cast<size_t>(width);
    for (size_t rowStart = 0; rowStart < count; rowStart += rowLength) {
        size_t i = rowStart + rowLength - 1;
        int run = 1;
        runs[i] = 1;
        while (i > rowStart) {
            --i;
            run = classOf(i) == classOf(i + 1) ? std::min(run + 1, 255) : 1;
            runs[i] = static_cast<uint8_t>(run);
        }
    }
    return runs;
}

int AlphaClass(uint32_t argb)
{
    const uint32_t alpha = argb >> 24;
    return alpha == 0 ? 0 : alpha == 255 ? 1 : 2;
}

} // namespace

uint32_t* MemoryImage::GetPremultipliedData(const NativeDisplay& display)
{
    if (mNativeAlphaData)
        return mNativeAlphaData.get();
    ScanPixelFlags();
    if (mColorTable && mColorIndices) {
        mNativeAlphaData = std::make_unique<uint32_t[]>(kPaletteSize);
        for (int i = 0; i < kPaletteSize; ++i)
            mNativeAlphaData[i] = ToNative(mColorTable[i], display);
        return mNativeAlphaData.get();
    }
    const uint32_t* bits = GetBits();
    const size_t count = PixelCount();
    mNativeAlphaData = std::make_unique<uint32_t[]>(count);
    for (size_t i = 0; i < count; ++i)
        mNativeAlphaData[i] = ToNative(bits[i], display);
    return mNativeAlphaData.get();
}

const uint32_t* MemoryImage::GetEdgedPremultipliedData(const NativeDisplay& display)
{
    if (mEdgedNativeData)
        return mEdgedNativeData.get();
    const uint32_t* native = GetPremultipliedData(display);
    if (mColorTable && mColorIndices)
        return nullptr;
    mEdgedNativeData = SWTri::EdgedWords(native, mWidth, mHeight);
    return mEdgedNativeData.get();
}

const uint32_t* MemoryImage::GetPremultipliedPaletteWords(const NativeDisplay& display)
{
    if (mPaletteNativeWords)
        return mPaletteNativeWords.get();
    const size_t count = PixelCount();
    if (!mColorTable || !mColorIndices || count == 0 || count > kMaxPaletteWords)
        return nullptr;
    const uint32_t* table = GetPremultipliedData(display);
    mPaletteNativeWords = std::make_unique<uint32_t[]>(count);
    for (size_t i = 0; i < count; ++i)
        mPaletteNativeWords[i] = table[mColorIndices[i]];
    return mPaletteNativeWords.get();
}

// In palette form the premultiplied table has one word per palette entry:
// every pixel is read through its index.
uint8_t* MemoryImage::GetRunLengthAlpha()
{
    if (mRLAlphaData)
        return mRLAlphaData.get();
    ScanPixelFlags();
    const bool paletteForm = mColorTable && mColorIndices;
    if (!mBits && !paletteForm && !mNativeAlphaData)
        GetBits();
    const size_t count = PixelCount();
    if (mBits) {
        const uint32_t* bits = mBits.get();
        mRLAlphaData = BuildRunLengths(mWidth, count, [bits](size_t i) { return AlphaClass(bits[i]); });
    } else if (paletteForm) {
        const uint32_t* table = mColorTable.get();
        const uint8_t* indices = mColorIndices.get();
        mRLAlphaData = BuildRunLengths(mWidth, count, [table, indices](size_t i) {
            return AlphaClass(table[indices[i]]);
        });
    } else {
        const uint32_t* native = mNativeAlphaData.get();
        mRLAlphaData = BuildRunLengths(mWidth, count, [native](size_t i) { return AlphaClass(native[i]); });
    }
    return mRLAlphaData.get();
}

uint8_t* MemoryImage::GetRunLengthAdditive(const NativeDisplay& display)
{
    if (mRLAdditiveData)
        return mRLAdditiveData.get();
    const uint32_t* native = GetPremultipliedData(display);
    const uint8_t* indices = mColorTable && mColorIndices ? mColorIndices.get() : nullptr;
    mRLAdditiveData = BuildRunLengths(mWidth, PixelCount(), [native, indices](size_t i) {
        return ((indices ? native[indices[i]] : native[i]) & 0xFFFFFFu) != 0;
    });
    return mRLAdditiveData.get();
}

bool MemoryImage::ReduceToPalette()
{
    ScanPixelFlags();
    if (mColorTable && mColorIndices)
        return true;
    const uint32_t* bits = GetBits();
    mColorIndices = std::make_unique<uint8_t[]>(PixelCount());
    mColorTable = std::make_unique<uint32_t[]>(kPaletteSize);
    if (BuildPalette(bits, mColorIndices.get(), mWidth, mHeight, mColorTable.get())) {
        mBits.reset();
        ForgetNativeData();
        ForgetTriangleData();
        mWantPal = true;
        return true;
    }
    FreePalette();
    mWantPal = false;
    return false;
}

// Without a display format nothing can stand in for the master copy: it stays.
void MemoryImage::ReleaseMemoryBits()
{
    mPurgeBits = true;
    ForgetTriangleData();
    const bool is3D = mApp && mApp->Is3DEnabled();
    if (!is3D) {
        const NativeDisplay* display = AppDisplay();
        if ((mBits || mColorIndices) && display) {
            GetPremultipliedData(*display);
            mBits.reset();
        }
    } else if (mD3DData) {
        mBits.reset();
    }
    if (mD3DData)
        FreePalette();
}

void MemoryImage::ReInit()
{
    if (mWantPal)
        ReduceToPalette();
    if (mPurgeBits)
        ReleaseMemoryBits();
}

} // namespace Vorn
