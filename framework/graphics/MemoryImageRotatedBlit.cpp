// The float-position and rotated blits of a memory image: bilinear, from ARGB
// or palette sources, into ARGB words with alpha.

#include "framework/graphics/Blend.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/RotatedBlit.h"

#include <algorithm>

namespace Vorn {

namespace {

using Blend::Channel;

uint32_t Component(int value)
{
    return static_cast<uint32_t>(std::clamp(value, 0, 255));
}

// The source terms t_c laid onto d: opaque from ΣW 251 on (no division for
// the interior of a sprite), else the destination premultiplied by its own
// alpha, the source added on top and the sum divided by the new alpha.
uint32_t LayNormal(uint32_t d, const RotatedSums& sums, uint32_t tr, uint32_t tg, uint32_t tb)
{
    if (sums.coverage >= 251)
        return Blend::kAlpha | (tr << 16) | (tg << 8) | tb;
    const uint32_t dA = d >> 24;
    const uint32_t inv = sums.Inverse();
    const uint32_t newAlpha = 256 - (((256 - dA) * inv) >> 8);
    const auto mix = [&](uint32_t dc, uint32_t t) { return (((dc * dA) >> 8) * inv + 256 * t) / newAlpha; };
    return ((newAlpha - 1) << 24) | (mix(Channel(d, 16), tr) << 16) | (mix(Channel(d, 8), tg) << 8) |
           mix(Channel(d, 0), tb);
}

template <typename TapSource>
void DrawRotated(uint32_t* bits, int width, const RotatedBlit& blit, const TapSource& source, const Color& color,
    int mode)
{
    const auto at = [bits, width](int x, int y) -> uint32_t& {
        return bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    };
    const bool white = color.IsWhite();
    if (mode == kDrawModeNormal && white) {
        ForEachRotatedPixel(blit, source, 256, [&](int x, int y, const RotatedSums& s) {
            if (s.coverage != 0)
                at(x, y) = LayNormal(at(x, y), s, s.r >> 8, s.g >> 8, s.b >> 8);
        });
    } else if (mode == kDrawModeNormal) {
        const uint32_t r1 = Component(color.mRed) + 1;
        const uint32_t g1 = Component(color.mGreen) + 1;
        const uint32_t b1 = Component(color.mBlue) + 1;
        ForEachRotatedPixel(blit, source, Component(color.mAlpha), [&](int x, int y, const RotatedSums& s) {
            if (s.coverage != 0)
                at(x, y) = LayNormal(at(x, y), s, (s.r * r1) >> 16, ((s.g >> 8) * g1) >> 8, ((s.b >> 8) * b1) >> 8);
        });
    } else if (white) {
        ForEachRotatedPixel(blit, source, 256, [&](int x, int y, const RotatedSums& s) {
            if (s.coverage != 0)
                at(x, y) = Blend::AddChannels(at(x, y), s.r >> 8, s.g >> 8, s.b >> 8);
        });
    } else {
        const Blend::AdditiveColor k(color);
        ForEachRotatedPixel(blit, source, 256, [&](int x, int y, const RotatedSums& s) {
            if (s.coverage != 0)
                at(x, y) = Blend::AddChannels(at(x, y), ((s.r >> 8) * k.r) >> 8, (s.g * k.g) >> 16,
                    (s.b * k.b) >> 16);
        });
    }
}

} // namespace

void MemoryImage::BltAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode)
{
    BltRotated(source, x, y, sourceRect, clip, color, mode, 0.0, 0.0f, 0.0f);
}

// Any mode but normal adds. A source rectangle reaching outside its image,
// or a clip reaching outside this one, draws nothing beyond either.
void MemoryImage::BltRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, double angle, float centerX, float centerY)
{
    if (!source)
        return;
    source->mDrawn = true;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (!from || !from->Holds(sourceRect) || !GetBits())
        return;
    RotatedBlit blit;
    const Rect area = clip.Intersection(Rect(0, 0, mWidth, mHeight));
    if (blit.Setup(sourceRect, x, y, area, angle, centerX, centerY)) {
        const size_t stride = static_cast<size_t>(from->mWidth);
        const size_t corner = static_cast<size_t>(sourceRect.mY) * stride + static_cast<size_t>(sourceRect.mX);
        if (from->mColorTable && from->mColorIndices) {
            DrawRotated(mBits.get(), mWidth, blit,
                PaletteTapSource{from->mColorTable.get(), from->mColorIndices.get() + corner, stride}, color, mode);
        } else if (const uint32_t* bits = from->GetBits()) {
            DrawRotated(mBits.get(), mWidth, blit, ArgbTapSource{bits + corner, stride}, color, mode);
        }
    }
    MarkBitsChanged();
}

} // namespace Vorn
