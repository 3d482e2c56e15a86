#include "framework/graphics/Image.h"

namespace Vorn {

Image::Image() = default;

Image::Image(const Image& other)
    : mWidth(other.mWidth), mHeight(other.mHeight), mNumRows(other.mNumRows), mNumCols(other.mNumCols),
      mAnimation(other.mAnimation ? std::make_unique<CelAnimation>(*other.mAnimation) : nullptr)
{
}

Image::~Image() = default;

int Image::GetCelWidth() const
{
    return mWidth / (mNumCols < 1 ? 1 : mNumCols);
}

int Image::GetCelHeight() const
{
    return mHeight / (mNumRows < 1 ? 1 : mNumRows);
}

bool Image::Holds(const Rect& rect) const
{
    return rect.mWidth > 0 && rect.mHeight > 0 && rect.Intersection(Rect(0, 0, mWidth, mHeight)) == rect;
}

Rect Image::GetCelRect(int cel) const
{
    const int columns = mNumCols < 1 ? 1 : mNumCols;
    const int width = GetCelWidth();
    const int height = GetCelHeight();
    return Rect((cel % columns) * width, (cel / columns) * height, width, height);
}

void Image::CopyAttributes(const Image& other)
{
    mNumCols = other.mNumCols;
    mNumRows = other.mNumRows;
    mAnimation = other.mAnimation ? std::make_unique<CelAnimation>(*other.mAnimation) : nullptr;
}

bool Image::FillPolygon3D(const Point*, int, const Rect&, const Color&, int, int, int)
{
    return false;
}

void Image::FillRect(const Rect&, const Color&, int) {}

void Image::DrawRect(const Rect& rect, const Color& color, int mode)
{
    const int x = rect.mX;
    const int y = rect.mY;
    const int w = rect.mWidth;
    const int h = rect.mHeight;
    FillRect(Rect(x, y, w + 1, 1), color, mode);
    FillRect(Rect(x, y + h, w + 1, 1), color, mode);
    FillRect(Rect(x, y + 1, 1, h - 1), color, mode);
    FillRect(Rect(x + w, y + 1, 1, h - 1), color, mode);
}

void Image::ClearRect(const Rect&) {}

void Image::DrawLine(double, double, double, double, const Color&, int) {}

void Image::DrawSmoothLine(double, double, double, double, const Color&, int) {}

void Image::FillSpans(const Span* spans, int count, const Color& color, int mode)
{
    for (int i = 0; i < count; ++i)
        FillRect(Rect(spans[i].mX, spans[i].mY, spans[i].mWidth, 1), color, mode);
}

void Image::FillSpansWithCoverage(const Span*, int, const Color&, int, const uint8_t*, int, int, int, int) {}

void Image::Blt(Image*, int, int, const Rect&, const Color&, int) {}

void Image::BltAtFloat(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}

void Image::BltRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int, double, float, float) {}

void Image::StretchBlt(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

void Image::BltByMatrix(Image*, float, float, const Matrix3x3&, const Rect&, const Color&, int, const Rect&, bool) {}

void Image::DrawTexturedTriangles(Image*, const TriangleVertex (*)[3], int, const Rect&, const Color&, int, float,
    float, bool)
{
}

void Image::BltMirrored(Image*, int, int, const Rect&, const Color&, int) {}

void Image::StretchBltMirrored(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

Image& TheEmptyImage()
{
    static Image image;
    return image;
}

} // namespace Vorn
