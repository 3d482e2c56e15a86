#pragma once
// The rotated blit written out from its rules in plain scalar arithmetic,
// one pixel at a time: where the turned source rectangle lands, which pixels
// each destination row offers and keeps after clipping in source space, and
// the four taps of every kept pixel with their alpha-weighted weights. The
// tests lay these weighed taps onto the destination with the blend formulas
// of each kind of image and compare whole destinations. Nothing here is
// shared with the blitters: a fault in their walk, their clipping or their
// weights shows as a pixel of difference.

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace RotatedReference {

// One blit's arguments, as the blitter takes them.
struct Blit {
    Vorn::Rect source;
    float x = 0;
    float y = 0;
    Vorn::Rect clip;
    double angle = 0;
    float centerX = 0;
    float centerY = 0;
};

// A kept destination pixel: its position, the channel sums S_r, S_g, S_b of
// 8-bit channel times weight, and the coverage, the sum of the weights.
struct Sample {
    int x = 0;
    int y = 0;
    uint32_t sum[3] = {};
    uint32_t coverage = 0;
};

// Straight ARGB pixels of the whole source image, `width` to a row.
struct SourcePixels {
    const uint32_t* pixels;
    int width;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// Bilinear weights of the fractions forced odd, each weighed by its tap's
// alpha and, for the colorized normal blend, by the colour's alpha (256:
// none).
inline Sample Weigh(const uint32_t taps[4], uint32_t u, uint32_t v, uint32_t colorAlpha)
{
    const uint32_t fu = (u & 0xFFFE) + 1;
    const uint32_t fv = (v & 0xFFFE) + 1;
    const uint32_t bilinear[4] = {(65536 - fu) * (65536 - fv) / 65536, fu * (65536 - fv) / 65536,
        (65536 - fu) * fv / 65536, fu * fv / 65536};
    Sample sample;
    for (int k = 0; k < 4; ++k) {
        uint32_t weight = bilinear[k] * (taps[k] >> 24) / 65536;
        if (colorAlpha != 256)
            weight = weight * colorAlpha / 256;
        for (int c = 0; c < 3; ++c)
            sample.sum[c] += ((taps[k] >> (16 - 8 * c)) & 0xFF) * weight;
        sample.coverage += weight;
    }
    return sample;
}

// The range of columns a row keeps: [first, last], or none.
struct Columns {
    int64_t first = 0;
    int64_t last = 0;
    bool any = true;
};

// Narrows the columns of a row by one source axis: start s (16.16) stepped
// by `step` per column, within `size` source pixels. The margins are those of
// the blit, not symmetric: a rising walk stops one pixel and a half short of
// the far edge and skips a start exactly on the near one; a falling walk on
// the u axis stops at half a pixel, on the v axis at 0. Terms are held in 64
// bits, as the blit holds them, so that a start far outside never wraps into
// the source.
inline void Narrow(Columns& columns, int64_t s, int64_t step, int size, bool uAxis)
{
    const int64_t extent = int64_t{size} * 65536;
    if (step < 0) {
        if ((s >> 16) < 0)
            columns.any = false;
        columns.first = std::max(columns.first, (extent - s - 0x27FFF) / step);
        columns.last = std::min(columns.last, uAxis ? (0x7FFF - s) / step : -(s / step));
    } else if (step > 0) {
        if ((s >> 16) >= size - 1)
            columns.any = false;
        columns.first = std::max(columns.first, (0x10000 - s) / step);
        columns.last = std::min(columns.last, (extent - s - 0x17FFF) / step);
    } else if (s < 0 || s >= extent - 0x10000) {
        columns.any = false;
    }
}

// Every kept pixel of the blit onto a destination of the given size, rows
// top down and columns left to right, with its weighed taps. A tap outside
// the source rectangle is a failure of the clipping rules themselves and is
// reported.
inline std::vector<Sample> Samples(const Blit& blit, const SourcePixels& image, uint32_t colorAlpha, int destWidth,
    int destHeight)
{
    std::vector<Sample> samples;
    // A clip reaching past the destination is held to it, as the blits hold
    // it: callers other than the drawing context pass clips unchecked.
    const Vorn::Rect clip = blit.clip.Intersection(Vorn::Rect(0, 0, destWidth, destHeight));
    const int width = blit.source.mWidth;
    const int height = blit.source.mHeight;
    const float cx = blit.centerX;
    const float cy = blit.centerY;

    // The bounds of the four turned corners, in floats.
    const auto turn = static_cast<float>(blit.angle);
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    float minX = 10000000.0f;
    float minY = 10000000.0f;
    float maxX = -10000000.0f;
    float maxY = -10000000.0f;
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    for (const auto& [px, py] : {std::pair{0.0f, 0.0f}, {w, 0.0f}, {w, h}, {0.0f, h}}) {
        const float du = px - cx;
        const float dv = py - cy;
        const float X = du * c + cx + dv * s + blit.x;
        const float Y = dv * c + cy - du * s + blit.y;
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    // Their rectangle in doubles (its width and height float differences),
    // cut by the clip.
    const double left = std::max<double>(minX, clip.mX);
    const double top = std::max<double>(minY, clip.mY);
    const double right = std::min(static_cast<double>(minX) + static_cast<double>(maxX - minX),
        static_cast<double>(clip.mX) + clip.mWidth);
    const double bottom = std::min(static_cast<double>(minY) + static_cast<double>(maxY - minY),
        static_cast<double>(clip.mY) + clip.mHeight);
    const double boundsWidth = right - left;
    const double boundsHeight = bottom - top;
    if (!(boundsWidth > 0 && boundsHeight > 0))
        return samples;

    const int startX = static_cast<int>(left);
    const int startY = static_cast<int>(top);
    const auto lastColumn = static_cast<int64_t>(boundsWidth - 1.0);
    const double cosA = std::cos(blit.angle);
    const double sinA = std::sin(blit.angle);
    const auto cosF = static_cast<int64_t>(static_cast<int32_t>(cosA * 65536.0));
    const auto sinF = static_cast<int64_t>(static_cast<int32_t>(sinA * 65536.0));
    const float dx0 = static_cast<float>(startX) - cx - blit.x;
    for (int i = 0; i < boundsHeight; ++i) {
        const int destY = startY + i;
        const float dy = static_cast<float>(destY) - cy - blit.y;
        const auto uStart = static_cast<int64_t>(65536.0 * (dx0 * cosA - dy * sinA + cx));
        const auto vStart = static_cast<int64_t>(65536.0 * (dx0 * sinA + dy * cosA + cy));
        Columns columns{0, lastColumn, true};
        Narrow(columns, uStart, cosF, width, true);
        Narrow(columns, vStart, sinF, height, false);
        if (!columns.any || columns.first > columns.last)
            continue;
        for (int64_t j = columns.first; j <= columns.last; ++j) {
            const int64_t u = uStart + j * cosF;
            const int64_t v = vStart + j * sinF;
            const int64_t iu = u >> 16;
            const int64_t iv = v >> 16;
            if (iu < 0 || iu + 1 >= width || iv < 0 || iv + 1 >= height) {
                ADD_FAILURE() << "tap (" << iu << ", " << iv << ") outside the " << width << " x " << height
                              << " source at row " << destY << " column " << j;
                continue;
            }
            const int sx = blit.source.mX + static_cast<int>(iu);
            const int sy = blit.source.mY + static_cast<int>(iv);
            const uint32_t taps[4] = {image.At(sx, sy), image.At(sx + 1, sy), image.At(sx, sy + 1),
                image.At(sx + 1, sy + 1)};
            Sample sample = Weigh(taps, static_cast<uint32_t>(u), static_cast<uint32_t>(v), colorAlpha);
            sample.x = startX + static_cast<int>(j);
            sample.y = destY;
            samples.push_back(sample);
        }
    }
    return samples;
}

// The blit's arguments, to the last bit, for a failure's message.
inline std::string Describe(const Blit& blit, const Vorn::Color& color, int mode)
{
    std::ostringstream text;
    text << std::setprecision(17) << "source (" << blit.source.mX << ", " << blit.source.mY << ", "
         << blit.source.mWidth << ", " << blit.source.mHeight << ") at (" << blit.x << ", " << blit.y << ") clip ("
         << blit.clip.mX << ", " << blit.clip.mY << ", " << blit.clip.mWidth << ", " << blit.clip.mHeight
         << ") angle " << blit.angle << " centre (" << blit.centerX << ", " << blit.centerY << ") colour "
         << color.mRed << "," << color.mGreen << "," << color.mBlue << "," << color.mAlpha << " mode " << mode;
    return text.str();
}

// Every pixel of a destination against the expected one: how many differ,
// and the first few with their positions.
inline testing::AssertionResult SameDestination(const std::vector<uint32_t>& actual,
    const std::vector<uint32_t>& expected, int width)
{
    if (actual.size() != expected.size())
        return testing::AssertionFailure() << actual.size() << " pixels, expected " << expected.size();
    std::ostringstream first;
    int differing = 0;
    for (size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] == expected[i])
            continue;
        if (++differing <= 4)
            first << std::hex << " (" << std::dec << i % static_cast<size_t>(width) << ", "
                  << i / static_cast<size_t>(width) << ") " << std::hex << actual[i] << " not " << expected[i];
    }
    if (differing == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << differing << " pixels differ:" << first.str();
}

// Seeded draws of blits, independent of the standard library's
// distributions so that every machine draws the same ones.
class RandomBlits {
public:
    RandomBlits(uint32_t seed, int imageWidth, int imageHeight, int destWidth, int destHeight)
        : mRandom(seed), mImageWidth(imageWidth), mImageHeight(imageHeight), mDestWidth(destWidth),
          mDestHeight(destHeight)
    {
    }

    int Int(int low, int high) { return low + static_cast<int>(mRandom() % static_cast<uint32_t>(high - low + 1)); }
    double Real(double low, double high) { return low + (high - low) * (mRandom() / 4294967296.0); }

    // Source rectangles mostly large, some of the narrow ones that draw
    // little or nothing. Angles anywhere in two turns either way, with
    // quarter turns (where one step is 0) and angles just beside them mixed
    // in; positions at any fraction, at quarters and at whole pixels; centres
    // inside and outside the rectangle; clips of most of the destination,
    // some reaching past it.
    Blit Next()
    {
        Blit blit;
        const bool narrow = Int(0, 4) == 0;
        const int w = narrow ? Int(1, 4) : Int(mImageWidth / 3, mImageWidth);
        const int h = narrow ? Int(1, 4) : Int(mImageHeight / 3, mImageHeight);
        blit.source = Vorn::Rect(Int(0, mImageWidth - w), Int(0, mImageHeight - h), w, h);
        const double quarter = std::numbers::pi / 2 * Int(-4, 4);
        switch (Int(0, 5)) {
        case 0:
            blit.angle = quarter;
            break;
        case 1:
            blit.angle = quarter + Real(-0.002, 0.002);
            break;
        case 2:
            blit.angle = 0;
            break;
        default:
            blit.angle = Real(-2 * std::numbers::pi, 2 * std::numbers::pi);
        }
        blit.x = Position(-w, mDestWidth);
        blit.y = Position(-h, mDestHeight);
        blit.centerX = static_cast<float>(Real(-0.5 * w, 1.5 * w));
        blit.centerY = static_cast<float>(Real(-0.5 * h, 1.5 * h));
        if (Int(0, 3) == 0)
            blit.centerX = static_cast<float>(w) / 2, blit.centerY = static_cast<float>(h) / 2;
        if (Int(0, 2) == 0) {
            blit.clip = Vorn::Rect(-4, -4, mDestWidth + 8, mDestHeight + 8);
        } else {
            const int left = Int(-6, mDestWidth / 2);
            const int top = Int(-6, mDestHeight / 2);
            blit.clip = Vorn::Rect(left, top, Int(mDestWidth / 2, mDestWidth + 6) - left,
                Int(mDestHeight / 2, mDestHeight + 6) - top);
        }
        return blit;
    }

    // Any colour, or one just off white, or one of alpha 0.
    Vorn::Color NextColor()
    {
        switch (Int(0, 5)) {
        case 0:
            return Vorn::Color(255, 255, 255, 254);
        case 1:
            return Vorn::Color(Int(0, 255), Int(0, 255), Int(0, 255), 0);
        default:
            return Vorn::Color(Int(0, 255), Int(0, 255), Int(0, 255), Int(0, 255));
        }
    }

private:
    float Position(int low, int high)
    {
        const double at = Real(low, high);
        switch (Int(0, 3)) {
        case 0:
            return static_cast<float>(std::floor(at));
        case 1:
            return static_cast<float>(std::floor(at * 4) / 4);
        default:
            return static_cast<float>(at);
        }
    }

    std::mt19937 mRandom;
    int mImageWidth;
    int mImageHeight;
    int mDestWidth;
    int mDestHeight;
};

} // namespace RotatedReference
