#pragma once
// The base of every image: size, file path, the division into cels, an
// optional cel animation, and the full list of drawing operations an image can
// receive as a destination. The drawing context talks only to this interface;
// a destination that cannot do something draws nothing.

#include "framework/graphics/CelAnimation.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Matrix3x3.h"
#include "framework/graphics/Point.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vorn {

// One horizontal run of a scan-line fill.
struct Span {
    int mY = 0;
    int mX = 0;
    int mWidth = 0;
};

// A vertex of the textured triangles and the matrix blit. A colour of 0 means
// the vertex has no colour of its own: the draw colour alone applies.
struct TriangleVertex {
    float mX = 0;
    float mY = 0;
    float mU = 0;
    float mV = 0;
    uint32_t mColor = 0;
};

// Draw modes.
inline constexpr int kDrawModeNormal = 0;
inline constexpr int kDrawModeAdditive = 1;

class Image {
public:
    Image();
    // Size, cels and animation are copied; the path is not, and the copy has
    // not been drawn.
    Image(const Image& other);
    Image& operator=(const Image&) = delete;
    virtual ~Image();

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    // Rows and columns below 1 count as 1: the manifest accepts 0 and
    // negative values, which must not divide by zero.
    int GetCelWidth() const;
    int GetCelHeight() const;
    // Cels are numbered row by row.
    Rect GetCelRect(int cel) const;
    // The rectangle has an area and lies inside the image: a blit may read
    // all of it.
    bool Holds(const Rect& rect) const;
    // Takes the other image's cel layout and a copy of its animation.
    void CopyAttributes(const Image& other);

    // Destination operations. Colours multiply the source unless they equal
    // Color::White; mode is kDrawModeNormal or kDrawModeAdditive.
    // True when the polygon was drawn; false asks the caller to fill it itself.
    virtual bool FillPolygon3D(const Point* vertices, int count, const Rect& clip, const Color& color, int mode,
        int offsetX, int offsetY);
    virtual void FillRect(const Rect& rect, const Color& color, int mode);
    // The outline covers width + 1 by height + 1 pixels, each filled once.
    virtual void DrawRect(const Rect& rect, const Color& color, int mode);
    virtual void ClearRect(const Rect& rect);
    virtual void DrawLine(double startX, double startY, double endX, double endY, const Color& color, int mode);
    virtual void DrawSmoothLine(double startX, double startY, double endX, double endY, const Color& color, int mode);
    virtual void FillSpans(const Span* spans, int count, const Color& color, int mode);
    virtual void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int mode,
        const uint8_t* coverage, int mapX, int mapY, int mapWidth, int mapHeight);
    virtual void Blt(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode);
    virtual void BltAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode);
    // The centre is relative to the source rectangle.
    virtual void BltRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, double angle, float centerX, float centerY);
    virtual void StretchBlt(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, bool fastStretch);
    virtual void BltByMatrix(Image* source, float x, float y, const Matrix3x3& matrix, const Rect& clip,
        const Color& color, int mode, const Rect& sourceRect, bool blend);
    // Three vertices a triangle.
    virtual void DrawTexturedTriangles(Image* source, const TriangleVertex (*triangles)[3], int count,
        const Rect& clip, const Color& color, int mode, float offsetX, float offsetY, bool blend);
    virtual void BltMirrored(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode);
    virtual void StretchBltMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, bool fastStretch);

    // True for an image the display draws through its 3D path; the drawing
    // context then sends every transformed draw through the matrix blit.
    virtual bool UsesDirect3D() const { return false; }

    // Set whenever the image is the source of a blit; never cleared.
    bool mDrawn = false;
    std::string mFilePath;
    int mWidth = 0;
    int mHeight = 0;
    int mNumRows = 1;
    int mNumCols = 1;
    std::unique_ptr<CelAnimation> mAnimation;
};

// The image a drawing context draws on when it is given none.
Image& TheEmptyImage();

} // namespace Vorn
