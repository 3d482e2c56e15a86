#include "framework/graphics/ImageFont.h"

#include "framework/app/VornAppBase.h"

#include "fakes/FontFolder.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/FontData.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using Testing::Tga;
using Vorn::Color;
using Vorn::Graphics;
using Vorn::ImageFont;
using Vorn::Rect;

// A 16 x 8 image "f.tga" whose pixel (x, y) is 0xFF000000 + (y << 8) + x, and
// a descriptor "f.txt" written by each test; fonts draw onto a recording
// image that writes down each blit.
class ImageFontTest : public Testing::FontFolder, public ::testing::Test {
protected:
    ImageFontTest()
    {
        std::vector<uint32_t> pixels;
        for (uint32_t y = 0; y < 8; ++y)
            for (uint32_t x = 0; x < 16; ++x)
                pixels.push_back(0xFF000000u + (y << 8) + x);
        Write("f.tga", Tga(16, 8, pixels));
    }

    ImageFont& Font(const std::string& descriptor)
    {
        Write("f.txt", descriptor);
        mFont = std::make_unique<ImageFont>(&mApp, "f.txt");
        EXPECT_TRUE(mApp.mFatalErrors.empty()) << ::testing::PrintToString(mApp.mFatalErrors);
        return *mFont;
    }
    // The blits of drawing the text at (x, y), with the width drawn.
    std::vector<std::string> Draw(const std::string& text, int x = 10, int y = 20,
        const Color& color = Color::White, int* width = nullptr, std::vector<Rect>* rects = nullptr)
    {
        mScreen.mCalls.clear();
        mFont->DrawStringLayered(&mGraphics, x, y, text, color, Rect(), rects, width);
        return mScreen.mCalls;
    }

    std::unique_ptr<ImageFont> mFont;
    RecordingImage mScreen{20000, 100, "screen"};
    Graphics mGraphics{&mScreen};
};

// A layer of the image with 'A' at (0, 0, 3, 8) advancing 4 and 'V' at
// (3, 0, 5, 8) advancing 6, ascent 8.
std::string Layer(const std::string& name, const std::string& more = "")
{
    return "CreateLayer " + name + ";\nLayerSetImage " + name + " 'f.tga';\nLayerSetImageMap " + name +
           " ('A' 'V') ((0 0 3 8) (3 0 5 8));\nLayerSetCharWidths " + name + " ('A' 'V') (4 6);\nLayerSetAscent " +
           name + " 8;\n" + more;
}

const char* const kWhite = "#ffffffff m0";

TEST_F(ImageFontTest, EveryOutlinePieceIsDrawnBeforeAnyFill)
{
    Font(Layer("Fill") + Layer("Outline", "LayerSetBaseOrder Outline -1;\nLayerSetOffset Outline (-1 -1);\n"));
    int width = 0;
    EXPECT_EQ(Draw("AV", 10, 20, Color::White, &width),
        (std::vector<std::string>{"Blt f.tga 9,11 src=0,0,3,8 #ffffffff m0", "Blt f.tga 13,11 src=3,0,5,8 #ffffffff m0",
            "Blt f.tga 10,12 src=0,0,3,8 #ffffffff m0", "Blt f.tga 14,12 src=3,0,5,8 #ffffffff m0"}));
    EXPECT_EQ(width, 10);
}

// Glyph order + base order + 128, held to 0..255; told apart by their x
// offsets.
TEST_F(ImageFontTest, OrdersAreHeldTo0To255AndKeepTheirMakingOrderWithin)
{
    const struct {
        const char* name;
        int baseOrder;
    } layers[] = {
        {"L1", 200},  // 255
        {"L2", 127},  // 255, after L1
        {"L3", 126},  // 254
        {"L4", -300}, // 0
        {"L5", -128}, // 0, after L4
        {"L6", -129}, // 0, after L5
        {"L7", -127}, // 1
    };
    std::string descriptor;
    for (int i = 0; i < 7; ++i) {
        const std::string name = layers[i].name;
        descriptor += Layer(name, "LayerSetBaseOrder " + name + " " + std::to_string(layers[i].baseOrder) +
                                      ";\nLayerSetOffset " + name + " (" + std::to_string(i + 1) + " 0);\n");
    }
    // Glyph order 2147483647 + 1 takes no wrap.
    Font(descriptor + Layer("L8", "LayerSetBaseOrder L8 1;\nLayerSetCharOrders L8 ('A') (2147483647);\n"
                                  "LayerSetOffset L8 (8 0);\n"));
    std::string xs;
    for (const std::string& call : Draw("A", 0, 8))
        xs += call.substr(10, 1);
    EXPECT_EQ(xs, "45673128");
}

TEST_F(ImageFontTest, PiecesSitAtPenPlusOffsetsBelowTheAscent)
{
    Font(Layer("Fill", "LayerSetOffset Fill (2 -3);\nLayerSetCharOffsets Fill ('V') ((1 4));\n"));
    std::vector<Rect> rects;
    Draw("AV", 10, 20, Color::White, nullptr, &rects);
    // x: pen + glyph x + layer x; y: baseline - (ascent - glyph y - layer y).
    EXPECT_EQ(rects, (std::vector<Rect>{Rect(12, 9, 3, 8), Rect(17, 13, 5, 8)}));
}

TEST_F(ImageFontTest, PositionSumsTakeNoWrap)
{
    Font(Layer("Fill", "LayerSetOffset Fill (2147483647 -2147483647);\nLayerSetCharOffsets Fill ('A') ((2147483647 0));"
                       "\nLayerSetAscent Fill 2147483647;\n"));
    std::vector<Rect> rects;
    EXPECT_TRUE(Draw("A", 10, -20, Color::White, nullptr, &rects).empty());
    EXPECT_EQ(rects, std::vector<Rect>{Rect(std::numeric_limits<int>::max(), std::numeric_limits<int>::min(), 3, 8)});
}

// Measuring takes the kerning of each character with the one before it;
// drawing advances by the kerning with the one after. Per character the
// widest layer counts, so the two differ when the layers differ.
TEST_F(ImageFontTest, WidthsMeasuredAndDrawnForTwoLayers)
{
    const std::string fill = Layer("Fill", "LayerSetSpacing Fill 1;\nLayerSetKerningPairs Fill ('AV') (-2);\n");
    const struct {
        std::string outline;
        int measured, drawn;
    } cases[] = {
        // Fill: A 4, V after A 6 - 2 + 1, A before V 4 - 2 + 1; outline A 4, V 6.
        {Layer("Outline"), 4 + 6, 4 + 6},
        // Outline A 6, V 4: measured max(4, 6) + max(5, 4), drawn max(3, 6) + max(6, 4).
        {Layer("Outline", "LayerSetCharWidths Outline ('A' 'V') (6 4);\n"), 6 + 5, 6 + 6},
    };
    for (const auto& c : cases) {
        ImageFont& font = Font(fill + c.outline);
        int drawn = 0;
        Draw("AV", 10, 20, Color::White, &drawn);
        EXPECT_EQ(font.StringWidth("AV"), c.measured);
        EXPECT_EQ(drawn, c.drawn);
    }
    ImageFont& font = Font(fill);
    EXPECT_EQ(font.CharWidthWithKerning('V', 'A'), 6 - 2 + 1);
    EXPECT_EQ(font.CharWidthWithKerning('V', 0), 6);
    EXPECT_EQ(font.CharWidth('A'), 4);
    EXPECT_EQ(font.StringWidth("AVA"), 4 + 5 + 4 + 1);
}

TEST_F(ImageFontTest, KerningAndSpacingSumsTakeNoWrap)
{
    ImageFont& font = Font(Layer("Fill", "LayerSetSpacing Fill 2147483647;\nLayerSetKerningPairs Fill ('AV') (127);\n"));
    EXPECT_EQ(font.CharWidthWithKerning('V', 'A'), std::numeric_limits<int>::max());
    EXPECT_EQ(font.StringWidth("AVAV"), std::numeric_limits<int>::max());
    int width = 0;
    Draw("AV", 0, 8, Color::White, &width);
    EXPECT_EQ(width, std::numeric_limits<int>::max());
}

// Of a 12-pixel strip, 'A' takes 10 and 'B' 5: 'B' reaches past the edge,
// keeps its advance and is not drawn.
TEST_F(ImageFontTest, AWidthListGlyphPastTheEdgeAdvancesWithoutPixels)
{
    Write("w.txt", "0 6 A 10 B 5 C 1");
    Vorn::MemoryImage strip(nullptr);
    strip.mFilePath = "strip";
    strip.SetBits(std::vector<uint32_t>(12 * 6, 0xFF102030u).data(), 12, 6);
    ImageFont font(&strip, "w.txt");
    ASSERT_TRUE(font.mFontData->mInitialized);
    int width = 0;
    mScreen.mCalls.clear();
    font.DrawStringLayered(&mGraphics, 0, 6, "AbA", Color::White, Rect(), nullptr, &width);
    EXPECT_EQ(mScreen.mCalls,
        (std::vector<std::string>{"Blt strip 0,0 src=0,0,10,6 #ffffffff m0", "Blt strip 15,0 src=0,0,10,6 #ffffffff m0"}));
    EXPECT_EQ(width, 25);
    EXPECT_EQ(font.CharWidth('C'), 0);
}

// A width-list font's data has no application: its rendered layers belong to
// the program's, a descriptor font's to the font's own.
TEST_F(ImageFontTest, RenderedLayersBelongToTheFontsApplicationOrTheProgramsOne)
{
    Write("w.txt", "0 6 A 3");
    Vorn::MemoryImage strip(nullptr);
    strip.SetBits(std::vector<uint32_t>(12 * 6, 0xFF102030u).data(), 12, 6);
    Testing::ScriptedClock clock;
    Testing::ScriptedApp program(clock);
    ASSERT_EQ(Vorn::gApplication, &program);
    ImageFont listed(&strip, "w.txt");
    listed.SetScale(2.0);
    listed.Prepare();
    EXPECT_EQ(listed.mActiveLayerList.at(0).mScaledImage->mApp, &program);
    Write("f.txt", Layer("Fill"));
    ImageFont described(&mApp, "f.txt");
    described.SetScale(2.0);
    described.Prepare();
    EXPECT_EQ(described.mActiveLayerList.at(0).mScaledImage->mApp, &mApp);
}

TEST_F(ImageFontTest, CharactersFrom0x80IndexTheirOwnGlyphs)
{
    ImageFont& font = Font("CreateLayer Fill;\nLayerSetImage Fill 'f.tga';\nLayerSetAscent Fill 8;\n"
                           "LayerSetImageMap Fill ('\xE9' '\xFF') ((1 0 2 8) (9 0 4 8));\n"
                           "LayerSetCharWidths Fill ('\xE9' '\xFF') (3 5);\n"
                           "LayerSetKerningPairs Fill ('\xE9\xFF') (-1);\nSetCharMap ('\xC9') ('\xE9');\n");
    int width = 0;
    EXPECT_EQ(Draw("\xC9\xFF", 0, 8, Color::White, &width),
        (std::vector<std::string>{"Blt f.tga 0,0 src=1,0,2,8 #ffffffff m0", "Blt f.tga 2,0 src=9,0,4,8 #ffffffff m0"}));
    EXPECT_EQ(width, 3 - 1 + 5);
    EXPECT_EQ(font.StringWidth("\xE9\xFF"), 7);
}

// Code 0 is a character like any other, at any scale.
TEST_F(ImageFontTest, TheCharacterOfCode0HasItsGlyph)
{
    const std::string nul(1, '\0');
    ImageFont& font = Font(Layer("Fill", "LayerSetImageMap Fill ('" + nul + "') ((5 0 2 8));\nLayerSetCharWidths Fill ('" +
                                             nul + "') (3);\n"));
    EXPECT_EQ(Draw(std::string(1, '\0'), 0, 8), std::vector<std::string>{"Blt f.tga 0,0 src=5,0,2,8 #ffffffff m0"});
    font.SetScale(2.0);
    EXPECT_EQ(font.CharWidth('\0'), 6);
    EXPECT_EQ(font.mActiveLayerList.at(0).mCharRects[0], Rect(0, 0, 4, 16));
}

TEST_F(ImageFontTest, ColourIsMultipliedThenAddedAndHeldTo0To255)
{
    const Color asked(10, 20, 30, 40);
    const struct {
        const char* mult;
        const char* add;
        const char* expected;
    } cases[] = {
        {"(1 1 1 1)", "(0 0 0 0)", "#280a141e"},
        {"(1 1 1 1)", "(1 0 0 0)", "#28ff141e"},
        // A multiplier above 1 brightens: 510 × 10 / 255 = 20.
        // 127 × 30 / 255 = 14.9.
        {"(2 1 0.5 1)", "(0 0 0 0)", "#2814140e"},
        {"(1 1 1 1)", "(-1 0.2 0 0)", "#2800471e"},
        {"(300 1 1 1)", "(0 0 0 0)", "#28ff141e"},
        // Packed 0xFF000000; alpha 255 × 40 / 255 + 25.
        {"-16777216", "(0 0 0 0.1)", "#41000000"},
    };
    for (const auto& c : cases) {
        Font(Layer("Fill", std::string("LayerSetColorMult Fill ") + c.mult + ";\nLayerSetColorAdd Fill " + c.add +
                               ";\n"));
        const std::vector<std::string> calls = Draw("A", 0, 8, asked);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0], std::string("Blt f.tga 0,0 src=0,0,3,8 ") + c.expected + " m0") << c.mult << c.add;
    }
}

TEST_F(ImageFontTest, ALayersDrawModeHoldsForItsPiecesOnly)
{
    Font(Layer("Fill") + Layer("Glow", "LayerSetDrawMode Glow 1;\n"));
    mGraphics.SetDrawMode(0);
    mGraphics.SetColor(Color(1, 2, 3, 4));
    EXPECT_EQ(Draw("A", 0, 8), (std::vector<std::string>{"Blt f.tga 0,0 src=0,0,3,8 #ffffffff m0",
                                   "Blt f.tga 0,0 src=0,0,3,8 #ffffffff m1"}));
    EXPECT_EQ(mGraphics.GetDrawMode(), 0);
    EXPECT_EQ(mGraphics.GetColor(), Color(1, 2, 3, 4));
    EXPECT_FALSE(mGraphics.GetColorize());
    mGraphics.SetDrawMode(1);
    EXPECT_EQ(Draw("A", 0, 8)[0], "Blt f.tga 0,0 src=0,0,3,8 #ffffffff m1");
}

TEST_F(ImageFontTest, MetricsTakeTheWidestLayersAndTheFirstSetsPaddingAndLineSpacing)
{
    ImageFont& font = Font(Layer("L1", "LayerSetAscentPadding L1 3;\nLayerSetLineSpacingOffset L1 -5;\n") +
                           Layer("L2", "LayerSetAscent L2 12;\nLayerSetHeight L2 20;\nLayerSetAscentPadding L2 1;\n"
                                       "LayerSetLineSpacingOffset L2 -7;\n"));
    EXPECT_EQ(font.GetAscent(), 12);
    EXPECT_EQ(font.GetHeight(), 20);
    EXPECT_EQ(font.GetAscentPadding(), 1);
    EXPECT_EQ(font.GetLineSpacingOffset(), -5);
    ImageFont& glyphHeight = Font(Layer("L1", "LayerSetCharOffsets L1 ('A') ((0 3));\n"
                                              "LayerSetImageMap L1 ('A') ((0 0 3 8));\n"));
    EXPECT_EQ(glyphHeight.GetHeight(), 11);
}

TEST_F(ImageFontTest, TagsAndPointRangesChooseTheLayers)
{
    ImageFont& font = Font(Layer("Bold", "LayerRequireTags Bold ('bold');\nLayerSetOffset Bold (1 0);\n") +
                           Layer("Plain", "LayerExcludeTags Plain ('Bold');\nLayerSetOffset Plain (2 0);\n") +
                           Layer("Mid", "LayerPointRange Mid 10 20;\nLayerSetOffset Mid (3 0);\n") +
                           Layer("Big", "LayerPointRange Big 15 -1;\nLayerSetOffset Big (4 0);\n"));
    const auto xs = [&](int pointSize) {
        font.SetPointSize(pointSize);
        std::string result;
        for (const std::string& call : Draw("A", 0, 8))
            result += call.substr(10, 1);
        return result;
    };
    EXPECT_EQ(xs(9), "2");
    EXPECT_EQ(xs(10), "23");
    EXPECT_EQ(xs(20), "234");
    EXPECT_EQ(xs(21), "24");
    EXPECT_TRUE(font.AddTag("bold"));
    EXPECT_FALSE(font.AddTag("bold"));
    EXPECT_FALSE(font.AddTag("BOLD"));
    EXPECT_TRUE(font.HasTag("BOLD"));
    EXPECT_EQ(font.mTags, std::vector<std::string>{"BOLD"});
    EXPECT_EQ(xs(10), "13");
    EXPECT_FALSE(font.RemoveTag("italic"));
    EXPECT_TRUE(font.RemoveTag("Bold"));
    EXPECT_EQ(xs(10), "23");
}

TEST_F(ImageFontTest, AtTheLayersOwnSizeItsImageIsUsedAsItIs)
{
    ImageFont& font = Font("SetDefaultPointSize 16;\n" + Layer("Fill", "LayerSetPointSize Fill 16;\n"));
    ASSERT_EQ(font.mActiveLayerList.size(), 1u);
    EXPECT_EQ(font.mActiveLayerList[0].mScaledImage, nullptr);
    EXPECT_EQ(font.mActiveLayerList[0].mImage, font.mFontData->mFontLayerList.front().mImage.GetImage());
}

// Point size 12 of a layer drawn at 16: three quarters, truncated.
TEST_F(ImageFontTest, AnotherPointSizeRendersTheGlyphsScaled)
{
    ImageFont& font = Font("SetDefaultPointSize 16;\n" +
                           Layer("Fill", "LayerSetPointSize Fill 16;\nLayerSetSpacing Fill 2;\n"
                                         "LayerSetKerningPairs Fill ('AV') (3);\nLayerSetOffset Fill (3 -5);\n"
                                         "LayerSetAscentPadding Fill 3;\n"));
    font.SetPointSize(12);
    EXPECT_EQ(font.CharWidth('A'), 3);
    EXPECT_EQ(font.CharWidth('V'), 4);
    EXPECT_EQ(font.CharWidthWithKerning('V', 'A'), 4 + 3);
    EXPECT_EQ(font.GetAscent(), 6);
    EXPECT_EQ(font.GetHeight(), 6);
    EXPECT_EQ(font.GetAscentPadding(), 2);
    const auto& active = font.mActiveLayerList.at(0);
    EXPECT_DOUBLE_EQ(active.mScale, 0.75);
    EXPECT_EQ(active.mCharRects['A'], Rect(0, 0, 2, 6));
    EXPECT_EQ(active.mCharRects['V'], Rect(2, 0, 3, 6));
    ASSERT_NE(active.mScaledImage, nullptr);
    EXPECT_EQ(active.mImage, active.mScaledImage.get());
    EXPECT_EQ(active.mScaledImage->mWidth * 100 + active.mScaledImage->mHeight, 5 * 100 + 6);
    std::vector<Rect> rects;
    int width = 0;
    Draw("AV", 10, 20, Color::White, &width, &rects);
    // x: 10 + trunc(3 × 0.75); y: 20 - trunc((8 + 5) × 0.75); A advances 3 + trunc(5 × 0.75).
    EXPECT_EQ(rects, (std::vector<Rect>{Rect(12, 11, 2, 6), Rect(12 + 6, 11, 3, 6)}));
    EXPECT_EQ(width, 6 + 4);
}

// Twice the scale of point size 12 of a layer drawn at 16: one and a half.
TEST_F(ImageFontTest, AScaleMultipliesThePointSizesRatio)
{
    ImageFont& font = Font("SetDefaultPointSize 16;\n" + Layer("Fill", "LayerSetPointSize Fill 16;\n"));
    font.SetPointSize(12);
    font.SetScale(2.0);
    EXPECT_EQ(font.CharWidth('A'), 6);
    EXPECT_EQ(font.CharWidth('V'), 9);
    EXPECT_DOUBLE_EQ(font.mActiveLayerList.at(0).mScale, 1.5);
}

// A layer drawn at one point whose 'A' and 'V' are the first row of their
// glyphs: rendered large, its image is as wide as with whole glyphs and an
// eighth as high.
std::string OneRowLayer(const std::string& name)
{
    return Layer(name, "LayerSetPointSize " + name + " 1;\nLayerSetImageMap " + name +
                           " ('A' 'V') ((0 0 3 1) (3 0 5 1));\n");
}

// The glyphs side by side are 3 + 5 wide: from 1024 times on they would
// pass 8192.
TEST_F(ImageFontTest, AHugeScaleRendersAtMost8192PixelsASide)
{
    for (const int pointSize : {100000, 2000, 1024}) {
        ImageFont& font = Font("SetDefaultPointSize " + std::to_string(pointSize) + ";\n" + OneRowLayer("Fill"));
        const auto& active = font.mActiveLayerList.at(0);
        EXPECT_DOUBLE_EQ(active.mScale, 1024.0) << pointSize;
        EXPECT_EQ(active.mScaledImage->mWidth, 8192);
        EXPECT_EQ(active.mScaledImage->mHeight, 1024);
        EXPECT_EQ(font.CharWidth('A'), 4 * 1024);
    }
    ImageFont& small = Font("SetDefaultPointSize 1000;\n" + OneRowLayer("Fill"));
    EXPECT_DOUBLE_EQ(small.mActiveLayerList.at(0).mScale, 1000.0);
}

// Lowering one layer lowers the whole font by the same ratio. "Wide" has
// glyphs of 6 and 10 side by side (16 pixels), "Face" those of 3 and 5, so
// "Wide" reaches 8192 at factor 512 and "Face" at 1024. Every layer
// advances 'A' by 4 and 'V' by 6. A layer rendered large has glyphs one
// row high: their widths decide the ratio, as they would at eight rows, and
// its image stays a few megapixels rather than 8192 pixels square.
struct LoweringCase {
    const char* name;
    std::string layers;
    int pointSize;
    // Per layer: its scale, and whether its own image serves as it is.
    std::vector<double> scales;
    std::vector<bool> asItIs;
    int widthOfA;
};

std::string WideLayer(const std::string& pointSize, const std::string& more = "")
{
    return Layer("Wide", (pointSize.empty() ? "" : "LayerSetPointSize Wide " + pointSize + ";\n") +
                             "LayerSetImageMap Wide ('A' 'V') ((0 0 6 1) (6 0 10 1));\n" + more);
}

void PrintTo(const LoweringCase& c, std::ostream* out)
{
    *out << c.name;
}

// "Face" cut from a picture 5000 pixels wide: its glyphs side by side are
// 10000 pixels.
std::string WideFace()
{
    return "LayerSetImage Face 'wide.tga';\nLayerSetImageMap Face ('A' 'V') ((0 0 5000 8) (0 0 5000 8));\n";
}

const LoweringCase kLoweringCases[] = {
    {"UpToTheBoundEachLayerKeepsItsFactor", WideLayer("1") + OneRowLayer("Face"), 512, {512, 512}, {false, false},
        4 * 512},
    {"TheWidestLayerLowersTheOthersWithIt", WideLayer("1") + OneRowLayer("Face"), 2048, {512, 512}, {false, false},
        4 * 512},
    // "Wide" drawn at 4 points fits at 512; "Face" at 2048 does not, and
    // halves both.
    {"LayersOfOtherSizesKeepTheirProportion", WideLayer("4") + OneRowLayer("Face"), 2048, {256, 1024}, {false, false},
        4 * 1024},
    {"ALayerUsedAsItIsIsRenderedWhenAnotherIsLowered", Layer("Face") + WideLayer("1"), 1024, {0.5, 512},
        {false, false}, 4 * 512},
    {"ALayerUsedAsItIsStaysWhenNoneIsLowered", Layer("Face") + WideLayer("1"), 512, {1, 512}, {true, false},
        4 * 512},
    // A layer's own image needs no room, however wide: it lowers nobody...
    {"AWideLayerUsedAsItIsLowersNobody",
        Layer("Face", WideFace()) + WideLayer("1"), 500,
        {1, 500}, {true, false}, 4 * 500},
    // ...but once another is lowered, it is rendered too, and when it is the
    // widest its 10000 pixels set the ratio.
    {"AWideLayerUsedAsItIsSetsTheRatioOnceRendered",
        Layer("Face", WideFace()) + WideLayer("1"), 600,
        {0.8192, 0.8192 * 600}, {false, false}, 1966},
};

class ImageFontLoweringTest : public ImageFontTest, public ::testing::WithParamInterface<LoweringCase> {
protected:
    ImageFontLoweringTest() { Write("wide.tga", Tga(5000, 8, std::vector<uint32_t>(5000 * 8, 0xFFFFFFFFu))); }
};

TEST_P(ImageFontLoweringTest, EveryLayerIsLoweredByOneRatioInMeasuringAndDrawing)
{
    const LoweringCase& c = GetParam();
    ImageFont& font = Font("SetDefaultPointSize " + std::to_string(c.pointSize) + ";\n" + c.layers);
    ASSERT_EQ(font.mActiveLayerList.size(), c.scales.size());
    for (size_t i = 0; i < c.scales.size(); ++i) {
        const auto& active = font.mActiveLayerList[i];
        EXPECT_DOUBLE_EQ(active.mScale, c.scales[i]) << i;
        EXPECT_EQ(active.mScaledImage == nullptr, c.asItIs[i]) << i;
        EXPECT_LE(active.mScaledImage ? active.mScaledImage->mWidth : 0, 8192) << i;
    }
    EXPECT_EQ(font.CharWidth('A'), c.widthOfA);
    int drawn = 0;
    Draw("AVA", 10, 20, Color::White, &drawn);
    EXPECT_EQ(drawn, font.StringWidth("AVA"));
}

INSTANTIATE_TEST_SUITE_P(Fonts, ImageFontLoweringTest, ::testing::ValuesIn(kLoweringCases),
    [](const auto& info) { return std::string(info.param.name); });

// A shadow offset by (1, 1) under its face, both lowered from 2048 to 512
// times: the shadow stays one scaled step right of and below the face.
TEST_F(ImageFontTest, ALoweredShadowKeepsItsPlaceUnderTheFace)
{
    ImageFont& font = Font("SetDefaultPointSize 2048;\n" + WideLayer("1", "LayerSetOffset Wide (1 1);\n") +
                           OneRowLayer("Face"));
    std::vector<Rect> rects;
    Draw("A", 10, 20, Color::White, nullptr, &rects);
    // y: 20 - trunc((8 - 1) × 512) for the shadow, 20 - 8 × 512 for the face;
    // each glyph one row high, scaled.
    EXPECT_EQ(rects, (std::vector<Rect>{Rect(10 + 512, 20 - 7 * 512, 6 * 512, 512),
                         Rect(10, 20 - 8 * 512, 3 * 512, 512)}));
    EXPECT_EQ(font.GetAscent(), 8 * 512);
}

// A single glyph one pixel wide after scaling still gets its image.
TEST_F(ImageFontTest, AOnePixelGlyphIsRendered)
{
    ImageFont& font = Font(Layer("Fill", "LayerSetImageMap Fill ('A' 'V') ((0 0 1 8) (3 0 0 8));\n"));
    font.SetScale(1.5);
    font.Prepare();
    const auto& image = *font.mActiveLayerList.at(0).mScaledImage;
    EXPECT_EQ(image.mWidth * 100 + image.mHeight, 1 * 100 + 12);
}

TEST_F(ImageFontTest, WithoutActiveLayersTheMetricsAreZero)
{
    ImageFont& font = Font(Layer("Fill", "LayerSetAscentPadding Fill 3;\nLayerSetLineSpacingOffset Fill -5;\n"
                                         "LayerPointRange Fill 10 20;\n"));
    font.SetPointSize(15);
    font.Prepare();
    EXPECT_EQ(font.GetAscentPadding() * 10 + font.GetLineSpacingOffset(), 3 * 10 - 5);
    font.SetPointSize(30);
    font.Prepare();
    EXPECT_TRUE(font.mActiveLayerList.empty());
    EXPECT_EQ(font.GetAscent(), 0);
    EXPECT_EQ(font.GetHeight(), 0);
    EXPECT_EQ(font.GetAscentPadding(), 0);
    EXPECT_EQ(font.GetLineSpacingOffset(), 0);
    EXPECT_EQ(font.StringWidth("AV"), 0);
}

TEST_F(ImageFontTest, ANonPositiveScaleRendersEmptyGlyphsAndKeepsTheAdvancesSign)
{
    ImageFont& font = Font(Layer("Fill"));
    for (const double scale : {-1.0, 0.0, std::nan("")}) {
        font.SetScale(scale);
        EXPECT_EQ(font.CharWidth('A'), std::isnan(scale) ? 0 : -4 * (scale < 0)) << scale;
        const auto& active = font.mActiveLayerList.at(0);
        EXPECT_EQ(active.mCharRects['A'], Rect());
        EXPECT_EQ(active.mScaledImage->mWidth, 0);
        EXPECT_TRUE(Draw("AV").empty());
    }
}

// A 4 x 2 glyph strip "g.tga" of mixed colours and alphas: 'A' is its left
// half, 'V' its right half.
const std::vector<uint32_t> kStrip = {0xFF102030u, 0x80F0E0D0u, 0xFF0000FFu, 0x40FFFFFFu, //
    0xC0204060u, 0xFF808080u, 0x00000000u, 0xFFFF0000u};

std::vector<uint32_t> FontPixels(const Vorn::MemoryImage& image)
{
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i < image.PixelCount(); ++i)
        pixels.push_back(image.PixelAt(i));
    return pixels;
}

struct RenderCase {
    double scale;
    int width;
    int height;
    std::vector<uint32_t> pixels;
};

// Each glyph is stretched smoothly into its rectangle of the new image and
// laid over its transparent pixels. Halved, a glyph is the floor of the
// average of its four pixels per channel; doubled, the positions 0, 1/3,
// 2/3 and 1 interpolate with weights truncated out of 257 across and 256
// down (at 1/3: 171 and 86 across, 170 and 86 down). Laying a colour over a
// transparent pixel keeps its alpha and takes 255/256 of each channel:
// 0x68 becomes 0x67, 0xFF becomes 0xFE.
const RenderCase kRenderCases[] = {
    {0.5, 2, 1, {0xCF676F77u, 0x8F7E3E7Eu}},
    {2.0, 8, 4,
        {0xFF0F1F2Fu, 0xD55A5F64u, 0xAAA5A09Au, 0x80EFDFCFu, 0xFF0000FEu, 0xBF5454FEu, 0x7FAAAAFEu, 0x40FEFEFEu, //
            0xEA14293Fu, 0xD5515B66u, 0xC08E8E8Du, 0xABCABFB4u, 0xA90000A8u, 0x9C5437A8u, 0x8EAA70A8u, 0x80FEA8A8u,
            0xD519344Fu, 0xD5485868u, 0xD5767C81u, 0xD5A49F9Au, 0x54000053u, 0x78541B53u, 0x9CAA3753u, 0xC0FE5353u,
            0xC01F3F5Fu, 0xD53F546Au, 0xEB5F6A74u, 0xFF7F7F7Fu, 0x00000000u, 0x55540000u, 0xABAA0000u, 0xFFFE0000u}},
};

class ImageFontRenderTest : public ImageFontTest, public ::testing::WithParamInterface<RenderCase> {
protected:
    ImageFont& StripFont()
    {
        Write("g.tga", Tga(4, 2, kStrip));
        return Font("CreateLayer Fill;\nLayerSetImage Fill 'g.tga';\nLayerSetImageMap Fill ('A' 'V') ((0 0 2 2) "
                    "(2 0 2 2));\nLayerSetCharWidths Fill ('A' 'V') (2 2);\nLayerSetAscent Fill 2;\n");
    }
};

TEST_P(ImageFontRenderTest, GlyphsAreStretchedIntoTheirRectangles)
{
    const RenderCase& c = GetParam();
    ImageFont& font = StripFont();
    font.SetScale(c.scale);
    font.Prepare();
    const Vorn::MemoryImage& image = *font.mActiveLayerList.at(0).mScaledImage;
    EXPECT_EQ(image.mWidth * 100 + image.mHeight, c.width * 100 + c.height);
    EXPECT_EQ(FontPixels(image), c.pixels);
}

TEST_P(ImageFontRenderTest, WhitenedGlyphsKeepTheirAlpha)
{
    const RenderCase& c = GetParam();
    ImageFont& font = StripFont();
    font.mWhitenGlyphs = true;
    font.SetScale(c.scale);
    font.Prepare();
    std::vector<uint32_t> expected;
    for (const uint32_t p : c.pixels)
        expected.push_back((p & 0xFF000000u) | 0xFFFFFFu);
    EXPECT_EQ(FontPixels(*font.mActiveLayerList.at(0).mScaledImage), expected);
}

INSTANTIATE_TEST_SUITE_P(HalvedAndDoubled, ImageFontRenderTest, ::testing::ValuesIn(kRenderCases));

// The width list puts 'C' at the strip's right edge, reaching past it: its
// place in the rendered image stays transparent while the others are drawn.
TEST_F(ImageFontTest, ARenderedLayerSkipsGlyphsOutsideItsImage)
{
    Write("w.txt", "0 2 A 2 B 2 C 2");
    Vorn::MemoryImage strip(nullptr);
    strip.SetBits(kStrip.data(), 4, 2);
    ImageFont font(&strip, "w.txt");
    font.SetScale(2.0);
    font.Prepare();
    const auto& active = font.mActiveLayerList.at(0);
    EXPECT_EQ(active.mCharRects['C'], Rect(8, 0, 4, 4));
    const Vorn::MemoryImage& image = *active.mScaledImage;
    ASSERT_EQ(image.mWidth * 100 + image.mHeight, 12 * 100 + 4);
    const std::vector<uint32_t>& doubled = kRenderCases[1].pixels;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 12; ++x) {
            const uint32_t expected = x < 8 ? doubled[static_cast<size_t>(y * 8 + x)] : 0u;
            EXPECT_EQ(image.PixelAt(static_cast<size_t>(y * 12 + x)), expected) << x << "," << y;
        }
    }
}

// Drawn at twice its size onto black, the doubled 'A' lands with its top
// left at the pen, its opaque corners exactly as rendered.
TEST_F(ImageFontTest, AScaledFontDrawsItsRenderedGlyphs)
{
    Write("g.tga", Tga(4, 2, kStrip));
    ImageFont& font = Font("CreateLayer Fill;\nLayerSetImage Fill 'g.tga';\nLayerSetImageMap Fill ('A') ((0 0 2 2));\n"
                           "LayerSetCharWidths Fill ('A') (2);\nLayerSetAscent Fill 2;\n");
    font.SetScale(2.0);
    Vorn::MemoryImage screen(nullptr);
    screen.SetBits(std::vector<uint32_t>(8 * 6, 0xFF000000u).data(), 8, 6);
    Graphics g(&screen);
    g.SetColor(Color::White);
    g.SetFont(&font);
    g.DrawString("A", 3, 5);
    const uint32_t* bits = screen.GetBits();
    EXPECT_EQ(bits[1 * 8 + 3], 0xFF0F1F2Fu);
    EXPECT_EQ(bits[4 * 8 + 6], 0xFF7F7F7Fu);
    for (const int at : {0 * 8 + 3, 1 * 8 + 2, 1 * 8 + 7, 5 * 8 + 3})
        EXPECT_EQ(bits[at], 0xFF000000u) << at;
}

TEST_F(ImageFontTest, ACopySharesTheDataAndDuplicatesRenderedImages)
{
    ImageFont& font = Font(Layer("Fill"));
    font.SetScale(2.0);
    font.Prepare();
    const std::unique_ptr<Vorn::Font> copy = font.Duplicate();
    const auto& copied = dynamic_cast<ImageFont&>(*copy);
    EXPECT_EQ(copied.mFontData, font.mFontData);
    EXPECT_EQ(font.mFontData.use_count(), 2);
    ASSERT_EQ(copied.mActiveLayerList.size(), 1u);
    const auto& mine = font.mActiveLayerList[0];
    const auto& theirs = copied.mActiveLayerList[0];
    EXPECT_NE(theirs.mImage, mine.mImage);
    EXPECT_EQ(theirs.mImage, theirs.mScaledImage.get());
    EXPECT_EQ(theirs.mImage->mWidth, mine.mImage->mWidth);
    EXPECT_EQ(theirs.mCharRects, mine.mCharRects);
    EXPECT_EQ(copied.GetAscent(), 16);

    font.SetScale(3.0);
    const ImageFont stale(font);
    EXPECT_TRUE(stale.mActiveLayerList.empty());
    EXPECT_FALSE(stale.mActiveListValid);
}

TEST_F(ImageFontTest, DrawingMoreThanThePoolHoldsDropsTheRest)
{
    ImageFont& font = Font(Layer("Fill"));
    int width = 0;
    EXPECT_EQ(Draw(std::string(5000, 'A'), 0, 8, Color::White, &width).size(), 4096u);
    EXPECT_EQ(width, 4096 * 4);
    EXPECT_EQ(font.StringWidth(std::string(5000, 'A')), 5000 * 4);
}

TEST_F(ImageFontTest, AFontThatDidNotLoadMeasuresNothingAndDrawsNothing)
{
    ImageFont& font = Font(Layer("Fill"));
    Write("f.txt", Layer("Fill") + "Frobnicate;\n");
    ImageFont broken(&mApp, "f.txt");
    EXPECT_EQ(broken.StringWidth("AV"), 0);
    int width = -1;
    std::vector<Rect> rects{Rect()};
    broken.DrawStringLayered(&mGraphics, 0, 8, "AV", Color::White, Rect(), &rects, &width);
    EXPECT_EQ(width, 0);
    EXPECT_TRUE(rects.empty());
    EXPECT_TRUE(mScreen.mCalls.empty());
    EXPECT_EQ(font.GetDefinition("nothing"), "");
}

TEST_F(ImageFontTest, DefinitionsAreReadBack)
{
    ImageFont& font = Font("Define x 3;\nDefine Colour (0.5 1 (2 x));\nDefine y x;\nDefine z w;\n");
    EXPECT_EQ(font.GetDefinition("colour"), "(0.5, 1, (2, 3))");
    EXPECT_EQ(font.GetDefinition("Y"), "3");
    EXPECT_EQ(font.GetDefinition("z"), "w");
}

// Opaque glyphs in white onto an opaque image: the glyphs' own pixels.
TEST_F(ImageFontTest, GlyphPixelsLandOnAMemoryImage)
{
    ImageFont& font = Font(Layer("Fill", "LayerSetImageMap Fill ('\xE9') ((14 6 2 2));\nLayerSetCharWidths Fill "
                                         "('\xE9') (3);\n"));
    Vorn::MemoryImage screen(nullptr);
    const std::vector<uint32_t> black(8 * 4, 0xFF000000u);
    screen.SetBits(black.data(), 8, 4);
    Graphics g(&screen);
    g.SetColor(Color::White);
    g.SetFont(&font);
    g.DrawString("A\xE9", 1, 8);
    const uint32_t* bits = screen.GetBits();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint32_t expected = 0xFF000000u;
            if (x >= 1 && x < 4)
                expected += uint32_t(y << 8) + uint32_t(x - 1);
            else if (x >= 5 && x < 7 && y < 2)
                expected += uint32_t((y + 6) << 8) + uint32_t(x - 5 + 14);
            EXPECT_EQ(bits[y * 8 + x], expected) << x << "," << y;
        }
    }
}

} // namespace
