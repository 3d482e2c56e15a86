#include "framework/graphics/Graphics.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using Vorn::Color;
using Vorn::Graphics;
using Vorn::Image;
using Vorn::Rect;
using Vorn::Transform;
using Lines = std::vector<std::string>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kPi = std::numbers::pi_v<float>;
const std::string kPlain = " clip=0,0,100,80 #ffffffff m0";
const std::string kStretch = " src=0,0,10,10" + kPlain + " fast=0";


// A 100 x 80 screen, a 10 x 10 ball, a 20 x 10 sheet of two cels, a 6 x 6 box
// frame, and the fixed-width font.
struct Scene {
    RecordingImage screen{100, 80, "screen"}, ball{10, 10, "ball"}, sheet{20, 10, "sheet"}, frame{6, 6, "frame"};
    Testing::FixedFont font;
    Graphics g{&screen};
    Scene() { g.SetFont(&font); }
};

Transform Then(Transform t, float angle, float sx, float sy)
{
    if (angle != 0.0f)
        t.RotateRad(angle);
    if (sx != 1.0f || sy != 1.0f)
        t.Scale(sx, sy);
    return t;
}

Transform Made(float transX, float angle, float sx, float sy)
{
    Transform t;
    t.mTransX = transX;
    return Then(t, angle, sx, sy);
}

TEST(Graphics, PopRestoresEveryFieldAnEmptyPopChangesNothingAndACopyHasNoStack)
{
    Scene s;
    s.g.PushState(), s.g.Translate(3, 4), s.g.ClipRect(0, 0, 10, 10), s.g.SetColor(Color(1, 2, 3, 4));
    s.g.SetFont(nullptr), s.g.SetDrawMode(Vorn::kDrawModeAdditive), s.g.SetColorize(true), s.g.SetQuickStretch(true);
    s.g.SetSmoothBlend(true), s.g.SetWriteColoredString(false), s.g.mScaleX = 2, s.g.PopState();
    EXPECT_EQ(s.g.mTransX + s.g.mTransY + s.g.mScaleX, 1.0f);
    EXPECT_TRUE(s.g.mClipRect == Rect(0, 0, 100, 80) && s.g.GetColor() == Color(0, 0, 0, 255));
    EXPECT_TRUE(s.g.GetFont() == &s.font && s.g.GetDrawMode() == Vorn::kDrawModeNormal);
    EXPECT_FALSE(s.g.GetColorize() || s.g.mFastStretch || s.g.mLinearBlend || !s.g.GetWriteColoredString());
    s.g.Translate(5, 5), s.g.PopState(), s.g.PushState(), s.g.Translate(1, 0);
    const auto copy = s.g.Create();
    copy->PopState();
    EXPECT_EQ(copy->mTransX, 6.0f);
    EXPECT_EQ(Graphics(nullptr).mDestImage, &Vorn::TheEmptyImage());
}

// What one drawing request hands the destination, exactly.
struct DrawCase { const char* name; std::function<void(Scene&)> draw; Lines calls; };

void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

class GraphicsDraw : public testing::TestWithParam<DrawCase> {};

TEST_P(GraphicsDraw, HandsTheImageExactlyTheseCalls)
{
    Scene s;
    GetParam().draw(s);
    EXPECT_EQ(s.screen.mCalls, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Shapes, GraphicsDraw,
    testing::Values(
        DrawCase{"fillTranslatedAndClipped", [](Scene& s) {
            s.g.SetColor(Color(1, 2, 3, 4)), s.g.Translate(5, 5);
            s.g.FillRect(-10, -10, 20, 20), s.g.FillRect(200, 0, 5, 5);
        }, {"FillRect 0,0,15,15 #04010203 m0"}},
        DrawCase{"clipRectTranslatedIntersectedAndNeverOverflowing", [](Scene& s) {
            s.g.Translate(10, 20), s.g.ClipRect(-15, 0, 30, 100), s.g.FillRect(-50, -50, 200, 200);
            s.g.ClipRect(INT_MAX, 0, 1, 1), s.g.FillRect(-50, -50, 200, 200);
        }, {"FillRect 0,20,25,60 #ff000000 m0"}},
        DrawCase{"transparentOrDisjointDrawsNothing", [](Scene& s) {
            s.g.SetColor(Color(1, 2, 3, 0)), s.g.FillRect(0, 0, 5, 5), s.g.DrawRect(0, 0, 5, 5);
            s.g.SetColor(Color(1, 2, 3)), s.g.ClipRect(200, 0, 10, 10), s.g.FillRect(0, 0, 100, 100);
            s.g.DrawImage(&s.ball, 0, 0), s.g.DrawLine(-100, -100, 200, 200);
        }, {}},
        DrawCase{"rectPartlyOutsideIsFourFills", [](Scene& s) { s.g.DrawRect(95, 0, 10, 5); },
            {"FillRect 95,0,5,1 #ff000000 m0", "FillRect 95,5,5,1 #ff000000 m0", "FillRect 95,1,1,4 #ff000000 m0"}},
        // Sides summed in 64 bits: a wrapped width + 1 would lose the top.
        DrawCase{"rectAsLargeAsAnIntKeepsTheSidesOnTheImage", [](Scene& s) {
            s.g.DrawRect(0, 0, INT_MAX, INT_MAX), s.g.DrawRect(INT_MAX, 2, 1, INT_MIN);
        }, {"FillRect 0,0,100,1 #ff000000 m0", "FillRect 0,1,1,79 #ff000000 m0"}},
        DrawCase{"lineTranslatedUntruncated",
            [](Scene& s) { s.g.mTransX = 0.5f, s.g.Translate(3, 4), s.g.DrawLine(0, 0, 10, 10); },
            {"DrawLine 3.5,4-13.5,14 #ff000000 m0"}},
        DrawCase{"linesClippedToTheLastPixelRisingOnesTopPointFirst", [](Scene& s) {
            s.g.DrawLine(-10, 10, 10, 30), s.g.DrawLine(90, 0, 110, 20), s.g.DrawLine(5, -10, 5, 100);
            s.g.DrawLine(10, 50, 20, 5), s.g.DrawLine(-5, -5, -1, 50), s.g.DrawLine(0, 80, 50, 90);
        }, {"DrawLine 0,20-10,30 #ff000000 m0", "DrawLine 90,0-99,9 #ff000000 m0", "DrawLine 5,0-5,79 #ff000000 m0",
               "DrawLine 20,5-10,50 #ff000000 m0"}}),
    [](const auto& info) { return std::string(info.param.name); });

Lines Box(const Lines& tiles)
{
    Lines calls;
    for (const std::string& tile : tiles)
        calls.push_back("Blt frame " + tile + ",2 #ffffffff m0");
    return calls;
}

INSTANTIATE_TEST_SUITE_P(Images, GraphicsDraw,
    testing::Values(
        DrawCase{"clippedSourceShiftedAndMirrorsLosingTheOtherSidesColumns", [](Scene& s) {
            s.g.DrawImage(&s.ball, -3, 75), s.g.DrawImage(&s.ball, 100, 0);
            s.g.DrawImage(&s.sheet, 95, 2, Rect(10, 0, 10, 10));
            s.g.DrawImageMirrored(&s.sheet, 95, 0, Rect(10, 0, 10, 10));
            s.g.DrawImageMirrored(&s.sheet, -3, 0, Rect(10, 0, 10, 10));
        }, {"Blt ball 0,75 src=3,0,7,5 #ffffffff m0", "Blt sheet 95,2 src=10,0,5,10 #ffffffff m0",
               "BltMirrored sheet 95,0 src=15,0,5,10 #ffffffff m0",
               "BltMirrored sheet 0,0 src=10,0,7,10 #ffffffff m0"}},
        DrawCase{"colorizeGivesTheColourModeAlways", [](Scene& s) {
            s.g.SetColor(Color(10, 20, 30, 40)), s.g.SetDrawMode(Vorn::kDrawModeAdditive);
            s.g.DrawImage(&s.ball, 0, 0), s.g.SetColorize(true), s.g.DrawImage(&s.ball, 0, 0);
        }, {"Blt ball 0,0 src=0,0,10,10 #ffffffff m1", "Blt ball 0,0 src=0,0,10,10 #280a141e m1"}},
        DrawCase{"scaleStretchesAboutItsOriginFlooringAndCeiling", [](Scene& s) {
            s.g.mScaleX = s.g.mScaleY = 2, s.g.DrawImage(&s.ball, 3, 3);
            s.g.mScaleX = s.g.mScaleY = 0.5f, s.g.mScaleOrigX = s.g.mScaleOrigY = 10;
            s.g.Translate(1, 0), s.g.SetQuickStretch(true), s.g.DrawImage(&s.ball, 4, 4, Rect(0, 0, 9, 10));
        }, {"StretchBlt ball 6,6,20,20" + kStretch, "StretchBlt ball 7,7,5,5 src=0,0,9,10" + kPlain + " fast=1"}},
        DrawCase{"floatFormsTranslateAsFloats", [](Scene& s) {
            s.g.Translate(2, 3), s.g.SetSmoothBlend(true);
            s.g.DrawImageAtFloat(&s.ball, 1.5f, 2.25f, Rect(0, 0, 10, 10));
            s.g.DrawImageRotatedAtFloat(&s.ball, 1.5f, 2.25f, 5, 4, nullptr, 0.5);
            s.g.DrawImageByMatrix(&s.ball, Vorn::Matrix3x3(), Rect(0, 0, 5, 5), 1.5f, 2.25f);
        }, {"BltAtFloat ball 3.5,5.25 src=0,0,10,10" + kPlain,
               "BltRotated ball 3.5,5.25 src=0,0,10,10" + kPlain + " angle=0.5 centre=5,4",
               "BltByMatrix ball 3.5,5.25 [1 0 0; 0 1 0]" + kPlain + " src=0,0,5,5 blend=1"}},
        DrawCase{"boxAtTheEndOfTheIntRangeDrawsNothing", [](Scene& s) {
            s.g.DrawImageAsBox(Rect(INT_MAX - 5, INT_MAX - 5, 7, 6), &s.frame);
            s.g.DrawImageAsBox(Rect(INT_MIN, INT_MIN, 7, 6), &s.frame);
        }, {}},
        DrawCase{"boxTilesInClippedCopies", [](Scene& s) {
            s.g.Translate(10, 0), s.g.DrawImageAsBox(Rect(0, 0, 7, 6), &s.frame);
            EXPECT_EQ(s.g.mClipRect, Rect(0, 0, 100, 80));
        }, Box({"10,0 src=0,0,2", "15,0 src=4,0,2", "10,4 src=0,4,2", "15,4 src=4,4,2", "12,0 src=2,0,2",
               "12,4 src=2,4,2", "14,0 src=2,0,1", "14,4 src=2,4,1", "10,2 src=0,2,2", "15,2 src=4,2,2",
               "12,2 src=2,2,2", "14,2 src=2,2,1"})}),
    [](const auto& info) { return std::string(info.param.name); });

std::string ByMatrix(const std::string& matrix)
{
    return "BltByMatrix ball 20,30 " + matrix + kPlain + " src=0,0,10,10 blend=0";
}

// The ball through a transform at (20, 30): its centre (5, 5) lands there.
DrawCase Transformed(const char* name, Transform t, const std::string& call, bool is3D = false)
{
    return {name, [t, is3D](Scene& s) { s.g.mIs3D = is3D, s.g.DrawImageTransform(&s.ball, t, 20, 30); }, {call}};
}

INSTANTIATE_TEST_SUITE_P(Transforms, GraphicsDraw,
    testing::Values(Transformed("plain", Made(3, 0, 1, 1), "BltAtFloat ball 18.5,25.5 src=0,0,10,10" + kPlain),
        Transformed("rotated", Made(1, 0.5f, 1, 1),
            "BltRotated ball 16.5,25.5 src=0,0,10,10" + kPlain + " angle=0.5 centre=4,5"),
        Transformed("mirror", Made(0, 0, -1, 1), "BltMirrored ball 15,25 src=0,0,10,10 #ffffffff m0"),
        Transformed("scaled", Made(0, 0, 2, 3), "StretchBlt ball 10,15,20,30" + kStretch),
        Transformed("mirrorStretchedInY", Made(0, 0, -1, 2), "StretchBltMirrored ball 15,20,10,20" + kStretch),
        Transformed("complex", Made(3, 0, 2, 2), ByMatrix("[2 0 6; 0 2 0]")),
        Transformed("threeD", Made(0, 0, 1, 1), ByMatrix("[1 0 0; 0 1 0]"), true),
        Transformed("secondMirrorIsComplex", Then(Made(0, 0, -1, 1), 0, -1, 1), ByMatrix("[1 0 0; 0 1 0]")),
        Transformed("flipOfYIsComplex", Made(0, 0, 1, -1), ByMatrix("[1 0 0; 0 -1 0]")),
        Transformed("mirrorOfScaledXIsComplex", Then(Made(0, 0, 2, 1), 0, -1, 1), ByMatrix("[-2 0 0; 0 1 0]")),
        Transformed("scaledThenRotated", Then(Made(0, 0, 2, 1), kPi / 2, 1, 1),
            ByMatrix("[-8.74228e-08 1 0; -2 -4.37114e-08 0]")),
        Transformed("rotatedThenScaled", Made(0, kPi / 2, 2, 1), ByMatrix("[-8.74228e-08 2 0; -1 -4.37114e-08 0]")),
        Transformed("negativeXScaleMirrorsWithAPositiveWidth", Then(Made(0, 0, -1, 1), 0, 2, 1),
            "StretchBltMirrored ball 10,25,20,10" + kStretch)),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Graphics, NonFinitePositionsCentresAnglesAndMatricesDrawNothing)
{
    Vorn::Matrix3x3 badMatrix;
    badMatrix.m[1][0] = kNaN;
    Transform badComplex = Made(3, 0, 2, 2), badExtra = Made(0, 0, -1, 1);
    badComplex.mMatrix.m[0][2] = kInf;
    badExtra.mExtraY = kNaN;
    const std::function<void(Graphics&, Image*)> draws[] = {
        [](Graphics& g, Image* i) { g.DrawImageAtFloat(i, kNaN, 0, Rect(0, 0, 5, 5)); },
        [](Graphics& g, Image* i) { g.DrawImageRotatedAtFloat(i, 0, 0, kNaN, 0, nullptr, 0); },
        [](Graphics& g, Image* i) { g.DrawImageRotatedAtFloat(i, 0, 0, 0, 0, nullptr, -kInf); },
        [&](Graphics& g, Image* i) { g.DrawImageByMatrix(i, badMatrix, Rect(0, 0, 5, 5), 0, 0); },
        [](Graphics& g, Image* i) { g.DrawImageTransform(i, Transform(), kNaN, 0); },
        [](Graphics& g, Image* i) { g.DrawImageTransform(i, Made(kInf, 0.5f, 1, 1), 0, 0); },
        [](Graphics& g, Image* i) { g.DrawImageTransform(i, Made(0, kNaN, 1, 1), 0, 0); },
        [](Graphics& g, Image* i) { g.DrawImageTransform(i, Made(0, 0, kInf, 1), 0, 0); },
        [&](Graphics& g, Image* i) { g.DrawImageTransform(i, badExtra, 0, 0); },
        [](Graphics& g, Image* i) { g.DrawImageTransform(i, Made(0, 0, 2, 2), 1e30f, 0); },
        [&](Graphics& g, Image* i) { g.DrawImageTransform(i, badComplex, 0, 0); }};
    for (const auto& draw : draws) {
        Scene s;
        draw(s.g, &s.ball);
        EXPECT_EQ(s.screen.mCalls, Lines{}) << &draw - draws;
    }
}

// Every image form, drawing a source of the sheet where it is visible.
struct Form { const char* name; std::function<void(Graphics&, Image*, const Rect&)> draw; };

const Form kForms[] = {{"DrawImage", [](Graphics& g, Image* i, const Rect& r) { g.DrawImage(i, 1, 1, r); }},
    {"Scaled", [](Graphics& g, Image* i, const Rect& r) { g.mScaleX = 2, g.DrawImage(i, 1, 1, r); }},
    {"Stretched", [](Graphics& g, Image* i, const Rect& r) { g.DrawImage(i, Rect(1, 1, 9, 9), r); }},
    {"Mirrored", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageMirrored(i, 1, 1, r); }},
    {"MirroredStretched",
        [](Graphics& g, Image* i, const Rect& r) { g.DrawImageMirrored(i, Rect(1, 1, 9, 9), r, true); }},
    {"AtFloat", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageAtFloat(i, 1, 1, r); }},
    {"Rotated", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageRotatedAtFloat(i, 1, 1, 2, 2, &r, 1.0); }},
    {"ByMatrix", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageByMatrix(i, Vorn::Matrix3x3(), r, 1, 1); }},
    {"Transform", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageTransform(i, Made(0, 0, 3, 3), r, 40, 40); }},
    {"AsBox", [](Graphics& g, Image* i, const Rect& r) { g.DrawImageAsBox(Rect(1, 1, 30, 30), i, r); }}};

const std::pair<const char*, Rect> kBadSources[] = {{"negativeX", {-1, 0, 5, 5}}, {"negativeY", {0, -1, 5, 5}},
    {"zeroWidth", {0, 0, 0, 5}}, {"negativeHeight", {0, 5, 5, -2}}, {"pastRight", {16, 0, 5, 5}},
    {"pastBottom", {0, 6, 5, 5}}, {"sumOverflows", {INT_MAX, 0, 5, 5}}};

class GraphicsSource : public testing::TestWithParam<std::tuple<Form, std::pair<const char*, Rect>>> {};

TEST_P(GraphicsSource, OutsideTheImageDrawsNothing)
{
    const auto& [form, bad] = GetParam();
    Scene s;
    form.draw(s.g, &s.sheet, Rect(15, 5, 5, 5));
    ASSERT_NE(s.screen.mCalls, Lines{}) << "a source just inside draws";
    s.screen.mCalls.clear();
    form.draw(s.g, &s.sheet, bad.second);
    form.draw(s.g, nullptr, Rect(0, 0, 5, 5));
    EXPECT_EQ(s.screen.mCalls, Lines{});
}

INSTANTIATE_TEST_SUITE_P(Forms, GraphicsSource,
    testing::Combine(testing::ValuesIn(kForms), testing::ValuesIn(kBadSources)),
    [](const auto& info) { return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).first; });

// Text drawn with the fixed-width font: the result and the runs it drew.
struct TextCase { const char* name; std::function<int(Graphics&)> draw; int result; Lines runs; };

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class GraphicsText : public testing::TestWithParam<TextCase> {};

TEST_P(GraphicsText, DrawsTheseRunsAndReturnsTheirExtent)
{
    Scene s;
    EXPECT_EQ(GetParam().draw(s.g), GetParam().result);
    EXPECT_EQ(s.font.mRuns, GetParam().runs);
}

TextCase Codes(const char* name, const char* text, int width, Lines runs)
{
    return {name, [text](Graphics& g) { return g.DrawTextWithCodes(text, 0, 0, 0, -1, true, 0, -1, 0xABCDEF); },
        width, runs};
}

int Plain(Graphics& g, const char* text, int x, int width, int justify, int offset = 0, int length = -1)
{
    return g.DrawTextWithCodes(text, x, 0, width, justify, true, offset, length, -1);
}

INSTANTIATE_TEST_SUITE_P(Codes, GraphicsText,
    testing::Values(TextCase{"codesSwitchAndRestoreKeepingTheAlpha", [](Graphics& g) {
        g.SetColor(Color(0, 255, 0, 128));
        return g.DrawTextWithCodes("^FF0000^abcd^oldclr^efgh", 10, 20, 0, -1, true, 0, -1, -1);
    }, 48, {"abcd@10,20 #80ff0000", "efgh@34,20 #8000ff00"}},
        Codes("doubleCaret", "a^^b", 18, {"a^b@0,0 #ff000000"}),
        Codes("codeEndingTheText", "ab^0000ff^", 12, {"ab@0,0 #ff000000"}),
        Codes("oldColour", "^oldclr^y", 6, {"y@0,0 #ffabcdef"}),
        TextCase{"caretsOrdinaryWhenSwitchedOff",
            [](Graphics& g) { return g.SetWriteColoredString(false), Plain(g, "a^^b^ff0000^", 0, 0, -1); }, 72,
            {"a^^b^ff0000^@0,0 #ff000000"}},
        TextCase{"justifiedByTheMeasureWithoutCodesTowardZero", [](Graphics& g) {
            Plain(g, "^ff0000^ab", 10, 100, 0), Plain(g, "abcd", 10, 100, 1), Plain(g, "abcd", 10, 100, 7);
            return Plain(g, "abcd", 10, 11, 0);
        }, 24, {"ab@54,0 #ffff0000", "abcd@86,0 #ffff0000", "abcd@10,0 #ffff0000", "abcd@4,0 #ffff0000"}},
        TextCase{"offsetAndLengthClampedToTheText", [](Graphics& g) {
            Plain(g, "abcdef", 0, 0, -1, 2, 3), Plain(g, "abcdef", 0, 0, -1, 4, INT_MAX);
            Plain(g, "abcdef", 0, 0, -1, 10);
            EXPECT_EQ(g.DrawWrappedTextPart("abc", 0, 0, 0, -1, -1, 3, 5), -1);
            return Plain(g, "abcdef", 0, 0, -1, -3, 2);
        }, 12, {"cde@0,0 #ff000000", "ef@0,0 #ff000000", "ab@0,0 #ff000000"}},
        TextCase{"noFontNoText", [](Graphics& g) {
            g.SetFont(nullptr), g.DrawString("hi", 0, 0);
            return Plain(g, "hi", 0, 0, -1) + g.DrawWrappedText("hi", Rect(0, 0, 50, 0), -1, -1);
        }, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Wrapped into (5, 10, width): the first baseline is at 10 + 10 - 2.
TextCase Wrapped(const char* name, const char* text, int width, int height, Lines runs)
{
    return {name, [=](Graphics& g) {
        EXPECT_EQ(g.MeasureWrappedHeight(text, width, -1), height);
        return g.DrawWrappedText(text, Rect(5, 10, width, 999), -1, -1);
    }, height, runs};
}

INSTANTIATE_TEST_SUITE_P(Wrapping, GraphicsText,
    testing::Values(Wrapped("twoWords", "abc def", 20, 28, {"abc@5,18 #ff000000", "def@5,34 #ff000000"}),
        Wrapped("longWord", "abcdefgh", 20, 44, {"abc@5,18 #ff000000", "def@5,34 #ff000000", "gh@5,50 #ff000000"}),
        Wrapped("narrowerThanOneCharacter", "ab", 3, 28, {"a@5,18 #ff000000", "b@5,34 #ff000000"}),
        Wrapped("blanksSkippedAfterABlank", "ab    cd", 20, 28, {"ab @5,18 #ff000000", "cd@5,34 #ff000000"}),
        Wrapped("codeAcrossLines", "^FF0000^ab cd", 20, 28, {"ab@5,18 #ffff0000", "cd@5,34 #ffff0000"}),
        Wrapped("codeCutByTheEnd", "ab^12", 50, 12, {"ab@5,18 #ff000000"}), Wrapped("empty", "", 50, -4, {}),
        TextCase{"brokenLinesOutsideTheBandOnlyMeasured", [](Graphics& g) {
            g.SetColor(Color(1, 2, 3)), g.ClipRect(0, 30, 100, 10), g.Translate(0, -16);
            const int height = g.DrawWrappedText("aa bb cc ^00ff00^dd ee", Rect(5, 10, 20, 0), -1, -1);
            EXPECT_EQ(g.GetColor(), Color(1, 2, 3));
            return height;
        }, 76, {"cc@5,50 #ff010203", "dd@5,66 #ff00ff00", "ee@5,82 #ff00ff00"}},
        TextCase{"givenLineSpacingAndJustification",
            [](Graphics& g) { return g.DrawWrappedText("ab cdef", Rect(0, 0, 30, 0), 20, 1); }, 32,
            {"ab@18,8 #ff000000", "cdef@6,28 #ff000000"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
