// The game's start: from the application's construction to the title's first
// frame on the screen (the loading thread started beside it, as the program
// does), and the loading thread's own work, the game group loaded and
// fetched, both on the generated data and the headless video and audio
// drivers.

#include "framework/resources/ResourceManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "platform/DebugOutput.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// No settings are read or written, and the single instance is claimed in a
// folder of its own: a game running meanwhile is not disturbed.
class BenchGame : public GameApp {
public:
    BenchGame() : GameApp(Services())
    {
        mWorkingFolder = GAME_DATA_DIR;
        mInstanceFolder = InstanceFolder();
    }

private:
    static Platform::Services Services()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        Platform::Services services = Platform::SystemServices();
        services.settings = nullptr;
        return services;
    }
    static std::string InstanceFolder()
    {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zarquel-bench-instance";
        std::filesystem::create_directories(folder);
        return folder.string();
    }
};

struct QuietDebugOutput {
    QuietDebugOutput() : mSink(Platform::SetDebugSink([](std::string_view) {})) {}
    ~QuietDebugOutput() { Platform::SetDebugSink(mSink); }
    Platform::DebugSink mSink;
};

void BM_StartToTheTitlesFirstFrame(benchmark::State& state)
{
    const QuietDebugOutput quiet;
    for (auto _ : state) {
        auto app = std::make_unique<BenchGame>();
        app->Init();
        app->StartLoadingThread();
        app->mRunning = true;
        while (app->mDrawCount == 0 && !app->mShutdown)
            app->StepLoopState(nullptr);
        state.PauseTiming();
        if (app->mDrawCount == 0)
            state.SkipWithError("no frame drawn");
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToTheTitlesFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadTheGameGroup(benchmark::State& state)
{
    const QuietDebugOutput quiet;
    BenchGame app;
    app.Init();
    Vorn::ResourceManager& resources = *app.mResourceManager;
    for (auto _ : state) {
        if (!resources.LoadGroup("Game") || !FetchGameResources(resources))
            state.SkipWithError(resources.GetErrorText().c_str());
        state.PauseTiming();
        // The next load decodes every picture again.
        resources.FreeGroup("Game");
        app.FreeUnusedSharedImages();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadTheGameGroup)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
