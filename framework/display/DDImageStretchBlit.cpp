// The stretched blits of a DDImage: by the surface's own stretching copy, by
// nearest pixel straight onto the locked surface, or smoothly resampled into
// a temporary image that is then blitted.

#include "framework/display/DDImage.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"
#include "framework/graphics/StretchBlit.h"
#include "platform/Surface.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

namespace {

// The source part in whole pixels, at least one wide and high, inside the
// source rectangle.
Platform::SurfaceRect WholeSourcePixels(const StretchArea& area)
{
    const Rect& s = area.source;
    const auto cut = [](double value, int low, int high) {
        return static_cast<int32_t>(std::clamp<double>(std::trunc(value), low, high));
    };
    const int32_t left = cut(area.x, s.mX, s.mX + s.mWidth - 1);
    const int32_t top = cut(area.y, s.mY, s.mY + s.mHeight - 1);
    const int32_t right = std::max(cut(area.x + area.width, s.mX, s.mX + s.mWidth), left + 1);
    const int32_t bottom = std::max(cut(area.y + area.height, s.mY, s.mY + s.mHeight), top + 1);
    return {left, top, right, bottom};
}

} // namespace

void DDImage::StretchBlt(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, bool fastStretch)
{
    Stretch(source, destRect, sourceRect, clip, color, mode, fastStretch, false);
}

// Always by nearest pixel.
void DDImage::StretchBltMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, bool fastStretch)
{
    Stretch(source, destRect, sourceRect, clip, color, mode, fastStretch, true);
}

// Where the surface does not take software drawing (partial alpha, drawing
// to the bits, the 3D display) the nearest-pixel stretch draws on the bits,
// in the colour and mode asked for.
void DDImage::Stretch(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, bool fast, bool mirrored)
{
    if (source)
        source->mDrawn = true;
    ScanPixelFlags();
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->StretchBlt(from, destRect, sourceRect, clip, color, mode, fast, mirrored);
        return;
    }
    StretchArea area;
    if ((from && !from->Holds(sourceRect)) ||
        !area.Clip(destRect, sourceRect, clip.Intersection(Rect(0, 0, mWidth, mHeight)), mirrored))
        return;
    if (!fast && !mirrored) {
        StretchSmoothOnto(from, area, destRect, sourceRect, clip, color, mode);
        return;
    }
    if (!TakesSurfaceRoad()) {
        if (from && DrawsOnBits()) {
            StretchNearest(*from, area, color, mode, mirrored);
            MarkBitsChanged();
        }
        return;
    }
    auto* surfaceSource = dynamic_cast<DDImage*>(source);
    if (surfaceSource && !mirrored && color.IsWhite() && mode == kDrawModeNormal) {
        surfaceSource->ScanPixelFlags();
        if (!surfaceSource->mHasAlpha && surfaceSource->GetSurface()) {
            const Rect& k = area.clipped;
            if (HardwareBlt(*surfaceSource, Platform::SurfaceRect{k.mX, k.mY, k.mX + k.mWidth, k.mY + k.mHeight},
                    WholeSourcePixels(area)))
                FreeAllButSurface();
            return;
        }
    }
    if (from)
        StretchNearestOnSurface(*from, area, color, mode, mirrored);
    FreeAllButSurface();
}

// The smooth stretch resamples into a temporary image of the visible size,
// which the ordinary blit then lays on with the colour and mode.
void DDImage::StretchSmoothOnto(MemoryImage* from, const StretchArea& area, const Rect& destRect,
    const Rect& sourceRect, const Rect& clip, const Color& color, int mode)
{
    if (mDrawToBits || mHasAlpha || mHasTrans || mDisplay->mIs3D) {
        if (DrawsOnBits())
            MemoryImage::StretchBlt(from, destRect, sourceRect, clip, color, mode, false);
        return;
    }
    if (!from)
        return;
    const std::vector<uint32_t> pixels = SmoothStretch(*from, area);
    if (pixels.empty())
        return;
    const Rect& k = area.clipped;
    MemoryImage temporary(mApp);
    temporary.SetBits(pixels.data(), k.mWidth, k.mHeight, true);
    Blt(&temporary, k.mX, k.mY, Rect(0, 0, k.mWidth, k.mHeight), color, mode);
    FreeAllButSurface();
}

// Formulas through the surface's masks in every format; pixels of alpha 0
// (normal) or of no colour (additive) are skipped.
void DDImage::StretchNearestOnSurface(MemoryImage& from, const StretchArea& area, const Color& color, int mode,
    bool mirrored)
{
    from.ScanPixelFlags();
    const SurfaceBlend::NativeWords native = SurfaceBlend::NativeOf(from, *mDisplay);
    if (!native.words || mNoLock || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const SurfaceBlend::Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const std::vector<int> columns = area.NearestColumns(StretchArea::Stepping::Fixed);
    const std::vector<int> rows = area.NearestRows(StretchArea::Stepping::Fixed);
    const SurfaceBlend::Tint tint(color);
    const bool white = color.IsWhite();
    const SurfaceBlend::AddTables tables = SurfaceBlend::TablesFor(*mDisplay, dest.mFormat);
    const auto change = [&](uint32_t s, uint32_t d, bool& skip) -> uint32_t {
        const uint32_t a = s >> 24;
        if (mode == kDrawModeNormal && white) {
            skip = a == 0;
            return SurfaceBlend::PerChannelWhite{masks}.Partial(s, d, a);
        }
        if (mode == kDrawModeNormal) {
            const uint32_t covered = a * tint.alpha / 255;
            skip = covered == 0;
            return SurfaceBlend::PerChannelColor{masks, {tint.c[0], tint.c[1], tint.c[2]}}.Partial(s, d, covered);
        }
        skip = s == 0 || !tables.table[0];
        return skip ? d : SurfaceBlend::AddPixel(s, d, masks, tables, white ? nullptr : tint.c);
    };
    const Rect& k = area.clipped;
    SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        for (int i = 0; i < k.mHeight; ++i) {
            Pixel* out = SurfaceBlend::PixelAt<Pixel>(dest, k.mX, k.mY + i);
            const size_t rowStart = static_cast<size_t>(rows[static_cast<size_t>(i)]) * static_cast<size_t>(from.mWidth);
            for (int j = 0; j < k.mWidth; ++j) {
                Pixel& d = out[mirrored ? k.mWidth - 1 - j : j];
                bool skip = false;
                const uint32_t value =
                    change(native(rowStart + static_cast<size_t>(columns[static_cast<size_t>(j)])), d, skip);
                if (!skip)
                    d = static_cast<Pixel>(value);
            }
        }
    });
    UnlockSurface();
}

} // namespace Vorn
