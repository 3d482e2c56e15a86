#include "framework/graphics/TriangleLayer.h"

#include "TriangleCanvas.h"
#include "TriangleTexture.h"
#include "fakes/DisplayApp.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/TriangleRasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

using Testing::DestinationOf;
using Testing::DisplayApp;
using Testing::MakeImage;
using Vorn::Color;
using Vorn::Rect;
using Vorn::TriangleVertex;
namespace SWTri = Vorn::SWTri;
using Use = SWTri::TriangleLayer::Use;

SWTri::LayerKey KeyOf(int value)
{
    SWTri::LayerKey key;
    key.Add(value);
    return key;
}

// A drawing is drawn twice as it comes, recorded the third time and laid
// from then on; another one starts the count again; one that was refused
// is drawn for as long as it comes.
TEST(TriangleLayer, TheThirdDrawingInARowIsRecordedAndTheNextOnesLaid)
{
    SWTri::TriangleLayer layer;
    const std::vector<uint64_t> empty(4, 0);
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Draw);
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Draw);
    EXPECT_FALSE(layer.Built());
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Record);
    ASSERT_TRUE(layer.Build(empty.data(), 4, 0, 1, false));
    EXPECT_TRUE(layer.Built());
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Lay);
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Lay);
    EXPECT_EQ(layer.Consider(KeyOf(2)), Use::Draw);
    EXPECT_FALSE(layer.Built());
    EXPECT_EQ(layer.Consider(KeyOf(2)), Use::Draw);
    EXPECT_EQ(layer.Consider(KeyOf(2)), Use::Record);
    const std::vector<uint64_t> twice = {0, SWTri::RecordedSample::kCovered | SWTri::RecordedSample::kTwice, 0, 0};
    EXPECT_FALSE(layer.Build(twice.data(), 4, 0, 1, false));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(layer.Consider(KeyOf(2)), Use::Draw);
    EXPECT_EQ(layer.Consider(KeyOf(1)), Use::Draw);
}

// Keys compare field by field; one too long to hold is never met again.
TEST(TriangleLayer, KeysMatchOnlyTheSameFieldsAndNoneTooLong)
{
    SWTri::LayerKey a;
    SWTri::LayerKey b;
    a.Add(1).Add(2.5f);
    b.Add(1).Add(2.5f);
    EXPECT_TRUE(a == b);
    b.Add(0);
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(SWTri::LayerKey() == SWTri::LayerKey());
    SWTri::LayerKey long1;
    SWTri::LayerKey long2;
    const std::array<uint8_t, 700> bytes{};
    long1.AddBytes(bytes.data(), bytes.size());
    long2.AddBytes(bytes.data(), bytes.size());
    EXPECT_FALSE(long1.Valid());
    EXPECT_FALSE(long1 == long2);
    SWTri::TriangleLayer layer;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(layer.Consider(long1), Use::Draw);
}

// Each recorded way of laying a sample, from the bits a recording leaves:
// stores, blends (and opaque samples laid over, copied in long stretches
// and blended in short ones), additions, and samples that change nothing.
TEST(TriangleLayer, LaysEachSampleAsItsDrawingWould)
{
    const auto word = [](SWTri::Compose how, uint32_t sample) {
        return SWTri::RecordedSample::kCovered |
               uint64_t{static_cast<uint32_t>(how)} << SWTri::RecordedSample::kHowShift | sample;
    };
    std::vector<uint64_t> canvas(40, 0);
    // Row 0: a store of a translucent sample, a blend, nothing, an add.
    canvas[1] = word(SWTri::Compose::Store, 0x40102030);
    canvas[2] = word(SWTri::Compose::Over, 0x80402010);
    canvas[3] = word(SWTri::Compose::Over, 0);
    canvas[4] = word(SWTri::Compose::Add, 0x00203040);
    canvas[5] = word(SWTri::Compose::Add, 0xFF000000);
    // Then a lone opaque sample, one that changes nothing, and 8 opaque ones
    // (copied): the lone one's neighbour stays as it was.
    canvas[7] = word(SWTri::Compose::Over, 0xFF7F0001);
    canvas[8] = word(SWTri::Compose::Over, 0);
    for (int x = 9; x < 17; ++x)
        canvas[static_cast<size_t>(x)] = word(SWTri::Compose::Over, 0xFF330000u + static_cast<uint32_t>(x));
    // Row 1: opaque samples laid over, 3 then 10 of them.
    for (int x = 0; x < 3; ++x)
        canvas[static_cast<size_t>(20 + x)] = word(SWTri::Compose::Over, 0xFF0000FFu + static_cast<uint32_t>(x));
    for (int x = 5; x < 15; ++x)
        canvas[static_cast<size_t>(20 + x)] = word(SWTri::Compose::Over, 0xFF00FF00u + static_cast<uint32_t>(x));
    for (bool redLow : {false, true}) {
        SWTri::TriangleLayer layer;
        layer.Consider(KeyOf(7));
        ASSERT_TRUE(layer.Build(canvas.data(), 20, 0, 2, redLow));
        std::vector<uint32_t> pixels(40, 0xC0E0A060);
        layer.Lay(DestinationOf(pixels, 20, 2, SWTri::kFormat888, redLow));
        const auto placed = [&](uint32_t argb) {
            return redLow ? (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFF) | ((argb & 0xFF) << 16) : argb;
        };
        EXPECT_EQ(pixels[0], 0xC0E0A060u);
        EXPECT_EQ(pixels[1], placed(0x40102030)) << redLow;
        // s + d * (256 - 128) >> 8 in each byte, half of each byte of d
        // added: 0x80 + 0x60 on top, then red, green and blue in the
        // destination's order.
        EXPECT_EQ(pixels[2], redLow ? 0xE0807070u : 0xE0B07040u) << std::hex << pixels[2];
        EXPECT_EQ(pixels[3], 0xC0E0A060u);
        // Added in each colour byte, red saturating, the alpha kept.
        EXPECT_EQ(pixels[4], redLow ? 0xC0FFD080u : 0xC0FFD0A0u) << std::hex << pixels[4];
        EXPECT_EQ(pixels[5], 0xC0E0A060u);
        EXPECT_EQ(pixels[7], placed(0xFF7F0001u));
        EXPECT_EQ(pixels[8], 0xC0E0A060u);
        for (int x = 9; x < 17; ++x)
            EXPECT_EQ(pixels[static_cast<size_t>(x)], placed(0xFF330000u + static_cast<uint32_t>(x)));
        EXPECT_EQ(pixels[17], 0xC0E0A060u);
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(pixels[static_cast<size_t>(20 + x)], placed(0xFF0000FFu + static_cast<uint32_t>(x)));
        for (int x = 5; x < 15; ++x)
            EXPECT_EQ(pixels[static_cast<size_t>(20 + x)], placed(0xFF00FF00u + static_cast<uint32_t>(x)));
        EXPECT_EQ(pixels[23], 0xC0E0A060u);
        EXPECT_EQ(pixels[39], 0xC0E0A060u);
    }
}

// Runs of every length from 1 to 21, alone in a row at odd and even places:
// each laid sample gives what its formula gives on that pixel alone, the
// pixels beside the run stay, and neither order of red and blue differs.
// At each row level the processor has: runs of eight and more are laid
// over eight at a time in the AVX2 rows.
class LaidRuns : public Testing::AtRowLevel {};

TEST_P(LaidRuns, OfEveryLengthLayEachSampleByItsFormula)
{
    const auto word = [](SWTri::Compose how, uint32_t sample) {
        return SWTri::RecordedSample::kCovered |
               uint64_t{static_cast<uint32_t>(how)} << SWTri::RecordedSample::kHowShift | sample;
    };
    // Over: s + (d * (256 - s_a) >> 8) in each byte; add: each colour byte
    // saturated, the destination's alpha kept; a store and long opaque
    // stretches laid over: the sample.
    const auto over = [](uint32_t s, uint32_t d) {
        uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |= (((s >> shift) & 0xFF) + ((((d >> shift) & 0xFF) * (256 - (s >> 24))) >> 8)) << shift;
        return out;
    };
    const auto add = [](uint32_t s, uint32_t d) {
        uint32_t out = d & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8)
            out |= std::min(((d >> shift) & 0xFF) + ((s >> shift) & 0xFF), 255u) << shift;
        return out;
    };
    const struct { const char* name; SWTri::Compose how; uint32_t alphaOr; } kinds[] = {
        {"stored", SWTri::Compose::Store, 0}, {"laid over", SWTri::Compose::Over, 0},
        {"opaque laid over", SWTri::Compose::Over, 0xFF000000u}, {"added", SWTri::Compose::Add, 0}};
    constexpr int kWidth = 32;
    std::mt19937 random(2024);
    std::uniform_int_distribution<uint32_t> any;
    for (const auto& kind : kinds) {
        for (int count = 1; count <= 21; ++count) {
            for (const int x : {0, 3, kWidth - count}) {
                SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(count) + " at " + std::to_string(x));
                std::vector<uint64_t> canvas(kWidth, 0);
                // A run before it, one pixel apart: a run that reached back
                // would lay that run's last sample on the pixel between.
                constexpr uint32_t kBefore = 0xFF8040C0u;
                if (x == 3)
                    canvas[1] = word(SWTri::Compose::Store, kBefore);
                std::vector<uint32_t> samples;
                for (int i = 0; i < count; ++i) {
                    // Premultiplied: no colour byte above the alpha; no
                    // sample that changes nothing, which would split the run.
                    const uint32_t alpha = std::max<uint32_t>(any(random) >> 24 | kind.alphaOr >> 24, 1);
                    uint32_t sample = alpha << 24;
                    for (int shift = 0; shift < 24; shift += 8)
                        sample |= (any(random) % (alpha + 1)) << shift;
                    if (kind.how == SWTri::Compose::Add)
                        sample |= 0x10;
                    samples.push_back(sample);
                    canvas[static_cast<size_t>(x + i)] = word(kind.how, sample);
                }
                for (const bool redLow : {false, true}) {
                    SWTri::TriangleLayer layer;
                    layer.Consider(KeyOf(count));
                    ASSERT_TRUE(layer.Build(canvas.data(), kWidth, 0, 1, redLow));
                    std::vector<uint32_t> pixels(kWidth);
                    for (uint32_t& p : pixels)
                        p = any(random);
                    std::vector<uint32_t> expected = pixels;
                    if (x == 3)
                        expected[1] = redLow ? 0xFFC04080u : kBefore;
                    for (int i = 0; i < count; ++i) {
                        const uint32_t s = samples[static_cast<size_t>(i)];
                        const uint32_t placed =
                            redLow ? (s & 0xFF00FF00u) | ((s >> 16) & 0xFF) | ((s & 0xFF) << 16) : s;
                        uint32_t& d = expected[static_cast<size_t>(x + i)];
                        d = kind.how == SWTri::Compose::Store ? placed
                            : kind.how == SWTri::Compose::Add ? add(placed, d)
                                                              : over(placed, d);
                    }
                    layer.Lay(DestinationOf(pixels, kWidth, 1, SWTri::kFormat888, redLow));
                    ASSERT_EQ(pixels, expected) << redLow;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RowLevels, LaidRuns, testing::Values(SWTri::RowLevel::Sse2, SWTri::RowLevel::Avx2),
    Testing::RowLevelName);

struct Drawing {
    const char* what;
    bool palette;
    bool linear;
    int mode;
    Color color;
    bool redLow;
    // The quad's corners; the first two cases lie inside the canvas, the
    // others cross its edges.
    float x0, y0, x1, y1;
};

// A texture with transparent, translucent and opaque texels, drawn the
// same way frame after frame onto backgrounds that change: laid from its
// layer, each frame's pixels are those of drawing it afresh.
class LaidDrawing : public ::testing::TestWithParam<Drawing> {};

TEST_P(LaidDrawing, EqualsTheDrawingOnEveryBackground)
{
    const Drawing& c = GetParam();
    DisplayApp display;
    std::vector<uint32_t> texels(12 * 9);
    std::mt19937 random(77);
    std::uniform_int_distribution<uint32_t> any;
    const uint32_t colours[6] = {0x00000000, 0xFF2040C0, 0x80FF8000, 0xFFFFFFFF, 0x20102030, 0xC0E0E0E0};
    for (uint32_t& t : texels)
        t = colours[any(random) % 6];
    // A band of opaque texels: rows of samples long enough to be copied.
    std::fill(texels.begin() + 3 * 12, texels.begin() + 5 * 12, 0xFF3070A0u);
    auto texture = MakeImage(12, texels, &display.app);
    if (c.palette) {
        ASSERT_TRUE(texture->ReduceToPalette());
    }
    // The quad of the matrix blit: corners in strip order.
    const TriangleVertex strip[4] = {{c.x0, c.y0, 0, 0, 0xFFFFFFFF}, {c.x1, c.y0 + 1.5f, 1, 0, 0xFFFFFFFF},
        {c.x0 + 2.25f, c.y1, 0, 1, 0xFFFFFFFF}, {c.x1 + 2.25f, c.y1 + 1.5f, 1, 1, 0xFFFFFFFF}};
    constexpr int kW = 37;
    constexpr int kH = 29;
    std::vector<uint32_t> laid(kW * kH);
    std::vector<uint32_t> drawn(kW * kH);
    const auto destOf = [&](std::vector<uint32_t>& pixels) {
        return DestinationOf(pixels, kW, kH, SWTri::kFormat888, c.redLow);
    };
    const SWTri::Destination laidDest = destOf(laid);
    for (int frame = 0; frame < 6; ++frame) {
        for (uint32_t& p : laid)
            p = any(random);
        drawn = laid;
        SWTri::DrawTriangles(strip, 4, texture.get(), laidDest, c.linear, false, Rect(1, 2, kW - 3, kH - 4), c.color,
            c.mode);
        // Drawn afresh: the same drawing with its history forgotten.
        SWTri::TriangleLayer kept = texture->TriangleLayerOf();
        texture->TriangleLayerOf().Clear();
        SWTri::DrawTriangles(strip, 4, texture.get(), destOf(drawn), c.linear, false, Rect(1, 2, kW - 3, kH - 4),
            c.color, c.mode);
        texture->TriangleLayerOf() = kept;
        ASSERT_EQ(laid, drawn) << c.what << " frame " << frame;
        EXPECT_EQ(texture->TriangleLayerOf().Built(), frame >= SWTri::TriangleLayer::kRecordAt - 1) << c.what << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Drawings, LaidDrawing,
    ::testing::Values(Drawing{"over", false, false, 0, Color::White, false, 3.3f, 2.6f, 30.1f, 22.7f},
        Drawing{"over palette red low", true, false, 0, Color::White, true, 3.3f, 2.6f, 30.1f, 22.7f},
        // Opaque texels become samples of alpha 254: blends, never copies.
        Drawing{"over nearly opaque", false, false, 0, Color(255, 255, 255, 254), false, 3.3f, 2.6f, 30.1f, 22.7f},
        Drawing{"add tinted", false, false, 1, Color(255, 200, 120, 180), false, -4.5f, -3.0f, 40.0f, 31.0f},
        Drawing{"linear over tinted", false, true, 0, Color(90, 200, 255, 200), true, -4.5f, 5.0f, 20.0f, 40.0f},
        Drawing{"linear add palette", true, true, 1, Color::White, false, 10.5f, -7.25f, 45.0f, 20.0f}));

// Two triangles that cover the same pixels: the second sample depends on the
// first, so there is no layer, and the pixels stay those of the drawing.
TEST(TriangleLayer, ADrawingThatCoversAPixelTwiceIsNeverLaid)
{
    DisplayApp display;
    auto texture = MakeImage(2, {0x80FF0000, 0x8000FF00, 0x800000FF, 0x80FFFFFF}, &display.app);
    // A strip folded onto itself: its second triangle lies over the first.
    const TriangleVertex strip[4] = {{1, 1, 0, 0, 0}, {12, 1, 1, 0, 0}, {1, 12, 0, 1, 0}, {1.5f, 1.5f, 1, 1, 0}};
    std::vector<uint32_t> pixels(16 * 16);
    const SWTri::Destination dest = DestinationOf(pixels, 16, 16, SWTri::kFormat888);
    std::vector<uint32_t> once;
    for (int frame = 0; frame < 5; ++frame) {
        std::fill(pixels.begin(), pixels.end(), 0xFF101010u);
        SWTri::DrawTriangles(strip, 4, texture.get(), dest, false, false, Rect(0, 0, 16, 16), Color::White, 0);
        if (frame == 0)
            once = pixels;
        EXPECT_EQ(pixels, once) << frame;
        EXPECT_FALSE(texture->TriangleLayerOf().Built());
    }
}

// New pixels in the texture: the next drawing shows them.
TEST(TriangleLayer, ATextureWithNewPixelsIsDrawnAnew)
{
    DisplayApp display;
    auto texture = MakeImage(2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}, &display.app);
    const TriangleVertex strip[4] = {{-0.5f, -0.5f, 0, 0, 0}, {3.5f, -0.5f, 1, 0, 0}, {-0.5f, 3.5f, 0, 1, 0},
        {3.5f, 3.5f, 1, 1, 0}};
    std::vector<uint32_t> pixels(16);
    const SWTri::Destination dest = DestinationOf(pixels, 4, 4, SWTri::kFormat888);
    for (int frame = 0; frame < 4; ++frame)
        SWTri::DrawTriangles(strip, 4, texture.get(), dest, false, false, Rect(0, 0, 4, 4), Color::White, 0);
    ASSERT_TRUE(texture->TriangleLayerOf().Built());
    const std::vector<uint32_t> grey(4, 0xFF808080);
    texture->SetBits(grey.data(), 2, 2, true);
    SWTri::DrawTriangles(strip, 4, texture.get(), dest, false, false, Rect(0, 0, 4, 4), Color::White, 0);
    EXPECT_EQ(pixels, std::vector<uint32_t>(16, 0xFF808080u));
}

// Everything that decides a drawing's pixels is in its key: a drawing laid
// from its layer, then made again with any one of them changed, gives the
// pixels of that drawing made afresh, not the layer's.
struct Change {
    const char* what;
    void (*apply)(TriangleVertex (&strip)[4], Rect& clip, Color& color, int& mode, bool& linear, bool& redLow);
};

class ChangedDrawing : public ::testing::TestWithParam<Change> {};

TEST_P(ChangedDrawing, IsDrawnAnewNotLaid)
{
    const Change& change = GetParam();
    DisplayApp display;
    std::vector<uint32_t> texels(6 * 5);
    for (size_t i = 0; i < texels.size(); ++i)
        texels[i] = (i % 3 == 0 ? 0xFF000000u : 0x90000000u) | static_cast<uint32_t>(i * 0x0B1D37u & 0xFFFFFF);
    auto texture = MakeImage(6, texels, &display.app);
    TriangleVertex strip[4] = {{2.25f, 1.5f, 0, 0, 0xFFFFFFFF}, {17.5f, 3.0f, 1, 0, 0xFFFFFFFF},
        {1.0f, 14.75f, 0, 1, 0xFFFFFFFF}, {16.25f, 16.25f, 1, 1, 0xFFFFFFFF}};
    Rect clip(0, 0, 20, 18);
    Color color = Color::White;
    int mode = 0;
    bool linear = false;
    bool redLow = false;
    std::vector<uint32_t> laid(20 * 18, 0xFF204060u);
    const auto draw = [&](std::vector<uint32_t>& pixels) {
        SWTri::DrawTriangles(strip, 4, texture.get(), DestinationOf(pixels, 20, 18, SWTri::kFormat888, redLow), linear,
            false, clip, color, mode);
    };
    for (int frame = 0; frame <= SWTri::TriangleLayer::kRecordAt; ++frame)
        draw(laid);
    ASSERT_TRUE(texture->TriangleLayerOf().Built());
    change.apply(strip, clip, color, mode, linear, redLow);
    std::fill(laid.begin(), laid.end(), 0xFF204060u);
    std::vector<uint32_t> fresh = laid;
    draw(laid);
    texture->TriangleLayerOf().Clear();
    draw(fresh);
    EXPECT_EQ(laid, fresh) << change.what;
}

INSTANTIATE_TEST_SUITE_P(EachField, ChangedDrawing,
    ::testing::Values(Change{"corner", [](auto& s, auto&, auto&, auto&, auto&, auto&) { s[3].mX += 1.5f; }},
        Change{"texture position", [](auto& s, auto&, auto&, auto&, auto&, auto&) { s[1].mU = 0.5f; }},
        Change{"clip", [](auto&, auto& c, auto&, auto&, auto&, auto&) { c = Rect(3, 2, 12, 11); }},
        Change{"colour", [](auto&, auto&, auto& c, auto&, auto&, auto&) { c = Color(255, 90, 40, 200); }},
        Change{"alpha", [](auto&, auto&, auto& c, auto&, auto&, auto&) { c = Color(255, 255, 255, 100); }},
        Change{"mode", [](auto&, auto&, auto&, auto& m, auto&, auto&) { m = 1; }},
        Change{"sampling", [](auto&, auto&, auto&, auto&, auto& l, auto&) { l = true; }},
        Change{"red low", [](auto&, auto&, auto&, auto&, auto&, auto& r) { r = true; }}),
    [](const auto& info) {
        std::string name = info.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

} // namespace
