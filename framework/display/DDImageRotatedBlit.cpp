// The rotated blit of a DDImage onto its locked surface: the geometry of the
// memory image's rotated blit, with every loop writing the surface's own
// pixel format. Every float-position blit outside the 3D road lands here.

#include "framework/display/DDImage.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"
#include "framework/display/SurfaceBlend.h"
#include "framework/graphics/RotatedBlit.h"

#include <algorithm>

namespace Vorn {

namespace {

using SurfaceBlend::Fold;
using SurfaceBlend::Masks;
using SurfaceBlend::Spread;

struct Channels {
    uint32_t mask[3];
    int bits[3];
    int shift[3];
    explicit Channels(const Platform::PixelFormat& format)
    {
        const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
        for (int c = 0; c < 3; ++c) {
            mask[c] = masks[c];
            bits[c] = Platform::PixelFormat::Bits(masks[c]);
            shift[c] = Platform::PixelFormat::Shift(masks[c]);
        }
    }
    // The destination weighed by what the taps leave of it.
    uint32_t Kept(uint32_t d, int c, uint32_t inv) const { return (((d & mask[c]) * inv) >> 8) & mask[c]; }
};

uint32_t SumOf(const RotatedSums& s, int c)
{
    return c == 0 ? s.r : c == 1 ? s.g : s.b;
}

// The destination weight is quantised to 5 bits: at fraction zero an opaque
// tap replaces the pixel outright.
struct Fast565 {
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        return Fold(((Spread(d, SurfaceBlend::kSpread565) * (s.Inverse() >> 3)) >> 5 & SurfaceBlend::kSpread565) +
                    ((s.g >> 10) << 21) + ((s.r >> 11) << 11) + (s.b >> 11));
    }
};

struct Fast555 {
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        return Fold(((Spread(d, SurfaceBlend::kSpread555) * (s.Inverse() >> 3)) >> 5 & SurfaceBlend::kSpread555) +
                    ((s.g >> 11) << 21) + ((s.r >> 11) << 10) + (s.b >> 11));
    }
};

// The top byte is written as 0.
struct Fast32 {
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        const uint32_t inv = s.Inverse();
        const auto field = [&](uint32_t sum, int shift) { return ((sum >> 8) + ((((d >> shift) & 0xFF) * inv) >> 8)) << shift; };
        return field(s.r, 16) | field(s.g, 8) | field(s.b, 0);
    }
};

// Bits outside the three masks become 0.
struct MaskLoop {
    Channels ch;
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c)
            out |= ((SumOf(s, c) >> (16 - ch.bits[c])) << ch.shift[c]) + ch.Kept(d, c, s.Inverse());
        return out;
    }
};

// The blue sum is cut to 8 bits before its multiply, unlike red and green.
struct ColorMaskLoop {
    Channels ch;
    uint32_t factor[3];
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        const uint32_t terms[3] = {(s.r * factor[0]) >> (24 - ch.bits[0]), (s.g * factor[1]) >> (24 - ch.bits[1]),
            ((s.b >> 8) * factor[2]) >> (16 - ch.bits[2])};
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c)
            out |= (terms[c] << ch.shift[c]) + ch.Kept(d, c, s.Inverse());
        return out;
    }
};

// The destination is never dimmed; white scales the source by 255/256.
struct AdditiveLoop {
    Channels ch;
    SurfaceBlend::AddTables tables;
    uint32_t scale[3];
    uint32_t operator()(uint32_t d, const RotatedSums& s) const
    {
        const uint32_t terms[3] = {((s.r >> (16 - ch.bits[0])) * scale[0]) >> 8, (s.g * scale[1]) >> (24 - ch.bits[1]),
            (s.b * scale[2]) >> (24 - ch.bits[2])};
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c)
            out |= tables.Saturated(c, terms[c] + ((d & ch.mask[c]) >> ch.shift[c]));
        return out;
    }
};

template <typename Pixel, typename TapSource, typename Loop>
void RunLoop(const DDImage::LockedDesc& dest, const RotatedBlit& blit, const TapSource& source, uint32_t colorAlpha,
    const Loop& loop)
{
    ForEachRotatedPixel(blit, source, colorAlpha, [&](int x, int y, const RotatedSums& sums) {
        Pixel& out = *SurfaceBlend::PixelAt<Pixel>(dest, x, y);
        out = static_cast<Pixel>(loop(out, sums));
    });
}

uint32_t RotatedComponent(int value)
{
    return static_cast<uint32_t>(std::clamp(value, 0, 255));
}

template <typename Pixel, typename TapSource>
void ChooseLoop(const DDImage::LockedDesc& dest, const DDInterface& display, const RotatedBlit& blit,
    const TapSource& source, const Color& color, int mode)
{
    const Channels ch(dest.mFormat);
    const uint32_t a = RotatedComponent(color.mAlpha);
    const uint32_t c[3] = {RotatedComponent(color.mRed), RotatedComponent(color.mGreen), RotatedComponent(color.mBlue)};
    if (mode != kDrawModeNormal) {
        const SurfaceBlend::AddTables tables = SurfaceBlend::TablesFor(display, dest.mFormat);
        if (tables.table[0])
            RunLoop<Pixel>(dest, blit, source, 256, AdditiveLoop{ch, tables, {c[0] * a / 255, c[1] * a / 255, c[2] * a / 255}});
        return;
    }
    if (!color.IsWhite()) {
        RunLoop<Pixel>(dest, blit, source, a, ColorMaskLoop{ch, {c[0] + 1, c[1] + 1, c[2] + 1}});
        return;
    }
    const bool standard = gStandardPixelOrder;
    if constexpr (sizeof(Pixel) == 2) {
        if (standard && dest.mFormat.greenMask == SurfaceBlend::kGreen565)
            RunLoop<Pixel>(dest, blit, source, 256, Fast565{});
        else if (standard && dest.mFormat.greenMask == SurfaceBlend::kGreen555)
            RunLoop<Pixel>(dest, blit, source, 256, Fast555{});
        else
            RunLoop<Pixel>(dest, blit, source, 256, MaskLoop{ch});
    } else if (standard) {
        RunLoop<Pixel>(dest, blit, source, 256, Fast32{});
    } else {
        RunLoop<Pixel>(dest, blit, source, 256, MaskLoop{ch});
    }
}

} // namespace

// Draw mode 0 blends, any other adds.
void DDImage::BltRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip,
    const Color& color, int mode, double angle, float centerX, float centerY)
{
    if (source)
        source->mDrawn = true;
    ScanPixelFlags();
    if (UsesDirect3D()) {
        mDisplay->mD3DInterface->BltRotated(dynamic_cast<MemoryImage*>(source), x, y, sourceRect, clip, color, mode,
            angle, centerX, centerY);
        return;
    }
    if (mNoLock)
        return;
    if (!TakesSurfaceRoad()) {
        if (DrawsOnBits())
            MemoryImage::BltRotated(source, x, y, sourceRect, clip, color, mode, angle, centerX, centerY);
        return;
    }
    RotatedBlit blit;
    if (!blit.Setup(sourceRect, x, y, clip.Intersection(Rect(0, 0, mWidth, mHeight)), angle, centerX, centerY))
        return;
    auto* from = dynamic_cast<MemoryImage*>(source);
    if (!from || !from->Holds(sourceRect)) {
        FreeAllButSurface();
        return;
    }
    from->ScanPixelFlags();
    const size_t stride = static_cast<size_t>(from->mWidth);
    const size_t corner = static_cast<size_t>(sourceRect.mY) * stride + static_cast<size_t>(sourceRect.mX);
    const bool palette = from->mColorTable && from->mColorIndices;
    const uint32_t* bits = palette ? nullptr : from->GetBits();
    if ((!palette && !bits) || !LockSurface())
        return;
    const LockedDesc& dest = mLockedSurfaceDesc;
    SurfaceBlend::WithPixelType(dest.mFormat.bitsPerPixel, [&]<typename Pixel>(Pixel*) {
        if (palette)
            ChooseLoop<Pixel>(dest, *mDisplay, blit,
                PaletteTapSource{from->mColorTable.get(), from->mColorIndices.get() + corner, stride}, color, mode);
        else
            ChooseLoop<Pixel>(dest, *mDisplay, blit, ArgbTapSource{bits + corner, stride}, color, mode);
    });
    UnlockSurface();
    FreeAllButSurface();
}

} // namespace Vorn
