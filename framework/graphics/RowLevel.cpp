#include "framework/graphics/RowLevel.h"

#include "framework/graphics/TriangleRasterizer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace Vorn::SWTri {

namespace {

// Built without AVX2 itself: the test must run on any processor.
RowLevel WidestRowLevel()
{
#if defined(__x86_64__) || defined(__i386__)
    // Static initialisers may run before the library's own look at the
    // processor.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return RowLevel::Avx2;
#endif
    return RowLevel::Sse2;
}

#if defined(__SSE2__)
// The faster reads for a turned sprite's point-sampled rows laid over the
// screen, the game's commonest rows: a 48-pixel square turned by 30
// degrees, drawn a few times each way in turn, the best time of each
// compared. A gather is kept only where it wins clearly, loads being the
// reads every processor measured so far runs well.
TexelReads FasterTexelReads()
{
    constexpr int kTexture = 64;
    constexpr int kSide = 48;
    constexpr int kCanvas = 64;
    constexpr int kPasses = 4;
    constexpr int kTrials = 7;
    std::vector<uint32_t> texels(kTexture * kTexture);
    uint32_t seed = 12345;
    for (uint32_t& t : texels) {
        seed = seed * 1664525u + 1013904223u;
        // Premultiplied: no channel above the alpha.
        const uint32_t alpha = (seed >> 24) | 0x80;
        const uint32_t grey = (seed >> 8 & 0xFF) * alpha / 255;
        t = alpha << 24 | grey << 16 | grey << 8 | grey;
    }
    std::vector<uint32_t> canvas(kCanvas * kCanvas, 0xFF404040u);
    const PremultipliedFetch fetch{{texels.data(), kTexture, kTexture}};
    // cos and sin of 30 degrees in 16.16.
    constexpr uint32_t kCos = 56756;
    constexpr uint32_t kSin = 32768;
    const Walk walk = Walk::Steps(kCos, kSin);
    std::vector<Avx2::QueuedRow> rows(kSide);
    for (int r = 0; r < kSide; ++r) {
        const auto down = static_cast<uint32_t>(r);
        rows[static_cast<size_t>(r)] = {canvas.data() + r * kCanvas, 8, 8 + kSide, 8 + kSide,
            (16u << 16) - down * kSin, (4u << 16) + down * kCos, 0, 0, &walk, &walk};
    }
    const auto timed = [&](TexelReads reads) {
        const auto start = std::chrono::steady_clock::now();
        for (int pass = 0; pass < kPasses; ++pass)
            Avx2::DrawRows<Target888<false>, PremultipliedFetch, Sampling::Point, Compose::Over>(
                fetch, Tint{}, reads, kCanvas, rows.data(), kSide);
        return std::chrono::steady_clock::now() - start;
    };
    auto loads = std::chrono::steady_clock::duration::max();
    auto gather = loads;
    for (int trial = 0; trial < kTrials; ++trial) {
        loads = std::min(loads, timed(TexelReads::Loads));
        gather = std::min(gather, timed(TexelReads::Gather));
    }
    return gather * 10 < loads * 9 ? TexelReads::Gather : TexelReads::Loads;
}
#endif

} // namespace

std::atomic<TexelReads> gTexelReads{TexelReads::Unmeasured};

void SetTexelReads(TexelReads reads)
{
    gTexelReads.store(reads, std::memory_order_relaxed);
}

TexelReads MeasureTexelReads()
{
    TexelReads reads = TexelReads::Loads;
#if defined(__SSE2__)
    if (RowLevelSupported(RowLevel::Avx2))
        reads = FasterTexelReads();
#endif
    SetTexelReads(reads);
    return reads;
}

std::atomic<RowLevel> gRowLevel{WidestRowLevel()};

bool RowLevelSupported(RowLevel level)
{
    return level == RowLevel::Sse2 || WidestRowLevel() == RowLevel::Avx2;
}

bool SetRowLevel(RowLevel level)
{
    if (!RowLevelSupported(level))
        return false;
    gRowLevel.store(level, std::memory_order_relaxed);
    return true;
}

} // namespace Vorn::SWTri
