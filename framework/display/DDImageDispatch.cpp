// Where each drawing operation on a DDImage lands: the 3D road, software
// drawing on the locked surface, or the memory image's operation on the
// bits. Lines, rotated and stretched blits have files of their own.

#include "framework/display/DDImage.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"

#include <algorithm>
#include <vector>

namespace Vorn {

// An attached surface is the only store of its pixels: bits drawn on beside
// it would never reach it.
bool DDImage::DrawsOnBits()
{
    return !UsesDirect3D() && !mSurfaceAttached && GetBits();
}

void DDImage::Blt(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode)
{
    if (source)
        source->mDrawn = true;
    ScanPixelFlags();
    if (UsesDirect3D()) {
        auto* ddSource = dynamic_cast<DDImage*>(source);
        if (ddSource && ddSource->mSurface && mode == kDrawModeNormal && color.IsWhite() && !ddSource->mHasAlpha)
            HardwareCopy(*ddSource, x, y, sourceRect);
        else
            mDisplay->mD3DInterface->Blt(dynamic_cast<MemoryImage*>(source), x, y, sourceRect, color, mode, false);
        return;
    }
    if (!TakesSurfaceRoad()) {
        if (GetBits())
            MemoryImage::Blt(source, x, y, sourceRect, color, mode);
        return;
    }
    if (mode == kDrawModeNormal)
        BltNormalOnSurface(source, x, y, sourceRect, color);
    else if (mode == kDrawModeAdditive)
        BltAdditiveOnSurface(source, x, y, sourceRect, color);
    FreeAllButSurface();
}

// No memory road: without a surface to lock nothing is drawn and the bits
// stay.
void DDImage::BltMirrored(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode)
{
    ScanPixelFlags();
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->BltMirrored(dynamic_cast<MemoryImage*>(source), x, y, sourceRect, color, mode);
        return;
    }
    if (!SurfaceLockable())
        return;
    if (mode == kDrawModeNormal)
        BltMirroredNormalOnSurface(source, x, y, sourceRect, color);
    else if (mode == kDrawModeAdditive)
        BltMirroredAdditiveOnSurface(source, x, y, sourceRect, color);
    FreeAllButSurface();
}

void DDImage::BltAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode)
{
    if (source)
        source->mDrawn = true;
    if (UsesDirect3D())
        mDisplay->mD3DInterface->BltAtFloat(dynamic_cast<MemoryImage*>(source), x, y, sourceRect, clip, color, mode);
    else
        BltRotated(source, x, y, sourceRect, clip, color, mode, 0.0, 0.0f, 0.0f);
}

// The triangle format of the locked surface: 32-bit surfaces of 8-bit
// channels in either order, 5-6-5 and 5-5-5; any other layout none (0).
SWTri::Destination DDImage::SurfaceDestination() const
{
    const LockedDesc& desc = mLockedSurfaceDesc;
    const Platform::PixelFormat& f = desc.mFormat;
    SWTri::Destination dest;
    dest.bits = desc.mBits;
    dest.pitch = desc.mPitch;
    dest.width = mWidth;
    dest.height = mHeight;
    if (f.bitsPerPixel == 32 && f.greenMask == 0xFF00 && (f.redMask | f.blueMask) == 0xFF00FF) {
        dest.format = SWTri::kFormat888;
        dest.redLow = f.redMask == 0xFF;
    } else if (f == Platform::kFormatR5G6B5) {
        dest.format = SWTri::kFormat565;
    } else if (f == Platform::kFormatX1R5G5B5) {
        dest.format = SWTri::kFormat555;
    }
    return dest;
}

// On the locked surface, whatever its flags; without a surface to lock, on
// the bits.
void DDImage::BltByMatrix(Image* source, float x, float y, const Matrix3x3& matrix, const Rect& clip,
    const Color& color, int mode, const Rect& sourceRect, bool blend)
{
    if (source)
        source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->BltTransformed(from, &clip, color, mode, sourceRect, matrix, blend, x, y, true);
        return;
    }
    if (!from)
        return;
    if (!LockSurface()) {
        if (DrawsOnBits())
            MemoryImage::BltByMatrix(source, x, y, matrix, clip, color, mode, sourceRect, blend);
        return;
    }
    if (!mNoLock && from->Holds(sourceRect))
        BltByMatrixKernel(sourceRect, matrix, *from, x, y, clip, color, SurfaceDestination(), blend, mode);
    UnlockSurface();
    FreeAllButSurface();
}

void DDImage::DrawTexturedTriangles(Image* source, const TriangleVertex (*triangles)[3], int count, const Rect& clip,
    const Color& color, int mode, float offsetX, float offsetY, bool blend)
{
    if (source)
        source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->DrawTexturedTriangles(from, triangles, count, color, mode, offsetX, offsetY, blend);
        return;
    }
    if (!from)
        return;
    if (!LockSurface()) {
        if (DrawsOnBits())
            MemoryImage::DrawTexturedTriangles(source, triangles, count, clip, color, mode, offsetX, offsetY, blend);
        return;
    }
    if (!mNoLock && triangles && count > 0)
        DrawTexturedTrianglesKernel(*from, triangles, count, clip, color, SurfaceDestination(), offsetX, offsetY,
            blend, mode);
    UnlockSurface();
    FreeAllButSurface();
}

void DDImage::FillSpansWithCoverage(const Span* spans, int count, const Color& color, int mode,
    const uint8_t* coverage, int mapX, int mapY, int mapWidth, int mapHeight)
{
    if (count <= 0 || !spans || !coverage || mapWidth <= 0)
        return;
    if (UsesDirect3D()) {
        FillSpansThroughTemporaryImage(spans, count, color, mode, coverage, mapX, mapY, mapWidth, mapHeight);
        return;
    }
    if (LockSurface()) {
        if (!mNoLock)
            FillSpansOnSurface(spans, count, color, coverage, mapX, mapY, mapWidth, mapHeight);
        UnlockSurface();
        FreeAllButSurface();
        return;
    }
    if (DrawsOnBits())
        MemoryImage::FillSpansWithCoverage(spans, count, color, mode, coverage, mapX, mapY, mapWidth, mapHeight);
}

// The spans are filled into a transparent image just large enough and that
// is blitted. Spans are held to this image first, so that the temporary image
// never outgrows it; the caller's list is left as it was.
void DDImage::FillSpansThroughTemporaryImage(const Span* spans, int count, const Color& color, int mode,
    const uint8_t* coverage, int mapX, int mapY, int mapWidth, int mapHeight)
{
    std::vector<Span> kept;
    for (int i = 0; i < count; ++i) {
        const Span& span = spans[i];
        const int left = std::max(span.mX, 0);
        const int right = std::min(span.mX + span.mWidth, mWidth);
        if (span.mY >= 0 && span.mY < mHeight && right > left)
            kept.push_back(Span{span.mY, left, right - left});
    }
    if (kept.empty())
        return;
    int minX = kept.front().mX;
    int right = minX + kept.front().mWidth - 1;
    int minY = kept.front().mY;
    int maxY = minY;
    for (const Span& span : kept) {
        minX = std::min(minX, span.mX);
        right = std::max(right, span.mX + span.mWidth - 1);
        minY = std::min(minY, span.mY);
        maxY = std::max(maxY, span.mY);
    }
    for (Span& span : kept) {
        span.mX -= minX;
        span.mY -= minY;
    }
    MemoryImage temporary(mApp);
    temporary.Create(right - minX + 1, maxY - minY + 1);
    temporary.FillSpansWithCoverage(kept.data(), static_cast<int>(kept.size()), color, mode, coverage, mapX - minX,
        mapY - minY, mapWidth, mapHeight);
    Blt(&temporary, minX, minY, Rect(0, 0, temporary.mWidth, temporary.mHeight), Color::White, mode);
}

} // namespace Vorn
