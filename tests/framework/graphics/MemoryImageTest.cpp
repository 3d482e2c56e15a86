#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::DisplayApp;
using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::MemoryImage;

TEST(MemoryImage, CreatedImageHasZeroPixelsAndTheGuardWordAfterThem)
{
    MemoryImage image(nullptr);
    image.Create(10, 10);
    const uint32_t* bits = image.GetBits();
    EXPECT_EQ(PixelsOf(image), std::vector<uint32_t>(100, 0u));
    EXPECT_EQ(bits[100], 0x4BEEFADEu);
    EXPECT_TRUE(image.mHasTrans && image.mHasAlpha);
}

struct BadSize {
    int width;
    int height;
};

class MemoryImageNegativeSize : public testing::TestWithParam<BadSize> {};

TEST_P(MemoryImageNegativeSize, CreateAndSetBitsChangeNothing)
{
    const std::vector<uint32_t> pixels{1, 2, 3, 4};
    auto image = MakeImage(2, pixels);
    const int changes = image->mBitsChangedCount;
    image->Create(GetParam().width, GetParam().height);
    image->SetBits(pixels.data(), GetParam().width, GetParam().height, true);
    EXPECT_EQ(image->GetWidth(), 2);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(image->mBitsChangedCount, changes);
    EXPECT_EQ(PixelsOf(*image), pixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MemoryImageNegativeSize,
    testing::Values(BadSize{-1, 2}, BadSize{2, -1}, BadSize{-65536, -65536}, BadSize{INT32_MIN, 1}));

TEST(MemoryImage, SetBitsWithItsOwnWordsIsNoChange)
{
    auto image = MakeImage(2, {0xFF000000, 0x80000000});
    const int changes = image->mBitsChangedCount;
    image->SetBits(image->GetBits(), 2, 1, true);
    EXPECT_EQ(image->mBitsChangedCount, changes);
}

struct FlagCase {
    std::vector<uint32_t> pixels;
    bool hasTrans;
    bool hasAlpha;
};

class MemoryImageFlags : public testing::TestWithParam<FlagCase> {};

TEST_P(MemoryImageFlags, CommittedBitsAreScanned)
{
    auto image = MakeImage(1, GetParam().pixels);
    EXPECT_EQ(image->mHasTrans, GetParam().hasTrans);
    EXPECT_EQ(image->mHasAlpha, GetParam().hasAlpha);
}

INSTANTIATE_TEST_SUITE_P(Alphas, MemoryImageFlags,
    testing::Values(FlagCase{{0xFF123456}, false, false}, FlagCase{{0x00123456, 0xFF000000}, true, false},
        FlagCase{{0x01000000}, false, true}, FlagCase{{0xFE000000, 0}, true, true}));

TEST(MemoryImage, ForcedFlagsSurvivePixelChangesAndCopies)
{
    auto image = MakeImage(1, {0xFF000000});
    image->ForceAlphaFlags(false, false);
    MemoryImage copy(*image);
    const uint32_t translucent[] = {0x00000000, 0x80000000};
    for (MemoryImage* each : {image.get(), &copy}) {
        each->SetBits(translucent, 2, 1, true);
        EXPECT_TRUE(each->mForcedMode);
        EXPECT_FALSE(each->mHasTrans || each->mHasAlpha);
    }
}

TEST(MemoryImage, CopyOfAPaletteImageKeepsThePaletteForm)
{
    auto image = MakeImage(3, {5, 6, 5});
    ASSERT_TRUE(image->ReduceToPalette());
    MemoryImage copy(*image);
    EXPECT_EQ(copy.mBits, nullptr);
    EXPECT_EQ(PixelsOf(copy), (std::vector<uint32_t>{5, 6, 5}));
}

TEST(MemoryImage, ImagesJoinAndLeaveTheirApplicationsSet)
{
    DisplayApp display;
    auto& set = display.app.mMemoryImageSet;
    {
        MemoryImage image;
        MemoryImage copy(image);
        EXPECT_EQ(image.mApp, &display.app);
        EXPECT_EQ(set.size(), 2u);
        EXPECT_TRUE(set.count(&copy));
    }
    EXPECT_TRUE(set.empty());
}

TEST(MemoryImage, CreateOnAPaletteImageDropsThePalette)
{
    auto image = MakeImage(2, {0xFF0000FF, 0xFF00FF00});
    ASSERT_TRUE(image->ReduceToPalette());
    image->Create(3, 3);
    EXPECT_EQ(image->mColorTable, nullptr);
    EXPECT_EQ(PixelsOf(*image), std::vector<uint32_t>(9, 0u));
}

} // namespace
