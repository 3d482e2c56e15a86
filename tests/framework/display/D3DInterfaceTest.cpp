// The 3D road: piece sizes and grids, texel conversions, uploads and read
// backs, the blits, fills, lines, polygons and triangles of the screen image,
// the error that switches 3D off, and the same scene on both roads.

#include "AppDisplayFixture.h"
#include "DisplayFixture.h"

#include "fakes/HugeMatrices.h"

#include "framework/display/D3DInterface.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/TextureFetch.h"
#include "framework/graphics/Transform.h"
#include "platform/SettingsStore.h"
#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Vorn;

TEST(TextureSizes, TableOfMainPieces)
{
    const std::pair<int, int> table[] = {{0, 1}, {1, 1}, {2, 2}, {64, 64}, {65, 128}, {100, 128}, {129, 128},
        {191, 128}, {192, 256}, {200, 256}, {300, 256}, {320, 256}, {400, 128}, {600, 64}, {640, 512}, {800, 256},
        {1000, 1024}, {1023, 1024}};
    for (const auto& [n, size] : table)
        EXPECT_EQ(D3DInterface::TableSize(n), size) << n;
    EXPECT_EQ(D3DInterface::NextPowerOfTwo(0), 1);
    EXPECT_EQ(D3DInterface::NextPowerOfTwo(33), 64);
    EXPECT_EQ(D3DInterface::NextPowerOfTwo(64), 64);
}

struct SizeCase {
    const char* name;
    int maxWidth;
    int maxHeight;
    int minSize;
    int aspect;
    int width;
    int height;
    bool edge;
    int flags;
    int expectedWidth;
    int expectedHeight;
};

class BestTextureSize : public testing::TestWithParam<SizeCase> {};

TEST_P(BestTextureSize, FromTheDeviceLimits)
{
    const SizeCase& c = GetParam();
    D3DInterface d3d(nullptr);
    d3d.mMaxTextureWidth = c.maxWidth;
    d3d.mMaxTextureHeight = c.maxHeight;
    d3d.mMinTextureWidth = d3d.mMinTextureHeight = c.minSize;
    d3d.mMaxTextureAspect = c.aspect;
    int w = c.width;
    int h = c.height;
    d3d.GetBestTextureSize(w, h, c.edge, c.flags);
    EXPECT_EQ(w, c.expectedWidth);
    EXPECT_EQ(h, c.expectedHeight);
}

INSTANTIATE_TEST_SUITE_P(Cases, BestTextureSize,
    testing::Values(SizeCase{"FixedPieces", 1024, 1024, 1, 65536, 800, 600, false, 2, 64, 64},
        SizeCase{"Main", 1024, 1024, 1, 65536, 800, 600, false, 0, 256, 64},
        SizeCase{"Edge", 1024, 1024, 1, 65536, 800, 600, true, 0, 1024, 1024},
        SizeCase{"MinimumSubdivision", 1024, 1024, 1, 65536, 400, 100, false, 1, 512, 128},
        SizeCase{"AtTheMaximum", 256, 256, 1, 65536, 256, 300, false, 0, 256, 256},
        SizeCase{"RaisedToTheMinimum", 1024, 1024, 16, 65536, 3, 9, true, 0, 16, 16},
        SizeCase{"AspectOne", 1024, 1024, 1, 1, 800, 600, false, 0, 256, 256},
        SizeCase{"AspectTwoTall", 1024, 1024, 1, 2, 8, 64, true, 0, 32, 64},
        SizeCase{"NoDeviceReport", 64, 64, 64, 1, 800, 600, false, 0, 64, 64}),
    Testing::CaseName<SizeCase>);

TEST(TextureGrid, EightHundredBySixHundred)
{
    D3DInterface d3d(nullptr);
    d3d.mMaxTextureWidth = d3d.mMaxTextureHeight = 1024;
    d3d.mMinTextureWidth = d3d.mMinTextureHeight = 1;
    d3d.mMaxTextureAspect = 65536;
    TextureSet set;
    d3d.CreateTextureGrid(set, 800, 600);
    EXPECT_EQ(set.mColumns, 4);
    EXPECT_EQ(set.mRows, 10);
    EXPECT_EQ(set.mPieceWidth, 256);
    EXPECT_EQ(set.mPieceHeight, 64);
    ASSERT_EQ(set.mPieces.size(), 40u);
    const auto size = [&](int column, int row) {
        const TexturePiece& p = set.mPieces[static_cast<size_t>(row * 4 + column)];
        return std::pair{p.mWidth, p.mHeight};
    };
    EXPECT_EQ(size(0, 0), std::pair(256, 64));
    EXPECT_EQ(size(3, 0), std::pair(32, 64));
    EXPECT_EQ(size(1, 9), std::pair(256, 32));
    EXPECT_EQ(size(3, 9), std::pair(32, 32));
    EXPECT_FLOAT_EQ(set.mExtentX, 3.125f);
    EXPECT_FLOAT_EQ(set.mExtentY, 9.375f);

    // The part of a piece under a position, cut by the piece and the asked
    // size, with u/v over the piece's own size.
    const PiecePart inner = set.GetPieceAt(300, 70, 500, 3);
    EXPECT_EQ(inner.mIndex, 5);
    EXPECT_EQ(inner.mWidth, 212);
    EXPECT_EQ(inner.mHeight, 3);
    EXPECT_FLOAT_EQ(inner.mU0, 44.0f / 256);
    EXPECT_FLOAT_EQ(inner.mU1, 1.0f);
    EXPECT_FLOAT_EQ(inner.mV0, 6.0f / 64);
    EXPECT_FLOAT_EQ(inner.mV1, 9.0f / 64);
    const PiecePart corner = set.GetPieceAt(790, 590, 100, 100);
    EXPECT_EQ(corner.mIndex, 39);
    EXPECT_EQ(corner.mWidth, 10);
    EXPECT_EQ(corner.mHeight, 18);
    EXPECT_FLOAT_EQ(corner.mU0, 22.0f / 32);
    EXPECT_FLOAT_EQ(corner.mV1, 1.0f);
    // One row or column past a whole piece makes a piece of its own.
    TextureSet tall;
    d3d.CreateTextureGrid(tall, 129, 129);
    EXPECT_EQ(tall.mColumns, 2);
    EXPECT_EQ(tall.mRows, 2);
    EXPECT_EQ(tall.mPieces[3].mWidth, 1);
    EXPECT_EQ(tall.mPieces[3].mHeight, 1);
    // Outside the grid there is no piece.
    EXPECT_EQ(set.GetPieceAt(1024, 0, 5, 5).mWidth, 0);
    EXPECT_EQ(set.GetPieceAt(-1, 0, 5, 5).mWidth, 0);
}

TEST(TexelConversions, ToAndFromTheTextureFormats)
{
    EXPECT_EQ(D3DInterface::ToA4R4G4B4(0x12345678), 0x1357u);
    EXPECT_EQ(D3DInterface::ToA4R4G4B4(0xFFFFFFFF), 0xFFFFu);
    EXPECT_EQ(D3DInterface::ToR5G6B5(0x00FF8040), 0xFC08u);
    EXPECT_EQ(D3DInterface::ToR5G6B5(0xFF071F07), 0x00E0u);
    EXPECT_EQ(D3DInterface::FromR5G6B5(0xFC08), 0xFFF88040u);
    EXPECT_EQ(D3DInterface::FromR5G6B5(0x0000), 0xFF000000u);
    EXPECT_EQ(D3DInterface::FromA4R4G4B4(0x1357), 0x11305070u);
    EXPECT_EQ(D3DInterface::FromA4R4G4B4(0xF000), 0xFF000000u);
    EXPECT_EQ(D3DInterface::SwapRedBlue(0x80112233), 0x80332211u);
}

struct FormatCase {
    int flag;
    PixelFormatDesc description;
};

const FormatCase kTextureFormats[] = {
    {kTextureA8R8G8B8, {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
    {kTextureA4R4G4B4, {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}},
    {kTextureR5G6B5, {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0}},
    {kTexturePalette8, {DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0}},
};

class TextureFormatDescriptions : public testing::TestWithParam<FormatCase> {};

TEST_P(TextureFormatDescriptions, AFlagsDescriptionMapsBackToIt)
{
    const FormatCase& c = GetParam();
    // Every field is written, whatever the description held before.
    PixelFormatDesc described{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    D3DInterface::SetPixelFormat(described, c.flag);
    EXPECT_EQ(described, c.description);
    EXPECT_EQ(D3DInterface::PixelFormatToFlag(described), c.flag);
}

INSTANTIATE_TEST_SUITE_P(EveryFlag, TextureFormatDescriptions, testing::ValuesIn(kTextureFormats));

// Each field of a description matters, the masks of Palette8 alone do not.
TEST(TextureFormatDescriptions, ADescriptionOffInAnyFieldMatchesNone)
{
    const PixelFormatDesc argb = kTextureFormats[0].description;
    const PixelFormatDesc rgb565 = kTextureFormats[2].description;
    const PixelFormatDesc palette = kTextureFormats[3].description;
    const auto with = [](PixelFormatDesc d, uint32_t PixelFormatDesc::*field, uint32_t value) {
        d.*field = value;
        return d;
    };
    const std::pair<PixelFormatDesc, int> table[] = {
        {PixelFormatDesc(), 0},
        // X8R8G8B8 and A1R5G5B5, which devices offer and textures here never use.
        {with(argb, &PixelFormatDesc::mAlphaMask, 0), 0},
        {{DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000}, 0},
        {with(argb, &PixelFormatDesc::mFlags, DDPF_RGB), 0},
        {with(argb, &PixelFormatDesc::mRGBBitCount, 24), 0},
        {with(argb, &PixelFormatDesc::mRedMask, 0x000000FF), 0},
        {with(argb, &PixelFormatDesc::mGreenMask, 0x00FF0000), 0},
        {with(argb, &PixelFormatDesc::mBlueMask, 0x0000FF00), 0},
        {with(rgb565, &PixelFormatDesc::mFlags, DDPF_RGB | DDPF_ALPHAPIXELS), 0},
        {with(rgb565, &PixelFormatDesc::mGreenMask, 0x03E0), 0},
        {with(palette, &PixelFormatDesc::mRGBBitCount, 4), 0},
        {with(palette, &PixelFormatDesc::mFlags, DDPF_RGB | 0x8), 0},
        {with(palette, &PixelFormatDesc::mFlags, DDPF_PALETTEINDEXED8), 0},
        {{DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0xE0, 0x1C, 0x03, 0xFFFFFFFF}, kTexturePalette8},
    };
    for (const auto& [description, flag] : table)
        EXPECT_EQ(D3DInterface::PixelFormatToFlag(description), flag)
            << std::hex << description.mFlags << " " << description.mRGBBitCount << " " << description.mRedMask << " "
            << description.mGreenMask << " " << description.mBlueMask << " " << description.mAlphaMask;
    for (const int notAFlag : {0, 3, 16, -1}) {
        PixelFormatDesc described = argb;
        D3DInterface::SetPixelFormat(described, notAFlag);
        EXPECT_EQ(described, PixelFormatDesc()) << notAFlag;
    }
}

// The device lists the layouts of its textures; the mask keeps the texture
// formats among what a device lists.
TEST(TextureFormatDescriptions, TheMaskHoldsTheFormatsEnumerated)
{
    std::vector<PixelFormatDesc> layouts;
    for (const FormatCase& c : kTextureFormats)
        layouts.push_back(c.description);
    EXPECT_EQ(SoftDevice3D::EnumTextureFormats(), layouts);
    EXPECT_EQ(D3DInterface::TextureFormatMask(layouts), 15);
    EXPECT_EQ(D3DInterface::TextureFormatMask({}), 0);
    const PixelFormatDesc xrgb{DDPF_RGB, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    EXPECT_EQ(D3DInterface::TextureFormatMask({xrgb, kTextureFormats[2].description, xrgb,
                  kTextureFormats[2].description, kTextureFormats[1].description}),
        kTextureR5G6B5 | kTextureA4R4G4B4);
}

TEST(ClipVertexList, HoldsAPolygonToABound)
{
    ClipVertexList square;
    const float corners[4][2] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    for (const auto& c : corners) {
        ScreenVertex v;
        v.x = c[0], v.y = c[1], v.u = c[0] / 10, v.v = c[1] / 10;
        v.diffuse = c[0] == 0 ? 0xFF000000 : 0xFF0000FF;
        square.Add(v);
    }
    ClipVertexList left;
    left.ClipToMax(square, 0, 4.0f);
    ASSERT_EQ(left.Count(), 4);
    // Edges from the last vertex round: where an edge enters, the crossing
    // and then its end; where one leaves, the crossing alone.
    const float expected[4][3] = {{4, 0, 0.4f}, {0, 0, 0}, {0, 10, 0}, {4, 10, 0.4f}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(left.Data()[k].x, expected[k][0]) << k;
        EXPECT_FLOAT_EQ(left.Data()[k].y, expected[k][1]) << k;
        EXPECT_FLOAT_EQ(left.Data()[k].u, expected[k][2]) << k;
    }
    // Blue 255 * 0.4 = 102 at both crossings, rounded from either side.
    EXPECT_EQ(left.Data()[0].diffuse, 0xFF000066u);
    EXPECT_EQ(left.Data()[1].diffuse, 0xFF000000u);
    EXPECT_EQ(left.Data()[3].diffuse, 0xFF000066u);
    ClipVertexList corner;
    corner.ClipToMin(left, 1, 7.5f);
    ASSERT_EQ(corner.Count(), 4);
    EXPECT_FLOAT_EQ(corner.Data()[0].x, 4);
    EXPECT_FLOAT_EQ(corner.Data()[0].y, 7.5f);
    EXPECT_FLOAT_EQ(corner.Data()[0].v, 0.75f);
    EXPECT_FLOAT_EQ(corner.Data()[1].x, 0);
    EXPECT_FLOAT_EQ(corner.Data()[1].y, 7.5f);
    EXPECT_FLOAT_EQ(corner.Data()[2].y, 10);
    ClipVertexList none;
    none.ClipToMin(square, 0, 10.5f);
    EXPECT_EQ(none.Count(), 0);
    ClipVertexList one;
    one.Add(ScreenVertex{});
    none.ClipToMin(one, 0, -1.0f);
    EXPECT_EQ(none.Count(), 0);
}

// A display drawing in 3D on an 800 x 600 window.
class D3DRoad : public Testing::AppDisplayFixture {
protected:
    void SetUp() override
    {
        display.mIs3D = true;
        ASSERT_EQ(Init(true), Vorn::DDInterface::RESULT_OK);
        screen = display.GetScreenImage();
        ASSERT_TRUE(screen->UsesDirect3D());
        d3d = display.mD3DInterface.get();
    }

    uint32_t Pixel(int x, int y)
    {
        Platform::Surface& surface = *display.mDrawSurface;
        Platform::LockedPixels locked;
        EXPECT_EQ(surface.Lock(locked), Platform::kDDOk);
        uint32_t pixel = 0;
        std::memcpy(&pixel, locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch + static_cast<ptrdiff_t>(x) * 4, 4);
        surface.Unlock();
        return pixel & 0xFFFFFF;
    }

    // Images go before the display.
    void TearDown() override { owned.clear(); }

    MemoryImage* Image(int width, int height, uint32_t (*pixel)(int, int))
    {
        MemoryImage* image = owned.emplace_back(std::make_unique<MemoryImage>(&app)).get();
        std::vector<uint32_t> bits(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[static_cast<size_t>(y * width + x)] = pixel(x, y);
        image->SetBits(bits.data(), width, height);
        return image;
    }

    DDImage* screen = nullptr;
    D3DInterface* d3d = nullptr;
    std::vector<std::unique_ptr<MemoryImage>> owned;
};

uint32_t Shown565(uint32_t c);

uint32_t Gradient(int x, int y)
{
    return 0xFF000000u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8 | 0x33;
}

TEST_F(D3DRoad, AttachingClearsTheSurfaceToOpaqueBlackAndTakesTheLimits)
{
    EXPECT_EQ(Pixel(0, 0), 0u);
    EXPECT_EQ(d3d->mMaxTextureWidth, 1024);
    EXPECT_EQ(d3d->mMaxTextureAspect, 65536);
    EXPECT_EQ(d3d->mFormatMask, 15);
    EXPECT_EQ(d3d->mViewport.mWidth, 800);
    EXPECT_EQ(d3d->mViewport.mHeight, 600);
}

TEST_F(D3DRoad, APlainBlitIsOneQuadPixelForPixel)
{
    auto image = Image(100, 100, Gradient);
    Graphics g(screen);
    g.DrawImage(image, 10, 20);
    ASSERT_NE(image->mD3DData, nullptr);
    const TextureSet& set = *image->mD3DData;
    ASSERT_EQ(set.mPieces.size(), 1u);
    EXPECT_EQ(set.mPieces[0].mWidth, 128);
    EXPECT_EQ(set.mFormat, kTextureR5G6B5);
    EXPECT_EQ(d3d->mDevice->DrawCount(), 1);
    // The 5-6-5 texel widens by bit replication.
    EXPECT_EQ(Pixel(10, 20), 0x000031u);
    EXPECT_EQ(Pixel(109, 119), 0x636131u);
    EXPECT_EQ(Pixel(9, 20), 0u);
    EXPECT_EQ(Pixel(110, 20), 0u);
    EXPECT_EQ(Pixel(10, 120), 0u);
}

TEST_F(D3DRoad, UploadRepeatsTheLastColumnAndRow)
{
    auto image = Image(100, 100, Gradient);
    image->mD3DFlags = kImageFlagUseA8R8G8B8;
    ASSERT_TRUE(d3d->PrepareImage(image));
    const TextureSet& set = *image->mD3DData;
    EXPECT_EQ(set.mFormat, kTextureA8R8G8B8);
    EXPECT_EQ(set.mTextureMemory, 128 * 128 * 4);
    const SoftTexture& texture = *set.mPieces[0].mTexture;
    const auto texel = [&](int x, int y) {
        uint32_t t;
        std::memcpy(&t, texture.Pixels() + y * texture.Pitch() + x * 4, 4);
        return t;
    };
    EXPECT_EQ(texel(99, 5), Gradient(99, 5));
    EXPECT_EQ(texel(100, 5), Gradient(99, 5));
    EXPECT_EQ(texel(101, 5), 0u);
    EXPECT_EQ(texel(7, 100), Gradient(7, 99));
    EXPECT_EQ(texel(100, 100), Gradient(99, 99));
    EXPECT_EQ(texel(7, 101), 0u);
}

uint32_t Translucent(int x, int y)
{
    return static_cast<uint32_t>(0x40 + x) << 24 | 0x00804020u | static_cast<uint32_t>(y);
}

TEST_F(D3DRoad, FormatsFollowTheImage)
{
    auto alpha = Image(64, 64, Translucent);
    ASSERT_TRUE(d3d->PrepareImage(alpha));
    EXPECT_EQ(alpha->mD3DData->mFormat, kTextureA8R8G8B8);
    ASSERT_EQ(alpha->mD3DData->mPieces.size(), 1u);
    EXPECT_EQ(alpha->mD3DData->mPieces[0].mWidth, 64);

    auto light = Image(64, 64, Translucent);
    light->mD3DFlags = kImageFlagUseA4R4G4B4;
    ASSERT_TRUE(d3d->PrepareImage(light));
    EXPECT_EQ(light->mD3DData->mFormat, kTextureA4R4G4B4);
    EXPECT_EQ(light->mD3DData->mTextureMemory, 64 * 64 * 2);

    MemoryImage* empty = Image(1, 1, Gradient);
    empty->Create(0, 5);
    EXPECT_FALSE(d3d->PrepareImage(empty));
    EXPECT_EQ(empty->mD3DData->mFormat, 0);
    EXPECT_TRUE(empty->mD3DData->mPieces.empty());
}

TEST_F(D3DRoad, APalettisedImageCountsItsPaletteOnce)
{
    auto image = Image(16, 8, [](int x, int) { return x < 8 ? 0x80FF0000u : 0xFF00FF00u; });
    ASSERT_TRUE(image->ReduceToPalette());
    ASSERT_TRUE(d3d->PrepareImage(image));
    TextureSet& set = *image->mD3DData;
    EXPECT_EQ(set.mFormat, kTexturePalette8);
    EXPECT_EQ(set.mTextureMemory, 16 * 8 + 1024);
    const SoftPalette* first = set.mPieces[0].mTexture->Palette();
    image->MarkBitsChanged();
    ASSERT_TRUE(d3d->PrepareImage(image));
    EXPECT_EQ(set.mTextureMemory, 16 * 8 + 1024);
    // The pieces read through the palette of the new upload.
    EXPECT_EQ(set.mPieces[0].mTexture->Palette(), set.mPalette.get());
    EXPECT_NE(set.mPalette.get(), first);
    Graphics g(screen);
    g.DrawImage(image, 0, 0);
    // 0x80FF0000 over black: 255 * 129 >> 8.
    EXPECT_EQ(Pixel(3, 3), 0x800000u);
    EXPECT_EQ(Pixel(12, 3), 0x00FF00u);
}

struct ReadBackCase {
    const char* name;
    int flags;
    bool palette;
    uint32_t (*pixel)(int, int);
    uint32_t (*expected)(uint32_t);
};

uint32_t Same(uint32_t c)
{
    return c;
}

uint32_t Through565(uint32_t c)
{
    return D3DInterface::FromR5G6B5(D3DInterface::ToR5G6B5(c));
}

// What the screen shows of a 5-6-5 texel: its channels widened by bit
// replication.
uint32_t Shown565(uint32_t c)
{
    return SWTri::WidenRgb565(D3DInterface::ToR5G6B5(c)) & 0xFFFFFF;
}

uint32_t Through4444(uint32_t c)
{
    return D3DInterface::FromA4R4G4B4(D3DInterface::ToA4R4G4B4(c));
}

class ReadBack : public D3DRoad, public testing::WithParamInterface<ReadBackCase> {};

// Purged pixels come back from the textures when they are asked for.
TEST_P(ReadBack, PurgedPixelsComeBackFromTheTextures)
{
    const ReadBackCase& c = GetParam();
    auto image = Image(70, 40, c.pixel);
    image->mD3DFlags = c.flags;
    if (c.palette) {
        ASSERT_TRUE(image->ReduceToPalette());
    }
    image->mPurgeBits = true;
    ASSERT_TRUE(d3d->PrepareImage(image));
    EXPECT_EQ(image->mBits, nullptr);
    const uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(bits[y * 70 + x], c.expected(c.pixel(x, y))) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadBack,
    testing::Values(ReadBackCase{"Argb8888", 0, false, Translucent, Same},
        ReadBackCase{"Rgb565", 0, false, Gradient, Through565},
        ReadBackCase{"Argb4444", kImageFlagUseA4R4G4B4, false, Translucent, Through4444},
        ReadBackCase{"Palette8", 0, true,
            [](int x, int y) { return (x + y) % 3 == 0 ? 0x40102030u : 0xFFFFEEDDu; }, Same},
        ReadBackCase{"FixedPieces", kImageFlagFixedPieces, false, Translucent, Same}),
    [](const testing::TestParamInfo<ReadBackCase>& info) { return std::string(info.param.name); });

TEST_F(D3DRoad, ReadBackRefusesStaleOrMissingTextures)
{
    auto image = Image(70, 40, Gradient);
    image->mD3DFlags = kImageFlagFixedPieces;
    EXPECT_FALSE(d3d->ReadBackBits(image));
    ASSERT_TRUE(d3d->PrepareImage(image));
    EXPECT_TRUE(d3d->ReadBackBits(image));
    image->MarkBitsChanged();
    EXPECT_FALSE(d3d->ReadBackBits(image));
    ASSERT_TRUE(d3d->PrepareImage(image));
    image->mD3DData->mPieces[1].mTexture.reset();
    EXPECT_FALSE(d3d->ReadBackBits(image));
    image->mD3DData->mFormat = 0;
    EXPECT_FALSE(d3d->ReadBackBits(image));
}

TEST_F(D3DRoad, CleanupKeepsThePixelsOfPurgedImages)
{
    auto image = Image(30, 30, Translucent);
    image->mPurgeBits = true;
    ASSERT_TRUE(d3d->PrepareImage(image));
    ASSERT_EQ(image->mBits, nullptr);
    display.CleanUp();
    EXPECT_EQ(image->mD3DData, nullptr);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->mBits[31], Translucent(1, 1));
    EXPECT_TRUE(d3d->mTextureImages.empty());
}

TEST_F(D3DRoad, DroppingTexturesForgetsTheImage)
{
    auto image = Image(30, 30, Gradient);
    ASSERT_TRUE(d3d->PrepareImage(image));
    EXPECT_EQ(d3d->mTextureImages.count(image), 1u);
    image->FreeTextureBuffers();
    EXPECT_EQ(image->mD3DData, nullptr);
    EXPECT_EQ(d3d->mTextureImages.count(image), 0u);
}

TEST_F(D3DRoad, ASourceRectangleBeyondTheImageIsHeldToIt)
{
    auto image = Image(70, 40, Gradient);
    image->mD3DFlags = kImageFlagFixedPieces;
    d3d->Blt(image, 5, 5, Rect(60, 30, 50, 50), Color::White, kDrawModeNormal, false);
    EXPECT_EQ(d3d->mDevice->DrawCount(), 2);
    EXPECT_EQ(Pixel(5, 5), Shown565(Gradient(60, 30)));
    EXPECT_EQ(Pixel(14, 14), Shown565(Gradient(69, 39)));
    EXPECT_EQ(Pixel(15, 5), 0u);
    d3d->Blt(image, 5, 5, Rect(70, 0, 10, 10), Color::White, kDrawModeNormal, false);
    d3d->Blt(image, 5, 5, Rect(-20, -20, 10, 10), Color::White, kDrawModeNormal, false);
    EXPECT_EQ(d3d->mDevice->DrawCount(), 2);
}

TEST_F(D3DRoad, TrianglesOfOnePieceGoOutInBatchesOfAHundred)
{
    auto image = Image(32, 32, Gradient);
    std::vector<std::array<TriangleVertex, 3>> list(250);
    for (auto& t : list) {
        t[0] = {0, 0, 0, 0, 0};
        t[1] = {10, 0, 1, 0, 0};
        t[2] = {0, 10, 0, 1, 0};
    }
    d3d->DrawTexturedTriangles(image, reinterpret_cast<const TriangleVertex(*)[3]>(list.data()), 250,
        Color::White, kDrawModeNormal, 0, 0, false);
    EXPECT_EQ(d3d->mDevice->DrawCount(), 3);
}

TEST_F(D3DRoad, TrianglesOverSeveralPiecesAreCutPieceByPiece)
{
    auto image = Image(100, 100, Gradient);
    image->mD3DFlags = kImageFlagFixedPieces;
    // Two triangles covering the whole image, drawn at twice its size would
    // differ; at its own size each pixel shows its own texel.
    const TriangleVertex triangles[2][3] = {{{-0.5f, -0.5f, 0, 0, 0}, {99.5f, -0.5f, 1, 0, 0}, {-0.5f, 99.5f, 0, 1, 0}},
        {{99.5f, -0.5f, 1, 0, 0}, {99.5f, 99.5f, 1, 1, 0}, {-0.5f, 99.5f, 0, 1, 0}}};
    d3d->DrawTexturedTriangles(image, triangles, 2, Color::White, kDrawModeNormal, 10, 10, false);
    for (const auto& [x, y] : {std::pair{0, 0}, {63, 63}, {64, 64}, {99, 0}, {0, 99}, {99, 99}, {37, 80}})
        EXPECT_EQ(Pixel(x + 10, y + 10), Shown565(Gradient(x, y))) << x << "," << y;
}

TEST_F(D3DRoad, UntexturedShapes)
{
    Graphics g(screen);
    g.SetColor(Color(0x20, 0x40, 0x60));
    g.FillRect(3, 4, 5, 6);
    EXPECT_EQ(Pixel(3, 4), 0x204060u);
    EXPECT_EQ(Pixel(7, 9), 0x204060u);
    EXPECT_EQ(Pixel(8, 9), 0u);
    EXPECT_EQ(Pixel(7, 10), 0u);
    g.SetColor(Color(0xFF, 0, 0));
    g.DrawLine(20, 30, 24, 30);
    for (int x = 19; x <= 25; ++x)
        EXPECT_EQ(Pixel(x, 30), x >= 20 && x <= 24 ? 0xFF0000u : 0u) << x;
    const Point two[2] = {{0, 0}, {10, 10}};
    const int before = d3d->mDevice->DrawCount();
    EXPECT_TRUE(screen->FillPolygon3D(two, 2, Rect(0, 0, 800, 600), Color::White, kDrawModeNormal, 0, 0));
    EXPECT_EQ(d3d->mDevice->DrawCount(), before);
    const Point triangle[3] = {{100, 100}, {110, 100}, {100, 110}};
    EXPECT_TRUE(screen->FillPolygon3D(triangle, 3, Rect(0, 0, 105, 600), Color(0, 0, 0xFF), kDrawModeNormal, 1, 2));
    EXPECT_EQ(Pixel(101, 102), 0x0000FFu);
    EXPECT_EQ(Pixel(104, 102), 0x0000FFu);
    EXPECT_EQ(Pixel(105, 102), 0u);
}

TEST_F(D3DRoad, ADeviceErrorIsRecordedAndSwitchesThreeDOffAtThePresentation)
{
    EXPECT_FALSE(d3d->CheckResult3D(0, "Nothing"));
    EXPECT_TRUE(d3d->CheckResult3D(Platform::kDDErrSurfaceLost, "Lock Texture"));
    EXPECT_EQ(d3d->mLastError, "Lock Texture: DDERR_SURFACELOST");
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(app.mSettings->QueryValue("SOFTWARE\\Tavoren\\Zarquel\\Test3D", "RuntimeError", type, data));
    EXPECT_EQ(type, Platform::kSettingString);
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("Lock Texture: DDERR_SURFACELOST") + '\0');
    // A scene closed after the error keeps it.
    Graphics g(screen);
    g.FillRect(0, 0, 2, 2);
    d3d->EndOpenScene();
    EXPECT_FALSE(d3d->mLastError.empty());
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_FALSE(display.mIs3D);
    EXPECT_EQ(display.mErrorString, "Lock Texture: DDERR_SURFACELOST");
}

TEST_F(D3DRoad, EachFrameIsOneScene)
{
    Graphics g(screen);
    g.FillRect(0, 0, 2, 2);
    EXPECT_TRUE(d3d->mSceneOpen);
    EXPECT_TRUE(display.Redraw(nullptr));
    EXPECT_FALSE(d3d->mSceneOpen);
    EXPECT_FALSE(d3d->mDevice->InScene());
    EXPECT_TRUE(d3d->mLastError.empty());
    window.minimized = true;
    g.FillRect(0, 0, 2, 2);
    EXPECT_FALSE(d3d->mSceneOpen);
}

// A polygon cut by the clip rectangle covers exactly the pixels it covers
// unclipped that lie inside the rectangle: the cut follows its edges, and
// each bound takes its own side (a triangle, a quad, corners cut off).
TEST_F(D3DRoad, AClippedPolygonIsTheUnclippedOneInsideTheClip)
{
    // No edge passes through a pixel centre between its corners, so that
    // no centre lies on an edge whose cut moves it by a rounding.
    const struct { const char* what; std::vector<Point> points; Rect clip; } cases[] = {
        {"twoCornersPastTheRight", {{100, 100}, {141, 111}, {141, 89}}, Rect(90, 80, 30, 40)},
        {"oneCornerPastTheLeft", {{79, 100}, {131, 85}, {126, 131}}, Rect(96, 70, 60, 80)},
        {"pastTheTopAndBottom", {{111, 59}, {151, 100}, {110, 151}}, Rect(90, 80, 80, 48)},
        {"diamondOverEverySide", {{120, 69}, {171, 121}, {119, 170}, {70, 118}}, Rect(90, 90, 61, 59)},
    };
    const auto shown = [&](const std::vector<Point>& points, const Rect& clip) {
        Graphics g(screen);
        g.SetColor(Color(0, 0, 0));
        g.FillRect(0, 0, 800, 600);
        EXPECT_TRUE(screen->FillPolygon3D(points.data(), static_cast<int>(points.size()), clip,
            Color(0x30, 0x60, 0x90), kDrawModeNormal, 0, 0));
        std::vector<uint32_t> window;
        for (int y = 50; y < 200; ++y)
            for (int x = 50; x < 200; ++x)
                window.push_back(Pixel(x, y));
        return window;
    };
    for (const auto& c : cases) {
        const std::vector<uint32_t> whole = shown(c.points, Rect(0, 0, 800, 600));
        const std::vector<uint32_t> cut = shown(c.points, c.clip);
        int inside = 0;
        for (int y = 50; y < 200; ++y)
            for (int x = 50; x < 200; ++x) {
                const size_t i = static_cast<size_t>((y - 50) * 150 + x - 50);
                const bool clipped = x >= c.clip.mX && x < c.clip.mX + c.clip.mWidth && y >= c.clip.mY &&
                                     y < c.clip.mY + c.clip.mHeight;
                EXPECT_EQ(cut[i], clipped ? whole[i] : 0u) << c.what << " at " << x << "," << y;
                inside += cut[i] != 0;
            }
        EXPECT_GT(inside, 50) << c.what;
    }
}

// Corners at the ends of the float range on the 3D road: clipped to the
// clip rectangle in floats, then held to fixed point; nothing lands outside
// the clip and no conversion overflows.
TEST_F(D3DRoad, HugeMatricesDrawNothingOutsideTheClip)
{
    auto sprite = Image(2, 2, Gradient);
    const Rect clip(100, 80, 40, 30);
    for (const Testing::HugeMatrix& m : Testing::HugeMatrices()) {
        Graphics g(screen);
        g.SetColor(Color(0, 0, 0));
        g.FillRect(0, 0, 800, 600);
        g.ClipRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight);
        g.DrawImageByMatrix(sprite, m.matrix, Rect(0, 0, 2, 2), 120.0f, 95.0f);
        Platform::Surface& surface = *display.mDrawSurface;
        Platform::LockedPixels locked;
        ASSERT_EQ(surface.Lock(locked), Platform::kDDOk);
        int outside = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                uint32_t p;
                std::memcpy(&p, locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch + x * 4, 4);
                const bool clipped = x >= clip.mX && x < clip.mX + clip.mWidth && y >= clip.mY &&
                                     y < clip.mY + clip.mHeight;
                outside += (p & 0xFFFFFF) != 0 && !clipped;
            }
        surface.Unlock();
        EXPECT_EQ(outside, 0) << m.name;
    }
}

// The colour bits of the top left width x height pixels of a 16- or 32-bit
// surface, row by row.
std::vector<uint32_t> ScreenPixels(Platform::Surface& surface, int width, int height)
{
    std::vector<uint32_t> pixels;
    Platform::LockedPixels locked;
    EXPECT_EQ(surface.Lock(locked), Platform::kDDOk);
    const int bytes = surface.Format().BytesPerPixel();
    const uint32_t colorBits = surface.Format().redMask | surface.Format().greenMask | surface.Format().blueMask;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = 0;
            std::memcpy(&p, locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch + x * bytes, static_cast<size_t>(bytes));
            pixels.push_back(p & colorBits);
        }
    surface.Unlock();
    return pixels;
}

// Twin sprites, scaled and turned, on an opaque backdrop: one laid over it
// once, then forced opaque; the other forced opaque before its first
// drawing. Forced to the flags it has, an image keeps its textures.
TEST_F(D3DRoad, AlphaFlagsForcedAfterADrawingDecideTheNextDrawing)
{
    const auto stripes = [](int x, int) { return x % 2 != 0 ? 0x80C09040u : 0u; };
    MemoryImage* drawnFirst = Image(40, 30, stripes);
    MemoryImage* forcedFirst = Image(40, 30, stripes);
    forcedFirst->ForceAlphaFlags(false, false);
    Graphics g(screen);
    Transform t;
    t.Scale(1.7f, 1.7f);
    t.RotateRad(0.6f);
    const auto draw = [&](MemoryImage* image) {
        g.SetColor(Color(0x30, 0x60, 0x90));
        g.FillRect(0, 0, 120, 100);
        g.SetColor(Color::White);
        g.DrawImageTransform(image, t, 60.0f, 50.0f);
        return ScreenPixels(*display.mDrawSurface, 120, 100);
    };
    const std::vector<uint32_t> laidOver = draw(drawnFirst);
    const std::shared_ptr<SoftTexture> texture = drawnFirst->mD3DData->mPieces[0].mTexture;
    const uint64_t uploads = texture->Changes();
    drawnFirst->ForceAlphaFlags(true, true);
    EXPECT_EQ(draw(drawnFirst), laidOver);
    EXPECT_EQ(drawnFirst->mD3DData->mPieces[0].mTexture, texture);
    EXPECT_EQ(texture->Changes(), uploads);
    drawnFirst->ForceAlphaFlags(false, false);
    const std::vector<uint32_t> after = draw(drawnFirst);
    const std::vector<uint32_t> twin = draw(forcedFirst);
    int differing = 0;
    int forcedApart = 0;
    for (size_t i = 0; i < twin.size(); ++i) {
        differing += after[i] != twin[i];
        forcedApart += laidOver[i] != twin[i];
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(forcedApart, 1000);
}

// The same scene on the 2D road and the 3D road. Opaque blits match
// exactly. Elsewhere a channel may differ by one step: the 2D fill of an
// opaque colour lays c * 255 >> 8 (0x10 becomes 0x0F) where the rasteriser
// lays c exactly, and the translucent and additive blends round their
// products differently.
class TwoRoads : public Testing::DisplayFixture {
protected:
    std::vector<uint32_t> Draw(bool threeD)
    {
        display.mIs3D = threeD;
        EXPECT_EQ(Init(true), Vorn::DDInterface::RESULT_OK);
        auto opaque = std::make_unique<MemoryImage>(&app);
        auto glow = std::make_unique<MemoryImage>(&app);
        auto glass = std::make_unique<MemoryImage>(&app);
        std::vector<uint32_t> a(40 * 30);
        std::vector<uint32_t> b(40 * 30);
        std::vector<uint32_t> c(40 * 30);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const size_t i = static_cast<size_t>(y * 40 + x);
                a[i] = 0xFF000000u | static_cast<uint32_t>(x * 6) << 16 | static_cast<uint32_t>(y * 8) << 8 | 0x5A;
                b[i] = 0xFF000000u | static_cast<uint32_t>(x * 3) << 8 | 0x30;
                c[i] = static_cast<uint32_t>(x * 6) << 24 | 0x00C08040u;
            }
        }
        opaque->SetBits(a.data(), 40, 30);
        opaque->mD3DFlags = kImageFlagUseA8R8G8B8;
        glow->SetBits(b.data(), 40, 30);
        glow->mD3DFlags = kImageFlagUseA8R8G8B8;
        glass->SetBits(c.data(), 40, 30);
        Graphics g(display.GetScreenImage());
        g.SetColor(Color(0x10, 0x20, 0x30));
        g.FillRect(0, 0, 120, 80);
        g.DrawImage(opaque.get(), 5, 5);
        g.SetDrawMode(kDrawModeAdditive);
        g.DrawImage(glow.get(), 30, 20);
        g.SetDrawMode(kDrawModeNormal);
        g.DrawImage(glass.get(), 70, 40);
        display.Redraw(nullptr);
        std::vector<uint32_t> pixels = ScreenPixels(*display.mDrawSurface, 120, 80);
        display.CleanUp();
        return pixels;
    }
};

TEST_F(TwoRoads, TheSameSceneMatchesPixelForPixel)
{
    const std::vector<uint32_t> flat = Draw(false);
    const std::vector<uint32_t> deep = Draw(true);
    ASSERT_EQ(flat.size(), deep.size());
    int differing = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            const size_t i = static_cast<size_t>(y * 120 + x);
            const bool opaqueOnly = x >= 5 && x < 45 && y >= 5 && y < 35 && !(x >= 30 && y >= 20);
            if (opaqueOnly) {
                ASSERT_EQ(flat[i], deep[i]) << x << "," << y;
                continue;
            }
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = static_cast<int>((flat[i] >> shift) & 0xFF) - static_cast<int>((deep[i] >> shift) & 0xFF);
                ASSERT_LE(std::abs(d), 1) << x << "," << y;
            }
            differing += flat[i] != deep[i];
        }
    }
    // The plain fill around the images differs in every pixel.
    EXPECT_EQ(flat[0], 0x0F1F2Fu);
    EXPECT_EQ(deep[0], 0x102030u);
    EXPECT_GT(differing, 0);
}

// A rotated and scaled sprite drawn about its centre on both roads. The 3D
// road places the turned corners at the position itself; the 2D road (the
// matrix blit on the locked surface) moves them half a pixel up and left,
// so that an unturned sprite lands texel for pixel. So the 3D road draws
// the sprite half a pixel down and right of the 2D road, and the two agree
// once the 2D road is given the position plus half a pixel.
//
// How closely they agree: both roads hand their triangles to one
// rasteriser, with the same texels (the sprite's texture keeps 8 bits a
// channel, and its padding repeats the edge texels where the 2D road holds
// its samples to the edge). Where no clip cuts the sprite, the corners are
// the same floats (all lie between 64 and 128, where adding half a pixel
// and taking it away again is exact), so every pixel must match. Where the
// clip cuts it, the 2D road clips each triangle of the strip and the 3D
// road the whole quad, and the pieces' interpolants round apart: a sample's
// 8-bit fraction may move by one step, which moves a bilinear mix of two
// texels by less than one per axis, so a channel may differ by 2 at most.
// The fixed sprite and clip put no pixel centre on a texel edge, where a
// point sample could take the neighbouring texel. A half-pixel shift of
// either road moves channels by up to 208 (the checker edges of the cel)
// in hundreds of pixels.
struct ShiftCase {
    std::string name;
    int depth;
    bool linear;
    Rect clip;
    int tolerance;
};

void PrintTo(const ShiftCase& c, std::ostream* out)
{
    *out << c.name;
}

class CentredSprites : public Testing::DisplayFixture, public testing::WithParamInterface<ShiftCase> {
protected:
    static constexpr int kSize = 160;

    // The screen after an opaque backdrop and the sprite about (x, y).
    std::vector<uint32_t> Draw(bool threeD, float x, float y)
    {
        const ShiftCase& c = GetParam();
        display.mIs3D = threeD;
        EXPECT_EQ(Init(true, c.depth), Vorn::DDInterface::RESULT_OK);
        EXPECT_EQ(display.GetScreenImage()->UsesDirect3D(), threeD);
        auto backdrop = std::make_unique<MemoryImage>(&app);
        auto sprite = std::make_unique<MemoryImage>(&app);
        std::vector<uint32_t> under(kSize * kSize);
        for (int py = 0; py < kSize; ++py)
            for (int px = 0; px < kSize; ++px)
                under[static_cast<size_t>(py * kSize + px)] =
                    0xFF000000u | static_cast<uint32_t>(px) << 16 | static_cast<uint32_t>(py) << 8 | 0x40;
        // A sheet of four 40 x 30 cels, each a soft rim around a hard-edged
        // pattern: alpha from 0 up to opaque, and neighbouring texels far
        // apart, so that any shift of the samples shows in the colours. The
        // last cel is drawn, so that its corner in the sheet counts too.
        std::vector<uint32_t> pixels(80 * 60);
        for (int py = 0; py < 60; ++py)
            for (int px = 0; px < 80; ++px) {
                const int cx = px % 40;
                const int cy = py % 30;
                const int rim = std::min({cx, cy, 39 - cx, 29 - cy});
                const uint32_t alpha = rim >= 4 ? 255 : static_cast<uint32_t>(rim * 60);
                const uint32_t red = (cx / 3 + cy / 3) % 2 ? 0xF0 : 0x20;
                const uint32_t blue = static_cast<uint32_t>(cy * 2 + (px / 40 + py / 30 * 2) * 60);
                pixels[static_cast<size_t>(py * 80 + px)] =
                    alpha << 24 | red << 16 | static_cast<uint32_t>(cx * 6) << 8 | blue;
            }
        backdrop->SetBits(under.data(), kSize, kSize);
        backdrop->mD3DFlags = kImageFlagUseA8R8G8B8;
        sprite->SetBits(pixels.data(), 80, 60);
        sprite->mD3DFlags = kImageFlagUseA8R8G8B8;
        Graphics g(display.GetScreenImage());
        g.DrawImage(backdrop.get(), 0, 0);
        g.ClipRect(c.clip.mX, c.clip.mY, c.clip.mWidth, c.clip.mHeight);
        g.SetSmoothBlend(c.linear);
        Transform t;
        t.Scale(1.25f, 0.75f);
        t.RotateRad(0.5f);
        g.DrawImageTransform(sprite.get(), t, Rect(40, 30, 40, 30), x, y);
        display.Redraw(nullptr);
        format = display.mDrawSurface->Format();
        std::vector<uint32_t> out = ScreenPixels(*display.mDrawSurface, kSize, kSize);
        display.CleanUp();
        return out;
    }

    // How many pixels have a channel field further apart than `tolerance`
    // steps of that field.
    int Beyond(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance) const
    {
        int count = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            bool far = false;
            for (uint32_t mask : {format.redMask, format.greenMask, format.blueMask}) {
                const int shift = Platform::PixelFormat::Shift(mask);
                far = far || std::abs(static_cast<int>((a[i] & mask) >> shift) -
                                      static_cast<int>((b[i] & mask) >> shift)) > tolerance;
            }
            count += far;
        }
        return count;
    }

    Platform::PixelFormat format;
};

TEST_P(CentredSprites, TheThreeDRoadDrawsHalfAPixelDownAndRight)
{
    const int tolerance = GetParam().tolerance;
    const std::vector<uint32_t> deep = Draw(true, 96.0f, 96.0f);
    const std::vector<uint32_t> shifted = Draw(false, 96.5f, 96.5f);
    const std::vector<uint32_t> flat = Draw(false, 96.0f, 96.0f);
    ASSERT_EQ(deep.size(), shifted.size());
    EXPECT_EQ(Beyond(deep, shifted, tolerance), 0);
    // Unshifted, hundreds of pixels lie further apart than the tolerance.
    EXPECT_GT(Beyond(deep, flat, tolerance), 300);
}

// 16-bit pixels keep the top 5 or 6 bits of a channel: a channel 2 apart
// is at most one step of its field apart.
INSTANTIATE_TEST_SUITE_P(Roads, CentredSprites,
    testing::Values(ShiftCase{"Bilinear", 32, true, Rect(0, 0, 160, 160), 0},
        ShiftCase{"Point", 32, false, Rect(0, 0, 160, 160), 0},
        ShiftCase{"BilinearClipped", 32, true, Rect(78, 76, 36, 40), 2},
        ShiftCase{"PointClipped", 32, false, Rect(78, 76, 36, 40), 2},
        ShiftCase{"Bilinear16", 16, true, Rect(0, 0, 160, 160), 0},
        ShiftCase{"BilinearClipped16", 16, true, Rect(78, 76, 36, 40), 1}),
    Testing::CaseName<ShiftCase>);

} // namespace
