#include "framework/graphics/Font.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class BareFont : public Vorn::Font {
public:
    std::unique_ptr<Vorn::Font> Duplicate() const override { return std::make_unique<BareFont>(*this); }
};

// Seven pixels a character, remembering what it was asked to measure.
class CountingFont : public BareFont {
public:
    int StringWidth(const std::string& text) override
    {
        asked.push_back(text);
        return 7 * static_cast<int>(text.size());
    }
    std::vector<std::string> asked;
};

TEST(Font, BaseMeasuresEverythingAsZeroWide)
{
    BareFont font;
    EXPECT_EQ(font.StringWidth("anything") + font.CharWidth('W') + font.CharWidthWithKerning('A', 'V'), 0);
}

TEST(Font, CharWidthMeasuresTheOneCharacterStringAndIgnoresThePreviousOne)
{
    CountingFont font;
    EXPECT_EQ(font.CharWidthWithKerning('x', 'A'), 7);
    EXPECT_EQ(font.CharWidth('\0'), 7);
    EXPECT_EQ(font.asked, (std::vector<std::string>{"x", std::string(1, '\0')}));
}

TEST(Font, MetricsDeriveDescentAndLineSpacingAndCopyAllFour)
{
    BareFont font;
    font.mAscent = 12;
    font.mAscentPadding = 3;
    font.mHeight = 17;
    font.mLineSpacingOffset = -2;
    const auto copy = font.Duplicate();
    EXPECT_EQ(copy->GetAscent(), 12);
    EXPECT_EQ(copy->GetAscentPadding(), 3);
    EXPECT_EQ(copy->GetDescent(), 5);
    EXPECT_EQ(copy->GetHeight(), 17);
    EXPECT_EQ(copy->GetLineSpacingOffset(), -2);
    EXPECT_EQ(copy->GetLineSpacing(), 15);
}

} // namespace
