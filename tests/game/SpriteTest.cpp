#include "game/Sprite.h"

#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Sprite, StartsCentredOnItsPositionUnscaledOpaqueAndVisible)
{
    Renderer renderer(1);
    const Sprite s(&renderer, 12.5f, -3.0f);
    EXPECT_EQ(s.mX, 12.5f);
    EXPECT_EQ(s.mY, -3.0f);
    EXPECT_EQ(s.mOffsetX + s.mOffsetY + s.mRotation, 0.0f);
    EXPECT_EQ(s.mScaleX * s.mScaleY, 1.0f);
    EXPECT_EQ(s.mLayer + s.mFrame, 0);
    EXPECT_EQ(s.mAlpha, 255);
    EXPECT_TRUE(s.mVisible);
    EXPECT_EQ(s.mImage, nullptr);
    EXPECT_EQ(s.mRenderer, &renderer);
}

// Scale first, then rotation: M = R x S.
TEST(Sprite, TheTransformScalesThenRotatesAndAHiddenSpriteKeepsItsLast)
{
    Renderer renderer(1);
    Sprite s(&renderer, 0.0f, 0.0f);
    s.mScaleX = 2.0f;
    s.mScaleY = 0.5f;
    s.mRotation = 0.3f;
    s.UpdateTransform();
    const float c = std::cos(0.3f);
    const float n = std::sin(0.3f);
    const auto& m = s.mTransform.GetMatrix().m;
    EXPECT_FLOAT_EQ(m[0][0], c * 2.0f);
    EXPECT_FLOAT_EQ(m[0][1], n * 0.5f);
    EXPECT_FLOAT_EQ(m[1][0], -n * 2.0f);
    EXPECT_FLOAT_EQ(m[1][1], c * 0.5f);
    EXPECT_EQ(m[0][2] + m[1][2], 0.0f);

    s.mVisible = false;
    s.mScaleX = 7.0f;
    s.mRotation = 0.0f;
    s.UpdateTransform();
    EXPECT_FLOAT_EQ(s.mTransform.GetMatrix().m[0][0], c * 2.0f);
    s.mVisible = true;
    s.UpdateTransform();
    EXPECT_FLOAT_EQ(s.mTransform.GetMatrix().m[0][0], 7.0f);
    EXPECT_FLOAT_EQ(s.mTransform.GetMatrix().m[1][1], 0.5f);
}

TEST(Sprite, OnlyAVisibleSpriteQueuesItself)
{
    Renderer renderer(1);
    Sprite shown(&renderer, 0.0f, 0.0f);
    Sprite hidden(&renderer, 0.0f, 0.0f);
    hidden.mVisible = false;
    shown.Queue();
    hidden.Queue();
    shown.Queue();
    EXPECT_EQ(renderer.mDrawQueue, (std::vector<Sprite*>{&shown, &shown}));
}

} // namespace
