#pragma once
// The geometry shared by the software rotated blits of memory images and of
// surface images: the destination bounds of the turned source rectangle, the
// walk over its rows, the mapping of every destination pixel back into the
// source in 16.16 fixed point, the clipping of each row in source space, and
// the four bilinear taps with their alpha-weighted weights. The blits differ
// only in how the weighted taps are laid onto the destination.
//
// Every float-position blit is such a rotated blit at angle 0 about (0, 0),
// so this also decides where a float blit lands and which pixels it reads.

#include "framework/graphics/Rect.h"

#include <cstddef>
#include <cstdint>

namespace Vorn {

// One row of the walk, clipped: `count` destination pixels from (x, y), the
// first sampling the source at (u, v) in 16.16, each next one stepped by
// (cosF, sinF). Every tap of every pixel lies inside the source rectangle.
struct RotatedRow {
    int y = 0;
    int x = 0;
    int count = 0;
    int32_t u = 0;
    int32_t v = 0;
};

class RotatedBlit {
public:
    // Widest and tallest source rectangle: its 16.16 terms must fit 32 bits.
    static constexpr int kMaxSourceSize = 32767;

    // The turn of `source` placed at (x, y) about (centerX, centerY), both
    // relative to the rectangle's corner, clipped to `clip`. False when
    // nothing lands: empty bounds, a source rectangle without area or over
    // kMaxSourceSize, or a value that is not finite.
    bool Setup(const Rect& source, float x, float y, const Rect& clip, double angle, float centerX, float centerY);

    // Calls visit(const RotatedRow&) for every row that draws, top down.
    template <typename Visit>
    void ForEachRow(Visit visit) const
    {
        for (int i = 0; i < mRowCount; ++i) {
            RotatedRow row;
            if (ClipRow(i, row))
                visit(row);
        }
    }

    int32_t CosF() const { return mCosF; }
    int32_t SinF() const { return mSinF; }

private:
    bool ClipRow(int i, RotatedRow& row) const;

    int mWidth = 0;
    int mHeight = 0;
    float mX = 0;
    float mY = 0;
    float mCenterX = 0;
    float mCenterY = 0;
    double mCos = 0;
    double mSin = 0;
    int32_t mCosF = 0;
    int32_t mSinF = 0;
    int mStartX = 0;
    int mStartY = 0;
    int mRowCount = 0;
    int mLastColumn = 0;
    float mDx0 = 0;
};

// The four taps of a pixel, straight-alpha 0xAARRGGBB: (iu, iv), (iu + 1,
// iv), (iu, iv + 1), (iu + 1, iv + 1).
struct RotatedTaps {
    uint32_t p[4];
};

// Reads the taps of a pixel from rows of ARGB words or of palette indices,
// (0, 0) being the source rectangle's corner.
struct ArgbTapSource {
    const uint32_t* first;
    size_t stride;
    RotatedTaps operator()(uint32_t u, uint32_t v) const
    {
        const uint32_t* p = first + static_cast<size_t>(v >> 16) * stride + (u >> 16);
        return {{p[0], p[1], p[stride], p[stride + 1]}};
    }
};

struct PaletteTapSource {
    const uint32_t* table;
    const uint8_t* first;
    size_t stride;
    RotatedTaps operator()(uint32_t u, uint32_t v) const
    {
        const uint8_t* p = first + static_cast<size_t>(v >> 16) * stride + (u >> 16);
        return {{table[p[0]], table[p[1]], table[p[stride]], table[p[stride + 1]]}};
    }
};

// The taps weighed: channel sums S_c of 8-bit channel x weight, and the
// coverage ΣW (at most 254 of 256: an opaque tap at fraction zero weighs 254).
struct RotatedSums {
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
    uint32_t coverage = 0;
    uint32_t Inverse() const { return 256 - coverage; }
};

// Fractions forced odd keep every product within 32 unsigned bits. With a
// colour alpha below 256 every weight carries it as well (colorized normal
// blits); 256 leaves the weights alone.
inline RotatedSums WeighTaps(const RotatedTaps& taps, uint32_t u, uint32_t v, uint32_t colorAlpha = 256)
{
    const uint32_t fu = (u & 0xFFFE) + 1;
    const uint32_t fv = (v & 0xFFFE) + 1;
    const uint32_t w[4] = {((65536 - fu) * (65536 - fv)) >> 16, (fu * (65536 - fv)) >> 16,
        ((65536 - fu) * fv) >> 16, (fu * fv) >> 16};
    RotatedSums sums;
    for (int k = 0; k < 4; ++k) {
        const uint32_t p = taps.p[k];
        uint32_t weight = (w[k] * (p >> 24)) >> 16;
        if (colorAlpha != 256)
            weight = (weight * colorAlpha) >> 8;
        sums.r += ((p >> 16) & 0xFF) * weight;
        sums.g += ((p >> 8) & 0xFF) * weight;
        sums.b += (p & 0xFF) * weight;
        sums.coverage += weight;
    }
    return sums;
}

// Walks every drawn pixel: draw(destination x, y, sums), the sums from
// WeighTaps with the given colour alpha.
template <typename TapSource, typename Draw>
void ForEachRotatedPixel(const RotatedBlit& blit, const TapSource& source, uint32_t colorAlpha, Draw draw)
{
    const auto cosF = static_cast<uint32_t>(blit.CosF());
    const auto sinF = static_cast<uint32_t>(blit.SinF());
    blit.ForEachRow([&](const RotatedRow& row) {
        auto u = static_cast<uint32_t>(row.u);
        auto v = static_cast<uint32_t>(row.v);
        for (int j = 0; j < row.count; ++j) {
            draw(row.x + j, row.y, WeighTaps(source(u, v), u, v, colorAlpha));
            u += cosF;
            v += sinF;
        }
    });
}

} // namespace Vorn
