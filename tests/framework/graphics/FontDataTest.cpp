#include "framework/graphics/FontData.h"

#include "fakes/FontFolder.h"
#include "framework/graphics/MemoryImage.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Testing::FontFolder;
using Testing::Tga;
using Vorn::Color;
using Vorn::FontData;
using Vorn::GlyphLayer;
using Vorn::Rect;

// "f.txt" with a 4 x 2 image "f.tga" beside it.
class Descriptor : public FontFolder, public ::testing::Test {
protected:
    Descriptor() { Write("f.tga", Tga(4, 2, std::vector<uint32_t>(8, 0xFF808080))); }

    // Loaded or not; the texts shown are in mApp.mFatalErrors.
    bool Load(const std::string& text)
    {
        Write("f.txt", text);
        mData.Load(&mApp, "f.txt");
        return mData.mInitialized;
    }
    GlyphLayer& Layer(const std::string& name) { return *mData.mFontLayerMap.at(name); }

    FontData mData;
};

// The text shown for an error of the command on that line.
std::string Shown(const std::string& error, int line, const std::string& command)
{
    std::ostringstream text;
    text << "Font Descriptor Error in f.txt\r\n" << error << " on Line " << line << ":\r\n\r\n" << command;
    return text.str();
}

const std::string kBad = "Invalid Paramater Type";

struct ErrorCase {
    const char* name;
    std::string descriptor;
    std::vector<std::string> shown;
    // Checks what the commands before the failing one (and a failing
    // command's good entries) did.
    std::function<void(FontData&)> check = [](FontData&) {};
};

void PrintTo(const ErrorCase& c, std::ostream* out)
{
    *out << c.name;
}

class DescriptorErrors : public Descriptor, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(DescriptorErrors, ShowTheTextWithTheLineAndStopReading)
{
    const ErrorCase& c = GetParam();
    EXPECT_FALSE(Load(c.descriptor + ";\nCreateLayer After"));
    EXPECT_EQ(mApp.mFatalErrors, c.shown);
    EXPECT_FALSE(mData.mFontLayerMap.contains("AFTER"));
    c.check(mData);
}

const std::string kImage = "CreateLayer Main;\nLayerSetImage Main 'f.tga';\n";

INSTANTIATE_TEST_SUITE_P(Commands, DescriptorErrors, ::testing::Values(
    ErrorCase{"UnknownCommand", "Frobnicate 1", {Shown("Unknown Command", 1, "Frobnicate 1")}},
    ErrorCase{"TooFewValues", "Define A", {Shown("Invalid Number of Parameters", 1, "Define A")}},
    ErrorCase{"TooManyValues", "SetDefaultPointSize 1 2",
        {Shown("Invalid Number of Parameters", 1, "SetDefaultPointSize 1 2")}},
    ErrorCase{"LiteralName", "Define 5x 1", {Shown(kBad, 1, "Define 5x 1")}},
    ErrorCase{"QuotedName", "Define 'x' 1", {Shown(kBad, 1, "Define 'x' 1")}},
    ErrorCase{"ListName", "Define (x) 1", {Shown(kBad, 1, "Define (x) 1")}},
    ErrorCase{"UndefinedNameInList", "Define L (1 x)", {Shown("Unable to Dereference \"x\"", 1, "Define L (1 x)")}},
    ErrorCase{"PointSizeNotANumber", "SetDefaultPointSize big", {Shown(kBad, 1, "SetDefaultPointSize big")}},
    ErrorCase{"NamedNumberIsNotLookedUp", "Define Size 12;\nSetDefaultPointSize Size",
        {Shown(kBad, 2, "SetDefaultPointSize Size")}},
    ErrorCase{"SpanRectangleOfThree", "CreateHorzSpanRectList R (1 2 3) (4)",
        {Shown(kBad, 1, "CreateHorzSpanRectList R (1 2 3) (4)")}},
    ErrorCase{"CharMapSizes", "SetCharMap ('a' 'b' 'c') ('x' 'y')",
        {Shown("List Size Mismatch", 1, "SetCharMap ('a' 'b' 'c') ('x' 'y')")},
        [](FontData& d) { EXPECT_EQ(d.mCharMap['a'], 'a'); }},
    ErrorCase{"CharMapEntryTooLong", "SetCharMap ('ab' 'c') ('x' 'y')", {Shown(kBad, 1, "SetCharMap ('ab' 'c') ('x' 'y')")},
        [](FontData& d) { EXPECT_EQ(d.mCharMap['c'] * 1000 + d.mCharMap['a'], 'y' * 1000 + 'a'); }},
    ErrorCase{"TypeErrorOutranksSizes", "SetCharMap ('ab' 'c' 'd') ('x' 'y')", {Shown(kBad, 1, "SetCharMap ('ab' 'c' 'd') ('x' 'y')")},
        [](FontData& d) { EXPECT_EQ(d.mCharMap['c'], 'c'); }},
    ErrorCase{"UndefinedLayer", "CreateLayer Main;\nLayerSetSpacing Other 3",
        {Shown("Undefined Layer", 2, "LayerSetSpacing Other 3"), Shown(kBad, 2, "LayerSetSpacing Other 3")}},
    ErrorCase{"LayerAsList", "CreateLayer Main;\nLayerSetSpacing (Main) 3",
        {Shown(kBad, 2, "LayerSetSpacing (Main) 3")}},
    ErrorCase{"CopyOfUndefinedLayer", "CreateLayerFrom Copy Main",
        {Shown("Undefined Layer", 1, "CreateLayerFrom Copy Main"), Shown(kBad, 1, "CreateLayerFrom Copy Main")}},
    ErrorCase{"DrawModeTwo", "CreateLayer Main;\nLayerSetDrawMode Main 2", {Shown(kBad, 2, "LayerSetDrawMode Main 2")}},
    ErrorCase{"OffsetOfThree", "CreateLayer Main;\nLayerSetOffset Main (1 2 3)",
        {Shown(kBad, 2, "LayerSetOffset Main (1 2 3)")}},
    ErrorCase{"PointRangeNotANumber", "CreateLayer Main;\nLayerPointRange Main 1 x",
        {Shown(kBad, 2, "LayerPointRange Main 1 x")}},
    ErrorCase{"ColourOfThree", "CreateLayer Main;\nLayerSetColorMult Main (1 1 1)",
        {Shown(kBad, 2, "LayerSetColorMult Main (1 1 1)")}},
    ErrorCase{"MissingImage", "CreateLayer Main;\nLayerSetImage Main 'gone.tga'",
        {Shown("Failed to Load Image", 2, "LayerSetImage Main 'gone.tga'")}},
    ErrorCase{"MapWithoutImage", "CreateLayer Main;\nLayerSetImageMap Main ('a') ((0 0 1 1))",
        {Shown("Layer image not set", 2, "LayerSetImageMap Main ('a') ((0 0 1 1))")}},
    ErrorCase{"MapPastTheRight", kImage + "LayerSetImageMap Main ('a' 'b') ((0 0 1 1) (3 0 2 1))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a' 'b') ((0 0 1 1) (3 0 2 1))")},
        [](FontData& d) { EXPECT_EQ(d.mFontLayerMap.at("MAIN")->mCharData['a'].mImageRect, Rect(0, 0, 1, 1)); }},
    ErrorCase{"MapPastTheBottom", kImage + "LayerSetImageMap Main ('a') ((0 1 1 2))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a') ((0 1 1 2))")}},
    ErrorCase{"MapNegativeX", kImage + "LayerSetImageMap Main ('a') ((-1 0 1 1))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a') ((-1 0 1 1))")}},
    ErrorCase{"MapNegativeY", kImage + "LayerSetImageMap Main ('a') ((0 -1 1 1))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a') ((0 -1 1 1))")}},
    ErrorCase{"MapWidthWrapsIn32Bits", kImage + "LayerSetImageMap Main ('a') ((1 0 2147483647 1))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a') ((1 0 2147483647 1))")}},
    ErrorCase{"MapHeightWrapsIn32Bits", kImage + "LayerSetImageMap Main ('a') ((0 1 1 2147483647))",
        {Shown("Image rectangle out of bounds", 3, "LayerSetImageMap Main ('a') ((0 1 1 2147483647))")}},
    ErrorCase{"MapItemNotAList", kImage + "LayerSetImageMap Main ('a' 'b') (5 (1 0 1 1))",
        {Shown(kBad, 3, "LayerSetImageMap Main ('a' 'b') (5 (1 0 1 1))")},
        [](FontData& d) { EXPECT_EQ(d.mFontLayerMap.at("MAIN")->mCharData['b'].mImageRect, Rect(1, 0, 1, 1)); }},
    ErrorCase{"WidthsSizes", "CreateLayer Main;\nLayerSetCharWidths Main ('a' 'b') (1)",
        {Shown("List Size Mismatch", 2, "LayerSetCharWidths Main ('a' 'b') (1)")}},
    ErrorCase{"WidthNotANumber", "CreateLayer Main;\nLayerSetCharWidths Main ('a') (wide)",
        {Shown("Unable to Dereference \"wide\"", 2, "LayerSetCharWidths Main ('a') (wide)"),
            Shown(kBad, 2, "LayerSetCharWidths Main ('a') (wide)")}},
    ErrorCase{"WidthNotAnInteger", "CreateLayer Main;\nLayerSetCharWidths Main ('a') (2.5)",
        {Shown(kBad, 2, "LayerSetCharWidths Main ('a') (2.5)")}},
    ErrorCase{"OffsetsOfOne", "CreateLayer Main;\nLayerSetCharOffsets Main ('a' 'b') ((1) (2 3))",
        {Shown(kBad, 2, "LayerSetCharOffsets Main ('a' 'b') ((1) (2 3))")},
        [](FontData& d) { EXPECT_EQ(d.mFontLayerMap.at("MAIN")->mCharData['b'].mOffsetY, 3); }},
    ErrorCase{"KerningOfOneCharacter", "CreateLayer Main;\nLayerSetKerningPairs Main ('A' 'AV') (1 2)",
        {Shown(kBad, 2, "LayerSetKerningPairs Main ('A' 'AV') (1 2)")},
        [](FontData& d) {
            const auto& kerning = d.mFontLayerMap.at("MAIN")->mCharData['A'].mKerningOffsets;
            EXPECT_EQ(kerning['V'] * 10 + kerning[0], 20);
        }},
    ErrorCase{"WidthOfTwoCharacters", "CreateLayer Main;\nLayerSetCharWidths Main ('ab' 'c') (4 5)",
        {Shown(kBad, 2, "LayerSetCharWidths Main ('ab' 'c') (4 5)")},
        [](FontData& d) {
            const auto& glyphs = d.mFontLayerMap.at("MAIN")->mCharData;
            EXPECT_EQ(glyphs['a'].mWidth * 10 + glyphs['c'].mWidth, 5);
        }},
    ErrorCase{"OrdersSizes", "CreateLayer Main;\nLayerSetCharOrders Main ('a') (1 2)",
        {Shown("List Size Mismatch", 2, "LayerSetCharOrders Main ('a') (1 2)")}},
    ErrorCase{"ParserError", "Define A (1 2", {Shown("Unterminated List", 1, "Define A (1 2")}},
    ErrorCase{"MissingCommand", "(Define) A 1", {Shown("Missing Command", 1, "(Define) A 1")}},
    ErrorCase{"LineOfTheCommandsFirstCharacter", "\n\n  CreateLayer\n  Main\n  Extra",
        {Shown("Invalid Number of Parameters", 3, "CreateLayer\nMain\nExtra")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Descriptor, EveryCommandSetsItsField)
{
    ASSERT_TRUE(Load(R"(# a comment line
Define Letters ('A' 'V');
define Size 3;
SetDefaultPointSize 20;
SetCharMap ('x' "y") ('A' 'V');
CreateHorzSpanRectList Boxes (10 20 0 16) (5 7);
CreateLayer Main;
LayerSetImage Main 'f.tga';
LayerSetImageMap Main Letters ((0 0 2 2) (2 0 -1 1));
LayerSetCharOffsets Main ('A') ((1 -3));
LayerSetCharWidths Main Letters (7 -2);
layersetspacing Main 2;
LayerSetKerningPairs Main ('AV' 'AA') (-2 300);
LayerSetCharOrders Main ('V') (5);
LayerSetBaseOrder Main -1;
LayerSetDrawMode Main 1;
LayerSetColorMult Main 16711680;
LayerSetColorAdd Main (0.5 1 2 -1);
LayerSetOffset Main (4 -5);
LayerPointRange Main 8 40;
LayerSetPointSize Main 16;
LayerSetHeight Main 30;
LayerSetAscent Main 12;
LayerSetAscentPadding Main 3;
LayerSetLineSpacingOffset Main -4;
LayerRequireTags Main ('bold' "Shiny");
LayerExcludeTags Main ('small');
CreateLayerFrom Outline Main;
LayerSetSpacing Outline 9;
LayerSetDrawMode Outline 0;
)")) << ::testing::PrintToString(mApp.mFatalErrors);
    EXPECT_TRUE(mApp.mFatalErrors.empty());
    EXPECT_EQ(mData.mDefaultPointSize, 20);
    EXPECT_EQ(mData.mCharMap['x'] * 1000 + mData.mCharMap['y'] * 10 + (mData.mCharMap['z'] == 'z'),
        'A' * 1000 + 'V' * 10 + 1);
    EXPECT_EQ(mData.ElementToString(mData.LookUpDefinition("boxes")), "((10, 20, 5, 16), (15, 20, 7, 16))");
    EXPECT_EQ(mData.ElementToString(mData.LookUpDefinition("SIZE")), "3");

    const GlyphLayer& main = Layer("MAIN");
    const auto& a = main.mCharData['A'];
    const auto& v = main.mCharData['V'];
    EXPECT_EQ(a.mImageRect, Rect(0, 0, 2, 2));
    // A negative size is kept as 0.
    EXPECT_EQ(v.mImageRect, Rect(2, 0, 0, 1));
    EXPECT_EQ(std::make_pair(a.mOffsetX, a.mOffsetY), std::make_pair(1, -3));
    EXPECT_EQ(std::make_pair(a.mWidth, v.mWidth), std::make_pair(7, -2));
    EXPECT_EQ(std::make_pair(a.mKerningOffsets['V'], a.mKerningOffsets['A']), (std::pair<int8_t, int8_t>(-2, 44)));
    EXPECT_EQ(std::make_pair(a.mOrder, v.mOrder), std::make_pair(0, 5));
    // The image map ran before the offsets: 2 + 0 and 1 + 0.
    EXPECT_EQ(main.mDefaultHeight, 2);
    EXPECT_EQ(main.mSpacing, 2);
    EXPECT_EQ(main.mBaseOrder, -1);
    EXPECT_EQ(main.mDrawMode, 1);
    EXPECT_EQ(main.mColorMult, Color(255, 0, 0, 255));
    EXPECT_EQ(main.mColorAdd, Color(127, 255, 510, -255));
    EXPECT_EQ(std::make_pair(main.mOffsetX, main.mOffsetY), std::make_pair(4, -5));
    EXPECT_EQ(std::make_pair(main.mMinPointSize, main.mMaxPointSize), std::make_pair(8, 40));
    EXPECT_EQ(main.mPointSize, 16);
    EXPECT_EQ(main.mHeight, 30);
    EXPECT_EQ(main.mAscent, 12);
    EXPECT_EQ(main.mAscentPadding, 3);
    EXPECT_EQ(main.mLineSpacingOffset, -4);
    EXPECT_EQ(main.mRequiredTags, (std::vector<std::string>{"BOLD", "SHINY"}));
    EXPECT_EQ(main.mExcludedTags, std::vector<std::string>{"SMALL"});

    const GlyphLayer& outline = Layer("OUTLINE");
    EXPECT_EQ(outline.mSpacing, 9);
    EXPECT_EQ(outline.mDrawMode, 0);
    EXPECT_EQ(outline.mCharData['A'].mKerningOffsets['V'], -2);
    EXPECT_EQ(outline.mImage.GetImage(), main.mImage.GetImage());
    EXPECT_EQ(main.mImage.mPooled->mRefCount.load(), 2);
}

TEST_F(Descriptor, GlyphHeightIsTheTallestRectanglePlusItsOffset)
{
    ASSERT_TRUE(Load(kImage + "LayerSetCharOffsets Main ('a' 'b') ((0 5) (0 -9));\n"
                              "LayerSetImageMap Main ('a' 'b') ((0 0 1 1) (0 0 1 2));\n"));
    EXPECT_EQ(Layer("MAIN").mDefaultHeight, 6);
}

TEST_F(Descriptor, GlyphHeightSumsTakeNoWrap)
{
    ASSERT_TRUE(Load(kImage + "LayerSetCharOffsets Main ('a') ((0 2147483647));\n"
                              "LayerSetImageMap Main ('a') ((0 0 1 2));\n"));
    EXPECT_EQ(Layer("MAIN").mDefaultHeight, 2147483647);
}

TEST_F(Descriptor, ALayerNameTakenTwiceIsReportedAndReadingGoesOn)
{
    EXPECT_TRUE(Load("CreateLayer Main;\nCreateLayer main;\nLayerSetSpacing Main 2;"));
    EXPECT_EQ(mApp.mFatalErrors, std::vector<std::string>{Shown("Layer Already Exists", 2, "CreateLayer main")});
    ASSERT_EQ(mData.mFontLayerList.size(), 1u);
    EXPECT_EQ(mData.mFontLayerList.front().mSpacing, 2);
}

TEST_F(Descriptor, ImagesAreSharedPalettizedOnceAndReleasedWithTheFont)
{
    Write("sub/g.txt", "CreateLayer A;\nLayerSetImage A '../f.tga';\nCreateLayer B;\nLayerSetImage B '../f.tga';\n");
    {
        FontData data;
        data.Load(&mApp, "sub/g.txt");
        ASSERT_TRUE(data.mInitialized);
        ASSERT_EQ(mApp.mSharedImageMap.size(), 1u);
        const Vorn::PooledImage& pooled = mApp.mSharedImageMap.begin()->second.mPooled;
        EXPECT_EQ(pooled.mRefCount.load(), 2);
        EXPECT_NE(pooled.mImage->mColorTable, nullptr);
    }
    EXPECT_EQ(mApp.mSharedImageMap.begin()->second.mPooled.mRefCount.load(), 0);
}

TEST_F(Descriptor, AFailedImageLeavesNoSharedEntryBehind)
{
    EXPECT_FALSE(Load("CreateLayer Main;\nLayerSetImage Main 'gone.tga'"));
    EXPECT_TRUE(mApp.mSharedImageMap.empty());
    EXPECT_EQ(Layer("MAIN").mImage.GetImage(), nullptr);
}

TEST_F(Descriptor, LoadsOnceOnly)
{
    ASSERT_TRUE(Load("CreateLayer Main"));
    EXPECT_FALSE(mData.Load(&mApp, "f.txt"));
    EXPECT_EQ(mData.mFontLayerList.size(), 1u);
}

TEST_F(Descriptor, AMissingFileIsNoErrorToShow)
{
    mData.Load(&mApp, "gone.txt");
    EXPECT_FALSE(mData.mInitialized);
    EXPECT_TRUE(mApp.mFatalErrors.empty());
}

// The loading thread hands the text to the main thread, whose next loop
// step shows it: the box's bookkeeping (input, timing) is the main
// thread's.
TEST_F(Descriptor, OffTheMainThreadAnErrorIsShownByTheMainThread)
{
    mApp.mMainThreadId = std::this_thread::get_id();
    Write("f.txt", "CreateLayer A;\nFrobnicate");
    std::thread([&] { mData.Load(&mApp, "f.txt"); }).join();
    EXPECT_TRUE(mApp.mFatalErrors.empty());
    mApp.Process(false);
    EXPECT_EQ(mApp.mFatalErrors, std::vector<std::string>{Shown("Unknown Command", 2, "Frobnicate")});
    mApp.Process(false);
    EXPECT_EQ(mApp.mFatalErrors.size(), 1u);
}

// A width-list font's data has no application: its errors are kept only.
TEST_F(Descriptor, WithoutAnApplicationTheErrorIsKept)
{
    struct Bare : FontData {
        using FontData::mError;
    } bare;
    Write("f.txt", "Frobnicate");
    bare.Load(nullptr, "f.txt");
    EXPECT_FALSE(bare.mInitialized);
    EXPECT_EQ(bare.mError, "Unknown Command");
    EXPECT_TRUE(mApp.mFatalErrors.empty());
}

class WidthList : public FontFolder, public ::testing::Test {
protected:
    // One layer over a 12 x 6 image.
    bool Load(const std::string& list)
    {
        Write("w.txt", list);
        mImage.Create(12, 6);
        return mData.LoadFromWidthList(&mImage, "w.txt");
    }
    const Vorn::GlyphInfo& Glyph(char c) { return mData.mFontLayerMap.at("")->mCharData[static_cast<unsigned char>(c)]; }

    Vorn::MemoryImage mImage{nullptr};
    FontData mData;
};

TEST_F(WidthList, GlyphsLieSideBySideAndLettersStandInForTheirOtherCase)
{
    ASSERT_TRUE(Load("4 10\nA 3 B5\na 2\n\xE9 1"));
    const GlyphLayer& layer = *mData.mFontLayerMap.at("");
    EXPECT_EQ(layer.mImage.GetImage(), &mImage);
    EXPECT_EQ(layer.mAscent, 10);
    EXPECT_EQ(layer.mDefaultHeight, 6);
    EXPECT_EQ(Glyph(' ').mWidth, 4);
    EXPECT_EQ(Glyph(' ').mImageRect, Rect());
    EXPECT_EQ(Glyph('A').mImageRect, Rect(0, 0, 3, 6));
    EXPECT_EQ(Glyph('B').mImageRect, Rect(3, 0, 5, 6));
    EXPECT_EQ(Glyph('a').mImageRect, Rect(8, 0, 2, 6));
    EXPECT_EQ(Glyph('\xE9').mImageRect, Rect(10, 0, 1, 6));
    EXPECT_EQ(Glyph('B').mWidth, 5);
    EXPECT_EQ(mData.mCharMap['b'], 'B');
    EXPECT_EQ(mData.mCharMap['A'], 'A');
    EXPECT_EQ(mData.mCharMap['a'], 'a');
    EXPECT_EQ(mData.mCharMap['C'], 'C');
    EXPECT_FALSE(mData.LoadFromWidthList(&mImage, "w.txt"));
}

// Each letter missing from the list borrows its other case's glyph, in both
// directions, from A to Z; a width of 0 counts as missing.
TEST_F(WidthList, EveryLetterBorrowsItsOtherCase)
{
    const auto mapped = [](const FontData& data) {
        std::string letters;
        for (const char c : std::string("AaZzQqEeYybB"))
            letters += static_cast<char>(data.mCharMap[static_cast<unsigned char>(c)]);
        return letters;
    };
    ASSERT_TRUE(Load("0 6 a 1 Z 0 z 1 Q 1 E 1 e 1 y 1 b 0 B 1"));
    EXPECT_EQ(mapped(mData), "aazzQQEeyyBB");
    FontData other;
    Write("x.txt", "0 6 Z 1 A 1");
    ASSERT_TRUE(other.LoadFromWidthList(&mImage, "x.txt"));
    EXPECT_EQ(mapped(other), "AAZZQqEeYybB");
}

TEST_F(WidthList, AGlyphMayStartAtTheEdgeAndAWidthOf0GoesOn)
{
    ASSERT_TRUE(Load("0 6 A 0 B 12 C 3 D 1"));
    EXPECT_EQ(Glyph('B').mImageRect, Rect(0, 0, 12, 6));
    EXPECT_EQ(Glyph('C').mImageRect, Rect(12, 0, 3, 6));
    EXPECT_EQ(Glyph('D').mWidth, 0);
}

TEST_F(WidthList, WithoutAnImageGlyphsHaveNoHeight)
{
    Write("w.txt", "3 4 A 2");
    ASSERT_TRUE(mData.LoadFromWidthList(nullptr, "w.txt"));
    EXPECT_EQ(Glyph('A').mImageRect, Rect(0, 0, 2, 0));
    EXPECT_EQ(mData.mFontLayerMap.at("")->mAscent, 4);
}

TEST_F(WidthList, AnUnreadableHeaderFailsTheLoad)
{
    EXPECT_FALSE(Load("4 x\nA 3"));
    EXPECT_FALSE(mData.mInitialized);
    EXPECT_FALSE(Load(""));
}

TEST_F(WidthList, ABadOrNegativeWidthEndsTheList)
{
    ASSERT_TRUE(Load("0 5 A 3 B -1 C 2"));
    EXPECT_EQ(Glyph('A').mWidth * 100 + Glyph('B').mWidth * 10 + Glyph('C').mWidth, 300);
    FontData other;
    Write("x.txt", "0 5 A 3 B x C 2");
    ASSERT_TRUE(other.LoadFromWidthList(&mImage, "x.txt"));
    EXPECT_EQ(other.mFontLayerMap.at("")->mCharData['C'].mWidth, 0);
}

TEST_F(WidthList, AGlyphPastTheEdgeKeepsItsAdvanceAndEndsTheList)
{
    ASSERT_TRUE(Load("0 5 A 10 B 2147483647 C 1 D 1"));
    EXPECT_EQ(Glyph('B').mImageRect, Rect(10, 0, 2147483647, 6));
    EXPECT_EQ(Glyph('B').mWidth, 2147483647);
    EXPECT_EQ(Glyph('C').mWidth, 0);
}

TEST_F(WidthList, IsReadFromTheDiskNotTheArchive)
{
    ASSERT_TRUE(Tools::WritePak("main.pak", {{"w.txt", "4 10 A 3"}}));
    ASSERT_TRUE(mPak.AddArchive("main.pak"));
    EXPECT_FALSE(mData.LoadFromWidthList(&mImage, "w.txt"));
    Write("W.TXT", "4 10 A 3");
    EXPECT_TRUE(mData.LoadFromWidthList(&mImage, "w.txt"));
}

} // namespace
