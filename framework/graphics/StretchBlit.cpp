#include "framework/graphics/StretchBlit.h"

#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Vorn {

namespace {

constexpr int kMaxSourceSize = 32767;

// Source index of every destination index along one axis, in steps of
// `step` from `start`, held to [low, high].
std::vector<int> NearestMap(double start, double length, int count, int low, int high,
    StretchArea::Stepping stepping)
{
    std::vector<int> map(static_cast<size_t>(count));
    if (stepping == StretchArea::Stepping::Doubles) {
        const double step = length / count;
        double at = start;
        for (int& index : map) {
            index = std::clamp(static_cast<int>(at), low, high);
            at += step;
        }
        return map;
    }
    auto at = static_cast<int64_t>(start * 65536.0);
    const auto step = static_cast<int64_t>(length * 65536.0 / count);
    for (int& index : map) {
        index = static_cast<int>(std::clamp<int64_t>(at >> 16, low, high));
        at += step;
    }
    return map;
}

// One axis of the smooth resampling: for every destination index the source
// indices it reads and their weights, out of `one`.
struct AxisTaps {
    struct Tap {
        int index;
        uint32_t weight;
    };
    std::vector<std::vector<Tap>> taps;
    int low = 0;
    int high = 0;
};

// Smaller than the source: every source pixel adds into each destination
// pixel it overlaps by the share of the overlap (an area average). Larger:
// each destination pixel interpolates between the two source pixels around
// its position, the ends of both areas lying on each other.
AxisTaps Resample(double start, double length, int count, int low, int high, uint32_t one)
{
    AxisTaps axis;
    axis.taps.resize(static_cast<size_t>(count));
    axis.low = high;
    axis.high = low;
    const auto add = [&](int j, int i, uint32_t weight) {
        if (weight == 0)
            return;
        i = std::clamp(i, low, high);
        axis.taps[static_cast<size_t>(j)].push_back({i, weight});
        axis.low = std::min(axis.low, i);
        axis.high = std::max(axis.high, i);
    };
    if (count < length) {
        const double scale = count / length;
        const double end = start + length;
        for (auto i = static_cast<int>(std::floor(start)); i < end; ++i) {
            const double from = (std::max<double>(i, start) - start) * scale;
            const double to = (std::min<double>(i + 1, end) - start) * scale;
            for (int j = std::max(0, static_cast<int>(from)); j < count && j < to; ++j) {
                const double overlap = std::min<double>(to, j + 1) - std::max<double>(from, j);
                if (overlap > 0)
                    add(j, i, static_cast<uint32_t>(one * overlap));
            }
        }
        return axis;
    }
    const double step = count > 1 ? std::max(length - 1.0, 0.0) / (count - 1) : length / count;
    for (int j = 0; j < count; ++j) {
        const double at = start + j * step;
        const double base = std::floor(at);
        const auto near = static_cast<uint32_t>((1.0 - (at - base)) * one);
        add(j, static_cast<int>(base), near);
        add(j, static_cast<int>(base) + 1, one - near);
    }
    return axis;
}

using Sums = std::array<uint32_t, 4>;

void Accumulate(Sums& sums, uint32_t pixel, uint32_t weight)
{
    for (int c = 0; c < 4; ++c)
        sums[static_cast<size_t>(c)] += ((pixel >> (8 * c)) & 0xFF) * weight;
}

} // namespace

bool StretchArea::Clip(const Rect& dest, const Rect& sourceRect, const Rect& clip, bool mirrored)
{
    clipped = dest.Intersection(clip);
    source = sourceRect;
    if (clipped.mWidth <= 0 || clipped.mHeight <= 0 || dest.mWidth <= 0 || dest.mHeight <= 0 ||
        sourceRect.mWidth <= 0 || sourceRect.mHeight <= 0 || sourceRect.mWidth > kMaxSourceSize ||
        sourceRect.mHeight > kMaxSourceSize)
        return false;
    const double fx = static_cast<double>(sourceRect.mWidth) / dest.mWidth;
    const double fy = static_cast<double>(sourceRect.mHeight) / dest.mHeight;
    const double cutLeft = mirrored
        ? static_cast<double>(int64_t{dest.mX} + dest.mWidth - (int64_t{clipped.mX} + clipped.mWidth))
        : static_cast<double>(int64_t{clipped.mX} - dest.mX);
    x = cutLeft * fx + sourceRect.mX;
    y = static_cast<double>(int64_t{clipped.mY} - dest.mY) * fy + sourceRect.mY;
    width = static_cast<double>(int64_t{clipped.mWidth} - dest.mWidth) * fx + sourceRect.mWidth;
    height = static_cast<double>(int64_t{clipped.mHeight} - dest.mHeight) * fy + sourceRect.mHeight;
    return width > 0 && height > 0;
}

std::vector<int> StretchArea::NearestColumns(Stepping stepping) const
{
    return NearestMap(x, width, clipped.mWidth, source.mX, source.mX + source.mWidth - 1, stepping);
}

std::vector<int> StretchArea::NearestRows(Stepping stepping) const
{
    return NearestMap(y, height, clipped.mHeight, source.mY, source.mY + source.mHeight - 1, stepping);
}

// The sums along x carry weights out of 257 and those along y out of 256, so
// that a full 255 still comes out as 255 once the sum drops its low 16 bits.
std::vector<uint32_t> SmoothStretch(MemoryImage& image, const StretchArea& area)
{
    const bool palette = image.mColorTable && image.mColorIndices;
    if (!palette && !image.GetBits())
        return {};
    const int width = area.clipped.mWidth;
    const int height = area.clipped.mHeight;
    const Rect& s = area.source;
    const AxisTaps across = Resample(area.x, area.width, width, s.mX, s.mX + s.mWidth - 1, 257);
    const AxisTaps down = Resample(area.y, area.height, height, s.mY, s.mY + s.mHeight - 1, 256);

    const int firstRow = down.low;
    const int rows = std::max(down.high - firstRow + 1, 0);
    std::vector<Sums> pass(static_cast<size_t>(rows) * static_cast<size_t>(width));
    for (int r = 0; r < rows; ++r) {
        const size_t rowStart = static_cast<size_t>(firstRow + r) * static_cast<size_t>(image.mWidth);
        for (int j = 0; j < width; ++j) {
            Sums& sums = pass[static_cast<size_t>(r) * static_cast<size_t>(width) + static_cast<size_t>(j)];
            for (const AxisTaps::Tap& tap : across.taps[static_cast<size_t>(j)])
                Accumulate(sums, image.PixelAt(rowStart + static_cast<size_t>(tap.index)), tap.weight);
        }
    }

    std::vector<uint32_t> out(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < width; ++j) {
            Sums total{};
            for (const AxisTaps::Tap& tap : down.taps[static_cast<size_t>(i)]) {
                const Sums& from =
                    pass[static_cast<size_t>(tap.index - firstRow) * static_cast<size_t>(width) + static_cast<size_t>(j)];
                for (size_t c = 0; c < 4; ++c)
                    total[c] += from[c] * tap.weight;
            }
            uint32_t pixel = 0;
            for (size_t c = 0; c < 4; ++c)
                pixel |= (total[c] >> 16) << (8 * c);
            out[static_cast<size_t>(i) * static_cast<size_t>(width) + static_cast<size_t>(j)] = pixel;
        }
    }
    return out;
}

} // namespace Vorn
