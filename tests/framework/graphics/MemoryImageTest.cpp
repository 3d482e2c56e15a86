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

// has-trans: some alpha 0; has-alpha: some alpha 1..254. A palette image is
// judged by all 256 entries of its table (unused ones are opaque black);
// an image with no pixels anywhere counts as transparent.
TEST(MemoryImage, ScanningSetsTheFlagsFromEveryPixelsAlpha)
{
    const struct { Pixels pixels; bool palette, trans, alpha; } cases[] = {{{0xFF000000, 0xFFFFFFFF}, false, false, false},
        {{0xFF000000, 0x00FFFFFF}, false, true, false}, {{0x01000000, 0xFFFFFFFF}, false, false, true},
        {{0xFEFFFFFF}, false, false, true}, {{0x80000000, 0x00000000, 0xFF000000}, false, true, true},
        {{0xFF102030, 0x00102030}, true, true, false}, {{0xFF102030, 0xFE102030}, true, false, true},
        {{0x7F000000, 0xFF000000, 0x00000000}, true, true, true}};
    for (const auto& c : cases) {
        auto image = MakeImage(static_cast<int>(c.pixels.size()), c.pixels);
        if (c.palette) {
            ASSERT_TRUE(image->ReduceToPalette());
            image->MarkBitsChanged();
            image->ScanPixelFlags();
        }
        EXPECT_EQ(image->mHasTrans, c.trans) << std::hex << c.pixels[0];
        EXPECT_EQ(image->mHasAlpha, c.alpha) << std::hex << c.pixels[0];
        EXPECT_FALSE(image->mBitsChanged);
    }
    MemoryImage unforced(nullptr);
    unforced.mHasAlpha = true;
    unforced.MarkBitsChanged();
    unforced.ScanPixelFlags();
    EXPECT_TRUE(unforced.mHasTrans && !unforced.mHasAlpha);
    // Scanned only after a change.
    auto image = MakeImage(1, {0xFF000000});
    image->GetBits()[0] = 0x00000000;
    image->ScanPixelFlags();
    EXPECT_FALSE(image->mHasTrans);
}

// Every change of the pixels counts and drops the derived forms; freeing the
// software forms keeps (or first rebuilds) the master copy.
TEST(MemoryImage, PixelChangesDropTheDerivedFormsAndFreeingThemKeepsThePixels)
{
    Testing::DisplayApp display;
    auto image = MakeImage(2, {0xFF102030, 0x80405060}, &display.app);
    const int changes = image->mBitsChangedCount;
    const auto build = [&] {
        image->GetPremultipliedData(display.Display());
        image->GetRunLengthAlpha();
        image->GetRunLengthAdditive(display.Display());
    };
    build();
    image->FillRect(Vorn::Rect(0, 0, 1, 1), Vorn::Color(1, 2, 3), 0);
    EXPECT_EQ(image->mBitsChangedCount, changes + 1);
    EXPECT_TRUE(!image->mNativeAlphaData && !image->mRLAlphaData && !image->mRLAdditiveData);
    build();
    image->FreeNativeData();
    EXPECT_TRUE(!image->mNativeAlphaData && image->mRLAlphaData && !image->mRLAdditiveData);
    build();
    image->FreeSoftwareData();
    EXPECT_TRUE(!image->mNativeAlphaData && !image->mRLAlphaData && !image->mRLAdditiveData);
    EXPECT_EQ(PixelsOf(*image), (Pixels{0xFF010203, 0x80405060}));
    image->Clear();
    EXPECT_EQ(PixelsOf(*image), (Pixels{0, 0}));
    EXPECT_EQ(image->mBitsChangedCount, changes + 2);

    // A purged image gets its pixels back before its forms go.
    auto purged = MakeImage(1, {0xFF808080}, &display.app);
    purged->ReleaseMemoryBits();
    ASSERT_EQ(purged->mBits, nullptr);
    purged->FreeSoftwareData();
    EXPECT_TRUE(purged->mBits && !purged->mNativeAlphaData);
    EXPECT_EQ(PixelsOf(*purged), (Pixels{0xFF808080}));
}

// A copy of an image that holds only its premultiplied form has pixels
// rebuilt from it; every form is copied, none shared.
TEST(MemoryImage, CopiesHoldTheirOwnFormsAndAPurgedSourceGivesRebuiltPixels)
{
    Testing::DisplayApp display(Testing::kR5G6B5);
    auto image = MakeImage(2, {0xFFFFFFFF, 0x00000000}, &display.app);
    image->GetRunLengthAlpha();
    image->ReleaseMemoryBits();
    MemoryImage copy(*image);
    EXPECT_EQ(PixelsOf(copy), (Pixels{0xFFF8FCF8, 0x00000000}));
    ASSERT_TRUE(copy.mRLAlphaData && copy.mRLAlphaData != image->mRLAlphaData);
    EXPECT_EQ(copy.mRLAlphaData[0], 1);
    EXPECT_EQ(copy.GetBits()[2], Vorn::kMemoryImageGuardWord);
    EXPECT_EQ(image->mBits, nullptr);
}

// Sizes of nothing are sizes all the same: the image takes them and holds no
// pixels.
TEST(MemoryImage, ASideOfZeroGivesAnImageWithoutPixels)
{
    for (const auto& [width, height] : {std::pair{0, 3}, {5, 0}, {0, 0}}) {
        auto created = MakeImage(2, {1, 2, 3, 4});
        created->Create(width, height);
        auto set = MakeImage(2, {1, 2, 3, 4});
        set->SetBits(Pixels{9}.data(), width, height, true);
        for (MemoryImage* image : {created.get(), set.get()}) {
            EXPECT_EQ(image->GetWidth() * 10 + image->GetHeight(), width * 10 + height);
            EXPECT_EQ(image->PixelCount(), 0u);
            EXPECT_TRUE(PixelsOf(*image).empty());
            EXPECT_EQ(image->GetBits()[0], Vorn::kMemoryImageGuardWord);
        }
    }
    MemoryImage fresh(nullptr);
    EXPECT_EQ(fresh.PixelCount(), 0u);
}

// A copy holds every pixel and its own guard word; a palette image expands
// its indices into exactly its pixels.
TEST(MemoryImage, CopiesAndExpandedPalettesHoldEveryPixelAndTheGuardWord)
{
    const Pixels pixels{0xFF000001, 0x80000002, 0x00000003, 0xFF000004, 0xFF000005, 0x12345678};
    auto image = MakeImage(3, pixels);
    MemoryImage copy(*image);
    EXPECT_EQ(PixelsOf(copy), pixels);
    EXPECT_EQ(copy.GetBits()[6], Vorn::kMemoryImageGuardWord);
    ASSERT_TRUE(image->ReduceToPalette());
    EXPECT_EQ(PixelsOf(*image), pixels);
    EXPECT_EQ(image->GetBits()[6], Vorn::kMemoryImageGuardWord);
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

// Pixels from nowhere are refused for any size that has pixels, even one.
TEST(MemoryImage, NoPixelsForASizeWithPixelsChangeNothing)
{
    for (const auto& [width, height] : {std::pair{1, 1}, {1, 2}, {3, 3}}) {
        auto image = MakeImage(2, {7, 8});
        const int changes = image->mBitsChangedCount;
        image->SetBits(nullptr, width, height, true);
        EXPECT_EQ(image->GetWidth() * 10 + image->GetHeight(), 21) << width << "x" << height;
        EXPECT_EQ(image->mBitsChangedCount, changes) << width << "x" << height;
        EXPECT_EQ(PixelsOf(*image), (Pixels{7, 8})) << width << "x" << height;
    }
}

// Freeing the derived forms leaves a palette image in its palette form:
// only an image with neither pixels nor indices gets its pixels back first.
TEST(MemoryImage, FreeingFormsKeepsAPaletteImageInPaletteForm)
{
    Testing::DisplayApp display;
    for (const auto free : {&MemoryImage::FreeNativeData, &MemoryImage::FreeSoftwareData}) {
        auto image = MakeImage(3, {0xFF000005, 0xFF000006, 0xFF000005}, &display.app);
        ASSERT_TRUE(image->ReduceToPalette());
        ASSERT_EQ(image->mBits, nullptr);
        ((*image).*free)();
        EXPECT_EQ(image->mBits, nullptr);
        EXPECT_NE(image->mColorIndices, nullptr);
        EXPECT_EQ(PixelsOf(*image), (Pixels{0xFF000005, 0xFF000006, 0xFF000005}));
    }
}

} // namespace
