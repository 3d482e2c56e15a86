// The software blitters of a DDImage: a source image onto the locked
// surface in the surface's own format, normal (alpha blending) and additive
// (saturating), plain and mirrored; and the hardware copy of a source that
// has its own surface.

#include "framework/display/DDImage.h"

#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"
#include "platform/Surface.h"

#include <cstring>
#include <optional>

namespace Vorn {

namespace {

using SurfaceBlend::BlitArea;
using SurfaceBlend::Masks;
using SurfaceBlend::NativeOf;
using SurfaceBlend::NativeWords;
using SurfaceBlend::SumChannels;
using SurfaceBlend::Tint;

// Held to both images: a source rectangle reaching past its image, or a
// placement past the destination, must not touch memory outside either. The
// mirrored placement cuts the source on the side opposite to the destination.
std::optional<BlitArea> ClipArea(const Image& source, const Image& dest, int x, int y, const Rect& rect,
    bool mirrored)
{
    const Rect from = rect.Intersection(Rect(0, 0, source.mWidth, source.mHeight));
    if (from.mWidth <= 0 || from.mHeight <= 0)
        return std::nullopt;
    const int left = mirrored ? x + (rect.mX + rect.mWidth) - (from.mX + from.mWidth) : x + from.mX - rect.mX;
    const Rect placed(left, y + from.mY - rect.mY, from.mWidth, from.mHeight);
    const Rect kept = placed.Intersection(Rect(0, 0, dest.mWidth, dest.mHeight));
    if (kept.mWidth <= 0 || kept.mHeight <= 0)
        return std::nullopt;
    const int cutLeft = kept.mX - placed.mX;
    const int cutRight = placed.mX + placed.mWidth - (kept.mX + kept.mWidth);
    BlitArea area;
    area.sourceX = from.mX + (mirrored ? cutRight : cutLeft);
    area.sourceY = from.mY + kept.mY - placed.mY;
    area.width = kept.mWidth;
    area.height = kept.mHeight;
    area.sourceWidth = source.mWidth;
    area.x = kept.mX;
    area.y = kept.mY;
    return area;
}

// The formula of the run path is chosen once per call.
template <typename Pixel, bool Mirrored>
void RunBlitFor(const DDImage::LockedDesc& dest, const BlitArea& area, const NativeWords& native,
    const uint8_t* runs, const Color& color)
{
    const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const auto run = [&](const auto& formula, uint32_t colorAlpha) {
        SurfaceBlend::RunBlit<Pixel, Mirrored>(dest, area, native, runs, colorAlpha, formula);
    };
    const Tint tint(color);
    const bool white = color.IsWhite();
    if constexpr (sizeof(Pixel) == 2) {
        const uint32_t spread = SurfaceBlend::SpreadMaskOf(masks.m[1]);
        if (white && spread)
            run(SurfaceBlend::Packed16White{spread}, 255);
        else if (white)
            run(SurfaceBlend::PerChannelWhite{masks}, 255);
        else if (spread && tint.IsGrey())
            run(SurfaceBlend::Packed16Grey{spread, tint.c[0] >> 3}, tint.alpha);
        else
            run(SurfaceBlend::PerChannelColor{masks, {tint.c[0], tint.c[1], tint.c[2]}}, tint.alpha);
    } else {
        if (white)
            run(SurfaceBlend::Pair32White{}, 255);
        else if (tint.IsGrey())
            run(SurfaceBlend::Pair32Grey{tint.c[0]}, tint.alpha);
        else
            run(SurfaceBlend::PerChannelColor{masks, {tint.c[0], tint.c[1], tint.c[2]}}, tint.alpha);
    }
}

// A volatile source blended straight from its ARGB words: no derived forms
// are built for pixels that change every frame.
template <typename Pixel>
void VolatileBlit(const DDImage::LockedDesc& dest, const BlitArea& area, const MemoryImage& source,
    const uint32_t* bits)
{
    const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const bool standard = gStandardPixelOrder;
    const uint32_t spread = standard && sizeof(Pixel) == 2 ? SurfaceBlend::SpreadMaskOf(masks.m[1]) : 0;
    const auto blend = [&](uint32_t c, uint32_t d) -> uint32_t {
        const uint32_t a = c >> 24;
        if (spread == SurfaceBlend::kSpread565 || spread == SurfaceBlend::kSpread555) {
            const uint32_t s = spread == SurfaceBlend::kSpread565
                                   ? ((c & 0xFC00) << 11) + ((c >> 3) & 0x1F) + ((c >> 8) & 0xF800)
                                   : ((c >> 3) & 0x1F) + ((c >> 9) & 0x7C00) + ((c & 0xF800) << 10);
            const uint32_t dd = SurfaceBlend::Spread(d, spread);
            return SurfaceBlend::Fold(((((s - dd) * (c >> 27)) >> 5) + dd) & spread);
        }
        if (sizeof(Pixel) == 4 && standard) {
            using SurfaceBlend::kGreen;
            using SurfaceBlend::kRedBlue;
            return (((((c & kRedBlue) - (d & kRedBlue)) * a >> 8) + (d & kRedBlue)) & kRedBlue) |
                   (((((c & kGreen) - (d & kGreen)) * a >> 8) + (d & kGreen)) & kGreen);
        }
        const uint32_t k[3] = {Blend::Channel(c, 16), Blend::Channel(c, 8), Blend::Channel(c, 0)};
        return SumChannels(masks, [&](uint32_t m, int i) {
            const uint32_t added = sizeof(Pixel) == 2 ? (k[i] * a * m) >> 8 : ((k[i] * a) >> 8) * m;
            return (((d & m) * (256 - a) + added + (m >> 1)) >> 8) & m;
        });
    };
    const bool palette = source.mColorTable && source.mColorIndices;
    SurfaceBlend::WalkArea<Pixel, false>(dest, area, [&](Pixel* d, size_t s) {
        for (int i = 0; i < area.width; ++i) {
            const size_t at = s + static_cast<size_t>(i);
            const uint32_t c = palette ? source.mColorTable[source.mColorIndices[at]] : bits[at];
            d[i] = static_cast<Pixel>(blend(c, d[i]));
        }
    });
}

// An opaque or colour-keyed source, uncolorized: each pixel's native word
// as it is, keyed pixels left out. 32 bits keep the source alpha on top.
template <typename Pixel>
void CopyBlit(const DDImage::LockedDesc& dest, const BlitArea& area, const NativeWords& native, bool hasTrans)
{
    // Words of the surface's own size, none keyed: each row is copied whole.
    if (sizeof(Pixel) == 4 && !hasTrans && !native.indices) {
        SurfaceBlend::WalkArea<Pixel, false>(dest, area, [&](Pixel* d, size_t s) {
            std::memcpy(d, native.words + s, static_cast<size_t>(area.width) * sizeof(Pixel));
        });
        return;
    }
    SurfaceBlend::WalkArea<Pixel, false>(dest, area, [&](Pixel* d, size_t s) {
        for (int i = 0; i < area.width; ++i) {
            const uint32_t word = native(s + static_cast<size_t>(i));
            if (!hasTrans || word >> 24 != 0)
                d[i] = static_cast<Pixel>(word);
        }
    });
}

} // namespace

void DDImage::BltNormalOnSurface(Image* source, int x, int y, const Rect& sourceRect, const Color& color)
{
    NormalBlit(source, x, y, sourceRect, color, false);
}

void DDImage::BltMirroredNormalOnSurface(Image* source, int x, int y, const Rect& sourceRect, const Color& color)
{
    NormalBlit(source, x, y, sourceRect, color, true);
}

void DDImage::BltAdditiveOnSurface(Image* source, int x, int y, const Rect& sourceRect, const Color& color)
{
    AdditiveBlit(source, x, y, sourceRect, color, false);
}

void DDImage::BltMirroredAdditiveOnSurface(Image* source, int x, int y, const Rect& sourceRect,
    const Color& color)
{
    AdditiveBlit(source, x, y, sourceRect, color, true);
}

// The mirrored blit always takes the run path, whatever the source.
void DDImage::NormalBlit(Image* source, int x, int y, const Rect& sourceRect, const Color& color, bool mirrored)
{
    if (source)
        source->mDrawn = true;
    auto* memorySource = dynamic_cast<MemoryImage*>(source);
    if (!memorySource)
        return;
    memorySource->ScanPixelFlags();
    const std::optional<BlitArea> area = ClipArea(*memorySource, *this, x, y, sourceRect, mirrored);
    if (!area)
        return;
    auto* ddSource = dynamic_cast<DDImage*>(memorySource);
    const bool sourceHasSurface = ddSource && ddSource->mSurface;
    const bool white = color.IsWhite();
    const bool copy = !mirrored && !memorySource->mHasAlpha && white;
    if (copy && sourceHasSurface && (mVideoMemory || !ddSource->mVideoMemory)) {
        HardwareCopy(*ddSource, x, y, sourceRect);
        return;
    }
    if (mNoLock || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    if (!mirrored && memorySource->mIsVolatile && !sourceHasSurface && white) {
        const bool palette = memorySource->mColorTable && memorySource->mColorIndices;
        const uint32_t* bits = palette ? nullptr : memorySource->GetBits();
        if (palette || bits)
            SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel,
                [&]<typename Pixel>(Pixel*) { VolatileBlit<Pixel>(dest, *area, *memorySource, bits); });
    } else if (copy) {
        const NativeWords native = NativeOf(*memorySource, *mDisplay);
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel,
            [&]<typename Pixel>(Pixel*) { CopyBlit<Pixel>(dest, *area, native, memorySource->mHasTrans); });
    } else {
        const NativeWords native = NativeOf(*memorySource, *mDisplay);
        const uint8_t* runs = memorySource->GetRunLengthAlpha();
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
            if (mirrored)
                RunBlitFor<Pixel, true>(dest, *area, native, runs, color);
            else
                RunBlitFor<Pixel, false>(dest, *area, native, runs, color);
        });
    }
    UnlockSurface();
}

void DDImage::AdditiveBlit(Image* source, int x, int y, const Rect& sourceRect, const Color& color, bool mirrored)
{
    if (source)
        source->mDrawn = true;
    auto* memorySource = dynamic_cast<MemoryImage*>(source);
    if (mNoLock || !memorySource)
        return;
    const std::optional<BlitArea> area = ClipArea(*memorySource, *this, x, y, sourceRect, mirrored);
    if (!area || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const NativeWords native = NativeOf(*memorySource, *mDisplay);
    memorySource->ScanPixelFlags();
    const uint8_t* runs = memorySource->GetRunLengthAdditive(*mDisplay);
    const SurfaceBlend::AddTables tables = SurfaceBlend::TablesFor(*mDisplay, dest.mFormat);
    const Tint tint(color);
    const uint32_t* scale = color.IsWhite() ? nullptr : tint.c;
    if (tables.table[0]) {
        const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
            if (mirrored)
                SurfaceBlend::AdditiveBlit<Pixel, true>(dest, *area, native, runs, masks, tables, scale);
            else
                SurfaceBlend::AdditiveBlit<Pixel, false>(dest, *area, native, runs, masks, tables, scale);
        });
    }
    UnlockSurface();
}

void DDImage::HardwareCopy(DDImage& source, int x, int y, const Rect& sourceRect)
{
    const std::optional<BlitArea> area = ClipArea(source, *this, x, y, sourceRect, false);
    if (area)
        HardwareBlt(source, Platform::SurfaceRect{area->x, area->y, area->x + area->width, area->y + area->height},
            Platform::SurfaceRect{area->sourceX, area->sourceY, area->sourceX + area->width,
                area->sourceY + area->height});
}

// A lock the caller holds is dropped around the copy (a locked surface takes
// no blit) and taken again. When it cannot be taken again the lock is
// forgotten, so that the caller never writes through the stale pointer and
// its later unlock does nothing.
bool DDImage::HardwareBlt(DDImage& source, const Platform::SurfaceRect& destRect, const Platform::SurfaceRect& fromRect)
{
    if (mLockCount > 0 && mSurface)
        mSurface->Unlock();
    Platform::Surface* dest = GetSurface();
    Platform::Surface* from = source.GetSurface();
    if (dest && from)
        dest->Blt(&destRect, from, &fromRect, Platform::kBltWait | (source.mHasTrans ? Platform::kBltKeySrc : 0));
    if (mLockCount == 0)
        return true;
    Platform::LockedPixels pixels;
    if (dest && dest->Lock(pixels) == Platform::kDDOk) {
        mLockedSurfaceDesc = LockedDesc{pixels.bits, pixels.pitch, dest->Format()};
        return true;
    }
    mLockCount = 0;
    mLockedSurfaceDesc = LockedDesc();
    return false;
}

} // namespace Vorn
