#include "framework/app/VornAppBase.h"

#include "fakes/DisplayApp.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/graphics/ImageRef.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace {

using Vorn::ImageRef;
using Vorn::MemoryImage;

// PNG files of one colour in a folder of their own.
class ImageFiles {
public:
    std::string Write(const std::string& name, int size, uint32_t color) const
    {
        const auto image = ImageLib::Image::Create(size, size);
        std::fill_n(image->GetBits(), size * size, color);
        EXPECT_TRUE(ImageLib::WritePNGImage(mDir / name, *image));
        return mDir / name;
    }

    Testing::TempDir mDir;
};

struct ImagesApp {
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app{clock};
    ImageFiles files;
    std::string red = files.Write("red.png", 2, 0xFFFF0000);
};

TEST(SharedImages, OnePerPathAndVariantWhateverTheirCase)
{
    ImagesApp t;
    std::string upper = t.red;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    struct Request {
        std::string path;
        const char* variant;
        bool isNew;
        int image;  // the request whose image it shares; -1 none
    };
    const std::vector<Request> requests{{t.red, "", true, 0}, {upper, "", false, 0}, {t.red, "tint", true, 2},
        {upper, "TINT", false, 2}, {t.files.mDir / "missing.png", "", true, -1}, {"!made", "", true, 5}};
    std::vector<ImageRef> refs(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        bool isNew = !requests[i].isNew;
        t.app.FindOrCreatePooledImage(refs[i], requests[i].path, requests[i].variant, &isNew);
        EXPECT_EQ(isNew, requests[i].isNew) << i;
        const int shares = requests[i].image;
        EXPECT_EQ(refs[i].GetImage(), shares < 0 ? nullptr : refs[static_cast<size_t>(shares)].GetImage()) << i;
    }
    EXPECT_NE(refs[0].GetImage(), refs[2].GetImage());
    EXPECT_EQ(refs[0].GetImage()->PixelAt(3), 0xFFFF0000u);
    EXPECT_EQ(refs[0].GetImage()->mFilePath, t.red);
    EXPECT_EQ(refs[5].GetImage()->GetWidth(), 0);
    EXPECT_EQ(t.app.mSharedImageMap.size(), 4u);
}

TEST(SharedImages, AnUnreferencedOneLivesUntilTheNextUpdate)
{
    ImagesApp t;
    std::vector<ImageRef> refs(3);
    for (size_t i = 0; i < refs.size(); ++i)
        t.app.FindOrCreatePooledImage(refs[i], t.red, std::to_string(i), nullptr);
    MemoryImage* released = refs[1].GetImage();
    refs[1].Release();
    refs[2].Release();
    bool isNew = true;
    t.app.FindOrCreatePooledImage(refs[2], t.red, "2", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_TRUE(t.app.mMemoryImageSet.contains(released));

    t.app.RunOneUpdate();
    EXPECT_FALSE(t.app.mMemoryImageSet.contains(released));
    EXPECT_EQ(t.app.mSharedImageMap.size(), 2u);
    EXPECT_EQ(refs[0].GetImage()->PixelAt(0), 0xFFFF0000u);
    EXPECT_EQ(refs[2].GetImage()->PixelAt(0), 0xFFFF0000u);

    refs.clear();
    t.app.RunOneUpdate();
    EXPECT_TRUE(t.app.mSharedImageMap.empty());
}

TEST(SharedImages, DiscardTakesBackOnlyAnImageNobodyElseHolds)
{
    ImagesApp t;
    ImageRef first;
    ImageRef second;
    t.app.FindOrCreatePooledImage(first, t.red, "", nullptr);
    t.app.FindOrCreatePooledImage(second, t.red, "", nullptr);
    t.app.DiscardPooledImage(first);
    EXPECT_EQ(first.GetImage(), nullptr);
    EXPECT_EQ(t.app.mSharedImageMap.size(), 1u);
    t.app.DiscardPooledImage(second);
    EXPECT_TRUE(t.app.mSharedImageMap.empty());
}

// Two threads ask for a new image at once while the main thread frees the
// images of the rounds before.
TEST(SharedImages, TwoThreadsAskingForOneImageGetOneLoadedImage)
{
    ImagesApp t;
    const std::string path = t.files.Write("big.png", 128, 0xFF123456);
    for (int round = 0; round < 60; ++round) {
        ImageRef refs[2];
        bool isNew[2] = {false, false};
        // As each caller got it: the image must be there when the call returns.
        MemoryImage* got[2] = {nullptr, nullptr};
        std::latch start(3);
        std::vector<std::jthread> askers;
        for (int i = 0; i < 2; ++i) {
            askers.emplace_back([&, i] {
                start.arrive_and_wait();
                t.app.FindOrCreatePooledImage(refs[i], path, std::to_string(round), &isNew[i]);
                got[i] = refs[i].GetImage();
            });
        }
        start.arrive_and_wait();
        t.app.FreeUnusedSharedImages();
        askers.clear();
        ASSERT_NE(got[0], nullptr) << round;
        EXPECT_EQ(got[0], got[1]) << round;
        EXPECT_NE(isNew[0], isNew[1]) << round;
        EXPECT_EQ(got[1]->PixelAt(128 * 128 - 1), 0xFF123456u) << round;
    }
    t.app.FreeUnusedSharedImages();
    EXPECT_TRUE(t.app.mSharedImageMap.empty());
}

TEST(SharedImages, ServeTheResourceManagerFromDisk)
{
    ImagesApp t;
    const std::string folder = t.files.mDir.Path();
    t.files.Write("green.png", 2, 0xFF00FF00);
    t.files.Write("alpha.png", 2, 0xFF000080);
    t.files.mDir.WriteFile("resources.xml", R"(<ResourceManifest><Resources id="Game">
<SetDefaults path=")" + folder + R"(" idprefix="IMAGE_"/>
<Image id="GREEN" path="green.png" alphaimage="alpha.png" nopal="true"/>
<Image id="SAME" path="GREEN.PNG" alphaimage="alpha.png"/>
<Image id="RED" path="red.png" nopal="true"/>
</Resources></ResourceManifest>)");
    Vorn::ResourceManager manager(&t.app);
    ASSERT_TRUE(manager.ReadManifestFile(t.files.mDir / "resources.xml")) << manager.GetErrorText();
    ASSERT_TRUE(manager.LoadGroup("Game")) << manager.GetErrorText();
    const ImageRef green = manager.GetImageOrThrow("IMAGE_GREEN");
    EXPECT_EQ(green.GetImage()->PixelAt(0), 0x8000FF00u);
    EXPECT_EQ(manager.GetImageOrThrow("IMAGE_SAME").GetImage(), green.GetImage());
    EXPECT_EQ(manager.GetImageOrThrow("IMAGE_RED").GetImage()->PixelAt(3), 0xFFFF0000u);
    EXPECT_EQ(t.app.mSharedImageMap.size(), 2u);
}

struct WalkCase {
    const char* name;
    void (Vorn::VornAppBase::*walk)();
    bool keepsBits;
};

class ImageSetWalks : public ::testing::TestWithParam<WalkCase> {};

// Under the lock the set cannot change beneath the walk while the loading
// thread makes and drops images.
TEST_P(ImageSetWalks, ReachEveryImageWhileAnotherThreadMakesImages)
{
    Testing::DisplayApp display;
    Vorn::VornAppBase& app = display.app;
    std::vector<std::unique_ptr<MemoryImage>> images;
    for (uint32_t i = 0; i < 3; ++i) {
        images.push_back(Testing::MakeImage(2, {0xFF000000 | i, 0x80FFFFFF}, &app));
        images.back()->mPurgeBits = true;
        images.back()->GetPremultipliedData(display.Display());
    }
    std::atomic<bool> stop{false};
    std::jthread loader([&] {
        while (!stop)
            Testing::MakeImage(1, {0xFFFFFFFF}, &app);
    });
    for (int i = 0; i < 300; ++i)
        (app.*GetParam().walk)();
    stop = true;
    loader.join();
    for (const auto& image : images) {
        EXPECT_EQ(image->mBits != nullptr, GetParam().keepsBits);
        EXPECT_EQ(image->mNativeAlphaData == nullptr, GetParam().keepsBits);
    }
}

INSTANTIATE_TEST_SUITE_P(Walks, ImageSetWalks,
    testing::Values(WalkCase{"Rebuild", &Vorn::VornAppBase::RebuildAllImages, false},
        WalkCase{"FreeSoftwareData", &Vorn::VornAppBase::FreeAllImageSoftwareData, true},
        WalkCase{"FreeDerivedData", &Vorn::VornAppBase::FreeAllImageDerivedData, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
