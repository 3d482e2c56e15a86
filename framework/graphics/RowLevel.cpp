#include "framework/graphics/RowLevel.h"

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

} // namespace

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
