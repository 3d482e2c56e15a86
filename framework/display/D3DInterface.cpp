// The drawing side of the 3D road: the device and its scene, blits as
// textured quads piece by piece, the polygon clipper, textured triangles and
// the untextured shapes.

#include "framework/display/D3DInterface.h"

#include "framework/app/VornAppBase.h"
#include "framework/display/DDInterface.h"
#include "framework/display/DirectXResultText.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Matrix3x3.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Surface.h"
#include "platform/Window.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace Vorn {

namespace {

float& AxisOf(ScreenVertex& v, int axis)
{
    switch (axis) {
    case 0:
        return v.x;
    case 1:
        return v.y;
    case 2:
        return v.z;
    case 3:
        return v.u;
    default:
        return v.v;
    }
}

float AxisOf(const ScreenVertex& v, int axis)
{
    return AxisOf(const_cast<ScreenVertex&>(v), axis);
}

// Each 8-bit channel interpolated and rounded to the nearest.
uint32_t MixColors(uint32_t a, uint32_t b, float t)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float ca = static_cast<float>((a >> shift) & 0xFF);
        const float cb = static_cast<float>((b >> shift) & 0xFF);
        const auto c = static_cast<uint32_t>(std::clamp(std::lround(ca + (cb - ca) * t), 0L, 255L));
        out |= c << shift;
    }
    return out;
}

ScreenVertex Vertex(float x, float y, uint32_t diffuse, float u, float v)
{
    ScreenVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.diffuse = diffuse;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

} // namespace

void ClipVertexList::Clip(const ClipVertexList& in, int axis, float bound, bool keepAbove)
{
    mVertices.clear();
    const int n = in.Count();
    if (n < 2)
        return;
    const auto inside = [&](const ScreenVertex& v) {
        return keepAbove ? AxisOf(v, axis) >= bound : AxisOf(v, axis) < bound;
    };
    const auto cross = [&](const ScreenVertex& a, const ScreenVertex& b) {
        const float t = (bound - AxisOf(a, axis)) / (AxisOf(b, axis) - AxisOf(a, axis));
        ScreenVertex out = a;
        out.x = a.x + (b.x - a.x) * t;
        out.y = a.y + (b.y - a.y) * t;
        out.u = a.u + (b.u - a.u) * t;
        out.v = a.v + (b.v - a.v) * t;
        if (a.diffuse != b.diffuse)
            out.diffuse = MixColors(a.diffuse, b.diffuse, t);
        return out;
    };
    for (int i = 0; i < n; ++i) {
        const ScreenVertex& a = in.mVertices[static_cast<size_t>((i + n - 1) % n)];
        const ScreenVertex& b = in.mVertices[static_cast<size_t>(i)];
        const bool aIn = inside(a);
        const bool bIn = inside(b);
        if (aIn && bIn) {
            Add(b);
        } else if (aIn) {
            Add(cross(a, b));
        } else if (bIn) {
            Add(cross(a, b));
            Add(b);
        }
    }
}

void ClipVertexList::ClipToMin(const ClipVertexList& in, int axis, float bound)
{
    Clip(in, axis, bound, true);
}

void ClipVertexList::ClipToMax(const ClipVertexList& in, int axis, float bound)
{
    Clip(in, axis, bound, false);
}

D3DInterface::D3DInterface(DDInterface* display) : mDisplay(display) {}

D3DInterface::~D3DInterface()
{
    Cleanup();
}

bool D3DInterface::CheckResult3D(int32_t result, const char* operation)
{
    if (result >= 0)
        return false;
    mLastError = std::string(operation) + ": " + DirectXResultText(result);
    // Device errors belong to this machine, not to a recorded game: written
    // straight to the store.
    if (mDisplay && mDisplay->mApp)
        mDisplay->mApp->WriteSettingDirect("Test3D\\RuntimeError", mLastError);
    return true;
}

bool D3DInterface::AttachToDisplay()
{
    mLastError.clear();
    mDrawSurface = mDisplay->mDrawSurface;
    mWidth = mDisplay->mWidth;
    mHeight = mDisplay->mHeight;
    if (!mDrawSurface) {
        CheckResult3D(Platform::kDDErrInvalidParams, "Query DrawSurface");
        return false;
    }
    mWindowed = mDisplay->mIsWindowed;
    return CreateDevice3D();
}

bool D3DInterface::CreateDevice3D()
{
    mDevice = std::make_unique<SoftDevice3D>();
    if (CheckResult3D(mDevice->SetRenderTarget(mDrawSurface), "CreateDevice IID_IDirect3DHALDevice")) {
        mDevice.reset();
        return false;
    }
    const DeviceCaps caps = SoftDevice3D::Caps();
    mMinTextureWidth = caps.minTextureWidth;
    mMinTextureHeight = caps.minTextureHeight;
    mMaxTextureWidth = caps.maxTextureWidth;
    mMaxTextureHeight = caps.maxTextureHeight;
    mMaxTextureAspect = caps.maxTextureAspect;
    mLinearFilter = false;
    if (mMaxTextureWidth == 0) {
        mMinTextureWidth = mMinTextureHeight = mMaxTextureWidth = mMaxTextureHeight = 64;
        mMaxTextureAspect = 1;
    } else {
        mMaxTextureWidth = std::min(mMaxTextureWidth, 1024);
        mMaxTextureHeight = std::min(mMaxTextureHeight, 1024);
        mMinTextureWidth = std::max(mMinTextureWidth, 1);
        mMinTextureHeight = std::max(mMinTextureHeight, 1);
        if (mMaxTextureAspect == 0)
            mMaxTextureAspect = 65536;
    }
    mFormatMask = TextureFormatMask(SoftDevice3D::EnumTextureFormats());
    if (!caps.alphaPalette)
        mFormatMask &= ~kTexturePalette8;
    // The drawing surface may differ from the window's client area (or be
    // empty while minimised): the viewport covers the surface.
    mViewport = Rect(0, 0, mDrawSurface->Width(), mDrawSurface->Height());
    if (CheckResult3D(mDevice->SetViewport(0, 0, mViewport.mWidth, mViewport.mHeight), "SetViewport"))
        return false;
    return !CheckResult3D(mDevice->Clear(0xFF000000), "Clear");
}

void D3DInterface::EndOpenScene()
{
    if (!mSceneOpen)
        return;
    if (mDevice)
        CheckResult3D(mDevice->EndScene(), "EndScene");
    mSceneOpen = false;
}

void D3DInterface::FreeAllTextures()
{
    if (!mDisplay)
        return;
    const AutoCrit lock(mDisplay->mCritSect);
    for (MemoryImage* image : mTextureImages) {
        // Textures of a purged image are its only copy of the pixels.
        if (!image->mBits && !image->mColorIndices)
            image->GetBits();
        delete image->mD3DData;
        image->mD3DData = nullptr;
    }
    mTextureImages.clear();
}

void D3DInterface::Cleanup()
{
    EndOpenScene();
    FreeAllTextures();
    mDevice.reset();
    mDrawSurface.reset();
}

bool D3DInterface::BeginSceneIfNeeded()
{
    Platform::Window* window = mDisplay->mWindow;
    if (window && window->IsMinimized())
        return false;
    if (!mDevice)
        return false;
    if (!mSceneOpen) {
        if (mDevice->SetRenderTarget(mDrawSurface) != Platform::kDDOk) {
            mBeginSceneFailed = true;
            return false;
        }
        mBeginSceneFailed = false;
        mDevice->BeginScene();
        mDevice->SetBlending(true);
        mDevice->SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
        mDevice->SetLinearFilter(false);
        mSceneOpen = true;
        mLinearFilter = false;
    }
    return true;
}

void D3DInterface::SetBlendMode(int mode)
{
    mDevice->SetBlendFactors(BlendFactor::SrcAlpha,
        mode == kDrawModeNormal ? BlendFactor::InvSrcAlpha : BlendFactor::One);
}

void D3DInterface::SetLinearFilter(bool linear)
{
    if (linear == mLinearFilter)
        return;
    mDevice->SetLinearFilter(linear);
    mLinearFilter = linear;
}

void D3DInterface::SetNoTexture()
{
    mDevice->SetTexture(nullptr);
}

bool D3DInterface::Draw(Primitive type, const ScreenVertex* vertices, int count, const char* operation)
{
    return !CheckResult3D(mDevice->DrawPrimitive(type, vertices, count), operation);
}

void D3DInterface::DrawTexturePieces(TextureSet& set, const Rect& sourceRect, int x, int y, uint32_t diffuse)
{
    // Held to the image: a rectangle reaching past it would ask for pieces
    // outside the grid.
    const Rect source = sourceRect.Intersection(Rect(0, 0, set.mImageWidth, set.mImageHeight));
    if (source.mWidth <= 0 || source.mHeight <= 0)
        return;
    const float left = static_cast<float>(x + source.mX - sourceRect.mX) - 0.5f;
    float destY = static_cast<float>(y + source.mY - sourceRect.mY) - 0.5f;
    int sy = source.mY;
    int rowsLeft = source.mHeight;
    while (rowsLeft > 0) {
        float destX = left;
        int sx = source.mX;
        int columnsLeft = source.mWidth;
        int rowHeight = 0;
        while (columnsLeft > 0) {
            const PiecePart part = set.GetPieceAt(sx, sy, columnsLeft, rowsLeft);
            if (part.mWidth <= 0 || part.mHeight <= 0)
                return;
            mDevice->SetTexture(set.mPieces[static_cast<size_t>(part.mIndex)].mTexture);
            const auto w = static_cast<float>(part.mWidth);
            const auto h = static_cast<float>(part.mHeight);
            const ScreenVertex quad[4] = {Vertex(destX, destY, diffuse, part.mU0, part.mV0),
                Vertex(destX, destY + h, diffuse, part.mU0, part.mV1),
                Vertex(destX + w, destY, diffuse, part.mU1, part.mV0),
                Vertex(destX + w, destY + h, diffuse, part.mU1, part.mV1)};
            Draw(Primitive::TriangleStrip, quad, 4, "DrawPrimitive (Tri) 1");
            destX += w;
            sx += part.mWidth;
            columnsLeft -= part.mWidth;
            rowHeight = part.mHeight;
        }
        destY += static_cast<float>(rowHeight);
        sy += rowHeight;
        rowsLeft -= rowHeight;
    }
}

void D3DInterface::Blt(MemoryImage* image, int x, int y, const Rect& sourceRect, const Color& color, int mode,
    bool linear)
{
    if (!image || !BeginSceneIfNeeded() || !PrepareImage(image))
        return;
    SetBlendMode(mode);
    SetLinearFilter(linear);
    DrawTexturePieces(*image->mD3DData, sourceRect, x, y, color.ToInt());
}

void D3DInterface::BltAtFloat(MemoryImage* image, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode)
{
    Matrix3x3 matrix;
    matrix.Translate(x, y);
    BltTransformed(image, &clip, color, mode, sourceRect, matrix, true, 0, 0, false);
}

void D3DInterface::BltMirrored(MemoryImage* image, int x, int y, const Rect& sourceRect, const Color& color,
    int mode)
{
    Matrix3x3 matrix;
    matrix.Translate(static_cast<float>(-sourceRect.mWidth), 0);
    matrix.Scale(-1, 1);
    matrix.Translate(static_cast<float>(x), static_cast<float>(y));
    BltTransformed(image, nullptr, color, mode, sourceRect, matrix, false, 0, 0, false);
}

void D3DInterface::StretchBlt(MemoryImage* image, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, bool fastStretch, bool mirror)
{
    if (sourceRect.mWidth <= 0 || sourceRect.mHeight <= 0)
        return;
    const float scaleX = static_cast<float>(destRect.mWidth) / static_cast<float>(sourceRect.mWidth);
    const float scaleY = static_cast<float>(destRect.mHeight) / static_cast<float>(sourceRect.mHeight);
    Matrix3x3 matrix;
    if (mirror)
        matrix.Translate(static_cast<float>(-sourceRect.mWidth), 0);
    matrix.Scale(mirror ? -scaleX : scaleX, scaleY);
    matrix.Translate(static_cast<float>(destRect.mX), static_cast<float>(destRect.mY));
    BltTransformed(image, &clip, color, mode, sourceRect, matrix, !fastStretch, 0, 0, false);
}

void D3DInterface::BltRotated(MemoryImage* image, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, double angle, float centerX, float centerY)
{
    Matrix3x3 matrix;
    matrix.Translate(-centerX, -centerY);
    matrix.RotateRad(static_cast<float>(angle));
    matrix.Translate(x + centerX, y + centerY);
    BltTransformed(image, &clip, color, mode, sourceRect, matrix, true, 0, 0, false);
}

void D3DInterface::BltTransformed(MemoryImage* image, const Rect* clip, const Color& color, int mode,
    const Rect& sourceRect, const Matrix3x3& matrix, bool linear, float x, float y, bool center)
{
    if (!image || !BeginSceneIfNeeded() || !PrepareImage(image))
        return;
    SetBlendMode(mode);
    SetLinearFilter(linear);
    TextureSet& set = *image->mD3DData;
    const Rect source = sourceRect.Intersection(Rect(0, 0, set.mImageWidth, set.mImageHeight));
    if (source.mWidth <= 0 || source.mHeight <= 0)
        return;
    const uint32_t diffuse = color.ToInt();
    const float originX = center ? -static_cast<float>(sourceRect.mWidth) * 0.5f : 0.0f;
    const float originY = center ? -static_cast<float>(sourceRect.mHeight) * 0.5f : 0.0f;
    const float shift = center ? 0.0f : -0.5f;
    ClipVertexList list;
    int sy = source.mY;
    int rowsLeft = source.mHeight;
    while (rowsLeft > 0) {
        int sx = source.mX;
        int columnsLeft = source.mWidth;
        int rowHeight = 0;
        while (columnsLeft > 0) {
            const PiecePart part = set.GetPieceAt(sx, sy, columnsLeft, rowsLeft);
            if (part.mWidth <= 0 || part.mHeight <= 0)
                return;
            const float l = originX + static_cast<float>(sx - sourceRect.mX);
            const float t = originY + static_cast<float>(sy - sourceRect.mY);
            const float r = l + static_cast<float>(part.mWidth);
            const float b = t + static_cast<float>(part.mHeight);
            const auto corner = [&](float cx, float cy, float u, float v) {
                const Vector2 p = matrix.TransformPoint(cx, cy);
                return Vertex(p.mX + x + shift, p.mY + y + shift, diffuse, u, v);
            };
            const ScreenVertex topLeft = corner(l, t, part.mU0, part.mV0);
            const ScreenVertex bottomLeft = corner(l, b, part.mU0, part.mV1);
            const ScreenVertex topRight = corner(r, t, part.mU1, part.mV0);
            const ScreenVertex bottomRight = corner(r, b, part.mU1, part.mV1);
            mDevice->SetTexture(set.mPieces[static_cast<size_t>(part.mIndex)].mTexture);
            const ScreenVertex quad[4] = {topLeft, bottomLeft, topRight, bottomRight};
            const bool outside = clip && std::any_of(std::begin(quad), std::end(quad), [&](const ScreenVertex& v) {
                return v.x < static_cast<float>(clip->mX) || v.x >= static_cast<float>(clip->mX + clip->mWidth) ||
                       v.y < static_cast<float>(clip->mY) || v.y >= static_cast<float>(clip->mY + clip->mHeight);
            });
            if (outside) {
                list.Clear();
                list.Add(topLeft);
                list.Add(bottomLeft);
                list.Add(bottomRight);
                list.Add(topRight);
                ClipPolyToRect(list, *clip);
            } else {
                Draw(Primitive::TriangleStrip, quad, 4, "DrawPrimitive (Tri) 3");
            }
            sx += part.mWidth;
            columnsLeft -= part.mWidth;
            rowHeight = part.mHeight;
        }
        sy += rowHeight;
        rowsLeft -= rowHeight;
    }
}

void D3DInterface::ClipPolyToRect(ClipVertexList& list, const Rect& rect)
{
    const auto left = static_cast<float>(rect.mX);
    const auto top = static_cast<float>(rect.mY);
    const auto right = static_cast<float>(rect.mX + rect.mWidth);
    const auto bottom = static_cast<float>(rect.mY + rect.mHeight);
    ClipVertexList other;
    other.ClipToMin(list, 0, left);
    list.ClipToMin(other, 1, top);
    other.ClipToMax(list, 0, right);
    list.ClipToMax(other, 1, bottom);
    // A vertex made at an edge lies off it by float's precision at the far
    // corner it came from, which at 1e38 is more than the screen: held to
    // the rectangle, the fan cannot reach past it.
    for (ScreenVertex& v : std::span(list.Data(), static_cast<size_t>(list.Count()))) {
        v.x = std::clamp(v.x, left, right);
        v.y = std::clamp(v.y, top, bottom);
    }
    if (list.Count() > 2)
        Draw(Primitive::TriangleFan, list.Data(), list.Count(), "DrawPrimitive (Tri) 2");
}

bool D3DInterface::ClipPolyToUnitUV(ClipVertexList& list)
{
    ClipVertexList other;
    other.ClipToMin(list, 3, 0.0f);
    list.ClipToMin(other, 4, 0.0f);
    other.ClipToMax(list, 3, 1.0f);
    list.ClipToMax(other, 4, 1.0f);
    return list.Count() >= 3;
}

void D3DInterface::DrawTexturedTriangles(MemoryImage* image, const TriangleVertex (*triangles)[3], int count,
    const Color& color, int mode, float tx, float ty, bool linear)
{
    if (!image || !triangles || count <= 0 || !BeginSceneIfNeeded() || !PrepareImage(image))
        return;
    SetBlendMode(mode);
    SetLinearFilter(linear);
    DrawTexturedTrianglesPieces(*image->mD3DData, triangles, count, color.ToInt(), tx, ty);
}

void D3DInterface::DrawTexturedTrianglesPieces(TextureSet& set, const TriangleVertex (*triangles)[3], int count,
    uint32_t diffuse, float tx, float ty)
{
    const auto colorOf = [&](const TriangleVertex& v) { return v.mColor ? v.mColor : diffuse; };
    if (set.mExtentX <= 1.0f && set.mExtentY <= 1.0f) {
        mDevice->SetTexture(set.mPieces.front().mTexture);
        constexpr int kBatch = 100;
        std::vector<ScreenVertex> batch;
        batch.reserve(kBatch * 3);
        for (int i = 0; i < count; ++i) {
            for (const TriangleVertex& v : triangles[i])
                batch.push_back(
                    Vertex(v.mX + tx, v.mY + ty, colorOf(v), v.mU * set.mExtentX, v.mV * set.mExtentY));
            if (batch.size() == kBatch * 3 || i == count - 1) {
                Draw(Primitive::TriangleList, batch.data(), static_cast<int>(batch.size()), "DrawPrimitive (TriList)");
                batch.clear();
            }
        }
        return;
    }
    const TexturePiece& first = set.mPieces.front();
    ClipVertexList list;
    for (int i = 0; i < count; ++i) {
        ScreenVertex corners[3];
        for (int k = 0; k < 3; ++k) {
            const TriangleVertex& v = triangles[i][k];
            corners[k] = Vertex(v.mX + tx, v.mY + ty, colorOf(v), v.mU * set.mExtentX, v.mV * set.mExtentY);
        }
        const auto [minU, maxU] = std::minmax({corners[0].u, corners[1].u, corners[2].u});
        const auto [minV, maxV] = std::minmax({corners[0].v, corners[1].v, corners[2].v});
        if (!std::isfinite(minU) || !std::isfinite(maxU) || !std::isfinite(minV) || !std::isfinite(maxV))
            continue;
        const auto cell = [](float value, int cells) {
            return static_cast<int>(std::clamp(static_cast<double>(value), 0.0, static_cast<double>(cells - 1)));
        };
        const int firstColumn = cell(std::floor(minU), set.mColumns);
        const int lastColumn = cell(std::ceil(maxU), set.mColumns);
        const int firstRow = cell(std::floor(minV), set.mRows);
        const int lastRow = cell(std::ceil(maxV), set.mRows);
        for (int row = firstRow; row <= lastRow; ++row) {
            for (int column = firstColumn; column <= lastColumn; ++column) {
                const TexturePiece& piece = set.mPieces[static_cast<size_t>(row * set.mColumns + column)];
                list.Clear();
                for (ScreenVertex corner : corners) {
                    corner.u -= static_cast<float>(column);
                    corner.v -= static_cast<float>(row);
                    if (column == set.mColumns - 1)
                        corner.u *= static_cast<float>(first.mWidth) / static_cast<float>(piece.mWidth);
                    if (row == set.mRows - 1)
                        corner.v *= static_cast<float>(first.mHeight) / static_cast<float>(piece.mHeight);
                    list.Add(corner);
                }
                if (!ClipPolyToUnitUV(list))
                    continue;
                mDevice->SetTexture(piece.mTexture);
                Draw(Primitive::TriangleFan, list.Data(), list.Count(), "DrawPrimitive (Tri) 4");
            }
        }
    }
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, int mode)
{
    if (!BeginSceneIfNeeded())
        return;
    SetBlendMode(mode);
    SetNoTexture();
    const uint32_t diffuse = color.ToInt();
    const float x = static_cast<float>(rect.mX) - 0.5f;
    const float y = static_cast<float>(rect.mY) - 0.5f;
    const auto w = static_cast<float>(rect.mWidth);
    const auto h = static_cast<float>(rect.mHeight);
    const ScreenVertex quad[4] = {Vertex(x, y, diffuse, 0, 0), Vertex(x, y + h, diffuse, 0, 0),
        Vertex(x + w, y, diffuse, 0, 0), Vertex(x + w, y + h, diffuse, 0, 0)};
    Draw(Primitive::TriangleStrip, quad, 4, "DrawPrimitive (Rect)");
}

void D3DInterface::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int mode)
{
    if (!BeginSceneIfNeeded())
        return;
    SetBlendMode(mode);
    SetNoTexture();
    const uint32_t diffuse = color.ToInt();
    const auto ex = static_cast<float>(x2);
    const auto ey = static_cast<float>(y2);
    const ScreenVertex strip[3] = {Vertex(static_cast<float>(x1), static_cast<float>(y1), diffuse, 0, 0),
        Vertex(ex, ey, diffuse, 0, 0), Vertex(ex + 0.5f, ey + 0.5f, diffuse, 0, 0)};
    Draw(Primitive::LineStrip, strip, 3, "DrawPrimitive (Line)");
}

void D3DInterface::FillPoly(const Point* points, int count, const Rect* clip, const Color& color, int mode, int tx,
    int ty)
{
    if (!points || count < 3 || !BeginSceneIfNeeded())
        return;
    SetBlendMode(mode);
    SetNoTexture();
    const uint32_t diffuse = color.ToInt();
    ClipVertexList list;
    for (int i = 0; i < count; ++i)
        list.Add(Vertex(static_cast<float>(points[i].mX + tx), static_cast<float>(points[i].mY + ty), diffuse, 0, 0));
    if (clip)
        ClipPolyToRect(list, *clip);
    else
        Draw(Primitive::TriangleFan, list.Data(), list.Count(), "DrawPrimitive (FillPoly)");
}

} // namespace Vorn
