// The frame of a stage in play as the game draws it: the game's pictures and
// score font loaded as the game loads them onto a display of 32 bits in an
// 800 x 600 window, a later stage at NORMAL with its chain of 60 and more
// balls rolling, the vortex turning, a score on show and an explosion under
// way (one is set off every second of play), drawn by the board and
// presented 1:1 as in a window. The board's updates between frames are not
// counted. On the 2D road a frame should take at most 1.5 ms, on the 3D road
// at most 1.3 times the 2D road's.

#include "BoardHarness.h"

#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "platform/Window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using Testing::BoardHarness;

constexpr int kBalls = 64;
constexpr int kFramesBetweenExplosions = 100;

void BoardFrame(benchmark::State& state, bool threeD)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    BoardHarness harness(11);
    harness.mApp.mColorDepth = 32;
    // No capability test: a fresh one doubts the software device and turns
    // the road back to 2D, where a player's kept verdict leaves it on 3D.
    harness.mApp.mAutoEnable3D = false;
    const std::unique_ptr<Platform::Window> window = Platform::MakeSystemWindow();
    if (!window->Create({"Zarquel", 800, 600, Platform::WindowStyle::Framed, {}}) ||
        !harness.WithPictures(window.get(), threeD)) {
        state.SkipWithError("no display");
        return;
    }
    Vorn::DDInterface& display = *harness.mApp.mDDInterface;
    auto board = harness.MakeBoard(GameApp::kDifficultyNormal);
    board->mStage = 6;
    board->ClearGame();
    board->NewGame(false);
    // No end: the chain piles up instead of losing the stage.
    board->mLevel->mEndX = -100000.0f;
    board->mLevel->mEndY = -100000.0f;
    for (int i = 0; i < 100000 && board->mBalls.size() < kBalls; ++i)
        board->Update();
    if (board->mBalls.size() < kBalls) {
        state.SkipWithError("the chain did not fill");
        return;
    }
    board->mDisplayedScore = 12480;
    board->mScoreToAdd = 40;
    if (display.mIs3D != threeD || display.GetScreenImage()->UsesDirect3D() != threeD) {
        state.SkipWithError("not on the road asked for");
        return;
    }
    Vorn::Graphics g(display.GetScreenImage());
    // As the widget manager draws the board: smoothly on the 3D road.
    g.SetQuickStretch(!threeD);
    g.SetSmoothBlend(threeD);
    int frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        board->Update();
        if (frame++ % kFramesBetweenExplosions == 0) {
            const Ball& ball = *board->mBalls[static_cast<size_t>(frame / kFramesBetweenExplosions) % kBalls];
            board->mExplosion->SetEmittersPosition(static_cast<int>(ball.mX), static_cast<int>(ball.mY));
            board->mExplosion->SetEmittersActive(true);
        }
        state.ResumeTiming();
        board->Draw(&g);
        display.Redraw(nullptr);
    }
    state.counters["balls"] = static_cast<double>(board->mBalls.size());
    board.reset();
}

BENCHMARK_CAPTURE(BoardFrame, Road2D, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BoardFrame, Road3D, true)->Unit(benchmark::kMillisecond);

} // namespace
