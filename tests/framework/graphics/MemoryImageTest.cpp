#include "framework/graphics/MemoryImage.h"

#include "fakes/DisplayApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Testing::MakeImage;
using Testing::PixelsOf;
using Vorn::MemoryImage;
using Pixels = std::vector<uint32_t>;

TEST(MemoryImage, CreateGivesZeroPixelsAndTheGuardWordAndDropsThePalette)
{
    auto image = MakeImage(2, {0xFF0000FF, 0xFF00FF00});
    ASSERT_TRUE(image->ReduceToPalette());
    image->Create(10, 10);
    EXPECT_TRUE(image->mColorTable == nullptr && image->mHasTrans && image->mHasAlpha);
    EXPECT_EQ(PixelsOf(*image), Pixels(100, 0u));
    EXPECT_EQ(image->GetBits()[100], 0x4BEEFADEu);
}

TEST(MemoryImage, NegativeSizesAndItsOwnWordsChangeNothing)
{
    const Pixels pixels{1, 2, 3, 4};
    for (const auto& [width, height] : {std::pair{-1, 2}, {2, -1}, {-65536, -65536}, {INT32_MIN, 1}, {2, 2}}) {
        auto image = MakeImage(2, pixels);
        const int changes = image->mBitsChangedCount;
        image->SetBits(width == 2 ? image->GetBits() : pixels.data(), width, height, true);
        if (width != 2)
            image->Create(width, height);
        EXPECT_EQ(image->GetWidth() * 10 + image->GetHeight(), 22) << width << "x" << height;
        EXPECT_EQ(image->mBitsChangedCount, changes) << width << "x" << height;
        EXPECT_EQ(PixelsOf(*image), pixels) << width << "x" << height;
    }
}

TEST(MemoryImage, ForcedFlagsSurvivePixelChangesAndCopies)
{
    auto image = MakeImage(1, {0xFF000000});
    image->ForceAlphaFlags(false, false);
    MemoryImage copy(*image);
    const uint32_t translucent[] = {0x00000000, 0x80000000};
    for (MemoryImage* each : {image.get(), &copy}) {
        each->SetBits(translucent, 2, 1, true);
        EXPECT_TRUE(each->mForcedMode && !each->mHasTrans && !each->mHasAlpha);
    }
}

TEST(MemoryImage, CopyOfAPaletteImageKeepsThePaletteFormAndJoinsTheApplicationsSet)
{
    Testing::DisplayApp display;
    auto& set = display.app.mMemoryImageSet;
    {
        MemoryImage image;
        image.SetBits(Pixels{5, 6, 5}.data(), 3, 1, true);
        ASSERT_TRUE(image.ReduceToPalette());
        MemoryImage copy(image);
        EXPECT_EQ(copy.mBits, nullptr);
        EXPECT_EQ(PixelsOf(copy), (Pixels{5, 6, 5}));
        EXPECT_TRUE(set.size() == 2 && set.count(&copy));
    }
    EXPECT_TRUE(set.empty());
}

} // namespace
