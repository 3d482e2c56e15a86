// One ball: its pictures, its growth, turning and shrinking, the hover test
// and the pulse of its special overlay.

#include "game/Ball.h"

#include "ReferenceRand.h"
#include "fakes/RecordingImage.h"
#include "game/GameResources.h"
#include "game/PhysicsWorld.h"
#include "game/Renderer.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

using Testing::ReferenceRand;

class BallFixture : public ::testing::Test {
protected:
    BallFixture()
    {
        InitPhysicsWorld();
        const std::array<Vorn::Image**, 9> globals = {&IMAGE_TOKEN_1, &IMAGE_TOKEN_2, &IMAGE_TOKEN_3, &IMAGE_TOKEN_4,
            &IMAGE_TOKEN_5, &IMAGE_TOKEN_6, &IMAGE_SYMBOLS, &IMAGE_TOKEN_SHADOW, &IMAGE_BONUS};
        for (size_t i = 0; i < globals.size(); ++i) {
            mPictures.push_back(std::make_unique<Testing::RecordingImage>(96, 96, "picture" + std::to_string(i)));
            *globals[i] = mPictures.back().get();
        }
        Platform::SRand(kSeed);
    }
    ~BallFixture() override
    {
        IMAGE_TOKEN_1 = IMAGE_TOKEN_2 = IMAGE_TOKEN_3 = IMAGE_TOKEN_4 = IMAGE_TOKEN_5 = IMAGE_TOKEN_6 = nullptr;
        IMAGE_SYMBOLS = IMAGE_TOKEN_SHADOW = IMAGE_BONUS = nullptr;
    }

    // A ball set up at (x, y) and grown to its full size.
    std::unique_ptr<Ball> GrownBall(float x, float y, float size)
    {
        auto ball = std::make_unique<Ball>(&mRenderer, x, y, size);
        ball->SetUp(5, 2);
        Run(*ball, 49);
        return ball;
    }

    static void Run(Ball& ball, int updates)
    {
        for (int i = 0; i < updates; ++i)
            ball.Update();
    }

    static constexpr uint32_t kSeed = 77;
    PhysicsWorld mWorld;
    Renderer mRenderer{1};
    std::vector<std::unique_ptr<Testing::RecordingImage>> mPictures;
};

TEST_F(BallFixture, IsMadeClosedWithoutSymbolOrSpecial)
{
    Ball ball(&mRenderer, 10.0f, 20.0f, 0.65f);
    EXPECT_FALSE(ball.mHovered || ball.mOpen || ball.mBeingRemoved || ball.mReserved1 || ball.mReserved2 ||
                 ball.mHeldShown || ball.mTranslucent);
    EXPECT_EQ(ball.mSymbol, -1);
    EXPECT_EQ(ball.mSpecialKind, 0);
    EXPECT_EQ(ball.mSize, 0.65f);
    EXPECT_EQ(ball.mScaleX, 0.65f);
    EXPECT_EQ(ball.mGrowCounter + ball.mFlipCounter + ball.mRemovalCounter + ball.mSpecialLifetime, 0);
    EXPECT_EQ(ball.GetVelocityX() + ball.GetVelocityY(), 0.0f);
    EXPECT_EQ(ball.GetTypeId(), PhysSprite::kTypeBall);
    ball.CreateBody();
    EXPECT_DOUBLE_EQ(dGeomSphereGetRadius(ball.mGeom), 48.0 * 0.65f);
}

TEST_F(BallFixture, SetUpLayersItsFourPicturesAndDrawsItsBodyAndTurn)
{
    ReferenceRand rand(kSeed);
    const int body = rand.Next() % 6;
    const int turn = rand.Next() % 100;
    Ball ball(&mRenderer, 300.0f, 200.0f, 0.8f);
    ball.SetUp(11, 3);
    ASSERT_EQ(ball.mChildren.size(), 4u);
    const std::array<Vorn::Image*, 4> images = {
        mPictures[static_cast<size_t>(body)].get(), mPictures[6].get(), mPictures[7].get(), mPictures[8].get()};
    const std::array<int, 4> layers = {2, 3, 1, 3};
    const std::array<int, 4> cels = {0, 11, 0, 0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ball.mChildren[i]->mImage, images[i]) << i;
        EXPECT_EQ(ball.mChildren[i]->mLayer, layers[i]) << i;
        EXPECT_EQ(ball.mChildren[i]->mFrame, cels[i]) << i;
    }
    EXPECT_EQ(ball.mBodySprite->mRotation, 2.0f * 3.14f * static_cast<float>(turn) / 100.0f);
    EXPECT_EQ(ball.mSymbol, 11);
    EXPECT_EQ(ball.mSymbolSet, 3);
    EXPECT_EQ(Platform::Rand(), rand.Next());
}

TEST_F(BallFixture, GrowsInOverFiftyUpdatesWithItsShape)
{
    Ball ball(&mRenderer, 300.0f, 200.0f, 0.8f);
    ball.SetUp(0, 0);
    for (int counter = 98; counter >= 0; counter -= 2) {
        const float scale = (1.0f - static_cast<float>(counter) / 100.0f) * 0.8f;
        EXPECT_EQ(ball.mGrowCounter, counter);
        EXPECT_EQ(ball.mScaleX, scale);
        EXPECT_EQ(ball.mScaleY, scale);
        EXPECT_DOUBLE_EQ(dGeomSphereGetRadius(ball.mGeom), 48.0f * scale);
        EXPECT_EQ(ball.mChildren[0]->mScaleX, scale);
        ball.Update();
    }
    EXPECT_EQ(ball.mScaleX, 0.8f);
    EXPECT_DOUBLE_EQ(dGeomSphereGetRadius(ball.mGeom), 48.0f * 0.8f);
}

TEST_F(BallFixture, ARemovalWaitsForTheGrowthThenShrinksInTwentyUpdates)
{
    Ball ball(&mRenderer, 300.0f, 200.0f, 0.6f);
    ball.SetUp(0, 0);
    ball.StartRemoval();
    EXPECT_TRUE(ball.mBeingRemoved);
    Run(ball, 49);
    EXPECT_EQ(ball.mScaleX, 0.6f);
    EXPECT_EQ(ball.mRemovalCounter, 100);
    for (int counter = 95; counter >= 0; counter -= 5) {
        ball.Update();
        EXPECT_EQ(ball.mRemovalCounter, counter);
        EXPECT_EQ(ball.mScaleX, static_cast<float>(counter) / 100.0f * 0.6f);
        EXPECT_EQ(ball.mScaleY, ball.mScaleX);
    }
    EXPECT_DOUBLE_EQ(dGeomSphereGetRadius(ball.mGeom), 48.0f * 0.6f);
}

TEST_F(BallFixture, TurningOpenNarrowsToAnEdgeAndShowsTheSymbolFromTheMiddle)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.7f);
    ball->Flip();
    EXPECT_TRUE(ball->mOpen);
    for (int counter = 96; counter >= 0; counter -= 4) {
        ball->Update();
        const float narrow = static_cast<float>(std::fabs(std::cos(counter / 100.0 * std::numbers::pi))) * 0.7f;
        EXPECT_EQ(ball->mScaleX, narrow) << counter;
        EXPECT_EQ(ball->mScaleY, 0.7f);
        EXPECT_EQ(ball->mSymbolSprite->mVisible, counter < 50) << counter;
        EXPECT_EQ(ball->mOverlaySprite->mVisible, counter >= 50) << counter;
    }
    ball->Update();
    EXPECT_EQ(ball->mScaleX, 0.7f);
    EXPECT_TRUE(ball->mSymbolSprite->mVisible);
}

TEST_F(BallFixture, TurningClosedHidesTheSymbolFromTheMiddle)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.7f);
    ball->Flip();
    Run(*ball, 25);
    ball->Flip();
    for (int counter = 96; counter >= 0; counter -= 4) {
        ball->Update();
        EXPECT_EQ(ball->mSymbolSprite->mVisible, counter > 50) << counter;
    }
}

TEST_F(BallFixture, AHeldBallTurnsWithoutAnimationAndHoldingOnlyAnimatesAClosedOne)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.7f);
    ball->SetHeldShown(true);
    EXPECT_EQ(ball->mFlipCounter, 100);
    Run(*ball, 25);
    ball->Flip();
    EXPECT_TRUE(ball->mOpen);
    EXPECT_EQ(ball->mFlipCounter, 0);
    ball->SetHeldShown(false);
    EXPECT_EQ(ball->mFlipCounter, 0);
    ball->Update();
    EXPECT_TRUE(ball->mSymbolSprite->mVisible);
}

struct HoverCase {
    int dx, dy;
    bool hovered;
};

class BallHover : public BallFixture, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(BallHover, HoldsStrictlyWithinTheFullSizeRadius)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.5f);
    ball->StartRemoval();
    Run(*ball, 5);
    const HoverCase c = GetParam();
    ball->UpdateHover(300 + c.dx, 200 + c.dy);
    EXPECT_EQ(ball->mHovered, c.hovered);
}

INSTANTIATE_TEST_SUITE_P(Edges, BallHover,
    ::testing::Values(HoverCase{24, 0, false}, HoverCase{23, 0, true}, HoverCase{0, -24, false},
        HoverCase{0, -23, true}, HoverCase{-17, 17, false}, HoverCase{16, -16, true}, HoverCase{0, 0, true}));

TEST_F(BallFixture, TheHoverEnlargementShowsOnlyWithoutAnAnimation)
{
    Ball ball(&mRenderer, 300.0f, 200.0f, 0.5f);
    ball.SetUp(0, 0);
    ball.UpdateHover(300, 200);
    ball.Update();
    EXPECT_EQ(ball.mScaleX, (1.0f - 96.0f / 100.0f) * 0.5f);
    Run(ball, 48);
    ball.Update();
    EXPECT_EQ(ball.mScaleX, 0.5f * 1.1f);
    ball.Flip();
    ball.Update();
    EXPECT_EQ(ball.mScaleY, 0.5f);
}

TEST_F(BallFixture, ATranslucentClosedBallShowsItsSymbolFaintlyUnderTheOverlay)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.5f);
    ball->mTranslucent = true;
    ball->Update();
    EXPECT_TRUE(ball->mSymbolSprite->mVisible);
    EXPECT_TRUE(ball->mOverlaySprite->mVisible);
    EXPECT_EQ(ball->mSymbolSprite->mAlpha, 100);
    ball->Flip();
    Run(*ball, 25);
    EXPECT_TRUE(ball->mSymbolSprite->mVisible);
    EXPECT_FALSE(ball->mOverlaySprite->mVisible);
    EXPECT_EQ(ball->mSymbolSprite->mAlpha, 255);
}

TEST_F(BallFixture, ASpecialPulsesForAThousandUpdatesThenTheOverlayGoesOnPulsingWithoutIt)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.5f);
    ball->SetSpecial(Ball::kSpecialReveal);
    EXPECT_EQ(ball->mOverlaySprite->mFrame, 3);
    EXPECT_EQ(ball->mSpecialLifetime, 1000);
    std::vector<int> alphas;
    for (int lifetime = 999; lifetime >= 1; --lifetime) {
        ball->Update();
        const double pulse = (std::sin(lifetime / 20.0) + 1.0) * 128.0;
        const int alpha = static_cast<int>(std::min(pulse, 255.0));
        ASSERT_EQ(ball->mOverlaySprite->mAlpha, alpha) << lifetime;
        alphas.push_back(alpha);
    }
    EXPECT_EQ(*std::max_element(alphas.begin(), alphas.end()), 255);
    EXPECT_LT(*std::min_element(alphas.begin(), alphas.end()), 2);
    EXPECT_EQ(ball->mSpecialKind, Ball::kSpecialReveal);
    ball->Update();
    EXPECT_EQ(ball->mSpecialKind, Ball::kSpecialNone);
    EXPECT_EQ(ball->mOverlaySprite->mFrame, 0);
    EXPECT_EQ(ball->mSpecialLifetime, 1000);
    EXPECT_EQ(ball->mOverlaySprite->mAlpha, 128);
    ball->Update();
    EXPECT_EQ(ball->mOverlaySprite->mAlpha, static_cast<int>((std::sin(999 / 20.0) + 1.0) * 128.0));
}

TEST_F(BallFixture, AnUpdateCarriesTheBodysPlaceToEveryPicture)
{
    auto ball = GrownBall(300.0f, 200.0f, 0.5f);
    dBodySetPosition(ball->mBody, 333.0, 222.0, 0.0);
    ball->Update();
    for (const auto& child : ball->mChildren) {
        EXPECT_EQ(child->mX, 333.0f);
        EXPECT_EQ(child->mY, 222.0f);
    }
}

} // namespace
