#include "framework/graphics/SWTri.h"

#include "fakes/DisplayApp.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Transform.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iterator>
#include <limits>
#include <random>
#include <memory>
#include <string>
#include <vector>

namespace {

using Vorn::Color;
using Vorn::FRect;
using Vorn::Rect;
using Vorn::TriangleVertex;
namespace SWTri = Vorn::SWTri;

int Count(const TriangleVertex* const* list)
{
    int n = 0;
    while (list[n])
        ++n;
    return n;
}

const FRect kBounds(0, 0, 10, 10);

TEST(SWTri, TriangleInsideTheBoundsIsHandedOnUnchanged)
{
    const TriangleVertex a{1, 1, 0, 0, 0}, b{9, 2, 1, 0, 0}, c{5, 10, 0, 1, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[16] = {};
    ASSERT_EQ(SWTri::ClipPolygon(&a, &b, &c, out, kBounds, pool), 3);
    EXPECT_EQ(out[0], &a);
    EXPECT_EQ(out[1], &b);
    EXPECT_EQ(out[2], &c);
    EXPECT_EQ(pool.count, 0);
}

// A corner beyond x and y bounds at once is cut twice: a pentagon.
TEST(SWTri, VertexBeyondACornerGivesAPentagon)
{
    const TriangleVertex a{2, 2, 0, 0, 0}, b{14, 3, 1, 0, 0}, c{3, 14, 0, 1, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[16] = {};
    const int n = SWTri::ClipPolygon(&a, &b, &c, out, kBounds, pool);
    ASSERT_EQ(n, 5);
    for (int i = 0; i < n; ++i) {
        EXPECT_GE(out[i]->mX, 0.0f);
        EXPECT_LE(out[i]->mX, 10.0f);
        EXPECT_LE(out[i]->mY, 10.0f);
    }
    EXPECT_EQ(Count(out), 5);
}

TEST(SWTri, VertexOnTheBoundStaysAndOutsideIsDropped)
{
    const TriangleVertex a{10, 5, 0, 0, 0}, b{2, 1, 0, 0, 0}, c{2, 9, 0, 0, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[16] = {};
    EXPECT_EQ(SWTri::ClipPolygon(&a, &b, &c, out, kBounds, pool), 3);
    EXPECT_EQ(pool.count, 0);
    const TriangleVertex d{11, 1, 0, 0, 0}, e{15, 1, 0, 0, 0}, f{13, 9, 0, 0, 0};
    EXPECT_EQ(SWTri::ClipPolygon(&d, &e, &f, out, kBounds, pool), 0);
}

// A corner exactly on any of the four bounds is inside: the triangle is
// handed on as it is, nothing made.
TEST(SWTri, ACornerOnEachBoundIsInside)
{
    const TriangleVertex cases[][3] = {{{0, 5, 0, 0, 0}, {8, 1, 0, 0, 0}, {8, 9, 0, 0, 0}},
        {{10, 5, 0, 0, 0}, {2, 1, 0, 0, 0}, {2, 9, 0, 0, 0}}, {{5, 0, 0, 0, 0}, {1, 8, 0, 0, 0}, {9, 8, 0, 0, 0}},
        {{5, 10, 0, 0, 0}, {1, 2, 0, 0, 0}, {9, 2, 0, 0, 0}}};
    for (const auto& tri : cases) {
        SWTri::ClipPool pool;
        const TriangleVertex* out[SWTri::kMaxClipListLength] = {};
        ASSERT_EQ(SWTri::ClipPolygon(&tri[0], &tri[1], &tri[2], out, kBounds, pool), 3)
            << tri[0].mX << "," << tri[0].mY;
        EXPECT_EQ(pool.count, 0) << tri[0].mX << "," << tri[0].mY;
        EXPECT_EQ(out[0], &tri[0]);
    }
}

// Position, texture coordinates and colour follow the edge; colour
// channels truncate (half of 255 is 127).
TEST(SWTri, InterpolationFollowsTheEdge)
{
    const TriangleVertex outside{-4, 0, 0, 0, 0x00FF0000}, inside{4, 8, 1, 0.5f, 0xFF00FF80};
    TriangleVertex made;
    SWTri::InterpolateVertex(outside, inside, 0, true, made);
    EXPECT_EQ(made.mX, 0.0f);
    EXPECT_EQ(made.mY, 4.0f);
    EXPECT_EQ(made.mU, 0.5f);
    EXPECT_EQ(made.mV, 0.25f);
    EXPECT_EQ(made.mColor, 0x7F7F7F40u);
    SWTri::InterpolateVertex(inside, outside, 4, false, made);
    EXPECT_EQ(made.mY, 4.0f);
    EXPECT_EQ(made.mX, 0.0f);
}

// Two corners beyond one bound leave a triangle.
TEST(SWTri, TwoCornersBeyondABoundLeaveThree)
{
    const TriangleVertex a{1, 1, 0, 0, 0}, b{14, 2, 1, 0, 0}, c{13, 8, 0, 1, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[16] = {};
    ASSERT_EQ(SWTri::ClipPolygon(&a, &b, &c, out, kBounds, pool), 3);
    EXPECT_EQ(out[0], &a);
    EXPECT_EQ(out[1]->mX, 10.0f);
    EXPECT_EQ(out[2]->mX, 10.0f);
}

TEST(SWTri, EachBoundClipsItsSide)
{
    const TriangleVertex a{-2, 5, 0, 0, 0}, b{5, -2, 0, 0, 0}, c{12, 12, 0, 0, 0};
    const TriangleVertex* in[4] = {&a, &b, &c, nullptr};
    const struct { SWTri::Bound kind; float bound; int count; } cases[] = {{SWTri::Bound::MinX, 0, 4},
        {SWTri::Bound::MaxX, 10, 4}, {SWTri::Bound::MinY, 0, 4}, {SWTri::Bound::MaxY, 10, 4},
        {SWTri::Bound::MinX, 13, 0}, {SWTri::Bound::MaxX, -3, 0}, {SWTri::Bound::MinY, -3, 3}};
    for (const auto& c : cases) {
        SWTri::ClipPool pool;
        const TriangleVertex* out[16] = {};
        EXPECT_EQ(SWTri::ClipEdge(in, out, c.bound, c.kind, pool), c.count) << static_cast<int>(c.kind) << c.bound;
    }
    const TriangleVertex* none[2] = {};
    SWTri::ClipPool pool;
    const TriangleVertex* out[2] = {&a, &a};
    EXPECT_EQ(SWTri::ClipEdge(none, out, 0, SWTri::Bound::MinX, pool), 0);
    EXPECT_EQ(out[0], nullptr);
}

TEST(SWTri, FormatsAndFeaturesIndexTheTable)
{
    EXPECT_EQ(SWTri::FormatBits(SWTri::kFormat8888), 0);
    EXPECT_EQ(SWTri::FormatBits(SWTri::kFormat888), 32);
    EXPECT_EQ(SWTri::FormatBits(SWTri::kFormat565), 64);
    EXPECT_EQ(SWTri::FormatBits(SWTri::kFormat555), 96);
    EXPECT_EQ(SWTri::FormatBits(0x8880), -1);
    EXPECT_EQ(SWTri::FormatBits(0), -1);
    for (int index = 0; index < SWTri::kTableSize; ++index)
        EXPECT_EQ(SWTri::RasterizerAt(index) != nullptr, (index & SWTri::kTextured) != 0) << index;
    EXPECT_EQ(SWTri::RasterizerAt(SWTri::kTableSize), nullptr);
    EXPECT_EQ(SWTri::RasterizerAt(-1), nullptr);
    // Colorizing is the same rasteriser: white multiplies by one.
    EXPECT_EQ(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | SWTri::kColorize));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | 32));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured | 64), SWTri::RasterizerAt(SWTri::kTextured | 96));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | SWTri::kAdditive));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | SWTri::kBlend));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | SWTri::kLinear));
    EXPECT_NE(SWTri::RasterizerAt(SWTri::kTextured), SWTri::RasterizerAt(SWTri::kTextured | SWTri::kVertexColors));
}

constexpr float kHuge = 3e38f;

// An edge to be cut whose x, y, u or v spans more than float holds would
// interpolate to infinities and NaN: the outline is refused. The same
// values on an edge that is not cut are taken as they are.
TEST(SWTri, CuttingAnEdgeWhoseDifferenceOverflowsRefusesTheOutline)
{
    const struct { const char* what; TriangleVertex outside, inside; } cases[] = {
        {"x", {-kHuge, 1, 0, 0, 0}, {kHuge, 2, 0, 0, 0}},
        {"y", {-4, -kHuge, 0, 0, 0}, {4, kHuge, 0, 0, 0}},
        {"u", {-4, 1, kHuge, 0, 0}, {4, 2, -kHuge, 0, 0}},
        {"v", {-4, 1, 0, -kHuge, 0}, {4, 2, 0, kHuge, 0}},
        {"NaN", {-4, 1, 0, std::numeric_limits<float>::quiet_NaN(), 0}, {4, 2, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const TriangleVertex third{5, 9, 0, 0, 0};
        const TriangleVertex* cut[4] = {&c.outside, &c.inside, &third, nullptr};
        SWTri::ClipPool pool;
        const TriangleVertex* out[SWTri::kMaxClipListLength] = {&third};
        EXPECT_EQ(SWTri::ClipEdge(cut, out, 0, SWTri::Bound::MinX, pool), 0) << c.what;
        EXPECT_EQ(out[0], nullptr) << c.what;
        // Both ends inside: nothing is cut, nothing overflows.
        const TriangleVertex* kept[4] = {&c.inside, &c.outside, &third, nullptr};
        EXPECT_EQ(SWTri::ClipEdge(kept, out, -kHuge, SWTri::Bound::MinX, pool), 3) << c.what;
    }
}

// Finite differences can still round past the largest float where the
// vertex is made: from u = 3 * 2^103 to u = FLT_MAX at t = 1 the sum is
// FLT_MAX + 2^103, which rounds to infinity. That vertex is left out.
TEST(SWTri, AMadeVertexThatIsNotFiniteIsLeftOut)
{
    const TriangleVertex a{-4, 1, std::ldexp(3.0f, 103), 0, 0}, b{0, 5, FLT_MAX, 0, 0}, c{2, 9, 0, 0, 0};
    const TriangleVertex* in[4] = {&a, &b, &c, nullptr};
    SWTri::ClipPool pool;
    const TriangleVertex* out[SWTri::kMaxClipListLength] = {};
    ASSERT_EQ(SWTri::ClipEdge(in, out, 0, SWTri::Bound::MinX, pool), 3);
    EXPECT_EQ(out[0], &b);
    EXPECT_EQ(out[1], &c);
    EXPECT_EQ(out[2], &pool.vertices[1]);
    EXPECT_EQ(out[3], nullptr);
    EXPECT_TRUE(std::isinf(pool.vertices[0].mU));
    EXPECT_EQ(pool.count, 2);
    EXPECT_EQ(out[2]->mX, 0.0f);
    EXPECT_TRUE(std::isfinite(out[2]->mU));
}

// The last bound leaves a and c outside and b on it; the vertex made from a
// is left out (as above) and two are left: no triangle.
TEST(SWTri, AVertexLeftOutAtTheLastBoundCanLeaveNoTriangle)
{
    const TriangleVertex a{2, 14, std::ldexp(3.0f, 103), 0, 0}, b{4, 10, FLT_MAX, 0, 0}, c{6, 12, 0, 0, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[SWTri::kMaxClipListLength] = {};
    EXPECT_EQ(SWTri::ClipPolygon(&a, &b, &c, out, kBounds, pool), 0);
    EXPECT_EQ(pool.count, 2);
}

// The lists and the pool hold the worst outline: nine vertices alternating
// across a bound (five inside) become thirteen, eight of them made; a pool
// without room for them refuses the outline rather than leaving one out.
TEST(SWTri, AZigzagOutlineFillsTheListsAndAFullPoolRefuses)
{
    TriangleVertex zigzag[9];
    const TriangleVertex* in[10] = {};
    for (int i = 0; i < 9; ++i) {
        zigzag[i] = TriangleVertex{i % 2 == 0 ? 1.0f : -1.0f, static_cast<float>(i), 0, 0, 0};
        in[i] = &zigzag[i];
    }
    for (int used : {0, SWTri::kMaxClipVertices - 8, SWTri::kMaxClipVertices - 7}) {
        SWTri::ClipPool pool;
        pool.count = used;
        const TriangleVertex* out[SWTri::kMaxClipListLength + 1];
        std::fill(std::begin(out), std::end(out), &zigzag[0]);
        const bool fits = used + 8 <= SWTri::kMaxClipVertices;
        EXPECT_EQ(SWTri::ClipEdge(in, out, 0, SWTri::Bound::MinX, pool), fits ? SWTri::kMaxClippedVertices : 0)
            << used;
        if (fits) {
            EXPECT_EQ(Count(out), SWTri::kMaxClippedVertices);
            EXPECT_EQ(pool.count, used + 8);
            EXPECT_EQ(out[SWTri::kMaxClipListLength], &zigzag[0]);
        }
    }
    EXPECT_EQ(SWTri::kMaxClipListLength, SWTri::kMaxClippedVertices + 1);
}

// Two corners far apart on opposite sides of the clip: refused before any
// NaN is made (it once made nine vertices, two more than the lists held).
TEST(SWTri, CornersFarApartOnOppositeSidesAreRefused)
{
    const TriangleVertex a{-kHuge, 1e30f, 0, 0, 0}, b{2e38f, -kHuge, 1, 0, 0}, c{12, 20, 0, 1, 0};
    SWTri::ClipPool pool;
    const TriangleVertex* out[SWTri::kMaxClipListLength] = {};
    EXPECT_EQ(SWTri::ClipPolygon(&a, &b, &c, out, FRect(10, 10, 8, 8), pool), 0);
}

// A 32 x 24 destination of ARGB words, every pixel 0x11223344 at first.
struct Canvas {
    explicit Canvas(int format) : pixels(32 * 24, kFill)
    {
        dest.bits = reinterpret_cast<uint8_t*>(pixels.data());
        dest.pitch = 32 * 4;
        dest.width = 32;
        dest.height = 24;
        dest.format = format;
    }
    static constexpr uint32_t kFill = 0x11223344;
    std::vector<uint32_t> pixels;
    SWTri::Destination dest;

    // Pixels changed outside `clip`.
    int ChangedOutside(const Rect& clip) const
    {
        int changed = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x) {
                const bool inside = x >= clip.mX && x < clip.mX + clip.mWidth && y >= clip.mY &&
                                    y < clip.mY + clip.mHeight;
                changed += !inside && pixels[static_cast<size_t>(y * 32 + x)] != kFill;
            }
        return changed;
    }
    int Changed() const
    {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != kFill; }));
    }
    // FNV-1a over the words: a whole destination in one number.
    uint64_t Digest() const
    {
        uint64_t h = 14695981039346656037ull;
        for (uint32_t p : pixels)
            for (int shift = 0; shift < 32; shift += 8) {
                h ^= (p >> shift) & 0xFF;
                h *= 1099511628211ull;
            }
        return h;
    }
};

// Four by four texels, each its own colour, some translucent.
std::unique_ptr<Vorn::MemoryImage> Checker()
{
    std::vector<uint32_t> texels(16);
    for (uint32_t i = 0; i < 16; ++i)
        texels[i] = (i % 3 == 0 ? 0x80000000u : 0xFF000000u) | (i * 17) << 16 | (255 - i * 13) << 8 | (i * 41 % 256);
    return Testing::MakeImage(4, texels);
}

const Rect kClip(10, 6, 9, 8);

// Triangles with corners a long way off the destination: what they paint
// inside the clip, pixel for pixel, is pinned as the clipping draws it.
struct FarCase {
    const char* name;
    std::vector<TriangleVertex> strip;
    bool linear;
    bool vertexColors;
    int format;
    int changed;
    uint64_t digest;
};

void PrintTo(const FarCase& c, std::ostream* os)
{
    *os << c.name;
}

class FarTriangles : public testing::TestWithParam<FarCase> {};

TEST_P(FarTriangles, DrawTheSamePixelsInsideTheClipOnly)
{
    const FarCase& c = GetParam();
    auto texture = Checker();
    Canvas canvas(c.format);
    SWTri::DrawTriangles(c.strip.data(), static_cast<int>(c.strip.size()), texture.get(), canvas.dest, c.linear,
        c.vertexColors, kClip, Color::White, 0);
    EXPECT_EQ(canvas.ChangedOutside(kClip), 0);
    EXPECT_EQ(canvas.Changed(), c.changed);
    EXPECT_EQ(canvas.Digest(), c.digest) << std::hex << canvas.Digest();
}

INSTANTIATE_TEST_SUITE_P(HundredThousandAway, FarTriangles,
    testing::Values(
        FarCase{"coveringTheClip",
            {{-100000, -100000, 0, 0, 0}, {100000, -50000, 1, 0, 0}, {5, 100000, 0.5f, 1, 0}}, false, false,
            SWTri::kFormat8888, 72, 16827810035091845749ull},
        FarCase{"diagonalEdgeAcrossTheClip",
            {{-100000, -100004, 0, 0, 0}, {100000, 99996, 1, 1, 0}, {-100000, 99996, 0, 1, 0}}, false, false,
            SWTri::kFormat888, 28, 17878521258332921189ull},
        FarCase{"textureVaryingAcrossTheClip",
            {{-100000, 9.3f, -5000, 0, 0}, {100000, 11.7f, 5000, 0, 0}, {14.2f, 100000, 0, 1, 0}}, false, false,
            SWTri::kFormat888, 27, 11922621300082447186ull},
        FarCase{"linearDiamondStrip",
            {{-100000, 0, 0, 0, 0}, {0, -100000, 1, 0, 0}, {0, 100000, 0, 1, 0}, {100000, 0, 1, 1, 0}}, true,
            false, SWTri::kFormat8888, 72, 3014252611251558709ull},
        FarCase{"vertexColoursAlongALongEdge",
            {{-100000, 10, -2000, 0, 0xFF0000FF}, {100000, 10.5f, 2000, 0.5f, 0xFFFF0000},
                {12, 100000, 0, 1000, 0x8000FF00}},
            false, true, SWTri::kFormat8888, 27, 745766998122874097ull},
        FarCase{"oneCornerInsideTwoFarBelow",
            {{15.25f, 8.5f, 0.5f, 0.5f, 0}, {-100000, 100000, -1000, 3, 0}, {100000, 100000, 1000, 3, 0}}, true,
            false, SWTri::kFormat888, 24, 3436539292991425031ull}),
    [](const testing::TestParamInfo<FarCase>& info) { return std::string(info.param.name); });

// Hostile corners: huge, finite, on every side of the clip, with texture
// coordinates as wild. Whatever is drawn lies inside the clip, every
// clipped outline fits the lists and is finite, and no conversion to fixed
// point overflows (the sanitizer build checks that).
TEST(SWTri, HugeFiniteCornersDrawNothingOutsideTheClip)
{
    const float values[] = {-FLT_MAX, -kHuge, -2e38f, -1e38f, -1e30f, -100000, -3.5f, 0, 11, 12, 14.5f, 18, 100000,
        1e30f, 1e38f, 2e38f, kHuge, FLT_MAX};
    std::mt19937 random(25);
    std::uniform_int_distribution<size_t> pick(0, std::size(values) - 1);
    const Rect clip(10, 10, 8, 8);
    const FRect bounds(10, 10, 8, 8);
    auto texture = Checker();
    int drawn = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        TriangleVertex tri[3];
        for (TriangleVertex& p : tri)
            p = TriangleVertex{values[pick(random)], values[pick(random)], values[pick(random)] / 8,
                values[pick(random)] / 8, static_cast<uint32_t>(random())};
        SWTri::ClipPool pool;
        const TriangleVertex* out[SWTri::kMaxClipListLength] = {};
        const int n = SWTri::ClipPolygon(&tri[0], &tri[1], &tri[2], out, bounds, pool);
        ASSERT_LE(n, SWTri::kMaxClippedVertices) << trial;
        for (int k = 0; k < n; ++k)
            ASSERT_TRUE(std::isfinite(out[k]->mX) && std::isfinite(out[k]->mY) && std::isfinite(out[k]->mU) &&
                        std::isfinite(out[k]->mV))
                << trial;
        Canvas canvas(trial % 2 == 0 ? SWTri::kFormat8888 : SWTri::kFormat888);
        SWTri::DrawTriangles(tri, 3, texture.get(), canvas.dest, trial % 3 == 0, trial % 5 == 0, clip,
            Color::White, trial % 7 == 0);
        ASSERT_EQ(canvas.ChangedOutside(clip), 0) << trial;
        drawn += canvas.Changed() > 0;
    }
    EXPECT_GT(drawn, 300) << drawn;
}

// A corner at -3e38 and one at 2e38 on the same row once painted 65 pixels
// outside an 8 x 8 clip.
TEST(SWTri, AWideTriangleAcrossTheClipStaysInIt)
{
    const TriangleVertex tri[3] = {{-kHuge, 12, 0, 0, 0}, {2e38f, kHuge, 1, 0, 0}, {12, 12, 0, 1, 0}};
    auto texture = Checker();
    Canvas canvas(SWTri::kFormat888);
    SWTri::DrawTriangles(tri, 3, texture.get(), canvas.dest, false, false, Rect(10, 10, 8, 8), Color::White, 0);
    EXPECT_EQ(canvas.ChangedOutside(Rect(10, 10, 8, 8)), 0);
}

// A short strip inside the clip is turned into fixed point corner by
// corner; the same strip made long by corners that repeat its last one
// (triangles of no area) goes triangle by triangle. Both draw the same
// pixels, whatever the sampling, the vertex colours (zero standing for
// the draw colour, translucent ones blending), the mode and the format.
struct StripCase {
    const char* name;
    std::vector<TriangleVertex> strip;
    bool linear;
    bool vertexColors;
    int format;
    int mode;
    Color color;
};

void PrintTo(const StripCase& c, std::ostream* os)
{
    *os << c.name;
}

class InsideStrips : public testing::TestWithParam<StripCase> {};

TEST_P(InsideStrips, DrawWhatTheirTrianglesDrawOneByOne)
{
    const StripCase& c = GetParam();
    auto texture = Checker();
    Canvas whole(c.format);
    SWTri::DrawTriangles(c.strip.data(), static_cast<int>(c.strip.size()), texture.get(), whole.dest, c.linear,
        c.vertexColors, kClip, c.color, c.mode);
    std::vector<TriangleVertex> padded = c.strip;
    padded.resize(12, c.strip.back());
    Canvas byTriangle(c.format);
    SWTri::DrawTriangles(padded.data(), static_cast<int>(padded.size()), texture.get(), byTriangle.dest, c.linear,
        c.vertexColors, kClip, c.color, c.mode);
    EXPECT_GT(whole.Changed(), 0);
    EXPECT_EQ(whole.pixels, byTriangle.pixels);
}

const Color kTint(200, 120, 60, 170);

INSTANTIATE_TEST_SUITE_P(Strips, InsideStrips,
    testing::Values(
        StripCase{"oneTriangle", {{10.2f, 6.1f, 0, 0, 0}, {18.9f, 8.3f, 1, 0, 0}, {12.5f, 13.7f, 0, 1, 0}}, false,
            false, SWTri::kFormat8888, 0, Color::White},
        StripCase{"turnedQuad",
            {{13.1f, 6.2f, 0, 0, 0}, {18.7f, 9.4f, 1, 0, 0}, {10.3f, 10.9f, 0, 1, 0}, {15.6f, 13.8f, 1, 1, 0}}, false,
            false, SWTri::kFormat888, 0, Color::White},
        StripCase{"turnedQuadAddedAndTinted",
            {{13.1f, 6.2f, 0, 0, 0}, {18.7f, 9.4f, 1, 0, 0}, {10.3f, 10.9f, 0, 1, 0}, {15.6f, 13.8f, 1, 1, 0}}, false,
            false, SWTri::kFormat888, 1, kTint},
        StripCase{"quadOnTheClipsEdges",
            {{10, 6, 0, 0, 0}, {19, 6, 1, 0, 0}, {10, 14, 0, 1, 0}, {19, 14, 1, 1, 0}}, true, false,
            SWTri::kFormat8888, 0, kTint},
        StripCase{"fiveCornersVertexColours",
            {{10.5f, 6.5f, 0, 0, 0xFFFF0000}, {18.5f, 6.5f, 1, 0, 0}, {10.5f, 10.5f, 0, 0.5f, 0x80FFFFFF},
                {18.5f, 10.5f, 1, 0.5f, 0xFF00FF00}, {12.5f, 13.5f, 0.2f, 1, 0xFF0000FF}},
            false, true, SWTri::kFormat888, 0, kTint},
        StripCase{"opaqueVertexColoursLinear",
            {{10.5f, 6.5f, 0, 0, 0xFFFF0000}, {18.5f, 6.5f, 1, 0, 0xFF00FF00}, {10.5f, 13.5f, 0, 1, 0xFF0000FF},
                {18.5f, 13.5f, 1, 1, 0}},
            true, true, SWTri::kFormat8888, 1, Color::White},
        StripCase{"eightCornersAFan",
            {{10.2f, 6.2f, 0, 0, 0}, {12.3f, 6.4f, 0.3f, 0, 0}, {10.6f, 8.5f, 0, 0.3f, 0}, {14.7f, 7.9f, 0.6f, 0.1f, 0},
                {11.9f, 10.8f, 0.2f, 0.6f, 0}, {17.2f, 9.6f, 0.9f, 0.4f, 0}, {13.4f, 13.3f, 0.4f, 0.9f, 0},
                {18.8f, 13.9f, 1, 1, 0}},
            false, false, SWTri::kFormat888, 0, kTint}),
    [](const testing::TestParamInfo<StripCase>& info) { return std::string(info.param.name); });

// Words with no readable byte before or after them: an unreadable page on
// either side, the words against the one after (or, `againstStart`, the one
// before). A read outside them stops the test.
class GuardedWords {
public:
    GuardedWords(size_t count, bool againstStart)
    {
        const size_t bytes = count * sizeof(uint32_t);
        const size_t pages = (bytes + kPage - 1) / kPage;
        mSize = (pages + 2) * kPage;
        mBase = static_cast<uint8_t*>(mmap(nullptr, mSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (mBase == MAP_FAILED)
            return;
        uint8_t* first = mBase + kPage;
        if (mprotect(first, pages * kPage, PROT_READ | PROT_WRITE) != 0)
            return;
        mWords = reinterpret_cast<uint32_t*>(againstStart ? first : first + pages * kPage - bytes);
        std::fill(mWords, mWords + count, 0x80402010u);
    }
    ~GuardedWords()
    {
        if (mBase != MAP_FAILED)
            munmap(mBase, mSize);
    }
    GuardedWords(const GuardedWords&) = delete;
    GuardedWords& operator=(const GuardedWords&) = delete;
    const uint32_t* Words() const { return mWords; }

private:
    static inline const size_t kPage = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    uint8_t* mBase = static_cast<uint8_t*>(MAP_FAILED);
    size_t mSize = 0;
    uint32_t* mWords = nullptr;
};

struct ReadAheadCase {
    const char* name;
    int width;
    int rows;
    int border;
    double u0, v0, u1, v1;
};

class ReadAheadBounds : public testing::TestWithParam<ReadAheadCase> {};

// Enough words to be read (64 KB and up), each box held to them at every
// side, whichever end of the words lies against unreadable memory.
TEST_P(ReadAheadBounds, ReadsNothingOutsideTheWords)
{
    const ReadAheadCase& c = GetParam();
    for (const bool againstStart : {false, true}) {
        const GuardedWords words(static_cast<size_t>(c.width) * static_cast<size_t>(c.rows), againstStart);
        ASSERT_NE(words.Words(), nullptr);
        SWTri::ReadAhead(words.Words(), c.width, c.rows, c.border, c.u0, c.v0, c.u1, c.v1);
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, ReadAheadBounds,
    testing::Values(ReadAheadCase{"wholeTexture", 128, 160, 0, 0, 0, 128, 160},
        ReadAheadCase{"leastThatIsRead", 128, 128, 0, 0, 0, 128, 128},
        ReadAheadCase{"pastEverySide", 128, 160, 0, -40.5, -70, 300, 900},
        ReadAheadCase{"cornersGivenBackwards", 128, 160, 0, 300, 900, -40.5, -70},
        ReadAheadCase{"edgedPastEverySide", 130, 162, 1, -3, -3, 131, 163},
        ReadAheadCase{"edgedJustInside", 130, 162, 1, -0.5, -0.5, 128.5, 160.5},
        ReadAheadCase{"oddRowsOfWords", 131, 127, 0, -1, -1, 133, 129},
        ReadAheadCase{"rightAndBottomOnly", 131, 127, 0, 1, 3, 5000, 5000},
        ReadAheadCase{"leftAndTopOnly", 131, 127, 0, -5000, -5000, 129, 126},
        ReadAheadCase{"mostThatIsRead", 512, 256, 0, -1, -1, 512, 256},
        ReadAheadCase{"inwardColumnsFromTheFirstRow", 512, 256, 0, 100, -5, 300, 200},
        ReadAheadCase{"inwardRowsFromTheFirstColumn", 512, 256, 0, -5, 100, 300, 255}),
    [](const testing::TestParamInfo<ReadAheadCase>& info) { return std::string(info.param.name); });

// Boxes whose words are not read: not finite, past the rows' reach, too few
// words to be worth it, or too many. Their words are all unreadable.
TEST(ReadAhead, LeavesUnreadTheBoxesItDoesNotRead)
{
    const size_t bytes = size_t{8} << 20;
    void* none = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(none, MAP_FAILED);
    const auto* words = static_cast<const uint32_t*>(none);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        int width, rows;
        double u0, v0, u1, v1;
    } boxes[] = {
        {128, 160, nan, 0, 128, 160},
        {128, 160, 0, nan, 128, 160},
        {128, 160, 0, 0, nan, 160},
        {128, 160, 0, 0, 128, nan},
        {128, 160, -inf, 0, 128, 160},
        {128, 160, 0, 0, 128, inf},
        {128, 160, -16384, 0, 128, 160},
        {128, 160, 0, 0, 128, 16384},
        // A word short of 64 KB, and the box a texel around 126 x 126 texels.
        {127, 129, -10, -10, 200, 200},
        {128, 128, 0, 0, 125, 125},
        // Sixteen words past 512 KB.
        {8193, 16, -1, -1, 8194, 17},
        {2048, 1024, 0, 0, 2048, 1024},
        {0, 160, 0, 0, 128, 160},
        {128, 0, 0, 0, 128, 160},
    };
    for (const auto& box : boxes)
        SWTri::ReadAhead(words, box.width, box.rows, 0, box.u0, box.v0, box.u1, box.v1);
    SWTri::ReadAhead(nullptr, 128, 160, 0, 0, 0, 128, 160);
    munmap(none, bytes);
}

// Only textures of 64 KB of words and up are worth finding a box in: the
// sides multiplied without overflowing, none of no or negative size.
TEST(ReadAhead, IsWorthTryingOnlyFrom64KBOfWords)
{
    const struct {
        int width, rows;
        bool can;
    } sizes[] = {{128, 128, true}, {16384, 1, true}, {1, 16384, true}, {127, 129, false}, {16383, 1, false},
        {130, 130, true}, {64, 64, false}, {0, 1 << 20, false}, {1 << 20, 0, false}, {-128, -128, false},
        {-1, 1 << 20, false}, {65536, 65536, true}, {0x7FFFFFFF, 0x7FFFFFFF, true}};
    for (const auto& size : sizes)
        EXPECT_EQ(SWTri::CanReadAhead(size.width, size.rows), size.can) << size.width << " x " << size.rows;
}

// Twin sprites, scaled and turned, on an opaque backdrop: one laid over it
// until its drawing was laid from a recording, then forced opaque; the other
// forced opaque before its first drawing. Forced to the flags it has, a
// sprite is still laid from its recording.
TEST(SWTri, AlphaFlagsForcedAfterDrawingsDecideTheNextDrawing)
{
    Testing::DisplayApp display;
    std::vector<uint32_t> sprite(40 * 30);
    for (size_t i = 0; i < sprite.size(); ++i)
        sprite[i] = i % 2 != 0 ? 0x80C09040u : 0;
    const std::vector<uint32_t> backdrop(120 * 100, 0xFF306090);
    auto drawnFirst = Testing::MakeImage(40, sprite, &display.app);
    auto forcedFirst = Testing::MakeImage(40, sprite, &display.app);
    forcedFirst->ForceAlphaFlags(false, false);
    auto screen = Testing::MakeImage(120, backdrop, &display.app);
    screen->ForceAlphaFlags(false, false);
    Vorn::Graphics g(screen.get());
    Vorn::Transform t;
    t.Scale(1.7f, 1.7f);
    t.RotateRad(0.6f);
    const auto draw = [&](Vorn::MemoryImage& image) {
        screen->SetBits(backdrop.data(), 120, 100);
        g.DrawImageTransform(&image, t, 60.0f, 50.0f);
        return Testing::PixelsOf(*screen);
    };
    for (int i = 0; i < SWTri::TriangleLayer::kRecordAt; ++i)
        draw(*drawnFirst);
    drawnFirst->ForceAlphaFlags(true, true);
    draw(*drawnFirst);
    ASSERT_TRUE(drawnFirst->TriangleLayerOf().Built());
    drawnFirst->ForceAlphaFlags(false, false);
    const std::vector<uint32_t> after = draw(*drawnFirst);
    const std::vector<uint32_t> twin = draw(*forcedFirst);
    int differing = 0;
    int drawn = 0;
    for (size_t i = 0; i < twin.size(); ++i) {
        differing += after[i] != twin[i];
        drawn += twin[i] != backdrop[i];
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(drawn, 1500);
}

} // namespace
