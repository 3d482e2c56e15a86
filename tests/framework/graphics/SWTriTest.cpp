#include "framework/graphics/SWTri.h"

#include <gtest/gtest.h>

namespace {

using Vorn::FRect;
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

} // namespace
