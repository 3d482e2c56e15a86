// Plain and anti-aliased lines on a memory image. Horizontal and vertical
// lines are rectangle fills in either mode.

#include "framework/graphics/Blend.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Vorn {

namespace {

// Far beyond any image, near enough that every difference and doubled
// difference of two coordinates stays an int.
constexpr double kCoordinateLimit = 1 << 24;

bool UsableCoordinates(double x1, double y1, double x2, double y2)
{
    return std::fabs(x1) < kCoordinateLimit && std::fabs(y1) < kCoordinateLimit && std::fabs(x2) < kCoordinateLimit &&
           std::fabs(y2) < kCoordinateLimit;
}

int Trunc(double value)
{
    return static_cast<int>(value);
}

// A horizontal or vertical line as one rectangle fill; false for a slanted
// line.
bool FillStraightLine(MemoryImage& image, double x1, double y1, double x2, double y2, const Color& color)
{
    if (y1 == y2) {
        const int left = Trunc(std::min(x1, x2));
        image.FillRect(Rect(left, Trunc(y1), Trunc(std::max(x1, x2)) - left + 1, Trunc(y2 - y1 + 1.0)), color,
            kDrawModeNormal);
        return true;
    }
    if (x1 == x2) {
        const int top = Trunc(std::min(y1, y2));
        image.FillRect(Rect(Trunc(x1), top, Trunc(x2 - x1 + 1.0), Trunc(std::max(y1, y2)) - top + 1), color,
            kDrawModeNormal);
        return true;
    }
    return false;
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

void SteppedLine(MemoryImage& image, double x1, double y1, double x2, double y2, const LinePixel& pixel)
{
    Plotter plotter(image);
    const double minX = std::min(x1, x2);
    const double maxX = std::max(x1, x2);
    const double minY = std::min(y1, y2);
    const double maxY = std::max(y1, y2);
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);

    // Major and minor coordinates of the start (smaller major) and the end.
    double startMajor = xMajor ? x1 : y1;
    double startMinor = xMajor ? y1 : x1;
    double endMajor = xMajor ? x2 : y2;
    double endMinor = xMajor ? y2 : x2;
    if (endMajor < startMajor) {
        std::swap(startMajor, endMajor);
        std::swap(startMinor, endMinor);
    }
    const double dMajor = std::fabs(endMajor - startMajor);
    const double dMinor = std::fabs(endMinor - startMinor);
    const int minorStep = endMinor < startMinor ? -1 : 1;
    const auto plot = [&](int major, int minor) {
        if (xMajor)
            plotter.Plot(major, minor, pixel);
        else
            plotter.Plot(minor, major, pixel);
    };

    int minor = Trunc(startMinor);
    int major = Trunc(startMajor);
    plot(major, minor);

    const int incrE = Trunc(2 * dMinor);
    const int incrNE = Trunc(2 * (dMinor - dMajor));
    int d = Trunc((startMinor - minor) * incrE + Trunc(2 * dMinor - dMajor));
    for (++major; major <= endMajor; ++major) {
        if (d > 0) {
            minor += minorStep;
            const double px = xMajor ? major : minor;
            const double py = xMajor ? minor : major;
            if (px < minX || px > maxX || py < minY || py > maxY)
                return;
            d += incrNE;
        } else {
            d += incrE;
        }
        plot(major, minor);
    }
}

void WuLine(MemoryImage& image, double x1, double y1, double x2, double y2, const Color& color)
{
    Plotter plotter(image);
    const uint32_t packed = color.ToInt();
    const uint32_t alpha = static_cast<uint32_t>(std::clamp(color.mAlpha, 0, 255));
    const auto weigh = [alpha](uint32_t weight) { return alpha < 255 ? weight * (alpha + 1) / 256 : weight; };

    int xs = Trunc(x1);
    int ys = Trunc(y1);
    int xe = Trunc(x2);
    int ye = Trunc(y2);
    if (ys > ye) {
        std::swap(xs, xe);
        std::swap(ys, ye);
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    int dx = xe - xs;
    const int dy = ye - ys;
    double fdx = x2 - x1;
    const double fdy = y2 - y1;
    int xDir = 1;
    if (dx < 0) {
        dx = -dx;
        fdx = -fdx;
        xDir = -1;
    }

    // 16.16 fixed point; the top byte of the fraction is how far the line
    // lies from the pixel's centre.
    int64_t e = static_cast<int64_t>(std::fabs(x1 - xs) * std::fabs(y1 - ys) * 65536);
    const auto lineWeight = [&e] { return static_cast<uint32_t>(255 - ((e >> 8) & 0xFF)); };

    plotter.Over(xs, ys, packed, weigh(lineWeight()));
    int x = xs;
    int y = ys;
    // The step is only worked out when the loop runs: with both ends in one
    // or two adjacent columns (or rows) the quotient would not fit an int.
    if (dx < dy) {
        const int steps = dy - 1;
        const int64_t step = steps > 0 ? Trunc(65536 * fdx / fdy) : 0;
        for (int i = 0; i < steps; ++i) {
            e += step;
            if (e > 0xFFFF) {
                e &= 0xFFFF;
                x += xDir;
            }
            ++y;
            const uint32_t v = lineWeight();
            plotter.Over(x, y, packed, weigh(v));
            if (x < image.mWidth - 1)
                plotter.Over(x + xDir, y, packed, weigh(255 - v));
        }
    } else {
        const int steps = dx - 1;
        const int64_t step = steps > 0 ? Trunc(65536 * fdy / fdx) : 0;
        for (int i = 0; i < steps; ++i) {
            e += step;
            if (e > 0xFFFF) {
                e &= 0xFFFF;
                ++y;
            }
            x += xDir;
            const uint32_t v = lineWeight();
            plotter.Over(x, y, packed, weigh(v));
            if (y < image.mHeight - 1)
                plotter.Over(x, y + 1, packed, weigh(255 - v));
        }
    }
    plotter.Over(xe, ye, packed, weigh(lineWeight()));
}

} // namespace

// Coordinates that are not numbers, or lie far off any image, draw nothing:
// they cannot be turned into pixel positions.
void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int mode)
{
    if (!UsableCoordinates(x1, y1, x2, y2) || FillStraightLine(*this, x1, y1, x2, y2, color))
        return;
    if (mode == kDrawModeNormal || mode == kDrawModeAdditive)
        SteppedLine(*this, x1, y1, x2, y2, LinePixel(color, mode));
    MarkBitsChanged();
}

void MemoryImage::DrawSmoothLine(double x1, double y1, double x2, double y2, const Color& color, int mode)
{
    if (!UsableCoordinates(x1, y1, x2, y2) || FillStraightLine(*this, x1, y1, x2, y2, color))
        return;
    if (mode == kDrawModeNormal)
        WuLine(*this, x1, y1, x2, y2, color);
    MarkBitsChanged();
}

} // namespace Vorn
