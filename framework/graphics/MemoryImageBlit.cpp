// The integer-position blit of a memory image in normal and additive mode,
// with optional colorizing, from ARGB or palette sources.

#include "framework/graphics/Blend.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Vorn {

namespace {

using Blend::kAlpha;
using Blend::kGreen;
using Blend::kRedBlue;

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
    // Summed in 64 bits and held to an int: a place beyond that lies outside
    // the destination either way, and the sum must not overflow.
    const auto place = [](int at, int clipped, int asked) {
        return static_cast<int>(std::clamp<int64_t>(int64_t{at} + clipped - asked, INT_MIN, INT_MAX));
    };
    Rect placed(place(area.x, area.source.mX, wanted.mX), place(area.y, area.source.mY, wanted.mY),
        area.source.mWidth, area.source.mHeight);
    const Rect kept = placed;
    if (!Blend::ClipToBounds(placed, dest.mWidth, dest.mHeight))
        return false;
    area.source = Rect(area.source.mX + (placed.mX - kept.mX), area.source.mY + (placed.mY - kept.mY),
        placed.mWidth, placed.mHeight);
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

uint32_t WhitePixel(uint32_t d, uint32_t s)
{
    const uint32_t a = s >> 24;
    if (a == 0)
        return d;
    const uint32_t outA = Blend::OverAlpha(d >> 24, a);
    return Blend::Mix(d, s, 255 * a / outA, outA << 24);
}

// The colour's alpha times the source's; 0 leaves the pixel.
struct Coverage {
    uint32_t outA;
    uint32_t w;
};

bool Cover(uint32_t d, uint32_t s, uint32_t colorAlpha, Coverage& coverage)
{
    const uint32_t a = (s >> 24) * colorAlpha / 255;
    if (a == 0)
        return false;
    coverage.outA = Blend::OverAlpha(d >> 24, a);
    coverage.w = 255 * a / coverage.outA;
    return true;
}

uint32_t Clamped(int channel)
{
    return static_cast<uint32_t>(std::clamp(channel, 0, 255));
}

template <typename Source>
void NormalBlt(MemoryImage& dest, MemoryImage& sourceImage, const BlitArea& area, const Source& source,
    const Color& color)
{
    uint32_t* bits = dest.mBits.get();
    if (color.IsWhite()) {
        if (!dest.mHasTrans && !dest.mHasAlpha)
            RunLengthArea(bits, area, source, sourceImage.GetRunLengthAlpha());
        else
            BlendArea(bits, area, source, WhitePixel);
        return;
    }
    const uint32_t colorAlpha = Clamped(color.mAlpha);
    const uint32_t r = Clamped(color.mRed);
    const uint32_t g = Clamped(color.mGreen);
    const uint32_t b = Clamped(color.mBlue);
    if (r == g && g == b) {
        BlendArea(bits, area, source, [colorAlpha, k = r](uint32_t d, uint32_t s) {
            Coverage c;
            if (!Cover(d, s, colorAlpha, c))
                return d;
            const uint32_t rb = (((((s & kRedBlue) * k) >> 8) & kRedBlue) * c.w >> 8) +
                                ((d & kRedBlue) * (256 - c.w) >> 8);
            const uint32_t gr = ((s & kGreen) * c.w * k >> 16) + ((d & kGreen) * (256 - c.w) >> 8);
            return (rb & kRedBlue) | (gr & kGreen) | (c.outA << 24);
        });
        return;
    }
    BlendArea(bits, area, source, [colorAlpha, r, g, b](uint32_t d, uint32_t s) {
        Coverage c;
        if (!Cover(d, s, colorAlpha, c))
            return d;
        const uint32_t keep = 256 - c.w;
        const uint32_t red = ((((s & 0xFF0000u) * c.w >> 8) * r) >> 8) + ((d & 0xFF0000u) * keep >> 8);
        const uint32_t green = ((s & kGreen) * c.w * g >> 16) + ((d & kGreen) * keep >> 8);
        const uint32_t blue = ((s & 0xFFu) * c.w * b >> 16) + ((d & 0xFFu) * keep >> 8);
        return (red & 0xFF0000u) | (green & kGreen) | (blue & 0xFFu) | (c.outA << 24);
    });
}

template <typename Source>
void AdditiveBlt(MemoryImage& dest, const BlitArea& area, const Source& source, bool sourceHasAlpha,
    const Color& color)
{
    using Blend::AddChannels;
    using Blend::Channel;
    uint32_t* bits = dest.mBits.get();
    if (color.IsWhite()) {
        if (sourceHasAlpha) {
            BlendArea(bits, area, source, [](uint32_t d, uint32_t s) {
                const uint32_t a = s >> 24;
                return AddChannels(d, Channel(s, 16) * a / 256, Channel(s, 8) * a / 256, Channel(s, 0) * a / 256);
            });
        } else {
            BlendArea(bits, area, source, [](uint32_t d, uint32_t s) {
                return AddChannels(d, Channel(s, 16), Channel(s, 8), Channel(s, 0));
            });
        }
        return;
    }
    const Blend::AdditiveColor k(color);
    if (sourceHasAlpha) {
        BlendArea(bits, area, source, [k](uint32_t d, uint32_t s) {
            const uint32_t a = s >> 24;
            return AddChannels(d, Channel(s, 16) * k.r * a / 65536, Channel(s, 8) * k.g * a / 65536,
                Channel(s, 0) * k.b / 256 * a / 256);
        });
    } else {
        BlendArea(bits, area, source, [k](uint32_t d, uint32_t s) {
            return AddChannels(d, Channel(s, 16) * k.r / 256, Channel(s, 8) * k.g / 256, Channel(s, 0) * k.b / 256);
        });
    }
}

template <typename Source>
void BltFrom(MemoryImage& dest, MemoryImage& sourceImage, const BlitArea& area, const Source& source,
    const Color& color, int mode)
{
    if (mode == kDrawModeNormal)
        NormalBlt(dest, sourceImage, area, source, color);
    else
        AdditiveBlt(dest, area, source, sourceImage.mHasAlpha, color);
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
