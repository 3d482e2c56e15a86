#include "framework/graphics/TriangleRasterizer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

namespace Vorn::SWTri {

namespace {

int64_t FloorDiv(int64_t n, int64_t d)
{
    const int64_t q = n / d;
    return (n % d != 0 && (n < 0) != (d < 0)) ? q - 1 : q;
}

int64_t CeilDiv(int64_t n, int64_t d)
{
    return -FloorDiv(-n, d);
}

int CeilRow(int32_t y)
{
    return static_cast<int>(CeilDiv(y, 65536));
}

} // namespace

void TriangleScan::Edge::Start(const FixedVertex& a, const FixedVertex& b, int row)
{
    const int64_t dy = int64_t{b.y} - a.y;
    if (dy <= 0) {
        *this = Edge();
        return;
    }
    const int64_t dx = int64_t{b.x} - a.x;
    den = dy * 65536;
    const int64_t numerator = int64_t{a.x} * dy + dx * (int64_t{row} * 65536 - a.y);
    q = CeilDiv(numerator, den);
    rem = q * den - numerator;
    stepQ = FloorDiv(dx * 65536, den);
    stepRem = dx * 65536 - stepQ * den;
}

bool TriangleScan::Setup(const FixedVertex* vertices, int width, int height)
{
    for (int i = 0; i < 3; ++i)
        mIn[i] = mSorted[i] = &vertices[i];
    if (mSorted[1]->y < mSorted[0]->y)
        std::swap(mSorted[0], mSorted[1]);
    if (mSorted[2]->y < mSorted[1]->y)
        std::swap(mSorted[1], mSorted[2]);
    if (mSorted[1]->y < mSorted[0]->y)
        std::swap(mSorted[0], mSorted[1]);
    const FixedVertex& top = *mSorted[0];
    const FixedVertex& mid = *mSorted[1];
    const FixedVertex& bottom = *mSorted[2];
    // Which side of the long edge the middle corner lies: the sign of
    // dxMid * dyBottom - dxBottom * dyMid, which passes 2^63 for corners
    // some 46,000 pixels apart. The heights (never below 0) split into
    // whole pixels and fractions write it as high * 65536 plus a remainder
    // of 0 to 65535, each well within 64 bits: its sign is high's, or the
    // remainder's where high is 0.
    const int64_t dxMid = int64_t{mid.x} - top.x;
    const int64_t dxBottom = int64_t{bottom.x} - top.x;
    const int64_t dyMid = int64_t{mid.y} - top.y;
    const int64_t dyBottom = int64_t{bottom.y} - top.y;
    const int64_t whole = dxMid * (dyBottom >> 16) - dxBottom * (dyMid >> 16);
    const int64_t part = dxMid * (dyBottom & 0xFFFF) - dxBottom * (dyMid & 0xFFFF);
    const int64_t high = whole + (part >> 16);
    if (high == 0 && (part & 0xFFFF) == 0)
        return false;
    mMidLeft = high < 0;
    // An edge between corners within the columns never leaves them.
    mWithin = std::min({top.x, mid.x, bottom.x}) >= 0 &&
              int64_t{std::max({top.x, mid.x, bottom.x})} <= int64_t{width} * 65536;
    mFirstRow = CeilRow(top.y);
    mMidRow = CeilRow(mid.y);
    mLastRow = CeilRow(bottom.y);
    mWidth = width;
    mHeight = height;
    mX0 = mIn[0]->x / 65536.0;
    mY0 = mIn[0]->y / 65536.0;
    mDx1 = mIn[1]->x / 65536.0 - mX0;
    mDy1 = mIn[1]->y / 65536.0 - mY0;
    mDx2 = mIn[2]->x / 65536.0 - mX0;
    mDy2 = mIn[2]->y / 65536.0 - mY0;
    mDet = mDx1 * mDy2 - mDx2 * mDy1;
    return mDet != 0;
}

// Gradients past 2^27 units (2048 texels) a pixel are held there: every
// term of the plane then stays far within 64 bits over the largest image.
TriangleScan::Plane TriangleScan::PlaneOf(int32_t a0, int32_t a1, int32_t a2) const
{
    const double da1 = static_cast<double>(a1) - a0;
    const double da2 = static_cast<double>(a2) - a0;
    constexpr double kLimit = 134217728.0;
    const double dx = std::clamp((da1 * mDy2 - da2 * mDy1) / mDet, -kLimit, kLimit);
    const double dy = std::clamp((da2 * mDx1 - da1 * mDx2) / mDet, -kLimit, kLimit);
    Plane plane;
    plane.dx = RoundHalfAway(dx * 65536.0);
    plane.dy = RoundHalfAway(dy * 65536.0);
    plane.base = RoundHalfAway((a0 - dx * mX0 - dy * mY0) * 65536.0);
    return plane;
}

namespace {

template <typename Target, Sampling Mode, Compose How, Shading Shade>
void Entry(const FixedVertex* vertices, int triangles, const Destination& dest, const TextureInfo& texture,
    const ColorInfo& color)
{
    if (texture.palette && texture.palettePremultiplied)
        RasterizeTriangles<Target, PremultipliedPaletteFetch, Mode, How, Shade>(vertices, triangles, dest,
            PremultipliedPaletteFetch{{texture.palette, texture.indices, texture.width, texture.height}}, color, texture.disc);
    else if (texture.palette)
        RasterizeTriangles<Target, PaletteFetch, Mode, How, Shade>(vertices, triangles, dest,
            PaletteFetch{texture.palette, texture.indices, texture.width, texture.height}, color, texture.disc);
    else if (texture.premultiplied)
        RasterizeTriangles<Target, PremultipliedFetch, Mode, How, Shade>(vertices, triangles, dest,
            PremultipliedFetch{{texture.premultiplied, texture.width, texture.height, texture.edged}}, color, texture.disc);
    else
        RasterizeTriangles<Target, ArgbFetch, Mode, How, Shade>(vertices, triangles, dest,
            ArgbFetch{texture.bits, texture.width, texture.height, texture.edged}, color, texture.disc);
}

template <Sampling Mode, Compose How, Shading Shade>
void Entry888(const FixedVertex* vertices, int triangles, const Destination& dest, const TextureInfo& texture,
    const ColorInfo& color)
{
    if (dest.redLow)
        Entry<Target888<true>, Mode, How, Shade>(vertices, triangles, dest, texture, color);
    else
        Entry<Target888<false>, Mode, How, Shade>(vertices, triangles, dest, texture, color);
}

template <int Index>
constexpr Rasterizer Make()
{
    if constexpr ((Index & kTextured) == 0) {
        return nullptr;
    } else {
        constexpr Sampling mode = (Index & kLinear) ? Sampling::Bilinear : Sampling::Point;
        constexpr Shading shade = (Index & kVertexColors) ? Shading::Vertex : Shading::Constant;
        constexpr Compose how = (Index & kAdditive) ? Compose::Add : (Index & kBlend) ? Compose::Over : Compose::Store;
        constexpr int format = Index & (96 | 256);
        if constexpr (format == 256)
            return &Entry<SampleTarget, mode, how, shade>;
        else if constexpr (format == 0)
            return &Entry<Target8888, mode, how, shade>;
        else if constexpr (format == 32)
            return &Entry888<mode, how, shade>;
        else if constexpr (format == 64)
            return &Entry<Target16<6>, mode, how, shade>;
        else
            return &Entry<Target16<5>, mode, how, shade>;
    }
}

template <size_t... Index>
constexpr std::array<Rasterizer, kTableSize> MakeTable(std::index_sequence<Index...>)
{
    return {Make<static_cast<int>(Index)>()...};
}

constexpr std::array<Rasterizer, kTableSize> kRasterizers = MakeTable(std::make_index_sequence<kTableSize>());

// A sprite's copy is small beside what drawing it costs; a large picture
// drawn smoothly would double its memory for a few per cent of its time.
constexpr int64_t kMaxEdgedWords = int64_t{1} << 20;

} // namespace

std::unique_ptr<uint32_t[]> EdgedWords(const uint32_t* words, int width, int height)
{
    if (!words || width <= 0 || height <= 0 || width > INT16_MAX - 2 || height > INT16_MAX - 2)
        return nullptr;
    const int stride = width + 2;
    if (int64_t{stride} * (height + 2) > kMaxEdgedWords)
        return nullptr;
    auto edged = std::make_unique<uint32_t[]>(static_cast<size_t>(stride) * static_cast<size_t>(height + 2));
    for (int y = -1; y <= height; ++y) {
        const uint32_t* from = words + static_cast<size_t>(std::clamp(y, 0, height - 1)) * static_cast<size_t>(width);
        uint32_t* to = edged.get() + static_cast<size_t>(y + 1) * static_cast<size_t>(stride);
        to[0] = from[0];
        std::copy_n(from, width, to + 1);
        to[width + 1] = from[width - 1];
    }
    return edged;
}

Rasterizer RasterizerAt(int index)
{
    return index >= 0 && index < kTableSize ? kRasterizers[static_cast<size_t>(index)] : nullptr;
}

int FormatBits(int format)
{
    switch (format) {
    case kFormat8888:
        return 0;
    case kFormat888:
        return 32;
    case kFormat565:
        return 64;
    case kFormat555:
        return 96;
    case kFormatRecording:
        return 256;
    default:
        return -1;
    }
}

} // namespace Vorn::SWTri
