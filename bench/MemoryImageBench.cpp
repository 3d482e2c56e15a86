// The software blits of memory images, the load of every sprite and font page
// drawn into an off-screen image: a full 800 x 600 frame and a 64 x 64
// sprite, for the run-length and the per-pixel normal blit, the additive blit
// and the translucent fill. Beside them, the same work done by two other
// software compositors on the same sizes, as a yardstick.

#include "framework/graphics/MemoryImage.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using Vorn::Color;
using Vorn::MemoryImage;
using Vorn::Rect;

// A sprite-like picture: opaque middle, a translucent rim, transparent
// corners, so every run class occurs.
std::vector<uint32_t> SpritePixels(int width, int height)
{
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
            const uint32_t alpha = edge < 2 ? 0 : edge < 6 ? 40u * static_cast<uint32_t>(edge) : 255;
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                alpha << 24 | static_cast<uint32_t>(x * 3 + y * 5) * 0x010203u % 0xFFFFFFu;
        }
    }
    return pixels;
}

// 64 x 64 for a sprite, 800 x 600 for a frame.
struct Size {
    explicit Size(const benchmark::State& state)
        : width(state.range(0) == 64 ? 64 : 800), height(state.range(0) == 64 ? 64 : 600)
    {
    }
    int width;
    int height;
};

std::unique_ptr<MemoryImage> MakeImage(int width, int height, bool opaqueBackground)
{
    auto image = std::make_unique<MemoryImage>(nullptr);
    const std::vector<uint32_t> pixels = opaqueBackground
        ? std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF204060)
        : SpritePixels(width, height);
    image->SetBits(pixels.data(), width, height, true);
    return image;
}

// Destination opaque (run-length path) or with alpha (per-pixel path).
void BM_MemoryImageBlt(benchmark::State& state)
{
    const auto [width, height] = Size(state);
    const auto mode = static_cast<int>(state.range(1));
    const bool runLength = state.range(2) != 0;
    auto source = MakeImage(width, height, false);
    auto dest = MakeImage(width, height, true);
    if (!runLength)
        dest->ForceAlphaFlags(false, true);
    for (auto _ : state) {
        dest->Blt(source.get(), 0, 0, Rect(0, 0, width, height), Color::White, mode);
        benchmark::DoNotOptimize(dest->mBits.get());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_MemoryImageBlt)
    ->ArgNames({"size", "mode", "runs"})
    ->Args({800, 0, 1})
    ->Args({800, 0, 0})
    ->Args({800, 1, 0})
    ->Args({64, 0, 1})
    ->Args({64, 0, 0})
    ->Args({64, 1, 0});

void BM_MemoryImageTranslucentFill(benchmark::State& state)
{
    const auto [width, height] = Size(state);
    auto dest = MakeImage(width, height, true);
    for (auto _ : state) {
        dest->FillRect(Rect(0, 0, width, height), Color(255, 128, 0, 128), 0);
        benchmark::DoNotOptimize(dest->mBits.get());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_MemoryImageTranslucentFill)->Arg(800)->Arg(64);

void BM_SdlBlendBlit(benchmark::State& state)
{
    const auto [width, height] = Size(state);
    std::vector<uint32_t> pixels = SpritePixels(width, height);
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* dest = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_BLEND);
    SDL_FillRect(dest, nullptr, 0xFF204060);
    for (auto _ : state) {
        SDL_BlitSurface(source, nullptr, dest, nullptr);
        benchmark::DoNotOptimize(dest->pixels);
    }
    SDL_FreeSurface(dest);
    SDL_FreeSurface(source);
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_SdlBlendBlit)->Arg(800)->Arg(64);

// Premultiplied, as the compositor works.
void BM_PixmanOver(benchmark::State& state)
{
    const auto [width, height] = Size(state);
    std::vector<uint32_t> sourcePixels = SpritePixels(width, height);
    for (uint32_t& p : sourcePixels) {
        const uint32_t a = p >> 24;
        p = (a << 24) | (((p >> 16 & 0xFF) * a / 255) << 16) | (((p >> 8 & 0xFF) * a / 255) << 8) |
            ((p & 0xFF) * a / 255);
    }
    std::vector<uint32_t> destPixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF204060);
    pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, sourcePixels.data(), width * 4);
    pixman_image_t* dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, destPixels.data(), width * 4);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, dest, 0, 0, 0, 0, 0, 0, width, height);
        benchmark::DoNotOptimize(destPixels.data());
    }
    pixman_image_unref(dest);
    pixman_image_unref(source);
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_PixmanOver)->Arg(800)->Arg(64);

} // namespace
