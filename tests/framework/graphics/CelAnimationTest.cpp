#include "framework/graphics/CelAnimation.h"

#include <gtest/gtest.h>

namespace {

using Vorn::CelAnimation;

TEST(CelAnimation, ComputeFillsFramesDelaysAndTotal)
{
    const int ping = CelAnimation::kPingPong;
    const struct { int type, frameDelay, cels, begin, end; std::vector<int> frameMap, delays; int frames, total; }
    cases[] = {{ping, 1, 1, 0, 0, {}, {}, 1, 1}, {CelAnimation::kLoop, 2, 3, 5, 7, {}, {5, 2, 7}, 3, 14},
        {ping, 3, 4, 0, 0, {0, 1, 2, 3, 2, 1}, {}, 6, 18}, {ping, 1, 3, 0, 9, {0, 1, 2, 1}, {1, 1, 1, 9}, 4, 12},
        {CelAnimation::kOnce, 0, 0, 0, 0, {}, {}, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        CelAnimation animation;
        animation.mType = c.type, animation.mFrameDelay = c.frameDelay;
        animation.Compute(c.cels, c.begin, c.end);
        EXPECT_EQ(animation.mFrameMap, c.frameMap);
        EXPECT_EQ(animation.mPerFrameDelay, c.delays);
        EXPECT_EQ(animation.mNumFrames, c.frames);
        EXPECT_EQ(animation.mTotalAnimTime, c.total);
    }
}

TEST(CelAnimation, PerFrameDelayGrowsWithZerosAndIgnoresNegativeFrames)
{
    CelAnimation animation;
    animation.SetPerFrameDelay(2, 4);
    animation.SetPerFrameDelay(-1, 9);
    EXPECT_EQ(animation.mPerFrameDelay, (std::vector<int>{0, 0, 4}));
}

} // namespace
