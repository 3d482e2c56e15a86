#include "framework/graphics/SWTri.h"

#include "fakes/DisplayApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
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

} // namespace
