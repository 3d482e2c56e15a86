#include "framework/graphics/Image.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Vorn::Color;
using Vorn::Image;
using Vorn::Rect;
using Rects = std::vector<Rect>;

// Records the fills the base turns outlines and spans into.
class FillLog : public Image {
public:
    void FillRect(const Rect& rect, const Color&, int) override { fills.push_back(rect); }
    Rects fills;
};

TEST(Image, OutlinesCoverRightAndBottomEdgesOnceAndSpansBecomeRowFills)
{
    FillLog image;
    image.DrawRect(Rect(10, 20, 4, 3), Color::White, Vorn::kDrawModeNormal);
    const Vorn::Span spans[] = {{5, 1, 3}, {6, 0, 4}};
    image.FillSpans(spans, 2, Color::Black, Vorn::kDrawModeAdditive);
    EXPECT_EQ(image.fills,
        (Rects{{10, 20, 5, 1}, {10, 23, 5, 1}, {10, 21, 1, 2}, {14, 21, 1, 2}, {1, 5, 3, 1}, {0, 6, 4, 1}}));
}

TEST(Image, CelsAreNumberedRowByRowLoseTheRemainderAndRowsOrColumnsBelowOneCountAsOne)
{
    Image image;
    image.mWidth = 60, image.mHeight = 100, image.mNumRows = 3, image.mNumCols = 2;
    EXPECT_EQ(image.GetCelRect(3), Rect(30, 33, 30, 33));
    image.mNumRows = 0, image.mNumCols = -2;
    EXPECT_EQ(image.GetCelWidth(), 60);
    EXPECT_EQ(image.GetCelHeight(), 100);
    EXPECT_EQ(image.GetCelRect(1), Rect(0, 100, 60, 100));
}

TEST(Image, ACopyHasItsOwnAnimationAndNoPath)
{
    auto source = std::make_unique<Image>();
    source->mFilePath = "images/ball.png", source->mAnimation = std::make_unique<Vorn::CelAnimation>();
    source->mAnimation->mFrameDelay = 7;
    Image copy(*source);
    source.reset();
    EXPECT_TRUE(copy.mFilePath.empty());
    ASSERT_TRUE(copy.mAnimation && copy.mAnimation->mFrameDelay == 7);
    copy.CopyAttributes(Image());
    EXPECT_EQ(copy.mAnimation, nullptr);
}

} // namespace
