#pragma once
// The walks of the plain and the anti-aliased line, shared by memory and
// surface images, which differ only in what a pixel receives. The caller
// keeps every pixel inside its image.

#include "framework/graphics/Rect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace Vorn::LineDrawing {

// Far beyond any image, near enough that every difference and doubled
// difference of two coordinates stays an int.
inline constexpr double kCoordinateLimit = 1 << 24;

// Coordinates that are not numbers, or lie far off any image, draw nothing:
// they cannot be turned into pixel positions.
inline bool Usable(double x1, double y1, double x2, double y2)
{
    return std::fabs(x1) < kCoordinateLimit && std::fabs(y1) < kCoordinateLimit && std::fabs(x2) < kCoordinateLimit &&
           std::fabs(y2) < kCoordinateLimit;
}

inline int Trunc(double value)
{
    return static_cast<int>(value);
}

// A horizontal or vertical line as the one rectangle it fills; false for a
// slanted line.
inline bool StraightLine(double x1, double y1, double x2, double y2, Rect& out)
{
    if (y1 == y2) {
        const int left = Trunc(std::min(x1, x2));
        out = Rect(left, Trunc(y1), Trunc(std::max(x1, x2)) - left + 1, Trunc(y2 - y1 + 1.0));
        return true;
    }
    if (x1 == x2) {
        const int top = Trunc(std::min(y1, y2));
        out = Rect(Trunc(x1), top, Trunc(x2 - x1 + 1.0), Trunc(std::max(y1, y2)) - top + 1);
        return true;
    }
    return false;
}

// The stepped line: plot(x, y) for every pixel, from the end with the
// smaller major coordinate. A step of the minor coordinate that would leave
// the bounding box of the ends ends the line.
template <typename Plot>
void Stepped(double x1, double y1, double x2, double y2, Plot plot)
{
    const double minX = std::min(x1, x2);
    const double maxX = std::max(x1, x2);
    const double minY = std::min(y1, y2);
    const double maxY = std::max(y1, y2);
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);

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
    const auto at = [&](int major, int minor) {
        if (xMajor)
            plot(major, minor);
        else
            plot(minor, major);
    };

    int minor = Trunc(startMinor);
    int major = Trunc(startMajor);
    at(major, minor);

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
        at(major, minor);
    }
}

// The anti-aliased line in the manner of Wu: blend(x, y, weight 0..255) for
// the pixel on the line and its neighbour across it (right or left of a
// steep line, below a flat one), shared by a 16.16 error. The line runs
// downward by its float ends, so that its direction and its error never
// disagree; the pixel on the line stays within the integer bounding box of
// the ends; a loop that runs zero times computes no step.
template <typename Blend>
void Smooth(double x1, double y1, double x2, double y2, Blend blend)
{
    if (y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int xs = Trunc(x1);
    const int ys = Trunc(y1);
    const int xe = Trunc(x2);
    const int ye = Trunc(y2);
    const int dy = ye - ys;
    int dx = xe - xs;
    double fdx = x2 - x1;
    const double fdy = y2 - y1;
    int xDir = 1;
    if (fdx < 0) {
        dx = -dx;
        fdx = -fdx;
        xDir = -1;
    }

    // The top byte of the fraction is how far the line lies from the
    // pixel's centre.
    int64_t e = static_cast<int64_t>(std::fabs(x1 - xs) * std::fabs(y1 - ys) * 65536);
    const auto weight = [&e] { return static_cast<uint32_t>(255 - ((e >> 8) & 0xFF)); };

    blend(xs, ys, weight());
    int x = xs;
    int y = ys;
    if (dx < dy) {
        const int steps = dy - 1;
        const int64_t step = steps > 0 ? Trunc(65536 * fdx / fdy) : 0;
        for (int i = 0; i < steps; ++i) {
            e += step;
            if (e > 0xFFFF) {
                e &= 0xFFFF;
                if (x != xe)
                    x += xDir;
            }
            ++y;
            const uint32_t v = weight();
            blend(x, y, v);
            blend(x + xDir, y, 255 - v);
        }
    } else {
        const int steps = dx - 1;
        const int64_t step = steps > 0 ? Trunc(65536 * fdy / fdx) : 0;
        for (int i = 0; i < steps; ++i) {
            e += step;
            if (e > 0xFFFF) {
                e &= 0xFFFF;
                if (y != ye)
                    ++y;
            }
            x += xDir;
            const uint32_t v = weight();
            blend(x, y, v);
            blend(x, y + 1, 255 - v);
        }
    }
    blend(xe, ye, weight());
}

} // namespace Vorn::LineDrawing
