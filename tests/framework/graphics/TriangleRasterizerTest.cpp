#include "framework/graphics/TriangleRasterizer.h"

#include "TriangleCanvas.h"
#include "TriangleTexture.h"
#include "fakes/DisplayApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Testing::Canvas;
using Testing::MakeImage;
using Vorn::Color;
using Vorn::Rect;
using Vorn::TriangleVertex;
namespace SWTri = Vorn::SWTri;
using Pixels = std::vector<uint32_t>;

// The documented pixel rules, written out again: lanes a, r, g, b.
using Lanes = std::array<uint32_t, 4>;

Lanes Straight(uint32_t p)
{
    return {p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

Lanes Premultiply(uint32_t p)
{
    Lanes l = Straight(p);
    for (size_t c = 1; c < 4; ++c)
        l[c] = l[c] * (l[0] + 1) / 256;
    return l;
}

Lanes Mix(const Lanes& p, const Lanes& q, uint32_t f)
{
    Lanes out{};
    for (size_t c = 0; c < 4; ++c)
        out[c] = (p[c] * (256 - f) + q[c] * f) / 256;
    return out;
}

Lanes Tinted(Lanes s, const Color& color)
{
    const auto a = static_cast<uint32_t>(color.mAlpha);
    const uint32_t m[4] = {a + 1, static_cast<uint32_t>(color.mRed) * (a + 1) / 256 + 1,
        static_cast<uint32_t>(color.mGreen) * (a + 1) / 256 + 1, static_cast<uint32_t>(color.mBlue) * (a + 1) / 256 + 1};
    for (size_t c = 0; c < 4; ++c)
        s[c] = s[c] * m[c] / 256;
    return s;
}

uint32_t Pack(const Lanes& l)
{
    return l[0] << 24 | l[1] << 16 | l[2] << 8 | l[3];
}

// Bilinear sample of a row texture at a texel position (16.16) on row 0.
Lanes BilinearRow(const Pixels& texels, int32_t u)
{
    const int32_t at = (u - 0x8000 + 0x80) >> 8;
    const int last = static_cast<int>(texels.size()) - 1;
    const int i0 = std::clamp(at >> 8, 0, last);
    const int i1 = std::clamp((at >> 8) + 1, 0, last);
    return Mix(Premultiply(texels[static_cast<size_t>(i0)]), Premultiply(texels[static_cast<size_t>(i1)]),
        static_cast<uint32_t>(at & 0xFF));
}

uint32_t Over(uint32_t d, const Lanes& s)
{
    Lanes out = Straight(d);
    for (size_t c = 0; c < 4; ++c)
        out[c] = s[c] + out[c] * (256 - s[0]) / 256;
    return Pack(out);
}

uint32_t Add(uint32_t d, const Lanes& s)
{
    Lanes out = Straight(d);
    for (size_t c = 1; c < 4; ++c)
        out[c] = std::min(out[c] + s[c], 255u);
    return Pack(out);
}

// A quad of the texture at rows [y0, y1) and columns [x0, x1) (pixel centres
// at integers: the quad's edges lie half a pixel out), texture coordinates
// 0..1.
std::array<TriangleVertex, 4> Quad(float x0, float y0, float x1, float y1, uint32_t color = 0)
{
    return {TriangleVertex{x0 - 0.5f, y0 - 0.5f, 0, 0, color}, TriangleVertex{x1 - 0.5f, y0 - 0.5f, 1, 0, color},
        TriangleVertex{x0 - 0.5f, y1 - 0.5f, 0, 1, color}, TriangleVertex{x1 - 0.5f, y1 - 0.5f, 1, 1, color}};
}

const Pixels kRow = {0xFF102030, 0x80FF8040, 0x00FFFFFF, 0xFFF0E0D0};
// Opaque throughout: the sample replaces the pixel without reading it.
const Pixels kOpaqueRow = {0xFF102030, 0xFFFF8040, 0xFF00FF00, 0xFFF0E0D0};

// Four texels stretched over eight pixels: texel positions 0.25, 0.75, ...
// at the pixel centres.
TEST(TriangleRasterizer, BilinearSamplesFollowTheDocumentedRules)
{
    for (const Pixels& row : {kRow, kOpaqueRow}) {
        auto texture = MakeImage(4, row);
        const struct { const char* what; int mode; Color color; } cases[] = {
            {"over", 0, Color::White}, {"over tinted", 0, Color(200, 100, 50, 180)}, {"add", 1, Color::White},
            {"add tinted", 1, Color(255, 128, 0, 100)}};
        for (const auto& c : cases) {
            Canvas<uint32_t> canvas(10, 3, SWTri::kFormat888, 0xFF404040);
            const auto quad = Quad(1, 1, 9, 2);
            SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, true, false, Rect(0, 0, 10, 3), c.color,
                c.mode);
            for (int x = 0; x < 10; ++x) {
                uint32_t expected = 0xFF404040;
                if (x >= 1 && x < 9) {
                    const Lanes s = Tinted(BilinearRow(row, (x - 1) * 32768 + 16384), c.color);
                    expected = c.mode == 0 ? Over(0xFF404040, s) : Add(0xFF404040, s);
                }
                EXPECT_EQ(canvas.At(x, 1), expected) << c.what << " x=" << x;
                EXPECT_EQ(canvas.At(x, 0), 0xFF404040u) << c.what;
                EXPECT_EQ(canvas.At(x, 2), 0xFF404040u) << c.what;
            }
        }
    }
}

// Golden rows worked by hand from the rules: a 2-texel row doubled, point
// sampled, onto each destination format.
TEST(TriangleRasterizer, PointSamplesOntoEveryFormat)
{
    auto texture = MakeImage(2, {0xFFFF8000, 0x80FFFFFF});
    const auto quad = Quad(0, 0, 4, 1);
    // Premultiplied: texel 0 (255, 255, 128, 0); texel 1 (128, 128, 128, 128).
    {
        Canvas<uint32_t> canvas(4, 1, SWTri::kFormat888, 0xFF204060);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 1),
            Color::White, 0);
        // 128 + 0x20 * 128 / 256 = 144 (0x90), 0x40 -> 160 (0xA0), 0x60 -> 176 (0xB0), alpha 255.
        EXPECT_EQ(canvas.pixels, (std::vector<uint32_t>{0xFFFF8000, 0xFFFF8000, 0xFF90A0B0, 0xFF90A0B0}));
    }
    {
        Canvas<uint32_t> canvas(4, 1, SWTri::kFormat888, 0x00604020, true);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 1),
            Color::White, 0);
        // Red in the low byte; the top byte 0 takes the sample's alpha.
        EXPECT_EQ(canvas.pixels, (std::vector<uint32_t>{0xFF0080FF, 0xFF0080FF, 0x80B0A090, 0x80B0A090}));
    }
    {
        Canvas<uint32_t> canvas(4, 1, SWTri::kFormat8888, 0x80000000);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 1),
            Color::White, 0);
        // Texel 1 back to straight (128 * 255 + 64) / 128 = 255, laid by the
        // over blend: outA = 127 * 128 / 255 + 128 = 191, w = 255 * 128 / 191
        // = 170, channels 255 * 170 / 256 = 169. Texel 0 opaque: w = 255,
        // channels c * 255 / 256.
        EXPECT_EQ(canvas.pixels, (std::vector<uint32_t>{0xFFFE7F00, 0xFFFE7F00, 0xBFA9A9A9, 0xBFA9A9A9}));
    }
    {
        Canvas<uint16_t> canvas(4, 1, SWTri::kFormat565, 0x0841);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 1),
            Color::White, 0);
        // Texel 1: 128 >> 3 = 16 + (1 * 128 >> 8) = 16 in red and blue,
        // 128 >> 2 = 32 + (2 * 128 >> 8) = 33 in green.
        EXPECT_EQ(canvas.pixels, (std::vector<uint16_t>{0xFC00, 0xFC00, 16 << 11 | 33 << 5 | 16, 16 << 11 | 33 << 5 | 16}));
    }
    {
        Canvas<uint16_t> canvas(4, 1, SWTri::kFormat555, 0x7C1F);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 1),
            Color::White, 1);
        // Additive: red saturates at 31, green 0 + 128 >> 3 = 16, blue 31.
        EXPECT_EQ(canvas.pixels, (std::vector<uint16_t>{0x7E1F, 0x7E1F, 0x7E1F, 0x7E1F}));
    }
}

// An opaque texture with neither alpha nor a linear filter is stored as it
// is: nothing of the destination shows, whatever its alpha.
TEST(TriangleRasterizer, OpaqueTexturesAreStored)
{
    auto texture = MakeImage(2, {0xFF123456, 0xFF654321});
    const auto quad = Quad(0, 0, 2, 1);
    for (int format : {SWTri::kFormat8888, SWTri::kFormat888}) {
        Canvas<uint32_t> canvas(2, 1, format, 0x40FFFFFF);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 2, 1),
            Color::White, 0);
        EXPECT_EQ(canvas.pixels, (std::vector<uint32_t>{0xFF123456, 0xFF654321})) << format;
    }
}

TEST(TriangleRasterizer, AdditiveSaturatesAndKeepsTheAlpha)
{
    auto texture = MakeImage(1, {0xFFC08040});
    const auto quad = Quad(0, 0, 1, 1);
    Canvas<uint32_t> canvas(1, 1, SWTri::kFormat8888, 0x7F80A010);
    SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 1, 1), Color::White, 1);
    EXPECT_EQ(canvas.pixels[0], 0x7FFFFF50u);
}

// Vertex colours are interpolated; a vertex without one takes the draw
// colour.
TEST(TriangleRasterizer, VertexColoursTintAndZeroTakesTheDrawColour)
{
    auto texture = MakeImage(1, {0xFFFFFFFF});
    const TriangleVertex strip[4] = {{-0.5f, -0.5f, 0, 0, 0xFF0000FF}, {3.5f, -0.5f, 1, 0, 0},
        {-0.5f, 0.5f, 0, 1, 0xFF0000FF}, {3.5f, 0.5f, 1, 1, 0}};
    Canvas<uint32_t> canvas(4, 1, SWTri::kFormat888, 0xFF000000);
    SWTri::DrawTriangles(strip, 4, texture.get(), canvas.dest, false, true, Rect(0, 0, 4, 1), Color(255, 0, 0), 0);
    // Blue fades into red across the row: 16.16 red 0 at x = -0.5 and 255
    // at x = 3.5, exact at the pixel centres; the texel is stored tinted.
    for (int x = 0; x < 4; ++x) {
        const uint32_t red = (2088960u + static_cast<uint32_t>(x) * 4177920u) >> 16;
        const uint32_t blue = (14622720u - static_cast<uint32_t>(x) * 4177920u) >> 16;
        EXPECT_EQ(canvas.pixels[static_cast<size_t>(x)], 0xFF000000 | (255 * (red + 1) / 256) << 16 | 255 * (blue + 1) / 256)
            << x;
    }
}

// Pixel centres on a shared edge belong to one of the two triangles: drawn
// additively with 1 per cover, no pixel reaches 2, and exactly the pixels
// whose centres lie inside the (convex) polygon are covered.
TEST(TriangleRasterizer, TrianglesSharingEdgesCoverEveryPixelOnce)
{
    auto texture = MakeImage(1, {0xFF010101});
    const double fan[][2] = {{2.0, 1.0}, {11.3, 2.5}, {13.0, 9.0}, {6.5, 13.0}, {1.2, 8.3}};
    const int n = 5;
    Canvas<uint32_t> canvas(16, 16, SWTri::kFormat888, 0xFF000000);
    for (int k = 1; k + 1 < n; ++k) {
        const auto corner = [&](int i) {
            return TriangleVertex{static_cast<float>(fan[i][0]), static_cast<float>(fan[i][1]), 0, 0, 0};
        };
        const TriangleVertex tri[3] = {corner(0), corner(k), corner(k + 1)};
        SWTri::DrawTriangles(tri, 3, texture.get(), canvas.dest, false, false, Rect(0, 0, 16, 16), Color::White, 1);
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool inside = true;
            for (int i = 0; i < n; ++i) {
                const double* p = fan[i];
                const double* q = fan[(i + 1) % n];
                inside = inside && (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]) > 0;
            }
            EXPECT_EQ(canvas.At(x, y), inside ? 0xFF010101u : 0xFF000000u) << x << "," << y;
        }
}

// The clip's last column and row are painted; nothing outside it is.
TEST(TriangleRasterizer, FillsTheClipToItsLastColumnAndRow)
{
    auto texture = MakeImage(1, {0xFFFFFFFF});
    const auto quad = Quad(-5, -5, 30, 30);
    Canvas<uint32_t> canvas(12, 10, SWTri::kFormat888, 0xFF000000);
    SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(2, 3, 7, 5), Color::White, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x < 9 && y >= 3 && y < 8;
            EXPECT_EQ(canvas.At(x, y), inside ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
        }
}

// Palette textures and ARGB ones agree to the bit, in every mode, sampling,
// colour and channel order, over the texture's edges (coordinates past
// 0..1): without a display (straight words, the palette read through its
// table) and on a 32-bit one (premultiplied words, the palette's expanded
// to a word a pixel, or read through its table where too large for that).
void ExpectPaletteAndArgbAgree(Vorn::VornAppBase* app, bool large);

TEST(TriangleRasterizer, PaletteAndArgbTexturesAgree)
{
    Testing::DisplayApp display;
    for (const bool shown : {false, true})
        for (const bool large : {false, true})
            ExpectPaletteAndArgbAgree(shown ? &display.app : nullptr, large);
}

void ExpectPaletteAndArgbAgree(Vorn::VornAppBase* app, bool large)
{
    Pixels texels = {0xFF102030, 0x80FF8040, 0x00FFFFFF, 0xFFF0E0D0, 0x40123456, 0xFF102030, 0xC0FFFFFF,
        0xFF808080, 0x01FFFFFF};
    // The same nine texels at the corner of a picture with more pixels than
    // are expanded.
    const int width = large ? 1025 : 3;
    if (large) {
        Pixels corner(static_cast<size_t>(width) * 1024, 0xFF000000);
        for (size_t i = 0; i < texels.size(); ++i)
            corner[i / 3 * static_cast<size_t>(width) + i % 3] = texels[i];
        texels = corner;
    }
    auto argb = MakeImage(width, texels, app);
    auto palette = MakeImage(width, texels, app);
    ASSERT_TRUE(palette->ReduceToPalette());
    const float u = 3.0f / static_cast<float>(width);
    const float v = large ? 3.0f / 1024.0f : 1.0f;
    const TriangleVertex tri[3] = {{0.2f, 0.1f, -0.3f * u, -0.2f * v, 0}, {11.7f, 1.4f, 1.4f * u, 0.2f * v, 0},
        {3.3f, 10.9f, 0.4f * u, 1.3f * v, 0}};
    for (int format : {SWTri::kFormat8888, SWTri::kFormat888})
        for (bool redLow : {false, true})
            for (bool linear : {false, true})
                for (int mode : {0, 1})
                    for (const Color& color : {Color::White, Color(90, 200, 255, 200)}) {
                        Canvas<uint32_t> a(12, 12, format, 0x80C0A040, redLow);
                        Canvas<uint32_t> b(12, 12, format, 0x80C0A040, redLow);
                        SWTri::DrawTriangles(tri, 3, argb.get(), a.dest, linear, false, Rect(0, 0, 12, 12), color, mode);
                        SWTri::DrawTriangles(tri, 3, palette.get(), b.dest, linear, false, Rect(0, 0, 12, 12), color,
                            mode);
                        ASSERT_EQ(a.pixels, b.pixels)
                            << format << redLow << linear << mode << color.mRed << (app ? " shown" : "")
                            << (large ? " large" : "");
                        ASSERT_NE(a.pixels, Canvas<uint32_t>(12, 12, format, 0x80C0A040).pixels);
                    }
    EXPECT_EQ(palette->mPaletteNativeWords != nullptr, app && !large);
}

// A 2 x 2 texture doubled onto 5-6-5 and held to its edge past it: the
// generic kernel's taps, both directions, by the rules.
TEST(TriangleRasterizer, SixteenBitTargetsSampleBothDirections)
{
    const Pixels texels = {0xFFF80000, 0x8000FC00, 0xFF0000F8, 0x40FFFFFF};
    auto texture = MakeImage(2, texels);
    const auto quad = Quad(0, 0, 4, 4);
    const auto expected565 = [&](const Lanes& s, uint32_t d) {
        const uint32_t fields[3][2] = {{11, 5}, {5, 6}, {0, 5}};
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const uint32_t shift = fields[c][0];
            const uint32_t bits = fields[c][1];
            const uint32_t dc = (d >> shift) & ((1u << bits) - 1);
            out |= ((s[static_cast<size_t>(c + 1)] >> (8 - bits)) + dc * (256 - s[0]) / 256) << shift;
        }
        return out;
    };
    for (bool linear : {false, true}) {
        Canvas<uint16_t> canvas(4, 4, SWTri::kFormat565, 0x4208);
        SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, linear, false, Rect(0, 0, 4, 4), Color::White,
            0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                Lanes s;
                if (!linear) {
                    s = Premultiply(texels[static_cast<size_t>(y / 2 * 2 + x / 2)]);
                } else {
                    // Texel positions 0.25 + x / 2 - 0.5: held at both ends.
                    const auto at = [](int i, int& first, uint32_t& f) {
                        const int q = (i * 128 - 64) >> 8;
                        first = q;
                        f = static_cast<uint32_t>((i * 128 - 64) & 0xFF);
                    };
                    int ix = 0;
                    int iy = 0;
                    uint32_t fx = 0;
                    uint32_t fy = 0;
                    at(x, ix, fx);
                    at(y, iy, fy);
                    const auto texel = [&](int tx, int ty) {
                        return Premultiply(texels[static_cast<size_t>(std::clamp(ty, 0, 1) * 2 + std::clamp(tx, 0, 1))]);
                    };
                    s = Mix(Mix(texel(ix, iy), texel(ix, iy + 1), fy), Mix(texel(ix + 1, iy), texel(ix + 1, iy + 1), fy), fx);
                }
                EXPECT_EQ(canvas.At(x, y), expected565(s, 0x4208)) << linear << " " << x << "," << y;
            }
    }
}

// Colour components past 255 count as 255: such a colour draws as white.
TEST(TriangleRasterizer, ColourComponentsAreHeldToTheirRange)
{
    auto texture = MakeImage(2, {0xFF804020, 0x80FFFFFF});
    const auto quad = Quad(0, 0, 2, 1);
    Canvas<uint32_t> white(2, 1, SWTri::kFormat888, 0xFF101010);
    Canvas<uint32_t> over(2, 1, SWTri::kFormat888, 0xFF101010);
    SWTri::DrawTriangles(quad.data(), 4, texture.get(), white.dest, false, false, Rect(0, 0, 2, 1), Color::White, 0);
    SWTri::DrawTriangles(quad.data(), 4, texture.get(), over.dest, false, false, Rect(0, 0, 2, 1),
        Color(300, 256, 999, 400), 0);
    EXPECT_EQ(over.pixels, white.pixels);
    // Vertices without colours take the draw colour, held the same way.
    const TriangleVertex strip[4] = {{-0.5f, -0.5f, 0, 0, 0}, {1.5f, -0.5f, 1, 0, 0}, {-0.5f, 0.5f, 0, 1, 0},
        {1.5f, 0.5f, 1, 1, 0}};
    Canvas<uint32_t> red(2, 1, SWTri::kFormat888, 0xFF101010);
    Canvas<uint32_t> past(2, 1, SWTri::kFormat888, 0xFF101010);
    SWTri::DrawTriangles(strip, 4, texture.get(), red.dest, false, true, Rect(0, 0, 2, 1), Color(255, 0, 0), 0);
    SWTri::DrawTriangles(strip, 4, texture.get(), past.dest, false, true, Rect(0, 0, 2, 1), Color(256, 0, 0), 0);
    EXPECT_EQ(past.pixels, red.pixels);
}

// Spans are held to the destination's columns where a corner lies past
// them, however little, and are not where every corner lies within them
// (one exactly on the right edge): exactly the pixels of the row whose
// centres lie inside are drawn, and the words either side of the rows,
// inside the same memory, keep what they held. Each way of walking the
// rows: the vector rows, and the generic kernel through the same spans.
struct HeldCase {
    double left;
    double right;
    // The left corner's row: on a row's centre, a corner a whole column
    // out starts that row's span there.
    double leftY = 0.3;
};

class TriangleSpansHeld : public ::testing::TestWithParam<HeldCase> {};

template <typename Fetch>
void ExpectSpansHeld(const HeldCase& c, const Fetch& fetch)
{
    constexpr int kWidth = 8;
    constexpr int kHeight = 10;
    constexpr int kBefore = 3;
    constexpr int kStride = kWidth + 2 * kBefore;
    constexpr uint32_t kCanary = 0x5A5A5A5A;
    std::vector<uint32_t> words(static_cast<size_t>(kStride * kHeight), kCanary);
    for (int y = 0; y < kHeight; ++y)
        std::fill_n(words.begin() + y * kStride + kBefore, kWidth, 0xFF000000u);
    SWTri::Destination dest;
    dest.bits = reinterpret_cast<uint8_t*>(words.data() + kBefore);
    dest.pitch = kStride * 4;
    dest.width = kWidth;
    dest.height = kHeight;
    dest.format = SWTri::kFormat888;
    const double corners[3][2] = {{-c.left, c.leftY}, {kWidth + c.right, 3.6}, {1.5, 8.7}};
    std::array<SWTri::FixedVertex, 3> v;
    for (int i = 0; i < 3; ++i) {
        v[static_cast<size_t>(i)].x = static_cast<int32_t>(std::lround(corners[i][0] * 65536));
        v[static_cast<size_t>(i)].y = static_cast<int32_t>(std::lround(corners[i][1] * 65536));
    }
    SWTri::RasterizeTriangles<SWTri::Target888<false>, Fetch, SWTri::Sampling::Point, SWTri::Compose::Add,
        SWTri::Shading::Constant>(v.data(), 1, dest, fetch, SWTri::ColorInfo{});
    const auto inside = [&](double x, double y) {
        bool positive = true;
        bool negative = true;
        for (int i = 0; i < 3; ++i) {
            const double* p = corners[i];
            const double* q = corners[(i + 1) % 3];
            const double side = (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
            positive = positive && side > 0;
            negative = negative && side < 0;
        }
        return positive || negative;
    };
    for (int y = 0; y < kHeight; ++y)
        for (int column = 0; column < kStride; ++column) {
            const int x = column - kBefore;
            const uint32_t expected = x < 0 || x >= kWidth ? kCanary : inside(x, y) ? 0xFF010101u : 0xFF000000u;
            EXPECT_EQ(words[static_cast<size_t>(y * kStride + column)], expected)
                << "column " << x << " row " << y << " left " << c.left << " right " << c.right;
        }
}

TEST_P(TriangleSpansHeld, ToTheColumnsOfTheDestination)
{
    const uint32_t texel = 0xFF010101;
    ExpectSpansHeld(GetParam(), SWTri::PremultipliedFetch{{&texel, 1, 1}});
    ExpectSpansHeld(GetParam(), Testing::GenericOf(SWTri::ArgbFetch{&texel, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(Corners, TriangleSpansHeld,
    ::testing::Values(HeldCase{0, 0}, HeldCase{-0.5, -0.25}, HeldCase{0, 1.0 / 65536}, HeldCase{0, 0.5},
        HeldCase{0, 1}, HeldCase{0, 7.25}, HeldCase{1.0 / 65536, 0}, HeldCase{0.5, 0}, HeldCase{1, 0, 5},
        HeldCase{2.25, 3.5}, HeldCase{40, 40}));

// Formats no rasteriser draws, non-finite vertices and short strips draw
// nothing.
TEST(TriangleRasterizer, RefusesWhatItCannotDraw)
{
    auto texture = MakeImage(1, {0xFFFFFFFF});
    const auto quad = Quad(0, 0, 4, 4);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const TriangleVertex bad[3] = {{0, 0, 0, 0, 0}, {nan, 4, 1, 0, 0}, {0, 4, 0, 1, 0}};
    for (int format : {0x8880, 0, SWTri::kFormat888}) {
        Canvas<uint32_t> canvas(4, 4, format, 0xFF000000);
        if (format == SWTri::kFormat888) {
            SWTri::DrawTriangles(bad, 3, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 4), Color::White, 0);
            SWTri::DrawTriangles(quad.data(), 2, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 4),
                Color::White, 0);
        } else {
            SWTri::DrawTriangles(quad.data(), 4, texture.get(), canvas.dest, false, false, Rect(0, 0, 4, 4),
                Color::White, 0);
        }
        EXPECT_EQ(canvas.pixels, Canvas<uint32_t>(4, 4, format, 0xFF000000).pixels) << format;
    }
}

// A texture as wide as the rasteriser takes, squeezed into two pixels and
// stretched far past its ends: every sample is a texel of it, nothing
// overflows.
TEST(TriangleRasterizer, ExtremeTextureCoordinatesStayDefined)
{
    Pixels texels(32767, 0xFF0000FF);
    texels.back() = 0xFFFF0000;
    auto texture = MakeImage(32767, texels);
    const TriangleVertex squeezed[3] = {{0, 0, 0, 0, 0}, {2, 0, 1, 0, 0}, {0, 2, 0, 1, 0}};
    const TriangleVertex stretched[3] = {{0, 0, -1000, -1000, 0}, {4, 0, 1000, 0, 0}, {0, 4, 0, 1000, 0}};
    for (const TriangleVertex* tri : {squeezed, stretched})
        for (bool linear : {false, true}) {
            Canvas<uint32_t> canvas(4, 4, SWTri::kFormat888, 0);
            SWTri::DrawTriangles(tri, 3, texture.get(), canvas.dest, linear, false, Rect(0, 0, 4, 4), Color::White, 0);
            for (uint32_t p : canvas.pixels)
                EXPECT_TRUE(p == 0 || p == 0xFF0000FF || p == 0xFFFF0000 || linear) << std::hex << p;
            EXPECT_NE(canvas.pixels[0], 0u);
        }
}

// The same texels read through a fetch the vector spans do not take: the
// generic kernel, whose rules the tests above pin, is the reference.
struct GenericArgb {
    static constexpr bool kPremultiplied = false;
    const uint32_t* bits;
    int width;
    int height;
    uint32_t operator()(int x, int y) const { return bits[static_cast<size_t>(y * width + x)]; }
};

struct GenericPremultiplied : GenericArgb {
    static constexpr bool kPremultiplied = true;
};

// Random triangles over and past a random texture (transparent, opaque and
// translucent texels in runs), long and short spans, every sampling, mode,
// tint and channel order: the vector spans equal the generic kernel to the
// bit, pixel for pixel, and leave the same pixels alone.
template <bool RedLow, SWTri::Sampling Mode, SWTri::Compose How>
void ExpectSpansAgree(bool premultiplied, const Color& color, std::mt19937& random)
{
    constexpr int kSide = 13;
    constexpr int kCanvas = 48;
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> pick(0, 3);
    Pixels texels(kSide * kSide);
    for (uint32_t& t : texels) {
        const uint32_t alphas[4] = {0, 0xFF, any(random) & 0xFF, 1};
        t = alphas[pick(random)] << 24 | (any(random) & 0xFFFFFF);
    }
    Pixels premultipliedTexels(texels.size());
    std::transform(texels.begin(), texels.end(), premultipliedTexels.begin(),
        [](uint32_t t) { return Pack(Premultiply(t)); });
    const uint32_t* bits = premultiplied ? premultipliedTexels.data() : texels.data();
    std::uniform_real_distribution<double> place(-6, kCanvas + 6);
    std::uniform_real_distribution<double> texture(-4, kSide + 4);
    const SWTri::ColorInfo tint{color.mAlpha, color.mRed, color.mGreen, color.mBlue};
    for (int n = 0; n < 12; ++n) {
        SWTri::FixedVertex tri[3];
        for (SWTri::FixedVertex& p : tri) {
            p.x = static_cast<int32_t>(std::clamp(place(random), 0.0, double{kCanvas}) * 65536);
            p.y = static_cast<int32_t>(std::clamp(place(random), 0.0, double{kCanvas}) * 65536);
            p.u = static_cast<int32_t>(texture(random) * 65536);
            p.v = static_cast<int32_t>(texture(random) * 65536);
        }
        Canvas<uint32_t> fast(kCanvas, kCanvas, SWTri::kFormat888, 0, RedLow);
        for (uint32_t& d : fast.pixels)
            d = any(random);
        Canvas<uint32_t> generic = fast;
        generic.dest.bits = reinterpret_cast<uint8_t*>(generic.pixels.data());
        const GenericArgb reference{bits, kSide, kSide};
        if (premultiplied) {
            SWTri::Rasterize<SWTri::Target888<RedLow>, SWTri::PremultipliedFetch, Mode, How, SWTri::Shading::Constant>(
                tri, fast.dest, SWTri::PremultipliedFetch{{bits, kSide, kSide}}, tint);
            SWTri::Rasterize<SWTri::Target888<RedLow>, GenericPremultiplied, Mode, How, SWTri::Shading::Constant>(
                tri, generic.dest, GenericPremultiplied{reference}, tint);
        } else {
            SWTri::Rasterize<SWTri::Target888<RedLow>, SWTri::ArgbFetch, Mode, How, SWTri::Shading::Constant>(
                tri, fast.dest, SWTri::ArgbFetch{bits, kSide, kSide}, tint);
            SWTri::Rasterize<SWTri::Target888<RedLow>, GenericArgb, Mode, How, SWTri::Shading::Constant>(tri,
                generic.dest, reference, tint);
        }
        ASSERT_EQ(fast.pixels, generic.pixels) << "triangle " << n << " premultiplied " << premultiplied;
    }
}

// The edged words of a texture: every word where its texel lies a row and
// a column on, the edge rows and columns once more around them; none where
// the edged rows would pass the 16-bit coordinates or the size kept.
TEST(TriangleRasterizer, EdgedWordsRepeatEachEdgeOnceAndRefuseWhatTheyCannotHold)
{
    const Pixels texture = {1, 2, 3, 4, 5, 6};
    const auto edged = SWTri::EdgedWords(texture.data(), 3, 2);
    ASSERT_NE(edged, nullptr);
    EXPECT_EQ(Pixels(edged.get(), edged.get() + 20),
        (Pixels{1, 1, 2, 3, 3, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6, 4, 4, 5, 6, 6}));
    const uint32_t one = 7;
    const auto single = SWTri::EdgedWords(&one, 1, 1);
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(Pixels(single.get(), single.get() + 9), Pixels(9, 7));

    const Pixels many(1022 * 1023, 9);
    const struct { int width, height; bool made; } cases[] = {{32765, 1, true}, {32766, 1, false},
        {1, 32765, true}, {1, 32766, false}, {1022, 1022, true}, {1023, 1022, false}, {1022, 1023, false},
        {0, 1, false}, {1, 0, false}, {-3, 2, false}, {2, -3, false}};
    for (const auto& c : cases)
        EXPECT_EQ(SWTri::EdgedWords(many.data(), c.width, c.height) != nullptr, c.made) << c.width << "x" << c.height;
    EXPECT_EQ(SWTri::EdgedWords(nullptr, 2, 2), nullptr);
}

TEST(TriangleRasterizer, VectorSpansEqualTheGenericKernel)
{
    std::mt19937 random(7031);
    using SWTri::Compose;
    using SWTri::Sampling;
    for (bool premultiplied : {false, true})
        for (const Color& color : {Color::White, Color(90, 200, 255, 200), Color(255, 255, 255, 254),
                 Color(0, 0, 0, 0)}) {
            ExpectSpansAgree<false, Sampling::Point, Compose::Over>(premultiplied, color, random);
            ExpectSpansAgree<false, Sampling::Point, Compose::Add>(premultiplied, color, random);
            ExpectSpansAgree<false, Sampling::Point, Compose::Store>(premultiplied, color, random);
            ExpectSpansAgree<false, Sampling::Bilinear, Compose::Over>(premultiplied, color, random);
            ExpectSpansAgree<false, Sampling::Bilinear, Compose::Add>(premultiplied, color, random);
            ExpectSpansAgree<false, Sampling::Bilinear, Compose::Store>(premultiplied, color, random);
            ExpectSpansAgree<true, Sampling::Point, Compose::Over>(premultiplied, color, random);
            ExpectSpansAgree<true, Sampling::Point, Compose::Add>(premultiplied, color, random);
            ExpectSpansAgree<true, Sampling::Bilinear, Compose::Over>(premultiplied, color, random);
            ExpectSpansAgree<true, Sampling::Bilinear, Compose::Add>(premultiplied, color, random);
        }
}

// Coverage by the pixel rules, worked exactly on the 16.16 corners: a
// centre (x, y) is inside when top <= y < bottom and left(y) <= x <
// right(y), left and right being the edges' exact crossings of row y.
bool Covered(const SWTri::FixedVertex (&tri)[3], int x, int y)
{
    const SWTri::FixedVertex* p[3] = {&tri[0], &tri[1], &tri[2]};
    std::sort(std::begin(p), std::end(p), [](auto* a, auto* b) { return a->y < b->y; });
    const int64_t row = int64_t{y} * 65536;
    if (row < p[0]->y || row >= p[2]->y)
        return false;
    // x compared with the crossing of edge a-b: sign of x * dy - crossing * dy.
    const auto side = [&](const SWTri::FixedVertex& a, const SWTri::FixedVertex& b) {
        const int64_t dy = int64_t{b.y} - a.y;
        return int64_t{x} * 65536 * dy - (int64_t{a.x} * dy + (int64_t{b.x} - a.x) * (row - a.y));
    };
    const SWTri::FixedVertex& top = *p[0];
    const SWTri::FixedVertex& mid = *p[1];
    const SWTri::FixedVertex& bottom = *p[2];
    const int64_t toLong = side(top, bottom);
    const int64_t toShort = row < mid.y ? side(top, mid) : side(mid, bottom);
    const int64_t cross = (int64_t{mid.x} - top.x) * (int64_t{bottom.y} - top.y) -
                          (int64_t{bottom.x} - top.x) * (int64_t{mid.y} - top.y);
    // The middle corner right of the long edge: the long edge is the left one.
    return cross > 0 ? toLong >= 0 && toShort < 0 : toShort >= 0 && toLong < 0;
}

// Corners a hair either side of pixel centres and rows: the first, middle
// and last rows and the columns of every span are the ones the rules give.
TEST(TriangleRasterizer, RowsAndColumnsFollowTheCentresExactly)
{
    std::mt19937 random(4417);
    std::uniform_int_distribution<int> whole(0, 20);
    std::uniform_int_distribution<int> hair(-3, 3);
    const uint32_t one = 0xFF010101;
    for (int n = 0; n < 300; ++n) {
        SWTri::FixedVertex tri[3];
        for (SWTri::FixedVertex& p : tri) {
            p.x = std::max(0, whole(random) * 65536 + hair(random) * (n % 3 == 0 ? 1 : 9000));
            p.y = std::max(0, whole(random) * 65536 + hair(random) * (n % 3 == 0 ? 1 : 9000));
        }
        Canvas<uint32_t> canvas(24, 24, SWTri::kFormat888, 0xFF000000);
        SWTri::Rasterize<SWTri::Target888<false>, SWTri::ArgbFetch, SWTri::Sampling::Point, SWTri::Compose::Add,
            SWTri::Shading::Constant>(tri, canvas.dest, SWTri::ArgbFetch{&one, 1, 1}, SWTri::ColorInfo{});
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(canvas.At(x, y), Covered(tri, x, y) ? one : 0xFF000000u)
                    << "triangle " << n << " at " << x << "," << y;
    }
}

// Rounding to the nearest whole number, halves away from zero, as the
// library rounds: ties of both signs, the last doubles below a half, and
// values past 2^52 where every double is whole.
class RoundHalfAwayCase : public testing::TestWithParam<double> {};

TEST_P(RoundHalfAwayCase, RoundsAsTheLibraryDoes)
{
    const double value = GetParam();
    EXPECT_EQ(SWTri::RoundHalfAway(value), std::llround(value)) << std::hexfloat << value;
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfAwayCase,
    testing::Values(0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, -0.49999999999999994,
        1.4999999999999998, -1.4999999999999998, 0.5000000000000001, 7.25, -7.75, 65535.5, -65536.5,
        4503599627370495.5, -4503599627370495.5, 4503599627370497.0, -4503599627370497.0, 9007199254740993.0,
        288230376151711744.0, -288230376151711744.0, 134217728.0 * 65536.0, -134217728.0 * 65536.0));

// The planes as the set-up once worked them out, every term from the
// corners anew and rounded by the library: the shared terms and the
// rounding without a call give the very same numbers.
SWTri::TriangleScan::Plane ReferencePlane(const SWTri::FixedVertex (&tri)[3], int32_t a0, int32_t a1, int32_t a2)
{
    const double x0 = tri[0].x / 65536.0;
    const double y0 = tri[0].y / 65536.0;
    const double dx1 = tri[1].x / 65536.0 - x0;
    const double dy1 = tri[1].y / 65536.0 - y0;
    const double dx2 = tri[2].x / 65536.0 - x0;
    const double dy2 = tri[2].y / 65536.0 - y0;
    const double det = dx1 * dy2 - dx2 * dy1;
    const double da1 = static_cast<double>(a1) - a0;
    const double da2 = static_cast<double>(a2) - a0;
    const double dx = std::clamp((da1 * dy2 - da2 * dy1) / det, -134217728.0, 134217728.0);
    const double dy = std::clamp((da2 * dx1 - da1 * dx2) / det, -134217728.0, 134217728.0);
    SWTri::TriangleScan::Plane plane;
    plane.dx = std::llround(dx * 65536.0);
    plane.dy = std::llround(dy * 65536.0);
    plane.base = std::llround((a0 - dx * x0 - dy * y0) * 65536.0);
    return plane;
}

struct PlaneCase {
    const char* name;
    int32_t corner;    // corners lie within [0, corner) in 16.16
    int32_t attribute; // attributes within [-attribute, attribute]
};

void PrintTo(const PlaneCase& c, std::ostream* os)
{
    *os << c.name;
}

class PlaneSetup : public testing::TestWithParam<PlaneCase> {};

TEST_P(PlaneSetup, EqualsThePlaneWorkedOutFromTheCornersAlone)
{
    const PlaneCase& c = GetParam();
    std::mt19937 random(static_cast<uint32_t>(c.corner ^ c.attribute));
    std::uniform_int_distribution<int32_t> place(0, c.corner - 1);
    std::uniform_int_distribution<int32_t> value(-c.attribute, c.attribute);
    int planes = 0;
    for (int n = 0; n < 2000; ++n) {
        SWTri::FixedVertex tri[3];
        for (SWTri::FixedVertex& p : tri) {
            p.x = place(random);
            p.y = place(random);
            p.u = value(random);
            p.v = value(random);
        }
        SWTri::TriangleScan scan;
        if (!scan.Setup(tri, 800, 600))
            continue;
        ++planes;
        const SWTri::TriangleScan::Plane u = scan.PlaneOf<&SWTri::FixedVertex::u>();
        const SWTri::TriangleScan::Plane v = scan.PlaneOf(tri[0].v, tri[1].v, tri[2].v);
        const SWTri::TriangleScan::Plane wantU = ReferencePlane(tri, tri[0].u, tri[1].u, tri[2].u);
        const SWTri::TriangleScan::Plane wantV = ReferencePlane(tri, tri[0].v, tri[1].v, tri[2].v);
        ASSERT_EQ(u.base, wantU.base) << n;
        ASSERT_EQ(u.dx, wantU.dx) << n;
        ASSERT_EQ(u.dy, wantU.dy) << n;
        ASSERT_EQ(v.base, wantV.base) << n;
        ASSERT_EQ(v.dx, wantV.dx) << n;
        ASSERT_EQ(v.dy, wantV.dy) << n;
    }
    EXPECT_GT(planes, 1000);
}

INSTANTIATE_TEST_SUITE_P(Triangles, PlaneSetup,
    testing::Values(PlaneCase{"spriteSized", 40 << 16, 64 << 16}, PlaneCase{"screenWide", 800 << 16, 1024 << 16},
        // Slivers a few units across with attributes at the limits: the
        // gradients reach the bound they are held to.
        PlaneCase{"slivers", 4, std::numeric_limits<int32_t>::max()},
        PlaneCase{"smallCornersWideTexture", 3 << 16, 32767 << 16}),
    [](const testing::TestParamInfo<PlaneCase>& info) { return std::string(info.param.name); });

// Which side of the long edge the middle corner lies, found exactly from
// slivers of a unit to corners across the whole 16.16 range (where the
// edges' cross product passes 64 bits): the triangle covers the pixels of
// a 4 x 4 destination in `covered`, bit y * 4 + x.
struct SideCase {
    const char* name;
    int32_t corners[3][2];
    uint32_t covered;
};

class TriangleMiddleCorner : public testing::TestWithParam<SideCase> {};

TEST_P(TriangleMiddleCorner, SideIsExactAtEveryScale)
{
    const SideCase& c = GetParam();
    SWTri::FixedVertex tri[3];
    for (size_t i = 0; i < 3; ++i) {
        tri[i].x = c.corners[i][0];
        tri[i].y = c.corners[i][1];
    }
    const uint32_t one = 0xFF010101;
    Canvas<uint32_t> canvas(4, 4, SWTri::kFormat888, 0xFF000000);
    SWTri::Rasterize<SWTri::Target888<false>, SWTri::ArgbFetch, SWTri::Sampling::Point, SWTri::Compose::Add,
        SWTri::Shading::Constant>(tri, canvas.dest, SWTri::ArgbFetch{&one, 1, 1}, SWTri::ColorInfo{});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.At(x, y), (c.covered >> (y * 4 + x) & 1) != 0 ? one : 0xFF000000u) << x << "," << y;
}

constexpr int32_t kFar = 32767 * 65536;

INSTANTIATE_TEST_SUITE_P(Triangles, TriangleMiddleCorner,
    testing::Values(SideCase{"farRight", {{-kFar, -kFar}, {kFar, -kFar}, {0, kFar}}, 0xFFFF},
        SideCase{"farLeft", {{kFar, -kFar}, {-kFar, -kFar}, {0, kFar}}, 0xFFFF},
        SideCase{"farLowLeft", {{0, -kFar}, {-kFar, kFar}, {kFar, kFar}}, 0xFFFF},
        SideCase{"farLowRight", {{0, -kFar}, {kFar, kFar}, {-kFar, kFar}}, 0xFFFF},
        // Cross products of 1, 65536 and -1: the centre (0, 0) lies on a
        // left edge.
        SideCase{"unitRight", {{0, 0}, {1, 0}, {0, 1}}, 1},
        SideCase{"wholeRight", {{0, -32768}, {1, 0}, {0, 32768}}, 1},
        SideCase{"unitLeft", {{1, 0}, {0, 0}, {1, 1}}, 1}),
    [](const testing::TestParamInfo<SideCase>& info) { return std::string(info.param.name); });

} // namespace
