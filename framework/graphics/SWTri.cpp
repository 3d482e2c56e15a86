#include "framework/graphics/SWTri.h"

#include "framework/display/NativeDisplay.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/TriangleLayer.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vorn::SWTri {

namespace {

// 16.16 terms overflow 32 bits past this many pixels or texels.
constexpr int kMaxCoordinate = 32767;

bool Inside(const TriangleVertex& p, float bound, Bound kind)
{
    switch (kind) {
    case Bound::MinX:
        return !(p.mX < bound);
    case Bound::MaxX:
        return !(p.mX > bound);
    case Bound::MinY:
        return !(p.mY < bound);
    case Bound::MaxY:
        return !(p.mY > bound);
    }
    return true;
}

uint32_t Channel(uint32_t color, int shift)
{
    return (color >> shift) & 0xFF;
}

bool Finite(const TriangleVertex& p)
{
    return std::isfinite(p.mX) && std::isfinite(p.mY) && std::isfinite(p.mU) && std::isfinite(p.mV);
}

// Corners far apart on opposite sides overflow their difference: the
// interpolation would then make infinities and NaN, which every bound
// counts as inside and no conversion to fixed point survives.
bool DifferencesFinite(const TriangleVertex& a, const TriangleVertex& b)
{
    return std::isfinite(b.mX - a.mX) && std::isfinite(b.mY - a.mY) && std::isfinite(b.mU - a.mU) &&
           std::isfinite(b.mV - a.mV);
}

int32_t Fixed(double value)
{
#if defined(__SSE2__)
    // The conversion rounds as nearbyint does, in the mode in force, without
    // a call; every value here is held within 32 bits.
    return _mm_cvtsd_si32(_mm_set_sd(value * 65536.0));
#else
    return static_cast<int32_t>(std::nearbyint(value * 65536.0));
#endif
}

int32_t FixedChannel(uint32_t color, int shift)
{
    return static_cast<int32_t>(Channel(color, shift) << 16);
}

// The display's premultiplied form of an image is the premultiplied ARGB
// the rasterisers mix: 8-bit channels where ARGB has them. Images keep it
// for the blitters, so the triangles need not premultiply every texel.
bool PremultipliesAsArgb(const NativeDisplay& display)
{
    return display.mRGBBits == 32 && display.mRedMask == 0xFF0000 && display.mGreenMask == 0xFF00 &&
           display.mBlueMask == 0xFF;
}

// Corners written before they are read: not cleared for every drawing.
template <int Count>
union FixedCorners {
    FixedCorners() {}
    FixedVertex at[Count];
};

struct Features {
    int bits = 0;
    TextureInfo texture;
    ColorInfo color;
};

// Triangles on their way to the rasteriser, two of the same features at a
// time: the two of a quad, or neighbours of a fan, share their rows.
class TrianglePairs {
public:
    TrianglePairs(const Destination& dest, const Features& f) : mDest(dest), mFeatures(f) {}
    TrianglePairs(const TrianglePairs&) = delete;
    ~TrianglePairs() { Flush(); }

    void Add(int features, const FixedVertex& a, const FixedVertex& b, const FixedVertex& c)
    {
        if (mHeld && features != mHeldFeatures)
            Flush();
        const int to = mHeld ? 3 : 0;
        mVertices.at[to] = a;
        mVertices.at[to + 1] = b;
        mVertices.at[to + 2] = c;
        if (mHeld) {
            DispatchTrianglePair(features, mVertices.at, mDest, mFeatures.texture, mFeatures.color);
            mHeld = false;
        } else {
            mHeld = true;
            mHeldFeatures = features;
        }
    }

    void Flush()
    {
        if (mHeld)
            DispatchTriangle(mHeldFeatures, mVertices.at, mDest, mFeatures.texture, mFeatures.color);
        mHeld = false;
    }

private:
    const Destination& mDest;
    const Features& mFeatures;
    FixedCorners<6> mVertices;
    bool mHeld = false;
    int mHeldFeatures = 0;
};

// Recordings are made on canvases of the destination's size, 8 bytes a
// pixel: no larger than this many pixels.
constexpr int64_t kMaxLayerPixels = int64_t{2048} * 2048;
// The matrix blit's quad, and single triangles.
constexpr int kMaxLayerStrip = 4;
// Strips of up to this many corners are turned into fixed point corner by
// corner when they lie inside the clip.
constexpr int kWholeStripCorners = 8;

// What decides the pixels a drawing of triangles from a texture gives,
// beside its corners: one block of bytes, each field its own, so that a key
// is made with a few stores (a particle's key is made for every drawing, and
// field by field it cost a thirtieth of drawing it).
struct KeyFields {
    const void* bits;
    const void* premultiplied;
    const void* palette;
    const void* indices;
    const void* destBits;
    int32_t count;
    int32_t width;
    int32_t height;
    int32_t changes;
    // Whether samples are laid over or stored. They may be forced after the
    // pixels were drawn, which no change count follows. Words rather than
    // bytes: the block stays without padding.
    int32_t hasTrans;
    int32_t hasAlpha;
    int32_t clipX;
    int32_t clipY;
    int32_t clipWidth;
    int32_t clipHeight;
    int32_t red;
    int32_t green;
    int32_t blue;
    int32_t alpha;
    int32_t mode;
    int32_t pitch;
    int32_t destWidth;
    int32_t destHeight;
    int32_t destFormat;
    uint8_t palettePremultiplied;
    uint8_t linear;
    uint8_t vertexColors;
    uint8_t redLow;
};
// No padding: every byte compared is a value's.
static_assert(std::has_unique_object_representations_v<KeyFields>);

LayerKey KeyOf(const TriangleVertex* strip, int count, const MemoryImage& texture, const TextureInfo& forms,
    const Destination& dest, bool linear, bool vertexColors, const Rect& clip, const Color& color, int mode)
{
    const KeyFields fields{forms.bits, forms.premultiplied, forms.palette, forms.indices, dest.bits, count,
        forms.width, forms.height, texture.mBitsChangedCount, texture.mHasTrans, texture.mHasAlpha, clip.mX, clip.mY,
        clip.mWidth, clip.mHeight, color.mRed, color.mGreen, color.mBlue, color.mAlpha, mode, dest.pitch, dest.width,
        dest.height, dest.format, forms.palettePremultiplied, linear, vertexColors, dest.redLow};
    LayerKey key;
    key.AddBytes(strip, sizeof *strip * static_cast<size_t>(count)).Add(fields);
    return key;
}

// The rows a strip's corners span, within the clip.
void RowsOf(const TriangleVertex* strip, int count, const Rect& area, int& top, int& bottom)
{
    float low = strip[0].mY;
    float high = strip[0].mY;
    for (int i = 1; i < count; ++i) {
        low = std::min(low, strip[i].mY);
        high = std::max(high, strip[i].mY);
    }
    top = static_cast<int>(std::clamp<double>(std::floor(low), area.mY, area.mY + area.mHeight));
    bottom = static_cast<int>(std::clamp<double>(std::ceil(high) + 1, area.mY, area.mY + area.mHeight));
}

} // namespace

void InterpolateVertex(const TriangleVertex& a, const TriangleVertex& b, float bound, bool onX, TriangleVertex& out)
{
    const float t = onX ? (bound - a.mX) / (b.mX - a.mX) : (bound - a.mY) / (b.mY - a.mY);
    out.mX = (b.mX - a.mX) * t + a.mX;
    out.mY = (b.mY - a.mY) * t + a.mY;
    out.mU = (b.mU - a.mU) * t + a.mU;
    out.mV = (b.mV - a.mV) * t + a.mV;
    uint32_t color = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto from = static_cast<float>(Channel(a.mColor, shift));
        const auto to = static_cast<float>(Channel(b.mColor, shift));
        color |= static_cast<uint32_t>((to - from) * t + from) << shift;
    }
    out.mColor = color;
}

int ClipEdge(const TriangleVertex* const* in, const TriangleVertex** out, float bound, Bound kind, ClipPool& pool)
{
    int n = 0;
    while (in[n])
        ++n;
    const bool onX = kind == Bound::MinX || kind == Bound::MaxX;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const TriangleVertex& p = *in[i];
        const TriangleVertex& q = *in[(i + 1) % n];
        const bool pIn = Inside(p, bound, kind);
        const bool qIn = Inside(q, bound, kind);
        if (pIn)
            out[count++] = &p;
        if (pIn != qIn) {
            if (!DifferencesFinite(p, q) || pool.count == kMaxClipVertices) {
                out[0] = nullptr;
                return 0;
            }
            TriangleVertex& made = pool.vertices[pool.count++];
            if (pIn)
                InterpolateVertex(q, p, bound, onX, made);
            else
                InterpolateVertex(p, q, bound, onX, made);
            if (Finite(made))
                out[count++] = &made;
        }
    }
    out[count] = nullptr;
    return count;
}

int ClipPolygon(const TriangleVertex* a, const TriangleVertex* b, const TriangleVertex* c,
    const TriangleVertex** out, const FRect& bounds, ClipPool& pool)
{
    pool.count = 0;
    const TriangleVertex* first[kMaxClipListLength] = {a, b, c, nullptr};
    const TriangleVertex* second[kMaxClipListLength] = {};
    const auto minX = static_cast<float>(bounds.mX);
    const auto maxX = static_cast<float>(bounds.mX + bounds.mWidth);
    const auto minY = static_cast<float>(bounds.mY);
    const auto maxY = static_cast<float>(bounds.mY + bounds.mHeight);
    if (ClipEdge(first, second, minX, Bound::MinX, pool) < 3 || ClipEdge(second, first, maxX, Bound::MaxX, pool) < 3 ||
        ClipEdge(first, second, minY, Bound::MinY, pool) < 3)
        return 0;
    const int count = ClipEdge(second, out, maxY, Bound::MaxY, pool);
    return count < 3 ? 0 : count;
}

void DispatchTriangle(int features, const FixedVertex* vertices, const Destination& dest,
    const TextureInfo& texture, const ColorInfo& color)
{
    if (const Rasterizer rasterizer = RasterizerAt(features))
        rasterizer(vertices, 1, dest, texture, color);
}

void DispatchTrianglePair(int features, const FixedVertex* vertices, const Destination& dest,
    const TextureInfo& texture, const ColorInfo& color)
{
    if (const Rasterizer rasterizer = RasterizerAt(features))
        rasterizer(vertices, 2, dest, texture, color);
}

// A drawing met again and again on a destination of 32-bit words is laid
// from the layer its recording made; true when it was.
bool DrawFromLayer(const TriangleVertex* strip, int count, MemoryImage& texture, const TextureInfo& forms,
    const Destination& dest, bool linear, bool vertexColors, const Rect& clip, const Rect& area, const Color& color,
    int mode)
{
    if (dest.format != kFormat888 || count > kMaxLayerStrip ||
        int64_t{dest.width} * dest.height > kMaxLayerPixels)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!Finite(strip[i]))
            return false;
    }
    TriangleLayer& layer = texture.TriangleLayerOf();
    switch (layer.Consider(KeyOf(strip, count, texture, forms, dest, linear, vertexColors, clip, color, mode))) {
    case TriangleLayer::Use::Draw:
        return false;
    case TriangleLayer::Use::Lay:
        layer.Lay(dest);
        return true;
    case TriangleLayer::Use::Record:
        break;
    }
    int top = 0;
    int bottom = 0;
    RowsOf(strip, count, area, top, bottom);
    const std::unique_ptr<uint64_t[]> canvas = TriangleLayer::Canvas(dest.width, dest.height, top, bottom);
    Destination recording;
    recording.bits = reinterpret_cast<uint8_t*>(canvas.get());
    recording.pitch = dest.width * static_cast<int>(sizeof(uint64_t));
    recording.width = dest.width;
    recording.height = dest.height;
    recording.format = kFormatRecording;
    DrawTriangles(strip, count, &texture, recording, linear, vertexColors, clip, color, mode);
    if (!layer.Build(canvas.get(), dest.width, top, bottom, dest.redLow))
        return false;
    layer.Lay(dest);
    return true;
}

namespace {

// Texture positions this far from 0 are left to the rows as they are: the
// rows' 16.16 positions would wrap before them.
constexpr double kMaxDiscTexel = 16384.0;

// The disc of the texels the strip's samples can reach: every sample lies
// within the box of its corners' texture positions, give or take rounding.
const TexelDisc* DiscOf(const TriangleVertex* strip, int count, MemoryImage& texture, const TextureInfo& forms)
{
    float left = strip[0].mX;
    float right = left;
    for (int i = 1; i < count; ++i) {
        left = std::min(left, strip[i].mX);
        right = std::max(right, strip[i].mX);
    }
    if (!(right - left >= TexelDiscs::kWorthColumns))
        return nullptr;
    double u0 = kMaxDiscTexel;
    double v0 = kMaxDiscTexel;
    double u1 = -kMaxDiscTexel;
    double v1 = -kMaxDiscTexel;
    for (int i = 0; i < count; ++i) {
        const double u = strip[i].mU * forms.width;
        const double v = strip[i].mV * forms.height;
        // Also false for NaN.
        if (!(std::fabs(u) < kMaxDiscTexel && std::fabs(v) < kMaxDiscTexel))
            return nullptr;
        u0 = std::min(u0, u);
        u1 = std::max(u1, u);
        v0 = std::min(v0, v);
        v1 = std::max(v1, v);
    }
    return texture.TexelDiscsOf().Around(forms, u0, v0, u1, v1, static_cast<uint64_t>(texture.mBitsChangedCount));
}

// A drawing that reads this many bytes of a texture and up has them read
// through once, in order, before it starts. Drawn once a frame (the vortex),
// such a texture has left the nearer caches by the next frame, and a turned
// drawing walks it across its rows, where the processor finds no stream to
// fetch ahead: each line would be waited for in turn. Read in order, the
// lines stream in. Below the lower bound the waits are few, and textures
// drawn many times a frame stay near; above the upper one, the first lines
// read would be pushed out again before the drawing reached them. (Prefetch
// instructions instead of the reads did about half as well.)
constexpr size_t kReadAheadLeast = 64 * 1024;
constexpr size_t kReadAheadMost = 512 * 1024;

// Reads ahead the words the strip's samples take (ReadAhead).
void ReadAheadOf(const TriangleVertex* strip, int count, const TextureInfo& texture, bool linear)
{
    const bool edged = linear && texture.edged;
    if (!CanReadAhead(texture.width + (edged ? 2 : 0), texture.height + (edged ? 2 : 0)))
        return;
    double u0 = kMaxDiscTexel;
    double v0 = kMaxDiscTexel;
    double u1 = -kMaxDiscTexel;
    double v1 = -kMaxDiscTexel;
    for (int i = 0; i < count; ++i) {
        const double u = strip[i].mU * static_cast<double>(texture.width);
        const double v = strip[i].mV * static_cast<double>(texture.height);
        u0 = std::min(u0, u);
        u1 = std::max(u1, u);
        v0 = std::min(v0, v);
        v1 = std::max(v1, v);
    }
    if (edged)
        ReadAhead(texture.edged, texture.width + 2, texture.height + 2, 1, u0, v0, u1, v1);
    else
        ReadAhead(texture.premultiplied, texture.width, texture.height, 0, u0, v0, u1, v1);
}

} // namespace

bool CanReadAhead(int width, int rows)
{
    return width > 0 && rows > 0 &&
           static_cast<size_t>(width) * static_cast<size_t>(rows) * sizeof(uint32_t) >= kReadAheadLeast;
}

void ReadAhead(const uint32_t* words, int width, int rows, int border, double u0, double v0, double u1, double v1)
{
    // Also false for NaN.
    const auto near = [](double at) { return std::fabs(at) < kMaxDiscTexel; };
    if (!words || !CanReadAhead(width, rows) || !(near(u0) && near(u1) && near(v0) && near(v1)))
        return;
    const auto held = [border](double at, int size) {
        return std::clamp(static_cast<int>(std::floor(at)) + border, 0, size - 1);
    };
    const int left = held(std::min(u0, u1) - 1, width);
    const int right = held(std::max(u0, u1) + 1, width);
    const int top = held(std::min(v0, v1) - 1, rows);
    const int bottom = held(std::max(v0, v1) + 1, rows);
    const size_t rowBytes = static_cast<size_t>(right - left + 1) * sizeof(uint32_t);
    const size_t bytes = rowBytes * static_cast<size_t>(bottom - top + 1);
    if (bytes < kReadAheadLeast || bytes > kReadAheadMost)
        return;
    constexpr size_t kLine = 64;
    uint32_t sum = 0;
    for (int y = top; y <= bottom; ++y) {
        const auto* from = reinterpret_cast<const unsigned char*>(
            words + static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(left));
        for (size_t at = 0; at < rowBytes; at += kLine)
            sum += from[at];
    }
    // Kept, or the reads would be dropped as unused.
    asm volatile("" ::"r"(sum));
}

// The clip bounds reach clip x + width and clip y + height: with the pixel
// centres at integers and right and bottom edges left out, a bound one
// pixel short would leave the last column and row unpainted.
void DrawTriangles(const TriangleVertex* strip, int count, MemoryImage* texture, const Destination& dest,
    bool linear, bool vertexColors, const Rect& clip, const Color& color, int mode)
{
    const int formatBits = FormatBits(dest.format);
    const Rect area = clip.Intersection(Rect(0, 0, std::min(dest.width, kMaxCoordinate),
        std::min(dest.height, kMaxCoordinate)));
    if (count < 3 || !strip || !texture || formatBits < 0 || !dest.bits || area.mWidth <= 0 || area.mHeight <= 0)
        return;

    Features f;
    texture->ScanPixelFlags();
    f.texture.width = texture->mWidth;
    f.texture.height = texture->mHeight;
    if (f.texture.width <= 0 || f.texture.height <= 0 || f.texture.width > kMaxCoordinate ||
        f.texture.height > kMaxCoordinate)
        return;
    const NativeDisplay* display = texture->AppDisplay();
    const bool argbDisplay = display && PremultipliesAsArgb(*display);
    // A picture of few colours is read as words where it can be: the vector
    // rows read a word faster than an index and its entry.
    const uint32_t* paletteWords =
        argbDisplay && texture->mColorTable && texture->mColorIndices ? texture->GetPremultipliedPaletteWords(*display)
                                                                      : nullptr;
    if (paletteWords) {
        f.texture.premultiplied = paletteWords;
    } else if (texture->mColorTable && texture->mColorIndices) {
        f.texture.indices = texture->mColorIndices.get();
        f.texture.palettePremultiplied = argbDisplay;
        f.texture.palette = argbDisplay ? texture->GetPremultipliedData(*display) : texture->mColorTable.get();
    } else if (argbDisplay) {
        f.texture.premultiplied = texture->GetPremultipliedData(*display);
        if (linear)
            f.texture.edged = texture->GetEdgedPremultipliedData(*display);
    } else if (!(f.texture.bits = texture->GetBits())) {
        return;
    }
    const auto component = [](int value) { return std::clamp(value, 0, 255); };
    f.color = ColorInfo{component(color.mAlpha), component(color.mRed), component(color.mGreen),
        component(color.mBlue)};
    const auto drawColor = static_cast<uint32_t>(f.color.alpha) << 24 | static_cast<uint32_t>(f.color.red) << 16 |
                           static_cast<uint32_t>(f.color.green) << 8 | static_cast<uint32_t>(f.color.blue);
    const bool translucentTexture = texture->mHasAlpha || texture->mHasTrans || linear;
    f.bits = kTextured | formatBits | (linear ? kLinear : 0) | (color.IsWhite() ? 0 : kColorize) |
             (vertexColors ? kVertexColors : 0) | (mode != kDrawModeNormal ? kAdditive : 0);
    if (DrawFromLayer(strip, count, *texture, f.texture, dest, linear, vertexColors, clip, area, color, mode))
        return;
    if (formatBits == 32)
        f.texture.disc = DiscOf(strip, count, *texture, f.texture);
    ReadAheadOf(strip, count, f.texture, linear);

    const FRect bounds(area.mX, area.mY, area.mWidth, area.mHeight);
    const double texelsWide = f.texture.width;
    const double texelsHigh = f.texture.height;
    const auto inside = [&](const TriangleVertex& p) {
        return p.mX >= bounds.mX && p.mX <= bounds.mX + bounds.mWidth && p.mY >= bounds.mY &&
               p.mY <= bounds.mY + bounds.mHeight;
    };
    const auto fixedOf = [&](const TriangleVertex& p) {
        FixedVertex out;
        out.x = Fixed(std::clamp<double>(p.mX, bounds.mX, bounds.mX + bounds.mWidth));
        out.y = Fixed(std::clamp<double>(p.mY, bounds.mY, bounds.mY + bounds.mHeight));
        out.u = Fixed(std::clamp(p.mU * texelsWide, -32768.0, 32767.0));
        out.v = Fixed(std::clamp(p.mV * texelsHigh, -32768.0, 32767.0));
        if (vertexColors) {
            out.alpha = FixedChannel(p.mColor, 24);
            out.red = FixedChannel(p.mColor, 16);
            out.green = FixedChannel(p.mColor, 8);
            out.blue = FixedChannel(p.mColor, 0);
        }
        return out;
    };
    const bool blendAlways = translucentTexture || f.color.alpha < 255;
    TrianglePairs pairs(dest, f);

    // A short strip wholly inside the clip, as a sprite's quad mostly is:
    // each corner is turned into fixed point once, not once for every
    // triangle it belongs to.
    if (count <= kWholeStripCorners &&
        std::all_of(strip, strip + count, [&](const TriangleVertex& p) { return Finite(p) && inside(p); })) {
        FixedCorners<kWholeStripCorners> fixed;
        bool translucent[kWholeStripCorners];
        for (int i = 0; i < count; ++i) {
            TriangleVertex corner = strip[i];
            if (vertexColors && corner.mColor == 0)
                corner.mColor = drawColor;
            translucent[i] = vertexColors && corner.mColor >> 24 < 255;
            fixed.at[i] = fixedOf(corner);
        }
        for (int j = 0; j + 2 < count; ++j) {
            const int second = j % 2 == 0 ? j + 1 : j + 2;
            const int third = j % 2 == 0 ? j + 2 : j + 1;
            const bool blend = blendAlways || translucent[j] || translucent[second] || translucent[third];
            pairs.Add(f.bits | (blend ? kBlend : 0), fixed.at[j], fixed.at[second], fixed.at[third]);
        }
        return;
    }

    // Made only for a triangle that crosses the clip: most lie inside it,
    // and the pool is large.
    std::optional<ClipPool> pool;
    for (int j = 0; j + 2 < count; ++j) {
        const int second = j % 2 == 0 ? j + 1 : j + 2;
        const int third = j % 2 == 0 ? j + 2 : j + 1;
        TriangleVertex corners[3] = {strip[j], strip[second], strip[third]};
        bool blend = blendAlways;
        bool finite = true;
        for (TriangleVertex& corner : corners) {
            finite = finite && Finite(corner);
            if (vertexColors) {
                if (corner.mColor == 0)
                    corner.mColor = drawColor;
                blend = blend || corner.mColor >> 24 < 255;
            }
        }
        if (!finite)
            continue;
        const int features = f.bits | (blend ? kBlend : 0);
        if (std::all_of(std::begin(corners), std::end(corners), inside)) {
            pairs.Add(features, fixedOf(corners[0]), fixedOf(corners[1]), fixedOf(corners[2]));
            continue;
        }
        if (!pool)
            pool.emplace();
        const TriangleVertex* clipped[kMaxClipListLength];
        const int n = ClipPolygon(&corners[0], &corners[1], &corners[2], clipped, bounds, *pool);
        FixedCorners<kMaxClippedVertices> fixed;
        for (int k = 0; k < n; ++k)
            fixed.at[k] = fixedOf(*clipped[k]);
        for (int k = 2; k < n; ++k)
            pairs.Add(features, fixed.at[0], fixed.at[k - 1], fixed.at[k]);
    }
}

} // namespace Vorn::SWTri
