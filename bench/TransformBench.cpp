// Sprites and particles as the game draws them: through a transform of the
// drawing context onto the 32-bit screen image (the road every ball and
// particle takes), beside the same work done by another software
// compositor; and a busy frame of 400 balls and 3000 particles.

#include "BenchDisplay.h"
#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/RowLevel.h"
#include "framework/graphics/Transform.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Bench::BenchDisplay;
using Vorn::Color;

constexpr double kAngle = std::numbers::pi / 6;
const Color kParticleTint(255, 200, 120, 180);

// A shaded ball with an anti-aliased rim.
std::vector<uint32_t> BallPixels(int side)
{
    std::vector<uint32_t> pixels;
    const double r = side / 2.0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - r;
            const double dy = y + 0.5 - r;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double cover = std::clamp(r - d, 0.0, 1.0);
            const double light = std::clamp(1.0 - std::hypot(dx + r / 3, dy + r / 3) / (1.6 * r), 0.2, 1.0);
            const auto a = static_cast<uint32_t>(cover * 255);
            pixels.push_back(a << 24 | static_cast<uint32_t>(230 * light) << 16 | static_cast<uint32_t>(90 * light) << 8 |
                             static_cast<uint32_t>(60 * light));
        }
    return pixels;
}

// A soft glow.
std::vector<uint32_t> ParticlePixels(int side)
{
    std::vector<uint32_t> pixels;
    const double r = side / 2.0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double d = std::hypot(x + 0.5 - r, y + 0.5 - r) / r;
            const double glow = std::clamp(1.0 - d, 0.0, 1.0);
            const auto a = static_cast<uint32_t>(glow * glow * 255);
            pixels.push_back(a << 24 | 0xFFE0C0);
        }
    return pixels;
}

std::unique_ptr<Vorn::MemoryImage> Image(BenchDisplay& bench, const std::vector<uint32_t>& pixels, int side)
{
    auto image = std::make_unique<Vorn::MemoryImage>(&bench.app);
    image->SetBits(pixels.data(), side, side, true);
    return image;
}

// Sprites scale, then turn; particles turn, then scale: both end complex,
// in a matrix.
Vorn::Transform SpriteTransform(double angle)
{
    Vorn::Transform t;
    t.Scale(1.0f, 1.0f);
    t.RotateRad(static_cast<float>(angle));
    return t;
}

Vorn::Transform ParticleTransform(double angle)
{
    Vorn::Transform t;
    t.RotateRad(static_cast<float>(angle));
    t.Scale(1.0f, 1.0f);
    return t;
}

void DrawBall(Vorn::Graphics& g, Vorn::MemoryImage& ball, double angle, float x, float y)
{
    g.SetColorize(false);
    g.SetDrawMode(0);
    g.SetSmoothBlend(true);
    g.DrawImageTransform(&ball, SpriteTransform(angle), x, y);
}

void DrawParticle(Vorn::Graphics& g, Vorn::MemoryImage& particle, double angle, float x, float y)
{
    g.SetColorize(true);
    g.SetColor(kParticleTint);
    g.SetDrawMode(1);
    g.SetSmoothBlend(false);
    g.DrawImageTransform(&particle, ParticleTransform(angle), x, y);
}

void BM_TransformedSprite(benchmark::State& state)
{
    BenchDisplay bench(32);
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    const bool particle = state.range(0) != 0;
    const int side = particle ? 16 : 64;
    const auto image = Image(bench, particle ? ParticlePixels(side) : BallPixels(side), side);
    Vorn::Graphics g(bench.display->GetScreenImage());
    float x = 100;
    for (auto _ : state) {
        particle ? DrawParticle(g, *image, kAngle, x, 300) : DrawBall(g, *image, kAngle, x, 300);
        x = x > 700 ? 100 : x + 37;
    }
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_TransformedSprite)->ArgName("particle")->Arg(0)->Arg(1);

// A ball as the board draws its shadows, bodies and faces: a 96 x 96
// picture point-sampled at 0.7 of its size, turned (as bodies are) or not
// (shadows and faces), laid over the screen; from ARGB words, or from a
// palette where the picture has few colours; texels read by loads (1) or a
// gather (2), whichever this processor is faster with being what the game
// takes.
void BM_PointSprite(benchmark::State& state)
{
    BenchDisplay bench(32);
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    constexpr int kSide = 96;
    std::vector<uint32_t> pixels = BallPixels(kSide);
    const bool palette = state.range(0) != 0;
    if (palette) {
        // Four levels a channel and five of alpha: at most 320 words, fewer
        // in this picture, so the reduction below finds its palette.
        for (uint32_t& p : pixels) {
            const uint32_t a = (p >> 24) / 64 * 64;
            p = (a == 0 ? 0 : a | 0x3F) << 24 | (p & 0xC0C0C0);
        }
    }
    const auto image = Image(bench, pixels, kSide);
    if (palette && !image->ReduceToPalette()) {
        state.SkipWithError("no palette");
        return;
    }
    Vorn::Graphics g(bench.display->GetScreenImage());
    g.SetColorize(false);
    g.SetDrawMode(0);
    g.SetSmoothBlend(false);
    Vorn::Transform t;
    t.Scale(0.7f, 0.7f);
    t.RotateRad(state.range(1) != 0 ? 1.1f : 0.0f);
    const Vorn::SWTri::TexelReads before = Vorn::SWTri::CurrentTexelReads();
    Vorn::SWTri::SetTexelReads(static_cast<Vorn::SWTri::TexelReads>(state.range(2)));
    float x = 100;
    for (auto _ : state) {
        g.DrawImageTransform(image.get(), t, x, 300);
        x = x > 700 ? 100 : x + 37;
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    state.SetLabel(before == Vorn::SWTri::TexelReads::Gather ? "game gathers" : "game loads");
    Vorn::SWTri::SetTexelReads(before);
}
BENCHMARK(BM_PointSprite)->ArgNames({"palette", "turned", "reads"})->ArgsProduct({{0, 1}, {0, 1}, {1, 2}});

// The same sprite premultiplied, turned about its centre into its bounding
// box on an 800 x 600 frame: bilinear OVER, or nearest ADD through a solid
// mask of the particle's tint.
void BM_PixmanTransformedSprite(benchmark::State& state)
{
    const bool particle = state.range(0) != 0;
    const int side = particle ? 16 : 64;
    std::vector<uint32_t> pixels = particle ? ParticlePixels(side) : BallPixels(side);
    for (uint32_t& p : pixels) {
        const uint32_t a = p >> 24;
        p = (a << 24) | (((p >> 16 & 0xFF) * a / 255) << 16) | (((p >> 8 & 0xFF) * a / 255) << 8) |
            ((p & 0xFF) * a / 255);
    }
    std::vector<uint32_t> frame(800 * 600, 0xFF204060);
    pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, side, side, pixels.data(), side * 4);
    pixman_image_t* dest = pixman_image_create_bits(PIXMAN_x8r8g8b8, 800, 600, frame.data(), 800 * 4);
    const int box = static_cast<int>(std::ceil(side * (std::cos(kAngle) + std::sin(kAngle))));
    pixman_f_transform turn;
    pixman_f_transform_init_identity(&turn);
    pixman_f_transform_translate(&turn, nullptr, -box / 2.0, -box / 2.0);
    pixman_f_transform_rotate(&turn, nullptr, std::cos(-kAngle), std::sin(-kAngle));
    pixman_f_transform_translate(&turn, nullptr, side / 2.0, side / 2.0);
    pixman_transform fixed;
    pixman_transform_from_pixman_f_transform(&fixed, &turn);
    pixman_image_set_transform(source, &fixed);
    pixman_image_set_filter(source, particle ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR, nullptr, 0);
    const auto tint = [](int c) { return static_cast<uint16_t>(c * kParticleTint.mAlpha / 255 * 257); };
    const pixman_color_t maskColor{tint(kParticleTint.mRed), tint(kParticleTint.mGreen), tint(kParticleTint.mBlue),
        static_cast<uint16_t>(kParticleTint.mAlpha * 257)};
    pixman_image_t* mask = particle ? pixman_image_create_solid_fill(&maskColor) : nullptr;
    int x = 100;
    for (auto _ : state) {
        pixman_image_composite32(particle ? PIXMAN_OP_ADD : PIXMAN_OP_OVER, source, mask, dest, 0, 0, 0, 0, x, 300, box,
            box);
        x = x > 700 ? 100 : x + 37;
    }
    benchmark::DoNotOptimize(frame.data());
    if (mask)
        pixman_image_unref(mask);
    pixman_image_unref(dest);
    pixman_image_unref(source);
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_PixmanTransformedSprite)->ArgName("particle")->Arg(0)->Arg(1);

// 400 balls and 3000 particles at positions and angles from a fixed seed.
void BM_BusyFrame(benchmark::State& state)
{
    BenchDisplay bench(32);
    if (!bench.ready) {
        state.SkipWithError("display not initialised");
        return;
    }
    const auto ball = Image(bench, BallPixels(64), 64);
    const auto particle = Image(bench, ParticlePixels(16), 16);
    struct Placed {
        float x;
        float y;
        double angle;
    };
    std::mt19937 random(20261207);
    std::uniform_real_distribution<float> across(0, 800);
    std::uniform_real_distribution<float> down(0, 600);
    std::uniform_real_distribution<double> turn(0, 2 * std::numbers::pi);
    std::vector<Placed> balls(400);
    std::vector<Placed> particles(3000);
    for (Placed& p : balls)
        p = {across(random), down(random), turn(random)};
    for (Placed& p : particles)
        p = {across(random), down(random), turn(random)};
    Vorn::Graphics g(bench.display->GetScreenImage());
    for (auto _ : state) {
        for (const Placed& p : balls)
            DrawBall(g, *ball, p.angle, p.x, p.y);
        for (const Placed& p : particles)
            DrawParticle(g, *particle, p.angle, p.x, p.y);
    }
}
BENCHMARK(BM_BusyFrame)->Unit(benchmark::kMillisecond);

} // namespace
