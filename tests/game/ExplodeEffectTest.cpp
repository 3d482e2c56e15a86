// The generated explosion, read from the game's folder by the effect reader
// with its texture loaded through the running application, bursts into a
// memory image and dies away: the same pixels every time for one seed.

#include "TestGameApp.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/FXSprite.h"
#include "game/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

namespace {

struct Shot {
    // Pixels not black.
    int lit;
    uint64_t hash;
    bool operator==(const Shot&) const = default;
};

void PrintTo(const Shot& shot, std::ostream* os)
{
    *os << shot.lit << " lit, hash " << std::hex << shot.hash << std::dec;
}

// Frames of 10 ms drawn onto a black 800 x 600 picture, the effect switched
// on at (400, 300); the picture after each tenth of a second.
std::vector<Shot> Explode(Testing::TestGameApp& app, uint32_t seed)
{
    Renderer renderer(seed);
    FXSprite explosion(&renderer);
    explosion.Load("explode.fx");
    EXPECT_EQ(explosion.mEmitters.size(), 2u);
    for (const auto& emitter : explosion.mEmitters)
        EXPECT_NE(emitter->mImage, nullptr);
    explosion.SetEmittersPosition(400, 300);
    explosion.SetEmittersActive(true);
    renderer.mParticleSystem->SetFrameTime(0.01f);

    std::vector<Shot> shots;
    for (int frame = 1; frame <= 250; ++frame) {
        Vorn::MemoryImage screen(&app);
        const std::vector<uint32_t> black(800 * 600, 0xFF000000);
        screen.SetBits(black.data(), 800, 600, true);
        Vorn::Graphics g(&screen);
        renderer.DrawParticles(&g);
        if (frame % 10 != 0)
            continue;
        Shot shot{0, 14695981039346656037u};
        for (int i = 0; i < 800 * 600; ++i) {
            const uint32_t pixel = screen.GetBits()[i];
            shot.lit += (pixel & 0xFFFFFF) != 0;
            shot.hash = (shot.hash ^ pixel) * 1099511628211u;
        }
        shots.push_back(shot);
    }
    return shots;
}

TEST(ExplodeEffect, TheGeneratedExplosionBurstsAndDiesAwayAlikeForOneSeed)
{
    Testing::TestGameApp app;
    app.Init();
    const auto shots = Explode(app, 1234);
    ASSERT_EQ(shots.size(), 25u);
    // Bright and wide at first, spreading, then gone: it fires once.
    EXPECT_GT(shots[0].lit, 2000);
    EXPECT_GT(shots[4].lit, shots[0].lit / 4);
    EXPECT_EQ(shots.back().lit, 0);
    EXPECT_EQ(Explode(app, 1234), shots);
    EXPECT_NE(Explode(app, 99), shots);
}

int LiveParticles(const veParticleSystem& system)
{
    return static_cast<int>(std::count_if(
        system.mParticles.begin(), system.mParticles.end(), [](const Particle& p) { return p.IsLive(); }));
}

// The board loads the effect switched off and switches it on at each bomb,
// at whatever point of their cycles the emitters have counted to meanwhile:
// every explosion is whole, all 250 particles out at once.
TEST(ExplodeEffect, EveryExplosionIsWholeWhereverTheCycleStands)
{
    Testing::TestGameApp app;
    app.Init();
    // Two and a half cycles of one second, frame by frame.
    constexpr int kPhases = 250;
    std::vector<int> small;
    for (int phase = 0; phase < kPhases; ++phase) {
        Renderer renderer(7);
        FXSprite explosion(&renderer);
        explosion.Load("explode.fx");
        explosion.SetEmittersActive(false);
        veParticleSystem& system = *renderer.mParticleSystem;
        for (int frame = 0; frame < phase; ++frame)
            system.Update(0.01f);
        ASSERT_EQ(LiveParticles(system), 0);
        explosion.SetEmittersActive(true);
        // Well within the shortest life of a particle.
        int peak = 0;
        for (int frame = 0; frame < 40; ++frame) {
            system.Update(0.01f);
            peak = std::max(peak, LiveParticles(system));
        }
        if (peak != 250)
            small.push_back(phase * 1000 + peak);
        for (const auto& emitter : explosion.mEmitters)
            EXPECT_FALSE(emitter->mEnabled) << phase;
    }
    // Phase x 1000 + peak of each explosion that was not whole.
    EXPECT_EQ(small, std::vector<int>{});
}

} // namespace
