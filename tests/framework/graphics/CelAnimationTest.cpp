#include "framework/graphics/CelAnimation.h"

#include <gtest/gtest.h>

namespace {

using Vorn::CelAnimation;

struct ComputeCase {
    const char* name;
    int type;
    int frameDelay;
    int cels, begin, end;
    std::vector<int> frameMap;
    std::vector<int> delays;
    int frames;
    int total;
};

class CelAnimationCompute : public ::testing::TestWithParam<ComputeCase> {};

TEST_P(CelAnimationCompute, FillsFramesDelaysAndTotal)
{
    const ComputeCase& c = GetParam();
    CelAnimation animation;
    animation.mType = c.type;
    animation.mFrameDelay = c.frameDelay;
    animation.Compute(c.cels, c.begin, c.end);
    EXPECT_EQ(animation.mFrameMap, c.frameMap);
    EXPECT_EQ(animation.mPerFrameDelay, c.delays);
    EXPECT_EQ(animation.mNumFrames, c.frames);
    EXPECT_EQ(animation.mTotalAnimTime, c.total);
}

INSTANTIATE_TEST_SUITE_P(Cases, CelAnimationCompute, ::testing::Values(
    ComputeCase{"OneCelPingPongHasNoMap", CelAnimation::kPingPong, 1, 1, 0, 0, {}, {}, 1, 1},
    ComputeCase{"BeginAndEndDelays", CelAnimation::kLoop, 2, 3, 5, 7, {}, {5, 2, 7}, 3, 14},
    ComputeCase{"PingPongOfFourCels", CelAnimation::kPingPong, 3, 4, 0, 0, {0, 1, 2, 3, 2, 1}, {}, 6, 18},
    ComputeCase{"PingPongEndDelayOnLastMappedFrame", CelAnimation::kPingPong, 1, 3, 0, 9, {0, 1, 2, 1}, {1, 1, 1, 9}, 4, 12},
    ComputeCase{"NoCelsAndZeroDelayBecomeOne", CelAnimation::kOnce, 0, 0, 0, 0, {}, {}, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CelAnimation, PerFrameDelayGrowsWithZerosAndIgnoresNegativeFrames)
{
    CelAnimation animation;
    animation.SetPerFrameDelay(2, 4);
    EXPECT_EQ(animation.mPerFrameDelay, (std::vector<int>{0, 0, 4}));
    animation.SetPerFrameDelay(-1, 9);
    EXPECT_EQ(animation.mPerFrameDelay, (std::vector<int>{0, 0, 4}));
}

} // namespace
