#pragma once
// Which vector rows the rasteriser draws with. The program may run on a
// machine other than the one that built it: the widest rows the processor
// offers are chosen once at start-up, and tests pick each level in turn to
// hold every one of them to the generic kernel.

#include <atomic>

namespace Vorn::SWTri {

// Zero is the level every x86-64 processor runs: what a drawing made before
// the choice (during static initialisation) reads.
enum class RowLevel : int { Sse2 = 0, Avx2 = 1 };

// Whether this processor (and its operating system) runs rows of `level`.
bool RowLevelSupported(RowLevel level);

// Rows of `level` from the next row on; false, and nothing changed, where
// the processor lacks it.
bool SetRowLevel(RowLevel level);

extern std::atomic<RowLevel> gRowLevel;

inline RowLevel CurrentRowLevel()
{
    return gRowLevel.load(std::memory_order_relaxed);
}

// How the AVX2 rows read the texels of eight pixels: each with a load of
// its own, or all with one gather. Which is faster depends on the
// processor (a gather was a quarter faster on one machine measured, slower
// on another), so the first drawing with those rows times both and keeps
// the faster. The pixels are the same either way; tests pick each.
enum class TexelReads : int { Unmeasured = 0, Loads = 1, Gather = 2 };

extern std::atomic<TexelReads> gTexelReads;

// Reads as `reads` says from the next drawing on (Unmeasured: measured
// again when next asked).
void SetTexelReads(TexelReads reads);

// Times both reads on this processor, keeps the faster and returns it:
// Loads where the processor has no AVX2 rows. Takes well under a
// millisecond.
TexelReads MeasureTexelReads();

inline TexelReads CurrentTexelReads()
{
    const TexelReads reads = gTexelReads.load(std::memory_order_relaxed);
    return reads != TexelReads::Unmeasured ? reads : MeasureTexelReads();
}

} // namespace Vorn::SWTri
