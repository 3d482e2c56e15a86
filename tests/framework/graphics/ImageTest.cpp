#include "framework/graphics/Image.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Vorn::Color;
using Vorn::Image;
using Vorn::Rect;

// Records the fills the base turns outlines and spans into.
class FillLog : public Image {
public:
    void FillRect(const Rect& rect, const Color&, int) override { fills.push_back(rect); }
    std::vector<Rect> fills;
};

TEST(Image, DrawRectCoversRightAndBottomEdgesOnce)
{
    FillLog image;
    image.DrawRect(Rect(10, 20, 4, 3), Color::White, Vorn::kDrawModeNormal);
    EXPECT_EQ(image.fills, (std::vector<Rect>{{10, 20, 5, 1}, {10, 23, 5, 1}, {10, 21, 1, 2}, {14, 21, 1, 2}}));

    image.fills.clear();
    image.DrawRect(Rect(3, 3, 0, 0), Color::White, Vorn::kDrawModeNormal);
    EXPECT_EQ(image.fills, (std::vector<Rect>{{3, 3, 1, 1}, {3, 3, 1, 1}, {3, 4, 1, -1}, {3, 4, 1, -1}}));
}

TEST(Image, SpansBecomeOneRowFillsInOrder)
{
    FillLog image;
    const Vorn::Span spans[] = {{5, 1, 3}, {6, 0, 4}};
    image.FillSpans(spans, 2, Color::Black, Vorn::kDrawModeAdditive);
    EXPECT_EQ(image.fills, (std::vector<Rect>{{1, 5, 3, 1}, {0, 6, 4, 1}}));
}

TEST(Image, CelsAreNumberedRowByRowAndLoseTheRemainder)
{
    Image image;
    image.mWidth = 60;
    image.mHeight = 100;
    image.mNumRows = 4;
    EXPECT_EQ(image.GetCelRect(2), Rect(0, 50, 60, 25));
    image.mNumRows = 3;
    image.mNumCols = 2;
    EXPECT_EQ(image.GetCelHeight(), 33);
    EXPECT_EQ(image.GetCelRect(3), Rect(30, 33, 30, 33));
}

TEST(Image, RowsAndColumnsBelowOneCountAsOne)
{
    Image image;
    image.mWidth = 40;
    image.mHeight = 30;
    image.mNumRows = 0;
    image.mNumCols = -2;
    EXPECT_EQ(image.GetCelWidth(), 40);
    EXPECT_EQ(image.GetCelHeight(), 30);
    EXPECT_EQ(image.GetCelRect(1), Rect(0, 30, 40, 30));
}

TEST(Image, ACopyHasItsOwnAnimationAndNoPath)
{
    auto source = std::make_unique<Image>();
    source->mFilePath = "images/ball.png";
    source->mDrawn = true;
    source->mNumCols = 5;
    source->mAnimation = std::make_unique<Vorn::CelAnimation>();
    source->mAnimation->mFrameDelay = 7;
    Image copy(*source);
    EXPECT_TRUE(copy.mFilePath.empty());
    EXPECT_FALSE(copy.mDrawn);
    EXPECT_EQ(copy.mNumCols, 5);
    ASSERT_NE(copy.mAnimation, nullptr);
    EXPECT_NE(copy.mAnimation.get(), source->mAnimation.get());
    source.reset();
    EXPECT_EQ(copy.mAnimation->mFrameDelay, 7);

    Image other;
    other.mAnimation = std::make_unique<Vorn::CelAnimation>();
    other.CopyAttributes(Image());
    EXPECT_EQ(other.mAnimation, nullptr);
}

} // namespace
