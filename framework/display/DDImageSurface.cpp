// Building a DDImage's surface from its bits (with a colour key for the
// transparent pixels), reading it back, and letting it go.

#include "framework/display/DDImage.h"

#include "framework/app/CriticalSection.h"
#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"
#include "platform/Surface.h"

#include <bit>
#include <optional>
#include <vector>

namespace Vorn {

namespace {

// ARGB words to surface pixels: the display's channel widths and shifts, the
// surface's masks; the alpha byte is dropped.
struct Converter {
    const NativeDisplay& display;
    SurfaceBlend::Masks masks;

    uint32_t operator()(uint32_t argb) const
    {
        return Term(argb, 24, display.mRedBits, display.mRedShift, masks.m[0]) |
               Term(argb, 16, display.mGreenBits, display.mGreenShift, masks.m[1]) |
               Term(argb, 8, display.mBlueBits, display.mBlueShift, masks.m[2]);
    }
    static uint32_t Term(uint32_t argb, int top, int32_t bits, int32_t shift, uint32_t mask)
    {
        return ((argb >> (top - bits)) << shift) & mask;
    }
};

// The 16-bit search: 2,048 groups of 32 values, the lowest free value of
// the highest group that has one.
std::optional<uint32_t> FreeKey16(const std::vector<uint32_t>& converted, const uint32_t* bits, size_t count)
{
    std::vector<uint32_t> used(2048);
    for (size_t i = 0; i < count; ++i)
        if (bits[i] >> 24 != 0)
            used[converted[i] >> 5] |= 1u << (converted[i] & 31);
    for (size_t group = used.size(); group-- > 0;)
        if (used[group] != ~0u)
            return static_cast<uint32_t>(group * 32 + static_cast<size_t>(std::countr_one(used[group])));
    return std::nullopt;
}

// The 32-bit search over the packed channel values of the converted pixels:
// the lowest free one. Compared converted, so that a surface of any channel
// order finds a key no opaque pixel shares.
std::optional<uint32_t> FreeKey32(const std::vector<uint32_t>& converted, const uint32_t* bits, size_t count,
    const SurfaceBlend::Masks& masks)
{
    int width[3];
    int total = 0;
    for (int c = 0; c < 3; ++c)
        total += width[c] = std::popcount(masks.m[c]);
    if (total > 24)
        return std::nullopt;
    const auto pack = [&](uint32_t pixel) {
        uint32_t packed = 0;
        for (int c = 0; c < 3; ++c)
            packed = (packed << width[c]) | ((pixel & masks.m[c]) >> std::countr_zero(masks.m[c]));
        return packed;
    };
    std::vector<bool> used(size_t{1} << total);
    for (size_t i = 0; i < count; ++i)
        if (bits[i] >> 24 != 0)
            used[pack(converted[i])] = true;
    for (uint32_t value = 0; value < used.size(); ++value) {
        if (used[value])
            continue;
        uint32_t pixel = 0;
        uint32_t rest = value;
        for (int c = 2; c >= 0; --c) {
            pixel |= (rest & ((1u << width[c]) - 1)) << std::countr_zero(masks.m[c]);
            rest >>= width[c];
        }
        return pixel;
    }
    return std::nullopt;
}

} // namespace

Platform::Surface* DDImage::GetSurface()
{
    if (!mSurface)
        BuildSurface();
    return mSurface.get();
}

bool DDImage::BuildSurface()
{
    if (mSurface)
        return true;
    // Without bits (palette form, or only the premultiplied form) the pixels
    // come from the memory image first: there is nothing else to convert.
    if (!mBits)
        GetBits();
    ScanPixelFlags();
    if (mHasAlpha)
        return false;
    mWantDDSurface = true;

    DDSurfaceDesc desc;
    desc.mFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.mWidth = mWidth;
    desc.mHeight = mHeight;
    desc.mCaps = mVideoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;

    const AutoCrit lock(mDisplay->mCritSect);
    std::shared_ptr<Platform::Surface> made;
    if (mDisplay->CreateSurface(desc, made) < 0 || !made)
        return false;
    mSurface = std::move(made);
    // A surface that never received the pixels must not stand for them.
    if (!LockSurface()) {
        ReleaseSurface();
        return false;
    }
    const bool converted = ConvertIntoSurface();
    UnlockSurface();
    if (!converted)
        ReleaseSurface();
    return converted;
}

bool DDImage::ConvertIntoSurface()
{
    const LockedDesc& dest = mLockedSurfaceDesc;
    if (!dest.mBits)
        return true;
    const SurfaceBlend::Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const Converter convert{*mDisplay, masks};
    const uint32_t* bits = mBits.get();
    const size_t count = PixelCount();
    std::vector<uint32_t> converted(count);
    std::optional<uint32_t> key;
    for (size_t i = 0; i < count; ++i) {
        converted[i] = convert(bits[i]);
        if (!key && bits[i] >> 24 != 255)
            key = converted[i];
    }
    const bool keyAll = mHasTrans && !mFirstPixelTrans;
    if (mHasTrans && mFirstPixelTrans)
        key = count > 0 ? converted[0] : 0;
    uint32_t keyValue = key.value_or(0);
    if (keyAll) {
        bool clash = false;
        for (size_t i = 0; i < count && !clash; ++i)
            clash = bits[i] >> 24 == 255 && converted[i] == keyValue;
        if (clash) {
            const std::optional<uint32_t> free = dest.mFormat.bitsPerPixel == 16
                                                     ? FreeKey16(converted, bits, count)
                                                     : FreeKey32(converted, bits, count, masks);
            if (!free)
                return false;
            keyValue = *free;
        }
    }
    const bool written = SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        for (int y = 0; y < mHeight; ++y) {
            Pixel* row = SurfaceBlend::PixelAt<Pixel>(dest, 0, y);
            const size_t start = static_cast<size_t>(y) * static_cast<size_t>(mWidth);
            for (int x = 0; x < mWidth; ++x) {
                const size_t i = start + static_cast<size_t>(x);
                row[x] = static_cast<Pixel>(keyAll && bits[i] >> 24 != 255 ? keyValue : converted[i]);
            }
        }
    });
    if (!written)
        return false;
    if (mHasTrans)
        mSurface->SetColorKey(keyValue, keyValue);
    return true;
}

uint32_t* DDImage::GetBits()
{
    if (mBits)
        return mBits.get();
    if (!mSurface)
        return MemoryImage::GetBits();
    if (mNoLock || !LockSurface())
        return nullptr;
    const LockedDesc& source = mLockedSurfaceDesc;
    const size_t count = PixelCount();
    auto bits = std::make_unique<uint32_t[]>(count + 1);
    bits[count] = kMemoryImageGuardWord;
    const uint32_t colorBits = source.mFormat.redMask | source.mFormat.greenMask | source.mFormat.blueMask;
    uint32_t keyLow = 0;
    uint32_t keyHigh = 0;
    const bool keyed = mSurface->GetColorKey(keyLow, keyHigh) == Platform::kDDOk;
    const NativeDisplay& d = *mDisplay;
    const auto channel = [](uint32_t p, int32_t shift, int32_t width) { return ((p >> shift) << (8 - width)) & 0xFF; };
    const bool read = SurfaceBlend::WithPixelType(source.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        for (int y = 0; y < mHeight; ++y) {
            const Pixel* row = SurfaceBlend::PixelAt<Pixel>(source, 0, y);
            uint32_t* out = bits.get() + static_cast<size_t>(y) * static_cast<size_t>(mWidth);
            for (int x = 0; x < mWidth; ++x) {
                const uint32_t p = row[x];
                const uint32_t colour = p & colorBits;
                const bool transparent = keyed && colour >= (keyLow & colorBits) && colour <= (keyHigh & colorBits);
                out[x] = (transparent ? 0u : 0xFF000000u) | channel(p, d.mRedShift, d.mRedBits) << 16 |
                         channel(p, d.mGreenShift, d.mGreenBits) << 8 | channel(p, d.mBlueShift, d.mBlueBits);
            }
        }
    });
    UnlockSurface();
    if (!read)
        return nullptr;
    mBits = std::move(bits);
    return mBits.get();
}

void DDImage::FreeSurface()
{
    if (!mSurface)
        return;
    // The surface may hold the only copy: it stays when it cannot be read.
    if (!mColorTable && !mBits && !mD3DData && !GetBits())
        return;
    ReleaseSurface();
}

void DDImage::FreeAllButSurface()
{
    const bool anyForm = mBits || mNativeAlphaData || mRLAdditiveData || mRLAlphaData || mColorTable || mColorIndices;
    if (!anyForm || !mSurface || mNoLock || !SurfaceLockable())
        return;
    mBits.reset();
    ForgetNativeData();
    ForgetTriangleData();
    mRLAdditiveData.reset();
    mRLAlphaData.reset();
    mColorTable.reset();
    mColorIndices.reset();
}

void DDImage::BuildSurfaceWithColorKey()
{
    if (!BuildSurface() || mNoLock || !mHasTrans || !mFirstPixelTrans)
        return;
    if (!mDisplay->mPrimarySurface)
        return;
    const int bitsPerPixel = mDisplay->mPrimarySurface->Format().bitsPerPixel;
    if (bitsPerPixel != 16 && bitsPerPixel != 32)
        return;
    if (!LockSurface())
        return;
    const uint32_t key = bitsPerPixel == 16 ? *SurfaceBlend::PixelAt<uint16_t>(mLockedSurfaceDesc, 0, 0)
                                            : *SurfaceBlend::PixelAt<uint32_t>(mLockedSurfaceDesc, 0, 0);
    mSurface->SetColorKey(key, key);
    UnlockSurface();
}

} // namespace Vorn
