#include "framework/graphics/Font.h"

#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"

#include <gtest/gtest.h>

namespace {

struct Bare : Vorn::Font {
    std::unique_ptr<Vorn::Font> Duplicate() const override { return std::make_unique<Bare>(*this); }
};

TEST(Font, TheBaseMeasuresNothingAndDrawsNothing)
{
    Bare font;
    font.mAscent = 10;
    font.mHeight = 14;
    font.mLineSpacingOffset = -3;
    EXPECT_EQ(font.StringWidth("text") + font.CharWidth('t') + font.CharWidthWithKerning('t', 'x'), 0);
    EXPECT_EQ(font.GetDescent(), 4);
    EXPECT_EQ(font.GetLineSpacing(), 11);
    Testing::RecordingImage screen(100, 100);
    Vorn::Graphics g(&screen);
    g.SetFont(&font);
    g.DrawString("text", 10, 10);
    EXPECT_TRUE(screen.mCalls.empty());
    EXPECT_EQ(font.Duplicate()->GetLineSpacing(), 11);
}

} // namespace
