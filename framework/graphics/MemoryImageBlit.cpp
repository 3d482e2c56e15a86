// The integer-position blit of a memory image in normal and additive mode,
// with optional colorizing, from ARGB or palette sources.

#include "framework/graphics/Blend.h"
#include "framework/graphics/BlitPixel.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>

namespace Vorn {

namespace {

using Blend::kAlpha;

struct ArgbSource {
    const uint32_t* bits;
    uint32_t operator[](size_t i) const { return bits[i]; }
};

struct PaletteSource {
    const uint32_t* table;
    const uint8_t* indices;
    uint32_t operator[](size_t i) const { return table[indices[i]]; }
};

// Where a blit reads and writes, held to both images: a source rectangle
// reaching past its image, or a placement past the destination, must not
// touch memory outside either.
struct BlitArea {
    Rect source;
    int x = 0;
    int y = 0;
    int sourceWidth = 0;
    int destWidth = 0;

    size_t SourceIndex(int row) const
    {
        return static_cast<size_t>(source.mY + row) * static_cast<size_t>(sourceWidth) +
               static_cast<size_t>(source.mX);
    }
    size_t DestIndex(int row) const
    {
        return static_cast<size_t>(y + row) * static_cast<size_t>(destWidth) + static_cast<size_t>(x);
    }
};

bool ClipBlit(BlitArea& area, const MemoryImage& source, const MemoryImage& dest)
{
    const Rect wanted = area.source;
    if (!Blend::ClipToBounds(area.source, source.mWidth, source.mHeight))
        return false;
    Rect placed(area.x + area.source.mX - wanted.mX, area.y + area.source.mY - wanted.mY, area.source.mWidth,
        area.source.mHeight);
    const Rect kept = placed;
    if (!Blend::ClipToBounds(placed, dest.mWidth, dest.mHeight))
        return false;
    area.source = Rect(area.source.mX + placed.mX - kept.mX, area.source.mY + placed.mY - kept.mY, placed.mWidth,
        placed.mHeight);
    area.x = placed.mX;
    area.y = placed.mY;
    area.sourceWidth = source.mWidth;
    area.destWidth = dest.mWidth;
    return true;
}

template <typename Source, typename PixelBlend>
void BlendArea(uint32_t* dest, const BlitArea& area, const Source& source, PixelBlend blend)
{
    for (int row = 0; row < area.source.mHeight; ++row) {
        uint32_t* d = dest + area.DestIndex(row);
        const size_t s = area.SourceIndex(row);
        for (int col = 0; col < area.source.mWidth; ++col)
            d[col] = blend(d[col], source[s + static_cast<size_t>(col)]);
    }
}

// Opaque destination, white colour: whole runs of the source are copied or
// skipped with one decision.
template <typename Source>
void RunLengthArea(uint32_t* dest, const BlitArea& area, const Source& source, const uint8_t* runs)
{
    const int width = area.source.mWidth;
    for (int row = 0; row < area.source.mHeight; ++row) {
        uint32_t* d = dest + area.DestIndex(row);
        const size_t rowStart = area.SourceIndex(row);
        for (int col = 0; col < width;) {
            const size_t s = rowStart + static_cast<size_t>(col);
            const int n = std::min<int>(runs[s], width - col);
            const uint32_t alpha = source[s] >> 24;
            if (alpha == 255) {
                for (int k = 0; k < n; ++k)
                    d[col + k] = source[s + static_cast<size_t>(k)];
            } else if (alpha != 0) {
                for (int k = 0; k < n; ++k) {
                    const uint32_t p = source[s + static_cast<size_t>(k)];
                    d[col + k] = Blend::Mix(d[col + k], p, p >> 24, kAlpha);
                }
            }
            col += n;
        }
    }
}

template <typename Source>
void BltFrom(MemoryImage& dest, MemoryImage& sourceImage, const BlitArea& area, const Source& source,
    const Color& color, int mode)
{
    uint32_t* bits = dest.mBits.get();
    if (mode == kDrawModeNormal && color.IsWhite() && !dest.mHasTrans && !dest.mHasAlpha) {
        RunLengthArea(bits, area, source, sourceImage.GetRunLengthAlpha());
        return;
    }
    BlitPixel::WithPixel(color, mode, sourceImage.mHasAlpha,
        [&](const auto& pixel) { BlendArea(bits, area, source, pixel); });
}

} // namespace

void MemoryImage::Blt(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* sourceImage = dynamic_cast<MemoryImage*>(source);
    if (!sourceImage || (mode != kDrawModeNormal && mode != kDrawModeAdditive))
        return;
    GetBits();
    BlitArea area{sourceRect, x, y};
    if (ClipBlit(area, *sourceImage, *this)) {
        if (sourceImage->mColorTable && sourceImage->mColorIndices)
            BltFrom(*this, *sourceImage, area,
                PaletteSource{sourceImage->mColorTable.get(), sourceImage->mColorIndices.get()}, color, mode);
        else
            BltFrom(*this, *sourceImage, area, ArgbSource{sourceImage->GetBits()}, color, mode);
    }
    MarkBitsChanged();
}

} // namespace Vorn
