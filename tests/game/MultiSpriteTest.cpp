#include "game/MultiSprite.h"

#include "fakes/RecordingImage.h"
#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(MultiSprite, ChildrenAreAddedAtTheOriginOnTheGroupsRenderer)
{
    Renderer renderer(1);
    Testing::RecordingImage image(10, 10);
    MultiSprite group(&renderer, 5.0f, 6.0f, 0.75f);
    EXPECT_EQ(group.GetX(), 5.0f);
    EXPECT_EQ(group.GetY(), 6.0f);
    EXPECT_EQ(group.GetScaleX(), 0.75f);
    EXPECT_EQ(group.GetScaleY(), 0.75f);
    Sprite* child = group.AddSprite(&image, 3, 2);
    ASSERT_EQ(group.mChildren.size(), 1u);
    EXPECT_EQ(group.mChildren[0].get(), child);
    EXPECT_EQ(child->mImage, &image);
    EXPECT_EQ(child->mLayer, 3);
    EXPECT_EQ(child->mFrame, 2);
    EXPECT_EQ(child->mX + child->mY, 0.0f);
    EXPECT_EQ(child->mRenderer, &renderer);
}

TEST(MultiSprite, SynchronisingOverridesPositionAndScaleAndKeepsTheChildsOwn)
{
    Renderer renderer(1);
    MultiSprite group(&renderer, 0.0f, 0.0f, 1.0f);
    Sprite* a = group.AddSprite(nullptr, 1, 0);
    Sprite* b = group.AddSprite(nullptr, 2, 4);
    a->mRotation = 0.5f;
    a->mOffsetX = 9.0f;
    a->mAlpha = 100;
    a->mScaleX = 3.0f;
    b->mX = 77.0f;
    b->mVisible = false;
    group.mX = 40.0f;
    group.mY = 50.0f;
    group.mScaleX = 2.0f;
    group.mScaleY = 0.5f;
    group.SyncChildren();
    for (const Sprite* s : {a, b}) {
        EXPECT_EQ(s->mX, 40.0f);
        EXPECT_EQ(s->mY, 50.0f);
        EXPECT_EQ(s->mScaleX, 2.0f);
        EXPECT_EQ(s->mScaleY, 0.5f);
    }
    EXPECT_EQ(a->mRotation, 0.5f);
    EXPECT_EQ(a->mOffsetX, 9.0f);
    EXPECT_EQ(a->mAlpha, 100);
    EXPECT_EQ(b->mFrame, 4);
    EXPECT_FALSE(b->mVisible);
    // The visible child's transform was rebuilt, the hidden one's was not.
    EXPECT_FLOAT_EQ(a->mTransform.GetMatrix().m[1][1], std::cos(0.5f) * 0.5f);
    EXPECT_EQ(b->mTransform.GetMatrix().m[0][0], 1.0f);

    group.QueueChildren();
    EXPECT_EQ(renderer.mDrawQueue, (std::vector<Sprite*>{a}));
    b->mVisible = true;
    renderer.mDrawQueue.clear();
    group.QueueChildren();
    EXPECT_EQ(renderer.mDrawQueue, (std::vector<Sprite*>{a, b}));
}

} // namespace
