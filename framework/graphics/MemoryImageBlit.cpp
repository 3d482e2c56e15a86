#include "framework/graphics/MemoryImage.h"

namespace Vorn {

void MemoryImage::FillRect(const Rect&, const Color&, int) {}
void MemoryImage::ClearRect(const Rect&) {}
void MemoryImage::DrawLine(double, double, double, double, const Color&, int) {}
void MemoryImage::DrawSmoothLine(double, double, double, double, const Color&, int) {}
void MemoryImage::FillSpansWithCoverage(const Span*, int, const Color&, int, const uint8_t*, int, int, int, int) {}
void MemoryImage::Blt(Image*, int, int, const Rect&, const Color&, int) {}

} // namespace Vorn
