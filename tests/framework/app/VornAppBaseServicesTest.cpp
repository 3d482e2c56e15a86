#include "framework/app/VornAppBase.h"

#include "fakes/DisplayApp.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "fakes/SurfaceDisplayApp.h"
#include "fakes/WindowedApp.h"
#include "framework/app/StringUtils.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/resources/ImageLib.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "platform/Clipboard.h"
#include "platform/DebugOutput.h"
#include "platform/Surface.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <new>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <tuple>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::ImageRef;
using Vorn::MemoryImage;

class RecordingMusic : public Vorn::MusicInterface {
public:
    void SetVolume(double volume) override { mVolume = volume; }
    double mVolume = -1.0;
};

class RecordingSounds : public Vorn::DSoundManager {
public:
    RecordingSounds() : DSoundManager(nullptr, false) {}
    void SetVolume(double volume) override { mVolume = volume; }
    double mVolume = -1.0;
};

struct SoundApp {
    SoundApp() : app(clock), music(new RecordingMusic), sounds(new RecordingSounds)
    {
        app.mMusicInterface.reset(music);
        app.mSoundManager.reset(sounds);
        app.mRegKey = "Tavoren\\Zarquel";
    }

    ScriptedClock clock;
    ScriptedApp app;
    RecordingMusic* music;
    RecordingSounds* sounds;
};

// Steps: M and U mute and unmute for the user, m and u automatically. An
// automatic unmute leaves the user's mute, and the other way round;
// unmuting at zero changes nothing.
TEST(Muting, CountsSilenceAndTheSavedStateFollowTheKindOfEachMute)
{
    const std::tuple<const char*, bool, int32_t> cases[] = {
        {"MMU", true, 1}, {"MmUu", false, 0}, {"m", true, 0}, {"Mu", true, 1}, {"mU", true, 0}, {"UuM", true, 1}};
    for (const auto& [steps, silent, savedMuted] : cases) {
        SCOPED_TRACE(steps);
        SoundApp s;
        for (const char step : std::string(steps))
            (step == 'M' || step == 'm') ? s.app.Mute(step == 'm') : s.app.Unmute(step == 'u');
        EXPECT_EQ(s.music->mVolume, silent ? 0.0 : 0.85);
        EXPECT_EQ(s.sounds->mVolume, silent ? 0.0 : 0.85);
        s.app.SaveSettings();
        int32_t saved = -1;
        EXPECT_TRUE(s.app.ReadRegistryInteger("Muted", saved));
        EXPECT_EQ(saved, savedMuted);
    }
}

TEST(MusicFactory, NoSoundGivesTheSilentInterfaceElseTheChosenLibrary)
{
    const std::tuple<bool, bool, const char*> cases[] = {
        {true, true, "silent"}, {true, false, "silent"}, {false, true, "fmod"}, {false, false, "bass"}};
    for (const auto& [noSound, wantFMod, kind] : cases) {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mNoSound = noSound;
        app.mWantFMod = wantFMod;
        const std::unique_ptr<Vorn::MusicInterface> music = app.CreateMusicInterface(nullptr);
        const std::string made = dynamic_cast<Vorn::FModMusicInterface*>(music.get())   ? "fmod"
                                 : dynamic_cast<Vorn::BassMusicInterface*>(music.get()) ? "bass"
                                                                                        : "silent";
        EXPECT_EQ(made, kind) << noSound << wantFMod;
    }
}

// The clipboard exists once a window is open; the tests' video driver shows
// nothing.
class Clipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_TRUE(mWindow->Create({"", 0, 0, Platform::WindowStyle::Hidden, {}})) << mWindow->Error();
    }

    // What a second application replays of `recorder`'s demo while the live
    // clipboard holds something else.
    static std::string Replayed(ScriptedApp& recorder)
    {
        ScriptedClock clock;
        ScriptedApp player(clock);
        player.mDemoStream.GetBuffer() = recorder.mDemoStream.GetBuffer();
        player.SetDemoMode(Vorn::DemoMode::Playing);
        Platform::SetClipboardText("live");
        return player.GetClipboard();
    }

    std::unique_ptr<Platform::Window> mWindow = Platform::MakeSystemWindow();
    ScriptedClock mClock;
    ScriptedApp mApp{mClock};
};

TEST_F(Clipboard, TextIsCutAlikeLiveAndRecordedAndReplaysInsteadOfTheLiveText)
{
    const std::string cut(32767, 'x');
    ASSERT_TRUE(Platform::SetClipboardText(cut + "yyy"));
    EXPECT_EQ(mApp.GetClipboard(), cut);
    mApp.SetDemoMode(Vorn::DemoMode::Recording);
    EXPECT_EQ(mApp.GetClipboard(), cut);
    EXPECT_EQ(Replayed(mApp), cut);
}

struct ImagesApp {
    // A square PNG of one colour.
    std::string Write(const std::string& name, int size, uint32_t color) const
    {
        const auto image = ImageLib::Image::Create(size, size);
        std::fill_n(image->GetBits(), size * size, color);
        EXPECT_TRUE(ImageLib::WritePNGImage(dir / name, *image));
        return dir / name;
    }

    Testing::TempDir dir;
    Testing::DisplayApp display;
    Vorn::VornAppBase& app = display.app;
    std::string red = Write("red.png", 2, 0xFFFF0000);
    ImageRef Get(const std::string& path, const std::string& variant, bool* isNew = nullptr)
    {
        ImageRef ref;
        app.FindOrCreatePooledImage(ref, path, variant, isNew);
        return ref;
    }
};

// Two threads ask for a new image at once while the main thread frees the
// images of the rounds before.
TEST(SharedImages, TwoThreadsAskingForOneImageBothGetItLoaded)
{
    ImagesApp t;
    const std::string path = t.Write("big.png", 128, 0xFF123456);
    for (int round = 0; round < 60; ++round) {
        ImageRef refs[2];
        bool isNew[2];
        MemoryImage* got[2];
        std::latch start(3);
        std::vector<std::jthread> askers;
        for (int i = 0; i < 2; ++i) {
            askers.emplace_back([&, i] {
                start.arrive_and_wait();
                refs[i] = t.Get(path, std::to_string(round), &isNew[i]);
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
}

// The first decode of a shared image throws while another caller waits for
// it: the waiter wakes with no image, and the failure reaches the first.
struct ThrowingDecodeApp : ScriptedApp {
    using ScriptedApp::ScriptedApp;
    std::unique_ptr<Vorn::DDImage> GetImage(const std::string&) override
    {
        mDecoding.count_down();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        throw std::bad_alloc();
    }
    std::latch mDecoding{1};
};

TEST(SharedImages, AFirstDecodeThatThrowsWakesThoseWaitingForIt)
{
    ScriptedClock clock;
    ThrowingDecodeApp app(clock);
    std::promise<Vorn::MemoryImage*> waited;
    std::jthread first([&app] {
        ImageRef ref;
        EXPECT_THROW(app.FindOrCreatePooledImage(ref, "big.png", "", nullptr), std::bad_alloc);
    });
    app.mDecoding.wait();
    std::jthread second([&app, &waited] {
        ImageRef ref;
        bool isNew = true;
        app.FindOrCreatePooledImage(ref, "BIG.PNG", "", &isNew);
        EXPECT_FALSE(isNew);
        waited.set_value(ref.GetImage());
    });
    std::future<Vorn::MemoryImage*> result = waited.get_future();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the waiter was never woken";
        const std::lock_guard lock(app.mSharedImageLoadMutex);
        for (auto& [key, shared] : app.mSharedImageMap)
            shared.mLoading = false;
        app.mSharedImageLoaded.notify_all();
    }
    EXPECT_EQ(result.get(), nullptr);
}

// Under the lock the set cannot change beneath a walk while the loading
// thread makes and drops images.
TEST(ImageSetWalks, ReachEveryImageWhileAnotherThreadMakesImages)
{
    ImagesApp t;
    std::vector<std::unique_ptr<MemoryImage>> crowd(200);
    for (auto& image : crowd)
        image = Testing::MakeImage(1, {0}, &t.app);
    const std::jthread loader([&t](std::stop_token stop) {
        while (!stop.stop_requested())
            Testing::MakeImage(1, {0xFFFFFFFF}, &t.app);
    });
    const std::pair<void (Vorn::VornAppBase::*)(), bool> walks[] = {{&Vorn::VornAppBase::RebuildAllImages, false},
        {&Vorn::VornAppBase::FreeAllImageSoftwareData, true}, {&Vorn::VornAppBase::FreeAllImageDerivedData, true}};
    for (const auto& [walk, keepsBits] : walks) {
        const auto image = Testing::MakeImage(2, {0xFF000000, 0x80FFFFFF}, &t.app);
        image->mPurgeBits = true;
        image->GetPremultipliedData(t.display.Display());
        for (int i = 0; i < 2000; ++i)
            (t.app.*walk)();
        EXPECT_EQ(image->mBits != nullptr, keepsBits);
        EXPECT_EQ(image->mNativeAlphaData == nullptr, keepsBits);
    }
}

// The loading thread makes display images from files and copies and drops
// them while the main thread rebuilds every image after a display change:
// no walk meets an image being built, filled or destroyed.
TEST(ImageSetWalks, ReachNoImageAnotherThreadIsMakingOrDestroying)
{
    ImagesApp t;
    std::atomic<int> made{0};
    std::jthread loader([&t, &made](std::stop_token stop) {
        while (!stop.stop_requested()) {
            const std::unique_ptr<Vorn::DDImage> image = t.app.GetImage(t.red);
            ASSERT_NE(image, nullptr);
            const std::unique_ptr<Vorn::DDImage> copy = t.app.CopyImage(image.get());
            ++made;
        }
    });
    for (int i = 0; i < 500 || made.load() < 20; ++i) {
        t.app.RebuildAllImages();
        t.app.FreeAllImageSoftwareData();
    }
    loader.request_stop();
    loader.join();
    EXPECT_GE(made.load(), 20);
}

// An image that held a surface in the window's 32 bits is drawn in full
// screen's 16 bits and again in the window's 32: each mode switch rebuilds
// its surface in the new format.
TEST(ImageSetWalks, ImagesWithASurfaceDrawInTheNewFormatAfterEveryModeSwitch)
{
    const Platform::DebugSink sink = Platform::SetDebugSink([](std::string_view) {});
    ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.mRealScreenModes = true;
    app.mColorDepth = 16;
    app.CreateMainWindow();
    {
        Vorn::DDImage image(app.mDDInterface.get());
        const uint32_t pixels[2] = {0xFFFF0000, 0xFF0000FF};
        image.SetBits(pixels, 2, 1, true);
        image.mWantDDSurface = true;
        const struct { bool windowed; uint32_t red, blue; } modes[] = {
            {true, 0xFF0000, 0x0000FF}, {false, 0xF800, 0x001F}, {true, 0xFF0000, 0x0000FF}};
        for (const auto& m : modes) {
            SCOPED_TRACE(m.windowed);
            if (m.windowed != app.mIsWindowed)
                app.ChangeScreenModeKeep3D(m.windowed);
            ASSERT_EQ(app.mIsPhysWindowed, m.windowed);
            ASSERT_NE(image.GetSurface(), nullptr);
            Vorn::DDImage* screen = app.mDDInterface->GetScreenImage();
            EXPECT_EQ(image.GetSurface()->Format(), screen->GetSurface()->Format());
            Vorn::Graphics g(screen);
            g.DrawImage(&image, 3, 5);
            const std::vector<uint32_t> shown = Testing::SurfacePixels(*screen->GetSurface());
            EXPECT_EQ(shown[5 * 800 + 3], m.red);
            EXPECT_EQ(shown[5 * 800 + 4], m.blue);
        }
    }
    Platform::SetDebugSink(sink);
}

} // namespace
