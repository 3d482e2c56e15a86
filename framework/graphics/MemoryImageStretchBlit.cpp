// The stretched blit of a memory image: nearest pixel (fast) or smoothly
// resampled.

#include "framework/graphics/BlitPixel.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/StretchBlit.h"

namespace Vorn {

// The fast stretch lays each sampled pixel as the plain blit does, in every
// colour and mode: a colorized or additive stretch is drawn as such, never
// as a plain one. The smooth stretch takes neither colour nor mode.
void MemoryImage::StretchBlt(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, bool fastStretch)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    StretchArea area;
    if (!from || !from->Holds(sourceRect) ||
        !area.Clip(destRect, sourceRect, clip.Intersection(Rect(0, 0, mWidth, mHeight)), false) || !GetBits())
        return;
    if (fastStretch)
        StretchNearest(*from, area, color, mode, false);
    else
        StretchSmooth(*from, area);
    MarkBitsChanged();
}

void MemoryImage::StretchNearest(MemoryImage& from, const StretchArea& area, const Color& color, int mode,
    bool mirrored)
{
    const bool palette = from.mColorTable && from.mColorIndices;
    if (!palette && !from.GetBits())
        return;
    from.ScanPixelFlags();
    const std::vector<int> columns = area.NearestColumns(StretchArea::Stepping::Doubles);
    const std::vector<int> rows = area.NearestRows(StretchArea::Stepping::Doubles);
    const Rect& k = area.clipped;
    BlitPixel::WithPixel(color, mode, from.mHasAlpha, [&](const auto& pixel) {
        for (int i = 0; i < k.mHeight; ++i) {
            uint32_t* out = mBits.get() + static_cast<size_t>(k.mY + i) * static_cast<size_t>(mWidth);
            const size_t rowStart = static_cast<size_t>(rows[static_cast<size_t>(i)]) * static_cast<size_t>(from.mWidth);
            for (int j = 0; j < k.mWidth; ++j) {
                const int x = mirrored ? k.mX + k.mWidth - 1 - j : k.mX + j;
                const uint32_t s = from.PixelAt(rowStart + static_cast<size_t>(columns[static_cast<size_t>(j)]));
                out[x] = pixel(out[x], s);
            }
        }
    });
}

// The resampled straight colour is laid on with the over blend: alpha 0
// leaves the pixel.
void MemoryImage::StretchSmooth(MemoryImage& from, const StretchArea& area)
{
    const std::vector<uint32_t> pixels = SmoothStretch(from, area);
    if (pixels.empty())
        return;
    const Rect& k = area.clipped;
    for (int i = 0; i < k.mHeight; ++i) {
        uint32_t* out = mBits.get() + static_cast<size_t>(k.mY + i) * static_cast<size_t>(mWidth) +
                        static_cast<size_t>(k.mX);
        for (int j = 0; j < k.mWidth; ++j) {
            const uint32_t p = pixels[static_cast<size_t>(i) * static_cast<size_t>(k.mWidth) + static_cast<size_t>(j)];
            if (p >> 24 != 0)
                out[j] = Blend::Over(out[j], p, p >> 24);
        }
    }
}

} // namespace Vorn
