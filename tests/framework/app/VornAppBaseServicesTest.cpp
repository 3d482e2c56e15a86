#include "framework/app/VornAppBase.h"

#include "fakes/DisplayApp.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/app/StringUtils.h"
#include "framework/display/DDImage.h"
#include "framework/resources/ImageLib.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/FModMusicInterface.h"
#include "framework/sound/MusicInterface.h"
#include "platform/Clipboard.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

} // namespace
