#include "game/GameApp.h"

#include "BoardHarness.h"
#include "TestGameApp.h"
#include "fakes/FatalExit.h"
#include "fakes/ProgramRun.h"
#include "fakes/XvfbRun.h"
#include "framework/app/DemoFile.h"
#include "framework/app/ModVal.h"
#include "framework/display/D3DTester.h"
#include "framework/graphics/FontData.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"
#include "framework/resources/ResourceManagerException.h"
#include "framework/resources/XMLParser.h"
#include "framework/sound/BassMusicInterface.h"
#include "framework/widgets/WidgetManager.h"
#include "game/Board.h"
#include "game/FXSprite.h"
#include "game/FlickeringButtonWidget.h"
#include "game/GameResources.h"
#include "game/Level.h"
#include "game/Renderer.h"
#include "game/TitleScreen.h"
#include "game/TopScores.h"
#include "platform/AudioMixer.h"
#include "platform/MusicEngine.h"
#include "platform/SampleEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Testing::TestGameApp;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Resources of the game group in the generated data.
constexpr int kGameResources = 34;

std::vector<int> ShownButtons(const GameApp& app)
{
    std::vector<int> ids;
    for (Vorn::Widget* widget : app.mWidgetManager->mWidgets) {
        const auto* button = dynamic_cast<FlickeringButtonWidget*>(widget);
        if (button && button->mVisible)
            ids.push_back(button->mId);
    }
    return ids;
}

// Resources whose loading or whose lookup by id fails for one id.
class FailingResources : public Vorn::ResourceManager {
public:
    enum class Failure { Load, Lookup };

    FailingResources(Vorn::VornAppBase* app, std::string id, Failure failure)
        : ResourceManager(app), mId(std::move(id)), mFailure(failure)
    {
    }

    bool LoadImageResource(ImageRes* res) override
    {
        if (mFailure == Failure::Load && res->mId == mId)
            return Fail("Failed to load image: " + res->mPath);
        return ResourceManager::LoadImageResource(res);
    }
    Vorn::ImageRef GetImageOrThrow(const std::string& id) override
    {
        if (mFailure == Failure::Lookup && id == mId) {
            Fail("Image resource not found: " + id);
            throw Vorn::ResourceManagerException(GetErrorText());
        }
        return ResourceManager::GetImageOrThrow(id);
    }

    std::string mId;
    Failure mFailure;
};

TEST(GameApp, StartsWithTheTitlePictureAloneAndCountsTheGameGroupForLoading)
{
    TestGameApp app;
    app.Init();
    ASSERT_NE(app.mTitleScreen, nullptr);
    EXPECT_TRUE(app.mWidgetManager->HasWidget(app.mTitleScreen.get()));
    EXPECT_EQ(app.mTitleScreen->GetRect(), Vorn::Rect(0, 0, 800, 600));
    EXPECT_THAT(ShownButtons(app), ElementsAre());
    EXPECT_EQ(app.mNumLoadingThreadTasks, kGameResources);
    EXPECT_EQ(app.mCompletedLoadingThreadTasks, 0);
    EXPECT_EQ(app.mProductName, "Zarquel");
    EXPECT_EQ(app.mTitle, "Zarquel");
    EXPECT_EQ(app.mWindow->Title(), "Zarquel");
    EXPECT_EQ(app.mProductVersion, "1.0");
    EXPECT_EQ(app.mRegKey, "Tavoren\\Zarquel");
    EXPECT_TRUE(app.mAutoEnable3D);
    EXPECT_TRUE(app.mWidenToDesktopAspect);
    EXPECT_FALSE(app.mVSyncUpdates);
    EXPECT_EQ(gGameApp, &app);
}

// The loading body counts each resource and asks for a redraw; the next
// update hands over: the music fades in from silence, looping, and the main
// menu shows.
TEST(GameApp, LoadsTheGameGroupThenStartsTheMusicAndShowsTheMainMenu)
{
    TestGameApp app;
    app.Init();
    IMAGE_VORTEX_TOP = nullptr;
    app.LoadLikeTheLoadingThread();
    EXPECT_EQ(app.mCompletedLoadingThreadTasks, kGameResources);
    EXPECT_TRUE(app.mTitleRedrawRequested);
    EXPECT_NE(IMAGE_VORTEX_TOP, nullptr);
    EXPECT_THAT(app.mMusicCalls, ElementsAre());

    app.RunUpdates(1);
    EXPECT_THAT(app.mMusicCalls, ElementsAre("load 1 Music/Music.ogg", "fade in 1 0 0.002 0"));
    EXPECT_THAT(ShownButtons(app), ElementsAre(TitleScreen::kButtonPlay, TitleScreen::kButtonScores,
                                       TitleScreen::kButtonExit, TitleScreen::kButtonLogo,
                                       TitleScreen::kButtonOptions));
    EXPECT_FALSE(app.mTitleRedrawRequested);
    EXPECT_TRUE(app.mFatalErrors.empty());
}

// The real loading thread beside a main loop that updates and draws the
// title: the title redraws as resources arrive, and the hand-over follows.
TEST(GameApp, LoadsOnItsOwnThreadWhileTheMainLoopDrawsTheTitle)
{
    TestGameApp app;
    app.Init();
    int frames = 0;
    app.mWindow->onPresent = [&](const Testing::FakeWindow::Presented&) { ++frames; };
    app.mRunning = true;
    app.StartLoadingThread();
    const auto start = std::chrono::steady_clock::now();
    while (ShownButtons(app).empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        app.RunUpdates(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(ShownButtons(app).size(), 5u);
    EXPECT_EQ(app.mCompletedLoadingThreadTasks, kGameResources);
    EXPECT_GT(frames, 0);
    EXPECT_THAT(app.mMusicCalls, ElementsAre("load 1 Music/Music.ogg", "fade in 1 0 0.002 0"));
}

TEST(GameApp, WithoutItsMusicTheMenuStillShows)
{
    TestGameApp app;
    app.Init();
    app.mMusic->mLoads = false;
    app.LoadLikeTheLoadingThread();
    app.RunUpdates(1);
    EXPECT_EQ(ShownButtons(app).size(), 5u);
    EXPECT_FALSE(app.mShutdown);
}

// A shutdown asked for while the group loads ends the body after the
// resource in progress, before any fetch.
TEST(GameApp, AShutdownDuringLoadingStopsAfterTheResourceInProgress)
{
    TestGameApp app;
    app.Init();
    IMAGE_BKG_1_1 = nullptr;
    app.RequestShutdown();
    app.LoadLikeTheLoadingThread();
    EXPECT_EQ(app.mCompletedLoadingThreadTasks, 1);
    EXPECT_EQ(IMAGE_BKG_1_1, nullptr);
    EXPECT_FALSE(app.LoadingFailed());
}

class GameGroupFailure : public ::testing::TestWithParam<FailingResources::Failure> {};

// Off the main thread the failure's box waits for the main loop, which shows
// it and ends the program; the hand-over does nothing.
TEST_P(GameGroupFailure, IsShownByTheMainLoopWhichThenEndsTheProgram)
{
    TestGameApp app;
    app.mResourceManager = std::make_unique<FailingResources>(&app, "IMAGE_TOKEN_3", GetParam());
    app.Init();
    std::thread loading([&] { app.LoadLikeTheLoadingThread(); });
    loading.join();
    EXPECT_TRUE(app.LoadingFailed());
    EXPECT_TRUE(app.mFatalErrors.empty());

    app.RunUpdates(5);
    ASSERT_EQ(app.mFatalErrors.size(), 1u);
    EXPECT_THAT(app.mFatalErrors[0], HasSubstr(GetParam() == FailingResources::Failure::Load
                                                   ? "Failed to load image: "
                                                   : "Image resource not found: IMAGE_TOKEN_3"));
    EXPECT_TRUE(app.mShutdown);
    EXPECT_THAT(app.mMusicCalls, ElementsAre());
    EXPECT_THAT(ShownButtons(app), ElementsAre());
}

INSTANTIATE_TEST_SUITE_P(Kinds, GameGroupFailure,
    ::testing::Values(FailingResources::Failure::Load, FailingResources::Failure::Lookup));

using GameAppDeathTest = GameGroupFailure;

// Without the title's own resources there is nothing to show: a box, and the
// program ends.
TEST_P(GameAppDeathTest, AFailureInTheTitlesGroupsEndsTheProgramAtStart)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* id : {"IMAGE_LOGO", "IMAGE_MENU_PLAY"}) {
        EXPECT_FATAL_EXIT(
            {
                TestGameApp app;
                app.mResourceManager = std::make_unique<FailingResources>(&app, id, GetParam());
                app.Init();
            },
            1, std::string("fatal .*") + (GetParam() == FailingResources::Failure::Load ? "Failed to load image" : id));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, GameAppDeathTest,
    ::testing::Values(FailingResources::Failure::Load, FailingResources::Failure::Lookup));

// Frees resources only after the widget tree has let go of the screens that
// draw them.
class WatchedResources : public Vorn::ResourceManager {
public:
    using ResourceManager::ResourceManager;
    void FreeGroup(const std::string& group) override
    {
        if (mOnFree)
            mOnFree();
        ResourceManager::FreeGroup(group);
    }
    std::function<void()> mOnFree;
};

// Deleting the application during a game or on the title takes the screen
// and its buttons out of the widget tree before deleting them and freeing
// the resources they draw.
TEST(GameApp, DeletingTheApplicationTakesTheScreenOutOfTheTreeFirst)
{
    for (const bool inGame : {false, true}) {
        SCOPED_TRACE(inGame);
        auto app = std::make_unique<TestGameApp>();
        auto resources = std::make_unique<WatchedResources>(app.get());
        WatchedResources* watched = resources.get();
        app->mResourceManager = std::move(resources);
        app->Init();
        app->LoadLikeTheLoadingThread();
        app->RunUpdates(1);
        if (inGame) {
            app->mTitleScreen->ButtonDepress(TitleScreen::kButtonNormal);
            app->RunUpdates(2);
            ASSERT_NE(app->mBoard, nullptr);
        }
        const Vorn::WidgetManager* manager = app->mWidgetManager.get();
        int freed = 0;
        watched->mOnFree = [&] {
            ++freed;
            EXPECT_THAT(manager->mWidgets, ElementsAre());
        };
        app.reset();
        EXPECT_EQ(freed, 1);
        EXPECT_EQ(gGameApp, nullptr);
    }
}

using Harness = Testing::BoardHarness;
using Pipe = const std::string&;

// A pipe that nobody writes to in the place of each kind of file the game
// reads, below its folder or, for "Save/", its save folder: the reader
// answers at once, as it does when the file is missing. The names are in no
// archive, which would serve them first.
struct PipedFile {
    const char* name;
    const char* file;
    bool (*answersAsForAMissingFile)(Harness& harness, Pipe pipe);
};

class PipeInAFilesPlace : public ::testing::TestWithParam<PipedFile> {};

TEST_P(PipeInAFilesPlace, IsRefusedWithoutWaitingAsAMissingFileIs)
{
    Harness harness;
    const Testing::TempDir game;
    std::filesystem::current_path(game.Path());
    const std::string file = GetParam().file;
    const std::string pipe = file.starts_with("Save/") ? harness.mDataDir / file : game / file;
    std::filesystem::create_directories(std::filesystem::path(pipe).parent_path());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // A reader that waits on the pipe is killed, and the test program with it.
    alarm(20);
    EXPECT_TRUE(GetParam().answersAsForAMissingFile(harness, pipe));
    alarm(0);
}

std::shared_ptr<Platform::AudioMixer> Mixer()
{
    return std::make_shared<Platform::AudioMixer>();
}

INSTANTIATE_TEST_SUITE_P(Readers, PipeInAFilesPlace,
    ::testing::Values(
        PipedFile{"Picture", "images/piped.png",
            [](Harness&, Pipe pipe) { return !ImageLib::LoadImageFile(pipe, true); }},
        PipedFile{"Sound", "sounds/piped.wav",
            [](Harness&, Pipe) { return !Vorn::DSoundManager(Mixer(), false).LoadSound(1, "sounds/piped"); }},
        PipedFile{"Module", "music/piped.mod",
            [](Harness&, Pipe pipe) { return !Vorn::BassMusicInterface(Mixer()).LoadMusic(1, pipe); }},
        PipedFile{"ResourceManifest", "properties/piped.xml",
            [](Harness&, Pipe pipe) { return !Vorn::XMLParser().OpenFile(pipe); }},
        PipedFile{"FontDescriptor", "fonts/piped.txt",
            [](Harness& harness, Pipe pipe) {
                Vorn::FontData font;
                return font.Load(&harness.mApp, pipe) && !font.mInitialized;
            }},
        PipedFile{"FontWidths", "fonts/widths.txt",
            [](Harness&, Pipe pipe) { return !Vorn::FontData().LoadFromWidthList(nullptr, pipe); }},
        PipedFile{"CrashAttachment", "attachment.dat",
            [](Harness&, Pipe pipe) { Vorn::Buffer buffer; return !Vorn::ReadBufferFromFile(pipe, buffer); }},
        PipedFile{"MusicStream", "Music/Music.ogg",
            [](Harness&, Pipe pipe) { return Platform::MusicEngine(Mixer()).StreamCreateFile(pipe) == 0; }},
        PipedFile{"Sample", "music/sample.ogg",
            [](Harness&, Pipe pipe) {
                Platform::SampleEngine engine;
                engine.Init(Mixer());
                return engine.SampleLoad(0, pipe, 0) == 0;
            }},
        PipedFile{"Demo", "demo.dmo",
            [](Harness&, Pipe pipe) {
                Vorn::DemoFileInfo info;
                Vorn::Buffer stream;
                std::string error;
                return !Vorn::LoadDemoFile(pipe, "1.0", info, stream, error) && error == "Demo file not found: " + pipe;
            }},
        PipedFile{"HighScores", "Save/topscores",
            [](Harness&, Pipe) {
                gTopScores.assign(1, {1, "someone"});
                LoadTopScores();
                return gTopScores.size() == 10 && gTopScores.front().score == 5000
                       && gTopScores.front().name == "Anonymous";
            }},
        PipedFile{"Autosave", "Save/autosave",
            [](Harness& harness, Pipe) {
                const std::unique_ptr<Board> board = harness.MakeBoard(3);
                return board->mDifficulty == 3 && board->mStage == 0;
            }},
        PipedFile{"Effect", "FX/explode.fx",
            [](Harness&, Pipe) {
                Renderer renderer(1);
                FXSprite effect(&renderer);
                effect.Load("explode.fx");
                return effect.mEmitters.empty();
            }},
        PipedFile{"Track", "properties/track_2.cfg",
            [](Harness&, Pipe) {
                Renderer renderer(1);
                Level level(&renderer);
                level.Load(2, 1);
                return level.mPoints.empty() && level.mEndX == 500.0f && level.mEndY == 300.0f;
            }},
        PipedFile{"DriverList", "vhw.dat",
            [](Harness&, Pipe) {
                // Without a list the driver's date decides.
                Vorn::D3DTester tester(nullptr);
                tester.mDescription = "a card on no list";
                tester.mDriverYear = 2002;
                return tester.IsSupportedCard();
            }},
        PipedFile{"TunedSource", "tuned.cpp",
            [](Harness&, Pipe pipe) {
                // The file table keeps the slot for the process's life.
                static std::string slot;
                slot = std::string("\1\0\0\0\0VORNMODVAL", 15) + pipe + "1,2";
                Vorn::ModValRegister(reinterpret_cast<uint8_t*>(slot.data()));
                return !Vorn::ModValReparse();
            }}),
    [](const ::testing::TestParamInfo<PipedFile>& info) { return std::string(info.param.name); });

// The real program with a pipe for its music starts, plays in silence, and
// ends on a termination request as on a close.
TEST(GameProgram, WithAPipeForItsMusicPlaysSilentlyAndEndsOnATerminationRequest)
{
    const Testing::TempDir dir;
    std::filesystem::create_directories(dir / "game/Music");
    for (const std::string entry : {"main.pak", "properties", "FX"})
        std::filesystem::create_symlink(Testing::kGameFolder + "/" + entry, dir / ("game/" + entry));
    ASSERT_EQ(mkfifo((dir / "game/Music/Music.ogg").c_str(), 0600), 0);
    // The music is opened once loading has ended: the request comes later.
    const Testing::ProgramEnd end = Testing::RunProgram(dir,
        "sh -c '\"" + Testing::kGameFolder + "/zarquel\" -changedir=game 2>run.log & Z=$!; "
        "for i in $(seq 600); do grep -q \"Resource Loading Time\" run.log && break; sleep 0.1; done; "
        "sleep 1; kill -TERM $Z; wait $Z'",
        120);
    const std::string log = Testing::ReadTextFile(dir / "run.log");
    EXPECT_EQ(end.status, 0) << log;
    EXPECT_THAT(log, HasSubstr("Resource Loading Time: "));
    EXPECT_THAT(log, HasSubstr("Update Count  = "));
}

} // namespace
