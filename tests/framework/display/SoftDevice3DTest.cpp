// The software 3D device: texel widening, the three blend pairings and the
// store, vertex colours, coverage, lines, targets of 32 and 16 bits and the
// scene rules. Expected pixels follow the rasteriser's 8-bit rules:
// premultiplied p = c * (a + 1) >> 8; over d' = p + (d * (256 - a) >> 8);
// tint m = (c * (A + 1) >> 8) + 1 applied as p * m >> 8.

#include "framework/display/SoftDevice3D.h"
#include "fakes/DisplayApp.h"
#include "framework/graphics/RowLevel.h"
#include "framework/graphics/SWTri.h"
#include "framework/graphics/TextureFetch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace Vorn;

std::shared_ptr<Platform::Surface> MakeTarget(const Platform::PixelFormat& format, int width = 8, int height = 8)
{
    std::unique_ptr<Platform::Surface> surface;
    EXPECT_EQ(Platform::Surface::Create({width, height, format, 0}, surface), Platform::kDDOk);
    return std::shared_ptr<Platform::Surface>(std::move(surface));
}

uint32_t PixelAt(Platform::Surface& surface, int x, int y)
{
    Platform::LockedPixels locked;
    EXPECT_EQ(surface.Lock(locked), Platform::kDDOk);
    uint32_t pixel = 0;
    const int bytes = surface.Format().BytesPerPixel();
    std::memcpy(&pixel, locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch + static_cast<ptrdiff_t>(x) * bytes,
        static_cast<size_t>(bytes));
    surface.Unlock();
    return pixel;
}

// A one-texel texture holding `texel` (its bytes as the format lays them).
std::shared_ptr<SoftTexture> OneTexel(int format, uint32_t texel)
{
    std::shared_ptr<SoftTexture> texture;
    EXPECT_EQ(SoftDevice3D::CreateTexture(1, 1, format, texture), Platform::kDDOk);
    Platform::LockedPixels locked;
    EXPECT_EQ(texture->Lock(locked), Platform::kDDOk);
    const size_t bytes = format == kTextureA8R8G8B8 ? 4 : format == kTexturePalette8 ? 1 : 2;
    std::memcpy(locked.bits, &texel, bytes);
    texture->Unlock();
    return texture;
}

// A quad covering the pixels [x0, x1) x [y0, y1).
void DrawQuad(SoftDevice3D& device, int x0, int y0, int x1, int y1, uint32_t diffuse)
{
    ScreenVertex quad[4];
    const float xs[4] = {x0 - 0.5f, x0 - 0.5f, x1 - 0.5f, x1 - 0.5f};
    const float ys[4] = {y0 - 0.5f, y1 - 0.5f, y0 - 0.5f, y1 - 0.5f};
    for (int k = 0; k < 4; ++k) {
        quad[k].x = xs[k];
        quad[k].y = ys[k];
        quad[k].u = k < 2 ? 0.0f : 1.0f;
        quad[k].v = k % 2 == 0 ? 0.0f : 1.0f;
        quad[k].diffuse = diffuse;
    }
    ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
}

TEST(TextureFetch, WidenedTexelsReplicateTheirBits)
{
    EXPECT_EQ(SWTri::WidenArgb4444(0xF840), 0xFF884400u);
    EXPECT_EQ(SWTri::WidenArgb4444(0x1357), 0x11335577u);
    EXPECT_EQ(SWTri::WidenArgb4444(0x0000), 0x00000000u);
    EXPECT_EQ(SWTri::WidenRgb565(0xFC08), 0xFFFF8242u);
    EXPECT_EQ(SWTri::WidenRgb565(0xFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(SWTri::WidenRgb565(0x0821), 0xFF080408u);
    EXPECT_EQ(SWTri::PaletteEntryToArgb(0x80332211), 0x80112233u);
}

struct BlendCase {
    const char* name;
    int format;
    uint32_t texel;
    bool blending;
    BlendFactor source;
    BlendFactor dest;
    uint32_t background;
    uint32_t diffuse;
    uint32_t expected;
};

class SoftDeviceBlend : public testing::TestWithParam<BlendCase> {};

TEST_P(SoftDeviceBlend, ComposesByTheRasteriserRules)
{
    const BlendCase& c = GetParam();
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.Clear(c.background), Platform::kDDOk);
    auto texture = OneTexel(c.format, c.texel);
    if (c.format == kTexturePalette8) {
        uint32_t entries[256] = {};
        entries[3] = 0x800000FF; // ARGB 0x80FF0000 with red and blue exchanged
        texture->SetPalette(std::make_shared<SoftPalette>(entries));
    }
    device.SetTexture(texture);
    device.SetBlending(c.blending);
    device.SetBlendFactors(c.source, c.dest);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    DrawQuad(device, 2, 2, 5, 5, c.diffuse);
    ASSERT_EQ(device.EndScene(), Platform::kDDOk);
    EXPECT_EQ(PixelAt(*target, 3, 3) & 0xFFFFFF, c.expected);
    EXPECT_EQ(PixelAt(*target, 1, 3) & 0xFFFFFF, c.background & 0xFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(Pairings, SoftDeviceBlend,
    testing::Values(
        // red 255 * 129 >> 8 = 128; blue 255 * 128 >> 8 = 127.
        BlendCase{"Over", kTextureA8R8G8B8, 0x80FF0000, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha,
            0xFF0000FF, 0xFFFFFFFF, 0x80007F},
        // 128 * 129 >> 8 = 64, added to 0x40.
        BlendCase{"AddWeighted", kTextureA8R8G8B8, 0x80808080, true, BlendFactor::SrcAlpha, BlendFactor::One,
            0xFF404040, 0xFFFFFFFF, 0x808080},
        BlendCase{"AddAsIs", kTextureA8R8G8B8, 0x80808080, true, BlendFactor::One, BlendFactor::One, 0xFF404040,
            0xFFFFFFFF, 0xC0C0C0},
        BlendCase{"AddSaturates", kTextureA8R8G8B8, 0xFFC0C0C0, true, BlendFactor::One, BlendFactor::One,
            0xFF808080, 0xFFFFFFFF, 0xFFFFFF},
        BlendCase{"Store", kTextureA8R8G8B8, 0xFF123456, false, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha,
            0xFF0000FF, 0xFFFFFFFF, 0x123456},
        // m = (128 * 256 >> 8) + 1 = 129; 255 * 129 >> 8 = 128.
        BlendCase{"Tinted", kTextureA8R8G8B8, 0xFFFFFFFF, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha,
            0xFF000000, 0xFF808080, 0x808080},
        // Diffuse alpha 128 weighs the opaque red like a texel alpha of 128.
        BlendCase{"DiffuseAlpha", kTextureA8R8G8B8, 0xFFFF0000, true, BlendFactor::SrcAlpha,
            BlendFactor::InvSrcAlpha, 0xFF0000FF, 0x80FFFFFF, 0x80007F},
        BlendCase{"Argb4444", kTextureA4R4G4B4, 0xF840, false, BlendFactor::One, BlendFactor::One, 0xFF000000,
            0xFFFFFFFF, 0x884400},
        BlendCase{"Rgb565", kTextureR5G6B5, 0xFC08, false, BlendFactor::One, BlendFactor::One, 0xFF000000,
            0xFFFFFFFF, 0xFF8242},
        BlendCase{"PaletteAlpha", kTexturePalette8, 3, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha,
            0xFF000000, 0xFFFFFFFF, 0x800000}),
    [](const testing::TestParamInfo<BlendCase>& info) { return std::string(info.param.name); });

TEST(SoftDevice3D, UntexturedPrimitivesAreTheDiffuseColour)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    device.SetBlending(true);
    device.SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
    ASSERT_EQ(device.Clear(0xFF000000), Platform::kDDOk);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    DrawQuad(device, 2, 3, 6, 8, 0xFF20A0C0);
    // Pixel centres on the left and top edges count, on the right and bottom
    // ones not.
    EXPECT_EQ(PixelAt(*target, 2, 3) & 0xFFFFFF, 0x20A0C0u);
    EXPECT_EQ(PixelAt(*target, 5, 7) & 0xFFFFFF, 0x20A0C0u);
    EXPECT_EQ(PixelAt(*target, 6, 3) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(*target, 1, 3) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(*target, 2, 2) & 0xFFFFFF, 0u);
    EXPECT_EQ(device.DrawCount(), 1);
}

TEST(SoftDevice3D, VertexColoursAreInterpolated)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8, 5, 1);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    ScreenVertex quad[4];
    const float xs[4] = {-0.5f, -0.5f, 4.5f, 4.5f};
    const float ys[4] = {-0.5f, 0.5f, -0.5f, 0.5f};
    for (int k = 0; k < 4; ++k) {
        quad[k].x = xs[k];
        quad[k].y = ys[k];
        quad[k].diffuse = k < 2 ? 0xFF000000 : 0xFF0000FF;
    }
    ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
    // Blue runs 0 .. 255 over the five pixel widths: 25.5, 76.5, ... at the
    // centres, truncated to b; the white sample becomes 255 * (b + 1) >> 8.
    const uint32_t expected[5] = {25, 76, 127, 178, 229};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(*target, x, 0) & 0xFF, expected[x]) << x;
}

TEST(SoftDevice3D, SixteenBitTargetsWeighTheirOwnFields)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatR5G6B5);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.Clear(0xFF0000FF), Platform::kDDOk);
    EXPECT_EQ(PixelAt(*target, 0, 0), 0x001Fu);
    device.SetTexture(OneTexel(kTextureA8R8G8B8, 0x80FF0000));
    device.SetBlending(true);
    device.SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    DrawQuad(device, 0, 0, 2, 2, 0xFFFFFFFF);
    // red 128 >> 3 = 16; blue 31 * 128 >> 8 = 15.
    EXPECT_EQ(PixelAt(*target, 1, 1), 0x800Fu);
}

TEST(SoftDevice3D, LineStripsLightEveryJointOnce)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    device.SetBlending(true);
    device.SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::One);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    ScreenVertex strip[3];
    strip[0].x = 1, strip[0].y = 2;
    strip[1].x = 5, strip[1].y = 2;
    strip[2].x = 5.5f, strip[2].y = 2.5f;
    for (ScreenVertex& v : strip)
        v.diffuse = 0xFF404040;
    ASSERT_EQ(device.DrawPrimitive(Primitive::LineStrip, strip, 3), Platform::kDDOk);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PixelAt(*target, x, 2) & 0xFFFFFF, x >= 1 && x <= 5 ? 0x404040u : 0u) << x;
    EXPECT_EQ(PixelAt(*target, 5, 3) & 0xFFFFFF, 0u);
}

TEST(SoftDevice3D, SceneAndStateRules)
{
    SoftDevice3D device;
    ScreenVertex v[3];
    EXPECT_EQ(device.EndScene(), kD3DErrSceneNotInScene);
    EXPECT_FALSE(device.InScene());
    EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), kD3DErrSceneNotInScene);
    auto target = MakeTarget(Platform::kFormatX8R8G8B8);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    EXPECT_EQ(device.BeginScene(), kD3DErrSceneInScene);
    device.SetBlending(true);
    device.SetBlendFactors(BlendFactor::InvSrcAlpha, BlendFactor::One);
    EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), kD3DErrConflictingRenderState);
    device.SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::One);
    EXPECT_EQ(device.DrawPrimitive(static_cast<Primitive>(1), v, 3), kD3DErrInvalidPrimitiveType);
    auto texture = OneTexel(kTextureA8R8G8B8, 0);
    Platform::LockedPixels locked;
    ASSERT_EQ(texture->Lock(locked), Platform::kDDOk);
    EXPECT_EQ(texture->Lock(locked), Platform::kDDErrSurfaceBusy);
    device.SetTexture(texture);
    EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, v, 3), Platform::kDDErrSurfaceBusy);
    EXPECT_EQ(texture->Unlock(), Platform::kDDOk);
    EXPECT_EQ(texture->Unlock(), Platform::kDDErrNotLocked);
    EXPECT_EQ(device.EndScene(), Platform::kDDOk);
    EXPECT_EQ(device.EndScene(), kD3DErrSceneNotInScene);
}

TEST(SoftDevice3D, RefusesWhatItCannotHold)
{
    std::shared_ptr<SoftTexture> texture;
    EXPECT_EQ(SoftDevice3D::CreateTexture(0, 4, kTextureA8R8G8B8, texture), kD3DErrTextureBadSize);
    EXPECT_EQ(SoftDevice3D::CreateTexture(4097, 4, kTextureA8R8G8B8, texture), kD3DErrTextureBadSize);
    EXPECT_EQ(SoftDevice3D::CreateTexture(4, 4, 16, texture), kD3DErrWrongTextureFormat);
    EXPECT_EQ(texture, nullptr);
    ASSERT_EQ(SoftDevice3D::CreateTexture(4096, 2, kTextureR5G6B5, texture), Platform::kDDOk);
    EXPECT_EQ(texture->Pitch(), 8192);
    SoftDevice3D device;
    EXPECT_EQ(device.SetRenderTarget(nullptr), kD3DErrWrongTextureFormat);
    EXPECT_EQ(device.SetRenderTarget(MakeTarget(Platform::kFormatX8R8G8B8, 4, 4)), Platform::kDDOk);
    EXPECT_EQ(device.SetViewport(1, 1, 4, 3), Platform::kDDErrInvalidParams);
    EXPECT_EQ(device.SetViewport(1, 1, 3, 3), Platform::kDDOk);
}

TEST(SoftDevice3D, NonFiniteVerticesDropTheirTriangle)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    ScreenVertex v[3];
    v[1].x = std::numeric_limits<float>::quiet_NaN();
    v[2].x = 4, v[2].y = 4;
    v[0].diffuse = v[1].diffuse = v[2].diffuse = 0xFFFFFFFF;
    EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleFan, v, 3), Platform::kDDOk);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(*target, x, y), 0u);
}

// A texture of `format` with random texels (and a palette of random
// entries), w x h.
std::shared_ptr<SoftTexture> RandomTexture(int format, int w, int h, std::mt19937& random)
{
    std::shared_ptr<SoftTexture> texture;
    EXPECT_EQ(SoftDevice3D::CreateTexture(w, h, format, texture), Platform::kDDOk);
    Platform::LockedPixels locked;
    EXPECT_EQ(texture->Lock(locked), Platform::kDDOk);
    std::uniform_int_distribution<uint32_t> any;
    for (int i = 0; i < texture->Pitch() * h; ++i)
        locked.bits[i] = static_cast<uint8_t>(any(random) % 5 == 0 ? 0 : any(random));
    texture->Unlock();
    if (format == kTexturePalette8) {
        uint32_t entries[256];
        for (uint32_t& e : entries)
            e = any(random);
        texture->SetPalette(std::make_shared<SoftPalette>(entries));
    }
    return texture;
}

std::vector<uint32_t> PixelsOf(Platform::Surface& surface)
{
    std::vector<uint32_t> pixels;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            pixels.push_back(PixelAt(surface, x, y));
    return pixels;
}

void Fill(Platform::Surface& surface, std::mt19937& random)
{
    Platform::LockedPixels locked;
    ASSERT_EQ(surface.Lock(locked), Platform::kDDOk);
    std::uniform_int_distribution<uint32_t> any;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width() * surface.Format().BytesPerPixel(); ++x)
            locked.bits[static_cast<ptrdiff_t>(y) * locked.pitch + x] = static_cast<uint8_t>(any(random));
    surface.Unlock();
}

struct LayerCase {
    const char* name;
    int format;
    bool blending;
    BlendFactor source;
    BlendFactor dest;
    bool linear;
    uint32_t diffuse;
};

// The same strip drawn frame after frame onto a target whose pixels change:
// from the third frame on it is laid from the texture's layer, and every
// frame's pixels are those of drawing it afresh.
class SoftDeviceLayer : public ::testing::TestWithParam<LayerCase> {};

TEST_P(SoftDeviceLayer, LaidDrawingsEqualDrawingsAfresh)
{
    const LayerCase& c = GetParam();
    std::mt19937 random(31);
    auto texture = RandomTexture(c.format, 7, 5, random);
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8, 23, 17);
    ASSERT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    ASSERT_EQ(device.SetViewport(1, 2, 21, 14), Platform::kDDOk);
    ASSERT_EQ(device.BeginScene(), Platform::kDDOk);
    device.SetTexture(texture);
    device.SetBlending(c.blending);
    device.SetBlendFactors(c.source, c.dest);
    device.SetLinearFilter(c.linear);
    // A turned quad reaching past the viewport's edges.
    ScreenVertex quad[4];
    const float corners[4][4] = {{-2.5f, 3.25f, 0, 0}, {15.75f, -1.5f, 1, 0}, {3.5f, 17.5f, 0, 1}, {21.75f, 12.75f, 1, 1}};
    for (int k = 0; k < 4; ++k) {
        quad[k].x = corners[k][0];
        quad[k].y = corners[k][1];
        quad[k].u = corners[k][2];
        quad[k].v = corners[k][3];
        quad[k].diffuse = c.diffuse;
    }
    for (int frame = 0; frame < 6; ++frame) {
        Fill(*target, random);
        const std::vector<uint32_t> before = PixelsOf(*target);
        ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
        const std::vector<uint32_t> laid = PixelsOf(*target);
        EXPECT_EQ(texture->Layer().Built(), frame >= SWTri::TriangleLayer::kRecordAt - 1) << c.name << frame;
        // Afresh: the target as it was, the history forgotten.
        Platform::LockedPixels locked;
        ASSERT_EQ(target->Lock(locked), Platform::kDDOk);
        for (int y = 0; y < target->Height(); ++y)
            std::memcpy(locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch,
                before.data() + static_cast<size_t>(y * target->Width()), static_cast<size_t>(target->Width()) * 4);
        target->Unlock();
        const SWTri::TriangleLayer kept = texture->Layer();
        texture->Layer().Clear();
        ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
        texture->Layer() = kept;
        ASSERT_EQ(laid, PixelsOf(*target)) << c.name << " frame " << frame;
    }
    // New texels: the next drawing shows them.
    Fill(*target, random);
    Platform::LockedPixels locked;
    ASSERT_EQ(texture->Lock(locked), Platform::kDDOk);
    std::memset(locked.bits, 0xFF, static_cast<size_t>(texture->Pitch()) * 5);
    texture->Unlock();
    ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
    EXPECT_FALSE(texture->Layer().Built());
}

INSTANTIATE_TEST_SUITE_P(Kinds, SoftDeviceLayer,
    ::testing::Values(LayerCase{"store 565", kTextureR5G6B5, false, BlendFactor::One, BlendFactor::One, false, 0xFFFFFFFF},
        LayerCase{"over 8888", kTextureA8R8G8B8, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, false,
            0xC0FF8040},
        LayerCase{"add 4444 linear", kTextureA4R4G4B4, true, BlendFactor::SrcAlpha, BlendFactor::One, true,
            0xFFFFFFFF},
        LayerCase{"add unweighted palette", kTexturePalette8, true, BlendFactor::One, BlendFactor::One, false,
            0x80FFFFFF},
        LayerCase{"over palette linear", kTexturePalette8, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, true,
            0xFFFFFFFF},
        LayerCase{"over 8888 linear", kTextureA8R8G8B8, true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, true,
            0xFFFFFFFF}));

// A tinted quad drawn from `from`, turned and reaching past the target's
// edges, onto a target of random pixels.
std::vector<uint32_t> DrawTurned(const std::shared_ptr<SoftTexture>& from, BlendFactor source, BlendFactor dest,
    bool linear, bool blending = true)
{
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8, 20, 20);
    EXPECT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    std::mt19937 fill(34);
    Fill(*target, fill);
    EXPECT_EQ(device.BeginScene(), Platform::kDDOk);
    device.SetTexture(from);
    device.SetBlending(blending);
    device.SetBlendFactors(source, dest);
    device.SetLinearFilter(linear);
    ScreenVertex quad[4];
    const float corners[4][4] = {{-1.5f, 5.25f, 0, 0}, {14.75f, -0.5f, 1, 0}, {4.5f, 19.5f, 0, 1}, {19.75f, 13.75f, 1, 1}};
    for (int k = 0; k < 4; ++k)
        quad[k] = ScreenVertex{corners[k][0], corners[k][1], 0, 1, 0xE0FFC080, 0, corners[k][2], corners[k][3]};
    EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
    return PixelsOf(*target);
}

// A palette texture draws as an ARGB texture holding each texel's entry
// would, in every blend and sampling, and with a new palette its new one.
TEST(SoftDevice3D, PaletteTexturesDrawAsTheArgbTexturesOfTheirEntries)
{
    std::mt19937 random(33);
    auto palette = RandomTexture(kTexturePalette8, 9, 7, random);
    std::shared_ptr<SoftTexture> argb;
    ASSERT_EQ(SoftDevice3D::CreateTexture(9, 7, kTextureA8R8G8B8, argb), Platform::kDDOk);
    const auto copyEntries = [&] {
        uint32_t entries[256];
        palette->Palette()->GetEntries(entries);
        Platform::LockedPixels locked;
        ASSERT_EQ(argb->Lock(locked), Platform::kDDOk);
        for (int i = 0; i < 9 * 7; ++i) {
            const uint32_t word = SWTri::PaletteEntryToArgb(entries[palette->Pixels()[i]]);
            std::memcpy(locked.bits + 4 * i, &word, 4);
        }
        argb->Unlock();
    };
    const struct { BlendFactor source, dest; } blends[] = {{BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha},
        {BlendFactor::One, BlendFactor::One}, {BlendFactor::SrcAlpha, BlendFactor::One}};
    for (int round = 0; round < 2; ++round) {
        copyEntries();
        for (const auto& b : blends)
            for (const bool linear : {false, true})
                EXPECT_EQ(DrawTurned(palette, b.source, b.dest, linear), DrawTurned(argb, b.source, b.dest, linear))
                    << round << " " << static_cast<int>(b.source) << " " << static_cast<int>(b.dest) << " " << linear;
        uint32_t entries[256];
        std::uniform_int_distribution<uint32_t> any;
        for (uint32_t& e : entries)
            e = any(random);
        palette->SetPalette(std::make_shared<SoftPalette>(entries));
    }
}

// Two texels written into a 2 x 1 ARGB texture: while it is locked, no copy
// of its texels is given.
void WriteTwoTexels(SoftTexture& texture, uint32_t left, uint32_t right)
{
    Platform::LockedPixels locked;
    ASSERT_EQ(texture.Lock(locked), Platform::kDDOk);
    EXPECT_EQ(texture.Edged(), nullptr);
    EXPECT_EQ(texture.Premultiplied(), nullptr);
    EXPECT_EQ(texture.EdgedPremultiplied(), nullptr);
    std::memcpy(locked.bits, &left, 4);
    std::memcpy(locked.bits + 4, &right, 4);
    texture.Unlock();
}

std::vector<uint32_t> WordsOf(const uint32_t* words, int count)
{
    return words ? std::vector<uint32_t>(words, words + count) : std::vector<uint32_t>();
}

// The edged texels smooth drawings read are those of the last lock: a
// texture written again draws as a new one with the same texels would.
TEST(SoftDevice3D, EdgedTexelsFollowEveryLockAndOnlyArgbTexturesHaveThem)
{
    std::shared_ptr<SoftTexture> texture;
    ASSERT_EQ(SoftDevice3D::CreateTexture(2, 1, kTextureA8R8G8B8, texture), Platform::kDDOk);
    WriteTwoTexels(*texture, 1, 2);
    EXPECT_EQ(WordsOf(texture->Edged(), 12), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2}));
    WriteTwoTexels(*texture, 3, 4);
    EXPECT_EQ(WordsOf(texture->Edged(), 12), (std::vector<uint32_t>{3, 3, 4, 4, 3, 3, 4, 4, 3, 3, 4, 4}));
    for (const int format : {kTextureA4R4G4B4, kTextureR5G6B5, kTexturePalette8})
        EXPECT_EQ(OneTexel(format, 0xFFFF)->Edged(), nullptr) << format;

    // Drawn smoothly before and after new texels.
    std::mt19937 random(32);
    auto reused = RandomTexture(kTextureA8R8G8B8, 6, 5, random);
    const auto fresh = RandomTexture(kTextureA8R8G8B8, 6, 5, random);
    const std::vector<uint32_t> old = DrawTurned(reused, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, true);
    Platform::LockedPixels from;
    Platform::LockedPixels to;
    ASSERT_EQ(fresh->Lock(from), Platform::kDDOk);
    ASSERT_EQ(reused->Lock(to), Platform::kDDOk);
    std::memcpy(to.bits, from.bits, static_cast<size_t>(reused->Pitch()) * 5);
    reused->Unlock();
    fresh->Unlock();
    const std::vector<uint32_t> now = DrawTurned(reused, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, true);
    EXPECT_NE(now, old);
    EXPECT_EQ(now, DrawTurned(fresh, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, true));
}

// ARGB textures are drawn from premultiplied copies of their texels (but
// for the unweighted add); 4-bit ones still premultiply at every sample.
// The same texels draw the same pixels either way, in every blend and
// sampling, and before and after the texels change.
TEST(SoftDevice3D, ArgbTexturesDrawAsFourBitTexturesOfTheSameTexels)
{
    std::mt19937 random(35);
    std::shared_ptr<SoftTexture> argb;
    ASSERT_EQ(SoftDevice3D::CreateTexture(9, 7, kTextureA8R8G8B8, argb), Platform::kDDOk);
    const struct {
        bool blending;
        BlendFactor source, dest;
    } blends[] = {{true, BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha}, {true, BlendFactor::One, BlendFactor::One},
        {true, BlendFactor::SrcAlpha, BlendFactor::One}, {false, BlendFactor::One, BlendFactor::One}};
    for (int round = 0; round < 2; ++round) {
        const auto nibbles = RandomTexture(kTextureA4R4G4B4, 9, 7, random);
        Platform::LockedPixels locked;
        ASSERT_EQ(argb->Lock(locked), Platform::kDDOk);
        for (int i = 0; i < 9 * 7; ++i) {
            uint16_t texel = 0;
            std::memcpy(&texel, nibbles->Pixels() + 2 * i, 2);
            const uint32_t word = SWTri::WidenArgb4444(texel);
            std::memcpy(locked.bits + 4 * i, &word, 4);
        }
        argb->Unlock();
        for (const auto& b : blends)
            for (const bool linear : {false, true})
                EXPECT_EQ(DrawTurned(argb, b.source, b.dest, linear, b.blending),
                    DrawTurned(nibbles, b.source, b.dest, linear, b.blending))
                    << round << " " << b.blending << " " << static_cast<int>(b.source) << " "
                    << static_cast<int>(b.dest) << " " << linear;
    }
}

// The premultiplied copies: each texel's lanes premultiplied as a sample is
// (c * (a + 1) >> 8), none while locked or in the 16-bit formats, and those
// of a palette texture follow its palette.
TEST(SoftDevice3D, PremultipliedTexelsFollowLocksAndPalettes)
{
    std::shared_ptr<SoftTexture> texture;
    ASSERT_EQ(SoftDevice3D::CreateTexture(2, 1, kTextureA8R8G8B8, texture), Platform::kDDOk);
    // 255 * 129 >> 8 = 128, 128 * 129 >> 8 = 64, 64 * 129 >> 8 = 32; 200 * 1 >> 8 = 0.
    WriteTwoTexels(*texture, 0x80FF8040, 0x00C8C8C8);
    EXPECT_EQ(WordsOf(texture->Premultiplied(), 2), (std::vector<uint32_t>{0x80804020, 0}));
    WriteTwoTexels(*texture, 0xFF123456, 0x01FFFFFF);
    EXPECT_EQ(WordsOf(texture->Premultiplied(), 2), (std::vector<uint32_t>{0xFF123456, 0x01010101}));
    EXPECT_EQ(WordsOf(texture->EdgedPremultiplied(), 12),
        (std::vector<uint32_t>{0xFF123456, 0xFF123456, 0x01010101, 0x01010101, 0xFF123456, 0xFF123456, 0x01010101,
            0x01010101, 0xFF123456, 0xFF123456, 0x01010101, 0x01010101}));
    for (const int format : {kTextureA4R4G4B4, kTextureR5G6B5}) {
        EXPECT_EQ(OneTexel(format, 0xFFFF)->Premultiplied(), nullptr) << format;
        EXPECT_EQ(OneTexel(format, 0xFFFF)->EdgedPremultiplied(), nullptr) << format;
    }

    const auto palette = OneTexel(kTexturePalette8, 3);
    EXPECT_EQ(palette->Premultiplied(), nullptr);
    uint32_t entries[256] = {};
    entries[3] = 0x4080FF10; // ARGB 0x4010FF80
    palette->SetPalette(std::make_shared<SoftPalette>(entries));
    EXPECT_EQ(WordsOf(palette->Premultiplied(), 1), std::vector<uint32_t>{0x40044020});
    EXPECT_EQ(palette->Palette()->PremultipliedArgb()[3], 0x40044020u);
    entries[3] = 0xFF80FF10;
    palette->SetPalette(std::make_shared<SoftPalette>(entries));
    EXPECT_EQ(WordsOf(palette->Premultiplied(), 1), std::vector<uint32_t>{0xFF10FF80});
}

// Strips and fans go to the rasteriser two triangles at a time: the pixels
// are those of their triangles drawn one by one, with vertex colours and
// without, on 32 and 16 bits.
TEST(SoftDevice3D, StripsAndFansDrawWhatTheirTrianglesDrawOneByOne)
{
    std::mt19937 random(47);
    std::uniform_real_distribution<float> place(-3, 19);
    std::uniform_real_distribution<float> coordinate(-0.5f, 1.5f);
    auto texture = RandomTexture(kTextureA8R8G8B8, 6, 6, random);
    for (const Platform::PixelFormat& format : {Platform::kFormatX8R8G8B8, Platform::kFormatR5G6B5})
        for (Primitive type : {Primitive::TriangleStrip, Primitive::TriangleFan, Primitive::TriangleList})
            for (bool shaded : {false, true}) {
                ScreenVertex v[7];
                for (ScreenVertex& p : v) {
                    p.x = place(random);
                    p.y = place(random);
                    p.u = coordinate(random);
                    p.v = coordinate(random);
                    p.diffuse = shaded ? 0xFF000000u | (random() & 0xFFFFFF) : 0xFFC0A080u;
                }
                const auto draw = [&](SoftDevice3D& device, bool oneByOne) {
                    device.SetTexture(texture);
                    device.SetBlending(true);
                    device.SetBlendFactors(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
                    if (!oneByOne) {
                        ASSERT_EQ(device.DrawPrimitive(type, v, type == Primitive::TriangleList ? 6 : 7),
                            Platform::kDDOk);
                        return;
                    }
                    const int triangles = type == Primitive::TriangleList ? 2 : 5;
                    for (int i = 0; i < triangles; ++i) {
                        const bool list = type == Primitive::TriangleList;
                        const ScreenVertex one[3] = {list ? v[3 * i] : type == Primitive::TriangleFan ? v[0] : v[i],
                            list ? v[3 * i + 1] : v[i + 1], list ? v[3 * i + 2] : v[i + 2]};
                        ASSERT_EQ(device.DrawPrimitive(Primitive::TriangleList, one, 3), Platform::kDDOk);
                    }
                };
                std::shared_ptr<Platform::Surface> targets[2] = {MakeTarget(format, 16, 16), MakeTarget(format, 16, 16)};
                SoftDevice3D devices[2];
                for (int k = 0; k < 2; ++k) {
                    ASSERT_EQ(devices[k].SetRenderTarget(targets[k]), Platform::kDDOk);
                    ASSERT_EQ(devices[k].BeginScene(), Platform::kDDOk);
                    draw(devices[k], k == 1);
                }
                EXPECT_EQ(PixelsOf(*targets[0]), PixelsOf(*targets[1]))
                    << static_cast<int>(type) << shaded << format.bitsPerPixel;
            }
}

// A side x side texture whose picture is a disc of `radius` texels at (cx,
// cy), random inside; outside nothing (some of it colour without alpha).
void PaintBlob(SoftTexture& texture, double cx, double cy, double radius, std::mt19937& random)
{
    const int side = texture.Width();
    Platform::LockedPixels locked;
    ASSERT_EQ(texture.Lock(locked), Platform::kDDOk);
    std::uniform_int_distribution<uint32_t> any;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool inside = std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius;
            const uint32_t outside = any(random) % 4 == 0 ? 3 : 0;
            uint8_t* at = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch;
            if (texture.Format() == kTexturePalette8) {
                at[x] = static_cast<uint8_t>(inside ? 4 + any(random) % 200 : outside);
            } else {
                const uint32_t word = inside ? any(random) | 0x01000000u : outside == 3 ? 0x00FFFFFFu : 0;
                std::memcpy(at + 4 * x, &word, 4);
            }
        }
    texture.Unlock();
    if (texture.Format() == kTexturePalette8) {
        uint32_t entries[256];
        for (uint32_t& e : entries)
            e = any(random) | 0x01000000u;
        entries[0] = 0;
        entries[3] = 0x00FFFFFF;
        texture.SetPalette(std::make_shared<SoftPalette>(entries));
    }
}

// Sprites of `texture` turned and scaled at random, 32 to 120 pixels wide,
// some past the target's edges, a quarter of them reaching past the
// texture's, drawn at one level of rows reading texels as `reads` says.
std::vector<uint32_t> DrawSprites(const std::shared_ptr<SoftTexture>& texture, BlendFactor dest, bool linear,
    SWTri::RowLevel level, SWTri::TexelReads reads, unsigned seed)
{
    const SWTri::RowLevel before = SWTri::CurrentRowLevel();
    const SWTri::TexelReads readsBefore = SWTri::gTexelReads.load();
    EXPECT_TRUE(SWTri::SetRowLevel(level));
    SWTri::SetTexelReads(reads);
    std::mt19937 random(seed);
    SoftDevice3D device;
    auto target = MakeTarget(Platform::kFormatX8R8G8B8, 100, 90);
    EXPECT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
    Fill(*target, random);
    EXPECT_EQ(device.BeginScene(), Platform::kDDOk);
    device.SetTexture(texture);
    device.SetBlending(true);
    device.SetBlendFactors(BlendFactor::SrcAlpha, dest);
    device.SetLinearFilter(linear);
    std::uniform_real_distribution<float> turn(0, 6.3f);
    std::uniform_real_distribution<float> size(32, 120);
    std::uniform_real_distribution<float> place(-10, 110);
    for (int sprite = 0; sprite < 12; ++sprite) {
        const float angle = turn(random);
        const float half = size(random) / 2;
        const float cx = place(random);
        const float cy = place(random);
        const float c = std::cos(angle) * half;
        const float d = std::sin(angle) * half;
        // Now and then reaching past the texture, where it is held.
        const float lo = sprite % 4 == 1 ? -0.2f : 0.0f;
        const float hi = sprite % 4 == 1 ? 1.2f : 1.0f;
        const float corners[4][4] = {
            {cx - c + d, cy - d - c, lo, lo}, {cx + c + d, cy + d - c, hi, lo}, {cx - c - d, cy - d + c, lo, hi},
            {cx + c - d, cy + d + c, hi, hi}};
        ScreenVertex quad[4];
        for (int k = 0; k < 4; ++k)
            quad[k] = ScreenVertex{corners[k][0], corners[k][1], 0, 1, sprite % 3 == 0 ? 0xC0FF8040 : 0xFFFFFFFF, 0,
                corners[k][2], corners[k][3]};
        EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleStrip, quad, 4), Platform::kDDOk);
    }
    SWTri::SetRowLevel(before);
    SWTri::SetTexelReads(readsBefore);
    return PixelsOf(*target);
}

// The AVX2 rows stop where a sprite's picture does; the SSE2 rows draw
// every pixel of the quad, as the AVX2 rows would: both give the same
// pixels, also once new texels or a new palette make the picture larger.
TEST(SoftDevice3D, SpritesCutToTheirPictureEqualWholeRows)
{
    if (!SWTri::RowLevelSupported(SWTri::RowLevel::Avx2))
        GTEST_SKIP() << "the processor has no AVX2 rows";
    std::mt19937 random(48);
    for (const int format : {kTextureA8R8G8B8, kTexturePalette8}) {
        std::shared_ptr<SoftTexture> texture;
        ASSERT_EQ(SoftDevice3D::CreateTexture(40, 40, format, texture), Platform::kDDOk);
        // The last reaches the left edge.
        const double blobs[3][3] = {{20, 20, 9}, {20, 20, 18.5}, {6, 20, 8}};
        for (const auto& [cx, cy, radius] : blobs) {
            PaintBlob(*texture, cx, cy, radius, random);
            // Laid over, and added weighed by alpha.
            for (const BlendFactor dest : {BlendFactor::InvSrcAlpha, BlendFactor::One})
                for (const bool linear : {false, true}) {
                    const unsigned seed = random();
                    const auto expected =
                        DrawSprites(texture, dest, linear, SWTri::RowLevel::Sse2, SWTri::TexelReads::Loads, seed);
                    for (const SWTri::TexelReads reads : {SWTri::TexelReads::Loads, SWTri::TexelReads::Gather})
                        EXPECT_EQ(DrawSprites(texture, dest, linear, SWTri::RowLevel::Avx2, reads, seed), expected)
                            << format << " radius " << radius << " " << static_cast<int>(dest) << " " << linear
                            << " reads " << static_cast<int>(reads);
                }
        }
    }
}

// How many pixels of a black 800 x 600 target a white triangle covers, drawn
// by the device or, clipped in float first, by the software triangles.
int Covered(const float (&xy)[3][2], bool onDevice)
{
    std::vector<uint32_t> pixels(800 * 600);
    if (onDevice) {
        SoftDevice3D device;
        auto target = MakeTarget(Platform::kFormatX8R8G8B8, 800, 600);
        EXPECT_EQ(device.SetRenderTarget(target), Platform::kDDOk);
        device.SetTexture(OneTexel(kTextureA8R8G8B8, 0xFFFFFFFF));
        EXPECT_EQ(device.BeginScene(), Platform::kDDOk);
        ScreenVertex corners[3];
        for (int k = 0; k < 3; ++k)
            corners[k] = {xy[k][0], xy[k][1], 0, 1, 0xFFFFFFFF};
        EXPECT_EQ(device.DrawPrimitive(Primitive::TriangleList, corners, 3), Platform::kDDOk);
        Platform::LockedPixels locked;
        EXPECT_EQ(target->Lock(locked), Platform::kDDOk);
        for (size_t y = 0; y < 600; ++y)
            std::memcpy(&pixels[y * 800], locked.bits + y * static_cast<size_t>(locked.pitch), 800 * 4);
        target->Unlock();
    } else {
        auto texel = Testing::MakeImage(1, {0xFFFFFFFF});
        const SWTri::Destination dest{reinterpret_cast<uint8_t*>(pixels.data()), 800 * 4, 800, 600, SWTri::kFormat888};
        const TriangleVertex corners[3] = {
            {xy[0][0], xy[0][1], 0, 0, 0}, {xy[1][0], xy[1][1], 0, 0, 0}, {xy[2][0], xy[2][1], 0, 0, 0}};
        SWTri::DrawTriangles(
            corners, 3, texel.get(), dest, false, false, Rect(0, 0, 800, 600), Color::White, kDrawModeNormal);
    }
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
}

struct FarCase {
    const char* name;
    float f;
    // Whether the software triangles cover the same: their float clipping
    // leaves row 0 empty from about f = 60,000.
    bool as2D;
};

// The triangle (-f, -f), (f, -f), (400, f), its corners tens of thousands of
// pixels apart or past the +-32767 the device holds them to, covers the
// whole target.
class SoftDeviceFarCorners : public testing::TestWithParam<FarCase> {};

TEST_P(SoftDeviceFarCorners, CoverWhatTheyEnclose)
{
    const float f = GetParam().f;
    const float corners[3][2] = {{-f, -f}, {f, -f}, {400, f}};
    EXPECT_EQ(Covered(corners, true), 800 * 600);
    if (GetParam().as2D) {
        EXPECT_EQ(Covered(corners, false), 800 * 600);
    }
}

INSTANTIATE_TEST_SUITE_P(Corners, SoftDeviceFarCorners,
    testing::Values(FarCase{"f20000", 2e4f, true}, FarCase{"f30000", 3e4f, true}, FarCase{"f40000", 4e4f, true},
        FarCase{"f100000", 1e5f, false}, FarCase{"f1e7", 1e7f, false}, FarCase{"f1e30", 1e30f, false},
        FarCase{"f3e38", 3e38f, false}),
    [](const testing::TestParamInfo<FarCase>& info) { return std::string(info.param.name); });

} // namespace
