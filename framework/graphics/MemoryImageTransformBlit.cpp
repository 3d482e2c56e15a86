// The matrix blit and the textured triangles of a memory image, drawn
// through the software triangles; the kernels are shared with surface
// images, which pass their locked surface instead.

#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/SWTri.h"

namespace Vorn {

SWTri::Destination MemoryImage::TriangleDestination()
{
    SWTri::Destination dest;
    dest.bits = reinterpret_cast<uint8_t*>(mBits.get());
    dest.pitch = mWidth * 4;
    dest.width = mWidth;
    dest.height = mHeight;
    dest.format = mForcedMode && !mHasTrans && !mHasAlpha ? SWTri::kFormat888 : SWTri::kFormat8888;
    return dest;
}

// The corners about the source rectangle's centre, turned and scaled by the
// matrix, then moved by the position less half a pixel: the matrix acts
// about the centre and the position places it, texel for pixel.
void MemoryImage::BltByMatrixKernel(const Rect& sourceRect, const Matrix3x3& matrix, MemoryImage& source, float x,
    float y, const Rect& clip, const Color& color, const SWTri::Destination& dest, bool linear, int mode)
{
    const float w = static_cast<float>(sourceRect.mWidth) / 2.0f;
    const float h = static_cast<float>(sourceRect.mHeight) / 2.0f;
    const float width = static_cast<float>(source.mWidth);
    const float height = static_cast<float>(source.mHeight);
    const float u0 = static_cast<float>(sourceRect.mX) / width;
    const float v0 = static_cast<float>(sourceRect.mY) / height;
    const float u1 = static_cast<float>(sourceRect.mX + sourceRect.mWidth) / width;
    const float v1 = static_cast<float>(sourceRect.mY + sourceRect.mHeight) / height;
    const float corners[4][4] = {{-w, -h, u0, v0}, {w, -h, u1, v0}, {-w, h, u0, v1}, {w, h, u1, v1}};
    TriangleVertex strip[4];
    for (int i = 0; i < 4; ++i) {
        const Vector3 p = matrix.TransformVector3(corners[i][0], corners[i][1], 1.0f);
        strip[i] = TriangleVertex{p.mX + x - 0.5f, p.mY + y - 0.5f, corners[i][2], corners[i][3], 0xFFFFFFFF};
    }
    SWTri::DrawTriangles(strip, 4, &source, dest, linear, false, clip, color, mode);
}

void MemoryImage::DrawTexturedTrianglesKernel(MemoryImage& source, const TriangleVertex (*triangles)[3], int count,
    const Rect& clip, const Color& color, const SWTri::Destination& dest, float offsetX, float offsetY, bool linear,
    int mode)
{
    for (int i = 0; i < count; ++i) {
        TriangleVertex corners[3];
        bool colored = false;
        for (int k = 0; k < 3; ++k) {
            corners[k] = triangles[i][k];
            corners[k].mX += offsetX;
            corners[k].mY += offsetY;
            colored = colored || corners[k].mColor != 0;
        }
        SWTri::DrawTriangles(corners, 3, &source, dest, linear, colored, clip, color, mode);
    }
}

void MemoryImage::BltByMatrix(Image* source, float x, float y, const Matrix3x3& matrix, const Rect& clip,
    const Color& color, int mode, const Rect& sourceRect, bool blend)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (!from || !from->Holds(sourceRect) || !GetBits())
        return;
    BltByMatrixKernel(sourceRect, matrix, *from, x, y, clip, color, TriangleDestination(), blend, mode);
    MarkBitsChanged();
}

void MemoryImage::DrawTexturedTriangles(Image* source, const TriangleVertex (*triangles)[3], int count,
    const Rect& clip, const Color& color, int mode, float offsetX, float offsetY, bool blend)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (!from || !triangles || count <= 0 || !GetBits())
        return;
    DrawTexturedTrianglesKernel(*from, triangles, count, clip, color, TriangleDestination(), offsetX, offsetY, blend,
        mode);
    MarkBitsChanged();
}

} // namespace Vorn
