// The score font's descriptor, run command by command through the
// description language: the characters the game writes, glyph rectangles
// inside the picture, and metrics that fit the score table's rows.

#include "GameData.h"
#include "fakes/PoolingApp.h"
#include "fakes/RecordingImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageFont.h"
#include "framework/resources/DescParser.h"
#include "framework/resources/ImageLib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Vorn::ListDataElement;

// Records what each layer is given.
class DescriptorReader : public Vorn::DescParser {
public:
    struct Layer {
        std::string image;
        int ascent = 0;
        int height = 0;
        std::map<char, std::vector<int>> rects;
        std::map<char, int> widths;
        std::map<char, std::vector<int>> offsets;
    };

    bool ExecuteCommand(ListDataElement& params) override
    {
        std::string word;
        ValueToString(params.mElementVector[0].get(), word);
        mCommands.push_back(word);
        const auto arg = [&](size_t i) { return params.mElementVector.at(i).get(); };
        if (word == "Define") {
            std::string name;
            ValueToString(arg(1), name);
            auto list = std::make_unique<ListDataElement>();
            if (!arg(2)->mIsList || !CopyValueList(static_cast<const ListDataElement&>(*arg(2)), *list))
                return false;
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            mDefineMap[name] = std::move(list);
            return true;
        }
        if (word == "SetDefaultPointSize" || word == "CreateLayer")
            return true;
        std::string layerName;
        ValueToString(arg(1), layerName);
        Layer& layer = mLayers[layerName];
        const auto number = [&](size_t i) {
            std::string text;
            ValueToString(arg(i), text);
            return std::stoi(text);
        };
        if (word == "LayerSetImage")
            ValueToString(arg(2), layer.image);
        else if (word == "LayerSetAscent")
            layer.ascent = number(2);
        else if (word == "LayerSetHeight")
            layer.height = number(2);
        else if (word == "LayerSetImageMap" || word == "LayerSetCharOffsets" || word == "LayerSetCharWidths") {
            std::vector<std::string> chars;
            if (!ValueToStringVector(arg(2), chars))
                return false;
            ListDataElement values;
            if (!ValueToList(arg(3), values) || values.mElementVector.size() != chars.size())
                return false;
            for (size_t i = 0; i < chars.size(); ++i) {
                if (chars[i].size() != 1)
                    return false;
                std::vector<int> numbers;
                if (word == "LayerSetCharWidths") {
                    std::string text;
                    ValueToString(values.mElementVector[i].get(), text);
                    layer.widths[chars[i][0]] = std::stoi(text);
                    continue;
                }
                if (!ValueToIntVector(values.mElementVector[i].get(), numbers))
                    return false;
                (word == "LayerSetImageMap" ? layer.rects : layer.offsets)[chars[i][0]] = numbers;
            }
        }
        return true;
    }
    std::vector<std::string> mCommands;
    std::map<std::string, Layer> mLayers;
};

TEST(ScoreFont, DescriptorHoldsEveryCharacterTheGameWritesInsideItsPicture)
{
    Testing::GameArchive archive;
    DescriptorReader reader;
    ASSERT_TRUE(reader.ReadDescriptorFile("fonts/score.txt")) << reader.mCommands.size();
    const auto picture = ImageLib::LoadImageFile("fonts/score.png", false);
    ASSERT_TRUE(picture);

    std::set<char> needed = {' ', '+', '-', '?'};
    for (char c = '0'; c <= '9'; ++c)
        needed.insert(c);
    for (char c = 'A'; c <= 'Z'; ++c) {
        needed.insert(c);
        needed.insert(static_cast<char>(c - 'A' + 'a'));
    }
    ASSERT_EQ(reader.mLayers.count("Main"), 1u);
    for (const auto& [name, layer] : reader.mLayers) {
        SCOPED_TRACE(name);
        EXPECT_EQ(layer.image, "score.png");
        // Rows of the score table are 35 apart; the score's baseline is 64.
        EXPECT_GT(layer.height, 0);
        EXPECT_LE(layer.height, 35);
        EXPECT_GT(layer.ascent, 0);
        EXPECT_LE(layer.ascent, 64);
        for (const char c : needed) {
            ASSERT_TRUE(layer.rects.contains(c)) << "'" << c << "'";
            const std::vector<int>& r = layer.rects.at(c);
            ASSERT_EQ(r.size(), 4u);
            EXPECT_TRUE(r[0] >= 0 && r[1] >= 0 && r[0] + r[2] <= picture->GetWidth() && r[1] + r[3] <= picture->GetHeight())
                << "'" << c << "' outside the picture";
            EXPECT_GT(layer.widths.at(c), 0) << "'" << c << "'";
            EXPECT_EQ(layer.offsets.at(c).size(), 2u);
        }
    }
    // White glyphs: the caller's colour tints them.
    const std::vector<int>& zero = reader.mLayers.at("Main").rects.at('0');
    uint32_t strongest = 0;
    for (int y = zero[1]; y < zero[1] + zero[3]; ++y) {
        for (int x = zero[0]; x < zero[0] + zero[2]; ++x) {
            const uint32_t p = picture->GetBits()[static_cast<size_t>(y) * static_cast<size_t>(picture->GetWidth()) + x];
            if ((p >> 24) > (strongest >> 24))
                strongest = p;
        }
    }
    EXPECT_EQ(strongest, 0xFFFFFFFFu);
}

// The score font scaled up: "0" advances 19 pixels at its own size. At 8
// times the formula's 152 would need the shadow's glyphs, 1521 pixels side
// by side, rendered 12168 wide; the shadow is held to 8192 / 1521 = 5.386
// times, and the face shrinks with it (lowered on its own it stood at 7.28
// times over a smaller shadow, and "0" measured 138).
TEST(ScoreFont, ScaledPastTheLimitTheShadowAndTheFaceShrinkTogether)
{
    Testing::GameArchive archive;
    Testing::PoolingApp app;
    Vorn::ImageFont font(&app, "fonts/score.txt");
    ASSERT_EQ(font.mActiveLayerList.size(), 2u);
    Testing::RecordingImage screen(800, 600, "screen");
    Vorn::Graphics g(&screen);
    for (const auto& [scale, zero] : {std::pair{1.0, 19}, {2.0, 38}, {4.0, 76}, {8.0, 102}}) {
        font.SetScale(scale);
        EXPECT_EQ(font.CharWidth('0'), zero) << scale;
        const double lowered = std::min(scale, 8192.0 / 1521.0);
        for (const Vorn::ActiveFontLayer& layer : font.mActiveLayerList)
            EXPECT_DOUBLE_EQ(layer.mScale, lowered) << scale;
        int drawn = 0;
        font.DrawStringLayered(&g, 10, 400, "1234567890", Vorn::Color::White, Vorn::Rect(), nullptr, &drawn);
        EXPECT_EQ(drawn, font.StringWidth("1234567890")) << scale;
    }
}

} // namespace

