// Plain and anti-aliased lines of a DDImage, drawn on its locked surface in
// the surface's own format.

#include "framework/display/DDImage.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"
#include "framework/graphics/LineDrawing.h"

#include <algorithm>

namespace Vorn {

namespace {

using SurfaceBlend::Masks;
using SurfaceBlend::SumChannels;

uint32_t Component(int value)
{
    return static_cast<uint32_t>(std::clamp(value, 0, 255));
}

// Pixels off the surface are skipped: the caller's clipping is trusted for
// drawing, not for memory.
template <typename Pixel, typename Change>
void Plot(const DDImage::LockedDesc& dest, int width, int height, int x, int y, Change change)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    Pixel& pixel = *SurfaceBlend::PixelAt<Pixel>(dest, x, y);
    pixel = static_cast<Pixel>(change(uint32_t{pixel}));
}

} // namespace

void DDImage::DrawLine(double startX, double startY, double endX, double endY, const Color& color, int mode)
{
    Line(startX, startY, endX, endY, color, mode, false);
}

void DDImage::DrawSmoothLine(double startX, double startY, double endX, double endY, const Color& color, int mode)
{
    Line(startX, startY, endX, endY, color, mode, true);
}

// Horizontal and vertical lines are rectangle fills by mode; an additive
// anti-aliased line draws nothing on the surface.
void DDImage::Line(double x0, double y0, double x1, double y1, const Color& color, int mode, bool smooth)
{
    if (!LineDrawing::Usable(x0, y0, x1, y1))
        return;
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->DrawLine(x0, y0, x1, y1, color, mode);
        return;
    }
    ScanPixelFlags();
    if (mDrawToBits || mHasAlpha || mHasTrans || mDisplay->mIs3D || !SurfaceLockable()) {
        if (DrawsOnBits())
            smooth ? MemoryImage::DrawSmoothLine(x0, y0, x1, y1, color, mode)
                   : MemoryImage::DrawLine(x0, y0, x1, y1, color, mode);
        return;
    }
    Rect straight;
    if (LineDrawing::StraightLine(x0, y0, x1, y1, straight)) {
        FillRect(straight, color, mode);
        return;
    }
    if (mode == kDrawModeNormal)
        smooth ? DrawSmoothLineNormalOnSurface(x0, y0, x1, y1, color) : DrawLineNormalOnSurface(x0, y0, x1, y1, color);
    else if (mode == kDrawModeAdditive && !smooth)
        DrawLineAdditiveOnSurface(x0, y0, x1, y1, color);
    FreeAllButSurface();
}

// Rounds other than the fills': at 5-6-5 opaque white is written as red 30,
// green 62, blue 30.
void DDImage::DrawLineNormalOnSurface(double x0, double y0, double x1, double y1, const Color& color)
{
    if (mNoLock || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const uint32_t c[3] = {Component(color.mRed), Component(color.mGreen), Component(color.mBlue)};
    const uint32_t a = Component(color.mAlpha);
    SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        const auto plot = [&](int x, int y, auto change) { Plot<Pixel>(dest, mWidth, mHeight, x, y, change); };
        if (a == 255) {
            const uint32_t v = SumChannels(masks, [&](uint32_t m, int i) { return ((c[i] * m + (m >> 1)) >> 8) & m; });
            LineDrawing::Stepped(x0, y0, x1, y1, [&](int x, int y) { plot(x, y, [v](uint32_t) { return v; }); });
            return;
        }
        const uint32_t s = SumChannels(masks,
            [&](uint32_t m, int i) { return ((((c[i] * a + 128) >> 8) * m + (m >> 1)) >> 8) & m; });
        LineDrawing::Stepped(x0, y0, x1, y1, [&](int x, int y) {
            plot(x, y, [&](uint32_t d) {
                return s + SumChannels(masks, [&](uint32_t m, int) { return (((d & m) * (256 - a) + (m >> 1)) >> 8) & m; });
            });
        });
    });
    UnlockSurface();
}

void DDImage::DrawLineAdditiveOnSurface(double x0, double y0, double x1, double y1, const Color& color)
{
    if (mNoLock || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const SurfaceBlend::AddTables tables = SurfaceBlend::TablesFor(*mDisplay, dest.mFormat);
    if (tables.table[0]) {
        const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
        const uint32_t a = Component(color.mAlpha);
        const uint32_t c[3] = {Component(color.mRed), Component(color.mGreen), Component(color.mBlue)};
        uint32_t add[3];
        for (int i = 0; i < 3; ++i)
            add[i] = (c[i] * a / 255) >> (8 - Platform::PixelFormat::Bits(masks.m[i]));
        SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
            LineDrawing::Stepped(x0, y0, x1, y1, [&](int x, int y) {
                Plot<Pixel>(dest, mWidth, mHeight, x, y, [&](uint32_t d) {
                    uint32_t out = 0;
                    for (int i = 0; i < 3; ++i)
                        out |= tables.Saturated(i, ((d & masks.m[i]) >> tables.shift[i]) + add[i]);
                    return out;
                });
            });
        });
    }
    UnlockSurface();
}

// Drawn whether or not the surface takes software drawing.
void DDImage::DrawSmoothLineNormalOnSurface(double x0, double y0, double x1, double y1, const Color& color)
{
    if (!LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    const Masks masks = SurfaceBlend::MasksOf(dest.mFormat);
    const uint32_t c[3] = {Component(color.mRed), Component(color.mGreen), Component(color.mBlue)};
    const uint32_t a = Component(color.mAlpha);
    const uint32_t q = SumChannels(masks, [&](uint32_t m, int i) { return ((c[i] * m) >> 8) & m; });
    const auto scaled = [a](uint32_t w) { return a < 255 ? (w * (a + 1)) >> 8 : w; };
    SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        const auto blend = [&](uint32_t d, uint32_t w) -> uint32_t {
            if constexpr (sizeof(Pixel) == 4) {
                const auto field = [&](int shift) {
                    return ((((d >> shift) & 0xFF) * (256 - w) + ((q >> shift) & 0xFF) * w) >> 8) << shift;
                };
                return field(16) | field(8) | field(0);
            } else {
                const uint32_t k = dest.mFormat.greenMask == SurfaceBlend::kGreen555 ? SurfaceBlend::kSpread555
                                                                                     : SurfaceBlend::kSpread565;
                return SurfaceBlend::Fold((((w >> 3) * SurfaceBlend::Spread(q, k)) >> 5) & k) +
                       SurfaceBlend::Fold(((SurfaceBlend::Spread(d, k) * ((256 - w) >> 3)) >> 5) & k);
            }
        };
        LineDrawing::Smooth(x0, y0, x1, y1, [&](int x, int y, uint32_t weight) {
            Plot<Pixel>(dest, mWidth, mHeight, x, y, [&](uint32_t d) { return blend(d, scaled(weight)); });
        });
    });
    UnlockSurface();
}

} // namespace Vorn
