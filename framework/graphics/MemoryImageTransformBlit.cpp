// The blits of a memory image that do not map source pixels one to one. They
// draw nothing in software yet; a destination that cannot do something draws
// nothing.

#include "framework/graphics/MemoryImage.h"

namespace Vorn {

void MemoryImage::BltAtFloat(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}

void MemoryImage::BltRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int, double, float, float)
{
}

void MemoryImage::StretchBlt(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

void MemoryImage::BltByMatrix(Image*, float, float, const Matrix3x3&, const Rect&, const Color&, int, const Rect&,
    bool)
{
}

void MemoryImage::DrawTexturedTriangles(Image*, const TriangleVertex (*)[3], int, const Rect&, const Color&, int,
    float, float, bool)
{
}

} // namespace Vorn
