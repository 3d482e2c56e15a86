// Plain and anti-aliased lines on a memory image. Horizontal and vertical
// lines are rectangle fills in either mode.

#include "framework/graphics/Blend.h"
#include "framework/graphics/LineDrawing.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Vorn {

namespace {

// A horizontal or vertical line as one rectangle fill (always normal);
// false for a slanted line.
bool FillStraightLine(MemoryImage& image, double x1, double y1, double x2, double y2, const Color& color)
{
    Rect rect;
    if (!LineDrawing::StraightLine(x1, y1, x2, y2, rect))
        return false;
    image.FillRect(rect, color, kDrawModeNormal);
    return true;
}

// floor((v * 255 + 127.5) / 256) in integers; blue rounds with 127.
uint32_t ScaleHalfUp(uint32_t v)
{
    return (v * 510 + 255) / 512;
}

uint32_t ScaleBlue(uint32_t v)
{
    return (v * 255 + 127) / 256;
}

uint32_t PackChannels(uint32_t r, uint32_t g, uint32_t b)
{
    return Blend::kAlpha | (r << 16) | (g << 8) | b;
}

// What one pixel of a plain line becomes.
class LinePixel {
public:
    LinePixel(const Color& color, int mode) : mAdditive(mode == kDrawModeAdditive), mAdd(color)
    {
        const auto r = static_cast<uint32_t>(color.mRed);
        const auto g = static_cast<uint32_t>(color.mGreen);
        const auto b = static_cast<uint32_t>(color.mBlue);
        mAlpha = static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255));
        if (mAlpha == 255) {
            mOpaque = PackChannels(ScaleHalfUp(r), ScaleHalfUp(g), ScaleBlue(b));
        } else {
            mR = ScaleHalfUp((r * mAlpha + 128) / 256);
            mG = ScaleHalfUp((g * mAlpha + 128) / 256);
            mB = ScaleBlue((b * mAlpha + 128) / 256);
        }
    }

    uint32_t operator()(uint32_t d) const
    {
        if (mAdditive)
            return Blend::AddChannels(d, mAdd.r, mAdd.g, mAdd.b) | Blend::kAlpha;
        if (mAlpha == 255)
            return mOpaque;
        const uint32_t keep = 256 - mAlpha;
        return PackChannels(ScaleKept(Blend::Channel(d, 16), keep) + mR, ScaleKept(Blend::Channel(d, 8), keep) + mG,
            (Blend::Channel(d, 0) * keep + 127) / 256 + mB);
    }

private:
    // floor((d * keep + 127.5) / 256).
    static uint32_t ScaleKept(uint32_t d, uint32_t keep) { return (d * keep * 2 + 255) / 512; }

    bool mAdditive;
    Blend::AdditiveColor mAdd;
    uint32_t mAlpha = 0;
    uint32_t mOpaque = 0;
    uint32_t mR = 0;
    uint32_t mG = 0;
    uint32_t mB = 0;
};

// Pixels off the image are skipped: the caller's clipping is trusted for
// drawing, not for memory.
class Plotter {
public:
    explicit Plotter(MemoryImage& image) : mImage(image), mBits(image.GetBits()) {}

    template <typename PixelOperation>
    void Plot(int x, int y, PixelOperation operation)
    {
        if (x < 0 || y < 0 || x >= mImage.mWidth || y >= mImage.mHeight)
            return;
        uint32_t& pixel = mBits[static_cast<size_t>(y) * static_cast<size_t>(mImage.mWidth) + static_cast<size_t>(x)];
        pixel = operation(pixel);
    }

    void Over(int x, int y, uint32_t color, uint32_t weight)
    {
        if (weight > 0)
            Plot(x, y, [color, weight](uint32_t d) { return Blend::Over(d, color, weight); });
    }

private:
    MemoryImage& mImage;
    uint32_t* mBits;
};

void WuLine(MemoryImage& image, double x1, double y1, double x2, double y2, const Color& color)
{
    Plotter plotter(image);
    const uint32_t packed = color.ToInt();
    const uint32_t alpha = static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255));
    LineDrawing::Smooth(x1, y1, x2, y2, [&](int x, int y, uint32_t weight) {
        plotter.Over(x, y, packed, alpha < 255 ? weight * (alpha + 1) / 256 : weight);
    });
}

} // namespace

// Coordinates that are not numbers, or lie far off any image, draw nothing:
// they cannot be turned into pixel positions.
void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int mode)
{
    if (!LineDrawing::Usable(x1, y1, x2, y2) || FillStraightLine(*this, x1, y1, x2, y2, color))
        return;
    if (mode == kDrawModeNormal || mode == kDrawModeAdditive) {
        Plotter plotter(*this);
        const LinePixel pixel(color, mode);
        LineDrawing::Stepped(x1, y1, x2, y2, [&](int x, int y) { plotter.Plot(x, y, pixel); });
    }
    MarkBitsChanged();
}

void MemoryImage::DrawSmoothLine(double x1, double y1, double x2, double y2, const Color& color, int mode)
{
    if (!LineDrawing::Usable(x1, y1, x2, y2) || FillStraightLine(*this, x1, y1, x2, y2, color))
        return;
    if (mode == kDrawModeNormal)
        WuLine(*this, x1, y1, x2, y2, color);
    MarkBitsChanged();
}

} // namespace Vorn
