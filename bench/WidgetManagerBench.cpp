// The widget manager's per-event and per-frame costs: a mouse move among 50
// overlapping widgets in three levels (the hit test and the hover update;
// target at most 1 us a move), and a redraw with nothing dirty on the locked
// screen image (target at most 2 us a frame).

#include "BenchDisplay.h"
#include "framework/display/DDImage.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using Vorn::Widget;

// Five screens over the whole manager, each with three panels overlapping
// one another, each panel with two buttons: 50 widgets, all overlapping.
struct WidgetScene {
    explicit WidgetScene(Vorn::VornAppBase* app) : manager(app)
    {
        manager.Resize(Vorn::Rect(0, 0, 800, 600), Vorn::Rect(0, 0, 800, 600));
        for (int s = 0; s < 5; ++s) {
            Widget* screen = Make(manager, 10 * s, 10 * s, 800 - 20 * s, 600 - 20 * s);
            for (int p = 0; p < 3; ++p) {
                Widget* panel = Make(*screen, 100 + 60 * p, 80 + 40 * p, 400, 300);
                for (int b = 0; b < 2; ++b)
                    Make(*panel, 40 + 150 * b, 100, 120, 40);
            }
        }
    }
    ~WidgetScene() { manager.RemoveAllWidgets(false, true); }
    WidgetScene(const WidgetScene&) = delete;

    Widget* Make(Vorn::WidgetContainer& parent, int x, int y, int width, int height)
    {
        widgets.push_back(std::make_unique<Widget>());
        widgets.back()->Resize(x, y, width, height);
        parent.AddWidget(widgets.back().get());
        return widgets.back().get();
    }

    Vorn::WidgetManager manager;
    std::vector<std::unique_ptr<Widget>> widgets;
};

// The pointer crosses the screen on a path that passes over buttons, panels
// and screens, so the hovered widget changes now and then, as a player's does.
void BM_MouseMoveAmongFiftyWidgets(benchmark::State& state)
{
    WidgetScene scene(nullptr);
    int step = 0;
    for (auto _ : state) {
        step = (step + 7) % 800;
        benchmark::DoNotOptimize(scene.manager.MouseMove(step, 100 + step / 2));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MouseMoveAmongFiftyWidgets)->Unit(benchmark::kNanosecond);

void BM_IdleDrawToScreen(benchmark::State& state)
{
    Bench::BenchDisplay bench(32);
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    WidgetScene scene(&bench.app);
    scene.manager.mImage = bench.display->GetScreenImage();
    scene.manager.DrawToScreen();
    for (auto _ : state)
        benchmark::DoNotOptimize(scene.manager.DrawToScreen());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IdleDrawToScreen)->Unit(benchmark::kNanosecond);

} // namespace
