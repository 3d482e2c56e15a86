// The idle title's frame as the game makes it: the game's pictures loaded
// onto a display of 32 bits in an 800 x 600 window, the main menu up and the
// logo glowing, the pointer away from every button; one update of the widget
// tree, the dirty widgets drawn onto the screen image and what they drew
// presented, as the main loop does a hundred times a second. The whole
// program on the idle title should cost at most 4% of a core
// (bench/title_idle_cpu.sh): this frame is most of it.

#include "BoardHarness.h"

#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/widgets/WidgetManager.h"
#include "game/TitleScreen.h"
#include "platform/Window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void BM_TitleIdleFrame(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    Testing::BoardHarness harness;
    harness.mApp.mColorDepth = 32;
    const std::unique_ptr<Platform::Window> window = Platform::MakeSystemWindow();
    if (!window->Create({"Zarquel", 800, 600, Platform::WindowStyle::Framed, {}}) ||
        !harness.WithPictures(window.get(), false)) {
        state.SkipWithError("no display");
        return;
    }
    GameApp& app = harness.mApp;
    Vorn::DDInterface& display = *app.mDDInterface;
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    manager.mImage = display.GetScreenImage();
    manager.Resize(Vorn::Rect(0, 0, 800, 600), Vorn::Rect(0, 0, 800, 600));
    app.ShowTitleScreen();
    app.mTitleScreen->ShowMainButtons();
    manager.MouseMove(20, 20);
    manager.UpdateTree();
    manager.DrawToScreen();
    display.Redraw(nullptr);
    manager.mDrawnArea = Vorn::Rect();
    for (auto _ : state) {
        manager.UpdateTree();
        benchmark::DoNotOptimize(manager.DrawToScreen());
        display.Redraw(&manager.mDrawnArea);
        manager.mDrawnArea = Vorn::Rect();
    }
    manager.RemoveWidget(app.mTitleScreen.get());
    app.mTitleScreen.reset();
}

BENCHMARK(BM_TitleIdleFrame)->Unit(benchmark::kMicrosecond);

} // namespace
