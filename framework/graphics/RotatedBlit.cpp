#include "framework/graphics/RotatedBlit.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

namespace {

constexpr double kFixedOne = 65536.0;
// Start terms beyond this are far outside any source: their rows are skipped
// before any product could overflow 64 bits.
constexpr double kStartLimit = 4611686018427387904.0;

bool Finite(double value)
{
    return std::isfinite(value);
}

} // namespace

bool RotatedBlit::Setup(const Rect& source, float x, float y, const Rect& clip, double angle, float centerX,
    float centerY)
{
    if (source.mWidth <= 0 || source.mHeight <= 0 || source.mWidth > kMaxSourceSize ||
        source.mHeight > kMaxSourceSize)
        return false;
    if (!Finite(x) || !Finite(y) || !Finite(angle) || !Finite(centerX) || !Finite(centerY))
        return false;
    mWidth = source.mWidth;
    mHeight = source.mHeight;
    mX = x;
    mY = y;
    mCenterX = centerX;
    mCenterY = centerY;

    const auto turn = static_cast<float>(angle);
    const float c = std::cos(turn);
    const float s = std::sin(turn);
    const auto w = static_cast<float>(mWidth);
    const auto h = static_cast<float>(mHeight);
    float minX = 10000000.0f;
    float minY = 10000000.0f;
    float maxX = -10000000.0f;
    float maxY = -10000000.0f;
    const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    for (const auto& corner : corners) {
        const float du = corner[0] - centerX;
        const float dv = corner[1] - centerY;
        const float px = du * c + centerX + dv * s + x;
        const float py = dv * c + centerY - du * s + y;
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    const FRect bounds = FRect(minX, minY, maxX - minX, maxY - minY)
                             .IntersectionD(FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    if (!(bounds.mWidth > 0 && bounds.mHeight > 0))
        return false;

    mStartX = static_cast<int>(bounds.mX);
    mStartY = static_cast<int>(bounds.mY);
    mRowCount = static_cast<int>(std::ceil(bounds.mHeight));
    mLastColumn = static_cast<int>(bounds.mWidth - 1.0);
    mCos = std::cos(angle);
    mSin = std::sin(angle);
    mCosF = static_cast<int32_t>(mCos * kFixedOne);
    mSinF = static_cast<int32_t>(mSin * kFixedOne);
    mDx0 = static_cast<float>(mStartX) - centerX - x;
    return true;
}

// The margins are not symmetric, and stay so: with cosF = 65536 and u = 0
// the first column is skipped although its taps lie inside the source.
// Every term is held in 64 bits, so no start position, however far off,
// wraps into the source.
bool RotatedBlit::ClipRow(int i, RotatedRow& row) const
{
    const int destY = mStartY + i;
    const float dy = static_cast<float>(destY) - mCenterY - mY;
    const double uStartD = kFixedOne * (mDx0 * mCos - dy * mSin + mCenterX);
    const double vStartD = kFixedOne * (mDx0 * mSin + dy * mCos + mCenterY);
    if (!(std::fabs(uStartD) < kStartLimit && std::fabs(vStartD) < kStartLimit))
        return false;
    const auto uStart = static_cast<int64_t>(uStartD);
    const auto vStart = static_cast<int64_t>(vStartD);
    const int64_t cosF = mCosF;
    const int64_t sinF = mSinF;
    const int64_t wide = int64_t{mWidth} * 65536;
    const int64_t high = int64_t{mHeight} * 65536;
    int64_t first = 0;
    int64_t last = mLastColumn;

    if (cosF < 0) {
        if ((uStart >> 16) < 0)
            return false;
        first = std::max(first, (wide - uStart - 0x27FFF) / cosF);
        last = std::min(last, (0x7FFF - uStart) / cosF);
    } else if (cosF > 0) {
        if ((uStart >> 16) >= mWidth - 1)
            return false;
        first = std::max(first, (0x10000 - uStart) / cosF);
        last = std::min(last, (wide - uStart - 0x17FFF) / cosF);
    } else if (uStart < 0 || uStart >= wide - 0x10000) {
        return false;
    }

    if (sinF < 0) {
        if ((vStart >> 16) < 0)
            return false;
        first = std::max(first, (high - vStart - 0x27FFF) / sinF);
        last = std::min(last, -(vStart / sinF));
    } else if (sinF > 0) {
        if ((vStart >> 16) >= mHeight - 1)
            return false;
        first = std::max(first, (0x10000 - vStart) / sinF);
        last = std::min(last, (high - vStart - 0x17FFF) / sinF);
    } else if (vStart < 0 || vStart >= high - 0x10000) {
        return false;
    }

    if (first > last)
        return false;
    const int64_t u = uStart + first * cosF;
    const int64_t v = vStart + first * sinF;
    if (u < INT32_MIN || u > INT32_MAX || v < INT32_MIN || v > INT32_MAX)
        return false;
    row.y = destY;
    row.x = mStartX + static_cast<int>(first);
    row.count = static_cast<int>(last - first + 1);
    row.u = static_cast<int32_t>(u);
    row.v = static_cast<int32_t>(v);
    return true;
}

} // namespace Vorn
