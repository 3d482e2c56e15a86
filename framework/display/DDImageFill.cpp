// Rectangle fills and the coverage-weighted span fill of a DDImage on its
// locked surface, in the surface's pixel format.

#include "framework/display/DDImage.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"

#include <algorithm>

namespace Vorn {

namespace {

using SurfaceBlend::Masks;
using SurfaceBlend::SumChannels;

struct Components {
    explicit Components(const Color& color)
        : c{Clamp(color.mRed), Clamp(color.mGreen), Clamp(color.mBlue)}, a(Clamp(color.mAlpha))
    {
    }
    static uint32_t Clamp(int value) { return static_cast<uint32_t>(std::clamp(value, 0, 255)); }
    uint32_t c[3];
    uint32_t a;
};

// The colour in the surface's format, each component scaled onto its mask.
uint32_t PackedColor(const Masks& masks, const Components& color)
{
    return SumChannels(masks, [&](uint32_t m, int i) { return (color.c[i] * m >> 8) & m; });
}

template <typename Pixel, typename PixelOperation>
void ForEachPixel(const DDImage::LockedDesc& dest, const Rect& rect, PixelOperation operation)
{
    for (int y = rect.mY; y < rect.mY + rect.mHeight; ++y) {
        Pixel* row = SurfaceBlend::PixelAt<Pixel>(dest, rect.mX, y);
        for (int x = 0; x < rect.mWidth; ++x)
            row[x] = static_cast<Pixel>(operation(uint32_t{row[x]}));
    }
}

} // namespace

// The surface road of the fills and plain blits: the surface test, and a
// surface that can be had and locked; else the bits, when they can be had.
bool DDImage::TakesSurfaceRoad()
{
    const bool test = !mDrawToBits && !mHasAlpha && (!mHasTrans || mFirstPixelTrans) &&
                      (!mDisplay->mIs3D || IsCursorAreaImage());
    return test && SurfaceLockable();
}

bool DDImage::FillPolygon3D(const Point* vertices, int count, const Rect& clip, const Color& color, int mode,
    int offsetX, int offsetY)
{
    if (!UsesDirect3D())
        return false;
    mDisplay->mD3DInterface->FillPoly(vertices, count, &clip, color, mode, offsetX, offsetY);
    return true;
}

void DDImage::FillRect(const Rect& rect, const Color& color, int mode)
{
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->FillRect(rect, color, mode);
        return;
    }
    ScanPixelFlags();
    if (!TakesSurfaceRoad()) {
        if (GetBits())
            MemoryImage::FillRect(rect, color, mode);
        return;
    }
    if (mode == kDrawModeNormal)
        FillRectNormalOnSurface(rect, color);
    else if (mode == kDrawModeAdditive)
        FillRectAdditiveOnSurface(rect, color);
    FreeAllButSurface();
}

// Held to the surface: a rectangle reaching outside must not write past it.
void DDImage::FillRectNormalOnSurface(const Rect& rect, const Color& color)
{
    if (mNoLock || !LockSurface())
        return;
    Rect area = rect;
    const LockedDesc& dest = mLockedSurfaceDesc;
    if (Blend::ClipToBounds(area, mWidth, mHeight)) {
        const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
        const Components col(color);
        const uint32_t a = col.a;
        const bool wide = dest.mFormat.bitsPerPixel == 32;
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
            if (a == 255) {
                // 32 bits: opaque components reach 254, as they always have.
                const uint32_t p = SumChannels(masks, [&](uint32_t m, int i) {
                    return ((wide ? col.c[i] : col.c[i] + 1) * m >> 8) & m;
                });
                ForEachPixel<Pixel>(dest, area, [p](uint32_t) { return p; });
                return;
            }
            const uint32_t round = wide ? 127 : 128;
            const uint32_t s = SumChannels(masks, [&](uint32_t m, int i) {
                return ((((col.c[i] * a + round) >> 8) + 1) * m >> 8) & m;
            });
            ForEachPixel<Pixel>(dest, area, [&](uint32_t d) {
                return s + SumChannels(masks, [&](uint32_t m, int) {
                    return (((d & m) * (256 - a) + (wide ? 0 : m)) >> 8) & m;
                });
            });
        });
    }
    UnlockSurface();
}

void DDImage::FillRectAdditiveOnSurface(const Rect& rect, const Color& color)
{
    if (mNoLock || !LockSurface())
        return;
    Rect area = rect;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const SurfaceBlend::AddTables tables = SurfaceBlend::TablesFor(*mDisplay, dest.mFormat);
    if (tables.table[0] && Blend::ClipToBounds(area, mWidth, mHeight)) {
        const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
        const Components col(color);
        const int32_t widths[3] = {mDisplay->mRedBits, mDisplay->mGreenBits, mDisplay->mBlueBits};
        uint32_t add[3];
        for (int c = 0; c < 3; ++c)
            add[c] = (col.c[c] * col.a / 255) >> (8 - widths[c]);
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
            ForEachPixel<Pixel>(dest, area, [&](uint32_t d) {
                uint32_t out = 0;
                for (int c = 0; c < 3; ++c)
                    out |= tables.Saturated(c, ((d & masks.m[c]) >> tables.shift[c]) + add[c]);
                return out;
            });
        });
    }
    UnlockSurface();
}

// Pixels outside the surface, and pixels whose coverage byte would lie
// outside the map, are left alone.
void DDImage::FillSpansOnSurface(const Span* spans, int count, const Color& color, const uint8_t* coverage,
    int mapX, int mapY, int mapWidth, int mapHeight)
{
    const LockedDesc& dest = mLockedSurfaceDesc;
    const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const Components col(color);
    const uint32_t p = PackedColor(masks, col);
    SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        for (int s = 0; s < count; ++s) {
            const Span& span = spans[s];
            const int mapRow = span.mY - mapY;
            if (span.mY < 0 || span.mY >= mHeight || mapRow < 0 || mapRow >= mapHeight)
                continue;
            const int first = std::max({span.mX, 0, mapX});
            const int end = std::min({span.mX + span.mWidth, mWidth, mapX + mapWidth});
            Pixel* row = SurfaceBlend::PixelAt<Pixel>(dest, 0, span.mY);
            const uint8_t* mapLine = coverage + static_cast<size_t>(mapRow) * static_cast<size_t>(mapWidth);
            for (int x = first; x < end; ++x) {
                const uint32_t a = ((uint32_t{mapLine[x - mapX]} + 1) * col.a) >> 8;
                const uint32_t d = row[x];
                row[x] = static_cast<Pixel>(SumChannels(masks, [&](uint32_t m, int) {
                    return (((d & m) * (256 - a) + (p & m) * a) >> 8) & m;
                }));
            }
        }
    });
}

} // namespace Vorn
