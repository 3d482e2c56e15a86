// FormatString on the texts it mostly sees: short labels and debug lines under
// 160 characters. "allocs" counts heap allocations per call: 0 for a result
// short enough for std::string's own small buffer, 1 (the result string
// itself) for longer texts under 160 characters.

#include "framework/app/StringUtils.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> gAllocations{0};

void* CountedAllocate(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

template <typename Format>
void RunFormat(benchmark::State& state, Format format)
{
    const long before = gAllocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        std::string text = format(static_cast<int>(state.iterations()));
        benchmark::DoNotOptimize(text);
    }
    const long allocations = gAllocations.load(std::memory_order_relaxed) - before;
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations),
                                                  benchmark::Counter::kAvgIterations);
}

void BM_FormatStringTiny(benchmark::State& state)
{
    RunFormat(state, [](int n) { return Vorn::FormatString("x=%d", n % 1000); });
}
BENCHMARK(BM_FormatStringTiny);

void BM_FormatStringUnder160(benchmark::State& state)
{
    RunFormat(state, [](int n) {
        return Vorn::FormatString("Surface %d: %dx%d, %d bits, pitch %d, caps 0x%08X, %s",
                                  n % 16, 800, 600, 32, 3200, 0x1234ABCDu, "video memory");
    });
}
BENCHMARK(BM_FormatStringUnder160);

void BM_FormatString1000(benchmark::State& state)
{
    const std::string body(990, 'b');
    RunFormat(state, [&body](int n) { return Vorn::FormatString("%s %07d", body.c_str(), n % 1000); });
}
BENCHMARK(BM_FormatString1000);

} // namespace

void* operator new(std::size_t size)
{
    return CountedAllocate(size);
}

void* operator new[](std::size_t size)
{
    return CountedAllocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
