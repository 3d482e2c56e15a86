#include "game/Renderer.h"

#include "fakes/RecordingImage.h"
#include "fakes/ScriptedApp.h"
#include "framework/graphics/Graphics.h"
#include "game/ParticleEmitter.h"
#include "game/Sprite.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Testing::RecordingImage;
using Lines = std::vector<std::string>;

struct Stage {
    Renderer renderer{1};
    RecordingImage screen{800, 600, "screen"};
    Vorn::Graphics g{&screen};
    std::vector<std::unique_ptr<RecordingImage>> images;
    std::vector<std::unique_ptr<Sprite>> sprites;

    // An unscaled, unturned sprite of a 10 x 10 image of its own, queued.
    Sprite& Queue(const std::string& name, int layer, float x = 0.0f, float y = 0.0f)
    {
        images.push_back(std::make_unique<RecordingImage>(10, 10, name));
        sprites.push_back(std::make_unique<Sprite>(&renderer, x, y));
        Sprite& s = *sprites.back();
        s.mImage = images.back().get();
        s.mLayer = layer;
        s.UpdateTransform();
        s.Queue();
        return s;
    }

    Lines Drawn() const
    {
        Lines names;
        for (const std::string& call : screen.mCalls)
            names.push_back(call.substr(12, call.find(' ', 12) - 12));
        return names;
    }
};

TEST(Renderer, DrawsByAscendingLayerKeepingTheQueueOrderWithinALayer)
{
    Stage s;
    s.Queue("a", 3);
    s.Queue("b", 1);
    s.Queue("c", 3);
    s.Queue("d", 2);
    s.Queue("e", 1);
    s.Queue("f", -4);
    s.Queue("g", 3);
    s.renderer.Draw(&s.g);
    EXPECT_EQ(s.Drawn(), (Lines{"f", "b", "e", "d", "a", "c", "g"}));
    EXPECT_TRUE(s.renderer.mDrawQueue.empty());
    s.renderer.Draw(&s.g);
    EXPECT_EQ(s.screen.mCalls.size(), 7u);
}

TEST(Renderer, ACelIsDrawnThroughTheTransformCentredOnPositionPlusOffset)
{
    Stage s;
    Sprite& sprite = s.Queue("sheet", 0, 100.0f, 50.0f);
    s.images.back()->mWidth = 40;
    s.images.back()->mHeight = 30;
    s.images.back()->mNumCols = 2;
    s.images.back()->mNumRows = 3;
    sprite.mOffsetX = 5.5f;
    sprite.mOffsetY = -2.0f;
    sprite.mFrame = 3;
    sprite.mScaleX = 2.0f;
    sprite.mScaleY = 0.5f;
    sprite.UpdateTransform();
    s.renderer.Draw(&s.g);
    EXPECT_EQ(s.screen.mCalls,
        (Lines{"BltByMatrix sheet 105.5,48 [2 0 0; 0 0.5 0] clip=0,0,800,600 #ffffffff m0 src=20,10,20,10 blend=0"}));
}

// Frames outside the image's cels are held to its first and last cel; rows
// and columns below 1 count as 1.
TEST(Renderer, FramesOutsideTheCelsAreHeldToTheNearestCel)
{
    const struct {
        int rows, cols, frame;
        std::string source;
    } rows[] = {
        {2, 2, 3, "src=5,5,5,5"}, {2, 2, 4, "src=5,5,5,5"}, {2, 2, 1000000, "src=5,5,5,5"},
        {2, 2, -1, "src=0,0,5,5"}, {2, 2, -2147483647 - 1, "src=0,0,5,5"}, {2, 2, 2, "src=0,5,5,5"},
        {0, -3, 2, "src=0,0,10,10"}, {1, 1, 0, "src=0,0,10,10"},
    };
    for (const auto& row : rows) {
        Stage s;
        Sprite& sprite = s.Queue("sheet", 0);
        s.images.back()->mNumRows = row.rows;
        s.images.back()->mNumCols = row.cols;
        sprite.mFrame = row.frame;
        s.renderer.Draw(&s.g);
        ASSERT_EQ(s.screen.mCalls.size(), 1u);
        EXPECT_NE(s.screen.mCalls[0].find(row.source), std::string::npos)
            << row.frame << ": " << s.screen.mCalls[0];
    }
}

TEST(Renderer, TranslucentSpritesAreColourisedAndOpaqueOnesAreNot)
{
    Stage s;
    s.Queue("faint", 1).mAlpha = 100;
    s.Queue("solid", 2);
    s.Queue("gone", 3).mAlpha = -20;
    s.Queue("last", 4).mAlpha = 254;
    s.renderer.Draw(&s.g);
    ASSERT_EQ(s.screen.mCalls.size(), 4u);
    EXPECT_NE(s.screen.mCalls[0].find("#64ffffff m0"), std::string::npos);
    EXPECT_NE(s.screen.mCalls[1].find("#ffffffff m0"), std::string::npos);
    EXPECT_NE(s.screen.mCalls[2].find("#00ffffff m0"), std::string::npos);
    EXPECT_NE(s.screen.mCalls[3].find("#feffffff m0"), std::string::npos);
    // Left as the last sprite set it.
    EXPECT_TRUE(s.g.GetColorize());
    EXPECT_EQ(s.g.GetColor(), Vorn::Color(255, 255, 255, 254));

    // An opaque sprite switches colorizing off and leaves the colour alone.
    s.Queue("faint", 1).mAlpha = 100;
    s.Queue("solid", 2);
    s.renderer.Draw(&s.g);
    EXPECT_FALSE(s.g.GetColorize());
    EXPECT_EQ(s.g.GetColor(), Vorn::Color(255, 255, 255, 100));
}

TEST(Renderer, ASpriteWithoutImageIsSkipped)
{
    Stage s;
    s.Queue("first", 1);
    s.Queue("none", 2).mImage = nullptr;
    s.Queue("third", 3);
    s.renderer.Draw(&s.g);
    EXPECT_EQ(s.Drawn(), (Lines{"first", "third"}));
}

TEST(Renderer, ParticlesAreDrawnAfterTheSprites)
{
    Stage s;
    ParticleEmitter emitter;
    emitter.mImage = std::make_unique<RecordingImage>(4, 4, "spark");
    s.renderer.mParticleSystem->AddEmitter(&emitter);
    s.renderer.mParticleSystem->Update(0.03f);
    s.Queue("ball", 1000001);
    s.renderer.Draw(&s.g);
    s.renderer.DrawParticles(&s.g);
    EXPECT_EQ(s.Drawn(), (Lines{"ball", "spark"}));
    s.renderer.mParticleSystem->RemoveEmitter(&emitter);
}

TEST(Renderer, ItsParticlesStartFromTheApplicationsSeed)
{
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    app.mRandSeed = 4242;
    Renderer renderer;
    std::mt19937 reference(4242);
    EXPECT_EQ(renderer.mParticleSystem->mRandom.Rand(), static_cast<int>(reference() >> 17));
}

TEST(Renderer, WithoutAnApplicationItsParticlesStartFromSeedZero)
{
    Renderer renderer;
    // The generator's seed 0 stands for 4357.
    std::mt19937 reference(4357);
    EXPECT_EQ(renderer.mParticleSystem->mRandom.Rand(), static_cast<int>(reference() >> 17));
}

} // namespace
